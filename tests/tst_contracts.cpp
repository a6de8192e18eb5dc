// The contracts window driven by its controls, on a fresh store, through the whole program.

#include "FreshProgram.h"
#include "app/Main.h"
#include "app/StartProgram.h"
#include "core/Shop.h"
#include "store/Clock.h"
#include "store/EventPump.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/TableModel.h"
#include "store/Values.h"
#include "store/admin/EngineConfig.h"
#include "support/Records.h"
#include "widgets/MaskEdit.h"
#include "widgets/Messages.h"
#include "windows/register/Inventar.h"
#include "windows/register/Osoby.h"
#include "windows/register/Predlz.h"
#include "windows/register/Zmluvy.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

using namespace Qt::Literals::StringLiterals;

using Fields = Records::Values;

namespace {
const QString NoGoods = u"Zmluva bola zapísaná bez založených predmetov..."_s;
const QString NoPledger = u"Rodné číslo nebolo nájdené..."_s;
const QDate Today(2026, 3, 10);
const QColor Red(Qt::red);
} // namespace

class TestContracts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void lifeOfOneContract();
    void boxMarksGoods_data();
    void boxMarksGoods();
    void keyboardTogglesOnlyTheBox();
    void newKeepsTheView_data();
    void newKeepsTheView();
    void unknownPledger_data();
    void unknownPledger();
    void numberTakenByAnotherCounter();
    void anotherCountersWriteReachesTheGrid();
    void existingNumberUpdated_data();
    void existingNumberUpdated();
    void conversionFailureStoresNothing_data();
    void conversionFailureStoresNothing();
    void rowColours_data();
    void rowColours();
    void weeksGiveDueDate_data();
    void weeksGiveDueDate();
    void weeksSpin();
    void leavingPercent_data();
    void leavingPercent();
    void totalNotComputableWhileBrowsing_data();
    void totalNotComputableWhileBrowsing();
    void netIncome_data();
    void netIncome();
    void refreshesDoNotNest();
    void emptyView();
    void gridKeysMoveThePanel();
    void deleteContract_data();
    void deleteContract();
    void writeMeetsAnotherCountersChange_data();
    void writeMeetsAnotherCountersChange();
    void deleteMeetsAnotherCountersChange_data();
    void deleteMeetsAnotherCountersChange();
    void boxWritesContractAndGoodsTogether();
    void goodsAndExtensionsButtons_data();
    void goodsAndExtensionsButtons();
    void searchBox();
    void doubleClickShowsPledger();

private:
    void addPerson(const QString& birthNumber, const QString& lastName, const QString& firstName);
    qint64 addContract(const Fields& fields);
    void addGoods(const QString& number, const QString& subject, const QString& sale = {});
    void addExtension(const QString& number, const QString& paid);
    QHash<QString, QString> contract(const QString& number);
    QStringList goodsFlags(const QString& number, const QString& field);
    int contractCount();
    int rowOf(const QString& number);
    void clickRow(const QString& number);
    void clickBox(QCheckBox* box);
    void leave(QWidget* from, QWidget* expectedNext);
    void selectPerson(const QString& birthNumber);
    QStringList comboItems();
    bool netIsRed();
    void anotherCounter(const QString& number, const QString& what);

    FreshProgram m_program;
    TForm1* m_main = nullptr;
    TForm2* f = nullptr;
};

void TestContracts::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestContracts::init()
{
    m_main = m_program.start(Today);
    QVERIFY(m_main);
    f = m_main->form2();
    QVERIFY(f);
    QCOMPARE(f->windowTitle(), u"Zmluvy"_s);
    m_main->showChild(f);
    m_main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_main));
    Messages::takeShown();
}

void TestContracts::cleanup()
{
    m_program.stop();
    m_main = nullptr;
    f = nullptr;
}

void TestContracts::addPerson(const QString& birthNumber, const QString& lastName, const QString& firstName)
{
    Records::addPerson(m_main->shop().store(), birthNumber, lastName, {{u"FIRSNAME"_s, firstName}});
}

qint64 TestContracts::addContract(const Fields& fields)
{
    return Records::write(m_main->shop().store(), u"Zmluvy.DBF"_s, fields);
}

void TestContracts::addGoods(const QString& number, const QString& subject, const QString& sale)
{
    Records::write(m_main->shop().store(), u"Inventar.DBF"_s,
                   {{u"NUMBER"_s, number}, {u"SUBJECT"_s, subject}, {u"PRED_SUMA"_s, sale}});
}

void TestContracts::addExtension(const QString& number, const QString& paid)
{
    Records::write(m_main->shop().store(), u"Predlz.DBF"_s, {{u"NUMBER"_s, number}, {u"X_PAID"_s, paid}});
}

QHash<QString, QString> TestContracts::contract(const QString& number)
{
    Table t(m_main->shop().store(), u"Zmluvy.DBF"_s);
    t.open();
    t.setIndexName(u"NUMBER"_s);
    QHash<QString, QString> out;
    if (!t.findKey(number)) return out;
    for (const FieldDef& def : t.definition().fields)
        out.insert(def.name, t.field(def.name).asString());
    return out;
}

QStringList TestContracts::goodsFlags(const QString& number, const QString& field)
{
    Table t(m_main->shop().store(), u"Inventar.DBF"_s);
    t.open();
    QStringList out;
    for (t.first(); !t.eof(); t.next())
        if (t.field(u"NUMBER"_s).asString() == number) out << t.field(field).asString();
    return out;
}

int TestContracts::contractCount()
{
    Table t(m_main->shop().store(), u"Zmluvy.DBF"_s);
    t.open();
    return t.recordCount();
}

int TestContracts::rowOf(const QString& number)
{
    QCoreApplication::processEvents(); // the grid refreshes after writes
    const int column = f->model->columnOf(u"NUMBER"_s);
    for (int r = 0; r < f->model->rowCount(); ++r)
        if (f->model->index(r, column).data().toString() == number) return r;
    return -1;
}

void TestContracts::clickRow(const QString& number)
{
    const int row = rowOf(number);
    QVERIFY2(row >= 0, qPrintable(number));
    const QRect cell = f->DBGrid1->visualRect(f->model->index(row, 1));
    QVERIFY(cell.isValid());
    QTest::mouseClick(f->DBGrid1->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(f->Table1->field(u"NUMBER"_s).asString(), number);
}

void TestContracts::clickBox(QCheckBox* box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    QCoreApplication::processEvents();
}

void TestContracts::leave(QWidget* from, QWidget* expectedNext)
{
    from->setFocus(Qt::OtherFocusReason);
    QCOMPARE(QApplication::focusWidget(), from);
    QTest::keyClick(from, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), expectedNext);
}

void TestContracts::selectPerson(const QString& birthNumber)
{
    Table& persons = *m_main->form3()->Table1;
    persons.setIndexName(u"BIRTHNUM"_s);
    QVERIFY(persons.findKey(birthNumber));
    persons.setIndexName(u"LASTNAME"_s);
}

QStringList TestContracts::comboItems()
{
    QStringList out;
    for (int i = 0; i < f->ComboBox1->count(); ++i)
        out << f->ComboBox1->itemText(i);
    return out;
}

bool TestContracts::netIsRed()
{
    return f->ComboBox1->palette().color(QPalette::Text) == Red;
}

// Two counters on one server: the number "&Nový" proposed here was written by the other one meanwhile.
void TestContracts::numberTakenByAnotherCounter()
{
    if (!m_main->shop().store().isServer()) QSKIP("Only a store on a server is shared by several counters");
    addPerson(u"8001011234"_s, u"Kováč"_s, u"Ján"_s);
    selectPerson(u"8001011234"_s);
    QTest::mouseClick(f->BitBtn2, Qt::LeftButton);
    QCOMPARE(f->Edit1->text(), u"26/00001"_s);
    f->Edit3->setText(u"1000"_s);
    {
        Store other(m_main->shop().store().dataDir());
        Table contracts(other, u"Zmluvy.DBF"_s);
        contracts.open();
        contracts.append();
        contracts.field(u"NUMBER"_s).setAsString(u"26/00001"_s);
        contracts.field(u"BIRTHNUM"_s).setAsString(u"7702023333"_s);
        contracts.post();
    }
    QTest::mouseClick(f->BitBtn4, Qt::LeftButton);
    auto shown = Messages::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0).kind, Messages::Kind::Error);
    QCOMPARE(
        shown.at(0).text,
        u"Číslo zmluvy 26/00001 medzitým zapísala iná pokladňa.\rZmluva dostane číslo 26/00002, zapíšte ju znova."_s);
    QCOMPARE(f->Edit1->text(), u"26/00002"_s);
    QCOMPARE(contract(u"26/00001"_s).value(u"BIRTHNUM"_s), u"7702023333"_s); // the other counter's, untouched
    QCOMPARE(contractCount(), 1);

    QTest::mouseClick(f->BitBtn4, Qt::LeftButton);
    shown = Messages::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0).text, NoGoods);
    QCOMPARE(contractCount(), 2);
    QCOMPARE(contract(u"26/00002"_s).value(u"BIRTHNUM"_s), u"8001011234"_s);
    QCOMPARE(contract(u"26/00002"_s).value(u"AMOUNT"_s), u"1000"_s);
}

// A contract the other counter writes shows in this one's grid by itself, and the clerk stays on the contract
// chosen.
void TestContracts::anotherCountersWriteReachesTheGrid()
{
    if (!m_main->shop().store().isServer()) QSKIP("Only a store on a server is shared by several counters");
    for (const char* number : {"26/00001", "26/00002", "26/00003"})
        addContract({{u"NUMBER"_s, QString::fromLatin1(number)}, {u"BIRTHNUM"_s, u"8001011234"_s}});
    clickRow(u"26/00002"_s);
    const int rows = f->model->rowCount();
    {
        Store other(m_main->shop().store().dataDir());
        Table contracts(other, u"Zmluvy.DBF"_s);
        contracts.open();
        contracts.append();
        contracts.field(u"NUMBER"_s).setAsString(u"26/00004"_s);
        contracts.post();
    }
    // Nothing here reads the store until the server's notice arrives.
    QTRY_COMPARE_WITH_TIMEOUT(f->model->rowCount(), rows + 1, 30000);
    QVERIFY(rowOf(u"26/00004"_s) >= 0);
    QCOMPARE(f->Table1->field(u"NUMBER"_s).asString(), u"26/00002"_s);
    const QModelIndexList selected = f->DBGrid1->selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first().row(), rowOf(u"26/00002"_s));
}

void TestContracts::lifeOfOneContract()
{
    addPerson(u"8001011234"_s, u"Kováč"_s, u"Ján"_s);
    selectPerson(u"8001011234"_s);

    QTest::mouseClick(f->BitBtn2, Qt::LeftButton);
    QCOMPARE(f->Edit1->text(), u"26/00001"_s);
    QCOMPARE(f->Edit2->text(), u"8001011234"_s);
    QCOMPARE(f->Edit7->text(), u"Kováč"_s);
    QCOMPARE(f->Edit8->text(), u"Ján"_s);
    QCOMPARE(Values::parseDate(f->MaskEdit1->text()), Today);
    QVERIFY(f->MaskEdit2->isEmptyDate());
    QCOMPARE(QApplication::focusWidget(), f->Edit1);

    f->Edit3->setText(u"1000"_s);
    f->Edit4->setText(u"15"_s);
    leave(f->Edit4, f->Edit5);
    QCOMPARE(f->Edit9->text(), u"1150"_s);
    f->Edit5->setText(u"3"_s);
    leave(f->Edit5, f->MaskEdit2);
    QCOMPARE(Values::parseDate(f->MaskEdit2->text()), QDate(2026, 3, 31));

    QTest::mouseClick(f->BitBtn4, Qt::LeftButton);
    const auto written = Messages::takeShown();
    QCOMPARE(written.size(), 1);
    QCOMPARE(written.at(0).kind, Messages::Kind::Warning);
    QCOMPARE(written.at(0).text, NoGoods);
    QCOMPARE(contractCount(), 1);
    auto c = contract(u"26/00001"_s);
    QCOMPARE(c.value(u"BIRTHNUM"_s), u"8001011234"_s);
    QCOMPARE(c.value(u"AGRDATE"_s), u"10.3.2026"_s);
    QCOMPARE(c.value(u"AMOUNT"_s), u"1000"_s);
    QCOMPARE(c.value(u"PERCENT"_s), u"15"_s);
    QCOMPARE(c.value(u"WEEKTIME"_s), u"3"_s);
    QCOMPARE(c.value(u"UNTIL"_s), u"31.3.2026"_s);
    for (const char* flag : {"PAID", "RETURNED", "PADAK", "RETENT"})
        QCOMPARE(c.value(QString::fromLatin1(flag)), u"False"_s);
    QCOMPARE(c.value(u"PAID_SUM"_s), QString());
    QCOMPARE(c.value(u"PAID_DATE"_s), QString());

    addGoods(u"26/00001"_s, u"Prsteň"_s);
    addGoods(u"26/00001"_s, u"Retiazka"_s);
    addGoods(u"26/00002"_s, u"Hodinky"_s);
    clickRow(u"26/00001"_s);
    QCOMPARE(f->ListBox1->count(), 2);
    QCOMPARE(f->ComboBox1->currentText(), u"-1000"_s);
    QVERIFY(netIsRed());

    clickBox(f->CheckBox1);
    QVERIFY(Messages::takeShown().isEmpty()); // goods exist now: no warning
    QCOMPARE(Values::parseDate(f->MaskEdit3->text()), Today);
    QCOMPARE(f->Edit6->text(), u"1150"_s);
    c = contract(u"26/00001"_s);
    QCOMPARE(c.value(u"PAID"_s), u"True"_s);
    QCOMPARE(c.value(u"PAID_SUM"_s), f->Edit9->text());
    QCOMPARE(c.value(u"PAID_DATE"_s), u"10.3.2026"_s);
    QCOMPARE(f->ComboBox1->currentText(), u"-1000"_s); // until the contract is shown again

    clickRow(u"26/00001"_s);
    QCOMPARE(comboItems(), (QStringList{u"-1000"_s, u"1150"_s}));
    QCOMPARE(f->ComboBox1->currentText(), u"150"_s);
    QVERIFY(!netIsRed());

    clickBox(f->CheckBox2);
    c = contract(u"26/00001"_s);
    QCOMPARE(c.value(u"RETURNED"_s), u"True"_s);
    QCOMPARE(c.value(u"RETUDATE"_s), u"10.3.2026"_s);
    QCOMPARE(c.value(u"PAID"_s), u"True"_s);
    QCOMPARE(goodsFlags(u"26/00001"_s, u"VRATENE"_s), (QStringList{u"True"_s, u"True"_s}));
    QCOMPARE(goodsFlags(u"26/00002"_s, u"VRATENE"_s), QStringList{QString()});

    // Taking the payment back empties its date and sum; shown again the loan is out.
    clickBox(f->CheckBox1);
    c = contract(u"26/00001"_s);
    QCOMPARE(c.value(u"PAID"_s), u"False"_s);
    QCOMPARE(c.value(u"PAID_SUM"_s), QString());
    QCOMPARE(c.value(u"PAID_DATE"_s), QString());
    clickRow(u"26/00001"_s);
    QCOMPARE(f->ComboBox1->currentText(), u"-1000"_s);
    QVERIFY(netIsRed());
    QCOMPARE(contractCount(), 1);
}

void TestContracts::boxMarksGoods_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("contractFlag");
    QTest::addColumn<QString>("goodsFlag");
    QTest::addColumn<QString>("dateField");

    QTest::newRow("returned") << "CheckBox2"
                              << "RETURNED"
                              << "VRATENE"
                              << "RETUDATE";
    QTest::newRow("forfeited") << "CheckBox3"
                               << "PADAK"
                               << "PREPADNUTE"
                               << "";
}

void TestContracts::boxMarksGoods()
{
    QFETCH(QString, box);
    QFETCH(QString, contractFlag);
    QFETCH(QString, goodsFlag);
    QFETCH(QString, dateField);

    addPerson(u"111"_s, u"Alfa"_s, u"Anna"_s);
    addContract({{u"NUMBER"_s, u"26/00007"_s}, {u"BIRTHNUM"_s, u"111"_s}, {u"AMOUNT"_s, u"500"_s}});
    addContract({{u"NUMBER"_s, u"26/00008"_s}, {u"BIRTHNUM"_s, u"111"_s}});
    for (const char* subject : {"Prsteň", "Retiazka", "Hodinky"})
        addGoods(u"26/00007"_s, QString::fromUtf8(subject));
    addGoods(u"26/00008"_s, u"Fotoaparát"_s);
    addGoods(u"26/00006"_s, u"Rádio"_s);
    auto* check = f->findChild<QCheckBox*>(box);
    QVERIFY(check);

    clickRow(u"26/00007"_s);
    clickBox(check);
    QVERIFY(check->isChecked());
    QCOMPARE(contract(u"26/00007"_s).value(contractFlag), u"True"_s);
    if (!dateField.isEmpty()) QCOMPARE(contract(u"26/00007"_s).value(dateField), u"10.3.2026"_s);
    QCOMPARE(goodsFlags(u"26/00007"_s, goodsFlag), QStringList(3, u"True"_s));
    // Neighbours in the goods order are not touched.
    QCOMPARE(goodsFlags(u"26/00008"_s, goodsFlag), QStringList{QString()});
    QCOMPARE(goodsFlags(u"26/00006"_s, goodsFlag), QStringList{QString()});

    clickBox(check);
    QCOMPARE(contract(u"26/00007"_s).value(contractFlag), u"False"_s);
    if (!dateField.isEmpty()) QCOMPARE(contract(u"26/00007"_s).value(dateField), QString());
    QCOMPARE(goodsFlags(u"26/00007"_s, goodsFlag), QStringList(3, u"False"_s));
    QVERIFY(Messages::takeShown().isEmpty());
    QCOMPARE(contractCount(), 2);
}

void TestContracts::keyboardTogglesOnlyTheBox()
{
    addPerson(u"111"_s, u"Alfa"_s, u"Anna"_s);
    addContract({{u"NUMBER"_s, u"26/00001"_s}, {u"BIRTHNUM"_s, u"111"_s}, {u"AMOUNT"_s, u"100"_s}});
    addGoods(u"26/00001"_s, u"Prsteň"_s);
    clickRow(u"26/00001"_s);

    for (QCheckBox* box : {f->CheckBox1, f->CheckBox2, f->CheckBox3}) {
        box->setFocus(Qt::TabFocusReason);
        QTest::keyClick(box, Qt::Key_Space);
        QVERIFY(box->isChecked());
    }
    QVERIFY(f->MaskEdit3->isEmptyDate());
    const auto c = contract(u"26/00001"_s);
    QCOMPARE(c.value(u"PAID"_s), QString());
    QCOMPARE(c.value(u"RETURNED"_s), QString());
    QCOMPARE(c.value(u"PADAK"_s), QString());
    QCOMPARE(goodsFlags(u"26/00001"_s, u"VRATENE"_s), QStringList{QString()});
    QVERIFY(Messages::takeShown().isEmpty());

    // The next "Z&apíš" takes the boxes along.
    QTest::mouseClick(f->BitBtn4, Qt::LeftButton);
    QCOMPARE(contract(u"26/00001"_s).value(u"PADAK"_s), u"True"_s);
}

void TestContracts::newKeepsTheView_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("proposed");

    QTest::newRow("same year") << Today << "26/00010";
    QTest::newRow("next year, serial runs on") << QDate(2027, 1, 2) << "27/00010";
}

void TestContracts::newKeepsTheView()
{
    QFETCH(QDate, today);
    QFETCH(QString, proposed);

    Clock::setToday(today);
    addPerson(u"111"_s, u"Alfa"_s, u"Anna"_s);
    addContract({{u"NUMBER"_s, u"26/00005"_s}, {u"BIRTHNUM"_s, u"111"_s}});
    addContract({{u"NUMBER"_s, u"26/00009"_s}, {u"BIRTHNUM"_s, u"222"_s}});
    f->Table1->setFilter(u"BIRTHNUM='111'"_s);
    f->Table1->setFiltered(true);
    f->ShowContract();
    QVERIFY(f->CheckBox5->isChecked());

    QTest::mouseClick(f->BitBtn2, Qt::LeftButton);
    QCOMPARE(f->Edit1->text(), proposed);
    QVERIFY(f->Table1->hasActiveFilter());
    QCOMPARE(f->Table1->filter(), u"BIRTHNUM='111'"_s);
    QCOMPARE(rowOf(u"26/00009"_s), -1);
    QCOMPARE(rowOf(u"26/00005"_s), 0);
    QVERIFY(f->CheckBox5->isChecked());
}

void TestContracts::unknownPledger_data()
{
    QTest::addColumn<bool>("personExists");
    QTest::addColumn<bool>("byBox");

    QTest::newRow("no person selected, Z&apíš") << false << false;
    QTest::newRow("no person selected, Zaplat&ené") << false << true;
    QTest::newRow("person deleted meanwhile, Z&apíš") << true << false;
}

void TestContracts::unknownPledger()
{
    QFETCH(bool, personExists);
    QFETCH(bool, byBox);

    if (personExists) {
        addPerson(u"111"_s, u"Alfa"_s, u"Anna"_s);
        selectPerson(u"111"_s);
    }
    QTest::mouseClick(f->BitBtn2, Qt::LeftButton);
    QCOMPARE(f->Edit2->text(), personExists ? u"111"_s : QString());
    if (personExists) {
        Table t(m_main->shop().store(), u"Osoby.DBF"_s);
        t.open();
        t.remove();
    }
    f->Edit3->setText(u"1000"_s);
    if (byBox)
        clickBox(f->CheckBox1);
    else
        QTest::mouseClick(f->BitBtn4, Qt::LeftButton);

    const auto shown = Messages::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0).kind, Messages::Kind::Error);
    QCOMPARE(shown.at(0).text, NoPledger);
    QCOMPARE(contractCount(), 0);
    if (byBox) QVERIFY(f->CheckBox1->isChecked()); // stays as clicked
    f->Table1->first();
    QCOMPARE(contractCount(), 0);
}

void TestContracts::existingNumberUpdated_data()
{
    QTest::addColumn<QString>("view");
    QTest::addColumn<QString>("number");
    QTest::addColumn<int>("count");

    QTest::newRow("existing, shown") << ""
                                     << "26/00003" << 2;
    QTest::newRow("existing, hidden by the view") << "BIRTHNUM='222'"
                                                  << "26/00003" << 2;
    QTest::newRow("new, written twice") << ""
                                        << "26/00005" << 3;
    QTest::newRow("new, written twice while the view hides it") << "BIRTHNUM='222'"
                                                                << "26/00005" << 3;
    QTest::newRow("trailing blank typed") << ""
                                          << "26/00003 " << 2;
}

void TestContracts::existingNumberUpdated()
{
    QFETCH(QString, view);
    QFETCH(QString, number);
    QFETCH(int, count);

    addPerson(u"111"_s, u"Alfa"_s, u"Anna"_s);
    addPerson(u"222"_s, u"Beta"_s, u"Boris"_s);
    addContract({{u"NUMBER"_s, u"26/00003"_s}, {u"BIRTHNUM"_s, u"111"_s}, {u"AMOUNT"_s, u"500"_s}});
    addContract({{u"NUMBER"_s, u"26/00004"_s}, {u"BIRTHNUM"_s, u"222"_s}, {u"AMOUNT"_s, u"900"_s}});
    if (!view.isEmpty()) {
        f->Table1->setFilter(view);
        f->Table1->setFiltered(true);
    }
    selectPerson(u"111"_s);

    QTest::mouseClick(f->BitBtn2, Qt::LeftButton);
    f->Edit1->setText(number);
    f->Edit3->setText(u"700"_s);
    QTest::mouseClick(f->BitBtn4, Qt::LeftButton);
    f->Edit3->setText(u"800"_s);
    QTest::mouseClick(f->BitBtn4, Qt::LeftButton);

    QCOMPARE(contractCount(), count);
    const QString key = number.trimmed();
    QCOMPARE(contract(key).value(u"AMOUNT"_s), u"800"_s);
    QCOMPARE(contract(key).value(u"BIRTHNUM"_s), u"111"_s);
    QCOMPARE(contract(u"26/00004"_s).value(u"AMOUNT"_s), u"900"_s);
    QCOMPARE(f->Table1->hasActiveFilter(), !view.isEmpty());
    QCOMPARE(f->Table1->filter(), view);
    QCOMPARE(rowOf(key) >= 0, view.isEmpty());
    for (const Messages::Shown& m : Messages::takeShown())
        QCOMPARE(m.text, NoGoods);
}

void TestContracts::conversionFailureStoresNothing_data()
{
    QTest::addColumn<bool>("existing");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");

    const struct
    {
        const char* name;
        const char* box;
        const char* text;
        const char* message;
    } cases[] = {
        {"amount", "Edit3", "12a", "'12a' is not a valid floating point value for field 'AMOUNT'"},
        {"percent", "Edit4", "x", "'x' is not a valid floating point value for field 'PERCENT'"},
        {"weeks", "Edit5", "3w", "'3w' is not a valid integer value for field 'WEEKTIME'"},
        {"paid sum", "Edit6", "1,2,3", "'1,2,3' is not a valid floating point value for field 'PAID_SUM'"},
        {"due date", "MaskEdit2", "32.13.2026", "'32.13.2026' is not a valid date"},
        {"return date", "MaskEdit4", "30.02.2026", "'30.02.2026' is not a valid date"},
    };
    for (const auto& c : cases) {
        for (const bool existing : {false, true})
            QTest::addRow("%s, %s", c.name, existing ? "existing contract" : "new contract")
                << existing << QString::fromLatin1(c.box) << QString::fromLatin1(c.text)
                << QString::fromLatin1(c.message);
    }
}

void TestContracts::conversionFailureStoresNothing()
{
    QFETCH(bool, existing);
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(QString, message);

    addPerson(u"111"_s, u"Alfa"_s, u"Anna"_s);
    selectPerson(u"111"_s);
    if (existing) {
        addContract({{u"NUMBER"_s, u"26/00001"_s}, {u"BIRTHNUM"_s, u"111"_s}, {u"AMOUNT"_s, u"1000"_s}});
        clickRow(u"26/00001"_s);
        f->Edit3->setFocus(Qt::MouseFocusReason); // the clerk clicks into the panel first
    } else {
        QTest::mouseClick(f->BitBtn2, Qt::LeftButton);
    }
    // Fields written before the failing one must not survive either.
    if (box != u"Edit3"_s) f->Edit3->setText(u"2000"_s);
    auto* edit = f->findChild<QLineEdit*>(box);
    QVERIFY(edit);
    edit->setText(text);
    QTest::mouseClick(f->BitBtn4, Qt::LeftButton);

    const auto shown = Messages::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0).text, message);
    QCOMPARE(shown.at(0).kind, Messages::Kind::Error);
    QCOMPARE(edit->displayText(), text); // the panel keeps what was typed

    // Nothing pending either: moving the cursor must not post a half-filled record.
    f->Table1->first();
    f->Table1->last();
    QCOMPARE(contractCount(), existing ? 1 : 0);
    if (existing) QCOMPARE(contract(u"26/00001"_s).value(u"AMOUNT"_s), u"1000"_s);

    // Corrected, the same panel is written once.
    if (qobject_cast<MaskEdit*>(edit))
        static_cast<MaskEdit*>(edit)->setDate(QDate());
    else
        edit->setText(u"5"_s);
    QTest::mouseClick(f->BitBtn4, Qt::LeftButton);
    QCOMPARE(contractCount(), 1);
    QCOMPARE(contract(u"26/00001"_s).value(u"AMOUNT"_s), box == u"Edit3"_s ? u"5"_s : u"2000"_s);
}

void TestContracts::rowColours_data()
{
    QTest::addColumn<QDate>("until");
    QTest::addColumn<QString>("returned");
    QTest::addColumn<QString>("forfeited");
    QTest::addColumn<QColor>("colour"); // invalid: the grid's normal colour

    const QColor normal, grey(128, 128, 128), green(0, 128, 0), blue(0, 0, 255);
    QTest::newRow("due tomorrow") << Today.addDays(1) << ""
                                  << "" << green;
    QTest::newRow("due today") << Today << "False"
                               << "False" << normal;
    QTest::newRow("overdue") << Today.addDays(-1) << ""
                             << "" << normal;
    QTest::newRow("no due date") << QDate() << ""
                                 << "" << normal;
    QTest::newRow("returned, due yesterday") << Today.addDays(-1) << "True"
                                             << "" << grey;
    QTest::newRow("returned, due tomorrow") << Today.addDays(1) << "True"
                                            << "False" << green;
    QTest::newRow("forfeited, due tomorrow") << Today.addDays(1) << ""
                                             << "True" << blue;
    QTest::newRow("forfeited and returned, overdue") << Today.addDays(-5) << "True"
                                                     << "True" << blue;
}

void TestContracts::rowColours()
{
    QFETCH(QDate, until);
    QFETCH(QString, returned);
    QFETCH(QString, forfeited);
    QFETCH(QColor, colour);

    addContract({{u"NUMBER"_s, u"26/00001"_s},
                 {u"UNTIL"_s, Values::shortDateText(until)},
                 {u"RETURNED"_s, returned},
                 {u"PADAK"_s, forfeited}});
    const int row = rowOf(u"26/00001"_s);
    QVERIFY(row >= 0);
    for (int column = 1; column < f->model->columnCount(); ++column) {
        const QVariant v = f->model->index(row, column).data(Qt::ForegroundRole);
        if (colour.isValid())
            QCOMPARE(v.value<QColor>(), colour);
        else
            QVERIFY(!v.isValid());
    }
    QVERIFY(f->DBGrid1->isColumnHidden(0));
    QCOMPARE(f->model->headerData(0, Qt::Horizontal).toString(), u"Work"_s);
}

void TestContracts::weeksGiveDueDate_data()
{
    QTest::addColumn<QString>("agreed");
    QTest::addColumn<QString>("weeks");
    QTest::addColumn<QDate>("due");
    QTest::addColumn<QString>("message");

    const QDate before(2026, 1, 1);
    QTest::newRow("3 weeks") << "10.3.2026"
                             << "3" << QDate(2026, 3, 31) << "";
    QTest::newRow("4 weeks, one month") << "10.3.2026"
                                        << "4" << QDate(2026, 4, 10) << "";
    QTest::newRow("4 weeks over the year") << "15.12.2026"
                                           << "4" << QDate(2027, 1, 15) << "";
    QTest::newRow("0 weeks") << "10.3.2026"
                             << "0" << QDate(2026, 3, 10) << "";
    QTest::newRow("weeks not a number") << "10.3.2026"
                                        << "x" << before << "";
    QTest::newRow("weeks empty") << "10.3.2026"
                                 << "" << before << "";
    QTest::newRow("no contract date") << ""
                                      << "3" << before << "'  .  .    ' is not a valid date";
}

void TestContracts::weeksGiveDueDate()
{
    QFETCH(QString, agreed);
    QFETCH(QString, weeks);
    QFETCH(QDate, due);
    QFETCH(QString, message);

    f->MaskEdit1->setFocus(Qt::MouseFocusReason);
    f->MaskEdit1->setText(agreed);
    f->MaskEdit2->setDate(QDate(2026, 1, 1));
    f->Edit5->setText(weeks);
    leave(f->Edit5, f->MaskEdit2);
    QCOMPARE(Values::parseDate(f->MaskEdit2->text()), std::optional<QDate>(due));
    const auto shown = Messages::takeShown();
    QCOMPARE(shown.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) QCOMPARE(shown.at(0).text, message);
}

void TestContracts::weeksSpin()
{
    QCOMPARE(f->UpDown1->minimum(), 0);
    QCOMPARE(f->UpDown1->maximum(), 100);
    f->Edit5->setText(u"7"_s);
    f->UpDown1->stepUp();
    QCOMPARE(f->Edit5->text(), u"8"_s);
    f->UpDown1->setValue(100);
    QCOMPARE(f->Edit5->text(), u"100"_s); // not cut to the two typed places
    f->UpDown1->stepDown();
    QCOMPARE(f->Edit5->text(), u"99"_s);
    QCOMPARE(f->Edit5->maxLength(), 2);
}

void TestContracts::leavingPercent_data()
{
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("percent");
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("message");

    QTest::newRow("whole") << "1000"
                           << "15"
                           << "1150"
                           << "";
    QTest::newRow("fraction") << "333"
                              << "10"
                              << "366,3"
                              << "";
    QTest::newRow("percent not whole") << "1000"
                                       << "x"
                                       << "old"
                                       << "";
    QTest::newRow("amount not whole") << "abc"
                                      << "10"
                                      << "old"
                                      << "'abc' is not a valid integer value";
    QTest::newRow("amount empty") << ""
                                  << "10"
                                  << "old"
                                  << "'' is not a valid integer value";
}

void TestContracts::leavingPercent()
{
    QFETCH(QString, amount);
    QFETCH(QString, percent);
    QFETCH(QString, total);
    QFETCH(QString, message);

    f->Edit3->setFocus(Qt::MouseFocusReason); // as the clerk clicks in; leaving the grid refreshes the panel
    f->Edit9->setText(u"old"_s);
    f->Edit3->setText(amount);
    f->Edit4->setText(percent);
    leave(f->Edit4, f->Edit5);
    QCOMPARE(f->Edit9->text(), total);
    const auto shown = Messages::takeShown();
    QCOMPARE(shown.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) QCOMPARE(shown.at(0).text, message);
}

void TestContracts::totalNotComputableWhileBrowsing_data()
{
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("percent");

    QTest::newRow("amount empty") << ""
                                  << "10";
    QTest::newRow("percent empty") << "1000"
                                   << "";
}

void TestContracts::totalNotComputableWhileBrowsing()
{
    QFETCH(QString, amount);
    QFETCH(QString, percent);

    addPerson(u"111"_s, u"Alfa"_s, u"Anna"_s);
    addContract(
        {{u"NUMBER"_s, u"26/00001"_s}, {u"BIRTHNUM"_s, u"111"_s}, {u"AMOUNT"_s, u"200"_s}, {u"PERCENT"_s, u"10"_s}});
    addContract({{u"NUMBER"_s, u"26/00002"_s},
                 {u"BIRTHNUM"_s, u"111"_s},
                 {u"AMOUNT"_s, amount},
                 {u"PERCENT"_s, percent},
                 {u"WEEKTIME"_s, u"2"_s},
                 {u"AGRDATE"_s, u"1.3.2026"_s},
                 {u"UNTIL"_s, u"15.3.2026"_s},
                 {u"PADAK"_s, u"True"_s}});
    clickRow(u"26/00001"_s);
    QCOMPARE(f->Edit9->text(), u"220"_s);

    clickRow(u"26/00002"_s);
    QVERIFY(Messages::takeShown().isEmpty());
    QCOMPARE(f->Edit9->text(), QString()); // not the total of the contract shown before
    QCOMPARE(f->Edit7->text(), u"Alfa"_s);
    QCOMPARE(f->Edit5->text(), u"2"_s);
    QCOMPARE(Values::parseDate(f->MaskEdit1->text()), QDate(2026, 3, 1));
    QCOMPARE(Values::parseDate(f->MaskEdit2->text()), QDate(2026, 3, 15));
    QVERIFY(f->CheckBox3->isChecked());
    QCOMPARE(f->ComboBox1->currentText(), amount.isEmpty() ? u"0"_s : u"-1000"_s);
}

void TestContracts::netIncome_data()
{
    QTest::addColumn<Fields>("fields");
    QTest::addColumn<QStringList>("payments");
    QTest::addColumn<QStringList>("sales");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<bool>("red");

    const Fields base{{u"AMOUNT"_s, u"1000"_s}};
    QTest::newRow("not extended: payments ignored")
        << base << QStringList{u"100"_s} << QStringList{} << QStringList{u"-1000"_s} << true;
    QTest::newRow("extended: non-zero payments and sales")
        << Fields{{u"AMOUNT"_s, u"1000"_s}, {u"RETENT"_s, u"True"_s}} << QStringList{u"100"_s, u"0"_s, u"50"_s}
        << QStringList{u"300"_s, u""_s} << QStringList{u"-1000"_s, u"100"_s, u"50"_s, u"300"_s} << true;
    QTest::newRow("sales pay it back") << base << QStringList{} << QStringList{u"700"_s, u"400,5"_s}
                                       << QStringList{u"-1000"_s, u"700"_s, u"400"_s} << false;
    QTest::newRow("paid") << Fields{{u"AMOUNT"_s, u"1000"_s}, {u"PAID"_s, u"True"_s}, {u"PAID_SUM"_s, u"1150"_s}}
                          << QStringList{} << QStringList{} << QStringList{u"-1000"_s, u"1150"_s} << false;
    QTest::newRow("paid sum without the mark") << Fields{{u"AMOUNT"_s, u"1000"_s}, {u"PAID_SUM"_s, u"1150"_s}}
                                               << QStringList{} << QStringList{} << QStringList{u"-1000"_s} << true;
    QTest::newRow("nothing lent") << Fields{} << QStringList{} << QStringList{} << QStringList{u"0"_s} << false;
}

void TestContracts::netIncome()
{
    QFETCH(Fields, fields);
    QFETCH(QStringList, payments);
    QFETCH(QStringList, sales);
    QFETCH(QStringList, items);
    QFETCH(bool, red);

    addPerson(u"111"_s, u"Alfa"_s, u"Anna"_s);
    fields.prepend({u"BIRTHNUM"_s, u"111"_s});
    fields.prepend({u"NUMBER"_s, u"26/00002"_s});
    addContract(fields);
    // Children of the neighbouring contracts must not count.
    for (const char* other : {"26/00001", "26/00003"}) {
        addExtension(QString::fromLatin1(other), u"77"_s);
        addGoods(QString::fromLatin1(other), u"Cudzí"_s, u"88"_s);
    }
    for (const QString& p : payments)
        addExtension(u"26/00002"_s, p);
    for (int i = 0; i < sales.size(); ++i)
        addGoods(u"26/00002"_s, u"Predmet "_s + QString::number(i), sales.at(i));

    clickRow(u"26/00002"_s);
    QCOMPARE(comboItems(), items);
    qint64 net = 0;
    for (const QString& item : items)
        net += item.toLongLong();
    QCOMPARE(f->ComboBox1->currentText(), QString::number(net));
    QCOMPARE(netIsRed(), red);
    QCOMPARE(f->ListBox1->count(), sales.size());
}

void TestContracts::refreshesDoNotNest()
{
    addPerson(u"111"_s, u"Alfa"_s, u"Anna"_s);
    addContract(
        {{u"NUMBER"_s, u"26/00001"_s}, {u"BIRTHNUM"_s, u"111"_s}, {u"AMOUNT"_s, u"1000"_s}, {u"RETENT"_s, u"True"_s}});
    const qint64 other =
        addContract({{u"NUMBER"_s, u"26/00002"_s}, {u"BIRTHNUM"_s, u"111"_s}, {u"AMOUNT"_s, u"200"_s}});
    for (const char* paid : {"10", "20", "30", "40"})
        addExtension(u"26/00001"_s, QString::fromLatin1(paid));
    clickRow(u"26/00001"_s);

    // A click on another contract arrives while the sums of the first one are being listed.
    EventPump::setInterval(0);
    const auto restore = qScopeGuard([] { EventPump::setInterval(40); });
    bool arrived = false;
    QTimer::singleShot(0, this, [&] {
        arrived = true;
        QVERIFY(f->Table1->gotoRowId(other));
        f->ShowContract();
    });
    f->ShowContract();
    QVERIFY(arrived);
    QCOMPARE(f->Edit1->text(), u"26/00002"_s);
    QCOMPARE(comboItems(), QStringList{u"-200"_s});
    QCOMPARE(f->ComboBox1->currentText(), u"-200"_s);
}

void TestContracts::emptyView()
{
    addPerson(u"111"_s, u"Alfa"_s, u"Anna"_s);
    addContract(
        {{u"NUMBER"_s, u"26/00001"_s}, {u"BIRTHNUM"_s, u"111"_s}, {u"AMOUNT"_s, u"1000"_s}, {u"PAID"_s, u"True"_s}});
    addGoods(u"26/00001"_s, u"Prsteň"_s);
    addGoods(QString(), u"Bez zmluvy"_s);
    clickRow(u"26/00001"_s);
    QVERIFY(f->CheckBox1->isChecked());

    f->Table1->setFilter(u"BIRTHNUM='999'"_s);
    f->Table1->setFiltered(true);
    f->ShowContract();
    for (QLineEdit* e : {f->Edit1, f->Edit2, f->Edit3, f->Edit4, f->Edit5, f->Edit6, f->Edit7, f->Edit8, f->Edit9})
        QCOMPARE(e->text(), QString());
    for (QCheckBox* b : {f->CheckBox1, f->CheckBox2, f->CheckBox3, f->CheckBox4})
        QVERIFY(!b->isChecked());
    QVERIFY(f->CheckBox5->isChecked());
    QCOMPARE(f->ListBox1->count(), 0);
    QCOMPARE(f->ComboBox1->currentText(), u"0"_s);
    QVERIFY(!f->BitBtn6->isEnabled());
}

void TestContracts::gridKeysMoveThePanel()
{
    for (const char* number : {"26/00001", "26/00002", "26/00003"})
        addContract({{u"NUMBER"_s, QString::fromLatin1(number)}});
    clickRow(u"26/00003"_s);
    QCOMPARE(f->Edit1->text(), u"26/00003"_s);
    QTest::keyClick(f->DBGrid1, Qt::Key_Down);
    QCOMPARE(f->Table1->field(u"NUMBER"_s).asString(), u"26/00002"_s);
    QCOMPARE(f->Edit1->text(), u"26/00002"_s);
    QTest::keyClick(f->DBGrid1, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(f->Edit1->text(), u"26/00001"_s);
}

void TestContracts::deleteContract_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("No") << false;
    QTest::newRow("Yes") << true;
}

void TestContracts::deleteContract()
{
    QFETCH(bool, yes);

    addContract({{u"NUMBER"_s, u"26/00001"_s}});
    addContract({{u"NUMBER"_s, u"26/00002"_s}});
    addGoods(u"26/00002"_s, u"Prsteň"_s);
    addExtension(u"26/00002"_s, u"50"_s);
    clickRow(u"26/00002"_s);

    Messages::pushAnswer(yes);
    QTest::mouseClick(f->BitBtn5, Qt::LeftButton);
    const auto shown = Messages::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0).kind, Messages::Kind::Question);
    QCOMPARE(shown.at(0).text, u"Skutočne mažete zmluvu\r26/00002 ?"_s);
    QCOMPARE(contractCount(), yes ? 1 : 2);
    QCOMPARE(contract(u"26/00002"_s).isEmpty(), yes);
    QCOMPARE(contract(u"26/00001"_s).isEmpty(), false);
    QCOMPARE(goodsFlags(u"26/00002"_s, u"SUBJECT"_s), QStringList{u"Prsteň"_s});
}

// What another counter does to the contract with number, in a store of its own on the same location:
// "change" its paid sum to 300, "renumber" it 26/00009, or "delete" it.
void TestContracts::anotherCounter(const QString& number, const QString& what)
{
    const QString field = what == u"change"_s ? u"PAID_SUM"_s : u"NUMBER"_s;
    const QString value = what == u"change"_s ? u"300"_s : u"26/00009"_s;
    ::anotherCounter(
        m_main->shop().store(), u"Zmluvy.DBF"_s, u"NUMBER"_s, number,
        what == u"delete"_s ? std::function<void(Table&)>() : [&](Table& t) { t.field(field).setAsString(value); });
}

// Another counter changed or deleted the contract shown since the panel was filled: "Z&apíš" says so once and
// stores nothing, the boxes keep what the clerk typed (also when the grid is entered and left), the grid shows
// the contract as it is now, and a second "Z&apíš" writes the boxes over it (as a new contract under the typed
// number, when none has it any more).
void TestContracts::writeMeetsAnotherCountersChange_data()
{
    QTest::addColumn<QString>("theirs");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("numbersAfter"); // in the grid, after the second "Z&apíš"
    const QString changed = u"Zmluvu 26/00001 medzitým zmenila iná pokladňa.\rNič nebolo zapísané; vaše údaje zostali "
                            u"v poliach a tabuľka ukazuje záznam, ako je teraz."_s;
    QTest::newRow("changed") << u"change"_s << changed << QStringList{u"26/00002"_s, u"26/00001"_s};
    QTest::newRow("renumbered") << u"renumber"_s << changed << QStringList{u"26/00009"_s, u"26/00002"_s, u"26/00001"_s};
    QTest::newRow("deleted") << u"delete"_s << u"Zmluvu 26/00001 medzitým zmazala iná pokladňa.\rNič nebolo zapísané."_s
                             << QStringList{u"26/00002"_s, u"26/00001"_s};
}

void TestContracts::writeMeetsAnotherCountersChange()
{
    QFETCH(QString, theirs);
    QFETCH(QString, message);
    QFETCH(QStringList, numbersAfter);
    addPerson(u"111"_s, u"Alfa"_s, u"Anna"_s);
    addContract(
        {{u"NUMBER"_s, u"26/00001"_s}, {u"BIRTHNUM"_s, u"111"_s}, {u"AMOUNT"_s, u"1000"_s}, {u"PAID_SUM"_s, u"100"_s}});
    addContract({{u"NUMBER"_s, u"26/00002"_s}, {u"BIRTHNUM"_s, u"111"_s}, {u"AMOUNT"_s, u"500"_s}});
    addGoods(u"26/00001"_s, u"Prsteň"_s);
    clickRow(u"26/00001"_s);
    retype(f->Edit3, u"1200"_s);
    anotherCounter(u"26/00001"_s, theirs);

    QTest::mouseClick(f->BitBtn4, Qt::LeftButton);
    auto shown = Messages::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0).kind, Messages::Kind::Error);
    QCOMPARE(shown.at(0).text, message);
    // Nothing stored: the other counter's contract as it left it.
    QCOMPARE(contract(u"26/00001"_s).value(u"AMOUNT"_s), theirs == u"change"_s ? u"1000"_s : QString());
    QCOMPARE(contract(u"26/00001"_s).value(u"PAID_SUM"_s), theirs == u"change"_s ? u"300"_s : QString());
    QCOMPARE(contract(u"26/00009"_s).value(u"AMOUNT"_s), theirs == u"renumber"_s ? u"1000"_s : QString());
    // The grid shows the contract as it is now.
    QCOMPARE(rowOf(u"26/00001"_s) >= 0, theirs == u"change"_s);
    QCOMPARE(rowOf(u"26/00009"_s) >= 0, theirs == u"renumber"_s);
    if (theirs == u"change"_s)
        QCOMPARE(f->model->index(rowOf(u"26/00001"_s), f->model->columnOf(u"PAID_SUM"_s)).data().toString(), u"300"_s);
    // The boxes keep what was typed, also when the grid is entered and left.
    f->DBGrid1->setFocus(Qt::MouseFocusReason);
    f->Edit4->setFocus(Qt::MouseFocusReason);
    QCoreApplication::processEvents();
    QCOMPARE(f->Edit1->text(), u"26/00001"_s);
    QCOMPARE(f->Edit3->text(), u"1200"_s);
    QCOMPARE(f->Edit6->text(), u"100"_s);

    QTest::mouseClick(f->BitBtn4, Qt::LeftButton);
    QCOMPARE(Messages::takeShown().size(), 0);
    QCOMPARE(contract(u"26/00001"_s).value(u"AMOUNT"_s), u"1200"_s);
    QCOMPARE(contract(u"26/00001"_s).value(u"PAID_SUM"_s), u"100"_s); // the boxes over the other's change
    QCOMPARE(contract(u"26/00009"_s).value(u"AMOUNT"_s), theirs == u"renumber"_s ? u"1000"_s : QString());
    QStringList numbers;
    for (int r = 0; r < f->model->rowCount(); ++r)
        numbers << f->model->index(r, f->model->columnOf(u"NUMBER"_s)).data().toString();
    QCOMPARE(numbers, numbersAfter);
    QCOMPARE(f->Table1->field(u"NUMBER"_s).asString(), u"26/00001"_s);

    // Once written, the window is as ever: a row clicked fills the panel.
    clickRow(u"26/00002"_s);
    QCOMPARE(f->Edit3->text(), u"500"_s);
}

// "&Zmaž" of a contract another counter changed or deleted while the question waited: nothing is deleted,
// the clerk is told once, and the grid and the panel show the contract as it is now.
void TestContracts::deleteMeetsAnotherCountersChange_data()
{
    QTest::addColumn<QString>("theirs");
    QTest::addColumn<QString>("message");
    QTest::newRow("changed") << u"change"_s
                             << u"Zmluvu 26/00001 medzitým zmenila iná pokladňa.\rNič nebolo zmazané; tabuľka ukazuje "
                                u"záznam, ako je teraz."_s;
    QTest::newRow("deleted") << u"delete"_s
                             << u"Zmluvu 26/00001 medzitým zmazala iná pokladňa.\rNič nebolo zapísané."_s;
}

void TestContracts::deleteMeetsAnotherCountersChange()
{
    QFETCH(QString, theirs);
    QFETCH(QString, message);
    addContract({{u"NUMBER"_s, u"26/00001"_s}, {u"AMOUNT"_s, u"1000"_s}, {u"PAID_SUM"_s, u"100"_s}});
    addContract({{u"NUMBER"_s, u"26/00002"_s}, {u"AMOUNT"_s, u"500"_s}});
    clickRow(u"26/00001"_s);
    Messages::pushAnswer(true);
    Messages::whileNextAsked([&] { anotherCounter(u"26/00001"_s, theirs); });
    QTest::mouseClick(f->BitBtn5, Qt::LeftButton);
    const auto shown = Messages::takeShown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.at(0).kind, Messages::Kind::Question);
    QCOMPARE(shown.at(1).kind, Messages::Kind::Error);
    QCOMPARE(shown.at(1).text, message);
    QCOMPARE(contractCount(), theirs == u"change"_s ? 2 : 1);
    QCOMPARE(contract(u"26/00001"_s).value(u"PAID_SUM"_s), theirs == u"change"_s ? u"300"_s : QString());
    QCOMPARE(rowOf(u"26/00001"_s) >= 0, theirs == u"change"_s);
    if (theirs == u"change"_s) {
        QCOMPARE(f->Table1->field(u"NUMBER"_s).asString(), u"26/00001"_s);
        QCOMPARE(f->Edit6->text(), u"300"_s);
    }
}

// A box of "Vlastnosti" writes the contract and the flag of its goods in one transaction: when the goods
// cannot be written, the contract is not either.
void TestContracts::boxWritesContractAndGoodsTogether()
{
    addPerson(u"111"_s, u"Alfa"_s, u"Anna"_s);
    addContract({{u"NUMBER"_s, u"26/00007"_s}, {u"BIRTHNUM"_s, u"111"_s}, {u"AMOUNT"_s, u"500"_s}});
    addGoods(u"26/00007"_s, u"Prsteň"_s);
    addGoods(u"26/00007"_s, u"Retiazka"_s);
    Store& store = m_main->shop().store();
    if (store.isServer()) {
        store.exec(u"CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS 'BEGIN IF NEW.VRATENE = 1 AND "
                   u"NEW.SUBJECT = ''Retiazka'' THEN RAISE EXCEPTION ''disk I/O error''; END IF; RETURN NEW; END'"_s);
        store.exec(u"CREATE TRIGGER refuse BEFORE UPDATE ON "_s +
                   store.connection().sharedTable(store.table(u"Inventar.DBF"_s)) +
                   u" FOR EACH ROW EXECUTE FUNCTION refuse()"_s);
    } else {
        store.exec(u"CREATE TRIGGER refuse BEFORE UPDATE ON Inventar WHEN NEW.VRATENE = 1 AND NEW.SUBJECT = "
                   u"'Retiazka' BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END"_s);
    }
    clickRow(u"26/00007"_s);
    clickBox(f->CheckBox2);
    const auto shown = Messages::takeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.at(0).text.contains(u"disk I/O error"_s), qPrintable(shown.at(0).text));
    QCOMPARE(contract(u"26/00007"_s).value(u"RETURNED"_s), QString()); // as it was: never written
    QCOMPARE(contract(u"26/00007"_s).value(u"RETUDATE"_s), QString());
    QCOMPARE(goodsFlags(u"26/00007"_s, u"VRATENE"_s), (QStringList{QString(), QString()}));
}

// The number box refuses a quote, but an imported or older record may hold one: the goods and extensions
// of that contract are found by its number as a value, and nobody else's with them.
void TestContracts::goodsAndExtensionsButtons_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("plain numbers") << u"26/00001"_s << u"26/00002"_s;
    QTest::newRow("a quote stored") << u"26/0'001"_s << u"26/0'002"_s;
    QTest::newRow("always true stored") << u"'OR'1'='"_s << u"'OR'2'='"_s;
}

void TestContracts::goodsAndExtensionsButtons()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    addContract({{u"NUMBER"_s, first}, {u"RETENT"_s, u"True"_s}});
    addContract({{u"NUMBER"_s, second}});
    addExtension(first, u"10"_s);
    addExtension(second, u"20"_s);
    addGoods(first, u"Prsteň"_s);
    addGoods(second, u"Hodinky"_s);
    if (first.contains(u'\'')) { // what stands before the quote
        addExtension(first.section(u'\'', 0, 0), u"30"_s);
        addGoods(first.section(u'\'', 0, 0), u"Obraz"_s);
    }
    const auto shownNumber = [](Table& t) {
        return Filter::parse(t.definition(), t.filter()).values(); // the filter reads back as the number
    };
    const auto listed = [](Table& t, const QString& field) {
        QStringList out;
        for (t.first(); !t.eof(); t.next())
            out << t.field(field).asString();
        return out;
    };

    clickRow(second);
    QVERIFY(!f->BitBtn6->isEnabled());
    QVERIFY(f->BitBtn3->isEnabled()); // printing needs no state of the contract
    clickRow(first);
    QVERIFY(f->BitBtn6->isEnabled());

    QTest::mouseClick(f->BitBtn6, Qt::LeftButton);
    TForm7* extensions = m_main->form7();
    QVERIFY(extensions->Table1->hasActiveFilter());
    QCOMPARE(shownNumber(*extensions->Table1), QList<QVariant>{first});
    QCOMPARE(listed(*extensions->Table1, u"X_PAID"_s), QStringList{u"10"_s});
    QCOMPARE(extensions->Table1->recordCount(), 1);
    QCOMPARE(extensions->windowTitle(), u"Predĺženia k zmluve: "_s + first);
    QCOMPARE(m_main->mdiArea()->activeSubWindow()->widget(), extensions);

    m_main->showChild(f);
    clickRow(second);
    QTest::mouseClick(f->BitBtn1, Qt::LeftButton);
    TForm4* goods = m_main->form4();
    QCOMPARE(goods->Table1->indexName(), u"NUMBER"_s);
    QCOMPARE(shownNumber(*goods->Table1), QList<QVariant>{second});
    QCOMPARE(goods->Table1->recordCount(), 1);
    QCOMPARE(listed(*goods->Table1, u"SUBJECT"_s), QStringList{u"Hodinky"_s});
    QCOMPARE(goods->windowTitle(), u"Založené predmety na zmluve"_s);
    QCOMPARE(m_main->mdiArea()->activeSubWindow()->widget(), goods);

    // The frame's tool bar does the same for the contract the contracts window stands on.
    m_main->showChild(f);
    clickRow(first);
    QTest::mouseClick(m_main->SpeedButton3, Qt::LeftButton);
    QCOMPARE(listed(*goods->Table1, u"SUBJECT"_s), QStringList{u"Prsteň"_s});
    QCOMPARE(goods->windowTitle(), u"Založené predmety na zmluve: "_s + first);
    m_main->showChild(f);
    clickRow(second);
    QTest::mouseClick(m_main->SpeedButton4, Qt::LeftButton);
    QCOMPARE(listed(*extensions->Table1, u"X_PAID"_s), QStringList{u"20"_s});
    QCOMPARE(extensions->windowTitle(), u"Predĺženia k zmluve: "_s + second);
    QVERIFY(Messages::takeShown().isEmpty());
}

void TestContracts::searchBox()
{
    for (const char* number : {"26/00001", "26/00002", "26/00010"})
        addContract({{u"NUMBER"_s, QString::fromLatin1(number)}});
    clickRow(u"26/00010"_s);

    QTest::keyClicks(f->Edit11, u"26/00002"_s);
    QCOMPARE(f->Table1->field(u"NUMBER"_s).asString(), u"26/00002"_s);
    QCOMPARE(f->DBGrid1->currentIndex().row(), rowOf(u"26/00002"_s));
    QCOMPARE(f->Edit1->text(), u"26/00010"_s); // the panel follows at the next click
    clickRow(u"26/00002"_s);
    QCOMPARE(f->Edit1->text(), u"26/00002"_s);
    QCOMPARE(f->Edit11->text(), QString());
    QCOMPARE(f->Table1->field(u"NUMBER"_s).asString(), u"26/00002"_s); // emptying the box searched nothing
}

void TestContracts::doubleClickShowsPledger()
{
    addPerson(u"111"_s, u"Alfa"_s, u"Anna"_s);
    addPerson(u"222"_s, u"Beta"_s, u"Boris"_s);
    addPerson(u"333"_s, u"Gama"_s, u"Gita"_s);
    addContract({{u"NUMBER"_s, u"26/00001"_s}, {u"BIRTHNUM"_s, u"222"_s}});
    const int row = rowOf(u"26/00001"_s);
    const QPoint cell = f->DBGrid1->visualRect(f->model->index(row, 1)).center();
    QTest::mouseClick(f->DBGrid1->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(f->DBGrid1->viewport(), Qt::LeftButton, {}, cell);
    TForm3* persons = m_main->form3();
    QCOMPARE(persons->Table1->field(u"BIRTHNUM"_s).asString(), u"222"_s);
    QCOMPARE(persons->Table1->indexName(), u"LASTNAME"_s);
    QCOMPARE(m_main->mdiArea()->activeSubWindow()->widget(), persons);
}

QTEST_MAIN(TestContracts)
#include "tst_contracts.moc"
