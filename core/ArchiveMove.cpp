#include "core/ArchiveMove.h"

#include "core/Marking.h"
#include "store/EventPump.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/Transaction.h"
#include "store/engine/Errors.h"
#include "store/engine/Names.h"
#include "store/engine/Schema.h"
#include "store/engine/Statement.h"
#include "store/trail/Trail.h"

#include <QSet>
#include <algorithm>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {

// An empty date field reads as the first day of the calendar, before any real day.
const QDate DayZero(1899, 12, 30);

void showAll(Table& t)
{
    t.setFilter(QString());
    t.setFiltered(false);
}

// The three instances of a side, in the order the phases take them.
QList<Table*> inPhaseOrder(const ArchiveMove::Tables& side)
{
    return {&side.goods, &side.extensions, &side.contracts};
}

// A failed step leaves no record of the side in edit: the rollback took its writes back already.
void cancelAll(const ArchiveMove::Tables& side)
{
    for (Table* t : inPhaseOrder(side))
        t->cancel();
}

// The fields a record keeps when it moves: every field of the target that the source has too, WRK
// excepted.
QStringList movedFields(const Table& from, const Table& to)
{
    QStringList names;
    for (const FieldDef& f : to.definition().fields)
        if (f.name != Col::WRK && from.definition().fieldIndex(f.name) >= 0) names << f.name;
    return names;
}

// The records a walk picks, copied (and deleted from their table) a few hundred at a time: the
// store writes each batch with one statement rather than one per record.
class Batch
{
public:
    Batch(Table& from, Table& to, bool deleting)
        : m_store(from.store()), m_from(from.definition()), m_to(to.definition()), m_fields(movedFields(from, to)),
          m_deleting(deleting)
    {
    }

    void add(qint64 rowid) { m_rowids << rowid; }
    bool full() const { return m_rowids.size() >= Size; }

    // The walking instance must not stand on one of the records: it reads its page anew at its next move.
    void write()
    {
        if (m_rowids.isEmpty()) return;
        const qint64 copied = m_store.copyRecords(m_from, m_to, m_fields, m_rowids);
        const qint64 deleted = m_deleting ? m_store.deleteRecords(m_from, m_rowids) : copied;
        if (copied != m_rowids.size() || deleted != copied)
            throw StoreError(u"Records of %1 changed while they were moved"_s.arg(m_from.file));
        m_moved += copied;
        m_rowids.clear();
    }
    qint64 moved() const { return m_moved; }

private:
    static constexpr qsizetype Size = 500;
    Store& m_store;
    const TableDef& m_from;
    const TableDef& m_to;
    const QStringList m_fields;
    const bool m_deleting;
    QList<qint64> m_rowids;
    qint64 m_moved = 0;
};

// One phase of the move out: every marked record of live goes to the archive table, in the order of
// live's tag, and leaves live.
qint64 moveOutPhase(Table& live, Table& archive)
{
    const OpenWhile open(archive); // the archive table is open only while its phase runs
    showAll(live);
    Batch batch(live, archive, true);
    const int wrk = live.fieldIndex(Col::WRK);
    live.first();
    while (!live.eof()) {
        if (live.field(wrk).asBoolean()) batch.add(live.rowId());
        live.next();
        if (batch.full()) batch.write();
        EventPump::breathe();
    }
    batch.write();
    return batch.moved();
}

// One phase of the move back: every archived record, from the first, goes to the live table and leaves
// the archive. Only the records copied are deleted: one that another counter archives meanwhile stays in the
// archive rather than vanish. liveNumbers, when given, collects into duplicates the archived values of NUMBER
// found there.
qint64 moveBackPhase(Table& archive, Table& live, const QSet<QString>* liveNumbers, QSet<QString>* duplicates)
{
    const OpenWhile open(archive); // the archive table is open only while its phase runs
    showAll(live);
    Batch batch(archive, live, true);
    const int number = archive.fieldIndex(Col::NUMBER);
    archive.first();
    while (!archive.eof()) {
        if (liveNumbers) {
            const QString n = archive.field(number).asString();
            if (liveNumbers->contains(n)) duplicates->insert(n);
        }
        batch.add(archive.rowId());
        archive.next();
        if (batch.full()) batch.write();
        EventPump::breathe();
    }
    batch.write();
    return batch.moved();
}

// The contract numbers that have an item not yet sold.
QSet<QString> numbersWithUnsoldGoods(Table& goods)
{
    const int number = goods.fieldIndex(Col::NUMBER);
    const int sold = goods.fieldIndex(Col::PREDANE);
    QSet<QString> unsold;
    for (goods.first(); !goods.eof(); goods.next()) {
        if (!goods.field(sold).asBoolean()) unsold.insert(goods.field(number).asString());
        EventPump::breathe();
    }
    return unsold;
}

// Every record of t marked exactly when its NUMBER is one of numbers.
void markByNumber(Table& t, const QSet<QString>& numbers)
{
    const int number = t.fieldIndex(Col::NUMBER);
    const int wrk = t.fieldIndex(Col::WRK);
    for (t.first(); !t.eof(); t.next()) {
        Marking::setMark(t, wrk, numbers.contains(t.field(number).asString()));
        EventPump::breathe();
    }
    t.post();
}

// The move's one row in the trail, by the live tables' names.
void recordMove(Store& store, Trail::Action action, const std::pair<QDate, QDate>& period,
                const ArchiveMove::Counts& counts)
{
    Trail::recordMove(
        store, action, period,
        {{Tab::Zmluvy, counts.contracts}, {Tab::Inventar, counts.goods}, {Tab::Predlz, counts.extensions}});
}

} // namespace

namespace ArchiveMove {

qint64 markFinished(const Tables& live, const QDate& from, const QDate& to)
{
    for (Table* t : inPhaseOrder(live))
        showAll(*t);
    Table& contracts = live.contracts;
    qint64 marked = 0;
    Transaction transaction(contracts.store());
    try {
        // Goods are read before the contracts are marked and marked after them: a forfeited contract is
        // finished only when none of its items is left unsold.
        const QSet<QString> unsold = numbersWithUnsoldGoods(live.goods);
        const int wrk = contracts.fieldIndex(Col::WRK);
        const int number = contracts.fieldIndex(Col::NUMBER);
        const int agreed = contracts.fieldIndex(Col::AGRDATE);
        const int paid = contracts.fieldIndex(Col::PAID);
        const int returned = contracts.fieldIndex(Col::RETURNED);
        const int forfeited = contracts.fieldIndex(Col::PADAK);
        QSet<QString> finished;
        for (contracts.first(); !contracts.eof(); contracts.next()) {
            QDate signedOn = contracts.field(agreed).asDate();
            if (!signedOn.isValid()) signedOn = DayZero;
            bool mark = false;
            if (from <= signedOn && signedOn <= to) {
                const QString n = contracts.field(number).asString();
                mark = (contracts.field(paid).asBoolean() && contracts.field(returned).asBoolean()) ||
                       (contracts.field(forfeited).asBoolean() && !unsold.contains(n));
                if (mark) finished.insert(n);
            }
            Marking::setMark(contracts, wrk, mark);
            marked += mark ? 1 : 0;
            EventPump::breathe();
        }
        contracts.post();
        markByNumber(live.goods, finished);
        markByNumber(live.extensions, finished);
        transaction.commit();
    } catch (...) {
        cancelAll(live);
        throw;
    }
    return marked;
}

Counts moveMarked(const Tables& live, const Tables& archive, const QDate& from, const QDate& to)
{
    Counts counts;
    Store& store = live.contracts.store();
    Transaction transaction(store);
    try {
        const Trail::Bulk bulk(store);
        counts.goods = moveOutPhase(live.goods, archive.goods);
        counts.extensions = moveOutPhase(live.extensions, archive.extensions);
        counts.contracts = moveOutPhase(live.contracts, archive.contracts);
        recordMove(store, Trail::Action::ArchiveOut, {from, to}, counts);
        transaction.commit();
    } catch (...) {
        cancelAll(live);
        cancelAll(archive);
        throw;
    }
    return counts;
}

Restored moveBack(const Tables& live, const Tables& archive)
{
    Restored restored;
    Store& store = live.contracts.store();
    Transaction transaction(store);
    try {
        const Trail::Bulk bulk(store);
        const std::pair<QDate, QDate> period = Trail::contractPeriod(store, {Tab::Xzmluvy});
        restored.counts.goods = moveBackPhase(archive.goods, live.goods, nullptr, nullptr);
        restored.counts.extensions = moveBackPhase(archive.extensions, live.extensions, nullptr, nullptr);
        QSet<QString> liveNumbers;
        Table& contracts = live.contracts;
        showAll(contracts);
        const int number = contracts.fieldIndex(Col::NUMBER);
        for (contracts.first(); !contracts.eof(); contracts.next()) {
            liveNumbers.insert(contracts.field(number).asString());
            EventPump::breathe();
        }
        QSet<QString> duplicates;
        restored.counts.contracts = moveBackPhase(archive.contracts, contracts, &liveNumbers, &duplicates);
        recordMove(store, Trail::Action::ArchiveBack, period, restored.counts);
        transaction.commit();
        restored.duplicates = QStringList(duplicates.cbegin(), duplicates.cend());
        std::sort(restored.duplicates.begin(), restored.duplicates.end());
    } catch (...) {
        cancelAll(live);
        cancelAll(archive);
        throw;
    }
    return restored;
}

QString highestNumber(Table& contracts)
{
    if (contracts.indexName() != Col::NUMBER) contracts.setIndexName(Col::NUMBER);
    contracts.first();
    const QString live = contracts.field(Col::NUMBER).asString();
    Store& store = contracts.store();
    const TableDef& archive = store.table(Tab::XzmluvyDbf);
    // The same order as the tag's: the text of the number, an empty one lowest.
    StatementUse q = store.statement(u"SELECT MAX(IFNULL(\"NUMBER\",'')) FROM \""_s + archive.sqlName + u'"');
    q.exec();
    const QString archived = q.next() ? q.value(0).toString() : QString();
    return archived.toUtf8() > live.toUtf8() ? archived : live;
}

} // namespace ArchiveMove
