#include "core/ErrorText.h"

#include "store/engine/Errors.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// How a message names one record of a table, with %1 for its key.
QString recordText(const QString& table)
{
    if (table == u"Zmluvy"_s || table == u"Xzmluvy"_s) return u"Zmluvu %1"_s;
    if (table == u"Osoby"_s) return u"Záložcu %1"_s;
    if (table == u"Predlz"_s || table == u"Xpredlz"_s) return u"Predĺženie zmluvy %1"_s;
    if (table == u"Inventar"_s || table == u"Xinvent"_s) return u"Predmet zmluvy %1"_s;
    return {};
}

} // namespace

QString errorText(const MervanaError& error)
{
    if (const auto* changed = dynamic_cast<const RecordChanged*>(&error)) {
        const QString record = recordText(changed->table()).arg(changed->key());
        if (record.isEmpty()) return error.text();
        if (changed->gone()) return record + u" medzitým zmazala iná pokladňa.\rNič nebolo zapísané."_s;
        if (changed->deleting())
            return record +
                   u" medzitým zmenila iná pokladňa.\rNič nebolo zmazané; tabuľka ukazuje záznam, ako je teraz."_s;
        return record + u" medzitým zmenila iná pokladňa.\rNič nebolo zapísané; vaše údaje zostali v poliach a "
                        u"tabuľka ukazuje záznam, ako je teraz."_s;
    }
    const auto* taken = dynamic_cast<const KeyViolation*>(&error);
    if (!taken || taken->table() != u"Zmluvy"_s || taken->field() != u"NUMBER"_s) return error.text();
    return taken->value().isEmpty() ? u"Toto číslo zmluvy už v registri je."_s
                                    : u"Číslo zmluvy %1 už v registri je."_s.arg(taken->value());
}
