#include "TestBackend.h"
#include "TrailLines.h"
#include "core/ErrorText.h"
#include "core/TrailText.h"
#include "store/Clock.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/Transaction.h"
#include "store/engine/Errors.h"
#include "store/engine/Schema.h"
#include "store/engine/Statement.h"
#include "store/trail/Trail.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::Literals::StringLiterals;

// The trail of changes on either engine: each write of one record leaves exactly its row, in its transaction;
// the rows cannot be changed; the chain shows what was done to them behind the register's back; personal values
// read back only while the person's key lasts.
class TestTrail : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_location;
    std::unique_ptr<Store> m_store;

    std::unique_ptr<Table> open(const QString& file, const QString& tag = {})
    {
        auto t = std::make_unique<Table>(*m_store, file);
        if (!tag.isEmpty()) t->setIndexName(tag);
        t->open();
        return t;
    }

    qint64 rowCount(const QString& table) { return m_store->scalar(u"SELECT COUNT(*) FROM "_s + table).toLongLong(); }

    // The rows written since the trail held after rows.
    QList<Trail::Row> since(qint64 after, Store* store = nullptr)
    {
        QList<Trail::Row> rows;
        for (const Trail::Row& r : Trail::read(store ? *store : *m_store, {}))
            if (r.seq > after) rows << worded(r);
        return rows;
    }

    static QStringList fieldsOf(const Trail::Row& r)
    {
        QStringList out;
        for (const Trail::FieldChange& f : r.fields)
            out << f.field + u':' + f.oldValue + u'>' + f.newValue;
        return out;
    }

    // Stored values of the newest row, as they stand in the table.
    QString newest(const QString& column)
    {
        return m_store->scalar(u"SELECT "_s + column + u" FROM Zmeny ORDER BY SEQ DESC LIMIT 1"_s).toString();
    }

    void addPerson(const QString& birth, const QString& last, const QString& city = {})
    {
        auto t = open(u"Osoby.DBF"_s);
        t->append();
        t->field(u"BIRTHNUM"_s).setAsString(birth);
        t->field(u"LASTNAME"_s).setAsString(last);
        if (!city.isEmpty()) t->field(u"CITY"_s).setAsString(city);
        t->post();
    }

    void addContract(const QString& number, const QString& birth, double amount)
    {
        auto t = open(u"Zmluvy.DBF"_s);
        t->append();
        t->field(u"NUMBER"_s).setAsString(number);
        t->field(u"BIRTHNUM"_s).setAsString(birth);
        t->field(u"AGRDATE"_s).setAsDate(QDate(2026, 3, 1));
        t->field(u"AMOUNT"_s).setAsFloat(amount);
        t->post();
    }

    void addItem(const QString& number, const QString& subject)
    {
        auto t = open(u"Inventar.DBF"_s);
        t->append();
        t->field(u"NUMBER"_s).setAsString(number);
        t->field(u"SUBJECT"_s).setAsString(subject);
        t->post();
    }

    // The store's append-only triggers dropped, as the owner of the tables may do: what verify must then find.
    void dropGuards()
    {
        if (m_store->isServer()) {
            m_store->exec(u"DROP TRIGGER zmeny_append_only ON zmeny"_s);
            m_store->exec(u"DROP RULE zmeny_no_update ON zmeny"_s);
            m_store->exec(u"DROP RULE zmeny_no_delete ON zmeny"_s);
        } else {
            m_store->exec(u"DROP TRIGGER Zmeny_no_update"_s);
            m_store->exec(u"DROP TRIGGER Zmeny_no_delete"_s);
        }
    }

    // What dropGuards took, put back as it was made.
    void restoreGuards()
    {
        for (const QString& sql :
             Schema::createSql(m_store->connection().engine(), *Schema::ownTable(u"Zmeny"_s)).mid(1))
            if (!sql.contains(u"zmeny_no_truncate"_s)) m_store->exec(sql);
    }

    // Every row's HASH made anew from its content, as an intruder with the store file would.
    void rechain()
    {
        QByteArray previous(64, '0');
        for (const QString& row : TestBackend::rows(*m_store,
                                                    u"SELECT SEQ, MOMENT, CLERK, COUNTER, ACTION, TABLENAME, RECKEY, "
                                                    u"PERSON, DETAIL FROM Zmeny ORDER BY SEQ"_s,
                                                    9)) {
            QCryptographicHash sha(QCryptographicHash::Sha256);
            sha.addData(QByteArray(previous + '\x1f'));
            const QStringList values = row.split(u'|');
            for (const QString& typed : values)
                sha.addData(QByteArray(typed.section(u':', 1).toUtf8() + '\x1f'));
            previous = sha.result().toHex();
            m_store->exec(u"UPDATE Zmeny SET HASH = '%1' WHERE SEQ = %2"_s.arg(QString::fromLatin1(previous),
                                                                               values.first().section(u':', 1)));
        }
    }

    // What a genesis row's detail reads as in trailLines, but for the store's id.
    QString genesisDetail()
    {
        const Trail::Row first = Trail::read(*m_store, {}).constFirst();
        return u" {\"store\":\""_s + first.detail.value(u"store"_s).toString() + u"\"}"_s;
    }

    // The store's own tables dropped, as a store made before them lacks them.
    void dropOwnTables()
    {
        for (const OwnTableDef& def : Schema::ownTables())
            if (def.copiedAsStored) m_store->exec(u"DROP TABLE "_s + def.name);
        m_store->exec(u"DROP TABLE "_s + Schema::versionTable());
        if (m_store->isServer()) m_store->exec(u"DROP FUNCTION mervana_append_only(), mervana_trail_refuse()"_s);
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_store.reset();
        for (const QString& suffix : {u""_s, u"-wal"_s, u"-shm"_s})
            QFile::remove(m_dir.filePath(Store::fileName() + suffix));
        m_location = TestBackend::freshLocation(m_dir.path());
        Store::createEmpty(m_location);
        m_store = std::make_unique<Store>(m_location);
    }

    void cleanup()
    {
        m_store.reset();
        Clock::setToday({});
    }

    // Each write of one record: exactly one row, naming the table, the record and each field it changed with
    // its old and new value; WRK never, the work table never.
    void singleRecordWrites_data()
    {
        QTest::addColumn<QString>("write");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("new contract") << u"new contract"_s << 1 << u"new"_s << u"Zmluvy"_s << u"26/00002"_s
                                      << QStringList{u"BIRTHNUM:>7001011234"_s, u"NUMBER:>26/00002"_s,
                                                     u"AGRDATE:>2026-03-01"_s, u"AMOUNT:>1500"_s, u"WEEKTIME:>0"_s};
        QTest::newRow("changed amount and paid") << u"change contract"_s << 1 << u"change"_s << u"Zmluvy"_s
                                                 << u"26/00001"_s << QStringList{u"AMOUNT:1000>1200.5"_s, u"PAID:>1"_s};
        QTest::newRow("contract moved to another person")
            << u"change birth number"_s << 1 << u"change"_s << u"Zmluvy"_s << u"26/00001"_s
            << QStringList{u"BIRTHNUM:7001011234>8002022345"_s};
        QTest::newRow("deleted contract") << u"delete contract"_s << 1 << u"delete"_s << u"Zmluvy"_s << u"26/00001"_s
                                          << QStringList{u"BIRTHNUM:7001011234>"_s, u"NUMBER:26/00001>"_s,
                                                         u"AGRDATE:2026-03-01>"_s, u"AMOUNT:1000>"_s, u"WEEKTIME:0>"_s};
        QTest::newRow("new person") << u"new person"_s << 1 << u"new"_s << u"Osoby"_s << u"8002022345"_s
                                    << QStringList{u"BIRTHNUM:>8002022345"_s, u"LASTNAME:>Nová"_s, u"CITY:>Nitra"_s};
        QTest::newRow("person's surname") << u"change person"_s << 1 << u"change"_s << u"Osoby"_s << u"7001011234"_s
                                          << QStringList{u"BLACK:>1"_s, u"LASTNAME:Kováč>Kováčová"_s};
        // Recorded with the person's values, then erased with the person's key.
        QTest::newRow("deleted person") << u"delete person"_s << 1 << u"delete"_s << u"Osoby"_s << u"(vymazané)"_s
                                        << QStringList{u"BIRTHNUM:(vymazané)>"_s, u"LASTNAME:(vymazané)>"_s,
                                                       u"CITY:(vymazané)>"_s};
        QTest::newRow("item returned") << u"change item"_s << 1 << u"change"_s << u"Inventar"_s << u"26/00001"_s
                                       << QStringList{u"VRATENE:>1"_s};
        QTest::newRow("new extension") << u"new extension"_s << 1 << u"new"_s << u"Predlz"_s << u"26/00001"_s
                                       << QStringList{u"NUMBER:>26/00001"_s, u"X_UNTIL:>2026-05-01"_s,
                                                      u"X_PERCENT:>0"_s, u"X_PAID:>80"_s};
        QTest::newRow("mark only") << u"mark"_s << 0 << QString() << QString() << QString() << QStringList();
        QTest::newRow("same value again")
            << u"same value"_s << 0 << QString() << QString() << QString() << QStringList();
        QTest::newRow("work table") << u"work table"_s << 0 << QString() << QString() << QString() << QStringList();
    }
    void singleRecordWrites()
    {
        QFETCH(QString, write);
        QFETCH(int, rows);
        addPerson(u"7001011234"_s, u"Kováč"_s, u"Trnava"_s);
        addContract(u"26/00001"_s, u"7001011234"_s, 1000);
        addItem(u"26/00001"_s, u"Prsteň"_s);
        const qint64 before = rowCount(u"Zmeny"_s);
        QCOMPARE(before, 4); // the genesis row and the three writes

        const auto editFirst = [&](const QString& file, const std::function<void(Table&)>& change) {
            auto t = open(file);
            t->first();
            t->edit();
            change(*t);
            t->post();
        };
        if (write == u"new contract"_s) {
            addContract(u"26/00002"_s, u"7001011234"_s, 1500);
        } else if (write == u"change contract"_s) {
            editFirst(u"Zmluvy.DBF"_s, [](Table& t) {
                t.field(u"AMOUNT"_s).setAsFloat(1200.5);
                t.field(u"PAID"_s).setAsBoolean(true);
                t.field(u"WRK"_s).setAsBoolean(true);            // never listed
                t.field(u"NUMBER"_s).setAsString(u"26/00001"_s); // as it was: not listed
            });
        } else if (write == u"change birth number"_s) {
            editFirst(u"Zmluvy.DBF"_s, [](Table& t) { t.field(u"BIRTHNUM"_s).setAsString(u"8002022345"_s); });
        } else if (write == u"delete contract"_s) {
            auto t = open(u"Zmluvy.DBF"_s);
            t->first();
            t->remove();
        } else if (write == u"new person"_s) {
            addPerson(u"8002022345"_s, u"Nová"_s, u"Nitra"_s);
        } else if (write == u"change person"_s) {
            editFirst(u"Osoby.DBF"_s, [](Table& t) {
                t.field(u"LASTNAME"_s).setAsString(u"Kováčová"_s);
                t.field(u"BLACK"_s).setAsBoolean(true);
            });
        } else if (write == u"delete person"_s) {
            auto t = open(u"Osoby.DBF"_s);
            t->first();
            t->remove();
        } else if (write == u"change item"_s) {
            editFirst(u"Inventar.DBF"_s, [](Table& t) { t.field(u"VRATENE"_s).setAsBoolean(true); });
        } else if (write == u"new extension"_s) {
            auto t = open(u"Predlz.DBF"_s);
            t->append();
            t->field(u"NUMBER"_s).setAsString(u"26/00001"_s);
            t->field(u"X_UNTIL"_s).setAsDate(QDate(2026, 5, 1));
            t->field(u"X_PAID"_s).setAsFloat(80);
            t->post();
        } else if (write == u"mark"_s) {
            editFirst(u"Zmluvy.DBF"_s, [](Table& t) { t.field(u"WRK"_s).setAsBoolean(true); });
        } else if (write == u"same value"_s) {
            // Assigned without being read first: the store compares with what is stored.
            editFirst(u"Zmluvy.DBF"_s, [](Table& t) { t.field(u"AMOUNT"_s).setAsFloat(1000); });
        } else if (write == u"work table"_s) {
            auto t = open(u"Prijvyd.dbf"_s);
            t->append();
            t->field(u"NUMBER"_s).setAsString(u"26/00001"_s);
            t->post();
            t->first();
            t->remove();
        }

        const QList<Trail::Row> written = since(before);
        QCOMPARE(written.size(), rows);
        QCOMPARE(rowCount(u"Zmeny"_s), before + rows);
        if (rows == 0) return;
        const Trail::Row& r = written.first();
        QCOMPARE(r.seq, before + 1);
        QTEST(r.action, "action");
        QTEST(r.table, "table");
        QTEST(r.key, "key");
        QTEST(fieldsOf(r), "fields");
        QCOMPARE(r.clerk, u"—"_s);
        QCOMPARE(r.counter, Trail::defaultCounter());
        QVERIFY(r.moment.isValid());
        // Nothing that names a person stands in the table in clear.
        const QString stored = newest(u"RECKEY"_s) + newest(u"DETAIL"_s) + newest(u"PERSON"_s);
        for (const QString& secret : {u"7001011234"_s, u"8002022345"_s, u"Kováč"_s, u"Trnava"_s, u"Nitra"_s})
            QVERIFY2(!stored.contains(secret), qPrintable(stored));
        QVERIFY(Trail::verify(*m_store).ok());
    }

    // A write that does not land leaves no row, nor a person key it made.
    void writesThatFailLeaveNoRow_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("rolled back") << u"rollback"_s;
        QTest::newRow("changed by another counter meanwhile") << u"conflict"_s;
    }
    void writesThatFailLeaveNoRow()
    {
        QFETCH(QString, how);
        addContract(u"26/00001"_s, u"7001011234"_s, 1000);
        const qint64 rows = rowCount(u"Zmeny"_s), keys = rowCount(u"Kluce"_s);
        if (how == u"rollback"_s) {
            Transaction transaction(*m_store);
            addPerson(u"8002022345"_s, u"Nová"_s);
            addContract(u"26/00002"_s, u"8002022345"_s, 500);
            QCOMPARE(rowCount(u"Zmeny"_s), rows + 2); // seen inside, gone after
        } else {
            auto t = open(u"Zmluvy.DBF"_s);
            t->first();
            QCOMPARE(t->field(u"AMOUNT"_s).asFloat(), 1000.0); // read, so the write meets it as read
            t->edit();
            t->field(u"AMOUNT"_s).setAsFloat(900);
            {
                Store other(m_location);
                Table behind(other, u"Zmluvy.DBF"_s);
                behind.open();
                behind.first();
                behind.edit();
                behind.field(u"AMOUNT"_s).setAsFloat(800);
                behind.post();
            }
            QVERIFY_THROWS_EXCEPTION(RecordChanged, t->post());
            t->cancel();
            QCOMPARE(rowCount(u"Zmeny"_s), rows + 1); // the other counter's row only
            return;
        }
        QCOMPARE(rowCount(u"Zmeny"_s), rows);
        QCOMPARE(rowCount(u"Kluce"_s), keys);
        QVERIFY(Trail::verify(*m_store).ok());
        addContract(u"26/00003"_s, u"7001011234"_s, 700); // the chain goes on from where it stood
        QCOMPARE(since(rows).constFirst().seq, rows + 1);
        QVERIFY(Trail::verify(*m_store).ok());
    }

    void rowsCannotBeChanged_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("update") << u"UPDATE Zmeny SET CLERK = 'x'"_s;
        QTest::newRow("delete") << u"DELETE FROM Zmeny WHERE SEQ = 1"_s;
        QTest::newRow("truncate") << u"TRUNCATE zmeny"_s;
    }
    void rowsCannotBeChanged()
    {
        QFETCH(QString, sql);
        if (sql.startsWith(u"TRUNCATE"_s) && !m_store->isServer()) QSKIP("SQLite has no TRUNCATE");
        addContract(u"26/00001"_s, u"7001011234"_s, 1000);
        const QString hash = newest(u"HASH"_s);
        QVERIFY_THROWS_EXCEPTION(StoreError, m_store->exec(sql));
        QCOMPARE(rowCount(u"Zmeny"_s), 2);
        QCOMPARE(newest(u"CLERK"_s), u"—"_s);
        QCOMPARE(newest(u"HASH"_s), hash);
    }

    // Rows changed behind the register's back: the first one concerned is named.
    void chainShowsTampering_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<qint64>("bad");
        QTest::addColumn<qint64>("intact");
        QTest::addColumn<qint64>("last");
        QTest::newRow("intact") << QString() << qint64(0) << qint64(6) << qint64(6);
        QTest::newRow("amount edited") << u"UPDATE Zmeny SET DETAIL = REPLACE(DETAIL, '1000', '100') WHERE SEQ = 3"_s
                                       << qint64(3) << qint64(2) << qint64(6);
        QTest::newRow("clerk edited") << u"UPDATE Zmeny SET CLERK = 'Eva' WHERE SEQ = 5"_s << qint64(5) << qint64(4)
                                      << qint64(6);
        QTest::newRow("row deleted") << u"DELETE FROM Zmeny WHERE SEQ = 4"_s << qint64(5) << qint64(3) << qint64(6);
        QTest::newRow("first rows deleted")
            << u"DELETE FROM Zmeny WHERE SEQ <= 2"_s << qint64(3) << qint64(0) << qint64(6);
        // Put in between, numbered to fit: its hash was made for other content.
        QTest::newRow("row inserted") << u"INSERT INTO Zmeny SELECT 4, MOMENT, CLERK, COUNTER, 'delete', TABLENAME, "
                                         u"RECKEY, PERSON, DETAIL, HASH, SEAL FROM Zmeny WHERE SEQ = 1004"_s
                                      << qint64(4) << qint64(3) << qint64(7);
        // The whole trail emptied and its guards put back: not even the genesis row is left.
        QTest::newRow("every row deleted") << u"DELETE FROM Zmeny"_s << qint64(1) << qint64(0) << qint64(0);
    }
    void chainShowsTampering()
    {
        QFETCH(QString, sql);
        QFETCH(qint64, bad);
        QFETCH(qint64, intact);
        QFETCH(qint64, last);
        addPerson(u"7001011234"_s, u"Kováč"_s);
        addContract(u"26/00001"_s, u"7001011234"_s, 1000);
        addContract(u"26/00002"_s, u"7001011234"_s, 2000);
        addContract(u"26/00003"_s, u"7001011234"_s, 3000);
        addContract(u"26/00004"_s, u"7001011234"_s, 4000);
        const QString lastHash = newest(u"HASH"_s);
        if (!sql.isEmpty()) {
            dropGuards();
            if (sql.startsWith(u"INSERT"_s)) {
                // Makes room at 4 the way an intruder would: every later row one up.
                m_store->exec(u"UPDATE Zmeny SET SEQ = SEQ + 1000 WHERE SEQ >= 4"_s);
                m_store->exec(sql);
                m_store->exec(u"UPDATE Zmeny SET SEQ = SEQ - 999 WHERE SEQ > 1000"_s);
            } else {
                m_store->exec(sql);
            }
        }
        const Trail::Verdict v = Trail::verify(*m_store);
        QCOMPARE(v.badSeq, bad);
        QCOMPARE(v.missing.isEmpty(), sql.isEmpty()); // the guards that were dropped are named
        QCOMPARE(v.ok(), bad == 0);
        QCOMPARE(v.intact, intact);
        QVERIFY(bad == 0 || !v.why.isEmpty());
        QCOMPARE(v.lastSeq, last);
        QCOMPARE(v.lastHash, last ? lastHash : QString());
    }

    // Crypto-shredding: without the key, every personal value of the person reads "(vymazané)" and nothing
    // finds their rows, while the rest reads as before and the chain stays intact.
    void deletedKeyErasesThePerson()
    {
        addPerson(u"7001011234"_s, u"Kováč"_s, u"Trnava"_s);
        addContract(u"26/00001"_s, u"7001011234"_s, 1000);
        addPerson(u"8002022345"_s, u"Nová"_s);
        Trail::Query person;
        person.birthNumber = u"7001011234"_s;
        QCOMPARE(Trail::read(*m_store, person).size(), 2);

        QVERIFY(Trail::deleteKey(*m_store, u"7001011234"_s));
        QVERIFY(!Trail::deleteKey(*m_store, u"7001011234"_s));
        QVERIFY(Trail::read(*m_store, person).isEmpty());
        const QList<Trail::Row> rows = since(1); // after the genesis row
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(0).key, erasedText());
        QVERIFY(rows.at(0).keyErased && rows.at(0).fields.at(1).newErased && !rows.at(1).keyErased);
        QCOMPARE(fieldsOf(rows.at(0)),
                 (QStringList{u"BIRTHNUM:>(vymazané)"_s, u"LASTNAME:>(vymazané)"_s, u"CITY:>(vymazané)"_s}));
        QCOMPARE(rows.at(1).key, u"26/00001"_s);
        QCOMPARE(fieldsOf(rows.at(1)).first(), u"BIRTHNUM:>(vymazané)"_s);
        QVERIFY(fieldsOf(rows.at(1)).contains(u"AMOUNT:>1000"_s));
        QCOMPARE(rows.at(2).key, u"8002022345"_s); // another person keeps theirs
        QVERIFY(Trail::verify(*m_store).ok());

        // A later write of the same person gets a new key, readable again; the old rows stay erased.
        addContract(u"26/00002"_s, u"7001011234"_s, 500);
        const QList<Trail::Row> found = Trail::read(*m_store, person);
        QCOMPARE(found.size(), 1);
        QCOMPARE(fieldsOf(found.first()).first(), u"BIRTHNUM:>7001011234"_s);
    }

    // A person's keys go with the person: deleted with them (unless the number is listed twice), moved to a
    // corrected number with the rows written before, and erased with them from there.
    void keysFollowThePerson_data()
    {
        QTest::addColumn<bool>("twin");
        QTest::addColumn<bool>("corrected");
        QTest::addColumn<bool>("deleted");
        QTest::addColumn<int>("foundByNew");   // rows found by the number the person has last
        QTest::addColumn<QString>("firstKey"); // of the person's first row, as it reads now
        QTest::addColumn<int>("keys");
        const QString a = u"7001011234"_s;
        QTest::newRow("kept") << false << false << false << 2 << a << 2;
        QTest::newRow("deleted") << false << false << true << 0 << erasedText() << 1;
        QTest::newRow("deleted, number listed twice") << true << false << true << 4 << a << 2;
        QTest::newRow("number corrected") << false << true << false << 3 << a << 2;
        QTest::newRow("corrected, then deleted") << false << true << true << 0 << erasedText() << 1;
    }
    void keysFollowThePerson()
    {
        QFETCH(bool, twin);
        QFETCH(bool, corrected);
        QFETCH(bool, deleted);
        QFETCH(int, foundByNew);
        QFETCH(QString, firstKey);
        QFETCH(int, keys);
        const QString a = u"7001011234"_s, b = u"7001015678"_s;
        addPerson(a, u"Kováč"_s, u"Trnava"_s);
        if (twin) addPerson(a, u"Kováč"_s);
        addContract(u"26/00001"_s, a, 1000);
        addPerson(u"8002022345"_s, u"Nová"_s);
        auto persons = open(u"Osoby.DBF"_s, u"BIRTHNUM"_s);
        QVERIFY(persons->findKey(a));
        if (corrected) {
            persons->edit();
            persons->field(u"BIRTHNUM"_s).setAsString(b);
            persons->post();
        }
        if (deleted) persons->remove();

        Trail::Query byNew, byOld;
        byNew.birthNumber = corrected ? b : a;
        byOld.birthNumber = a;
        const QList<Trail::Row> found = Trail::read(*m_store, byNew);
        QCOMPARE(found.size(), foundByNew);
        if (corrected) QCOMPARE(Trail::read(*m_store, byOld).size(), 0);
        const QList<Trail::Row> all = since(1); // after the genesis row
        QCOMPARE(all.first().key, firstKey);
        QCOMPARE(fieldsOf(all.first()).contains(u"CITY:>Trnava"_s), firstKey == a);
        if (corrected && !deleted) QVERIFY(fieldsOf(found.last()).contains(u"BIRTHNUM:%1>%2"_s.arg(a, b)));
        QCOMPARE(rowCount(u"Kluce"_s), keys);
        QVERIFY(Trail::verify(*m_store).ok());
    }

    // A store whose keys were found by the birth number in clear has them rewritten once at opening: the number
    // leaves the keys table, and the person's rows read and are found as before, with the same key.
    void keysOfAnOlderStoreRewritten()
    {
        const QString a = u"7001011234"_s;
        addPerson(a, u"Kováč"_s, u"Trnava"_s);
        addContract(u"26/00001"_s, a, 1000);
        const QString key = m_store->scalar(u"SELECT PKEY FROM Kluce"_s).toString();
        m_store->exec(u"DROP TABLE Kluce"_s);
        m_store->exec(u"DROP TABLE Tajomstvo"_s);
        m_store->exec(u"DROP TABLE "_s + Schema::versionTable()); // as the program before versions left it
        m_store->exec(u"CREATE TABLE Kluce (BIRTHNUM TEXT PRIMARY KEY, PKEY TEXT NOT NULL)"_s);
        {
            StatementUse old = m_store->statement(u"INSERT INTO Kluce (BIRTHNUM, PKEY) VALUES (?, ?)"_s);
            old.bind({a, key});
            old.exec();
        }

        m_store = std::make_unique<Store>(m_location);
        Trail::Query person;
        person.birthNumber = a;
        QCOMPARE(Trail::read(*m_store, person).size(), 2);
        QVERIFY(fieldsOf(since(1).first()).contains(u"CITY:>Trnava"_s)); // after the genesis row
        const QString keysText = m_store->scalar(u"SELECT TAG || LOOKUP || PKEY FROM Kluce"_s).toString(); // one row
        QVERIFY(!keysText.contains(a));
        QCOMPARE(m_store->scalar(u"SELECT PKEY FROM Kluce"_s).toString(), key);
        addContract(u"26/00002"_s, a, 500);
        QCOMPARE(Trail::read(*m_store, person).size(), 3);
        QCOMPARE(rowCount(u"Kluce"_s), 1);
    }

    // What read() picks: every condition given must hold.
    void queries_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("contract");
        QTest::addColumn<QString>("person");
        QTest::addColumn<QString>("clerk");
        QTest::addColumn<QList<qint64>>("seqs");
        const QString today = u"today"_s, tomorrow = u"tomorrow"_s, yesterday = u"yesterday"_s;
        QTest::newRow("everything") << QString() << QString() << QString() << QString() << QString()
                                    << QList<qint64>{1, 2, 3, 4, 5, 6, 7}; // the genesis row too
        QTest::newRow("today") << today << today << QString() << QString() << QString()
                               << QList<qint64>{1, 2, 3, 4, 5, 6, 7}; // the genesis row too
        QTest::newRow("from tomorrow") << tomorrow << QString() << QString() << QString() << QString()
                                       << QList<qint64>{};
        QTest::newRow("until yesterday") << QString() << yesterday << QString() << QString() << QString()
                                         << QList<qint64>{};
        QTest::newRow("contract with its goods")
            << QString() << QString() << u"26/00001"_s << QString() << QString() << QList<qint64>{3, 4, 7};
        QTest::newRow("person") << QString() << QString() << QString() << u"8002022345"_s << QString()
                                << QList<qint64>{5, 6, 7};
        QTest::newRow("unknown person") << QString() << QString() << QString() << u"9999999999"_s << QString()
                                        << QList<qint64>{};
        QTest::newRow("clerk") << QString() << QString() << QString() << QString() << u"Anna"_s << QList<qint64>{6, 7};
        QTest::newRow("clerk and contract")
            << QString() << QString() << u"26/00001"_s << QString() << u"Anna"_s << QList<qint64>{7};
        QTest::newRow("person on a day") << today << today << QString() << u"7001011234"_s << QString()
                                         << QList<qint64>{2, 3, 7};
    }
    void queries()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, contract);
        QFETCH(QString, person);
        QFETCH(QString, clerk);
        QFETCH(QList<qint64>, seqs);
        addPerson(u"7001011234"_s, u"Kováč"_s);            // 2, after the genesis row
        addContract(u"26/00001"_s, u"7001011234"_s, 1000); // 3
        addItem(u"26/00001"_s, u"Prsteň"_s);               // 4
        addPerson(u"8002022345"_s, u"Nová"_s);             // 5
        m_store->setClerk(u"Anna"_s);
        addContract(u"26/00002"_s, u"8002022345"_s, 500); // 6
        {
            auto t = open(u"Zmluvy.DBF"_s, u"NUMBER"_s);
            QVERIFY(t->findKey(u"26/00001"_s));
            t->edit();
            t->field(u"BIRTHNUM"_s).setAsString(u"8002022345"_s); // 7: both persons
            t->post();
        }
        // The day the rows were written: the program's on SQLite, the server's on a server.
        const QDate day = Trail::read(*m_store, {}).constFirst().moment.date();
        const auto date = [&](const QString& which) {
            return which == u"today"_s       ? day
                   : which == u"tomorrow"_s  ? day.addDays(1)
                   : which == u"yesterday"_s ? day.addDays(-1)
                                             : QDate();
        };
        Trail::Query q;
        q.from = date(from);
        q.to = date(to);
        q.contract = contract;
        q.birthNumber = person;
        q.clerk = clerk;
        QList<qint64> found;
        for (const Trail::Row& r : Trail::read(*m_store, q))
            found << r.seq;
        QCOMPARE(found, seqs);
    }

    // The clerk and counter the program sets, and rows of its own: a long move's one row, a person named by key.
    void entriesOfTheProgram()
    {
        m_store->setClerk(u"Eva"_s);
        m_store->setCounter(u"pult/eva"_s);
        {
            const Trail::Bulk bulk(*m_store);
            Transaction transaction(*m_store);
            for (int i = 1; i <= 3; ++i)
                addContract(u"26/0000%1"_s.arg(i), u"7001011234"_s, 100 * i);
            Trail::record(*m_store, {Trail::Action::Import,
                                     u""_s,
                                     {},
                                     false,
                                     {},
                                     Trail::moveDetail(QDate(2020, 1, 1), QDate(2024, 12, 31), {{u"Zmluvy"_s, 3}},
                                                       {{u"source"_s, u"/media/stare"_s}})});
            transaction.commit();
        }
        Trail::record(*m_store, {Trail::Action::PersonalDataPrinted, u"Osoby"_s, u"7001011234"_s, true, {}, {}});
        const QList<Trail::Row> rows = since(1);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).action, u"import"_s);
        QCOMPARE(rows.at(0).clerk, u"Eva"_s);
        QCOMPARE(rows.at(0).counter, u"pult/eva"_s);
        QCOMPARE(rows.at(0).detail.value(u"counts"_s).toObject().value(u"Zmluvy"_s).toInt(), 3);
        QCOMPARE(rows.at(0).detail.value(u"from"_s).toString(), u"2020-01-01"_s);
        QCOMPARE(rows.at(0).detail.value(u"source"_s).toString(), u"/media/stare"_s);
        QCOMPARE(rows.at(1).action, u"personal-data-printed"_s);
        QCOMPARE(rows.at(1).key, u"7001011234"_s);
        Trail::Query person;
        person.birthNumber = u"7001011234"_s;
        QCOMPARE(Trail::read(*m_store, person).size(), 1);
        QCOMPARE(actionName(*Trail::actionOf(rows.at(1).action)), u"tlač osobných údajov"_s);
        addContract(u"26/00009"_s, u"7001011234"_s, 9); // after the scope, rows again
        QCOMPARE(rowCount(u"Zmeny"_s), 4);
    }

    // Two programs on one store writing in turn, each in transactions of its own: one chain without gaps.
    void programsTakingTurnsKeepOneChain()
    {
        Store other(m_location);
        Table mine(*m_store, u"Zmluvy.DBF"_s), theirs(other, u"Zmluvy.DBF"_s);
        mine.open();
        theirs.open();
        for (int i = 0; i < 6; ++i) {
            Table& t = i % 2 ? theirs : mine;
            Transaction transaction(t.store());
            for (int k = 0; k < 2; ++k) {
                t.append();
                t.field(u"NUMBER"_s).setAsString(u"26/%1"_s.arg(i * 2 + k, 5, 10, QChar(u'0')));
                t.post();
            }
            transaction.commit();
        }
        const Trail::Verdict v = Trail::verify(*m_store);
        QVERIFY2(v.ok(), qPrintable(v.why));
        QCOMPARE(v.intact, 13);
        QCOMPARE(v.lastSeq, 13);
    }

    // A store made before the trail, with nothing in it yet, gets its tables when it is opened, guards included;
    // the trail starts there with its genesis row.
    void olderStoreGetsTheTrail()
    {
        dropOwnTables();
        m_store = std::make_unique<Store>(m_location);
        for (const OwnTableDef& def : Schema::ownTables())
            QVERIFY2(m_store->connection().hasTable(def.name), qPrintable(def.name));
        QCOMPARE(trailLines(*m_store), QStringList{u"genesis —"_s + genesisDetail()});
        addContract(u"26/00002"_s, u"7001011234"_s, 2000);
        QCOMPARE(since(1).constFirst().seq, 2);
        QVERIFY_THROWS_EXCEPTION(StoreError, m_store->exec(u"DELETE FROM Zmeny"_s));
        QVERIFY(Trail::verify(*m_store).ok());
    }

    // What guards the trail, taken away behind the register's back: the store is refused at open naming it, verify
    // names it, and only restart begins a new trail, whose genesis row records the break and the old head.
    void missingGuardRefusesTheStore_data()
    {
        QTest::addColumn<QString>("engine"); // empty: both
        QTest::addColumn<QStringList>("sql");
        QTest::addColumn<QString>("named");
        const QString sqlite = u"sqlite"_s, server = u"server"_s;
        QTest::newRow("trail dropped") << QString() << QStringList{u"DROP TABLE Zmeny"_s} << u"tabuľka Zmeny"_s;
        QTest::newRow("update trigger dropped")
            << sqlite << QStringList{u"DROP TRIGGER Zmeny_no_update"_s} << u"spúšťač Zmeny_no_update"_s;
        QTest::newRow("delete trigger lets rows go")
            << sqlite
            << QStringList{u"DROP TRIGGER Zmeny_no_delete"_s,
                           u"CREATE TRIGGER Zmeny_no_delete BEFORE DELETE ON Zmeny BEGIN SELECT 1; END"_s}
            << u"spúšťač Zmeny_no_delete"_s;
        QTest::newRow("trigger dropped") << server << QStringList{u"DROP TRIGGER zmeny_append_only ON zmeny"_s}
                                         << u"spúšťač zmeny_append_only"_s;
        QTest::newRow("trigger disabled")
            << server << QStringList{u"ALTER TABLE zmeny DISABLE TRIGGER zmeny_no_truncate"_s}
            << u"spúšťač zmeny_no_truncate"_s;
        QTest::newRow("rule disabled") << server << QStringList{u"ALTER TABLE zmeny DISABLE RULE zmeny_no_delete"_s}
                                       << u"pravidlo zmeny_no_delete"_s;
        QTest::newRow("update granted") << server << QStringList{u"GRANT UPDATE ON zmeny TO PUBLIC"_s}
                                        << u"obmedzenie práv k tabuľke zmeny"_s;
    }
    void missingGuardRefusesTheStore()
    {
        QFETCH(QString, engine);
        QFETCH(QStringList, sql);
        QFETCH(QString, named);
        if (!engine.isEmpty() && (engine == u"server"_s) != m_store->isServer()) QSKIP("a guard of the other engine");
        addContract(u"26/00001"_s, u"7001011234"_s, 1000);
        const QString head = Trail::head(*m_store);
        const QJsonValue id = Trail::read(*m_store, {}).constFirst().detail.value(u"store"_s);
        for (const QString& statement : std::as_const(sql))
            m_store->exec(statement);
        m_store.reset();
        try {
            Store refused(m_location);
            QFAIL("the store opened");
        } catch (const StoreError& e) {
            const QString text = errorText(e);
            QVERIFY2(text.contains(named) && text.contains(u"audit-restart"_s), qPrintable(text));
        }
        Store repair(m_location, Store::TrailMissing::Allowed);
        QVERIFY(!Trail::verify(repair).ok());
        const QString missing = missingText(Trail::missingGuards(repair));
        QVERIFY(missing.contains(named));
        const bool dropped = named == u"tabuľka Zmeny"_s;
        QCOMPARE(Trail::restart(repair, missing).isEmpty(), dropped);

        m_store = std::make_unique<Store>(m_location);
        const Trail::Verdict v = Trail::verify(*m_store);
        QVERIFY2(v.ok(), qPrintable(v.why + missingText(v.missing)));
        const QList<Trail::Row> rows = Trail::read(*m_store, {});
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().action, u"genesis"_s);
        QVERIFY(rows.first().detail.value(u"break"_s).toString().contains(named));
        QCOMPARE(rows.first().detail.value(u"previous"_s).toString(), dropped ? QString() : head);
        QCOMPARE(rows.first().detail.value(u"store"_s) == id, !dropped); // the old trail names the store
        QCOMPARE(rowCount(u"Zmluvy"_s), 1);
    }

    // The repro of a rewrite by whoever holds the store: guards dropped, rows changed or removed, the chain
    // recomputed, the guards put back. The chain alone cannot show it; the seals checked with the owner's first
    // key, and the head noted before, do. Stripped seals show even without the key.
    void sealsAndHeadShowARewrite_data()
    {
        QTest::addColumn<QString>("rewrite");
        QTest::addColumn<qint64>("byChain"); // the row each check names (0: none)
        QTest::addColumn<qint64>("byKey");
        QTest::addColumn<qint64>("byHead");
        // 1 genesis, 2 a contract, 3 sealed, 4 to 6 three contracts.
        QTest::newRow("nothing") << QString() << qint64(0) << qint64(0) << qint64(0);
        QTest::newRow("another key") << u"key"_s << qint64(0) << qint64(3) << qint64(0);
        QTest::newRow("sealed row edited") << u"edit 4"_s << qint64(0) << qint64(4) << qint64(6);
        QTest::newRow("row before sealing edited") << u"edit 2"_s << qint64(0) << qint64(3) << qint64(6);
        QTest::newRow("newest row deleted") << u"delete 6"_s << qint64(0) << qint64(0) << qint64(6);
        QTest::newRow("seals stripped") << u"strip"_s << qint64(3) << qint64(3) << qint64(3);
    }
    void sealsAndHeadShowARewrite()
    {
        QFETCH(QString, rewrite);
        addContract(u"26/00001"_s, u"7001011234"_s, 1000);
        QByteArray key = Trail::seal(*m_store);
        QCOMPARE(key.size(), 32);
        QVERIFY_THROWS_EXCEPTION(StoreError, Trail::seal(*m_store)); // once per trail
        for (int i = 2; i <= 4; ++i)
            addContract(u"26/0000%1"_s.arg(i), u"7001011234"_s, 1000 * i);
        const QString head = Trail::head(*m_store);
        QCOMPARE(head.section(u':', 0, 0), u"6"_s);
        // The store keeps one key, the next row's: not the first one.
        QCOMPARE(TestBackend::rows(*m_store, u"SELECT SKEY FROM Pecat"_s, 1).size(), 1);
        QVERIFY(!TestBackend::rows(*m_store, u"SELECT SKEY FROM Pecat"_s, 1)
                     .first()
                     .contains(QString::fromLatin1(key.toHex())));

        const qint64 at = rewrite.section(u' ', 1).toLongLong();
        if (rewrite == u"key"_s) key.fill('k');
        if (!rewrite.isEmpty() && rewrite != u"key"_s) {
            dropGuards();
            if (rewrite.startsWith(u"edit"_s))
                m_store->exec(u"UPDATE Zmeny SET DETAIL = REPLACE(DETAIL, '000', '00') WHERE SEQ = %1"_s.arg(at));
            if (rewrite.startsWith(u"delete"_s)) m_store->exec(u"DELETE FROM Zmeny WHERE SEQ = %1"_s.arg(at));
            if (rewrite == u"strip"_s) m_store->exec(u"UPDATE Zmeny SET SEAL = ''"_s);
            rechain();
            restoreGuards();
        }
        QFETCH(qint64, byChain);
        QFETCH(qint64, byKey);
        QFETCH(qint64, byHead);
        QCOMPARE(Trail::verify(*m_store).badSeq, byChain);
        Trail::Anchors withKey;
        withKey.firstKey = key;
        const Trail::Verdict sealed = Trail::verify(*m_store, withKey);
        QVERIFY2(sealed.badSeq == byKey, qPrintable(sealed.why));
        QVERIFY(sealed.missing.isEmpty());
        Trail::Anchors noted;
        noted.expectSeq = 6;
        noted.expectHash = head.section(u':', 1);
        QCOMPARE(Trail::verify(*m_store, noted).badSeq, byHead);
    }

    // On the server the trail belongs to the role that made the store; the counters' role may add and read rows
    // and nothing else: neither disable a guard nor drop the table.
    void counterCannotUndoTheGuards_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("disable the trigger") << u"ALTER TABLE zmeny DISABLE TRIGGER zmeny_append_only"_s;
        QTest::newRow("disable a rule") << u"ALTER TABLE zmeny DISABLE RULE zmeny_no_update"_s;
        QTest::newRow("drop the table") << u"DROP TABLE zmeny"_s;
        QTest::newRow("drop the trigger") << u"DROP TRIGGER zmeny_no_truncate ON zmeny"_s;
        QTest::newRow("rename the table") << u"ALTER TABLE zmeny RENAME TO stare"_s;
        QTest::newRow("update a row") << u"UPDATE zmeny SET clerk = 'x'"_s;
        QTest::newRow("truncate") << u"TRUNCATE zmeny"_s;
    }
    void counterCannotUndoTheGuards()
    {
        QFETCH(QString, sql);
        if (!m_store->isServer()) QSKIP("roles of a server");
        const QString role = u"counter%1"_s.arg(QCoreApplication::applicationPid());
        if (m_store->scalar(u"SELECT COUNT(*) FROM pg_roles WHERE rolname = ?"_s, {role}).toLongLong() == 0)
            m_store->exec(u"CREATE ROLE "_s + role + u" LOGIN"_s);
        m_store.reset();
        const QString location = TestBackend::freshLocation(m_dir.path());
        Store::createEmpty(location, Store::Genesis::Written, role);
        Store counter(QString(location).replace(u"user=mervana"_s, u"user="_s + role));
        Table contracts(counter, u"Zmluvy.DBF"_s);
        contracts.open();
        contracts.append();
        contracts.field(u"NUMBER"_s).setAsString(u"26/00001"_s);
        contracts.post(); // its row in the trail, as the counter
        QVERIFY_THROWS_EXCEPTION(StoreError, counter.exec(sql));
        const Trail::Verdict v = Trail::verify(counter);
        QVERIFY2(v.ok(), qPrintable(v.why + missingText(v.missing)));
        QCOMPARE(v.intact, 2);
    }
};

QTEST_GUILESS_MAIN(TestTrail)
#include "tst_trail.moc"
