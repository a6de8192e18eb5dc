// The extensions window driven through the running program: proposals, charge, writing, deleting.
#include "FreshProgram.h"
#include "app/Main.h"
#include "app/StartProgram.h"
#include "core/Shop.h"
#include "store/Clock.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/TableModel.h"
#include "store/Values.h"
#include "store/admin/EngineConfig.h"
#include "support/Records.h"
#include "widgets/MaskEdit.h"
#include "widgets/Messages.h"
#include "windows/register/Predlz.h"
#include "windows/register/Zmluvy.h"

#include <QCheckBox>
#include <QColor>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Extension
{
    QString number;
    QDate paidOn;
    QDate until;
    QVariant paid;
    QVariant percent;
};

QVariant numberOrNull(const Field& f)
{
    return f.isNull() ? QVariant() : QVariant(f.asFloat());
}

} // namespace

class TestExtensions : public QObject
{
    Q_OBJECT

private:
    FreshProgram m_program;
    TForm1* m_main = nullptr;
    TForm7* m_form = nullptr;

    void addContract(const QString& number, int amount)
    {
        Records::addContract(m_main->shop().store(), number, {}, {{u"AMOUNT"_s, amount}, {u"RETENT"_s, true}});
    }

    void addExtension(const QString& number, const QDate& until, int paid = 100)
    {
        Records::write(m_main->shop().store(), u"Predlz.DBF"_s,
                       {{u"NUMBER"_s, number},
                        {u"X_PAIDDATE"_s, QDate(2026, 3, 1)},
                        {u"X_UNTIL"_s, until},
                        {u"X_PAID"_s, paid},
                        {u"X_PERCENT"_s, 5}});
    }

    QList<Extension> storedExtensions()
    {
        QList<Extension> list;
        Table t(m_main->shop().store(), u"Predlz.DBF"_s);
        t.open();
        t.setIndexName(u"NUMBER"_s);
        for (t.first(); !t.eof(); t.next())
            list << Extension{t.field(u"NUMBER"_s).asString(), t.field(u"X_PAIDDATE"_s).asDate(),
                              t.field(u"X_UNTIL"_s).asDate(), numberOrNull(t.field(u"X_PAID"_s)),
                              numberOrNull(t.field(u"X_PERCENT"_s))};
        return list;
    }

    void setView(const QString& filter)
    {
        m_form->Table1->setFilter(filter);
        m_form->Table1->setFiltered(!filter.isEmpty());
        m_main->showChild(m_form);
        m_form->ShowExtension();
        QCoreApplication::processEvents();
    }

    void selectContract(const QString& number)
    {
        m_main->form2()->Table1->setIndexName(u"NUMBER"_s);
        QVERIFY(m_main->form2()->Table1->findKey(number));
    }

    void clickRow(int row)
    {
        const QRect cell = m_form->DBGrid1->visualRect(m_form->model->index(row, 1));
        QTest::mouseClick(m_form->DBGrid1->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(m_form->Edit4->text(), m_form->model->index(row, 1).data().toString());
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
        m_form = m_main->form7();
        QVERIFY(m_form);
        Messages::takeShown();
    }

    void cleanup()
    {
        m_program.stop();
        m_main = nullptr;
        m_form = nullptr;
    }

    void newProposesDatesForSelectedContract_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("due");
        QTest::newRow("mid month") << QDate(2026, 3, 15) << QDate(2026, 4, 15);
        QTest::newRow("december") << QDate(2026, 12, 15) << QDate(2027, 1, 15);
        QTest::newRow("31 January") << QDate(2027, 1, 31) << QDate(2027, 2, 28);
        QTest::newRow("31 March") << QDate(2026, 3, 31) << QDate(2026, 4, 30);
        QTest::newRow("30 January, leap year") << QDate(2028, 1, 30) << QDate(2028, 2, 29);
    }

    void newProposesDatesForSelectedContract()
    {
        QFETCH(QDate, today);
        QFETCH(QDate, due);
        Clock::setToday(today);
        addContract(u"26/00001"_s, 500);
        addContract(u"26/00002"_s, 1000);
        addExtension(u"26/00001"_s, QDate(2026, 4, 1));
        setView(u"NUMBER='26/00001'"_s);
        QVERIFY(m_form->CheckBox1->isChecked());
        selectContract(u"26/00002"_s);

        QTest::mouseClick(m_form->BitBtn1, Qt::LeftButton);
        QCOMPARE(m_form->Edit4->text(), u"26/00002"_s);
        QCOMPARE(Values::parseDate(m_form->MaskEdit1->text()), std::optional<QDate>(today));
        QCOMPARE(m_form->MaskEdit2->text(), Values::monthStepDateText(due));
        QVERIFY(m_form->Edit1->text().isEmpty());
        QVERIFY(m_form->Edit3->text().isEmpty());
        QCOMPARE(storedExtensions().size(), 1);

        retype(m_form->Edit1, u"120"_s);
        QTest::mouseClick(m_form->BitBtn3, Qt::LeftButton);
        QVERIFY(Messages::takeShown().isEmpty());
        const auto stored = storedExtensions();
        QCOMPARE(stored.size(), 2);
        QCOMPARE(stored.at(0).number, u"26/00001"_s);
        QCOMPARE(stored.at(0).paid, QVariant(100.0));
        QCOMPARE(stored.at(1).number, u"26/00002"_s);
        QCOMPARE(stored.at(1).paidOn, today);
        QCOMPARE(stored.at(1).until, due);
        QCOMPARE(stored.at(1).paid, QVariant(120.0));
        // The new extension is another contract's: the panel shows what a further write would change.
        QCOMPARE(m_form->Edit4->text(), u"26/00001"_s);
    }

    void chargeFollowsPercent_data()
    {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("percent");
        QTest::addColumn<QString>("charge");
        QTest::addColumn<QVariant>("stored");
        QTest::newRow("5 % of 1000") << u"1000"_s << u"5"_s << u"50"_s << QVariant(5.0);
        QTest::newRow("fraction counts as 0") << u"1000"_s << u"2,5"_s << u"0"_s << QVariant(2.5);
        QTest::newRow("10 % of 333") << u"333"_s << u"10"_s << u"33,3"_s << QVariant(10.0);
        QTest::newRow("no amount shown") << QString() << u"5"_s << u"0"_s << QVariant(5.0);
        QTest::newRow("no percent") << u"1000"_s << QString() << u"0"_s << QVariant();
    }

    void chargeFollowsPercent()
    {
        QFETCH(QString, amount);
        QFETCH(QString, percent);
        QFETCH(QString, charge);
        QFETCH(QVariant, stored);
        addContract(u"26/00001"_s, 1000);
        selectContract(u"26/00001"_s);
        m_main->form2()->Edit3->setText(amount);
        setView(QString());
        QTest::mouseClick(m_form->BitBtn1, Qt::LeftButton);
        retype(m_form->Edit1, u"50"_s);
        retype(m_form->Edit2, u"9"_s);
        retype(m_form->Edit2, percent);
        QCOMPARE(m_form->Edit3->text(), charge);

        QTest::mouseClick(m_form->BitBtn3, Qt::LeftButton);
        QVERIFY(Messages::takeShown().isEmpty());
        const auto list = storedExtensions();
        QCOMPARE(list.size(), 1);
        QCOMPARE(list.first().percent, stored);
        // Shown again from the stored record: the charge is recomputed, never stored.
        QCOMPARE(m_form->Edit3->text(), charge);
    }

    void spinButtonsCountFromTypedPercent_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("afterUp");
        QTest::newRow("5") << u"5"_s << u"6"_s;
        QTest::newRow("at the top") << u"100"_s << u"100"_s;
    }

    void spinButtonsCountFromTypedPercent()
    {
        QFETCH(QString, typed);
        QFETCH(QString, afterUp);
        m_main->form2()->Edit3->setText(u"1000"_s);
        retype(m_form->Edit2, typed);
        m_form->UpDown1->stepUp();
        QCOMPARE(m_form->Edit2->text(), afterUp);
        QCOMPARE(m_form->Edit3->text(), QString::number(afterUp.toInt() * 10));
    }

    void failedWriteStoresNothing_data()
    {
        QTest::addColumn<bool>("newRecord");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("bad");
        QTest::addColumn<QString>("good");
        QTest::addColumn<QString>("message");
        QTest::newRow("new, empty payment date")
            << true << u"MaskEdit1"_s << QString() << u"15.3.2026"_s << u"'  .  .    ' is not a valid date"_s;
        QTest::newRow("new, empty due date")
            << true << u"MaskEdit2"_s << QString() << u"15.4.2026"_s << u"'  .  .    ' is not a valid date"_s;
        QTest::newRow("new, impossible due date")
            << true << u"MaskEdit2"_s << u"31.02.2027"_s << u"28.02.2027"_s << u"'31.02.2027' is not a valid date"_s;
        QTest::newRow("new, letters in sum") << true << u"Edit1"_s << u"1OO"_s << u"100"_s
                                             << u"'1OO' is not a valid floating point value for field 'X_PAID'"_s;
        QTest::newRow("existing, empty payment date")
            << false << u"MaskEdit1"_s << QString() << u"2.3.2026"_s << u"'  .  .    ' is not a valid date"_s;
    }

    void failedWriteStoresNothing()
    {
        QFETCH(bool, newRecord);
        QFETCH(QString, box);
        QFETCH(QString, bad);
        QFETCH(QString, good);
        QFETCH(QString, message);
        addContract(u"26/00001"_s, 1000);
        addExtension(u"26/00001"_s, QDate(2026, 4, 1), 100);
        setView(QString());
        selectContract(u"26/00001"_s);
        if (newRecord) {
            QTest::mouseClick(m_form->BitBtn1, Qt::LeftButton);
            retype(m_form->Edit1, u"70"_s);
        }
        auto* edit = m_form->findChild<QLineEdit*>(box);
        QVERIFY(edit);
        retype(edit, bad);

        QTest::mouseClick(m_form->BitBtn3, Qt::LeftButton);
        const auto shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().kind, Messages::Kind::Error);
        QCOMPARE(shown.first().text, message);
        auto list = storedExtensions();
        QCOMPARE(list.size(), 1);
        QCOMPARE(list.first().paidOn, QDate(2026, 3, 1));
        QCOMPARE(list.first().until, QDate(2026, 4, 1));
        QCOMPARE(list.first().paid, QVariant(100.0));
        if (newRecord) QCOMPARE(m_form->Edit1->text(), box == u"Edit1"_s ? bad : u"70"_s);

        retype(edit, good);
        QTest::mouseClick(m_form->BitBtn3, Qt::LeftButton);
        QVERIFY(Messages::takeShown().isEmpty());
        list = storedExtensions();
        QCOMPARE(list.size(), newRecord ? 2 : 1);
        // The first extension is untouched unless it was the one being corrected.
        const auto original =
            std::find_if(list.cbegin(), list.cend(), [](const Extension& e) { return e.paid == QVariant(100.0); });
        QVERIFY(original != list.cend());
        QCOMPARE(original->paidOn, newRecord ? QDate(2026, 3, 1) : QDate(2026, 3, 2));
    }

    // Moving on after a failed write posts whatever is pending: there must be nothing half-filled left.
    void failedWriteLeavesNothingToPostOnMove()
    {
        addContract(u"26/00001"_s, 1000);
        addExtension(u"26/00001"_s, QDate(2026, 4, 1), 100);
        setView(QString());
        selectContract(u"26/00001"_s);
        QTest::mouseClick(m_form->BitBtn1, Qt::LeftButton);
        retype(m_form->Edit1, u"70"_s);
        retype(m_form->MaskEdit2, QString());
        QTest::mouseClick(m_form->BitBtn3, Qt::LeftButton);
        QCOMPARE(Messages::takeShown().size(), 1);
        clickRow(0);
        const auto list = storedExtensions();
        QCOMPARE(list.size(), 1);
        QCOMPARE(list.first().paid, QVariant(100.0));
    }

    void deleteAsksFirst_data()
    {
        QTest::addColumn<bool>("fromGrid");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("question");
        const int okCancel = int(Messages::Kind::OkCancel), yesNo = int(Messages::Kind::Question);
        const QString button = u"Skutočne mažete predĺženie zmluvy\r26/00002 ?"_s;
        QTest::newRow("button, yes") << false << true << yesNo << button;
        QTest::newRow("button, no") << false << false << yesNo << button;
        QTest::newRow("ctrl+delete, ok") << true << true << okCancel << u"Delete record?"_s;
        QTest::newRow("ctrl+delete, cancel") << true << false << okCancel << u"Delete record?"_s;
    }

    void deleteAsksFirst()
    {
        QFETCH(bool, fromGrid);
        QFETCH(bool, yes);
        QFETCH(int, kind);
        QFETCH(QString, question);
        addExtension(u"26/00001"_s, QDate(2026, 4, 1), 100);
        addExtension(u"26/00002"_s, QDate(2026, 4, 2), 200);
        setView(QString());
        clickRow(1);
        QCOMPARE(m_form->Edit4->text(), u"26/00002"_s);

        Messages::pushAnswer(yes);
        if (fromGrid)
            QTest::keyClick(m_form->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
        else
            QTest::mouseClick(m_form->BitBtn2, Qt::LeftButton);
        const auto shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(int(shown.first().kind), kind);
        QCOMPARE(shown.first().text, question);
        const auto list = storedExtensions();
        QCOMPARE(list.size(), yes ? 1 : 2);
        QCOMPARE(list.first().number, u"26/00001"_s);
        if (!yes) QCOMPARE(list.at(1).paid, QVariant(200.0));
    }

    // Another counter changed the paid sum of the extension shown (or deleted it), before "Z&apíš" or while a
    // delete asked: the clerk is told once, nothing is stored or deleted, the grid shows the extension as it is
    // now; after "Z&apíš" the boxes keep what was typed and a second "Z&apíš" writes them.
    void anotherCounterMeanwhile_data()
    {
        QTest::addColumn<QString>("action"); // "write", "button", "ctrl+delete"
        QTest::addColumn<QString>("theirs");
        QTest::addColumn<QString>("message");
        const QString changed = u"Predĺženie zmluvy 26/00002 medzitým zmenila iná pokladňa.\r"_s;
        const QString gone = u"Predĺženie zmluvy 26/00002 medzitým zmazala iná pokladňa.\rNič nebolo zapísané."_s;
        const QString notDeleted = changed + u"Nič nebolo zmazané; tabuľka ukazuje záznam, ako je teraz."_s;
        QTest::newRow("Z&apíš, changed")
            << u"write"_s << u"change"_s
            << changed + u"Nič nebolo zapísané; vaše údaje zostali v poliach a tabuľka ukazuje záznam, ako je teraz."_s;
        QTest::newRow("Z&apíš, deleted") << u"write"_s << u"delete"_s << gone;
        QTest::newRow("&Zmaž, changed") << u"button"_s << u"change"_s << notDeleted;
        QTest::newRow("ctrl+delete, changed") << u"ctrl+delete"_s << u"change"_s << notDeleted;
        QTest::newRow("ctrl+delete, deleted") << u"ctrl+delete"_s << u"delete"_s << gone;
    }

    void anotherCounterMeanwhile()
    {
        QFETCH(QString, action);
        QFETCH(QString, theirs);
        QFETCH(QString, message);
        addExtension(u"26/00001"_s, QDate(2026, 4, 1), 100);
        addExtension(u"26/00002"_s, QDate(2026, 4, 2), 200);
        setView(QString());
        clickRow(1);
        const auto otherCounter = [&] {
            anotherCounter(
                m_main->shop().store(), u"Predlz.DBF"_s, u"NUMBER"_s, u"26/00002"_s,
                theirs == u"delete"_s ? std::function<void(Table&)>()
                                      : [](Table& t) { t.field(u"X_PAID"_s).setAsInteger(250); });
        };
        if (action == u"write"_s) {
            retype(m_form->Edit1, u"210"_s);
            otherCounter();
            QTest::mouseClick(m_form->BitBtn3, Qt::LeftButton);
        } else {
            Messages::pushAnswer(true);
            Messages::whileNextAsked(otherCounter);
            if (action == u"button"_s)
                QTest::mouseClick(m_form->BitBtn2, Qt::LeftButton);
            else
                QTest::keyClick(m_form->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
        }
        QList<Messages::Shown> shown = Messages::takeShown();
        if (action != u"write"_s) shown.removeFirst(); // the question
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.at(0).kind, Messages::Kind::Error);
        QCOMPARE(shown.at(0).text, message);
        auto list = storedExtensions();
        QCOMPARE(list.size(), theirs == u"delete"_s ? 1 : 2);
        if (theirs == u"change"_s) QCOMPARE(list.at(1).paid, QVariant(250.0));
        QCOMPARE(m_form->model->rowCount(), int(list.size()));
        if (action != u"write"_s) {
            if (theirs == u"change"_s) QCOMPARE(m_form->Edit1->text(), u"250"_s); // the panel shows it as now
            return;
        }
        m_form->DBGrid1->setFocus(Qt::MouseFocusReason);
        m_form->Edit2->setFocus(Qt::MouseFocusReason);
        QCoreApplication::processEvents();
        QCOMPARE(m_form->Edit1->text(), u"210"_s);
        QCOMPARE(m_form->Edit4->text(), u"26/00002"_s);

        QTest::mouseClick(m_form->BitBtn3, Qt::LeftButton);
        QVERIFY(Messages::takeShown().isEmpty());
        list = storedExtensions();
        QCOMPARE(list.size(), 2);
        QCOMPARE(list.at(0).paid, QVariant(100.0));
        QCOMPARE(list.at(1).number, u"26/00002"_s);
        QCOMPARE(list.at(1).paid, QVariant(210.0));
        QCOMPARE(list.at(1).until, QDate(2026, 4, 2));
    }

    void plainDeleteKeyDeletesNothing()
    {
        addExtension(u"26/00001"_s, QDate(2026, 4, 1));
        setView(QString());
        clickRow(0);
        QTest::keyClick(m_form->DBGrid1, Qt::Key_Delete);
        QVERIFY(Messages::takeShown().isEmpty());
        QCOMPARE(storedExtensions().size(), 1);
    }

    void rowColours_data()
    {
        QTest::addColumn<QDate>("until");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("due today") << QDate(2026, 3, 15) << QColor(0, 0, 255);
        QTest::newRow("due tomorrow") << QDate(2026, 3, 16) << QColor(0, 128, 0);
        QTest::newRow("due yesterday") << QDate(2026, 3, 14) << QColor();
        QTest::newRow("no due date") << QDate() << QColor();
    }

    void rowColours()
    {
        QFETCH(QDate, until);
        QFETCH(QColor, colour);
        addExtension(u"26/00001"_s, until);
        setView(QString());
        QCOMPARE(m_form->model->rowCount(), 1);
        for (int c = 1; c < m_form->model->columnCount(); ++c)
            QCOMPARE(m_form->model->index(0, c).data(Qt::ForegroundRole).value<QColor>(), colour);
    }
};

QTEST_MAIN(TestExtensions)
#include "tst_extensions.moc"
