// The persons window driven by its controls, on a fresh store, through the whole program.

#include "FreshProgram.h"
#include "app/Main.h"
#include "app/StartProgram.h"
#include "core/Shop.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/TableModel.h"
#include "store/admin/EngineConfig.h"
#include "support/Records.h"
#include "widgets/Messages.h"
#include "windows/register/Osoby.h"
#include "windows/register/Zmluvy.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString Duplicate = u"Zadané rodné číslo už existuje.\rOpravte ho, aby nevznikla nejednoznačnosť..."_s;
const QString Implausible = u"Pravdepodobne chybné rodné číslo..."_s;
} // namespace

class TestPersons : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void birthNumberWarnings_data();
    void birthNumberWarnings();
    void quoteRefusedInBirthNumber();
    void save_data();
    void save();
    void newPersonDroppedByMove();
    void remove_data();
    void remove();
    void anotherCounterMeanwhile_data();
    void anotherCounterMeanwhile();
    void incrementalSearch_data();
    void incrementalSearch();
    void blackRowsRed_data();
    void blackRowsRed();
    void personContracts_data();
    void personContracts();
    void showPerson_data();
    void showPerson();

private:
    // "bn|surname|first name|street"
    void addPerson(const QString& record, const QVariant& black = false);
    void addContract(const QString& number, const QString& birthNumber);
    QStringList persons();
    int contractCount();
    void typeBoxes(const QString& record);
    void search(const QString& text);
    void leaveBirthNumber();
    QString current();
    QString gridSurname();
    void clickCurrentRow();

    FreshProgram m_program;
    TForm1* m_main = nullptr;
    TForm3* f = nullptr;
};

void TestPersons::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestPersons::init()
{
    m_main = m_program.start();
    QVERIFY(m_main);
    f = m_main->form3();
    QVERIFY(f);
    QCOMPARE(f->objectName(), u"TForm3"_s);
    QCOMPARE(f->windowTitle(), u"Záložcovia"_s);
}

void TestPersons::cleanup()
{
    m_program.stop();
    m_main = nullptr;
    f = nullptr;
}

void TestPersons::addPerson(const QString& record, const QVariant& black)
{
    const QStringList p = record.split(u'|');
    Records::Values more{{u"FIRSNAME"_s, p.value(2)}, {u"STREET"_s, p.value(3)}};
    if (!black.isNull()) more.append({u"BLACK"_s, black.toBool()});
    Records::addPerson(m_main->shop().store(), p.value(0), p.value(1), more);
}

void TestPersons::addContract(const QString& number, const QString& birthNumber)
{
    Records::addContract(m_main->shop().store(), number, birthNumber);
}

QStringList TestPersons::persons()
{
    Table t(m_main->shop().store(), u"Osoby.DBF"_s);
    t.open();
    QStringList out;
    for (t.first(); !t.eof(); t.next())
        out << QStringList{t.field(u"BIRTHNUM"_s).asString(), t.field(u"LASTNAME"_s).asString(),
                           t.field(u"FIRSNAME"_s).asString(), t.field(u"STREET"_s).asString()}
                   .join(u'|');
    out.sort();
    return out;
}

int TestPersons::contractCount()
{
    Table t(m_main->shop().store(), u"Zmluvy.DBF"_s);
    t.open();
    return t.recordCount();
}

// The clerk clicks into each box before typing: the grid losing the focus refreshes the boxes first.
void TestPersons::typeBoxes(const QString& record)
{
    const QStringList p = record.split(u'|');
    const QList<QLineEdit*> boxes{f->Edit1, f->Edit3, f->Edit4, f->Edit5};
    for (int i = 0; i < boxes.size(); ++i) {
        QTest::mouseClick(boxes.at(i), Qt::LeftButton);
        boxes.at(i)->setText(p.value(i));
    }
}

// Types letter by letter, each one a change of the box like a key press; QTest only types Latin-1 keys.
static void typeInto(QLineEdit* box, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(box, c.toLatin1());
        else
            box->insert(QString(c));
    }
}

void TestPersons::search(const QString& text)
{
    QTest::mouseClick(f->Edit9, Qt::LeftButton);
    f->Edit9->clear();
    typeInto(f->Edit9, text);
    QCoreApplication::processEvents();
}

void TestPersons::leaveBirthNumber()
{
    f->Edit1->setFocus(Qt::OtherFocusReason);
    QCOMPARE(QApplication::focusWidget(), f->Edit1);
    QTest::keyClick(f->Edit1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), f->Edit2);
}

QString TestPersons::current()
{
    return f->Table1->field(u"BIRTHNUM"_s).asString() + u'|' + f->Table1->field(u"LASTNAME"_s).asString();
}

// A click on the grid's row of the current person: the boxes show that person.
void TestPersons::clickCurrentRow()
{
    QCoreApplication::processEvents();
    const int row = f->model->rowOfCurrent();
    QVERIFY(row >= 0);
    const QRect cell = f->DBGrid1->visualRect(f->model->index(row, 1));
    QTest::mouseClick(f->DBGrid1->viewport(), Qt::LeftButton, {}, cell.center());
}

QString TestPersons::gridSurname()
{
    const QModelIndex index = f->DBGrid1->currentIndex();
    if (!index.isValid()) return u"<none>"_s;
    return f->model->index(index.row(), f->model->columnOf(u"LASTNAME"_s)).data().toString();
}

void TestPersons::birthNumberWarnings_data()
{
    QTest::addColumn<QString>("existing");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("surname");
    QTest::addColumn<QStringList>("warnings");

    const QStringList none;
    QTest::newRow("check digit right") << ""
                                       << "1234567895"
                                       << "" << none;
    QTest::newRow("check digit wrong") << ""
                                       << "1234567890"
                                       << "" << QStringList{Implausible};
    // 123456783 leaves 10, which no single digit can match.
    QTest::newRow("remainder ten") << ""
                                   << "1234567830"
                                   << "" << QStringList{Implausible};
    QTest::newRow("remainder zero") << ""
                                    << "1234567840"
                                    << "" << none;
    QTest::newRow("nine digits") << ""
                                 << "999999999"
                                 << "" << none;
    QTest::newRow("eight digits") << ""
                                  << "12345678"
                                  << "" << QStringList{Implausible};
    QTest::newRow("empty") << ""
                           << ""
                           << "" << QStringList{Implausible};
    QTest::newRow("letter among ten") << ""
                                      << "12345A7895"
                                      << "" << QStringList{Implausible};
    QTest::newRow("letter as check") << ""
                                     << "123456789X"
                                     << "" << QStringList{Implausible};
    QTest::newRow("sign among nine") << ""
                                     << "-12345678"
                                     << "" << QStringList{Implausible};
    QTest::newRow("blank among nine") << ""
                                      << " 12345678"
                                      << "" << QStringList{Implausible};
    QTest::newRow("duplicate, new person") << "1234567895"
                                           << "1234567895"
                                           << "" << QStringList{Duplicate};
    QTest::newRow("duplicate, surname blanks") << "1234567895"
                                               << "1234567895"
                                               << "   " << QStringList{Duplicate};
    QTest::newRow("duplicate and implausible") << "12345678"
                                               << "12345678"
                                               << "" << QStringList{Duplicate, Implausible};
    QTest::newRow("duplicate with trailing blank") << "123456789"
                                                   << "123456789 "
                                                   << "" << QStringList{Duplicate, Implausible};
    QTest::newRow("duplicate, surname filled") << "1234567895"
                                               << "1234567895"
                                               << "Novák" << none;
    QTest::newRow("other number than existing") << "1234567895"
                                                << "123456789"
                                                << "" << none;
}

void TestPersons::birthNumberWarnings()
{
    QFETCH(QString, existing);
    QFETCH(QString, typed);
    QFETCH(QString, surname);
    QFETCH(QStringList, warnings);

    if (!existing.isEmpty()) addPerson(existing + u"|Existujúci|Jozef|"_s);
    m_main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_main));

    QTest::mouseClick(f->BitBtn1, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), f->Edit1);
    f->Edit1->setText(typed);
    f->Edit3->setText(surname);
    Messages::takeShown();
    leaveBirthNumber();

    QStringList shown;
    for (const Messages::Shown& m : Messages::takeShown()) {
        QCOMPARE(m.kind, Messages::Kind::Warning);
        shown << m.text;
    }
    QCOMPARE(shown, warnings);
    QCOMPARE(f->Edit1->text(), typed); // the warnings never change the box
}

void TestPersons::quoteRefusedInBirthNumber()
{
    f->Edit1->clear();
    QTest::keyClicks(f->Edit1, u"12'34' 5"_s);
    QCOMPARE(f->Edit1->text(), u"1234 5"_s);
}

void TestPersons::save_data()
{
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QString>("shown");  // surname searched for, then the boxes refreshed from it
    QTest::addColumn<QString>("moveTo"); // surname searched for afterwards, boxes left as they are
    QTest::addColumn<bool>("startNew");
    QTest::addColumn<QString>("boxes");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("currentAfter");

    const QStringList two{u"1111111111|Alfa|Anna|Hlavná"_s, u"2222222222|Beta|Boris|Dlhá"_s};

    QTest::newRow("new person") << two << ""
                                << "" << true << "5555555555|Gama|Gita|Nová"
                                << QStringList{two.at(0), two.at(1), u"5555555555|Gama|Gita|Nová"_s}
                                << "5555555555|Gama";
    QTest::newRow("new person with an existing number")
        << two << ""
        << "" << true << "1111111111|Alfová|Alena|Krátka"
        << QStringList{two.at(0), u"1111111111|Alfová|Alena|Krátka"_s, two.at(1)} << "1111111111|Alfová";
    QTest::newRow("new person with nothing typed")
        << two << ""
        << "" << true << "|||" << QStringList{u"|||"_s, two.at(0), two.at(1)} << "|";
    QTest::newRow("current person corrected")
        << two << "Beta"
        << "" << false << "2222222222|Betová|Boris|Dlhá" << QStringList{two.at(0), u"2222222222|Betová|Boris|Dlhá"_s}
        << "2222222222|Betová";
    // The search moved the cursor to Beta but the boxes still describe Alfa: Alfa is updated, Beta kept.
    QTest::newRow("boxes of another person than the current")
        << two << "Alfa"
        << "Beta" << false << "1111111111|Alfa|Anna|Široká" << QStringList{u"1111111111|Alfa|Anna|Široká"_s, two.at(1)}
        << "1111111111|Alfa";
    QTest::newRow("number of another person typed")
        << two << "Beta"
        << "" << false << "1111111111|Beta|Boris|Dlhá" << QStringList{u"1111111111|Beta|Boris|Dlhá"_s, two.at(1)}
        << "1111111111|Beta";
    QTest::newRow("unknown number appends")
        << two << "Beta"
        << "" << false << "3333333333|Beta|Boris|Dlhá"
        << QStringList{two.at(0), two.at(1), u"3333333333|Beta|Boris|Dlhá"_s} << "3333333333|Beta";
    // Two persons share a number (entered twice); correcting the second must not touch the first.
    const QStringList twins{u"1111111111|Alfa|Anna|Hlavná"_s, u"1111111111|Omega|Olga|Dlhá"_s};
    QTest::newRow("shared number, second person corrected")
        << twins << "Omega"
        << "" << false << "1111111111|Omegová|Olga|Dlhá" << QStringList{twins.at(0), u"1111111111|Omegová|Olga|Dlhá"_s}
        << "1111111111|Omegová";
    QTest::newRow("no person yet, nothing started")
        << QStringList{} << ""
        << "" << false << "4444444444|Delta|Dana|" << QStringList{u"4444444444|Delta|Dana|"_s} << "4444444444|Delta";
}

void TestPersons::save()
{
    QFETCH(QStringList, present);
    QFETCH(QString, shown);
    QFETCH(QString, moveTo);
    QFETCH(bool, startNew);
    QFETCH(QString, boxes);
    QFETCH(QStringList, expected);
    QFETCH(QString, currentAfter);

    for (const QString& p : present)
        addPerson(p);
    if (!shown.isEmpty()) {
        search(shown);
        clickCurrentRow();
    }
    if (!moveTo.isEmpty()) search(moveTo);
    if (startNew) QTest::mouseClick(f->BitBtn1, Qt::LeftButton);
    typeBoxes(boxes);
    QTest::mouseClick(f->BitBtn5, Qt::LeftButton);
    QCoreApplication::processEvents();

    // Leaving the birth number box may warn; nothing else may be said.
    for (const Messages::Shown& m : Messages::takeShown())
        QCOMPARE(m.kind, Messages::Kind::Warning);
    expected.sort();
    QCOMPARE(persons(), expected);
    QCOMPARE(current(), currentAfter);
    QCOMPARE(gridSurname(), currentAfter.section(u'|', 1));
}

void TestPersons::newPersonDroppedByMove()
{
    addPerson(u"1111111111|Alfa|Anna|"_s);
    addPerson(u"2222222222|Beta|Boris|"_s, true);
    f->Table1->first();
    clickCurrentRow();
    QVERIFY(!f->CheckBox1->isChecked());
    QTest::mouseClick(f->CheckBox1, Qt::LeftButton);
    QVERIFY(f->CheckBox1->isChecked());

    QTest::mouseClick(f->BitBtn1, Qt::LeftButton);
    QCOMPARE(f->Edit3->text(), QString());
    QVERIFY(f->CheckBox1->isChecked()); // "Nežiadúci" keeps its state

    // Clicking another row drops the unsaved person and shows the row's person.
    const QRect cell = f->DBGrid1->visualRect(f->model->index(1, 1));
    QTest::mouseClick(f->DBGrid1->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(f->Edit3->text(), u"Beta"_s);
    QVERIFY(f->CheckBox1->isChecked());
    QCOMPARE(persons().size(), 2);
    QCOMPARE(f->Table1->state(), Table::State::Browse);
}

void TestPersons::remove_data()
{
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("No") << false << QStringList{u"1111111111|Alfa|Anna|"_s, u"2222222222|Beta|Boris|"_s};
    QTest::newRow("Yes") << true << QStringList{u"1111111111|Alfa|Anna|"_s};
}

void TestPersons::remove()
{
    QFETCH(bool, answer);
    QFETCH(QStringList, expected);

    addPerson(u"1111111111|Alfa|Anna|"_s);
    addPerson(u"2222222222|Beta|Boris|"_s);
    addContract(u"26/00001"_s, u"2222222222"_s);
    search(u"Alfa"_s);
    clickCurrentRow();
    search(u"Beta"_s); // the boxes still show Alfa; the question names the person that goes

    Messages::pushAnswer(answer);
    QTest::mouseClick(f->BitBtn3, Qt::LeftButton);
    QCoreApplication::processEvents();

    const QList<Messages::Shown> shown = Messages::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0).kind, Messages::Kind::Question);
    QCOMPARE(shown.at(0).text, u"Skutočne mažete osobu\rBeta Boris ?"_s);
    QCOMPARE(persons(), expected);
    QCOMPARE(contractCount(), 1); // contracts of a deleted person stay
    QCOMPARE(gridSurname(), answer ? u"Alfa"_s : u"Beta"_s);
}

// Another counter changed (the street) or deleted the person shown, before "Z&apíš" or while "&Zmaž" asked:
// the clerk is told once and nothing is stored or deleted; after "Z&apíš" the boxes keep what was typed, also
// when the grid is entered and left, the grid shows the person as now, and a second "Z&apíš" writes the boxes
// (over the person as now, or as a new person when deleted).
void TestPersons::anotherCounterMeanwhile_data()
{
    QTest::addColumn<bool>("deleting");
    QTest::addColumn<QString>("theirs");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("afterwards"); // the persons once the clerk's second press went through
    const QString alfa = u"1111111111|Alfa|Anna|Hlavná"_s;
    const QString changed = u"Záložcu 2222222222 medzitým zmenila iná pokladňa.\r"_s;
    const QString gone = u"Záložcu 2222222222 medzitým zmazala iná pokladňa.\rNič nebolo zapísané."_s;
    QTest::newRow("Z&apíš, changed") << false << u"change"_s
                                     << changed + u"Nič nebolo zapísané; vaše údaje zostali v poliach a tabuľka "
                                                  u"ukazuje záznam, ako je teraz."_s
                                     << QStringList{alfa, u"2222222222|Beta|Borisko|Dlhá"_s};
    QTest::newRow("Z&apíš, deleted") << false << u"delete"_s << gone
                                     << QStringList{alfa, u"2222222222|Beta|Borisko|Dlhá"_s};
    QTest::newRow("&Zmaž, changed") << true << u"change"_s
                                    << changed + u"Nič nebolo zmazané; tabuľka ukazuje záznam, ako je teraz."_s
                                    << QStringList{alfa, u"2222222222|Beta|Boris|Iná"_s};
    QTest::newRow("&Zmaž, deleted") << true << u"delete"_s << gone << QStringList{alfa};
}

void TestPersons::anotherCounterMeanwhile()
{
    QFETCH(bool, deleting);
    QFETCH(QString, theirs);
    QFETCH(QString, message);
    QFETCH(QStringList, afterwards);
    addPerson(u"1111111111|Alfa|Anna|Hlavná"_s);
    addPerson(u"2222222222|Beta|Boris|Dlhá"_s);
    search(u"Beta"_s);
    clickCurrentRow();
    const auto otherCounter = [&] {
        anotherCounter(
            m_main->shop().store(), u"Osoby.DBF"_s, u"BIRTHNUM"_s, u"2222222222"_s,
            theirs == u"delete"_s ? std::function<void(Table&)>()
                                  : [](Table& t) { t.field(u"STREET"_s).setAsString(u"Iná"_s); });
    };
    const QStringList meanwhile = theirs == u"delete"_s
                                      ? QStringList{u"1111111111|Alfa|Anna|Hlavná"_s}
                                      : QStringList{u"1111111111|Alfa|Anna|Hlavná"_s, u"2222222222|Beta|Boris|Iná"_s};
    if (deleting) {
        Messages::pushAnswer(true);
        Messages::whileNextAsked(otherCounter);
        QTest::mouseClick(f->BitBtn3, Qt::LeftButton);
    } else {
        QTest::mouseClick(f->Edit4, Qt::LeftButton);
        f->Edit4->setText(u"Borisko"_s);
        otherCounter();
        QTest::mouseClick(f->BitBtn5, Qt::LeftButton);
    }
    QCoreApplication::processEvents();
    QList<Messages::Shown> shown = Messages::takeShown();
    if (deleting) QCOMPARE(shown.takeFirst().kind, Messages::Kind::Question);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0).kind, Messages::Kind::Error);
    QCOMPARE(shown.at(0).text, message);
    QCOMPARE(persons(), meanwhile);
    QCOMPARE(f->model->rowCount(), int(meanwhile.size()));
    if (theirs == u"change"_s) {
        QCOMPARE(current(), u"2222222222|Beta"_s);
        QCOMPARE(f->model->index(f->model->rowOfCurrent(), f->model->columnOf(u"STREET"_s)).data().toString(),
                 u"Iná"_s);
    }
    if (deleting) {
        // The boxes show the person as now.
        QCOMPARE(f->Edit5->text(), theirs == u"change"_s ? u"Iná"_s : u"Hlavná"_s);
        return;
    }
    f->DBGrid1->setFocus(Qt::MouseFocusReason);
    f->Edit2->setFocus(Qt::MouseFocusReason);
    QCoreApplication::processEvents();
    QCOMPARE(f->Edit1->text(), u"2222222222"_s);
    QCOMPARE(f->Edit4->text(), u"Borisko"_s);
    QCOMPARE(f->Edit5->text(), u"Dlhá"_s);

    QTest::mouseClick(f->BitBtn5, Qt::LeftButton);
    QCoreApplication::processEvents();
    QCOMPARE(Messages::takeShown().size(), 0);
    QCOMPARE(persons(), afterwards);
    QCOMPARE(current(), u"2222222222|Beta"_s);
}

void TestPersons::incrementalSearch_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("found");
    QTest::newRow("empty gives the first") << ""
                                           << "adam";
    QTest::newRow("č after c") << "Č"
                               << "Čapek";
    QTest::newRow("past cy comes č") << "Cz"
                                     << "Čapek";
    QTest::newRow("lower case c") << "c"
                                  << "Cyril";
    QTest::newRow("ch as one letter") << "ch"
                                      << "Chmeľ";
    QTest::newRow("ch after h") << "Hz"
                                << "Chmeľ";
    QTest::newRow("h") << "h"
                       << "Hudák";
    QTest::newRow("partial") << "Hu"
                             << "Hudák";
    QTest::newRow("exact") << "Dobrý"
                           << "Dobrý";
    QTest::newRow("past the whole c") << "Cyrilz"
                                      << "Čapek";
    QTest::newRow("i after ch") << "Chz"
                                << "Ivan";
}

void TestPersons::incrementalSearch()
{
    QFETCH(QString, typed);
    QFETCH(QString, found);

    for (const char* name : {"Ivan", "Chmeľ", "Hudák", "Dobrý", "Čapek", "Cyril", "adam"})
        addPerson(u"|"_s + QString::fromUtf8(name) + u"||"_s);
    search(u"Ivan"_s);
    clickCurrentRow();
    QCOMPARE(f->Edit3->text(), u"Ivan"_s);

    f->Edit9->setText(u"x"_s);
    f->Edit9->clear();
    typeInto(f->Edit9, typed);
    QCoreApplication::processEvents();

    QCOMPARE(f->Table1->field(u"LASTNAME"_s).asString(), found);
    QCOMPARE(gridSurname(), found);
    QCOMPARE(f->Edit3->text(), u"Ivan"_s); // the boxes are not refreshed by the search
}

void TestPersons::blackRowsRed_data()
{
    QTest::addColumn<QVariant>("black");
    QTest::addColumn<QVariant>("colour");
    QTest::newRow("undesired") << QVariant(true) << QVariant(QColor(255, 0, 0));
    QTest::newRow("ordinary") << QVariant(false) << QVariant();
    QTest::newRow("never set") << QVariant() << QVariant();
}

void TestPersons::blackRowsRed()
{
    QFETCH(QVariant, black);
    QFETCH(QVariant, colour);

    addPerson(u"1111111111|Alfa|Anna|Hlavná"_s, black);
    QCoreApplication::processEvents();
    QCOMPARE(f->model->rowCount(), 1);
    QCOMPARE(f->model->columnCount(), 7);
    for (int column = 0; column < f->model->columnCount(); ++column)
        QCOMPARE(f->model->index(0, column).data(Qt::ForegroundRole), colour);
}

void TestPersons::personContracts_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("birthNumber"); // Beta's, as stored
    QTest::newRow("Z&mluvy") << u"Z&mluvy"_s << u"2222222222"_s;
    QTest::newRow("double click") << u"double click"_s << u"2222222222"_s;
    QTest::newRow("tool bar") << u"tool bar"_s << u"2222222222"_s;
    // The box refuses a quote, but an imported or older record may hold one: it is a value like any other.
    QTest::newRow("Z&mluvy, a quote stored") << u"Z&mluvy"_s << u"22'22"_s;
    QTest::newRow("tool bar, a quote stored") << u"tool bar"_s << u"22'22"_s;
    QTest::newRow("Z&mluvy, always true stored") << u"Z&mluvy"_s << u"' OR '1'='1"_s;
    QTest::newRow("double click, always true stored") << u"double click"_s << u"' OR '1'='1"_s;
    QTest::newRow("tool bar, doubled quote stored") << u"tool bar"_s << u"22''22"_s;
}

void TestPersons::personContracts()
{
    QFETCH(QString, how);
    QFETCH(QString, birthNumber);

    addPerson(u"1111111111|Alfa|Anna|"_s);
    addPerson(birthNumber + u"|Beta|Boris|"_s);
    addPerson(u"22|Gama|Gejza|"_s); // what stands before the quote
    addContract(u"26/00001"_s, u"1111111111"_s);
    addContract(u"26/00002"_s, birthNumber);
    addContract(u"26/00003"_s, birthNumber);
    addContract(u"26/00004"_s, u"22"_s);
    addContract(u"26/00005"_s, u"22'22"_s == birthNumber ? u"22''22"_s : u"22'22"_s);
    f->Table1->first();
    QCoreApplication::processEvents();

    if (how == u"double click"_s) {
        const QRect cell = f->DBGrid1->visualRect(f->model->index(1, 0));
        QTest::mouseClick(f->DBGrid1->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(f->DBGrid1->viewport(), Qt::LeftButton, {}, cell.center());
    } else {
        search(u"Beta"_s);
        QTest::mouseClick(how == u"tool bar"_s ? static_cast<QWidget*>(m_main->SpeedButton1) : f->BitBtn2,
                          Qt::LeftButton);
    }
    QCOMPARE(Messages::takeShown().size(), 0);

    TForm2* contracts = m_main->form2();
    QVERIFY(contracts->Table1->hasActiveFilter());
    QStringList listed;
    for (contracts->Table1->first(); !contracts->Table1->eof(); contracts->Table1->next())
        listed << contracts->Table1->field(u"NUMBER"_s).asString();
    listed.sort();
    QCOMPARE(listed, (QStringList{u"26/00002"_s, u"26/00003"_s}));
    QCOMPARE(contracts->Table1->recordCount(), 2);
    // The filter reads back as the value it was made of (the field keeps ten characters of what was written).
    const Filter shown = Filter::parse(contracts->Table1->definition(), contracts->Table1->filter());
    QCOMPARE(shown.values(), QList<QVariant>{birthNumber.left(10)});
    QCOMPARE(contracts->windowTitle(), u"Zmluvy záložcu: Beta Boris"_s);
    QVERIFY(m_main->mdiArea()->activeSubWindow());
    QCOMPARE(m_main->mdiArea()->activeSubWindow()->widget(), contracts);
}

void TestPersons::showPerson_data()
{
    QTest::addColumn<QString>("birthNumber");
    QTest::addColumn<QString>("expected");
    QTest::newRow("found") << "3333333333"
                           << "Cyril";
    QTest::newRow("unknown keeps the person") << "9999999999"
                                              << "Alfa";
}

void TestPersons::showPerson()
{
    QFETCH(QString, birthNumber);
    QFETCH(QString, expected);

    addPerson(u"3333333333|Cyril|Cyril|"_s);
    addPerson(u"1111111111|Alfa|Anna|"_s);
    addPerson(u"2222222222|Beta|Boris|"_s);
    f->Table1->first();
    m_main->showChild(m_main->form2());

    f->ShowPerson(birthNumber);
    QCoreApplication::processEvents();

    QCOMPARE(f->Table1->indexName(), u"LASTNAME"_s);
    QCOMPARE(f->Table1->field(u"LASTNAME"_s).asString(), expected);
    QCOMPARE(f->Edit3->text(), expected);
    QCOMPARE(gridSurname(), expected);
    QCOMPARE(m_main->mdiArea()->activeSubWindow()->widget(), f);
    // The order is the surname order again: moving on from Alfa reaches Beta.
    f->Table1->first();
    f->Table1->next();
    QCOMPARE(f->Table1->field(u"LASTNAME"_s).asString(), u"Beta"_s);
}

QTEST_MAIN(TestPersons)
#include "tst_persons.moc"
