#include "FreshProgram.h"
#include "app/Main.h"
#include "core/Shop.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/Transaction.h"
#include "widgets/Messages.h"
#include "windows/services/Archiv.h"
#include "windows/services/Obeh.h"
#include "windows/services/PoctyViet.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSqlQuery>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {
const QDate Today(2026, 12, 7);
}

class TestStatistics : public QObject
{
    Q_OBJECT

    FreshProgram m_program;
    TForm1* m_main = nullptr;
    int m_contracts = 0;

    Store& store() { return m_main->shop().store(); }

    void exec(const QString& sql) { store().exec(sql); }

    // "1000 paid forfeited": the amount and the flags that are set.
    void addContract(const QString& description)
    {
        const QStringList words = description.split(u' ');
        // Numbers of their own: a server keeps them unique.
        exec(u"INSERT INTO Zmluvy (NUMBER, AMOUNT, PAID, PADAK) VALUES ('26/%4', %1, %2, %3)"_s.arg(
            words.first(), words.contains(u"paid"_s) ? u"1"_s : u"0"_s,
            words.contains(u"forfeited"_s) ? u"1"_s : u"0"_s, u"%1"_s.arg(++m_contracts, 5, 10, QChar(u'0'))));
    }

    // "300 forfeited sold 999": the pledge value, the flags that are set and the sale sum.
    void addItem(const QString& description)
    {
        const QStringList words = description.split(u' ');
        const QString sale = words.size() > 1 && words.last().at(0).isDigit() ? words.last() : u"NULL"_s;
        exec(
            u"INSERT INTO Inventar (NUMBER, SUMA1, PREPADNUTE, PREDANE, PRED_SUMA) VALUES ('26/00001', %1, %2, %3, %4)"_s
                .arg(words.first(), words.contains(u"forfeited"_s) ? u"1"_s : u"0"_s,
                     words.contains(u"sold"_s) ? u"1"_s : u"0"_s, sale));
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

    void moneyFigures_data()
    {
        QTest::addColumn<QStringList>("contracts");
        QTest::addColumn<QStringList>("goods");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("figure");
        QTest::newRow("empty register") << QStringList{} << QStringList{} << u"Peniazevobehu2"_s << u"0 Sk"_s;
        QTest::newRow("no open contracts")
            << QStringList{u"1000 paid"_s, u"500 forfeited"_s} << QStringList{} << u"Peniazevobehu2"_s << u"0 Sk"_s;
        QTest::newRow("open ones, expired or not")
            << QStringList{u"1000"_s, u"2500"_s, u"700 paid"_s} << QStringList{} << u"Peniazevobehu2"_s << u"3500 Sk"_s;
        QTest::newRow("paid and forfeited is out of circulation")
            << QStringList{u"5000 paid forfeited"_s, u"700"_s} << QStringList{} << u"Peniazevobehu2"_s << u"700 Sk"_s;
        QTest::newRow("past 32 bits") << QStringList{u"1500000000"_s, u"1500000000"_s, u"1500000000"_s} << QStringList{}
                                      << u"Peniazevobehu2"_s << u"4500000000 Sk"_s;
        QTest::newRow("crowns rounded, a half to even")
            << QStringList{u"2.5"_s, u"3.5"_s} << QStringList{} << u"Peniazevobehu2"_s << u"6 Sk"_s;
        QTest::newRow("a negative sum") << QStringList{u"-300"_s} << QStringList{} << u"Peniazevobehu2"_s
                                        << u"-300 Sk"_s;
        QTest::newRow("no goods") << QStringList{} << QStringList{} << u"Zlonhodnota2"_s << u"0 Sk"_s;
        QTest::newRow("a sold item does not count")
            << QStringList{} << QStringList{u"1000 forfeited sold 1200"_s, u"300 forfeited 999"_s, u"50 forfeited"_s}
            << u"Zlonhodnota2"_s << u"350 Sk"_s;
        QTest::newRow("only forfeited goods")
            << QStringList{} << QStringList{u"800"_s, u"200 forfeited"_s} << u"Zlonhodnota2"_s << u"200 Sk"_s;
    }
    void moneyFigures()
    {
        QFETCH(QStringList, contracts);
        QFETCH(QStringList, goods);
        QFETCH(QString, action);
        QFETCH(QString, figure);
        for (const QString& c : contracts)
            addContract(c);
        for (const QString& g : goods)
            addItem(g);
        store().touchAll();
        m_main->action(action)->trigger();
        TForm10* w = m_main->existingForm<TForm10>();
        QVERIFY(w);
        QVERIFY(w->isVisible());
        QVERIFY(!w->isModal());
        const bool money = action == u"Peniazevobehu2"_s;
        QCOMPARE(w->windowTitle(), money ? u"Peniaze v obehu"_s : u"Celková záložná hodnota"_s);
        QCOMPARE(w->Label1->text(), money ? u"Peniaze v obehu:"_s : u"Záložná hodnota:"_s);
        QCOMPARE(w->Label2->text(), figure);
        QVERIFY(Messages::takeShown().isEmpty());
        // The frame's instance is left at its end.
        QVERIFY((money ? m_main->shop().Table1 : m_main->shop().Table4)->eof());
    }

    // The same window for both figures, computed anew at every command and closed by "&OK".
    void figuresComputedAnew()
    {
        addContract(u"1000"_s);
        addItem(u"400 forfeited"_s);
        store().touchAll();
        m_main->action(u"Peniazevobehu2"_s)->trigger();
        TForm10* w = m_main->existingForm<TForm10>();
        QCOMPARE(w->Label2->text(), u"1000 Sk"_s);
        QCOMPARE(w->Label2->font().pixelSize(), 13);
        QVERIFY(w->Label2->font().bold() && w->Label2->font().italic());
        QCOMPARE(w->Label2->palette().color(QPalette::WindowText), QColor(0, 0, 128));
        addContract(u"234"_s);
        store().touchAll();
        QCOMPARE(w->Label2->text(), u"1000 Sk"_s); // not refreshed while open
        m_main->action(u"Zlonhodnota2"_s)->trigger();
        QCOMPARE(m_main->existingForm<TForm10>(), w);
        QCOMPARE(w->Label2->text(), u"400 Sk"_s);
        m_main->action(u"Peniazevobehu2"_s)->trigger();
        QCOMPARE(w->Label2->text(), u"1234 Sk"_s);
        QTest::mouseClick(w->BitBtn1, Qt::LeftButton);
        QVERIFY(!w->isVisible());
    }

    // A sum beyond 64 bits is the conversion message, never a wrapped figure.
    void sumOutOfRange()
    {
        {
            Transaction tx(store());
            for (int i = 0; i < 1025; ++i)
                addContract(u"9007199254740992"_s); // 2^53; 1025 of them pass 2^63
            tx.commit();
        }
        store().touchAll();
        m_main->action(u"Peniazevobehu2"_s)->trigger();
        const auto shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().kind, Messages::Kind::Error);
        QVERIFY2(shown.first().text.endsWith(u"is not a valid integer value"_s), qPrintable(shown.first().text));
        QVERIFY(m_main->existingForm<TForm10>()->Label2->text().isEmpty());
        QVERIFY(m_main->menuBar()->isEnabled());
    }

    // The archive tables are opened for the count only, also when the archive window was never opened.
    void recordCounts()
    {
        for (const QString& c : {u"1"_s, u"2"_s, u"3"_s})
            addContract(c);
        exec(u"INSERT INTO Osoby (BIRTHNUM) VALUES ('1'), ('2')"_s);
        for (const QString& g : {u"1"_s, u"2"_s, u"3"_s, u"4"_s})
            addItem(g);
        exec(u"INSERT INTO Predlz (NUMBER) VALUES ('26/00001')"_s);
        exec(u"INSERT INTO Xzmluvy (NUMBER) VALUES ('25/00001'), ('25/00002')"_s);
        exec(u"INSERT INTO Xinvent (NUMBER) VALUES ('a'), ('b'), ('c'), ('d'), ('e')"_s);
        exec(u"INSERT INTO Xpredlz (NUMBER) VALUES ('a'), ('b'), ('c')"_s);
        store().touchAll();
        QVERIFY(!m_main->existingForm<TForm18>());

        const QStringList names{u"Zmluvy"_s,          u"Osoby"_s,        u"Inventár (predmety)"_s,
                                u"Predĺženia"_s,      u"Archív zmlúv"_s, u"Archív predmetov"_s,
                                u"Archív predĺžení"_s};
        const QStringList counts{u"3"_s, u"2"_s, u"4"_s, u"1"_s, u"2"_s, u"5"_s, u"3"_s};
        for (const QString& opener : {QString(), u"Zloha1"_s}) {
            if (!opener.isEmpty()) m_main->action(opener)->trigger();
            m_main->action(u"Potyviet2"_s)->trigger();
            TForm19* w = m_main->existingForm<TForm19>();
            QVERIFY(w);
            QVERIFY(w->isVisible());
            QCOMPARE(w->windowTitle(), u"Počty viet v databázach"_s);
            for (int i = 0; i < 7; ++i) {
                QCOMPARE(w->findChild<QLabel*>(u"Label%1"_s.arg(i + 1))->text(), names.at(i));
                QCOMPARE(w->findChild<QLabel*>(u"Label%1"_s.arg(i + 8))->text(), counts.at(i));
            }
            TForm18* archive = m_main->existingForm<TForm18>();
            QVERIFY(archive);
            QCOMPARE(archive->isVisible(), !opener.isEmpty()); // made for its tables, not shown
            for (Table* t : {archive->Table1, archive->Table2, archive->Table3})
                QVERIFY(!t->isOpen());
        }
        QVERIFY(Messages::takeShown().isEmpty());
    }

    // An archive table missing from the store: the engine's message, and the tables opened for the
    // count are closed again.
    void countsWithArchiveTableMissing()
    {
        exec(u"DROP TABLE Xinvent"_s);
        m_main->action(u"Potyviet2"_s)->trigger();
        const auto shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().kind, Messages::Kind::Error);
        QCOMPARE(shown.first().text, u"Table does not exist: Xinvent.DBF"_s);
        TForm18* archive = m_main->existingForm<TForm18>();
        for (Table* t : {archive->Table1, archive->Table2, archive->Table3})
            QVERIFY(!t->isOpen());
        QVERIFY(!m_main->existingForm<TForm19>()->isVisible());
    }
};

QTEST_MAIN(TestStatistics)
#include "TestBackend.h"
#include "tst_statistics.moc"
