#include "core/ErrorText.h"

#include "core/TrailText.h"
#include "store/Store.h"
#include "store/Upgrade.h"

#include "store/engine/Errors.h"
#include "store/engine/Names.h"

#include <QHash>

using namespace Qt::Literals::StringLiterals;

namespace {

// How a message names one record of a table, with %1 for its key.
QString recordText(const QString& table)
{
    if (table == Tab::Zmluvy || table == Tab::Xzmluvy) return u"Zmluvu %1"_s;
    if (table == Tab::Osoby) return u"Záložcu %1"_s;
    if (table == Tab::Predlz || table == Tab::Xpredlz) return u"Predĺženie zmluvy %1"_s;
    if (table == Tab::Inventar || table == Tab::Xinvent) return u"Predmet zmluvy %1"_s;
    return {};
}

} // namespace

QString errorText(const MervanaError& error)
{
    if (const auto* unguarded = dynamic_cast<const Trail::TrailUnguarded*>(&error))
        return u"Dáta záložne v %1 sa neotvoria: chýba záznam zmien alebo to, čo ho chráni (%2). Záznam zmien sa "
               u"nikdy nezakladá znova sám; ak majiteľ vie, prečo chýba, začne nový príkazom "
               u"mervana-admin audit-restart."_s.arg(Store::displayName(unguarded->location()),
                                                     missingText(unguarded->missing()));
    if (const auto* owner = dynamic_cast<const Trail::OwnerMissing*>(&error))
        return u"Obchod %1 mal pokladníkov, no nemá aktívneho vlastníka: zoznam pokladníkov bol zmenený mimo "
               u"programu. Obchod sa neotvorí; obnovte ho zo zálohy."_s.arg(Store::displayName(owner->location()));
    if (const auto* newer = dynamic_cast<const Upgrade::TooNew*>(&error))
        return u"Dáta záložne v %1 sú novšej verzie (%2), než akú tento program pozná (%3). Otvorte ich novšou "
               u"verziou programu."_s.arg(Store::displayName(newer->location()))
                   .arg(newer->found())
                   .arg(newer->known());
    if (const auto* refused = dynamic_cast<const AmountRefused*>(&error)) {
        static const QHash<QString, QString> boxes{
            {Col::AMOUNT, u"Založená suma"_s},   {Col::PAID_SUM, u"Zaplat. suma"_s}, {Col::X_PAID, u"Suma platby"_s},
            {Col::PRED_SUMA, u"Suma predaja"_s}, {Col::SUMA1, u"Záložná hodnota"_s}, {Col::SUMA2, u"Predajná cena"_s}};
        return u"%1: „%2“ nie je suma v eurách. Napíšte najviac šesť číslic, desatinnú čiarku a najviac dve číslice "
               u"centov (napríklad 1500,30)."_s.arg(boxes.value(refused->field(), refused->field()), refused->input());
    }
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
    if (!taken || taken->table() != Tab::Zmluvy || taken->field() != Col::NUMBER) return error.text();
    return taken->value().isEmpty() ? u"Toto číslo zmluvy už v registri je."_s
                                    : u"Číslo zmluvy %1 už v registri je."_s.arg(taken->value());
}
