#include "store/admin/StoreCopy.h"

#include "store/EventPump.h"
#include "store/Store.h"
#include "store/Transaction.h"
#include "store/engine/Errors.h"
#include "store/engine/PgConnection.h"
#include "store/engine/Schema.h"
#include "store/engine/Statement.h"
#include "store/trail/Trail.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace {

// Records read and written per statement: few round trips to a server, bound values well within what
// either engine takes in one statement (16 fields and the row id: 6800 values).
constexpr int Batch = 400;

qint64 count(Store& store, const TableDef& def)
{
    return store.scalar(u"SELECT COUNT(*) FROM "_s + store.connection().sharedTable(def)).toLongLong();
}

QString insertSql(Store& to, const TableDef& def, int rows)
{
    QStringList names{u"rowid"_s};
    for (const FieldDef& f : def.fields)
        names << u'"' + f.name + u'"';
    const QString row = u'(' + QStringList(names.size(), u"?"_s).join(u", "_s) + u')';
    return u"INSERT INTO "_s + to.connection().sharedTable(def) + u" ("_s + names.join(u", "_s) + u") VALUES "_s +
           QStringList(rows, row).join(u", "_s);
}

bool holdsRows(Store& store, const QString& table)
{
    return store.scalar(u"SELECT EXISTS (SELECT 1 FROM "_s + table + u')').toLongLong() != 0;
}

bool isEmpty(Store& store, bool ownTables)
{
    for (const TableDef& def : Schema::tables()) {
        store.table(def.file);
        if (holdsRows(store, store.connection().sharedTable(def))) return false;
    }
    if (ownTables)
        for (const OwnTableDef& def : Schema::ownTables())
            if (def.copiedAsStored &&
                (def.name == u"Zmeny"_s ? !Trail::onlyGenesis(store) : holdsRows(store, def.name)))
                return false;
    return true;
}

// The rows of the store's own table def copied as stored, Batch at a time along its key (its first column).
void copyOwnTable(Store& from, Store& to, const OwnTableDef& def)
{
    QStringList columns;
    for (const OwnColumn& c : def.columns)
        columns << c.name;
    const QString& table = def.name;
    const QString list = columns.join(u", "_s), key = columns.first();
    const QString limit = u" ORDER BY "_s + key + u" LIMIT "_s + QString::number(Batch);
    const QString row = u'(' + QStringList(columns.size(), u"?"_s).join(u", "_s) + u')';
    const auto insertSql = [&](qsizetype rows) -> QString {
        return u"INSERT INTO "_s + table + u" ("_s + list + u") VALUES "_s + QStringList(rows, row).join(u", "_s);
    };
    QVariant last;
    for (bool first = true;; first = false) {
        const QString after = first ? QString() : QString(u" WHERE "_s + key + u" > ?"_s);
        Statement& read = from.statement(u"SELECT "_s + list + u" FROM "_s + table + after + limit);
        if (!first) read.bind({last});
        QList<QVariant> values;
        qsizetype rows = 0;
        while (read.step()) {
            for (int c = 0; c < columns.size(); ++c)
                values << read.value(c);
            ++rows;
        }
        read.reset();
        if (rows == 0) break;
        last = values.at(values.size() - columns.size());
        StatementUse write = to.statement(insertSql(rows));
        write.bind(values);
        write.exec();
        EventPump::breathe();
        if (rows < Batch) break;
    }
}

} // namespace

namespace StoreCopy {

QList<TableCount> copyRecords(Store& from, Store& to, bool replace, Own own, const Progress& progress)
{
    for (const TableDef& def : Schema::tables())
        from.table(def.file);      // a source without one of them says so before anything is written
    const Snapshot snapshot(from); // the copy is the store at one moment
    QList<qint64> expected;
    qint64 total = 0;
    for (const TableDef& def : Schema::tables()) {
        expected << count(from, def);
        total += expected.last();
    }
    if (!replace && !isEmpty(to, own == Own::Copy))
        throw StoreError(u"The store %1 holds records already; copy only into an empty store"_s.arg(
            Store::displayName(to.dataDir())));

    QList<TableCount> counts;
    qint64 done = 0;
    Transaction transaction(to);
    if (replace)
        for (const TableDef& def : Schema::tables()) {
            to.exec(u"DELETE FROM "_s + to.connection().sharedTable(def));
            to.connection().clearMarks(def);
        }
    for (const TableDef& def : Schema::tables()) {
        to.table(def.file);
        const int columns = int(def.fields.size()) + 1;
        QString select = u"SELECT rowid"_s;
        for (const FieldDef& f : def.fields)
            select += u", \""_s + f.name + u'"';
        Statement& read = from.statement(select + u" FROM "_s + from.connection().sharedTable(def) +
                                         u" WHERE rowid > ? ORDER BY rowid LIMIT "_s + QString::number(Batch));
        Statement& full = to.statement(insertSql(to, def, Batch));
        qint64 last = std::numeric_limits<qint64>::min();
        qint64 copied = 0;
        for (;;) {
            QList<QList<QVariant>> rows;
            read.bind({last});
            while (read.step()) {
                QList<QVariant> row;
                row.reserve(columns);
                for (int c = 0; c < columns; ++c)
                    row << read.value(c);
                rows << row;
            }
            read.reset();
            if (rows.isEmpty()) break;
            last = rows.last().first().toLongLong();
            StatementUse write = rows.size() == Batch ? full : to.statement(insertSql(to, def, int(rows.size())));
            int at = 1;
            for (const QList<QVariant>& row : std::as_const(rows))
                for (const QVariant& v : row)
                    write.bind(at++, v);
            write.exec();
            copied += rows.size();
            done += rows.size();
            EventPump::breathe();
            if (progress && !progress(done, total)) throw StoreError(u"Copy cancelled"_s);
            if (rows.size() < Batch) break;
        }
        to.connection().rowIdsTaken(def);
        // The source as read, its count in the same moment, the copy as written and as counted: all alike.
        const qint64 written = count(to, def);
        const qint64 kept = to.keptCount(def);
        const qint64 want = expected.at(def.id);
        if (copied != want || written != want || (kept >= 0 && kept != want))
            throw StoreError(
                u"The copy of %1 came out with %2 records where %3 holds %4; nothing was copied"_s.arg(def.file)
                    .arg(written)
                    .arg(Store::displayName(from.dataDir()))
                    .arg(want));
        counts.append({def.file, copied});
    }
    // The amounts mean what the source counts in: crowns stay crowns, euros euros.
    if (to.currency() != from.currency()) to.setCurrency(from.currency());
    if (own == Own::Copy) copyOwnTables(from, to);
    transaction.commit();
    to.touchAll();
    return counts;
}

void copyOwnTables(Store& from, Store& to)
{
    Transaction transaction(to);
    if (!trailEmpty(to))
        throw StoreError(
            u"The store %1 has a trail of changes already; its clerks, trail and keys stay as they are"_s.arg(
                Store::displayName(to.dataDir())));
    to.exec(u"DELETE FROM Pokladnici"_s);
    to.exec(u"DELETE FROM Kluce"_s);
    to.exec(u"DELETE FROM Pecat"_s);
    to.exec(u"DELETE FROM Tajomstvo"_s);
    Trail::dropGenesis(to);
    for (const OwnTableDef& def : Schema::ownTables())
        if (def.copiedAsStored) copyOwnTable(from, to, def);
    to.trailLink() = {}; // the chain's end and the keys are others now
    transaction.commit();
}

bool trailEmpty(Store& store)
{
    return Trail::onlyGenesis(store);
}

QList<std::pair<QString, qint64>> trailCounts(const QList<TableCount>& counts)
{
    QList<std::pair<QString, qint64>> named;
    for (const TableCount& c : counts)
        named.append({Schema::find(c.table) ? Schema::find(c.table)->sqlName : c.table, c.records});
    return named;
}

QList<TableCount> copy(const QString& from, const QString& to, const Progress& progress, const QString& counters)
{
    Store source(from);
    const bool created = !Store::exists(to);
    if (created) Store::createEmpty(to, Store::Genesis::Left, counters); // the source's trail comes with it
    try {
        Store target(to);
        Transaction transaction(target);
        const QList<TableCount> counts = copyRecords(source, target, false, Own::Copy, progress);
        Trail::recordMove(target, Trail::Action::Copy, Trail::contractPeriod(target), trailCounts(counts),
                          {{u"source"_s, Store::displayName(from)}});
        transaction.commit();
        return counts;
    } catch (...) {
        if (created) {
            try {
                if (Store::isServerLocation(to)) {
                    PgConnection::dropStore(to);
                } else {
                    const QFileInfo info(to);
                    const QString file = info.isFile() ? to : QDir(to).filePath(Store::fileName());
                    for (const QString& suffix : {u""_s, u"-wal"_s, u"-shm"_s, u"-journal"_s})
                        QFile::remove(file + suffix);
                }
            } catch (const MervanaError&) {
                // What was made stays empty; the copy's own error says what went wrong.
            }
        }
        throw;
    }
}

} // namespace StoreCopy
