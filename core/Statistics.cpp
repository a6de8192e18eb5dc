#include "core/Statistics.h"

#include "store/EventPump.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/Values.h"
#include "store/engine/Names.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {

// The sum of field sum, in whole crowns, over the records of t, from the first to the last, whose
// logical fields set are all true and cleared all false. 64 bits and checked: a sum past the range
// is the conversion message, never a wrapped figure.
Money sumWhere(Table& t, const QString& sum, const QStringList& set, const QStringList& cleared)
{
    const int value = t.fieldIndex(sum);
    QList<std::pair<int, bool>> conditions;
    for (const QString& name : set)
        conditions.append({t.fieldIndex(name), true});
    for (const QString& name : cleared)
        conditions.append({t.fieldIndex(name), false});
    const Currency currency = t.store().currency();
    Money total;
    for (t.first(); !t.eof(); t.next()) {
        const bool counts = std::all_of(conditions.cbegin(), conditions.cend(),
                                        [&](const auto& c) { return t.field(c.first).asBoolean() == c.second; });
        if (!counts) continue;
        total += Money::fromStored(t.field(value).asFloat(), currency);
        EventPump::breathe();
    }
    return total;
}

} // namespace

namespace Statistics {

Money circulation(Table& contracts)
{
    // A contract both paid and forfeited is out of circulation; an expired one is still in it.
    return sumWhere(contracts, Col::AMOUNT, {}, {Col::PAID, Col::PADAK});
}

qint64 moneyInCirculation(Table& contracts)
{
    return circulation(contracts).cents() / 100;
}

Money pledge(Table& goods)
{
    return sumWhere(goods, Col::SUMA1, {Col::PREPADNUTE}, {Col::PREDANE});
}

qint64 pledgeValue(Table& goods)
{
    return pledge(goods).cents() / 100;
}

QString crownsText(qint64 sum)
{
    return QString::number(sum) + u" Sk"_s;
}

RecordCounts countRecords(Table& contracts, Table& persons, Table& goods, Table& extensions, Table& archivedContracts,
                          Table& archivedGoods, Table& archivedExtensions)
{
    RecordCounts counts;
    counts.contracts = contracts.recordCount();
    counts.persons = persons.recordCount();
    counts.goods = goods.recordCount();
    counts.extensions = extensions.recordCount();
    const OpenWhile contractsOpen(archivedContracts), goodsOpen(archivedGoods), extensionsOpen(archivedExtensions);
    counts.archivedContracts = archivedContracts.recordCount();
    counts.archivedGoods = archivedGoods.recordCount();
    counts.archivedExtensions = archivedExtensions.recordCount();
    return counts;
}

} // namespace Statistics
