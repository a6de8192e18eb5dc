#include "ReportShop.h"
#include "core/ExpiryMarks.h"
#include "core/IncomeExpense.h"
#include "core/PersonFigures.h"
#include "core/Shop.h"
#include "reports/ExpiringList.h"
#include "reports/IncomeExpenseList.h"
#include "reports/PersonProfile.h"
#include "reports/ReportCatalog.h"
#include "reports/ReportLayout.h"
#include "store/Clock.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/engine/Errors.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::Literals::StringLiterals;

using Kind = ReportBand::Kind;

// A record to write before a case: its table and its fields as text.
struct Record
{
    QString file;
    Fields fields;
};
using RecordList = QList<Record>;
Q_DECLARE_METATYPE(RecordList)

namespace {

const QString Pledger = u"7001011234"_s;

Record contract(const QString& number, const Fields& fields, const QString& birthNumber = Pledger)
{
    return {u"Zmluvy.DBF"_s, Fields{{u"NUMBER"_s, number}, {u"BIRTHNUM"_s, birthNumber}} + fields};
}

Record extension(const QString& number, const QString& until, const QString& paid = {}, const QString& paidOn = {})
{
    return {u"Predlz.DBF"_s,
            {{u"NUMBER"_s, number}, {u"X_UNTIL"_s, until}, {u"X_PAID"_s, paid}, {u"X_PAIDDATE"_s, paidOn}}};
}

Record item(const QString& number, const QString& subject, const QString& sold = {}, const QString& soldOn = {})
{
    return {u"Inventar.DBF"_s,
            {{u"NUMBER"_s, number}, {u"SUBJECT"_s, subject}, {u"PRED_SUMA"_s, sold}, {u"PRED_DATUM"_s, soldOn}}};
}

} // namespace

// The person profile, the contracts due on a day and the cash statement of a period, computed over a real
// store and laid out without any window. Today is 15.6.2026.
class TestDayReports : public QObject
{
    Q_OBJECT

    ReportShopFixture m_fixture;
    Shop* m_shop = nullptr;

    void write(const RecordList& records)
    {
        for (const Record& r : records)
            Records::write(m_shop->store(), r.file, r.fields);
    }

    void addPersons()
    {
        write({{u"Osoby.DBF"_s,
                {{u"BIRTHNUM"_s, Pledger},
                 {u"LASTNAME"_s, u"Novák"_s},
                 {u"FIRSNAME"_s, u"Ján"_s},
                 {u"IDCARD"_s, u"EA123456"_s}}},
               {u"Osoby.DBF"_s, {{u"BIRTHNUM"_s, u"7551011234"_s}, {u"LASTNAME"_s, u"Malá"_s}}}});
    }

    QStringList texts(Report& report, const QString& name)
    {
        QStringList out;
        for (const ReportPage& p : ReportLayout::pages(report))
            out << p.textsOf(name);
        return out;
    }

    QStringList marked()
    {
        QStringList numbers;
        StatementUse q = m_shop->store().statement(u"SELECT NUMBER FROM Zmluvy WHERE WRK = 1 ORDER BY NUMBER"_s);
        q.exec();
        while (q.next())
            numbers << q.value(0).toString();
        return numbers;
    }

    // The work table's rows in the order of its tag DATE: NUMBER|DATE|AMOUNT|PAID_SUM|X_PAID|PRED_SUMA.
    static QStringList workRows(Table& work)
    {
        QStringList rows;
        for (work.first(); !work.eof(); work.next()) {
            QStringList values;
            for (const QString& f : {u"NUMBER"_s, u"DATE"_s, u"AMOUNT"_s, u"PAID_SUM"_s, u"X_PAID"_s, u"PRED_SUMA"_s})
                values << work.field(f).asString();
            rows << values.join(u'|');
        }
        return rows;
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_shop = m_fixture.start();
        QVERIFY(m_shop);
    }

    void cleanup()
    {
        m_fixture.stop();
        m_shop = nullptr;
    }

    // The footer's figures in their order: contracts, lent, forfeited, forfeited amount, due, due amount,
    // paid sum, extension payments, sale proceeds, total yield.
    void profileFigures_data()
    {
        QTest::addColumn<RecordList>("records");
        QTest::addColumn<QList<qint64>>("figures");
        const QString yes = u"True"_s;
        QTest::newRow("one paid contract") << RecordList{contract(u"01"_s, {{u"AMOUNT"_s, u"1000"_s},
                                                                            {u"PAID"_s, yes},
                                                                            {u"PAID_SUM"_s, u"1100"_s},
                                                                            {u"UNTIL"_s, u"1.6.2026"_s}})}
                                           << QList<qint64>{1, 1000, 0, 0, 0, 0, 1100, 0, 0, 100};
        QTest::newRow("forfeited, two items sold")
            << RecordList{contract(u"02"_s, {{u"AMOUNT"_s, u"2000"_s}, {u"PADAK"_s, yes}, {u"UNTIL"_s, u"1.5.2026"_s}}),
                          item(u"02"_s, u"Hodinky"_s, u"1500"_s, u"20.5.2026"_s),
                          item(u"02"_s, u"Prsteň"_s, u"1200"_s, u"21.5.2026"_s),
                          item(u"03"_s, u"Iná zmluva"_s, u"999"_s)}
            << QList<qint64>{1, 2000, 1, 2000, 0, 0, 0, 0, 2700, 700};
        QTest::newRow("forfeited, an item not sold yet")
            << RecordList{contract(u"02"_s, {{u"AMOUNT"_s, u"2000"_s}, {u"PADAK"_s, yes}}), item(u"02"_s, u"Hodinky"_s)}
            << QList<qint64>{1, 2000, 1, 2000, 0, 0, 0, 0, 0, -2000};
        QTest::newRow("open, due today") << RecordList{contract(
                                                u"04"_s, {{u"AMOUNT"_s, u"500"_s}, {u"UNTIL"_s, u"15.6.2026"_s}})}
                                         << QList<qint64>{1, 500, 0, 0, 1, 500, 0, 0, 0, 0};
        QTest::newRow("open, due tomorrow")
            << RecordList{contract(u"04"_s, {{u"AMOUNT"_s, u"500"_s}, {u"UNTIL"_s, u"16.6.2026"_s}})}
            << QList<qint64>{1, 500, 0, 0, 0, 0, 0, 0, 0, -500};
        QTest::newRow("first extension passed, a later one runs on")
            << RecordList{contract(u"05"_s, {{u"AMOUNT"_s, u"800"_s}, {u"UNTIL"_s, u"1.4.2026"_s}, {u"RETENT"_s, yes}}),
                          extension(u"05"_s, u"1.5.2026"_s, u"80"_s), extension(u"05"_s, u"1.7.2026"_s, u"90"_s)}
            << QList<qint64>{1, 800, 0, 0, 1, 800, 0, 170, 0, 170};
        QTest::newRow("extended, every extension runs on")
            << RecordList{contract(u"05"_s, {{u"AMOUNT"_s, u"800"_s}, {u"UNTIL"_s, u"1.4.2026"_s}, {u"RETENT"_s, yes}}),
                          extension(u"05"_s, u"20.6.2026"_s, u"80"_s)}
            << QList<qint64>{1, 800, 0, 0, 0, 0, 0, 80, 0, -720};
        QTest::newRow("returned, neither forfeited nor extended")
            << RecordList{contract(u"06"_s, {{u"AMOUNT"_s, u"300"_s},
                                             {u"RETURNED"_s, yes},
                                             {u"PAID_SUM"_s, u"330"_s},
                                             {u"UNTIL"_s, u"1.1.2026"_s}}),
                          extension(u"06"_s, u"1.2.2026"_s, u"40"_s), item(u"06"_s, u"Retiazka"_s, u"250"_s)}
            << QList<qint64>{1, 300, 0, 0, 0, 0, 330, 0, 0, 30};
        QTest::newRow("extension payments only when marked extended")
            << RecordList{contract(u"07"_s, {{u"AMOUNT"_s, u"100"_s}, {u"UNTIL"_s, u"20.6.2026"_s}}),
                          extension(u"07"_s, u"1.1.2026"_s, u"50"_s)}
            << QList<qint64>{1, 100, 0, 0, 0, 0, 0, 0, 0, -100};
        QTest::newRow("other persons' contracts do not count")
            << RecordList{contract(u"08"_s, {{u"AMOUNT"_s, u"100"_s}, {u"UNTIL"_s, u"1.6.2026"_s}}, u"7551011234"_s)}
            << QList<qint64>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        QTest::newRow("sums past 32 bits") << RecordList{contract(u"09"_s, {{u"AMOUNT"_s, u"2000000000"_s},
                                                                            {u"PAID"_s, yes},
                                                                            {u"PAID_SUM"_s, u"2100000000"_s}}),
                                                         contract(u"10"_s, {{u"AMOUNT"_s, u"2000000000"_s},
                                                                            {u"PAID"_s, yes},
                                                                            {u"PAID_SUM"_s, u"2100000000"_s}})}
                                           << QList<qint64>{2, 4000000000, 0, 0, 0, 0, 4200000000, 0, 0, 200000000};
        QTest::newRow("without contracts") << RecordList{} << QList<qint64>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    }
    void profileFigures()
    {
        QFETCH(RecordList, records);
        QFETCH(QList<qint64>, figures);
        addPersons();
        write(records);
        PersonProfile report(*m_shop);
        QVERIFY(report.Start(Pledger));
        const PersonFigures& f = report.figures;
        const QList<qint64> computed{f.contracts, f.lent,    f.forfeited,         f.forfeitedAmount, f.due,
                                     f.dueAmount, f.paidSum, f.extensionPayments, f.saleProceeds,    f.totalYield()};
        QCOMPARE(computed, figures);

        // As the footer prints them: money with " Sk", the paid sum with the shop's " SK".
        const QStringList names{u"ContractCount"_s, u"AmountLent"_s, u"ForfeitedCount"_s, u"ForfeitedAmount"_s,
                                u"DueCount"_s,      u"DueAmount"_s,  u"PaidSum"_s,        u"ExtensionPayments"_s,
                                u"SaleProceeds"_s,  u"TotalYield"_s};
        const QList<ReportPage> pages = ReportLayout::pages(report.QuickRep1);
        QCOMPARE(pages.size(), 1);
        for (int i = 0; i < names.size(); ++i) {
            const QString suffix = i == 6 ? u" SK"_s : (i % 2 == 1 || i >= 7 ? u" Sk"_s : QString());
            QCOMPARE(pages.first().textsOf(names.at(i)), QStringList{QString::number(figures.at(i)) + suffix});
        }
        QCOMPARE(pages.first().textsOf(u"LastName"_s), QStringList{u"Novák"_s});
        QCOMPARE(pages.first().textsOf(u"IdCard"_s), QStringList{u"EA123456"_s});
        QCOMPARE(pages.first().textsOf(u"NUMBER"_s).size(), figures.first());
    }

    void profileListsThePersonsContractsOnEveryPage()
    {
        addPersons();
        RecordList records;
        for (int i = 1; i <= 30; ++i)
            records << contract(u"26/%1"_s.arg(i, 5, 10, QChar(u'0')),
                                {{u"AMOUNT"_s, u"100"_s}, {u"PAID"_s, u"True"_s}});
        records << contract(u"26/99999"_s, {{u"AMOUNT"_s, u"100"_s}}, u"7551011234"_s);
        write(records);
        PersonProfile report(*m_shop);
        QVERIFY(report.Start(Pledger));
        const QList<ReportPage> pages = ReportLayout::pages(report.QuickRep1);
        QCOMPARE(pages.size(), 2);
        QStringList numbers;
        for (const ReportPage& p : pages) {
            numbers << p.textsOf(u"NUMBER"_s);
            // Heading and footer on every page, the last one included.
            QCOMPARE(p.textsOf(u"TitleLine"_s), QStringList{u"Profil osoby"_s});
            QCOMPARE(p.textsOf(u"ContractCount"_s), QStringList{u"30"_s});
            QCOMPARE(p.textsOf(u"ShopName"_s), QStringList{u"Záložňa Centrum"_s});
        }
        QCOMPARE(numbers.size(), 30);
        QCOMPARE(numbers.first(), u"26/00030"_s); // highest contract number first
        QVERIFY(!numbers.contains(u"26/99999"_s));
        QCOMPARE(pages.last().textsOf(u"PageNumber"_s), QStringList{u"Strana 2"_s});
    }

    void profileOfUnknownBirthNumberIsNotPrinted()
    {
        addPersons();
        write({contract(u"01"_s, {{u"AMOUNT"_s, u"100"_s}}, u"0000000000"_s)});
        PersonProfile report(*m_shop);
        QVERIFY(!report.Start(u"0000000000"_s));
        const ReportCatalog::Entry* entry = ReportCatalog::find(u"profile"_s);
        QVERIFY(entry);
        QVERIFY(!entry->start(*m_shop, {u"0000000000"_s}));
        QVERIFY(entry->start(*m_shop, {Pledger}));
    }

    // A birth number is stored as it came, an imported one with a quote too: the profile counts that
    // person's contracts and nobody else's, however the value reads as filter text.
    void profileOfBirthNumberWithQuotes_data()
    {
        QTest::addColumn<QString>("birthNumber");
        QTest::newRow("a quote") << u"70'0101"_s;
        QTest::newRow("always true") << u"'OR'1'='1"_s;
        QTest::newRow("doubled quote") << u"70''0101"_s;
        QTest::newRow("filter words") << u"x' and x='"_s;
    }
    void profileOfBirthNumberWithQuotes()
    {
        QFETCH(QString, birthNumber);
        addPersons();
        write({{u"Osoby.DBF"_s, {{u"BIRTHNUM"_s, birthNumber}, {u"LASTNAME"_s, u"Zvláštny"_s}}},
               contract(u"11"_s, {{u"AMOUNT"_s, u"100"_s}}, birthNumber),
               contract(u"12"_s, {{u"AMOUNT"_s, u"200"_s}}, birthNumber),
               contract(u"13"_s, {{u"AMOUNT"_s, u"400"_s}}),
               contract(u"14"_s, {{u"AMOUNT"_s, u"800"_s}}, u"7551011234"_s),
               contract(u"15"_s, {{u"AMOUNT"_s, u"1600"_s}}, birthNumber.section(u'\'', 0, 0)),
               contract(u"16"_s, {{u"AMOUNT"_s, u"3200"_s}}, QString(birthNumber).remove(u'\''))});
        PersonProfile report(*m_shop);
        QVERIFY(report.Start(birthNumber));
        QCOMPARE(report.figures.contracts, 2);
        QCOMPARE(report.figures.lent, 300);
        QCOMPARE(texts(report.QuickRep1, u"NUMBER"_s), (QStringList{u"12"_s, u"11"_s}));
        QCOMPARE(texts(report.QuickRep1, u"LastName"_s), QStringList{u"Zvláštny"_s});
    }

    // The column captions of both day reports are printed in italics, and only they in their row.
    void captionsInItalics_data()
    {
        QTest::addColumn<QString>("report");
        QTest::addColumn<QStringList>("captions");
        QTest::newRow("expiry") << u"expiry"_s
                                << QStringList{u"Zmluva"_s,      u"Podpísaná dňa"_s, u"Priezvisko"_s,      u"Meno"_s,
                                               u"Založ. suma"_s, u"Percentá"_s,      u"Založený predmet"_s};
        QTest::newRow("income and expense")
            << u"income"_s
            << QStringList{u"Zmluva"_s, u"Podpísaná dňa"_s, u"Záložná suma"_s, u"Úhrada"_s, u"Úrok"_s, u"Predaj"_s};
    }
    void captionsInItalics()
    {
        QFETCH(QString, report);
        QFETCH(QStringList, captions);
        std::unique_ptr<ListReport> list;
        if (report == u"expiry"_s) {
            auto expiring = std::make_unique<ExpiringList>(*m_shop);
            expiring->Start(QDate(2026, 6, 15));
            list = std::move(expiring);
        } else {
            auto income = std::make_unique<IncomeExpenseList>(*m_shop);
            income->Start(QDate(2026, 6, 1), QDate(2026, 6, 30));
            list = std::move(income);
        }
        const ReportPage page = ReportLayout::pages(list->QuickRep1).first();
        const PlacedBand heading = page.bandsOf(Kind::ColumnHeader).first();
        QStringList printed;
        for (const PlacedText& t : page.texts) {
            if (t.name != u"Caption"_s || t.pos.y() >= heading.top + heading.height) continue;
            printed << t.text;
            QCOMPARE(t.font, ReportFont::italic());
        }
        QCOMPARE(printed, captions);
        // The heading's other lines stay upright.
        for (const PlacedText& t : page.texts)
            if (t.name == u"TitleLine"_s || t.name == u"ShopName"_s) QCOMPARE(t.font, ReportFont());
    }

    void expiryMarksTheDay_data()
    {
        QTest::addColumn<Fields>("fields");
        QTest::addColumn<QStringList>("extensions");
        QTest::addColumn<bool>("listed");
        const QString yes = u"True"_s, day = u"15.6.2026"_s;
        QTest::newRow("due on the day") << Fields{{u"UNTIL"_s, day}} << QStringList() << true;
        QTest::newRow("due on the day, paid") << Fields{{u"UNTIL"_s, day}, {u"PAID"_s, yes}} << QStringList() << false;
        QTest::newRow("due on the day, returned")
            << Fields{{u"UNTIL"_s, day}, {u"RETURNED"_s, yes}} << QStringList() << false;
        QTest::newRow("due on the day, forfeited")
            << Fields{{u"UNTIL"_s, day}, {u"PADAK"_s, yes}} << QStringList() << false;
        QTest::newRow("due on the day, extended: extensions not looked at")
            << Fields{{u"UNTIL"_s, day}, {u"RETENT"_s, yes}} << QStringList{day} << false;
        QTest::newRow("due another day") << Fields{{u"UNTIL"_s, u"16.6.2026"_s}} << QStringList() << false;
        QTest::newRow("no due date") << Fields{} << QStringList() << false;
        QTest::newRow("second extension ends on the day")
            << Fields{{u"UNTIL"_s, u"1.5.2026"_s}, {u"RETENT"_s, yes}} << QStringList{u"1.6.2026"_s, day} << true;
        QTest::newRow("extension ends on the day, paid since")
            << Fields{{u"UNTIL"_s, u"1.5.2026"_s}, {u"RETENT"_s, yes}, {u"PAID"_s, yes}} << QStringList{day} << true;
        QTest::newRow("extension ends on the day, extended again")
            << Fields{{u"UNTIL"_s, u"1.5.2026"_s}, {u"RETENT"_s, yes}} << QStringList{day, u"15.7.2026"_s} << true;
        QTest::newRow("extensions end other days") << Fields{{u"UNTIL"_s, u"1.5.2026"_s}, {u"RETENT"_s, yes}}
                                                   << QStringList{u"1.6.2026"_s, u"16.6.2026"_s} << false;
    }
    void expiryMarksTheDay()
    {
        QFETCH(Fields, fields);
        QFETCH(QStringList, extensions);
        QFETCH(bool, listed);
        addPersons();
        RecordList records{contract(u"500"_s, fields), item(u"500"_s, u"Prsteň"_s), item(u"500"_s, u"Retiazka"_s)};
        for (const QString& until : extensions)
            records << extension(u"500"_s, until);
        // Marked by an earlier view, due another day: the run clears it.
        records << contract(u"400"_s, {{u"WRK"_s, u"True"_s}, {u"UNTIL"_s, u"1.1.2026"_s}});
        write(records);
        ExpiringList report(*m_shop);
        report.Start(QDate(2026, 6, 15));
        QCOMPARE(marked(), listed ? QStringList{u"500"_s} : QStringList());
        const QList<ReportPage> pages = ReportLayout::pages(report.QuickRep1);
        QCOMPARE(pages.size(), 1);
        const ReportPage& page = pages.first();
        QCOMPARE(page.textsOf(u"QRLabel14"_s), QStringList{u"na deň 15.6.2026"_s});
        QCOMPARE(page.textsOf(u"ShopName"_s), QStringList{u"Záložňa Centrum"_s});
        QCOMPARE(page.textsOf(u"TitleLine"_s), QStringList{u"Expirácia zmlúv"_s});
        QCOMPARE(page.bandsOf(Kind::ColumnHeader).size(), 1);
        QCOMPARE(page.textsOf(u"NUMBER"_s), listed ? QStringList{u"500"_s} : QStringList());
        QCOMPARE(page.textsOf(u"Goods"_s), listed ? (QStringList{u"Prsteň"_s, u"Retiazka"_s}) : QStringList());
        QCOMPARE(page.textsOf(u"LASTNAME"_s), listed ? QStringList{u"Novák"_s} : QStringList());
        QCOMPARE(page.textsOf(u"FIRSNAME"_s), listed ? QStringList{u"Ján"_s} : QStringList());
    }

    // Each contract prints its own pledger's names; without a person the two columns stay empty rather than
    // repeating the names printed before.
    void expiryPrintsEachPledger()
    {
        addPersons();
        write({contract(u"503"_s, {{u"UNTIL"_s, u"15.6.2026"_s}}),
               contract(u"502"_s, {{u"UNTIL"_s, u"15.6.2026"_s}}, u"1111111111"_s),
               contract(u"501"_s, {{u"UNTIL"_s, u"15.6.2026"_s}}, u"7551011234"_s)});
        ExpiringList report(*m_shop);
        report.Start(QDate(2026, 6, 15));
        const ReportPage page = ReportLayout::pages(report.QuickRep1).first();
        QCOMPARE(page.textsOf(u"NUMBER"_s), (QStringList{u"503"_s, u"502"_s, u"501"_s}));
        QCOMPARE(page.textsOf(u"LASTNAME"_s), (QStringList{u"Novák"_s, u"Malá"_s}));
        const QList<PlacedBand> rows = page.bandsOf(Kind::Detail);
        QCOMPARE(rows.size(), 3);
        for (const PlacedText& t : page.texts)
            if (t.name == u"LASTNAME"_s || t.name == u"FIRSNAME"_s)
                QVERIFY2(t.pos.y() < rows.at(1).top || t.pos.y() >= rows.at(2).top, qPrintable(t.text));
    }

    // The engine refuses a write halfway: every mark stays as it was and the engine's message comes through.
    void expiryMarkingFailsWhole()
    {
        write({contract(u"600"_s, {{u"UNTIL"_s, u"15.6.2026"_s}}), contract(u"300"_s, {{u"UNTIL"_s, u"15.6.2026"_s}}),
               contract(u"200"_s, {{u"WRK"_s, u"True"_s}, {u"UNTIL"_s, u"1.1.2026"_s}})});
        TestBackend::refuse(m_shop->store(), u"UPDATE OF WRK"_s, u"Zmluvy"_s, u"NUMBER"_s, u"300"_s);
        ExpiringList report(*m_shop);
        try {
            report.Start(QDate(2026, 6, 15));
            QFAIL("the marking went through");
        } catch (const StoreError& e) {
            QCOMPARE(e.text(), u"disk I/O error"_s);
        }
        QCOMPARE(marked(), QStringList{u"200"_s});
        QCOMPARE(report.Table1->state(), Table::State::Browse);
    }

    void incomeExpense_data()
    {
        QTest::addColumn<RecordList>("records");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QStringList>("rows");
        // Sums, money out, money in, difference, counts, as printed.
        QTest::addColumn<QStringList>("summary");
        const QDate june1(2026, 6, 1), june30(2026, 6, 30);
        const RecordList some{contract(u"01"_s, {{u"AGRDATE"_s, u"10.5.2026"_s}, {u"AMOUNT"_s, u"400"_s}})};
        QTest::newRow("no movements") << some << june1 << june30 << QStringList()
                                      << QStringList{u"0"_s,    u"0"_s, u"0"_s, u"0"_s, u"0 Sk"_s, u"0 Sk"_s,
                                                     u"0 Sk"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s};
        QTest::newRow("one day")
            << RecordList{contract(u"01"_s, {{u"AGRDATE"_s, u"10.6.2026"_s}, {u"AMOUNT"_s, u"1000"_s}}),
                          contract(u"02"_s, {{u"AGRDATE"_s, u"11.6.2026"_s}, {u"AMOUNT"_s, u"700"_s}}),
                          contract(u"03"_s, {{u"AGRDATE"_s, u"9.6.2026"_s}, {u"AMOUNT"_s, u"600"_s}})}
            << QDate(2026, 6, 10) << QDate(2026, 6, 10) << QStringList{u"01|10.6.2026|1000|||"_s}
            << QStringList{u"1000"_s,     u"0"_s, u"0"_s, u"0"_s, u"1000 Sk"_s, u"0 Sk"_s,
                           u"-1000 Sk"_s, u"1"_s, u"0"_s, u"0"_s, u"0"_s};
        QTest::newRow("sale on the last day in, on the next day out")
            << RecordList{item(u"01"_s, u"Hodinky"_s, u"700"_s, u"30.6.2026"_s),
                          item(u"02"_s, u"Prsteň"_s, u"900"_s, u"1.7.2026"_s),
                          item(u"03"_s, u"Retiazka"_s, u"500"_s, u"31.5.2026"_s),
                          item(u"04"_s, u"Nepredané"_s, u"100"_s)}
            << june1 << june30 << QStringList{u"01|30.6.2026||||700"_s}
            << QStringList{u"0"_s,      u"0"_s, u"0"_s, u"700"_s, u"0 Sk"_s, u"700 Sk"_s,
                           u"700 Sk"_s, u"0"_s, u"0"_s, u"0"_s,   u"1"_s};
        QTest::newRow("more out than in")
            << RecordList{contract(u"01"_s, {{u"AGRDATE"_s, u"5.6.2026"_s}, {u"AMOUNT"_s, u"2000"_s}}),
                          extension(u"01"_s, u"5.7.2026"_s, u"300"_s, u"6.6.2026"_s),
                          item(u"07"_s, u"Hodinky"_s, u"500"_s, u"7.6.2026"_s)}
            << june1 << june30
            << QStringList{u"01|5.6.2026|2000|||"_s, u"01|6.6.2026|||300|"_s, u"07|7.6.2026||||500"_s}
            << QStringList{u"2000"_s,     u"0"_s, u"300"_s, u"500"_s, u"2000 Sk"_s, u"800 Sk"_s,
                           u"-1200 Sk"_s, u"1"_s, u"0"_s,   u"1"_s,   u"1"_s};
        QTest::newRow("signed and paid in the period: two rows")
            << RecordList{contract(u"01"_s, {{u"AGRDATE"_s, u"2.6.2026"_s},
                                             {u"AMOUNT"_s, u"1000"_s},
                                             {u"PAID"_s, u"True"_s},
                                             {u"PAID_DATE"_s, u"20.6.2026"_s},
                                             {u"PAID_SUM"_s, u"1100"_s}})}
            << june1 << june30 << QStringList{u"01|2.6.2026|1000|||"_s, u"01|20.6.2026||1100||"_s}
            << QStringList{u"1000"_s,   u"1100"_s, u"0"_s, u"0"_s, u"1000 Sk"_s, u"1100 Sk"_s,
                           u"100 Sk"_s, u"1"_s,    u"1"_s, u"0"_s, u"0"_s};
        // Contracts highest number first, then extensions lowest first, then goods highest first.
        QTest::newRow("one date: contracts, extensions, goods")
            << RecordList{item(u"03"_s, u"Hodinky"_s, u"50"_s, u"5.6.2026"_s),
                          extension(u"05"_s, u"1.7.2026"_s, u"30"_s, u"5.6.2026"_s),
                          extension(u"01"_s, u"1.7.2026"_s, u"20"_s, u"5.6.2026"_s),
                          contract(u"01"_s, {{u"PAID_DATE"_s, u"5.6.2026"_s}, {u"PAID_SUM"_s, u"220"_s}}),
                          contract(u"02"_s, {{u"AGRDATE"_s, u"5.6.2026"_s}, {u"AMOUNT"_s, u"100"_s}}),
                          item(u"04"_s, u"Prsteň"_s, u"60"_s, u"5.6.2026"_s),
                          contract(u"00"_s, {{u"AGRDATE"_s, u"4.6.2026"_s}, {u"AMOUNT"_s, u"10"_s}})}
            << june1 << june30 << QStringList{u"00|4.6.2026|10|||"_s, u"02|5.6.2026|100|||"_s, u"01|5.6.2026||220||"_s,
                                              u"01|5.6.2026|||20|"_s, u"05|5.6.2026|||30|"_s,  u"04|5.6.2026||||60"_s,
                                              u"03|5.6.2026||||50"_s}
            << QStringList{u"110"_s,    u"220"_s, u"50"_s, u"110"_s, u"110 Sk"_s, u"380 Sk"_s,
                           u"270 Sk"_s, u"2"_s,   u"1"_s,  u"2"_s,   u"2"_s};
        QTest::newRow("from after to") << RecordList{contract(u"01"_s,
                                                              {{u"AGRDATE"_s, u"5.6.2026"_s}, {u"AMOUNT"_s, u"1"_s}})}
                                       << june30 << june1 << QStringList()
                                       << QStringList{u"0"_s,    u"0"_s, u"0"_s, u"0"_s, u"0 Sk"_s, u"0 Sk"_s,
                                                      u"0 Sk"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s};
        QTest::newRow("sums past 32 bits")
            << RecordList{contract(u"01"_s, {{u"AGRDATE"_s, u"5.6.2026"_s}, {u"AMOUNT"_s, u"3000000000"_s}}),
                          contract(u"02"_s, {{u"AGRDATE"_s, u"6.6.2026"_s}, {u"AMOUNT"_s, u"3000000000"_s}})}
            << june1 << june30 << QStringList{u"01|5.6.2026|3000000000|||"_s, u"02|6.6.2026|3000000000|||"_s}
            << QStringList{u"6000000000"_s, u"0"_s, u"0"_s, u"0"_s, u"6000000000 Sk"_s, u"0 Sk"_s, u"-6000000000 Sk"_s,
                           u"2"_s,          u"0"_s, u"0"_s, u"0"_s};
    }
    void incomeExpense()
    {
        QFETCH(RecordList, records);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, summary);
        write(records);
        IncomeExpenseList report(*m_shop);
        // A run before leaves rows that the refill removes.
        report.Start(QDate(2000, 1, 1), QDate(2099, 12, 31));
        report.Start(from, to);
        QCOMPARE(workRows(*m_shop->Table5), rows);

        const QList<ReportPage> pages = ReportLayout::pages(report.QuickRep1);
        QCOMPARE(pages.size(), 1);
        const ReportPage& page = pages.first();
        QCOMPARE(page.textsOf(u"QRLabel14"_s),
                 QStringList{u"od %1 do %2"_s.arg(from.toString(u"d.M.yyyy"_s), to.toString(u"d.M.yyyy"_s))});
        QCOMPARE(page.textsOf(u"TitleLine"_s), QStringList{u"Príjmy a výdaje za obdobie:"_s});
        QCOMPARE(page.textsOf(u"DATE"_s).size(), rows.size());
        QStringList printed;
        for (const QString& name :
             {u"SignedSum"_s, u"PaidSum"_s, u"InterestSum"_s, u"SalesSum"_s, u"MoneyOut"_s, u"MoneyIn"_s,
              u"Difference"_s, u"SignedCount"_s, u"PaidCount"_s, u"InterestCount"_s, u"SalesCount"_s})
            printed << page.textsOf(name);
        QCOMPARE(printed, summary);
        // The summary once, after the last row, under its line.
        const QList<PlacedBand> summaries = page.bandsOf(Kind::Summary);
        QCOMPARE(summaries.size(), 1);
        const QList<PlacedBand> details = page.bandsOf(Kind::Detail);
        if (!details.isEmpty()) QVERIFY(summaries.first().top >= details.last().top + details.last().height);
    }

    // A figure that counts no whole crowns stops the refill halfway: the work table keeps the last run's rows.
    void incomeExpenseRefillFailsWhole()
    {
        write({contract(u"01"_s, {{u"AGRDATE"_s, u"5.6.2026"_s}, {u"AMOUNT"_s, u"100"_s}}),
               item(u"02"_s, u"Obraz"_s, u"250"_s, u"3.3.2026"_s)});
        IncomeExpenseList report(*m_shop);
        report.Start(QDate(2026, 3, 1), QDate(2026, 3, 31));
        const QStringList before = workRows(*report.Table1);
        QCOMPARE(before, QStringList{u"02|3.3.2026||||250"_s});
        write({item(u"03"_s, u"Zlatá tehla"_s, u"1e17"_s, u"6.6.2026"_s)});
        QVERIFY_THROWS_EXCEPTION(ConversionError, report.Start(QDate(2026, 6, 1), QDate(2026, 6, 30)));
        QCOMPARE(workRows(*report.Table1), before);
        QCOMPARE(workRows(*m_shop->Table5), before);
        QCOMPARE(report.totals.salesSum, 250);
    }

    void catalogTakesItsArguments_data()
    {
        QTest::addColumn<QString>("report");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("fits");
        QTest::newRow("profile without a number") << u"profile"_s << QStringList() << false;
        QTest::newRow("expiry, a date") << u"expiry"_s << QStringList{u"15.6.2026"_s} << true;
        QTest::newRow("expiry, an ISO date") << u"expiry"_s << QStringList{u"2026-06-15"_s} << true;
        QTest::newRow("expiry without a date") << u"expiry"_s << QStringList() << false;
        QTest::newRow("expiry, no date") << u"expiry"_s << QStringList{u"31.2.2026"_s} << false;
        QTest::newRow("income, two dates") << u"income"_s << QStringList{u"1.6.2026"_s, u"2026-06-30"_s} << true;
        QTest::newRow("income, one date") << u"income"_s << QStringList{u"1.6.2026"_s} << false;
        QTest::newRow("income, a bad second date") << u"income"_s << QStringList{u"1.6.2026"_s, u"30.6."_s} << false;
    }
    void catalogTakesItsArguments()
    {
        QFETCH(QString, report);
        QFETCH(QStringList, args);
        QFETCH(bool, fits);
        const ReportCatalog::Entry* entry = ReportCatalog::find(report);
        QVERIFY(entry);
        if (fits)
            QVERIFY(entry->start(*m_shop, args));
        else
            QVERIFY_THROWS_EXCEPTION(ReportCatalog::ArgumentError, entry->start(*m_shop, args));
    }
};

QTEST_MAIN(TestDayReports)
#include "tst_dayreports.moc"
