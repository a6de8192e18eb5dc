#include "core/ExpiryMarks.h"

#include "core/Marking.h"
#include "store/EventPump.h"
#include "store/Table.h"
#include "store/Transaction.h"
#include "store/engine/Names.h"

#include <QSet>
#include <algorithm>
#include <iterator>

using namespace Qt::Literals::StringLiterals;

namespace {

// The contracts that an extension brings due on the day: one pass over the extensions instead of a
// search for every contract whose own due date is another day, which is nearly every contract.
QSet<QString> extendedToDay(Table& extensions, const QDate& day)
{
    QSet<QString> numbers;
    const int number = extensions.fieldIndex(Col::NUMBER), until = extensions.fieldIndex(Col::X_UNTIL);
    for (extensions.first(); !extensions.eof(); extensions.next()) {
        if (extensions.field(until).asDate() == day) numbers.insert(extensions.field(number).asString());
        EventPump::breathe();
    }
    return numbers;
}

} // namespace

namespace ExpiryMarks {

qint64 mark(Table& contracts, Table& extensions, const QDate& day)
{
    extensions.setIndexName(Col::NUMBER);
    contracts.setIndexName(Col::NUMBER);
    contracts.setFiltered(false);
    qint64 marked = 0;
    Transaction transaction(contracts.store());
    try {
        const QSet<QString> extended = extendedToDay(extensions, day);
        const int wrk = contracts.fieldIndex(Col::WRK), until = contracts.fieldIndex(Col::UNTIL),
                  number = contracts.fieldIndex(Col::NUMBER);
        const int flags[] = {contracts.fieldIndex(Col::PAID), contracts.fieldIndex(Col::RETURNED),
                             contracts.fieldIndex(Col::PADAK), contracts.fieldIndex(Col::RETENT)};
        for (contracts.first(); !contracts.eof(); contracts.next()) {
            bool due = false;
            if (contracts.field(until).asDate() == day) {
                due = std::none_of(std::begin(flags), std::end(flags),
                                   [&](int flag) { return contracts.field(flag).asBoolean(); });
            } else {
                due = !extended.isEmpty() && extended.contains(contracts.field(number).asString());
            }
            Marking::setMark(contracts, wrk, due);
            if (due) ++marked;
            EventPump::breathe();
        }
        transaction.commit();
    } catch (...) {
        contracts.cancel();
        throw;
    }
    return marked;
}

} // namespace ExpiryMarks
