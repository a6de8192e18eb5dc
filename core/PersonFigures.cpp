#include "core/PersonFigures.h"

#include "core/Money.h"
#include "store/Store.h"

#include "store/EventPump.h"
#include "store/Table.h"
#include "store/Values.h"

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

// Visits the records of `children` (on its tag NUMBER) that belong to contract `number`, in tag order,
// until visit returns false.
void forEachOf(Table& children, const QString& number, const std::function<bool()>& visit)
{
    if (!children.findKey(number)) return;
    const int key = children.fieldIndex(u"NUMBER"_s);
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
    goods.setIndexName(u"NUMBER"_s);
    extensions.setIndexName(u"NUMBER"_s);
    const int number = contracts.fieldIndex(u"NUMBER"_s), amount = contracts.fieldIndex(u"AMOUNT"_s),
              paidSum = contracts.fieldIndex(u"PAID_SUM"_s), paid = contracts.fieldIndex(u"PAID"_s),
              returned = contracts.fieldIndex(u"RETURNED"_s), padak = contracts.fieldIndex(u"PADAK"_s),
              retent = contracts.fieldIndex(u"RETENT"_s), until = contracts.fieldIndex(u"UNTIL"_s);
    const int sale = goods.fieldIndex(u"PRED_SUMA"_s);
    const int xPaid = extensions.fieldIndex(u"X_PAID"_s), xUntil = extensions.fieldIndex(u"X_UNTIL"_s);

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
