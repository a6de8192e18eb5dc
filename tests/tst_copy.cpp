#include "RunAdmin.h"
#include "StoreDump.h"
#include "TestBackend.h"
#include "core/ErrorText.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/admin/StoreCopy.h"
#include "store/engine/Errors.h"
#include "tools/DemoData.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

// A shop moving from its SQLite file onto a server and back (without a server: into another file), through
// mervana-admin copy as the shop runs it.
class TestCopy : public QObject
{
    Q_OBJECT

    QString demoStore(const QTemporaryDir& tmp, const QString& name)
    {
        const QString dir = tmp.filePath(name);
        Store::createEmpty(dir);
        Store store(dir);
        DemoData::fill(store, 1, QDate(2026, 12, 8));
        return dir;
    }

    static int contracts(const QString& location)
    {
        Store store(location);
        Table t(store, u"Zmluvy.DBF"_s);
        t.open();
        return t.recordCount();
    }

private Q_SLOTS:
    // Every record comes back with its row id and its values as stored, and the counts are printed.
    void roundTrip()
    {
        QTemporaryDir tmp;
        const QString shop = demoStore(tmp, u"Shop"_s);
        const QString middle = TestBackend::freshLocation(tmp.filePath(u"Middle"_s));
        const QString back = tmp.filePath(u"Back"_s);
        const AdminRun there = runAdmin({u"copy"_s, shop, middle});
        QVERIFY2(there.status == 0, qPrintable(there.err));
        QVERIFY2(there.out.contains(u"Zmluvy.DBF: 300\n"_s), qPrintable(there.out));
        const AdminRun again = runAdmin({u"copy"_s, middle, back});
        QVERIFY2(again.status == 0, qPrintable(again.err));
        QCOMPARE(again.out.section(u'\n', 0, 7), there.out.section(u'\n', 0, 7));
        QCOMPARE(StoreDump::store(back), StoreDump::store(shop));
        // New records get row ids after the copied ones.
        Store copied(middle);
        Table t(copied, u"Osoby.DBF"_s);
        t.open();
        const int before = t.recordCount();
        t.append();
        t.field(u"BIRTHNUM"_s).setAsString(u"9912319999"_s);
        t.post();
        QCOMPARE(t.recordCount(), before + 1);
    }

    // A store that holds records is never copied into, and stays as it was.
    void refusesStoreWithRecords()
    {
        QTemporaryDir tmp;
        const QString shop = demoStore(tmp, u"Shop"_s);
        const QString other = demoStore(tmp, u"Other"_s);
        const QString middle = TestBackend::freshLocation(tmp.filePath(u"Middle"_s));
        QCOMPARE(runAdmin({u"copy"_s, other, middle}).status, 0);
        const AdminRun refused = runAdmin({u"copy"_s, shop, middle});
        QCOMPARE(refused.status, 1);
        QVERIFY2(refused.err.contains(u"holds records already"_s), qPrintable(refused.err));
        QCOMPARE(contracts(middle), 300);
    }

    // Another program's pass (mervana-admin search, its own process) marks goods while this one holds marks
    // of its own: on a server each keeps its own; a store file has one counter, whose marks are the records'.
    void marksOfAnotherProgram()
    {
        QTemporaryDir tmp;
        const QString shop = demoStore(tmp, u"Shop"_s);
        const QString location = TestBackend::freshLocation(tmp.filePath(u"Counter"_s));
        QCOMPARE(runAdmin({u"copy"_s, shop, location}).status, 0);
        Store store(location);
        const TableDef& goods = store.table(u"Inventar.DBF"_s);
        store.markWhere(goods, u"CASE WHEN a.SUBJECT LIKE 'Zlat%' THEN 1 ELSE 0 END"_s);
        const int mine = store.scalar(u"SELECT COUNT(*) FROM Inventar WHERE WRK = 1"_s).toInt();
        QVERIFY(mine > 0);
        const AdminRun search = runAdmin({u"search"_s, location, u"NOTEBOOK"_s});
        QVERIFY2(search.status == 0, qPrintable(search.err));
        const int theirs = int(search.out.count(u'\n'));
        QVERIFY(theirs > 0);
        store.touchAll();
        const int now = store.scalar(u"SELECT COUNT(*) FROM Inventar WHERE WRK = 1"_s).toInt();
        QCOMPARE(now, TestBackend::onServer() ? mine : theirs);
    }

    // A copy that stops halfway leaves nothing: the store it created is gone again.
    void allOrNothing_data()
    {
        QTest::addColumn<bool>("cancel"); // false: a contract number twice in the source
        QTest::newRow("cancelled after the first batch") << true;
        QTest::newRow("a number the server refuses") << false;
    }
    void allOrNothing()
    {
        QFETCH(bool, cancel);
        QTemporaryDir tmp;
        const QString shop = demoStore(tmp, u"Shop"_s);
        const QString middle = TestBackend::freshLocation(tmp.filePath(u"Middle"_s));
        if (!cancel) {
            if (!TestBackend::onServer()) QSKIP("A store file keeps whatever numbers it is given");
            Store store(shop);
            Table t(store, u"Zmluvy.DBF"_s);
            t.open();
            const QString number = t.field(u"NUMBER"_s).asString();
            t.last();
            t.edit();
            t.field(u"NUMBER"_s).setAsString(number);
            t.post();
        }
        int batches = 0;
        bool inside = true;
        try {
            StoreCopy::copy(shop, middle, [&](qint64 done, qint64 total) {
                ++batches;
                inside = inside && done > 0 && done <= total;
                return !cancel;
            });
            QFAIL("the copy went through");
        } catch (const StoreError& e) {
            QVERIFY2(cancel ? e.text() == u"Copy cancelled"_s : errorText(e).contains(u"už v registri je"_s),
                     qPrintable(e.text()));
        }
        QVERIFY(!cancel || batches == 1);
        QVERIFY(inside);
        QVERIFY(!Store::exists(middle));
        // Nothing stands in the way of the next try.
        QCOMPARE(runAdmin({u"copy"_s, shop, middle}).status, cancel ? 0 : 1);
    }
};

QTEST_GUILESS_MAIN(TestCopy)
#include "tst_copy.moc"
