#include "register/Marking.h"

#include "register/ContractRules.h"
#include "store/EventPump.h"
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

// The fields a pass reads, looked up by name once per pass rather than once per record.
struct ContractFields
{
    explicit ContractFields(Table& t)
        : paid(t.fieldIndex(u"PAID"_s)), padak(t.fieldIndex(u"PADAK"_s)), until(t.fieldIndex(u"UNTIL"_s)),
          retent(t.fieldIndex(u"RETENT"_s)), number(t.fieldIndex(u"NUMBER"_s)), birth(t.fieldIndex(u"BIRTHNUM"_s)),
          wrk(t.fieldIndex(u"WRK"_s))
    {
    }
    int paid, padak, until, retent, number, birth, wrk;
};

// The mark of the current contract for a mode: 1 current, else expired. Extensions are looked up only
// when they can decide: past the due date of an extended contract that is neither paid nor forfeited.
bool stateMark(int mode, Table& contract, const ContractFields& f, Table& extensions, const QDate& today)
{
    const bool paid = contract.field(f.paid).asBoolean();
    const bool padak = contract.field(f.padak).asBoolean();
    const QDate until = contract.field(f.until).asDate();
    const bool retent = contract.field(f.retent).asBoolean();
    QList<QDate> dates;
    if (!paid && !padak && retent && !(until.isValid() && today <= until))
        dates = extensionDueDates(extensions, contract.field(f.number).asString());
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

void setMark(Table& t, int wrk, bool mark)
{
    Field field = t.field(wrk);
    if (!field.isNull() && field.asBoolean() == mark) return;
    t.edit();
    field.setAsBoolean(mark);
}

bool markContracts(int mode, Table& t, Table& extensions, const QDate& today, const QString& birthNumber)
{
    extensions.setIndexName(u"NUMBER"_s);
    t.setIndexName(u"NUMBER"_s);
    t.setFiltered(false);
    bool found = false;
    Transaction transaction(t.store());
    try {
        const ContractFields fields(t);
        for (t.first(); !t.eof(); t.next()) {
            const bool mark = (mode != 6 || t.field(fields.birth).asString() == birthNumber) &&
                              stateMark(mode, t, fields, extensions, today);
            setMark(t, fields.wrk, mark);
            found = found || mark;
            EventPump::breathe();
        }
        storeLast(t);
        transaction.commit();
    } catch (...) {
        t.cancel();
        throw;
    }
    return found;
}

void markGoods(int mode, Table& goods, Table& contracts, Table& extensions, const QDate& today)
{
    extensions.setIndexName(u"NUMBER"_s);
    contracts.setIndexName(u"NUMBER"_s);
    goods.setIndexName(u"NUMBER"_s);
    goods.setFiltered(false);
    Transaction transaction(goods.store());
    try {
        const ContractFields fields(contracts);
        const int number = goods.fieldIndex(u"NUMBER"_s);
        const int wrk = goods.fieldIndex(u"WRK"_s);
        for (contracts.first(); !contracts.eof(); contracts.next()) {
            const QString contract = contracts.field(fields.number).asString();
            if (!goods.findKey(contract)) continue;
            const bool mark = stateMark(mode, contracts, fields, extensions, today);
            while (!goods.eof() && goods.field(number).asString() == contract) {
                setMark(goods, wrk, mark);
                goods.next();
                EventPump::breathe();
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
