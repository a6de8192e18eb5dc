#include "FreshProgram.h"
#include "ReportShop.h"
#include "core/Shop.h"
#include "store/EventPump.h"
#include "store/Table.h"
#include "store/TableModel.h"
#include "windows/register/Inventar.h"
#include "windows/register/Osoby.h"
#include "windows/register/Zmluvy.h"
#include "windows/services/Hladaj.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCollator>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QTableView>

using namespace Qt::Literals::StringLiterals;

namespace {

// Persons in Slovak surname order: Adamcová, Cibuľa, Čierny, Horváth, Hrušková, Chmelová.
void fillSearchShop(Store& store)
{
    const struct
    {
        const char16_t* birth;
        const char16_t* card;
        const char16_t* last;
    } persons[] = {{u"7001011111", u"AB111111", u"Hrušková"}, {u"7002022222", u"EA222222", u"Chmelová"},
                   {u"7003033333", u"CD333333", u"Horváth"},  {u"7004044444", u"BB444444", u"Čierny"},
                   {u"7005055555", u"ZZ555555", u"Cibuľa"},   {u"7006066666", u"AA666666", u"Adamcová"}};
    for (const auto& p : persons)
        Records::write(store, u"Osoby.DBF"_s,
                       {{u"BIRTHNUM"_s, QString::fromUtf16(p.birth)},
                        {u"IDCARD"_s, QString::fromUtf16(p.card)},
                        {u"LASTNAME"_s, QString::fromUtf16(p.last)},
                        {u"FIRSNAME"_s, u"Meno"_s}});
    for (int i = 1; i <= 5; ++i)
        Records::write(store, u"Zmluvy.DBF"_s,
                       {{u"NUMBER"_s, u"26/0000%1"_s.arg(i)},
                        {u"BIRTHNUM"_s, u"7001011111"_s},
                        {u"PAID"_s, i % 2 ? u"True"_s : u"False"_s},
                        {u"PADAK"_s, u"False"_s}});
    const char16_t* subjects[] = {u"Zlatý prsteň 585, 3 g",    u"ZLATÁ RETIAZKA",
                                  u"Strieborná retiazka 925",  u"Notebook",
                                  u"Hodinky dámske pozlátené", u"Vŕtačka"};
    int n = 0;
    for (const char16_t* s : subjects)
        Records::write(store, u"Inventar.DBF"_s,
                       {{u"NUMBER"_s, u"26/0000%1"_s.arg(++n % 5 + 1)}, {u"SUBJECT"_s, QString::fromUtf16(s)}});
}

QSet<QString> setOf(const QStringList& list)
{
    return QSet<QString>(list.begin(), list.end());
}

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT

    FreshProgram m_program;
    TForm1* m_main = nullptr;
    TForm5* m_search = nullptr;

    void search(int choice, const QString& text)
    {
        m_search->setItemIndex(choice);
        m_search->Edit1->setText(text);
        QTest::mouseClick(m_search->BitBtn2, Qt::LeftButton);
    }

    // Descriptions marked in the store, whatever the goods window shows.
    QSet<QString> markedSubjects()
    {
        Table t(m_main->shop().store(), u"Inventar.DBF"_s);
        t.open();
        t.setFilter(u"WRK = True"_s);
        t.setFiltered(true);
        QSet<QString> out;
        for (t.first(); !t.eof(); t.next())
            out << t.field(u"SUBJECT"_s).asString();
        return out;
    }

    void markGoods(const QString& subject)
    {
        Table t(m_main->shop().store(), u"Inventar.DBF"_s);
        t.open();
        for (t.first(); !t.eof(); t.next()) {
            t.edit();
            t.field(u"WRK"_s).setAsBoolean(t.field(u"SUBJECT"_s).asString() == subject);
        }
    }

private Q_SLOTS:
    void init()
    {
        EventPump::setInterval(0); // pending events run at every breath: what the screen would see
        m_main = m_program.start(QDate(2026, 12, 7), fillSearchShop);
        QVERIFY(m_main);
        m_main->action(u"Hadanie1"_s)->trigger();
        m_search = m_main->existingForm<TForm5>();
        QVERIFY(m_search);
    }

    void cleanup()
    {
        QCOMPARE(Messages::takeShown().size(), 0);
        m_search = nullptr;
        m_program.stop();
        EventPump::setInterval(40);
    }

    void windowStandsApartAndKeepsItsState()
    {
        QVERIFY(m_search->isVisible());
        QVERIFY(m_search->isWindow());
        for (QMdiSubWindow* sub : m_main->mdiArea()->subWindowList())
            QVERIFY(sub->widget() != m_search);
        QCOMPARE(m_search->minimumSize(), m_search->maximumSize());
        QCOMPARE(m_search->ItemIndex(), int(TForm5::LastName));
        QVERIFY(m_search->CheckBox1->isChecked());

        m_search->Edit1->setText(u"26/00004"_s);
        m_search->setItemIndex(TForm5::ContractNumber);
        m_search->CheckBox1->setChecked(false);
        QTest::mouseClick(m_search->BitBtn2, Qt::LeftButton);
        QVERIFY(m_search->isVisible()); // stays open for the next search
        QTest::mouseClick(m_search->BitBtn1, Qt::LeftButton);
        QVERIFY(!m_search->isVisible());
        m_main->action(u"Hadanie1"_s)->trigger();
        QCOMPARE(m_main->existingForm<TForm5>(), m_search);
        QVERIFY(m_search->isVisible());
        QCOMPARE(m_search->Edit1->text(), u"26/00004"_s);
        QCOMPARE(m_search->ItemIndex(), int(TForm5::ContractNumber));
        QVERIFY(!m_search->CheckBox1->isChecked());
    }

    void emptyTextIsRefused_data()
    {
        QTest::addColumn<int>("choice");
        QTest::newRow("surname") << int(TForm5::LastName);
        QTest::newRow("goods") << int(TForm5::Goods);
    }
    void emptyTextIsRefused()
    {
        QFETCH(int, choice);
        TForm4* goods = m_main->form4();
        const QString title = goods->windowTitle();
        const qint64 person = m_main->form3()->Table1->rowId();
        search(choice, QString());
        const auto shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().kind, Messages::Kind::Error);
        QCOMPARE(shown.first().text, u"Nie je vyplnený hľadaný text..."_s);
        QCOMPARE(goods->windowTitle(), title);
        QVERIFY(!goods->Table1->filtered());
        QVERIFY(markedSubjects().isEmpty());
        QCOMPARE(m_main->form3()->Table1->rowId(), person);
        QVERIFY(m_search->CheckBox1->isEnabled());
    }

    // Nearest key search in the index order: "ch" after "h", "č" after "c", case does not matter, and
    // a text after every surname lands on the last one.
    void surnameLandsAtOrAfterText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("surname");
        QTest::newRow("start of a surname") << u"Hr"_s << u"Hrušková"_s;
        QTest::newRow("lower case") << u"hr"_s << u"Hrušková"_s;
        QTest::newRow("whole surname") << u"Horváth"_s << u"Horváth"_s;
        QTest::newRow("ch after h") << u"Hz"_s << u"Chmelová"_s;
        QTest::newRow("č after c") << u"Cz"_s << u"Čierny"_s;
        QTest::newRow("c before č") << u"ci"_s << u"Cibuľa"_s;
        QTest::newRow("after every surname") << u"Zz"_s << u"Chmelová"_s;
        QTest::newRow("one blank") << u" "_s << u"Adamcová"_s;
    }
    void surnameLandsAtOrAfterText()
    {
        QFETCH(QString, text);
        QFETCH(QString, surname);
        TForm3* persons = m_main->form3();
        search(TForm5::LastName, text);
        QCOMPARE(persons->Table1->field(u"LASTNAME"_s).asString(), surname);
        QCOMPARE(persons->Table1->indexName(), u"LASTNAME"_s);
        QCOMPARE(persons->Edit3->text(), surname); // the panel shows the person found
        QCOMPARE(m_main->mdiArea()->activeSubWindow()->widget(), persons);
        QVERIFY(m_search->CheckBox1->isEnabled());
    }

    void personByNumberComesBackOnSurnames_data()
    {
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("birth");
        QTest::newRow("birth number, whole") << int(TForm5::BirthNumber) << u"7005055555"_s << u"7005055555"_s;
        QTest::newRow("birth number, start") << int(TForm5::BirthNumber) << u"7003"_s << u"7003033333"_s;
        QTest::newRow("birth number, between") << int(TForm5::BirthNumber) << u"70035"_s << u"7004044444"_s;
        QTest::newRow("identity card") << int(TForm5::IdCard) << u"BB"_s << u"7004044444"_s;
        QTest::newRow("identity card, lower case") << int(TForm5::IdCard) << u"e"_s << u"7002022222"_s;
    }
    void personByNumberComesBackOnSurnames()
    {
        QFETCH(int, choice);
        QFETCH(QString, text);
        QFETCH(QString, birth);
        TForm3* persons = m_main->form3();
        search(choice, text);
        QCOMPARE(persons->Table1->indexName(), u"LASTNAME"_s);
        QCOMPARE(persons->Table1->field(u"BIRTHNUM"_s).asString(), birth);
        QCOMPARE(persons->Edit1->text(), birth);
        // Back in surname order with the person found current: the next one is the next surname.
        const QString surname = persons->Table1->field(u"LASTNAME"_s).asString();
        persons->Table1->next();
        QVERIFY(persons->Table1->eof() ||
                QCollator(QLocale(QLocale::Slovak)).compare(persons->Table1->field(u"LASTNAME"_s).asString(), surname) >
                    0);
    }

    void contractIsFoundWhateverTheView_data()
    {
        QTest::addColumn<QString>("view");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("number");
        // The NUMBER tag reads newest first: at or after a text is at or below it.
        QTest::newRow("paid view, unpaid contract") << u"Zaplaten1"_s << u"26/00002"_s << u"26/00002"_s;
        QTest::newRow("current view, paid contract") << u"Aktulne1"_s << u"26/00003"_s << u"26/00003"_s;
        QTest::newRow("all, beyond the newest") << u"Vetky1"_s << u"27"_s << u"26/00005"_s;
        QTest::newRow("all, between") << u"Vetky1"_s << u"26/000045"_s << u"26/00004"_s;
    }
    void contractIsFoundWhateverTheView()
    {
        QFETCH(QString, view);
        QFETCH(QString, text);
        QFETCH(QString, number);
        TForm2* contracts = m_main->form2();
        m_main->action(view)->trigger();
        search(TForm5::ContractNumber, text);
        QVERIFY(!contracts->Table1->filtered());
        QVERIFY(contracts->Table1->filter().isEmpty());
        QCOMPARE(contracts->Table1->indexName(), u"NUMBER"_s);
        QCOMPARE(contracts->Table1->field(u"NUMBER"_s).asString(), number);
        QCOMPARE(contracts->Edit1->text(), number);
        QCOMPARE(contracts->windowTitle(), u"Všetky zmluvy"_s);
        QVERIFY(!contracts->CheckBox5->isChecked());
        QCOMPARE(contracts->Table1->recordCount(), 5);
        QCOMPARE(m_main->mdiArea()->activeSubWindow()->widget(), contracts);
    }

    void goodsByDescription_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("follow");
        QTest::addColumn<QStringList>("found");
        const QStringList gold{u"Zlatý prsteň 585, 3 g"_s, u"ZLATÁ RETIAZKA"_s};
        QTest::newRow("zlat, following") << u"zlat"_s << true << gold;
        QTest::newRow("zlat, not following") << u"zlat"_s << false << gold;
        QTest::newRow("accented capitals") << u"ZLATÝ"_s << true << QStringList{u"Zlatý prsteň 585, 3 g"_s};
        QTest::newRow("accent inside a word") << u"pozlát"_s << false << QStringList{u"Hodinky dámske pozlátené"_s};
        QTest::newRow("one blank") << u" "_s << true
                                   << QStringList{u"Zlatý prsteň 585, 3 g"_s, u"ZLATÁ RETIAZKA"_s,
                                                  u"Strieborná retiazka 925"_s, u"Hodinky dámske pozlátené"_s};
        QTest::newRow("no hits, following") << u"xyz"_s << true << QStringList{};
        QTest::newRow("no hits, not following") << u"xyz"_s << false << QStringList{};
    }
    void goodsByDescription()
    {
        QFETCH(QString, text);
        QFETCH(bool, follow);
        QFETCH(QStringList, found);
        TForm4* goods = m_main->form4();
        markGoods(u"Vŕtačka"_s); // an earlier mark that this search clears
        m_search->CheckBox1->setChecked(follow);

        // What the goods window shows while the search writes its marks (it clears at least the earlier one).
        struct Seen
        {
            int moves = 0;         // grid rows reset while the marks are set
            bool gridDrawn = true; // the grid repaints
            bool boxEnabled = true;
        } seen;
        QMetaObject::Connection views = connect(&m_main->shop().store(), &Store::tableChanged, this, [&] {
            seen.gridDrawn = seen.gridDrawn && goods->DBGrid1->updatesEnabled();
            seen.boxEnabled = seen.boxEnabled && m_search->CheckBox1->isEnabled();
        });
        QMetaObject::Connection resets = connect(goods->model, &QAbstractItemModel::modelReset, this, [&] {
            if (!goods->Table1->filtered()) ++seen.moves;
        });
        search(TForm5::Goods, text);
        disconnect(views);
        disconnect(resets);

        QCOMPARE(markedSubjects(), setOf(found));
        QCOMPARE(goods->Table1->filter(), u"WRK = True"_s);
        QVERIFY(goods->Table1->filtered());
        QCOMPARE(goods->windowTitle(), u"Hľadané založené predmety"_s);
        QCOMPARE(goods->model->rowCount(), found.size());
        QCOMPARE(m_main->mdiArea()->activeSubWindow()->widget(), goods);
        QVERIFY(!seen.boxEnabled);
        QCOMPARE(seen.gridDrawn, follow);
        QCOMPARE(seen.moves > 0, follow);
        QVERIFY(goods->DBGrid1->updatesEnabled());
        QVERIFY(m_search->CheckBox1->isEnabled());
        QCOMPARE(m_search->CheckBox1->isChecked(), follow);
        QCOMPARE(goods->Edit2->text(), found.isEmpty() ? QString() : goods->Table1->field(u"SUBJECT"_s).asString());
    }

    // A failure midway leaves the marks and the goods window's view as they were.
    void failedGoodsSearchChangesNothing()
    {
        TForm4* goods = m_main->form4();
        markGoods(u"Notebook"_s);
        m_main->action(u"Napredaj1"_s)->trigger(); // a filtered view of the goods window
        const QString title = goods->windowTitle();
        const QString filter = goods->Table1->filter();
        TestBackend::refuse(m_main->shop().store(), u"UPDATE OF WRK"_s, u"Inventar"_s, u"SUBJECT"_s, u"Vŕtačka"_s);
        m_search->CheckBox1->setChecked(false);
        search(TForm5::Goods, u"a"_s);
        const auto shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().text.contains(u"disk I/O error"_s), qPrintable(shown.first().text));
        QCOMPARE(markedSubjects(), QSet<QString>{u"Notebook"_s});
        QCOMPARE(goods->windowTitle(), title);
        QCOMPARE(goods->Table1->filter(), filter);
        QVERIFY(goods->Table1->filtered());
        QCOMPARE(goods->Table1->state(), Table::State::Browse);
        QVERIFY(goods->DBGrid1->updatesEnabled());
        QVERIFY(!goods->model->updatesSuspended());
        QVERIFY(m_search->CheckBox1->isEnabled());
        QVERIFY(m_main->menuBar()->isEnabled());
        QVERIFY(!QApplication::overrideCursor());
        TestBackend::allow(m_main->shop().store());
    }
};

QTEST_MAIN(TestSearch)
#include "TestBackend.h"
#include "tst_search.moc"
