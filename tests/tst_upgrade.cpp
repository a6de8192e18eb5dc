#include "StoreDump.h"
#include "TestBackend.h"
#include "TrailLines.h"
#include "core/ErrorText.h"
#include "store/Store.h"
#include "store/Upgrade.h"
#include "store/engine/Errors.h"
#include "store/engine/Schema.h"
#include "store/engine/Statement.h"
#include "store/trail/Trail.h"
#include "support/Records.h"

#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString Birth = u"7001011234"_s;

// Version 0, made before the store's own tables: no clerks, trail, person keys or version.
void beforeTheTrail(Store& store)
{
    for (const OwnTableDef& def : Schema::ownTables())
        if (def.copiedAsStored) store.exec(u"DROP TABLE "_s + def.name);
    if (store.isServer()) store.exec(u"DROP FUNCTION mervana_append_only(), mervana_trail_refuse()"_s);
    store.exec(u"DROP TABLE "_s + Schema::versionTable());
}

// The store's schema as its engine tells it: tables, columns, indexes and triggers, without the names of the
// server's schema, which differ between two stores.
QStringList schemaOf(Store& store)
{
    const QString sql =
        store.isServer()
            ? u"SELECT table_name || '.' || column_name || ' ' || data_type || ' ' || is_nullable FROM "
              u"information_schema.columns WHERE table_schema = current_schema() UNION ALL "
              u"SELECT replace(indexdef, current_schema() || '.', '') FROM pg_indexes WHERE schemaname = "
              u"current_schema() UNION ALL SELECT c.relname || ' ' || t.tgname FROM pg_trigger t JOIN pg_class c ON "
              u"c.oid = t.tgrelid WHERE c.relnamespace = current_schema()::regnamespace AND NOT t.tgisinternal"_s
            : u"SELECT type || ' ' || name || ' ' || IFNULL(sql, '') FROM sqlite_master"_s;
    StatementUse q = store.statement(sql);
    q.exec();
    QStringList lines;
    while (q.next())
        lines << q.value(0).toString();
    lines.sort();
    return lines;
}

} // namespace

class TestUpgrade : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString freshStore(const QString& name)
    {
        const QString location = TestBackend::freshLocation(m_dir.filePath(name));
        Store::createEmpty(location);
        return location;
    }

private Q_SLOTS:
    // Each step from the version before it: a store as that version left it (the newest made older by sql, at
    // version `from`; -1: no version table, as the program before versions left it) opens at the newest version,
    // with the schema of a new store, its records, trail and person keys as they were, and a trail that goes on.
    void fromOlderVersion_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("records");   // the store holds a person and a contract
        QTest::addColumn<QString>("engine"); // empty: both
        QTest::addColumn<QStringList>("sql");
        const QString pecat = u"DROP TABLE Pecat"_s, seal = u"ALTER TABLE Zmeny DROP COLUMN SEAL"_s;
        QTest::newRow("0, before the trail") << 0 << false << QString() << QStringList();
        QTest::newRow("0, the program before versions") << -1 << true << QString() << QStringList();
        QTest::newRow("1, before the seal") << 1 << true << QString() << QStringList{pecat, seal};
        QTest::newRow("2, before the server's rules")
            << 2 << true << u"server"_s
            << QStringList{u"DROP RULE zmeny_no_update ON zmeny"_s, u"DROP RULE zmeny_no_delete ON zmeny"_s,
                           u"DROP FUNCTION mervana_trail_refuse()"_s};
        QTest::newRow("3, keys found by the birth number")
            << 3 << true << QString()
            << QStringList{u"CREATE TABLE Kluce0 (BIRTHNUM TEXT PRIMARY KEY, PKEY TEXT NOT NULL)"_s,
                           u"INSERT INTO Kluce0 SELECT '%1', PKEY FROM Kluce"_s.arg(Birth), u"DROP TABLE Kluce"_s,
                           u"ALTER TABLE Kluce0 RENAME TO Kluce"_s, u"DROP TABLE Tajomstvo"_s};
        QTest::newRow("4, before the settings") << 4 << true << QString() << QStringList{u"DROP TABLE Nastavenia"_s};
        QTest::newRow("5, a trail without its genesis row") << 5 << false << QString() << QStringList{u"trail"_s};
    }

    void fromOlderVersion()
    {
        QFETCH(int, from);
        QFETCH(bool, records);
        QFETCH(QString, engine);
        QFETCH(QStringList, sql);
        const QString location = freshStore(QString::fromUtf8(QTest::currentDataTag()));
        auto store = std::make_unique<Store>(location);
        if (!engine.isEmpty() && (engine == u"server"_s) != store->isServer()) QSKIP("the other engine's step");
        if (records) {
            Records::write(*store, u"Osoby.DBF"_s, {{u"BIRTHNUM"_s, Birth}, {u"LASTNAME"_s, u"Kováč"_s}});
            Records::write(*store, u"Zmluvy.DBF"_s, {{u"NUMBER"_s, u"26/00001"_s}, {u"BIRTHNUM"_s, Birth}});
        }
        Trail::Query person;
        person.birthNumber = Birth;
        const qint64 personRows = Trail::read(*store, person).size();
        const qint64 trailRows = records ? trailEnd(*store) : 1;
        if (from == 0) beforeTheTrail(*store);
        for (const QString& s : std::as_const(sql)) {
            if (s != u"trail"_s) {
                store->exec(s);
                continue;
            }
            store->exec(u"DROP TABLE Zmeny"_s); // the guards refuse its rows' deletion
            for (const QString& made : Schema::createSql(store->connection().engine(), *Schema::ownTable(u"Zmeny"_s)))
                store->exec(made);
        }
        if (from < 0) store->exec(u"DROP TABLE "_s + Schema::versionTable());
        if (from > 0) store->scalar(Schema::setVersionSql(), {from});
        const QStringList dump = StoreDump::store(location);

        store = std::make_unique<Store>(location);
        QCOMPARE(Upgrade::version(*store), Upgrade::newest());
        Store fresh(freshStore(u"fresh"_s + QString::fromUtf8(QTest::currentDataTag())));
        QCOMPARE(schemaOf(*store), schemaOf(fresh));
        QCOMPARE(StoreDump::store(location), dump);
        QCOMPARE(trailEnd(*store), trailRows);
        QCOMPARE(Trail::read(*store, person).size(), personRows);
        Records::write(*store, u"Zmluvy.DBF"_s, {{u"NUMBER"_s, u"26/00002"_s}, {u"BIRTHNUM"_s, Birth}});
        QCOMPARE(trailEnd(*store), trailRows + 1);
        QCOMPARE(Trail::read(*store, person).size(), personRows + 1);
        const Trail::Verdict v = Trail::verify(*store);
        QVERIFY2(v.ok(), qPrintable(v.why));
        QVERIFY_THROWS_EXCEPTION(StoreError, store->exec(u"DELETE FROM Zmeny"_s));
    }

    // A store of the program before versions whose trail was dropped while it held records: the upgrade makes no
    // new trail, and the store stays refused once it is at the newest version.
    void droppedTrailStaysRefused()
    {
        const QString location = freshStore(u"dropped"_s);
        {
            Store store(location);
            Records::write(store, u"Zmluvy.DBF"_s, {{u"NUMBER"_s, u"26/00001"_s}});
            store.exec(u"DROP TABLE Zmeny"_s);
            store.exec(u"DROP TABLE "_s + Schema::versionTable());
        }
        for (int open = 0; open < 2; ++open)
            QVERIFY_THROWS_EXCEPTION(Trail::TrailUnguarded, Store{location});
        Store store(location, Store::TrailMissing::Allowed);
        QCOMPARE(Upgrade::version(store), Upgrade::newest());
        QVERIFY(!store.connection().hasTable(u"Zmeny"_s));
    }

    // Two programs opening an older store at once: one runs each step, the other waits and finds it done.
    void openedTwiceAtOnce()
    {
        const QString location = freshStore(u"twice"_s);
        beforeTheTrail(*std::make_unique<Store>(location));
        QStringList errors(2);
        std::unique_ptr<QThread> first(QThread::create([&] {
            try {
                Store s(location);
            } catch (const StoreError& e) {
                errors[0] = e.text();
            }
        }));
        first->start();
        try {
            Store s(location);
        } catch (const StoreError& e) {
            errors[1] = e.text();
        }
        first->wait();
        QCOMPARE(errors, QStringList(2));
        Store store(location);
        QCOMPARE(Upgrade::version(store), Upgrade::newest());
        QCOMPARE(store.scalar(u"SELECT COUNT(*) FROM "_s + Schema::versionTable()).toInt(), 1);
    }

    // A store that a newer program brought further is not written by this one.
    void newerStoreRefused()
    {
        const QString location = freshStore(u"newer"_s);
        {
            Store store(location);
            store.scalar(Schema::setVersionSql(), {Upgrade::newest() + 1});
        }
        try {
            Store refused(location);
            QFAIL("a newer store opened");
        } catch (const StoreError& e) {
            // The clerk reads both versions, in Slovak.
            const QString text = errorText(e);
            QVERIFY2(text.contains(u"novšej verzie (%1), než akú tento program pozná (%2)"_s.arg(Upgrade::newest() + 1)
                                       .arg(Upgrade::newest())),
                     qPrintable(text));
        }
    }
};

QTEST_GUILESS_MAIN(TestUpgrade)
#include "tst_upgrade.moc"
