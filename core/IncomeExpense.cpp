#include "core/IncomeExpense.h"

#include "core/Money.h"
#include "store/Store.h"

#include "store/EventPump.h"
#include "store/Table.h"
#include "store/Transaction.h"
#include "store/Values.h"
#include "store/engine/Names.h"

#include <QList>

using namespace Qt::Literals::StringLiterals;

namespace {

// One kind of movement in a source table: its date field, its amount field (the work table's field of the
// same name takes it) and where it is summed and counted.
struct Movement
{
    QString date;
    QString amount;
    qint64 IncomeExpense::*sum;
    qint64 IncomeExpense::*count;
};

// Walks source from its first record and appends a row for every movement dated in the period.
void gather(Table& work, Table& source, const QList<Movement>& kinds, const QDate& from, const QDate& to,
            IncomeExpense& totals)
{
    struct Indexes
    {
        int date, amount, into;
    };
    QList<Indexes> at;
    for (const Movement& m : kinds)
        at.append({source.fieldIndex(m.date), source.fieldIndex(m.amount), work.fieldIndex(m.amount)});
    const int number = source.fieldIndex(Col::NUMBER);
    const int workNumber = work.fieldIndex(Col::NUMBER), workDate = work.fieldIndex(Col::DATE);
    const Currency currency = work.store().currency();
    for (source.first(); !source.eof(); source.next()) {
        for (qsizetype k = 0; k < kinds.size(); ++k) {
            const QDate day = source.field(at[k].date).asDate();
            if (!day.isValid() || day < from || day > to) continue;
            const Field value = source.field(at[k].amount);
            const bool empty = value.isNull();
            const double figure = empty ? 0 : value.asFloat();
            // what the row sums as in the work table
            const qint64 units = Money::fromStored(figure, currency).units(currency);
            work.append();
            work.field(workNumber).setAsString(source.field(number).asString());
            work.field(workDate).setAsDate(day);
            if (!empty) work.field(at[k].into).setAsFloat(figure);
            work.post();
            totals.*kinds[k].sum = Values::addCrowns(totals.*kinds[k].sum, units);
            ++(totals.*kinds[k].count);
        }
        EventPump::breathe();
    }
}

} // namespace

qint64 IncomeExpense::moneyIn() const
{
    return Values::addCrowns(Values::addCrowns(paidSum, interestSum), salesSum);
}

qint64 IncomeExpense::difference() const
{
    return Values::subtractCrowns(moneyIn(), moneyOut());
}

IncomeExpense IncomeExpense::fill(Table& work, Table& contracts, Table& extensions, Table& goods, const QDate& from,
                                  const QDate& to)
{
    for (Table* t : {&contracts, &extensions, &goods})
        t->setIndexName(Col::NUMBER);
    IncomeExpense totals;
    Transaction transaction(work.store());
    try {
        work.emptyTable();
        gather(work, contracts,
               {{Col::AGRDATE, Col::AMOUNT, &IncomeExpense::signedSum, &IncomeExpense::signedCount},
                {Col::PAID_DATE, Col::PAID_SUM, &IncomeExpense::paidSum, &IncomeExpense::paidCount}},
               from, to, totals);
        gather(work, extensions,
               {{Col::X_PAIDDATE, Col::X_PAID, &IncomeExpense::interestSum, &IncomeExpense::interestCount}}, from, to,
               totals);
        gather(work, goods, {{Col::PRED_DATUM, Col::PRED_SUMA, &IncomeExpense::salesSum, &IncomeExpense::salesCount}},
               from, to, totals);
        totals.difference(); // totals that no printed figure can hold fail the run before it lands
        transaction.commit();
    } catch (...) {
        work.cancel();
        throw;
    }
    return totals;
}
