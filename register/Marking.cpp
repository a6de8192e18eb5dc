#include "register/Marking.h"

#include "register/ContractRules.h"
#include "store/Table.h"
#include "store/Transaction.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// The due dates of the extensions of one contract, read by key.
QList<QDate> extensionDueDates(Table& extensions, const QString& number)
{
    QList<QDate> dates;
    if (!extensions.findKey(number)) return dates;
    while (!extensions.eof() && extensions.field(u"NUMBER"_s).asString() == number) {
        dates << extensions.field(u"X_UNTIL"_s).asDate();
        extensions.next();
    }
    return dates;
}

// The mark of the current contract for a mode: 1 current, else expired. Extensions are looked up only
// when they can decide: past the due date of an extended contract that is neither paid nor forfeited.
bool stateMark(int mode, Table& contract, Table& extensions, const QDate& today)
{
    const bool paid = contract.field(u"PAID"_s).asBoolean();
    const bool padak = contract.field(u"PADAK"_s).asBoolean();
    const QDate until = contract.field(u"UNTIL"_s).asDate();
    const bool retent = contract.field(u"RETENT"_s).asBoolean();
    QList<QDate> dates;
    if (!paid && !padak && retent && !(until.isValid() && today <= until))
        dates = extensionDueDates(extensions, contract.field(u"NUMBER"_s).asString());
    return mode == 1 ? ContractRules::IsCurrent(paid, padak, until, retent, dates, today)
                     : ContractRules::IsExpired(paid, padak, until, retent, dates, today);
}

void storeLast(Table& t)
{
    if (!t.isEmpty()) {
        t.edit();
        t.post();
    }
}

} // namespace

namespace Marking {

bool markContracts(int mode, Table& t, Table& extensions, const QDate& today, const QString& birthNumber,
                   const std::function<void()>& breathe)
{
    extensions.setIndexName(u"NUMBER"_s);
    t.setIndexName(u"NUMBER"_s);
    t.setFiltered(false);
    bool found = false;
    Transaction transaction(t.store());
    try {
        for (t.first(); !t.eof(); t.next()) {
            t.edit();
            t.field(u"WRK"_s).setAsBoolean(false);
            if (mode == 6 && t.field(u"BIRTHNUM"_s).asString() != birthNumber) continue;
            const bool mark = stateMark(mode, t, extensions, today);
            t.field(u"WRK"_s).setAsBoolean(mark);
            found = found || mark;
            if (breathe) breathe();
        }
        storeLast(t);
        transaction.commit();
    } catch (...) {
        t.cancel();
        throw;
    }
    return found;
}

void markGoods(int mode, Table& goods, Table& contracts, Table& extensions, const QDate& today,
               const std::function<void()>& breathe)
{
    extensions.setIndexName(u"NUMBER"_s);
    contracts.setIndexName(u"NUMBER"_s);
    goods.setIndexName(u"NUMBER"_s);
    goods.setFiltered(false);
    Transaction transaction(goods.store());
    try {
        for (contracts.first(); !contracts.eof(); contracts.next()) {
            const QString number = contracts.field(u"NUMBER"_s).asString();
            if (!goods.findKey(number)) continue;
            const bool mark = stateMark(mode, contracts, extensions, today);
            while (!goods.eof() && goods.field(u"NUMBER"_s).asString() == number) {
                goods.edit();
                goods.field(u"WRK"_s).setAsBoolean(mark);
                goods.next();
                if (breathe) breathe();
            }
        }
        storeLast(goods);
        transaction.commit();
    } catch (...) {
        goods.cancel();
        throw;
    }
}

} // namespace Marking
