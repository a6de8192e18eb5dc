#include "store/Store.h"

#include "store/Transaction.h"
#include "store/Upgrade.h"
#include "store/engine/Errors.h"
#include "store/engine/PgConnection.h"
#include "store/engine/Row.h"
#include "store/engine/Schema.h"
#include "store/engine/SqliteConnection.h"
#include "store/trail/Trail.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

// The store file of a location that is not a server: a file named as such (a backup), else the store
// file in the folder.
QString storeFile(const QString& location)
{
    const QFileInfo info(location);
    if (info.isFile() || (!info.isDir() && location.endsWith(u".db"_s, Qt::CaseInsensitive))) return location;
    return QDir(location).filePath(Store::fileName());
}

std::unique_ptr<Connection> openConnection(const QString& location)
{
    if (Store::isServerLocation(location)) return std::make_unique<PgConnection>(location);
    const QString file = storeFile(location);
    return std::make_unique<SqliteConnection>(file, QFileInfo(file).fileName() == Store::fileName());
}

constexpr quint64 bit(int i)
{
    return quint64(1) << i;
}

QString quotedNames(const TableDef& def, quint64 fields, const QString& separator)
{
    QStringList names;
    for (int i = 0; i < def.fields.size(); ++i)
        if (fields & bit(i)) names << u'"' + def.fields.at(i).name + u'"';
    return names.join(separator);
}

// The fields a write of one record compares with the record as read: every one read but the counter's own
// mark, which a marking pass of this counter may have written since.
quint64 comparedFields(const TableDef& def, const RowValues& original)
{
    quint64 fields = original.loadedMask();
    if (def.fields.size() < 64) fields &= bit(int(def.fields.size())) - 1;
    if (const int mark = def.markField(); mark >= 0) fields &= ~bit(mark);
    return fields;
}

} // namespace

QString Store::fileName()
{
    return u"mervana.db"_s;
}

bool Store::isServerLocation(const QString& location)
{
    return location.startsWith(u"postgresql://"_s, Qt::CaseInsensitive) ||
           location.startsWith(u"postgres://"_s, Qt::CaseInsensitive);
}

QString Store::displayName(const QString& location)
{
    return isServerLocation(location) ? PgConnection::displayLocation(location)
                                      : QDir::toNativeSeparators(storeFile(location));
}

bool Store::exists(const QString& location)
{
    if (!isServerLocation(location)) return QFileInfo::exists(storeFile(location));
    return PgConnection::holdsStore(location);
}

void Store::addCollations(sqlite3* handle)
{
    SqliteConnection::addCollations(handle);
}

Store::Store(const QString& location, QObject* parent) : Store(location, TrailMissing::Allowed)
{
    setParent(parent);
    if (const QList<Trail::Missing> missing = Trail::missingGuards(*this); !missing.isEmpty())
        throw Trail::TrailUnguarded(location, missing);
}

Store::Store(const QString& location, TrailMissing)
    : m_location(location), m_connection(openConnection(location)), m_clerk(Trail::defaultClerk()),
      m_counter(Trail::defaultCounter())
{
    m_connection->reconnected = [this] {
        // Nothing read before the loss is known to be current, nor are the marks of the old session.
        m_held = {};
        m_trailLink = {};
        watchNotifications();
        touchAll();
    };
    Trail::initCrypto();
    Upgrade::run(*this);
    m_currency = readCurrency();
    Trail::requireOwner(*this);
    watchNotifications();
}

Currency Store::readCurrency()
{
    const QVariant code = scalar(u"SELECT VALUE FROM Nastavenia WHERE NAME = 'currency'"_s);
    return code.isNull() ? Currency::Skk : currencyOf(code.toString()).value_or(Currency::Skk);
}

void Store::setCurrency(Currency currency)
{
    const bool own = !inTransaction();
    if (own) beginWrite();
    try {
        StatementUse q = statement(u"INSERT INTO Nastavenia (NAME, VALUE) VALUES ('currency', ?) ON CONFLICT (NAME) DO "
                                   u"UPDATE SET VALUE = excluded.VALUE"_s);
        q.addBindValue(currencyCode(currency));
        q.exec();
        if (own) commit();
    } catch (...) {
        if (own) rollback();
        throw;
    }
    m_currency = currency;
}

Store::~Store()
{
    m_poll.reset();
    m_notifier.reset();
    m_insertStatements.clear();
    m_recordWrites.clear();
    m_statementCache.clear(); // finalised before the connection closes
    if (m_depth > 0) m_connection->rollback();
    m_connection.reset();
}

void Store::createEmpty(const QString& location, Genesis genesis, const QString& counters, Currency currency)
{
    if (isServerLocation(location)) {
        PgConnection::createStore(location, Upgrade::newest(), counters);
    } else if (storeFile(location) != QDir(location).filePath(fileName())) {
        SqliteConnection::createStore(location, Upgrade::newest());
    } else {
        QDir dir(location);
        if (!dir.exists() && !QDir().mkpath(location))
            throw StoreError(u"Cannot create folder %1"_s.arg(QDir::toNativeSeparators(location)));
        SqliteConnection::createStore(dir.filePath(fileName()), Upgrade::newest());
    }
    if (genesis == Genesis::Written || currency != Currency::Skk) {
        Store store(location);
        if (currency != Currency::Skk) store.setCurrency(currency);
        if (genesis == Genesis::Written) Trail::begin(store);
    }
}

QSqlDatabase Store::database()
{
    if (isServer())
        throw StoreError(u"A server store is reached through the store's statements only: %1"_s.arg(m_location));
    if (!m_held.rowids.isEmpty()) flushUpdates();
    return static_cast<SqliteConnection&>(*m_connection).database();
}

const TableDef& Store::table(const QString& file)
{
    const TableDef* def = Schema::find(file);
    if (!def) throw StoreError(u"Table does not exist: %1"_s.arg(file));
    if (!m_held.rowids.isEmpty()) flushUpdates();
    if (!m_connection->hasTable(def->sqlName)) throw StoreError(u"Table does not exist: %1"_s.arg(def->file));
    return *def;
}

void Store::touch(const TableDef& def)
{
    ++m_versions.at(def.id);
    Q_EMIT tableChanged(def.sqlName);
}

void Store::touchAll()
{
    for (const TableDef& def : Schema::tables())
        touch(def);
}

void Store::watchNotifications()
{
    m_notifier.reset();
    const int socket = m_connection->notificationSocket();
    if (socket < 0 || !QCoreApplication::instance()) return;
    m_notifier = std::make_unique<QSocketNotifier>(qintptr(socket), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { takeRemoteChanges(); });
    // A notice that arrives while one of our own statements waits for its answer is read with that answer
    // and leaves the socket quiet: a look twice a second finds it (it costs no trip to the server).
    if (!m_poll) {
        m_poll = std::make_unique<QTimer>();
        m_poll->setInterval(500);
        connect(m_poll.get(), &QTimer::timeout, this, [this] { takeRemoteChanges(); });
    }
    m_poll->start();
}

void Store::takeRemoteChanges()
{
    m_remoteChanges += m_connection->takeChangedTables();
    // A connection the server closed leaves its socket readable for good: stop watching it until the next
    // command connects again (which watches the new one).
    if (m_notifier && m_connection->notificationSocket() < 0) m_notifier->setEnabled(false);
    // Inside a transaction the instances keep what they read: it is what this transaction sees.
    if (m_depth == 0) applyRemoteChanges();
}

void Store::applyRemoteChanges()
{
    QStringList changed = std::exchange(m_remoteChanges, {});
    changed.removeDuplicates();
    for (const QString& name : std::as_const(changed))
        if (const TableDef* def = Schema::find(name)) touch(*def);
}

Statement& Store::statement(const QString& sql, const TableDef& def)
{
    if (m_held.def == &def) flushUpdates();
    return cachedStatement(sql);
}

Statement& Store::statement(const QString& sql)
{
    if (!m_held.rowids.isEmpty()) flushUpdates();
    return cachedStatement(sql);
}

Statement& Store::cachedStatement(const QString& sql)
{
    auto it = m_statementCache.find(sql);
    if (it == m_statementCache.end())
        it = m_statementCache.insert(sql, std::shared_ptr<Statement>(m_connection->prepare(sql)));
    ++m_statements;
    return *it.value();
}

void Store::exec(const QString& sql)
{
    if (!m_held.rowids.isEmpty()) flushUpdates();
    ++m_statements;
    m_connection->exec(sql);
}

QVariant Store::scalar(const QString& sql, const QList<QVariant>& values)
{
    StatementUse q = statement(sql);
    q.bind(values);
    return q.step() ? q.value(0) : QVariant();
}

Statement& Store::insertStatement(const TableDef& def, quint64 mask)
{
    // One statement per set of filled fields, built once: appending is the inner step of imports.
    const quint64 key = (mask << 4) | quint64(def.id);
    if (Statement* cached = m_insertStatements.value(key)) {
        noteStatement(def);
        return *cached;
    }
    QStringList names;
    for (int i = 0; i < def.fields.size(); ++i)
        if (mask & bit(i)) names << u'"' + def.fields.at(i).name + u'"';
    Statement& q = statement(m_connection->insertSql(def, names), def);
    m_insertStatements.insert(key, &q);
    return q;
}

qint64 Store::insertRecord(const TableDef& def, quint64 mask, const RowValues& values)
{
    // The counter's own work table is none of the shop's records: it leaves no trail.
    const bool trailed = recordsWrites() && !def.ofCounter;
    OwnWrite own(*this, trailed);
    StatementUse q = insertStatement(def, mask);
    for (int i = 0; i < def.fields.size(); ++i)
        if (mask & bit(i)) q.addBindValue(values.at(i));
    q.exec();
    const qint64 rowid = q.lastInsertId();
    if (trailed) Trail::recordWrite(*this, def, Trail::Action::New, nullptr, &values, mask);
    own.commit();
    return rowid;
}

void Store::deleteRecord(const TableDef& def, qint64 rowid, const RowValues& original)
{
    if (!def.ofCounter) return writeRecord(def, rowid, original, 0, nullptr);
    StatementUse q = statement(u"DELETE FROM "_s + m_connection->tableForWriting(def) + u" WHERE rowid = ?"_s, def);
    q.addBindValue(rowid);
    q.exec();
}

RecordChanged Store::recordChanged(const TableDef& def, qint64 rowid, const QString& key, bool deleting, bool gone)
{
    // No key in the text: it may be a birth number.
    const QString text = u"A record of %1 was %2 by another counter meanwhile; nothing was %3"_s.arg(
        def.file, gone ? u"deleted"_s : u"changed"_s, deleting && !gone ? u"deleted"_s : u"stored"_s);
    return {text, def.sqlName, rowid, key, deleting, gone};
}

void Store::writeRecord(const TableDef& def, qint64 rowid, const RowValues& original, quint64 fields,
                        const RowValues* values)
{
    if (!m_held.rowids.isEmpty()) flushUpdates();
    const bool deleting = !values;
    // The record and its trail row land together; the row names the old values, read now where the clerk's
    // instance had not read them (and then checked by the write like the others).
    const bool trailed = recordsWrites();
    OwnWrite own(*this, trailed);
    const RowValues read =
        trailed ? withFields(def, rowid, original, Trail::fieldsNamed(def, deleting ? ~quint64(0) : fields)) : original;
    // On a server the counter's mark goes to its own table, once the record's fields are written.
    const int mark = def.markField();
    const bool markApart = !deleting && mark >= 0 && (fields & bit(mark)) && m_connection->marksOfSession();
    if (markApart) fields &= ~bit(mark);
    const quint64 compared = comparedFields(def, read);
    if (deleting || fields) {
        // A table has fewer than 56 fields: its id and the kind of write go above those compared.
        const std::pair key{fields, compared | quint64(def.id) << 56 | quint64(deleting) << 63};
        Statement*& cached = m_recordWrites[key];
        if (!cached) {
            const QString table = m_connection->tableForWriting(def);
            QString sql =
                deleting
                    ? u"DELETE FROM "_s + table
                    : QString(u"UPDATE "_s + table + u" SET "_s + quotedNames(def, fields, u" = ?, "_s) + u" = ?"_s);
            sql += u" WHERE rowid = ?"_s;
            if (compared) sql += u" AND "_s + quotedNames(def, compared, u" IS ? AND "_s) + u" IS ?"_s; // NULL-safe
            cached = &cachedStatement(sql);
        } else {
            ++m_statements;
        }
        StatementUse q = *cached;
        for (int i = 0; i < def.fields.size(); ++i)
            if (fields & bit(i)) q.addBindValue(values->at(i));
        q.addBindValue(rowid);
        for (int i = 0; i < def.fields.size(); ++i)
            if (compared & bit(i)) q.addBindValue(read.at(i));
        q.exec();
        const qint64 written = q.changes();
        if (written == 0) {
            // Named as the clerk read it; told apart as it is now: changed, or gone.
            const int keyField = def.fieldIndex(def.recordField);
            StatementUse now = cachedStatement(u"SELECT "_s + quotedNames(def, bit(keyField), {}) + u" FROM "_s +
                                               m_connection->tableForWriting(def) + u" WHERE rowid = ?"_s);
            now.addBindValue(rowid);
            now.exec();
            const bool gone = !now.next();
            QVariant key = gone ? QVariant() : now.value(0);
            if (original.isLoaded(keyField))
                key = original.at(keyField);
            else if (values && values->isLoaded(keyField) && gone)
                key = values->at(keyField);
            touch(def); // every instance and grid reads the record as it is now
            throw recordChanged(def, rowid, key.toString(), deleting, gone);
        }
    }
    if (markApart) writeMarks(def, values->at(mark), Connection::Rows::One, {rowid});
    if (trailed)
        Trail::recordWrite(*this, def, deleting ? Trail::Action::Delete : Trail::Action::Change, &read, values, fields);
    own.commit();
}

RowValues Store::withFields(const TableDef& def, qint64 rowid, const RowValues& original, quint64 needed)
{
    const int n = int(def.fields.size());
    const quint64 all = n < 64 ? bit(n) - 1 : ~quint64(0);
    const bool sized = original.size() == n;
    if (sized && !(needed & all & ~original.loadedMask())) return original;
    StatementUse q = cachedStatement(u"SELECT "_s + quotedNames(def, all, u", "_s) + u" FROM "_s +
                                     m_connection->tableForWriting(def) + u" WHERE rowid = ?"_s);
    q.addBindValue(rowid);
    q.exec();
    RowValues now;
    const bool found = q.next();
    if (found) q.readValues(0, n, all, now);
    if (!found) return original; // gone: the write finds it so and says so
    if (!sized) return now;
    RowValues filled = original;
    filled.fillMissing(now);
    return filled;
}

void Store::writeMarks(const TableDef& def, const QVariant& value, Connection::Rows rows, const QList<QVariant>& where)
{
    qint64 written = 0;
    {
        StatementUse q = cachedStatement(m_connection->markSql(def, rows));
        q.addBindValue(value);
        for (const QVariant& v : where)
            q.addBindValue(v);
        q.exec();
        written = q.changes();
    }
    m_connection->marksWritten(def, written); // on a server it may tidy the marks: nothing of ours may be open
}

void Store::deleteAll(const TableDef& def)
{
    exec(u"DELETE FROM "_s + m_connection->tableForWriting(def));
    m_connection->clearMarks(def);
}

qint64 Store::keptCount(const TableDef& def)
{
    const QString sql = m_connection->recordCountSql(def);
    if (sql.isEmpty()) return -1;
    StatementUse q = statement(sql, def);
    q.exec();
    const qint64 n = q.next() ? q.int64(0) : -1;
    return n;
}

void Store::markWhere(const TableDef& def, const QString& valueSql, const QString& whereSql,
                      const QList<QVariant>& values)
{
    qint64 written = 0;
    {
        StatementUse q = statement(m_connection->markWhereSql(def, valueSql, whereSql));
        q.bind(values);
        q.exec();
        written = q.changes();
    }
    m_connection->marksWritten(def, written);
    touch(def);
}

Statement& Store::updateStatement(const TableDef& def, quint64 fields, Connection::Rows rows)
{
    QString where;
    switch (rows) {
    case Connection::Rows::One:
        where = u" WHERE rowid = ?"_s;
        break;
    case Connection::Rows::List:
        where = u" WHERE rowid IN ("_s + rowIdList() + u')';
        break;
    case Connection::Rows::Range:
        where = u" WHERE rowid BETWEEN ? AND ?"_s;
        break;
    case Connection::Rows::All:
        break;
    }
    return cachedStatement(u"UPDATE "_s + m_connection->tableForWriting(def) + u" SET "_s +
                           quotedNames(def, fields, u" = ?, "_s) + u" = ?"_s + where);
}

void Store::runUpdate(const TableDef& def, quint64 fields, const QList<QVariant>& values, Connection::Rows rows,
                      const QList<QVariant>& where)
{
    qsizetype markValue = -1; // among values
    if (m_connection->marksOfSession()) {
        // The counter's own marks go apart from the records the others share.
        const int mark = def.markField();
        if (mark >= 0 && (fields & bit(mark))) {
            markValue = 0;
            for (int i = 0; i < mark; ++i)
                if (fields & bit(i)) ++markValue;
            writeMarks(def, values.at(markValue), rows, where);
            fields &= ~bit(mark);
            if (!fields) return;
        }
    }
    StatementUse q = updateStatement(def, fields, rows);
    for (qsizetype i = 0; i < values.size(); ++i)
        if (i != markValue) q.addBindValue(values.at(i));
    for (const QVariant& v : where)
        q.addBindValue(v);
    q.exec();
}

void Store::update(const TableDef& def, quint64 fields, const RowValues& values, qint64 rowid,
                   const RowValues& original)
{
    const int mark = def.markField();
    const bool marksOnly = mark >= 0 && fields == bit(mark);
    if (!marksOnly && !def.ofCounter) return writeRecord(def, rowid, original, fields, &values);
    constexpr qsizetype BatchSize = 500;
    auto changedValues = [&] {
        QList<QVariant> changed;
        for (int i = 0; i < def.fields.size(); ++i)
            if (fields & bit(i)) changed << values.at(i);
        return changed;
    };
    if (m_depth > 0) {
        // Same table, fields and values (type included, as they bind by type): one more row id.
        const auto same = [&] {
            if (m_held.def != &def || m_held.fields != fields) return false;
            qsizetype k = 0;
            for (int i = 0; i < def.fields.size(); ++i) {
                if (!(fields & bit(i))) continue;
                const QVariant v = values.at(i);
                const QVariant& held = m_held.values.at(k++);
                if (v.typeId() != held.typeId() || v.isNull() != held.isNull() || v != held) return false;
            }
            return true;
        };
        if (!m_held.rowids.isEmpty() && !same()) flushUpdates();
        if (m_held.rowids.isEmpty()) m_held = {&def, fields, changedValues(), {}};
        m_held.rowids << rowid;
        if (m_held.rowids.size() >= BatchSize) flushUpdates();
        return;
    }
    runUpdate(def, fields, changedValues(), Connection::Rows::One, {rowid});
}

void Store::flushUpdates()
{
    if (m_held.rowids.isEmpty()) return;
    const HeldUpdates held = std::exchange(m_held, {});
    auto run = [&](Connection::Rows rows, const QList<QVariant>& where) {
        runUpdate(*held.def, held.fields, held.values, rows, where);
    };
    // Records are mostly written in the order of their numbers, so a loop along a tag updates runs
    // of neighbouring row ids: a run is one range, the scattered rest one list.
    constexpr qsizetype LongRun = 16;
    QList<qint64> ids = held.rowids;
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    QList<qint64> scattered;
    for (qsizetype i = 0; i < ids.size();) {
        qsizetype j = i;
        while (j + 1 < ids.size() && ids.at(j + 1) == ids.at(j) + 1)
            ++j;
        if (j - i + 1 >= LongRun)
            run(Connection::Rows::Range, {ids.at(i), ids.at(j)});
        else
            scattered.append(ids.mid(i, j - i + 1));
        i = j + 1;
    }
    if (scattered.size() > 1 && !rowIdList().isEmpty()) {
        run(Connection::Rows::List, {rowIdListValue(scattered)});
        return;
    }
    for (const qint64 rowid : std::as_const(scattered))
        run(Connection::Rows::One, {rowid});
}

qint64 Store::forRowids(const QString& sql, const QList<qint64>& rowids)
{
    if (rowids.isEmpty()) return 0;
    if (!m_held.rowids.isEmpty()) flushUpdates();
    const QString table = m_connection->rowIdTable();
    if (!table.isEmpty()) {
        StatementUse q = cachedStatement(sql.arg(table));
        q.bind({rowIdListValue(rowids)});
        q.exec();
        return q.changes();
    }
    qint64 changed = 0;
    StatementUse q = cachedStatement(sql.arg(u"SELECT ? AS value, 0 AS ord"_s));
    for (const qint64 rowid : rowids) {
        q.bind({rowid});
        q.exec();
        changed += q.changes();
        q.reset();
    }
    return changed;
}

qint64 Store::copyRecords(const TableDef& from, const TableDef& to, const QStringList& fields,
                          const QList<qint64>& rowids)
{
    QStringList target, source;
    for (const QString& f : fields) {
        target << u'"' + f + u'"';
        source << u"s.\""_s + f + u'"';
    }
    // In the order of the ids: a contract's goods keep their order among themselves.
    const qint64 copied =
        forRowids(u"INSERT INTO "_s + m_connection->tableForWriting(to) + u" ("_s + target.join(u", "_s) +
                      u") SELECT "_s + source.join(u", "_s) + u" FROM (%1) AS j JOIN \""_s + from.sqlName +
                      u"\" AS s ON s.rowid = j.value ORDER BY j.ord"_s,
                  rowids);
    if (copied > 0) touch(to);
    return copied;
}

qint64 Store::deleteRecords(const TableDef& def, const QList<qint64>& rowids)
{
    const qint64 deleted = forRowids(u"DELETE FROM "_s + m_connection->tableForWriting(def) +
                                         u" WHERE rowid IN (SELECT value FROM (%1) AS j)"_s,
                                     rowids);
    if (deleted > 0) touch(def);
    return deleted;
}

void Store::checkpoint()
{
    if (m_depth > 0) throw StoreError(u"Cannot write the store through inside a transaction"_s);
    flushUpdates();
    for (auto& q : m_statementCache)
        q->reset(); // no statement of ours may keep reading an older state of the file
    m_connection->checkpoint();
}

void Store::forgetErased()
{
    // The WAL still holds the pages as they were, with the values just erased: written through and emptied
    // now. A reader of another program may keep it from being emptied; the next erasure or maintenance does.
    try {
        m_connection->checkpoint();
    } catch (const StoreError&) {
    }
}

void Store::acquire(const TableDef& def, bool exclusive)
{
    const int open = m_openCount.value(def.sqlName);
    if (m_exclusive.value(def.sqlName) || (exclusive && open > 0))
        throw StoreError(u"Table is busy: %1"_s.arg(def.file));
    m_openCount[def.sqlName] = open + 1;
    if (exclusive) m_exclusive[def.sqlName] = true;
}

void Store::release(const TableDef& def, bool exclusive)
{
    m_openCount[def.sqlName] = qMax(0, m_openCount.value(def.sqlName) - 1);
    if (exclusive) m_exclusive[def.sqlName] = false;
}

void Store::begin()
{
    if (m_depth == 0) {
        m_rollbackOnly = false;
        m_trailLink = {};
        m_connection->begin();
    }
    ++m_depth;
}

void Store::beginWrite()
{
    if (m_depth == 0) {
        m_rollbackOnly = false;
        m_trailLink = {};
        m_connection->beginWrite();
    }
    ++m_depth;
}

void Store::abandonWrite()
{
    if (m_depth != 1) return rollback();
    m_held = {};
    m_depth = 0;
    m_trailLink = {};
    for (auto& q : m_statementCache)
        q->reset();
    m_connection->rollback();
    applyRemoteChanges();
}

void Store::beginSnapshot()
{
    if (m_depth > 0) throw StoreError(u"A snapshot of the store cannot begin inside a transaction"_s);
    m_rollbackOnly = false;
    m_trailLink = {};
    m_connection->beginSnapshot();
    m_depth = 1;
}

void Store::commit()
{
    if (m_depth == 0) return;
    try {
        flushUpdates();
    } catch (...) {
        rollback();
        throw;
    }
    if (--m_depth == 0) {
        const bool erased = std::exchange(m_trailLink, {}).erased; // the locks go with the transaction
        if (m_rollbackOnly) {
            m_connection->rollback();
            touchAll();
            applyRemoteChanges();
            throw StoreError(u"Transaction rolled back"_s);
        }
        for (auto& q : m_statementCache)
            q->reset();
        try {
            m_connection->commit();
        } catch (...) {
            m_connection->rollback();
            touchAll();
            applyRemoteChanges();
            throw;
        }
        if (erased) forgetErased();
        applyRemoteChanges();
    }
}

void Store::rollback()
{
    if (m_depth == 0) return;
    m_held = {}; // rolled back with the rest
    if (--m_depth == 0) {
        m_trailLink = {};
        for (auto& q : m_statementCache)
            q->reset();
        m_connection->rollback();
        // Every instance must forget what it read inside the transaction.
        touchAll();
        applyRemoteChanges();
    } else {
        m_rollbackOnly = true;
    }
}
