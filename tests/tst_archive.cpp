#include "FreshProgram.h"
#include "app/Main.h"
#include "core/ArchiveMove.h"
#include "core/Shop.h"
#include "store/EventPump.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/Values.h"
#include "store/engine/Errors.h"
#include "store/engine/Schema.h"
#include "widgets/MaskEdit.h"
#include "widgets/Messages.h"
#include "widgets/MonthCal.h"
#include "windows/register/Inventar.h"
#include "windows/register/Predlz.h"
#include "windows/register/Zmluvy.h"
#include "windows/services/Archiv.h"

#include <QAction>
#include <QCalendarWidget>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace {

const QDate Today(2026, 12, 7);

// One contract of the register with its goods (sold or not) and extensions.
struct Contract
{
    QString number;
    QDate signedOn;
    bool paid = false;
    bool returned = false;
    bool forfeited = false;
    QList<bool> sold = {};
    int extensions = 0;
};

// Every edge case of a period from 1.1.2026 to 30.11.2026.
const QList<Contract> Register{
    {u"26/00001"_s, {2026, 2, 1}, true, false, false, {false}},           // paid, goods not returned
    {u"26/00002"_s, {2026, 3, 15}, true, true, false, {false, false}, 1}, // paid and returned
    {u"26/00003"_s, {2026, 4, 1}, false, false, true, {true, false}, 1},  // forfeited, one item unsold
    {u"26/00004"_s, {2026, 8, 10}, false, false, true, {true, true}, 2},  // forfeited, everything sold
    {u"26/00005"_s, {2026, 9, 1}, false, false, true, {}},                // forfeited without goods
    {u"26/00006"_s, {2025, 12, 31}, true, true, false, {false}},          // the day before the period
    {u"26/00007"_s, {2026, 11, 30}, true, true, false, {false}, 1},       // on the last day
    {u"26/00008"_s, {2026, 1, 1}, true, true, false, {false}},            // on the first day
    {u"26/00009"_s, {2026, 10, 1}, false, false, false, {false}, 1},      // open
};

const QString QuestionOut = u"Skutočne si želáte odsun ukončených zmlúv\rpodpísaných za obdobie od "_s;
const QString Ready = u"Archivácia je pripravená.\rMôžu sa záznamy presunúť do archívneho súboru ?"_s;
const QString QuestionBack = u"Skutočne si želáte prísun všetkých\rzmlúv z archívu ?"_s;
const QString DoneOut = u"Odsun do archívu bol úspešne skončený..."_s;
const QString DoneBack = u"Prísun z archívu bol úspešne skončený..."_s;

bool isShown(const Messages::Shown& shown, Messages::Kind kind, const QString& text)
{
    if (shown.kind == kind && shown.text == text) return true;
    qWarning("shown: %d %s", int(shown.kind), qPrintable(shown.text));
    return false;
}

QMdiSubWindow* subWindow(QWidget* form)
{
    return qobject_cast<QMdiSubWindow*>(form->parentWidget());
}

} // namespace

class TestArchive : public QObject
{
    Q_OBJECT

    FreshProgram m_program;
    TForm1* m_main = nullptr;

    Store& store() { return m_main->shop().store(); }

    void add(const Contract& c)
    {
        Table t(store(), u"Zmluvy.DBF"_s), g(store(), u"Inventar.DBF"_s), e(store(), u"Predlz.DBF"_s);
        for (Table* x : {&t, &g, &e})
            x->open();
        t.append();
        t.field(u"NUMBER"_s).setAsString(c.number);
        t.field(u"BIRTHNUM"_s).setAsString(u"7801011234"_s);
        t.field(u"AGRDATE"_s).setAsDate(c.signedOn);
        t.field(u"AMOUNT"_s).setAsInteger(1000);
        t.field(u"PAID"_s).setAsBoolean(c.paid);
        t.field(u"RETURNED"_s).setAsBoolean(c.returned);
        t.field(u"PADAK"_s).setAsBoolean(c.forfeited);
        t.post();
        for (bool sold : c.sold) {
            g.append();
            g.field(u"NUMBER"_s).setAsString(c.number);
            g.field(u"SUBJECT"_s).setAsString(u"Zlatý prsteň"_s);
            g.field(u"PREPADNUTE"_s).setAsBoolean(c.forfeited);
            g.field(u"PREDANE"_s).setAsBoolean(sold);
            g.post();
        }
        for (int i = 0; i < c.extensions; ++i) {
            e.append();
            e.field(u"NUMBER"_s).setAsString(c.number);
            e.field(u"X_UNTIL"_s).setAsDate(c.signedOn.addMonths(i + 2));
            e.post();
        }
    }

    void addRegister()
    {
        for (const Contract& c : Register)
            add(c);
    }

    // How many records of file carry each contract number.
    QHash<QString, int> perNumber(const QString& file)
    {
        Table t(store(), file);
        t.open();
        QHash<QString, int> out;
        for (t.first(); !t.eof(); t.next())
            ++out[t.field(u"NUMBER"_s).asString()];
        return out;
    }

    // Every contract of the register stands whole on one side: itself, all its goods and all its
    // extensions live, or all of them archived. Returns the archived numbers.
    QStringList checkWhole()
    {
        const auto live = perNumber(u"Zmluvy.DBF"_s), archived = perNumber(u"Xzmluvy.DBF"_s);
        const auto goods = perNumber(u"Inventar.DBF"_s), xGoods = perNumber(u"Xinvent.DBF"_s);
        const auto ext = perNumber(u"Predlz.DBF"_s), xExt = perNumber(u"Xpredlz.DBF"_s);
        QStringList out;
        for (const Contract& c : Register) {
            const bool inArchive = archived.value(c.number) == 1;
            [&] {
                QCOMPARE(live.value(c.number) + archived.value(c.number), 1);
                QCOMPARE((inArchive ? xGoods : goods).value(c.number), int(c.sold.size()));
                QCOMPARE((inArchive ? goods : xGoods).value(c.number), 0);
                QCOMPARE((inArchive ? xExt : ext).value(c.number), c.extensions);
                QCOMPARE((inArchive ? ext : xExt).value(c.number), 0);
            }();
            if (QTest::currentTestFailed()) qWarning("contract %s is not whole", qPrintable(c.number));
            if (inArchive) out << c.number;
        }
        return out;
    }

    TForm18* archiveWindow(const QString& action)
    {
        m_main->action(action)->trigger();
        return m_main->existingForm<TForm18>();
    }

    void moveOut(const QString& from, const QString& to, const QList<bool>& answers = {true, true})
    {
        TForm18* w = archiveWindow(u"Zloha1"_s);
        w->MaskEdit1->setText(from);
        w->MaskEdit2->setText(to);
        for (bool a : answers)
            Messages::pushAnswer(a);
        QTest::mouseClick(w->BitBtn2, Qt::LeftButton);
    }

    void moveBack(bool answer = true)
    {
        TForm18* w = archiveWindow(u"Obnova1"_s);
        Messages::pushAnswer(answer);
        QTest::mouseClick(w->BitBtn2, Qt::LeftButton);
    }

    void sellAll(const QString& number)
    {
        Table g(store(), u"Inventar.DBF"_s);
        g.open();
        for (g.first(); !g.eof(); g.next())
            if (g.field(u"NUMBER"_s).asString() == number) {
                g.edit();
                g.field(u"PREDANE"_s).setAsBoolean(true);
                g.post();
            }
    }

    // The content of the six tables, each row as SQL quotes its values, sorted.
    QStringList rows(const QString& sqlName, bool withWrk = true)
    {
        QStringList columns;
        for (const FieldDef& f : Schema::find(sqlName)->fields)
            if (withWrk || f.name != u"WRK"_s) columns << u'"' + f.name + u'"';
        QStringList out;
        try {
            out = TestBackend::rows(store(), u"SELECT "_s + columns.join(u", "_s) + u" FROM \""_s + sqlName + u'"',
                                    int(columns.size()));
        } catch (const StoreError&) {
            return {u"?"_s};
        }
        out.sort();
        return out;
    }

    QList<QStringList> snapshot()
    {
        QList<QStringList> all;
        for (const QString& t : {u"Zmluvy"_s, u"Predlz"_s, u"Inventar"_s, u"Xzmluvy"_s, u"Xpredlz"_s, u"Xinvent"_s})
            all << rows(t);
        return all;
    }

    QSet<QString> marked(const QString& file)
    {
        Table t(store(), file);
        t.open();
        t.setFilter(u"WRK = True"_s);
        t.setFiltered(true);
        QSet<QString> out;
        for (t.first(); !t.eof(); t.next())
            out << t.field(u"NUMBER"_s).asString();
        return out;
    }

    // One instance of each of the six tables, the live ones open, as a routine without a window takes them.
    struct Sides
    {
        explicit Sides(Store& store)
            : contracts(store, u"Zmluvy.DBF"_s), extensions(store, u"Predlz.DBF"_s), goods(store, u"Inventar.DBF"_s),
              xc(store, u"Xzmluvy.DBF"_s), xe(store, u"Xpredlz.DBF"_s), xg(store, u"Xinvent.DBF"_s)
        {
            for (Table* t : {&contracts, &extensions, &goods})
                t->open();
        }
        ArchiveMove::Tables live() { return {contracts, extensions, goods}; }
        ArchiveMove::Tables archive() { return {xc, xe, xg}; }
        Table contracts, extensions, goods, xc, xe, xg;
    };

    QList<Table*> registerTables()
    {
        return {m_main->form2()->Table1, m_main->form4()->Table1, m_main->form7()->Table1};
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

    void menuEntries()
    {
        for (const QString& name : {u"Zloha1"_s, u"Obnova1"_s, u"Peniazevobehu2"_s, u"Zlonhodnota2"_s, u"Potyviet2"_s})
            QVERIFY2(m_main->action(name)->isEnabled(), qPrintable(name));
        QCOMPARE(m_main->action(u"Zloha1"_s)->text(), u"&Odsun do archívu"_s);
        QCOMPARE(m_main->action(u"Obnova1"_s)->text(), u"&Prísun z archívu"_s);
        QCOMPARE(m_main->action(u"Zloha2"_s)->text(), u"&Záloha"_s); // the backup, on its own
    }

    void windowModes_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("restore");
        QTest::addColumn<QString>("caption");
        QTest::newRow("out") << u"Zloha1"_s << false << u"Archivácia"_s;
        QTest::newRow("back") << u"Obnova1"_s << true << u"Dearchivácia"_s;
    }
    void windowModes()
    {
        QFETCH(QString, action);
        QFETCH(bool, restore);
        QFETCH(QString, caption);
        // The other mode first: the command sets everything anew on the same window.
        TForm18* other = archiveWindow(restore ? u"Zloha1"_s : u"Obnova1"_s);
        other->MaskEdit1->setText(u"1.1.2020"_s);
        TForm18* w = archiveWindow(action);
        QCOMPARE(w, other);
        QVERIFY(w->isVisible());
        QVERIFY(!w->isModal());
        QCOMPARE(w->windowTitle(), caption);
        QCOMPARE(w->RestoreMode, restore);
        const QColor window = QApplication::palette().color(QPalette::Active, QPalette::Base);
        for (MaskEdit* box : {w->MaskEdit1, w->MaskEdit2}) {
            QCOMPARE(Values::parseDate(box->text()), Today);
            QCOMPARE(box->isEnabled(), !restore);
            QCOMPARE(box->palette().color(QPalette::Base) == window, !restore);
        }
        QCOMPARE(w->SpeedButton1->isEnabled(), !restore);
        QCOMPARE(w->SpeedButton2->isEnabled(), !restore);
        for (Table* t : {w->Table1, w->Table2, w->Table3})
            QVERIFY(!t->isOpen());
        QCOMPARE(w->Table1->fileName(), u"Xzmluvy.DBF"_s);
        QCOMPARE(w->Table2->fileName(), u"Xpredlz.DBF"_s);
        QCOMPARE(w->Table3->fileName(), u"Xinvent.DBF"_s);
        QTest::mouseClick(w->BitBtn1, Qt::LeftButton); // "&Storno"
        QVERIFY(!w->isVisible());
        QVERIFY(Messages::takeShown().isEmpty());
    }

    void dayButton()
    {
        TForm18* w = archiveWindow(u"Zloha1"_s);
        QTimer::singleShot(0, this, [&] {
            TForm20* picker = m_main->form20();
            picker->MonthCalendar1->setSelectedDate(QDate(2026, 3, 5));
            QTest::mouseClick(picker->BitBtn1, Qt::LeftButton);
            if (picker->isVisible()) picker->reject();
        });
        QTest::mouseClick(w->SpeedButton2, Qt::LeftButton);
        QCOMPARE(Values::parseDate(w->MaskEdit2->text()), QDate(2026, 3, 5));
        QCOMPARE(Values::parseDate(w->MaskEdit1->text()), Today);
    }

    void datesChecked_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("wrongBox"); // 0 none: the dates are in the wrong order
        QTest::newRow("to before from") << u"2.3.2026"_s << u"1.3.2026"_s << 0;
        QTest::newRow("no date") << u"31.02.2026"_s << u"1.3.2026"_s << 1;
        QTest::newRow("empty to") << u"1.3.2026"_s << QString() << 2;
    }
    void datesChecked()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, wrongBox);
        addRegister();
        const auto before = snapshot();
        TForm18* w = archiveWindow(u"Zloha1"_s);
        static_cast<QLineEdit*>(w->MaskEdit1)->setText(from);
        static_cast<QLineEdit*>(w->MaskEdit2)->setText(to);
        Messages::pushAnswer(true);
        QTest::mouseClick(w->BitBtn2, Qt::LeftButton);
        const auto shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().kind, Messages::Kind::Error);
        const MaskEdit* box = wrongBox == 1 ? w->MaskEdit1 : w->MaskEdit2;
        QCOMPARE(shown.first().text,
                 wrongBox == 0 ? u"V dátumoch je chyba..."_s : u"'%1' is not a valid date"_s.arg(box->text()));
        QCOMPARE(snapshot(), before);
        QVERIFY(w->isVisible());
    }

    // The edge cases of one period, each contract whole on one side afterwards.
    void edgeCases_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("number");
        QTest::addColumn<bool>("archived");
        const QStringList once{u"out 1.1.2026 30.11.2026"_s};
        QTest::newRow("paid, goods not returned") << once << u"26/00001"_s << false;
        QTest::newRow("paid and returned") << once << u"26/00002"_s << true;
        QTest::newRow("forfeited, one item unsold") << once << u"26/00003"_s << false;
        QTest::newRow("forfeited, the unsold item sold later")
            << QStringList{once.first(), u"sell 26/00003"_s, once.first()} << u"26/00003"_s << true;
        QTest::newRow("forfeited, all sold") << once << u"26/00004"_s << true;
        QTest::newRow("forfeited without goods") << once << u"26/00005"_s << true;
        QTest::newRow("signed the day before the period") << once << u"26/00006"_s << false;
        QTest::newRow("signed on the last day") << once << u"26/00007"_s << true;
        QTest::newRow("signed on the first day") << once << u"26/00008"_s << true;
        QTest::newRow("open") << once << u"26/00009"_s << false;
        QTest::newRow("one day, equal dates") << QStringList{u"out 30.11.2026 30.11.2026"_s} << u"26/00007"_s << true;
        const QStringList twice{u"out 1.1.2026 30.6.2026"_s, u"out 1.7.2026 30.11.2026"_s};
        QTest::newRow("two moves out, the first") << twice << u"26/00002"_s << true;
        QTest::newRow("two moves out, the second") << twice << u"26/00004"_s << true;
        QTest::newRow("two out, one back: the first") << (twice + QStringList{u"back"_s}) << u"26/00002"_s << false;
        QTest::newRow("two out, one back: the second") << (twice + QStringList{u"back"_s}) << u"26/00004"_s << false;
    }
    void edgeCases()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, number);
        QFETCH(bool, archived);
        addRegister();
        for (const QString& step : steps) {
            const QStringList words = step.split(u' ');
            if (words.first() == u"out"_s) {
                moveOut(words.at(1), words.at(2));
                QCOMPARE(Messages::takeShown().last().text, DoneOut);
            } else if (words.first() == u"sell"_s) {
                sellAll(words.at(1));
            } else {
                moveBack();
                QCOMPARE(Messages::takeShown().last().text, DoneBack);
            }
        }
        const QStringList inArchive = checkWhole();
        QCOMPARE(inArchive.contains(number), archived);
        if (steps.last() == u"back"_s) {
            QVERIFY(inArchive.isEmpty());
            QVERIFY(rows(u"Xinvent"_s).isEmpty());
            QVERIFY(rows(u"Xpredlz"_s).isEmpty());
        }
    }

    // The questions as the clerk answers them, and what each answer leaves.
    void questions_data()
    {
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<int>("questions");
        QTest::addColumn<bool>("marks");
        QTest::addColumn<bool>("moved");
        QTest::newRow("No at the first") << QList<bool>{false} << 1 << false << false;
        QTest::newRow("No at the second") << QList<bool>{true, false} << 2 << true << false;
        QTest::newRow("Yes to both") << QList<bool>{true, true} << 2 << false << true;
    }
    void questions()
    {
        QFETCH(QList<bool>, answers);
        QFETCH(int, questions);
        QFETCH(bool, marks);
        QFETCH(bool, moved);
        addRegister();
        // Views on, as the clerk left them: the operation takes them off.
        m_main->form2()->Table1->setFilter(u"PADAK = true"_s);
        m_main->form4()->Table1->setFilter(u"NUMBER='26/00003'"_s);
        m_main->form7()->Table1->setFilter(u"NUMBER='26/00004'"_s);
        for (Table* t : registerTables())
            t->setFiltered(true);
        const auto before = snapshot();

        moveOut(u"1.1.2026"_s, u"30.11.2026"_s, answers);
        TForm18* w = m_main->existingForm<TForm18>();
        const auto shown = Messages::takeShown();
        QCOMPARE(shown.size(), questions + (moved ? 1 : 0));
        QCOMPARE(shown.at(0).kind, Messages::Kind::Question);
        QCOMPARE(shown.at(0).text,
                 QuestionOut + w->MaskEdit1->text() + u" do "_s + w->MaskEdit2->text() + u"\rdo archívu ?"_s);
        QCOMPARE(w->MaskEdit1->text(), u" 1. 1.2026"_s);
        if (questions > 1) QCOMPARE(shown.at(1).text, Ready);
        if (moved) QVERIFY(isShown(shown.at(2), Messages::Kind::Information, DoneOut));

        const QSet<QString> finished{u"26/00002"_s, u"26/00004"_s, u"26/00005"_s, u"26/00007"_s, u"26/00008"_s};
        const QSet<QString> withGoods{u"26/00002"_s, u"26/00004"_s, u"26/00007"_s, u"26/00008"_s};
        const QSet<QString> extended{u"26/00002"_s, u"26/00004"_s, u"26/00007"_s};
        QCOMPARE(marked(u"Zmluvy.DBF"_s), marks ? finished : QSet<QString>());
        QCOMPARE(marked(u"Inventar.DBF"_s), marks ? withGoods : QSet<QString>());
        QCOMPARE(marked(u"Predlz.DBF"_s), marks ? extended : QSet<QString>());
        const QStringList archived = checkWhole();
        QCOMPARE(QSet<QString>(archived.begin(), archived.end()), moved ? finished : QSet<QString>());
        if (questions == 1) QCOMPARE(snapshot(), before);

        // Past the first question the register windows are minimised with their views off; the archive
        // window goes once the records are moved.
        const bool passed = questions > 1;
        for (QWidget* form : {static_cast<QWidget*>(m_main->form2()), static_cast<QWidget*>(m_main->form4()),
                              static_cast<QWidget*>(m_main->form7())})
            QCOMPARE(subWindow(form)->isMinimized(), passed);
        for (Table* t : registerTables()) {
            QCOMPARE(t->filtered(), !passed);
            QCOMPARE(t->filter().isEmpty(), passed);
            QCOMPARE(t->state(), Table::State::Browse);
        }
        QCOMPARE(w->isVisible(), !moved);
        QVERIFY(m_main->isEnabled() && w->isEnabled());
        for (Table* t : {w->Table1, w->Table2, w->Table3})
            QVERIFY(!t->isOpen());
    }

    void moveBackQuestion_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::newRow("No") << false;
        QTest::newRow("Yes") << true;
    }
    void moveBackQuestion()
    {
        QFETCH(bool, answer);
        addRegister();
        moveOut(u"1.1.2026"_s, u"30.11.2026"_s);
        Messages::takeShown();
        const auto before = snapshot();
        m_main->showChild(m_main->form2());
        moveBack(answer);
        const auto shown = Messages::takeShown();
        QVERIFY(isShown(shown.first(), Messages::Kind::Question, QuestionBack));
        QCOMPARE(shown.size(), answer ? 2 : 1);
        if (!answer) {
            QCOMPARE(snapshot(), before);
            QVERIFY(!subWindow(m_main->form2())->isMinimized());
            return;
        }
        QVERIFY(isShown(shown.last(), Messages::Kind::Information, DoneBack));
        QVERIFY(checkWhole().isEmpty());
        QVERIFY(subWindow(m_main->form2())->isMinimized());
        QVERIFY(!m_main->existingForm<TForm18>()->isVisible());
        // The archive is empty, and everything is back: the dates in the window played no part.
        QCOMPARE(m_main->shop().Table1->recordCount(), int(Register.size()));
    }

    // Every field comes back as it was, blanks, fractions, accents and empty flags too; WRK is left empty.
    void everyFieldSurvives()
    {
        store().exec(
            u"INSERT INTO Zmluvy (WRK, BIRTHNUM, NUMBER, AGRDATE, AMOUNT, PERCENT, WEEKTIME, UNTIL, PAID, "
            u"PAID_SUM, PAID_DATE, RETURNED, RETUDATE, RETENT, PADAK) VALUES (0, '5551234567', '26/00042', "
            u"'2026-03-10', 1234.5, 15, 4, '2026-04-10', 1, 1419.675, '2026-04-02', 1, '2026-04-02', NULL, 0)"_s);
        store().exec(u"INSERT INTO Inventar (WRK, NUMBER, SUBJECT, VRATENE, PREDANE, PREPADNUTE, PRED_DATUM, "
                     u"PRED_SUMA, SUMA1, SUMA2) VALUES (1, '26/00042', 'Zlatý prsteň ôsmy, 3 g  ', 1, 0, NULL, "
                     u"NULL, NULL, 1234.5, 1604.85)"_s);
        store().exec(u"INSERT INTO Inventar (WRK, NUMBER, SUBJECT, VRATENE, PREDANE, PREPADNUTE, PRED_DATUM, "
                     u"PRED_SUMA, SUMA1, SUMA2) VALUES (0, '26/00042', '', 1, 0, 0, '2026-02-31', 0, 0, 0.1)"_s);
        store().exec(u"INSERT INTO Predlz (WRK, NUMBER, X_UNTIL, X_PERCENT, X_PAID, X_PAIDDATE) VALUES "
                     u"(NULL, '26/00042', '2026-05-10', 2.5, 30.86, '2026-04-10')"_s);
        store().touchAll();
        const QStringList contracts = rows(u"Zmluvy"_s, false), goods = rows(u"Inventar"_s, false),
                          extensions = rows(u"Predlz"_s, false);

        moveOut(u"1.3.2026"_s, u"31.3.2026"_s);
        QCOMPARE(rows(u"Xzmluvy"_s), contracts);
        QCOMPARE(rows(u"Xinvent"_s), goods);
        QCOMPARE(rows(u"Xpredlz"_s), extensions);
        QVERIFY(rows(u"Zmluvy"_s).isEmpty());

        moveBack();
        QCOMPARE(rows(u"Zmluvy"_s, false), contracts);
        QCOMPARE(rows(u"Inventar"_s, false), goods);
        QCOMPARE(rows(u"Predlz"_s, false), extensions);
        for (const QString& t : {u"Zmluvy"_s, u"Inventar"_s, u"Predlz"_s}) {
            QCOMPARE(store().scalar(u"SELECT COUNT(*) FROM "_s + t + u" WHERE WRK IS NOT NULL"_s).toInt(), 0);
        }
    }

    // An engine error in the last phase takes back the goods and extensions moved before it; the marks
    // stored before the second question stay, as after answering No there.
    void failedMoveChangesNothing_data()
    {
        QTest::addColumn<QString>("table"); // refusing to store contract 26/00002
        QTest::addColumn<bool>("back");
        QTest::newRow("out, contracts phase") << u"Xzmluvy"_s << false;
        QTest::newRow("back, contracts phase") << u"Zmluvy"_s << true;
    }
    void failedMoveChangesNothing()
    {
        QFETCH(QString, table);
        QFETCH(bool, back);
        addRegister();
        if (back) moveOut(u"1.1.2026"_s, u"30.11.2026"_s);
        const ArchiveMove::Tables live{*m_main->form2()->Table1, *m_main->form7()->Table1, *m_main->form4()->Table1};
        if (!back) ArchiveMove::markFinished(live, {2026, 1, 1}, {2026, 11, 30});
        Messages::takeShown();
        const auto before = snapshot();
        TestBackend::refuse(store(), u"INSERT"_s, table, u"NUMBER"_s, u"26/00002"_s);

        if (back)
            moveBack();
        else
            moveOut(u"1.1.2026"_s, u"30.11.2026"_s);
        const auto shown = Messages::takeShown();
        QCOMPARE(shown.last().kind, Messages::Kind::Error);
        QVERIFY2(shown.last().text.contains(u"disk I/O error"_s), qPrintable(shown.last().text));
        QCOMPARE(snapshot(), before);
        TForm18* w = m_main->existingForm<TForm18>();
        for (Table* t : {w->Table1, w->Table2, w->Table3})
            QVERIFY(!t->isOpen());
        for (Table* t : registerTables())
            QCOMPARE(t->state(), Table::State::Browse);
        QVERIFY(m_main->menuBar()->isEnabled() && w->isEnabled());

        // Nothing half done stands in the way: once the engine works again, the move goes through.
        TestBackend::allow(store());
        if (back)
            moveBack();
        else
            moveOut(u"1.1.2026"_s, u"30.11.2026"_s);
        QCOMPARE(checkWhole().isEmpty(), back);
    }

    // "&Nový" after the newest contract was archived proposes a number after it, not its number again.
    void newNumberAfterArchivedNewest()
    {
        addRegister();
        add({u"26/00010"_s, {2026, 11, 2}, true, true, false, {false}});
        moveOut(u"1.11.2026"_s, u"30.11.2026"_s);
        QCOMPARE(perNumber(u"Xzmluvy.DBF"_s).value(u"26/00010"_s), 1);
        TForm2* f = m_main->form2();
        m_main->showChild(f);
        QTest::mouseClick(f->BitBtn2, Qt::LeftButton);
        QCOMPARE(f->Edit1->text(), u"26/00011"_s);
        // A higher number in the register wins again once it is there.
        f->Table1->cancel();
        add({u"26/00020"_s, {2026, 12, 1}});
        QTest::mouseClick(f->BitBtn2, Qt::LeftButton);
        QCOMPARE(f->Edit1->text(), u"26/00021"_s);
    }

    // Numbers that stand both in the register and in the archive (written before the numbering took
    // the archive into account) all come back, and the clerk is told which ones are twice now.
    void duplicateNumbersWarned()
    {
        addRegister();
        moveOut(u"1.1.2026"_s, u"30.11.2026"_s);
        add({u"26/00002"_s, {2026, 12, 1}});
        add({u"26/00007"_s, {2026, 12, 2}});
        Messages::takeShown();
        moveBack();
        const auto shown = Messages::takeShown();
        if (store().isServer()) {
            // A server keeps contract numbers unique: the move back stops at the first, and nothing moves.
            QCOMPARE(shown.last().kind, Messages::Kind::Error);
            QVERIFY2(shown.last().text.contains(u"už v registri je."_s), qPrintable(shown.last().text));
            for (const QString& number : {u"26/00002"_s, u"26/00007"_s}) {
                QCOMPARE(perNumber(u"Zmluvy.DBF"_s).value(number), 1);
                QCOMPARE(perNumber(u"Xzmluvy.DBF"_s).value(number), 1);
            }
            return;
        }
        QCOMPARE(shown.size(), 3);
        QVERIFY(isShown(shown.at(1), Messages::Kind::Information, DoneBack));
        QVERIFY(isShown(shown.at(2), Messages::Kind::Warning,
                        u"Tieto čísla zmlúv boli v registri aj v archíve,\rpo prísune sú v registri dvakrát:\r"
                        u"26/00002, 26/00007"_s));
        QCOMPARE(perNumber(u"Zmluvy.DBF"_s).value(u"26/00002"_s), 2);
        QCOMPARE(perNumber(u"Zmluvy.DBF"_s).value(u"26/00007"_s), 2);
        QCOMPARE(m_main->shop().Table1->recordCount(), int(Register.size()) + 2);
    }

    // The routines run without a window as well: the marks and the move in one transaction.
    void movesWithoutWindow()
    {
        addRegister();
        Sides sides(store());
        Table &contracts = sides.contracts, &xc = sides.xc, &xe = sides.xe, &xg = sides.xg;
        const ArchiveMove::Tables live = sides.live(), archive = sides.archive();
        QCOMPARE(ArchiveMove::markFinished(live, {2026, 1, 1}, {2026, 11, 30}), 5);
        const ArchiveMove::Counts moved = ArchiveMove::moveMarked(live, archive);
        QCOMPARE(moved.contracts, 5);
        QCOMPARE(moved.goods, 6);
        QCOMPARE(moved.extensions, 4);
        QCOMPARE(contracts.recordCount(), 4);
        QCOMPARE(ArchiveMove::highestNumber(contracts), u"26/00009"_s);
        const ArchiveMove::Restored back = ArchiveMove::moveBack(live, archive);
        QCOMPARE(back.counts.contracts, 5);
        QVERIFY(back.duplicates.isEmpty());
        QVERIFY(checkWhole().isEmpty());
        for (Table* t : {&xc, &xe, &xg})
            QVERIFY(!t->isOpen());
    }

    // A contract that another counter archives while the archive is moved back is never lost: the move
    // deletes from the archive only what it brought back.
    void archivedMeanwhileIsKept()
    {
        addRegister();
        Sides sides(store());
        const ArchiveMove::Tables live = sides.live(), archive = sides.archive();
        ArchiveMove::markFinished(live, {2026, 1, 1}, {2026, 11, 30});
        ArchiveMove::moveMarked(live, archive);
        const QString location = store().dataDir();
        const QString late = u"26/00010"_s;
        bool stored = true, movedBack = true;
        if (TestBackend::onServer()) {
            // The other counter's contract lands once the move has read the archive and waits to write the
            // contracts back: after the move's last look at the archive, before it takes records out of it.
            TestBackend::Interloper other(
                location,
                u"INSERT INTO xzmluvy (number, amount) VALUES ('26/00010', 500); LOCK TABLE zmluvy IN SHARE MODE"_s,
                QString());
            ArchiveMove::moveBack(live, archive);
            QCOMPARE(other.finish(), QString());
        } else {
            // One writer at a time: the other counter stores its contract while the move still only reads.
            EventPump::setInterval(0);
            const auto pace = qScopeGuard([] { EventPump::setInterval(40); });
            bool tried = false;
            QTimer::singleShot(0, [&] {
                tried = true;
                try {
                    Store other(location);
                    other.exec(u"INSERT INTO Xzmluvy (NUMBER, AMOUNT) VALUES ('26/00010', 500)"_s);
                } catch (const StoreError&) {
                    stored = false; // the other counter is told so
                }
            });
            try {
                ArchiveMove::moveBack(live, archive);
            } catch (const StoreError&) {
                movedBack = false; // it cannot write over a store it has not read whole: it rolls back
            }
            QVERIFY(tried);
        }
        QCOMPARE(perNumber(u"Xzmluvy.DBF"_s).value(late) + perNumber(u"Zmluvy.DBF"_s).value(late), stored ? 1 : 0);
        QCOMPARE(checkWhole().size(), movedBack ? 0 : 5);
    }
};

QTEST_MAIN(TestArchive)
#include "TestBackend.h"
#include "store/engine/Errors.h"
#include "tst_archive.moc"
