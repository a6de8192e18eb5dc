#include "core/PersonFigures.h"

#include "core/Money.h"
#include "store/Store.h"

#include "store/EventPump.h"
#include "store/Table.h"
#include "store/Values.h"
#include "store/engine/Names.h"

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

// Visits the records of `children` (on its tag NUMBER) that belong to contract `number`, in tag order,
// until visit returns false.
void forEachOf(Table& children, const QString& number, const std::function<bool()>& visit)
{
    if (!children.findKey(number)) return;
    const int key = children.fieldIndex(Col::NUMBER);
    for (; !children.eof() && children.field(key).asString() == number; children.next())
        if (!visit()) return;
}

bool dueBy(const QDate& until, const QDate& today)
{
    return !until.isValid() || until <= today;
}

} // namespace

qint64 PersonFigures::totalYield() const
{
    using Values::addCrowns;
    return Values::subtractCrowns(addCrowns(addCrowns(addCrowns(paidSum, saleProceeds), extensionPayments), dueAmount),
                                  lent);
}

PersonFigures PersonFigures::compute(Table& contracts, Table& goods, Table& extensions, const QDate& today)
{
    using Values::addCrowns;
    goods.setIndexName(Col::NUMBER);
    extensions.setIndexName(Col::NUMBER);
    const int number = contracts.fieldIndex(Col::NUMBER), amount = contracts.fieldIndex(Col::AMOUNT),
              paidSum = contracts.fieldIndex(Col::PAID_SUM), paid = contracts.fieldIndex(Col::PAID),
              returned = contracts.fieldIndex(Col::RETURNED), padak = contracts.fieldIndex(Col::PADAK),
              retent = contracts.fieldIndex(Col::RETENT), until = contracts.fieldIndex(Col::UNTIL);
    const int sale = goods.fieldIndex(Col::PRED_SUMA);
    const int xPaid = extensions.fieldIndex(Col::X_PAID), xUntil = extensions.fieldIndex(Col::X_UNTIL);

    const Currency currency = contracts.store().currency();
    const auto units = [currency](const Field& field) {
        return Money::fromStored(field.asFloat(), currency).units(currency);
    };
    PersonFigures f;
    for (contracts.first(); !contracts.eof(); contracts.next()) {
        EventPump::breathe();
        const QString contract = contracts.field(number).asString();
        const qint64 lent = units(contracts.field(amount));
        ++f.contracts;
        f.lent = addCrowns(f.lent, lent);
        f.paidSum = addCrowns(f.paidSum, units(contracts.field(paidSum)));
        const bool forfeited = contracts.field(padak).asBoolean();
        const bool extended = contracts.field(retent).asBoolean();
        if (forfeited) {
            ++f.forfeited;
            f.forfeitedAmount = addCrowns(f.forfeitedAmount, lent);
            forEachOf(goods, contract, [&] {
                f.saleProceeds = addCrowns(f.saleProceeds, units(goods.field(sale)));
                return true;
            });
        }
        if (extended) {
            forEachOf(extensions, contract, [&] {
                f.extensionPayments = addCrowns(f.extensionPayments, units(extensions.field(xPaid)));
                return true;
            });
        }
        if (contracts.field(paid).asBoolean() || contracts.field(returned).asBoolean() || forfeited) continue;
        bool due = false;
        if (extended) {
            forEachOf(extensions, contract, [&] {
                due = dueBy(extensions.field(xUntil).asDate(), today);
                return !due;
            });
        } else {
            due = dueBy(contracts.field(until).asDate(), today);
        }
        if (due) {
            ++f.due;
            f.dueAmount = addCrowns(f.dueAmount, lent);
        }
    }
    return f;
}
