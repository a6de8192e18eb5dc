// The goods window driven through the running program: new items, sale, colours, delete, failures.
#include "FreshProgram.h"
#include "app/Main.h"
#include "app/StartProgram.h"
#include "core/Shop.h"
#include "store/Clock.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/TableModel.h"
#include "store/admin/EngineConfig.h"
#include "support/Records.h"
#include "widgets/MaskEdit.h"
#include "widgets/Messages.h"
#include "windows/register/Inventar.h"
#include "windows/register/Predlz.h"
#include "windows/register/Zmluvy.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString ForSale = u"PREPADNUTE = true and PREDANE = false"_s;

struct Item
{
    QString number;
    QString subject;
    QVariant soldSum;
    QDate soldOn;
    bool sold = false;
    bool forfeited = false;
    double pledge = 0;
};

} // namespace

class TestGoods : public QObject
{
    Q_OBJECT

private:
    FreshProgram m_program;
    TForm1* m_main = nullptr;
    TForm4* m_form = nullptr;

    void addContract(const QString& number, int amount, bool extended = false)
    {
        Records::addContract(m_main->shop().store(), number, {},
                             {{u"AMOUNT"_s, amount},
                              {u"PERCENT"_s, 10},
                              {u"AGRDATE"_s, QDate(2026, 3, 1)},
                              {u"UNTIL"_s, QDate(2026, 4, 1)},
                              {u"RETENT"_s, extended}});
    }

    void addItem(const QString& number, const QString& subject, bool forfeited = false, bool sold = false)
    {
        Records::write(m_main->shop().store(), u"Inventar.DBF"_s,
                       {{u"NUMBER"_s, number},
                        {u"SUBJECT"_s, subject},
                        {u"SUMA1"_s, 500},
                        {u"PREPADNUTE"_s, forfeited},
                        {u"PREDANE"_s, sold},
                        {u"VRATENE"_s, false}});
    }

    // Every stored item, read through an instance of our own, keyed by description.
    QHash<QString, Item> storedItems()
    {
        QHash<QString, Item> items;
        Table t(m_main->shop().store(), u"Inventar.DBF"_s);
        t.open();
        for (t.first(); !t.eof(); t.next()) {
            Item i;
            i.number = t.field(u"NUMBER"_s).asString();
            i.subject = t.field(u"SUBJECT"_s).asString();
            i.soldSum = t.field(u"PRED_SUMA"_s).isNull() ? QVariant() : QVariant(t.field(u"PRED_SUMA"_s).asFloat());
            i.soldOn = t.field(u"PRED_DATUM"_s).asDate();
            i.sold = t.field(u"PREDANE"_s).asBoolean();
            i.forfeited = t.field(u"PREPADNUTE"_s).asBoolean();
            i.pledge = t.field(u"SUMA1"_s).asFloat();
            items.insert(i.subject, i);
        }
        return items;
    }

    void setView(const QString& filter)
    {
        m_form->Table1->setFilter(filter);
        m_form->Table1->setFiltered(!filter.isEmpty());
        m_main->showChild(m_form);
        m_form->ShowItem();
        QCoreApplication::processEvents();
    }

    int gridRowOf(const QString& subject)
    {
        const int column = m_form->model->columnOf(u"SUBJECT"_s);
        for (int r = 0; r < m_form->model->rowCount(); ++r)
            if (m_form->model->index(r, column).data().toString() == subject) return r;
        return -1;
    }

    void clickRow(const QString& subject)
    {
        const int row = gridRowOf(subject);
        QVERIFY(row >= 0);
        const QRect cell = m_form->DBGrid1->visualRect(m_form->model->index(row, 2));
        QTest::mouseClick(m_form->DBGrid1->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(m_form->Edit2->text(), subject);
    }

    void selectContract(const QString& number)
    {
        m_main->form2()->Table1->setIndexName(u"NUMBER"_s);
        QVERIFY(m_main->form2()->Table1->findKey(number));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        Messages::setScripted(true);
    }

    void init()
    {
        m_main = m_program.start(QDate(2026, 3, 15));
        QVERIFY(m_main);
        m_form = m_main->form4();
        QVERIFY(m_form);
        Messages::takeShown();
    }

    void cleanup()
    {
        m_program.stop();
        m_main = nullptr;
        m_form = nullptr;
    }

    void newItemBelongsToContractSelectedInContractsWindow()
    {
        addContract(u"26/00001"_s, 500);
        addContract(u"26/00002"_s, 1200);
        addItem(u"26/00001"_s, u"Hodinky"_s);
        setView(u"NUMBER='26/00001'"_s);
        QCOMPARE(m_form->Edit2->text(), u"Hodinky"_s);
        QVERIFY(m_form->CheckBox4->isChecked());
        selectContract(u"26/00002"_s);

        QTest::mouseClick(m_form->BitBtn1, Qt::LeftButton);
        QCOMPARE(m_form->Edit1->text(), u"26/00002"_s);
        QCOMPARE(m_form->Edit4->text(), u"1200"_s);
        QVERIFY(m_form->Edit2->text().isEmpty());
        QVERIFY(m_form->MaskEdit1->isEmptyDate());
        QVERIFY(!m_form->CheckBox3->isChecked());
        QCOMPARE(storedItems().size(), 1); // nothing is stored before "Z&apíš"

        retype(m_form->Edit2, u"Prsten"_s);
        retype(m_form->Edit5, u"1500"_s);
        QTest::mouseClick(m_form->BitBtn3, Qt::LeftButton);
        QVERIFY(Messages::takeShown().isEmpty());
        auto items = storedItems();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items[u"Prsten"_s].number, u"26/00002"_s);
        QCOMPARE(items[u"Prsten"_s].pledge, 1200.0);
        QVERIFY(!items[u"Prsten"_s].sold);
        QVERIFY(items[u"Prsten"_s].soldSum.isNull());

        // The new item is not in this view: the panel follows the record a further write would change,
        // so writing again cannot copy the new item over the shown one.
        QCOMPARE(m_form->Edit2->text(), u"Hodinky"_s);
        QTest::mouseClick(m_form->BitBtn3, Qt::LeftButton);
        items = storedItems();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items[u"Hodinky"_s].number, u"26/00001"_s);
        QCOMPARE(items[u"Prsten"_s].number, u"26/00002"_s);
    }

    void sellingAnItem_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<int>("shownAfterSale");
        QTest::newRow("all goods") << QString() << 2;
        QTest::newRow("for sale") << ForSale << 1;
    }

    void sellingAnItem()
    {
        QFETCH(QString, filter);
        QFETCH(int, shownAfterSale);
        addContract(u"26/00001"_s, 500);
        addItem(u"26/00001"_s, u"Hodinky"_s, true);
        addItem(u"26/00001"_s, u"Retiazka"_s, true);
        setView(filter);
        QCOMPARE(m_form->CheckBox4->isChecked(), !filter.isEmpty());
        clickRow(u"Hodinky"_s);
        // Handed back and forfeited follow the contract: here they only show.
        QVERIFY(m_form->CheckBox2->isChecked());
        QVERIFY(!m_form->CheckBox2->isEnabled());
        QVERIFY(!m_form->CheckBox1->isEnabled());

        retype(m_form->Edit3, u"800"_s);
        QTest::mouseClick(m_form->CheckBox3, Qt::LeftButton);
        QVERIFY(Messages::takeShown().isEmpty());
        auto items = storedItems();
        QVERIFY(items[u"Hodinky"_s].sold);
        QCOMPARE(items[u"Hodinky"_s].soldOn, QDate(2026, 3, 15));
        QCOMPARE(items[u"Hodinky"_s].soldSum, QVariant(800.0));
        QVERIFY(!items[u"Retiazka"_s].sold);
        QCOMPARE(m_form->model->rowCount(), shownAfterSale);
        QCOMPARE(gridRowOf(u"Hodinky"_s) >= 0, filter.isEmpty());

        if (!filter.isEmpty()) {
            // The sold item left the view; a write now goes into the item left on screen, unchanged.
            QCOMPARE(m_form->Edit2->text(), u"Retiazka"_s);
            QTest::mouseClick(m_form->BitBtn3, Qt::LeftButton);
            items = storedItems();
            QCOMPARE(items.size(), 2);
            QVERIFY(items[u"Hodinky"_s].sold);
            QVERIFY(!items[u"Retiazka"_s].sold);
            return;
        }
        // Taking the mark off empties the date and keeps the sum.
        QTest::mouseClick(m_form->CheckBox3, Qt::LeftButton);
        items = storedItems();
        QVERIFY(!items[u"Hodinky"_s].sold);
        QVERIFY(!items[u"Hodinky"_s].soldOn.isValid());
        QCOMPARE(items[u"Hodinky"_s].soldSum, QVariant(800.0));
        QVERIFY(m_form->MaskEdit1->isEmptyDate());
    }

    // Another counter sold (or deleted) the item shown in the for-sale view, which takes it out of this view:
    // "Z&apíš" says so once and writes nothing (not into the item the cursor went on to either), the boxes
    // keep what was typed, also when the grid is entered and left, and a second "Z&apíš" writes them over the
    // item as it is now (or as a new item, when it is gone).
    void anotherCounterMeanwhile_data()
    {
        QTest::addColumn<QString>("theirs");
        QTest::addColumn<QString>("message");
        QTest::newRow("sold") << u"sell"_s
                              << u"Predmet zmluvy 26/00001 medzitým zmenila iná pokladňa.\rNič nebolo zapísané; vaše "
                                 u"údaje zostali v poliach a tabuľka ukazuje záznam, ako je teraz."_s;
        QTest::newRow("deleted") << u"delete"_s
                                 << u"Predmet zmluvy 26/00001 medzitým zmazala iná pokladňa.\rNič nebolo zapísané."_s;
    }

    void anotherCounterMeanwhile()
    {
        QFETCH(QString, theirs);
        QFETCH(QString, message);
        addItem(u"26/00001"_s, u"Hodinky"_s, true);
        addItem(u"26/00002"_s, u"Retiazka"_s, true);
        setView(ForSale);
        clickRow(u"Hodinky"_s);
        retype(m_form->Edit3, u"800"_s);
        anotherCounter(
            m_main->shop().store(), u"Inventar.DBF"_s, u"NUMBER"_s, u"26/00001"_s,
            theirs == u"delete"_s ? std::function<void(Table&)>() : [](Table& t) {
                t.field(u"PREDANE"_s).setAsBoolean(true);
                t.field(u"PRED_SUMA"_s).setAsInteger(900);
            });
        // On a server the notice moves this counter's cursor off the item; a store file has none.
        m_main->shop().store().takeRemoteChanges();
        QCoreApplication::processEvents();

        QTest::mouseClick(m_form->BitBtn3, Qt::LeftButton);
        const auto shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.at(0).kind, Messages::Kind::Error);
        QCOMPARE(shown.at(0).text, message);
        auto items = storedItems();
        QCOMPARE(items.contains(u"Hodinky"_s), theirs == u"sell"_s);
        QCOMPARE(items[u"Hodinky"_s].soldSum, theirs == u"sell"_s ? QVariant(900.0) : QVariant());
        QCOMPARE(items[u"Retiazka"_s].soldSum, QVariant());
        QCOMPARE(m_form->model->rowCount(), 1);
        QCOMPARE(gridRowOf(u"Hodinky"_s), -1);
        m_form->DBGrid1->setFocus(Qt::MouseFocusReason);
        m_form->Edit4->setFocus(Qt::MouseFocusReason);
        QCoreApplication::processEvents();
        QCOMPARE(m_form->Edit2->text(), u"Hodinky"_s);
        QCOMPARE(m_form->Edit3->text(), u"800"_s);

        QTest::mouseClick(m_form->BitBtn3, Qt::LeftButton);
        QVERIFY(Messages::takeShown().isEmpty());
        items = storedItems();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items[u"Hodinky"_s].soldSum, QVariant(800.0));
        QVERIFY(!items[u"Hodinky"_s].sold);
        QVERIFY(items[u"Hodinky"_s].forfeited);
        QCOMPARE(items[u"Retiazka"_s].soldSum, QVariant());
        QCOMPARE(m_form->model->rowCount(), 2); // for sale again
        QCOMPARE(m_form->Edit2->text(), u"Hodinky"_s);
    }

    void rowColours_data()
    {
        QTest::addColumn<bool>("forfeited");
        QTest::addColumn<bool>("sold");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("pledged") << false << false << QColor();
        QTest::newRow("for sale") << true << false << QColor(0, 0, 255);
        QTest::newRow("sold") << true << true << QColor(0, 128, 0);
        QTest::newRow("sold unforfeited") << false << true << QColor(0, 128, 0);
    }

    void rowColours()
    {
        QFETCH(bool, forfeited);
        QFETCH(bool, sold);
        QFETCH(QColor, colour);
        addItem(u"26/00001"_s, u"Hodinky"_s, forfeited, sold);
        setView(QString());
        QCOMPARE(m_form->model->rowCount(), 1);
        for (int c = 1; c < m_form->model->columnCount(); ++c)
            QCOMPARE(m_form->model->index(0, c).data(Qt::ForegroundRole).value<QColor>(), colour);
    }

    void writingInEmptyViewStoresNewItem()
    {
        addContract(u"26/00002"_s, 700);
        addItem(u"26/00001"_s, u"Hodinky"_s);
        setView(u"NUMBER='26/00002'"_s);
        QCOMPARE(m_form->model->rowCount(), 0);
        QVERIFY(m_form->Edit2->text().isEmpty());

        retype(m_form->Edit2, u"Bicykel"_s);
        retype(m_form->Edit4, u"300"_s);
        QTest::mouseClick(m_form->BitBtn3, Qt::LeftButton);
        QVERIFY(Messages::takeShown().isEmpty());
        const auto items = storedItems();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items[u"Bicykel"_s].pledge, 300.0);
        QCOMPARE(items[u"Hodinky"_s].pledge, 500.0);
    }

    void failedWriteStoresNothing_data()
    {
        QTest::addColumn<bool>("newItem");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("bad");
        QTest::addColumn<QString>("good");
        QTest::addColumn<QString>("message");
        QTest::newRow("new, letters in sale sum")
            << true << u"Edit3"_s << u"8OO"_s << u"800"_s
            << u"'8OO' is not a valid floating point value for field 'PRED_SUMA'"_s;
        QTest::newRow("new, impossible date")
            << true << u"MaskEdit1"_s << u"31.02.2026"_s << u"28.02.2026"_s << u"'31.02.2026' is not a valid date"_s;
        QTest::newRow("existing, letters in price") << false << u"Edit5"_s << u"1x"_s << u"100"_s
                                                    << u"'1x' is not a valid floating point value for field 'SUMA2'"_s;
    }

    void failedWriteStoresNothing()
    {
        QFETCH(bool, newItem);
        QFETCH(QString, box);
        QFETCH(QString, bad);
        QFETCH(QString, good);
        QFETCH(QString, message);
        addContract(u"26/00001"_s, 500);
        addItem(u"26/00001"_s, u"Hodinky"_s);
        setView(QString());
        selectContract(u"26/00001"_s);
        if (newItem) QTest::mouseClick(m_form->BitBtn1, Qt::LeftButton);
        const QString subject = newItem ? u"Prsten"_s : u"Hodinky zlate"_s;
        retype(m_form->Edit2, subject);
        auto* edit = m_form->findChild<QLineEdit*>(box);
        QVERIFY(edit);
        retype(edit, bad);
        auto shownText = [edit] {
            auto* date = qobject_cast<MaskEdit*>(edit);
            return date ? date->text() : edit->text();
        };
        const QString shownBad = shownText();

        QTest::mouseClick(m_form->BitBtn3, Qt::LeftButton);
        const auto shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().kind, Messages::Kind::Error);
        QCOMPARE(shown.first().text, message);
        auto items = storedItems();
        QCOMPARE(items.size(), 1);
        QVERIFY(items.contains(u"Hodinky"_s));
        QVERIFY(items[u"Hodinky"_s].soldSum.isNull());
        // The panel keeps what was typed, so the clerk corrects only the bad box.
        QCOMPARE(m_form->Edit2->text(), subject);
        QCOMPARE(shownText(), shownBad);

        retype(edit, good);
        QTest::mouseClick(m_form->BitBtn3, Qt::LeftButton);
        QVERIFY(Messages::takeShown().isEmpty());
        items = storedItems();
        QCOMPARE(items.size(), newItem ? 2 : 1);
        QVERIFY(items.contains(subject));
        if (newItem) QCOMPARE(items[u"Hodinky"_s].number, u"26/00001"_s);
    }

    // Moving on after a failed write posts whatever is pending: there must be nothing half-filled left.
    void failedWriteLeavesNothingToPostOnMove()
    {
        addContract(u"26/00001"_s, 500);
        addItem(u"26/00001"_s, u"Hodinky"_s);
        setView(QString());
        selectContract(u"26/00001"_s);
        QTest::mouseClick(m_form->BitBtn1, Qt::LeftButton);
        retype(m_form->Edit2, u"Prsten"_s);
        retype(m_form->Edit3, u"abc"_s);
        QTest::mouseClick(m_form->BitBtn3, Qt::LeftButton);
        QCOMPARE(Messages::takeShown().size(), 1);
        clickRow(u"Hodinky"_s);
        const auto items = storedItems();
        QCOMPARE(items.size(), 1);
        QVERIFY(items.contains(u"Hodinky"_s));
    }

    void deleteAsksFirst_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }

    void deleteAsksFirst()
    {
        QFETCH(bool, yes);
        addItem(u"26/00001"_s, u"Hodinky"_s);
        addItem(u"26/00001"_s, u"Retiazka"_s);
        setView(QString());
        clickRow(u"Retiazka"_s);
        Messages::pushAnswer(yes);
        QTest::mouseClick(m_form->BitBtn2, Qt::LeftButton);
        const auto shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().kind, Messages::Kind::Question);
        QCOMPARE(shown.first().text, u"Skutočne mažete predmet\rRetiazka ?"_s);
        const auto items = storedItems();
        QCOMPARE(items.contains(u"Retiazka"_s), !yes);
        QVERIFY(items.contains(u"Hodinky"_s));
    }

    void doubleClickShowsContract_data()
    {
        QTest::addColumn<QString>("itemNumber");
        QTest::addColumn<QString>("expected");
        QTest::newRow("existing contract") << u"26/00001"_s << u"26/00001"_s;
        QTest::newRow("no such contract") << u"26/00077"_s << u"26/00002"_s;
    }

    void doubleClickShowsContract()
    {
        QFETCH(QString, itemNumber);
        QFETCH(QString, expected);
        addContract(u"26/00001"_s, 500);
        addContract(u"26/00002"_s, 700);
        addItem(itemNumber, u"Hodinky"_s);
        selectContract(u"26/00002"_s);
        setView(QString());
        QCOMPARE(m_main->mdiArea()->currentSubWindow()->widget(), m_form);

        const QRect cell = m_form->DBGrid1->visualRect(m_form->model->index(0, 2));
        // A double click is a click followed by the second press the grid reports as the double click.
        QTest::mouseClick(m_form->DBGrid1->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(m_form->DBGrid1->viewport(), Qt::LeftButton, {}, cell.center());
        QVERIFY(Messages::takeShown().isEmpty());
        QCOMPARE(m_main->form2()->Table1->field(u"NUMBER"_s).asString(), expected);
        QWidget* active = m_main->mdiArea()->currentSubWindow()->widget();
        QCOMPARE(active == m_main->form2(), itemNumber == expected);
        if (itemNumber == expected) QCOMPARE(m_main->form2()->Edit1->text(), expected);
    }

    // The contracts window's net income follows an extension paid and an item sold through the two windows.
    void netIncomeFollowsExtensionAndSale()
    {
        addContract(u"26/00001"_s, 1000, true);
        addItem(u"26/00001"_s, u"Hodinky"_s, true);
        selectContract(u"26/00001"_s);
        m_main->form2()->ShowContract();
        QCOMPARE(m_main->form2()->ComboBox1->currentText(), u"-1000"_s);

        TForm7* extensions = m_main->form7();
        m_main->showChild(extensions);
        QTest::mouseClick(extensions->BitBtn1, Qt::LeftButton);
        retype(extensions->Edit1, u"150"_s);
        QTest::mouseClick(extensions->BitBtn3, Qt::LeftButton);

        setView(QString());
        clickRow(u"Hodinky"_s);
        retype(m_form->Edit3, u"1200"_s);
        QTest::mouseClick(m_form->CheckBox3, Qt::LeftButton);
        QVERIFY(Messages::takeShown().isEmpty());

        selectContract(u"26/00001"_s);
        m_main->form2()->ShowContract();
        QComboBox* income = m_main->form2()->ComboBox1;
        QCOMPARE(income->currentText(), u"350"_s);
        QStringList listed;
        for (int i = 0; i < income->count(); ++i)
            listed << income->itemText(i);
        QCOMPARE(listed, (QStringList{u"-1000"_s, u"150"_s, u"1200"_s}));
    }
};

QTEST_MAIN(TestGoods)
#include "tst_goods.moc"
