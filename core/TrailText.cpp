#include "core/TrailText.h"

using namespace Qt::Literals::StringLiterals;

QString actionName(Trail::Action action)
{
    using Trail::Action;
    switch (action) {
    case Action::New:
        return u"nový"_s;
    case Action::Change:
        return u"zmena"_s;
    case Action::Delete:
        return u"zmazanie"_s;
    case Action::ArchiveOut:
        return u"odsun do archívu"_s;
    case Action::ArchiveBack:
        return u"prísun z archívu"_s;
    case Action::Import:
        return u"import"_s;
    case Action::Restore:
        return u"obnova"_s;
    case Action::Copy:
        return u"kópia"_s;
    case Action::SignIn:
        return u"prihlásenie"_s;
    case Action::SignInFailed:
        return u"neúspešné prihlásenie"_s;
    case Action::SignOut:
        return u"odhlásenie"_s;
    case Action::Lock:
        return u"zamknutie"_s;
    case Action::Unlock:
        return u"odomknutie"_s;
    case Action::ClerkAdded:
        return u"nový pokladník"_s;
    case Action::ClerkChanged:
        return u"zmena pokladníka"_s;
    case Action::PersonalDataPrinted:
        return u"tlač osobných údajov"_s;
    case Action::PersonalDataExported:
        return u"export osobných údajov"_s;
    case Action::Anonymised:
        return u"anonymizácia"_s;
    case Action::RetentionAsked:
        return u"otázka na anonymizáciu"_s;
    case Action::Genesis:
        return u"začiatok záznamu zmien"_s;
    case Action::Sealed:
        return u"zapečatenie záznamu zmien"_s;
    case Action::EuroConversion:
        return u"prevod na eurá"_s;
    }
    return {};
}

QString erasedText()
{
    return u"(vymazané)"_s;
}

Trail::Row worded(Trail::Row row)
{
    const auto word = [](QString& value, bool erased) {
        if (erased) value = erasedText();
    };
    word(row.key, row.keyErased);
    for (Trail::FieldChange& f : row.fields) {
        word(f.oldValue, f.oldErased);
        word(f.newValue, f.newErased);
    }
    return row;
}

QString missingText(const QList<Trail::Missing>& missing)
{
    QStringList names;
    for (const Trail::Missing& m : missing) {
        switch (m.kind) {
        case Trail::Missing::Kind::Table:
            names << u"tabuľka "_s + m.name;
            break;
        case Trail::Missing::Kind::Trigger:
            names << u"spúšťač "_s + m.name;
            break;
        case Trail::Missing::Kind::Rule:
            names << u"pravidlo "_s + m.name;
            break;
        case Trail::Missing::Kind::Rights:
            names << u"obmedzenie práv k tabuľke %1 (iné roly ako jej vlastník ju smú meniť)"_s.arg(m.name);
            break;
        }
    }
    return names.join(u", "_s);
}
