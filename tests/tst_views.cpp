#include "FreshProgram.h"
#include "app/Main.h"
#include "app/StartProgram.h"
#include "core/Shop.h"
#include "core/StateQueries.h"
#include "store/Clock.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/Transaction.h"
#include "store/admin/EngineConfig.h"
#include "tools/DemoData.h"
#include "widgets/Messages.h"
#include "windows/register/Inventar.h"
#include "windows/register/Zmluvy.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenuBar>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <functional>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {
const QDate Today(2026, 12, 7);
}

class TestViews : public QObject
{
    Q_OBJECT

    FreshProgram m_program;
    TForm1* m_main = nullptr;

    struct Contract
    {
        QString number;
        int untilDays; // relative to today; 999 = empty
        bool retent = false;
        QList<int> extensionDays = {};
        bool paid = false;
        bool padak = false;
        QString birth = u"7801011234"_s;
    };

    void add(const Contract& c)
    {
        Table t(m_main->shop().store(), u"Zmluvy.DBF"_s);
        t.open();
        t.append();
        t.field(u"NUMBER"_s).setAsString(c.number);
        t.field(u"BIRTHNUM"_s).setAsString(c.birth);
        if (c.untilDays != 999) t.field(u"UNTIL"_s).setAsDate(Today.addDays(c.untilDays));
        t.field(u"RETENT"_s).setAsBoolean(c.retent);
        t.field(u"PAID"_s).setAsBoolean(c.paid);
        t.field(u"PADAK"_s).setAsBoolean(c.padak);
        t.post();
        Table e(m_main->shop().store(), u"Predlz.DBF"_s);
        e.open();
        for (int days : c.extensionDays) {
            e.append();
            e.field(u"NUMBER"_s).setAsString(c.number);
            e.field(u"X_UNTIL"_s).setAsDate(Today.addDays(days));
            e.post();
        }
    }

    void addItem(const QString& number, bool wrk)
    {
        Table g(m_main->shop().store(), u"Inventar.DBF"_s);
        g.open();
        g.append();
        g.field(u"NUMBER"_s).setAsString(number);
        g.field(u"SUBJECT"_s).setAsString(u"vec "_s + number);
        g.field(u"WRK"_s).setAsBoolean(wrk);
        g.post();
    }

    static QSet<QString> shown(Table& t, const QString& field)
    {
        QSet<QString> out;
        for (t.first(); !t.eof(); t.next())
            out << t.field(field).asString();
        return out;
    }

    // Marked records read straight from the store, whatever a view shows.
    QSet<QString> marked(const QString& file, const QString& field)
    {
        Table t(m_main->shop().store(), file);
        t.open();
        t.setFilter(u"WRK = True"_s);
        t.setFiltered(true);
        return shown(t, field);
    }

    QSet<qint64> markedRows(const QString& file)
    {
        Table t(m_main->shop().store(), file);
        t.open();
        t.setFilter(u"WRK = True"_s);
        t.setFiltered(true);
        QSet<qint64> out;
        for (t.first(); !t.eof(); t.next())
            out << t.rowId();
        return out;
    }

    void edgeCases()
    {
        add({u"26/00001"_s, 0});                         // due today
        add({u"26/00002"_s, -1});                        // due yesterday
        add({u"26/00003"_s, -1, true, {0}});             // extension ends today
        add({u"26/00004"_s, -1, true, {-1}});            // every extension ended
        add({u"26/00005"_s, -1, true, {}});              // extended, no extension record
        add({u"26/00006"_s, 1, false, {}, true});        // paid, due tomorrow
        add({u"26/00007"_s, -1, false, {}, true, true}); // paid and forfeited
        add({u"26/00008"_s, 999});                       // no due date
        add({u"26/00009"_s, -5, true, {-4, 3, -2}});     // a later extension still runs
        add({u"26/00010"_s, -3, false, {}, false, false, u"5555"_s});
    }

private Q_SLOTS:
    void init()
    {
        m_main = m_program.start(Today);
        QVERIFY(m_main);
    }

    void cleanup()
    {
        m_program.stop();
        m_main = nullptr;
    }

    void contractViews_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("numbers");
        QTest::newRow("current") << 1 << QStringList{u"26/00001"_s, u"26/00003"_s, u"26/00009"_s};
        QTest::newRow("expired") << 2 << QStringList{u"26/00002"_s, u"26/00004"_s, u"26/00008"_s, u"26/00010"_s};
        QTest::newRow("paid") << 3 << QStringList{u"26/00006"_s};
        QTest::newRow("forfeited") << 4 << QStringList{u"26/00007"_s};
        QTest::newRow("extended") << 5 << QStringList{u"26/00003"_s, u"26/00004"_s, u"26/00005"_s, u"26/00009"_s};
    }
    void contractViews()
    {
        QFETCH(int, mode);
        QFETCH(QStringList, numbers);
        edgeCases();
        Table& t = *m_main->form2()->Table1;
        m_main->shop().FilterMode = mode;
        m_main->shop().FilterContracts(t);
        QVERIFY(t.filtered());
        QCOMPARE(shown(t, u"NUMBER"_s), QSet<QString>(numbers.begin(), numbers.end()));
        // Whatever order the pass visits them in, the view is shown along the NUMBER tag.
        QCOMPARE(t.indexName(), u"NUMBER"_s);
        QStringList inOrder;
        for (t.first(); !t.eof(); t.next())
            inOrder << t.field(u"NUMBER"_s).asString();
        QStringList descending = inOrder;
        std::sort(descending.begin(), descending.end(), std::greater<>());
        QCOMPARE(inOrder, descending);
    }

    // A pass that meets many extended contracts past their due date (on a server it reads their extensions in
    // one walk after the first few look-ups): each contract and its goods get the mark of its extensions.
    void manyExtendedContracts_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("remainder"); // of the numbers marked, divided by 3
        QTest::newRow("current") << 1 << 0;
        QTest::newRow("expired") << 2 << 1;
    }
    void manyExtendedContracts()
    {
        QFETCH(int, mode);
        QFETCH(int, remainder);
        QSet<QString> expected;
        {
            Transaction tx(m_main->shop().store());
            for (int i = 1; i <= 200; ++i) {
                const QString number = u"26/%1"_s.arg(i, 5, 10, QChar(u'0'));
                // An extension still running, only ended ones, or none at all.
                const QList<QList<int>> extensions{{-4, 2}, {-1, -3}, {}};
                add({number, -5, true, extensions.at(i % 3)});
                addItem(number, false);
                if (i % 3 == remainder) expected << number;
            }
            tx.commit();
        }
        m_main->shop().FilterMode = mode;
        Table& contracts = *m_main->form2()->Table1;
        m_main->shop().FilterContracts(contracts);
        QCOMPARE(shown(contracts, u"NUMBER"_s), expected);
        Table& goods = *m_main->form4()->Table1;
        m_main->shop().FilterGoods(goods);
        QCOMPARE(shown(goods, u"NUMBER"_s), expected);
    }

    void otherModesChangeNothing()
    {
        edgeCases();
        Table& t = *m_main->form2()->Table1;
        t.setFilter(u"PADAK = true"_s);
        t.setFiltered(true);
        for (int mode : {7, -1, 42}) {
            m_main->shop().FilterMode = mode;
            m_main->shop().FilterContracts(t);
            m_main->shop().FilterGoods(*m_main->form4()->Table1);
            QCOMPARE(t.filter(), u"PADAK = true"_s);
            QVERIFY(t.filtered());
        }
        m_main->shop().FilterMode = 0;
        m_main->shop().FilterContracts(t);
        QVERIFY(!t.filtered());
        QCOMPARE(t.recordCount(), 10);
    }

    void expiredOfOnePerson_data()
    {
        QTest::addColumn<QString>("birth");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QStringList>("numbers");
        QTest::newRow("with expired") << u"5555"_s << true << QStringList{u"26/00010"_s};
        QTest::newRow("none expired") << u"0000"_s << false << QStringList{};
    }
    void expiredOfOnePerson()
    {
        QFETCH(QString, birth);
        QFETCH(bool, found);
        QFETCH(QStringList, numbers);
        edgeCases();
        Table t(m_main->shop().store(), u"Zmluvy.DBF"_s);
        t.open();
        m_main->shop().FilterMode = 6;
        m_main->shop().ExpiredFound = !found;
        m_main->shop().FilterContracts(t, birth);
        QCOMPARE(m_main->shop().ExpiredFound, found);
        QCOMPARE(shown(t, u"NUMBER"_s), QSet<QString>(numbers.begin(), numbers.end()));
    }

    // A pass that fails halfway leaves no marks behind and gives the frame back.
    void failedPassRollsBack()
    {
        edgeCases();
        TestBackend::refuse(m_main->shop().store(), u"UPDATE OF WRK"_s, u"Zmluvy"_s, u"NUMBER"_s, u"26/00003"_s);
        Messages::takeShown();
        m_main->action(u"Aktulne1"_s)->trigger();
        const auto shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().kind, Messages::Kind::Error);
        QVERIFY2(shown.first().text.contains(u"disk I/O error"_s), qPrintable(shown.first().text));
        QVERIFY(marked(u"Zmluvy.DBF"_s, u"NUMBER"_s).isEmpty());     // 26/00009 was marked before the failure
        QCOMPARE(m_main->form2()->Table1->indexName(), u"NUMBER"_s); // read in record order, back on its tag
        QCOMPARE(m_main->form2()->Table1->state(), Table::State::Browse);
        QVERIFY(m_main->menuBar()->isEnabled());
        QVERIFY(m_main->mdiArea()->isEnabled());
        TestBackend::allow(m_main->shop().store());
        m_main->action(u"Aktulne1"_s)->trigger();
        QCOMPARE(marked(u"Zmluvy.DBF"_s, u"NUMBER"_s), (QSet<QString>{u"26/00001"_s, u"26/00003"_s, u"26/00009"_s}));
    }

    void emptyTableGivesEmptyView()
    {
        Table& t = *m_main->form2()->Table1;
        m_main->shop().FilterMode = 2;
        m_main->shop().FilterContracts(t);
        QVERIFY(t.isEmpty());
        QCOMPARE(m_main->shop().Table1->recordCount(), 0);
    }

    void goodsViews()
    {
        edgeCases();
        addItem(u"26/00001"_s, false); // current
        addItem(u"26/00002"_s, true);  // expired
        addItem(u"26/00001"_s, false); // stored apart from its contract's first item
        addItem(u"26/00006"_s, true);  // paid: no mark
        addItem(u"99/99999"_s, true);  // no contract: keeps its mark
        addItem(u"98/99999"_s, false); // no contract: keeps having none
        Table& t = *m_main->form4()->Table1;
        // A for-sale view first must not hide anything from the next pass.
        m_main->shop().FilterMode = 3;
        m_main->shop().FilterGoods(t);
        m_main->shop().FilterMode = 1;
        m_main->shop().FilterGoods(t);
        QCOMPARE(marked(u"Inventar.DBF"_s, u"NUMBER"_s), (QSet<QString>{u"26/00001"_s, u"99/99999"_s}));
        QCOMPARE(t.recordCount(), 3);
        QCOMPARE(m_main->shop().Table1->indexName(), u"NUMBER"_s);
        m_main->shop().FilterMode = 2;
        m_main->shop().FilterGoods(t);
        QCOMPARE(marked(u"Inventar.DBF"_s, u"NUMBER"_s), (QSet<QString>{u"26/00002"_s, u"99/99999"_s}));
    }

    // The passes and one SQL statement per state mark the same records on a mixed data set.
    void passesAgreeWithStatements()
    {
        DemoData::fill(m_main->shop().store(), 1, Today);
        const struct
        {
            bool goods;
            int mode;
        } cases[] = {{false, 1}, {false, 2}, {false, 6}, {true, 1}, {true, 2}};
        Table contracts(m_main->shop().store(), u"Zmluvy.DBF"_s);
        contracts.open();
        contracts.setIndexName(u"NUMBER"_s);
        const QString someone = contracts.field(u"BIRTHNUM"_s).asString();
        for (const auto& c : cases) {
            const QString file = c.goods ? u"Inventar.DBF"_s : u"Zmluvy.DBF"_s;
            Table t(m_main->shop().store(), file);
            t.open();
            m_main->shop().FilterMode = c.mode;
            if (c.goods)
                m_main->shop().FilterGoods(t);
            else
                m_main->shop().FilterContracts(t, someone);
            const QSet<qint64> byPass = markedRows(file);
            const int passCount = t.recordCount();
            if (c.goods)
                StateQueries::MarkGoods(m_main->shop().store(), c.mode, Today);
            else
                StateQueries::MarkContracts(m_main->shop().store(), c.mode, Today, someone);
            const QSet<qint64> bySql = markedRows(file);
            QCOMPARE(bySql, byPass);
            QCOMPARE(t.recordCount(), passCount);
            QVERIFY2(c.mode == 6 || passCount > 0, "a state nobody is in proves nothing");
        }
    }
};

QTEST_MAIN(TestViews)
#include "TestBackend.h"
#include "tst_views.moc"
