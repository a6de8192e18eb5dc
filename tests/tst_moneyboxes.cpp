#include "FreshProgram.h"
#include "core/Shop.h"
#include "store/Table.h"
#include "store/engine/Statement.h"
#include "support/Records.h"
#include "windows/register/Inventar.h"
#include "windows/register/Osoby.h"
#include "windows/register/Predlz.h"
#include "windows/register/Zmluvy.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// What a box takes: its own characters, then what the store makes of them.
enum class Box { Money9, Money6, Percent2, Percent5 };

struct Expectation
{
    const char* input;
    // Stored value per box kind (as general number text), or nullptr when the write is refused.
    const char* stored[4];
};

// Typed as the clerk types: the box cuts the text at its entry limit first.
const Expectation Inputs[] = {
    {"1e308", {nullptr, nullptr, nullptr, nullptr}},
    {"1e3", {nullptr, nullptr, nullptr, nullptr}},
    {"1,5e2", {nullptr, nullptr, "1", nullptr}},
    {"inf", {nullptr, nullptr, nullptr, nullptr}},
    {"nan", {nullptr, nullptr, nullptr, nullptr}},
    {"-0", {nullptr, nullptr, nullptr, nullptr}},
    {"999999999", {"999999999", "999999", "99", "99999"}},
    {"1000000000", {"100000000", "100000", "10", "10000"}},
    {"12,5", {"12,5", "12,5", "12", "12,5"}},
    {" 12 ", {"12", "12", "1", "12"}},
    {"12.5", {nullptr, nullptr, "12", nullptr}},
};

struct BoxOf
{
    const char* window; // TForm2, TForm4, TForm7
    const char* box;
    const char* field;
    Box kind;
};

const BoxOf Boxes[] = {
    {"TForm2", "Edit3", "AMOUNT", Box::Money6},   {"TForm2", "Edit4", "PERCENT", Box::Percent2},
    {"TForm2", "Edit6", "PAID_SUM", Box::Money6}, {"TForm4", "Edit3", "PRED_SUMA", Box::Money9},
    {"TForm4", "Edit4", "SUMA1", Box::Money9},    {"TForm4", "Edit5", "SUMA2", Box::Money9},
    {"TForm7", "Edit1", "X_PAID", Box::Money9},   {"TForm7", "Edit2", "X_PERCENT", Box::Percent5},
};

QString fileOf(const QString& window)
{
    return window == u"TForm2"_s ? u"Zmluvy.DBF"_s : window == u"TForm4"_s ? u"Inventar.DBF"_s : u"Predlz.DBF"_s;
}

} // namespace

class TestMoneyBoxes : public QObject
{
    Q_OBJECT

    FreshProgram m_program;
    TForm1* m_main = nullptr;

    void add(const QString& file, const Records::Values& fields)
    {
        Records::write(m_main->shop().store(), file, fields);
    }

    QVariant stored(const QString& file, const QString& field)
    {
        Table t(m_main->shop().store(), file);
        t.open();
        t.first();
        return t.field(field).isNull() ? QVariant() : QVariant(t.field(field).asString());
    }

private Q_SLOTS:
    void boxes_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QVariant>("expected"); // null: refused
        for (const BoxOf& b : Boxes)
            for (const Expectation& e : Inputs) {
                const char* s = e.stored[int(b.kind)];
                QTest::addRow("%s %s '%s'", b.window, b.field, e.input)
                    << QString::fromLatin1(b.window) << QString::fromLatin1(b.box) << QString::fromLatin1(b.field)
                    << QString::fromLatin1(e.input) << (s ? QVariant(QString::fromLatin1(s)) : QVariant());
            }
    }
    void boxes()
    {
        QFETCH(QString, window);
        QFETCH(QString, box);
        QFETCH(QString, field);
        QFETCH(QString, input);
        QFETCH(QVariant, expected);
        m_main = m_program.start(QDate(2026, 12, 8));
        QVERIFY(m_main);
        add(u"Osoby.DBF"_s, {{u"BIRTHNUM"_s, u"7001011237"_s}, {u"LASTNAME"_s, u"Novák"_s}});
        add(u"Zmluvy.DBF"_s, {{u"NUMBER"_s, u"26/00001"_s},
                              {u"BIRTHNUM"_s, u"7001011237"_s},
                              {u"AMOUNT"_s, u"1000"_s},
                              {u"PERCENT"_s, u"10"_s},
                              {u"PAID_SUM"_s, u"7"_s},
                              {u"AGRDATE"_s, u"1.12.2026"_s},
                              {u"RETENT"_s, u"True"_s}});
        add(u"Inventar.DBF"_s, {{u"NUMBER"_s, u"26/00001"_s},
                                {u"SUBJECT"_s, u"Prsteň"_s},
                                {u"PRED_SUMA"_s, u"7"_s},
                                {u"SUMA1"_s, u"7"_s},
                                {u"SUMA2"_s, u"7"_s}});
        add(u"Predlz.DBF"_s, {{u"NUMBER"_s, u"26/00001"_s},
                              {u"X_PAID"_s, u"7"_s},
                              {u"X_PERCENT"_s, u"7"_s},
                              {u"X_PAIDDATE"_s, u"1.12.2026"_s},
                              {u"X_UNTIL"_s, u"1.1.2027"_s}});

        QWidget* form = window == u"TForm2"_s   ? static_cast<QWidget*>(m_main->form2())
                        : window == u"TForm4"_s ? static_cast<QWidget*>(m_main->form4())
                                                : static_cast<QWidget*>(m_main->form7());
        m_main->showChild(form);
        QTest::qWait(10);
        auto* edit = form->findChild<QLineEdit*>(box);
        QVERIFY(edit);
        retype(edit, input);
        auto* write = form->findChild<QPushButton*>(window == u"TForm2"_s ? u"BitBtn4"_s : u"BitBtn3"_s);
        QVERIFY(write);
        Messages::takeShown();
        QTest::mouseClick(write, Qt::LeftButton);

        const QString file = fileOf(window);
        const QList<Messages::Shown> shown = Messages::takeShown();
        if (expected.isNull()) {
            const QString typed = input.left(edit->maxLength());
            QVERIFY2(!shown.isEmpty() && shown.first().kind == Messages::Kind::Error, qPrintable(typed));
            QCOMPARE(shown.first().text,
                     u"'%1' is not a valid floating point value for field '%2'"_s.arg(typed, field));
            const QString before = field == u"AMOUNT"_s ? u"1000"_s : field == u"PERCENT"_s ? u"10"_s : u"7"_s;
            QCOMPARE(stored(file, field).toString(), before); // nothing half-written
        } else {
            for (const Messages::Shown& s : shown)
                QVERIFY2(s.kind != Messages::Kind::Error, qPrintable(s.text));
            QCOMPARE(stored(file, field).toString(), expected.toString());
        }
        m_program.stop();
    }

    // A value longer than its box (imported, or written by an older program past the boxes) is shown whole and
    // survives a write of the record's other boxes; typing stays limited.
    void storedLongerValue_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("longer");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("other"); // the box the clerk changes, and its field
        QTest::addColumn<QString>("otherField");
        const QString item = u"zlatý prsteň s tromi kameňmi, puncovaný, v pôvodnej krabičke"_s;
        const QString note = u"poznámka "_s.repeated(10) + u"koniec"_s;
        QTest::newRow("persons, surname")
            << u"TForm3"_s << u"Edit3"_s << u"LASTNAME"_s << QVariant(u"Dlhopriezviskovský-Nový"_s)
            << u"Dlhopriezviskovský-Nový"_s << u"Edit6"_s << u"CITY"_s;
        QTest::newRow("persons, note") << u"TForm3"_s << u"Edit8"_s << u"REASON"_s << QVariant(note) << note
                                       << u"Edit5"_s << u"STREET"_s;
        QTest::newRow("goods, item") << u"TForm4"_s << u"Edit2"_s << u"SUBJECT"_s << QVariant(item) << item
                                     << u"Edit5"_s << u"SUMA2"_s;
        QTest::newRow("goods, sale") << u"TForm4"_s << u"Edit3"_s << u"PRED_SUMA"_s << QVariant(1234567890.0)
                                     << u"1234567890"_s << u"Edit2"_s << u"SUBJECT"_s;
        QTest::newRow("extensions, percent") << u"TForm7"_s << u"Edit2"_s << u"X_PERCENT"_s << QVariant(12.3456)
                                             << u"12,3456"_s << u"Edit1"_s << u"X_PAID"_s;
        QTest::newRow("contracts, amount") << u"TForm2"_s << u"Edit3"_s << u"AMOUNT"_s << QVariant(12345678.0)
                                           << u"12345678"_s << u"Edit5"_s << u"WEEKTIME"_s;
        QTest::newRow("contracts, percent")
            << u"TForm2"_s << u"Edit4"_s << u"PERCENT"_s << QVariant(12.5) << u"12,5"_s << u"Edit5"_s << u"WEEKTIME"_s;
    }
    void storedLongerValue()
    {
        QFETCH(QString, window);
        QFETCH(QString, box);
        QFETCH(QString, field);
        QFETCH(QVariant, longer);
        QFETCH(QString, shown);
        QFETCH(QString, other);
        QFETCH(QString, otherField);
        const QString file = window == u"TForm3"_s ? u"Osoby.DBF"_s : fileOf(window);
        m_main = m_program.start(QDate(2026, 12, 8), [&](Store& store) {
            const auto run = [&store](const QString& sql, const QVariantList& values = {}) {
                StatementUse q(store.statement(sql));
                q.bind(values);
                q.exec();
            };
            run(u"INSERT INTO Osoby (WRK, BIRTHNUM, LASTNAME) VALUES (0, '7001011237', 'Novák')"_s);
            run(u"INSERT INTO Zmluvy (WRK, NUMBER, BIRTHNUM, AMOUNT, PERCENT, WEEKTIME, AGRDATE) "
                u"VALUES (0, '26/00001', '7001011237', 1000, 10, 4, '2026-12-01')"_s);
            run(u"INSERT INTO Inventar (WRK, NUMBER, SUBJECT, SUMA2) VALUES (0, '26/00001', 'Prsteň', 7)"_s);
            run(u"INSERT INTO Predlz (WRK, NUMBER, X_PAID, X_PERCENT, X_PAIDDATE, X_UNTIL) "
                u"VALUES (0, '26/00001', 7, 7, '2026-12-01', '2027-01-01')"_s);
            // Past the boxes and past the store's own cut to the field's width.
            run(u"UPDATE %1 SET %2 = ?"_s.arg(file.chopped(4), field), {longer});
        });
        QVERIFY(m_main);
        QWidget* form = window == u"TForm2"_s   ? static_cast<QWidget*>(m_main->form2())
                        : window == u"TForm3"_s ? static_cast<QWidget*>(m_main->form3())
                        : window == u"TForm4"_s ? static_cast<QWidget*>(m_main->form4())
                                                : static_cast<QWidget*>(m_main->form7());
        m_main->showChild(form);
        QTest::qWait(10);
        auto* edit = form->findChild<QLineEdit*>(box);
        QCOMPARE(edit->text(), shown);

        retype(form->findChild<QLineEdit*>(other), u"8"_s);
        QTest::mouseClick(form->findChild<QPushButton*>(window == u"TForm2"_s   ? u"BitBtn4"_s
                                                        : window == u"TForm3"_s ? u"BitBtn5"_s
                                                                                : u"BitBtn3"_s),
                          Qt::LeftButton);
        for (const Messages::Shown& s : Messages::takeShown())
            QVERIFY2(s.kind != Messages::Kind::Error, qPrintable(s.text));
        QCOMPARE(stored(file, otherField).toString(), u"8"_s);
        QCOMPARE(stored(file, field).toString(), shown);
        QCOMPARE(edit->text(), shown);

        // Typed anew, the box holds the clerk to its limit again.
        edit->clear();
        QTest::keyClicks(edit, QString(shown.size(), u'9'));
        QVERIFY(edit->text().size() < shown.size());
        m_program.stop();
    }

    // Sums already in the store beyond what crowns can count show as an error in the panel, never as a
    // wrapped-round figure.
    void storedOutOfRange_data()
    {
        QTest::addColumn<QString>("sale");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("error");
        QTest::newRow("1e308") << u"1e308"_s << u"'1e+308' is not a valid integer value"_s << true;
        QTest::newRow("2^53 + 2") << u"9007199254740994"_s << u"'9,00719925474099e+15' is not a valid integer value"_s
                                  << true;
        QTest::newRow("2^53") << u"9007199254740992"_s << u"9007199254739492"_s << false;
        QTest::newRow("ordinary") << u"2000"_s << u"500"_s << false;
    }
    void storedOutOfRange()
    {
        QFETCH(QString, sale);
        QFETCH(QString, shown);
        QFETCH(bool, error);
        m_main = m_program.start(QDate(2026, 12, 8));
        QVERIFY(m_main);
        add(u"Osoby.DBF"_s, {{u"BIRTHNUM"_s, u"7001011237"_s}});
        add(u"Zmluvy.DBF"_s,
            {{u"NUMBER"_s, u"26/00001"_s}, {u"BIRTHNUM"_s, u"7001011237"_s}, {u"AMOUNT"_s, u"1500"_s}});
        // Written as another program would, past the boxes.
        add(u"Inventar.DBF"_s, {{u"NUMBER"_s, u"26/00001"_s}, {u"SUBJECT"_s, u"Prsteň"_s}, {u"PRED_SUMA"_s, sale}});
        TForm2* f = m_main->form2();
        m_main->showChild(f);
        f->ShowContract();
        QCOMPARE(f->Edit1->text(), u"26/00001"_s);
        QCOMPARE(f->ComboBox1->currentText(), shown);
        if (error) QCOMPARE(f->ComboBox1->count(), 0);
        m_program.stop();
    }
};

QTEST_MAIN(TestMoneyBoxes)
#include "tst_moneyboxes.moc"
