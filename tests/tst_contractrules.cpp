#include "core/ContractRules.h"
#include "store/Values.h"
#include "store/engine/Errors.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace ContractRules;

using DateList = QList<QDate>;
using MoneyList = QList<double>;
using CrownList = QList<qint64>;
using OptionalText = std::optional<QString>;

class TestContractRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nextContractNumber_data();
    void nextContractNumber();
    void dueDateFromWeeks_data();
    void dueDateFromWeeks();
    void dueDateFromWeeksRejectsContractDate_data();
    void dueDateFromWeeksRejectsContractDate();
    void sameDayNextMonth_data();
    void sameDayNextMonth();
    void sameDayNextMonthIsAlwaysARealDate();
    void totalToRepay_data();
    void totalToRepay();
    void totalToRepayRejectsAmount_data();
    void totalToRepayRejectsAmount();
    void netIncome_data();
    void netIncome();
    void netIncomeOutOfRange_data();
    void netIncomeOutOfRange();
    void extensionCharge_data();
    void extensionCharge();
    void states_data();
    void states();
};

void TestContractRules::nextContractNumber_data()
{
    QTest::addColumn<QString>("highest");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("proposed");

    const QDate in2026(2026, 6, 10);
    QTest::newRow("no contract yet") << QString() << in2026 << u"26/00001"_s;
    QTest::newRow("next serial") << u"26/00124"_s << in2026 << u"26/00125"_s;
    QTest::newRow("runs on into a new year") << u"26/00124"_s << QDate(2027, 1, 2) << u"27/00125"_s;
    QTest::newRow("last serial") << u"26/99998"_s << in2026 << u"26/99999"_s;
    QTest::newRow("wraps after 99999") << u"26/99999"_s << in2026 << u"26/00001"_s;
    QTest::newRow("wraps with today's year") << u"26/99999"_s << QDate(2027, 3, 1) << u"27/00001"_s;
    QTest::newRow("typed by hand") << u"ABC"_s << in2026 << u"26/00001"_s;
    QTest::newRow("three characters") << u"26/"_s << in2026 << u"26/00001"_s;
    QTest::newRow("four characters") << u"26/7"_s << in2026 << u"26/00008"_s;
    QTest::newRow("letter in serial") << u"26/0012A"_s << in2026 << u"26/00001"_s;
    QTest::newRow("trailing blank") << u"26/0012 "_s << in2026 << u"26/00001"_s;
    QTest::newRow("leading blank") << u"26/ 0012"_s << in2026 << u"26/00013"_s;
    QTest::newRow("zero serial") << u"26/00000"_s << in2026 << u"26/00001"_s;
    QTest::newRow("negative serial") << u"26/-0005"_s << in2026 << u"26/00001"_s;
    QTest::newRow("year 2009") << u"08/00005"_s << QDate(2009, 1, 1) << u"09/00006"_s;
    QTest::newRow("year 2100") << u"99/00005"_s << QDate(2100, 1, 1) << u"00/00006"_s;
}

void TestContractRules::nextContractNumber()
{
    QFETCH(QString, highest);
    QFETCH(QDate, today);
    QFETCH(QString, proposed);
    QCOMPARE(NextContractNumber(highest, today), proposed);
}

void TestContractRules::dueDateFromWeeks_data()
{
    QTest::addColumn<QString>("agreed");
    QTest::addColumn<QString>("weeks");
    QTest::addColumn<OptionalText>("due");

    QTest::newRow("3 weeks") << u"10.3.2026"_s << u"3"_s << OptionalText(u"31.3.2026"_s);
    QTest::newRow("4 weeks are a month") << u"10.3.2026"_s << u"4"_s << OptionalText(u"10. 4.2026"_s);
    QTest::newRow("5 weeks") << u"10.3.2026"_s << u"5"_s << OptionalText(u"14.4.2026"_s);
    QTest::newRow("0 weeks") << u"10.3.2026"_s << u"0"_s << OptionalText(u"10.3.2026"_s);
    QTest::newRow("4 weeks over the year") << u"15.12.2026"_s << u"4"_s << OptionalText(u"15. 1.2027"_s);
    QTest::newRow("4 weeks from 31 January") << u"31.1.2027"_s << u"4"_s << OptionalText(u"28. 2.2027"_s);
    QTest::newRow("4 weeks into a leap February") << u"31.1.2028"_s << u"4"_s << OptionalText(u"29. 2.2028"_s);
    QTest::newRow("1 week over the year") << u"28.12.2026"_s << u"1"_s << OptionalText(u"4.1.2027"_s);
    QTest::newRow("8 weeks over 29 February") << u"15.2.2028"_s << u"8"_s << OptionalText(u"11.4.2028"_s);
    QTest::newRow("month-step contract date") << u" 6. 1.2027"_s << u"2"_s << OptionalText(u"20.1.2027"_s);
    QTest::newRow("leading blank in term") << u"10.3.2026"_s << u" 4"_s << OptionalText(u"10. 4.2026"_s);
    QTest::newRow("signed term") << u"10.3.2026"_s << u"+3"_s << OptionalText(u"31.3.2026"_s);
    QTest::newRow("empty term") << u"10.3.2026"_s << QString() << OptionalText();
    QTest::newRow("trailing blank in term") << u"10.3.2026"_s << u"4 "_s << OptionalText();
    QTest::newRow("fraction of a week") << u"10.3.2026"_s << u"1,5"_s << OptionalText();
    QTest::newRow("letters") << u"10.3.2026"_s << u"x"_s << OptionalText();
    QTest::newRow("past the year 9999") << u"31.12.9999"_s << u"1"_s << OptionalText();
    QTest::newRow("4 weeks past the year 9999") << u"6.12.9999"_s << u"4"_s << OptionalText();
    QTest::newRow("last week of the year 9999") << u"24.12.9999"_s << u"1"_s << OptionalText(u"31.12.9999"_s);
    QTest::newRow("millions of weeks") << u"1.1.2026"_s << u"404444444"_s << OptionalText();
    QTest::newRow("back before the year 1") << u"1.1.0001"_s << u"-1"_s << OptionalText();
    QTest::newRow("negative term") << u"10.3.2026"_s << u"-5"_s << OptionalText();
    // The term is looked at first: a bad contract date does not matter without a term.
    QTest::newRow("no term, no date") << u"  .  .    "_s << u"?"_s << OptionalText();
}

void TestContractRules::dueDateFromWeeks()
{
    QFETCH(QString, agreed);
    QFETCH(QString, weeks);
    QFETCH(OptionalText, due);
    QCOMPARE(DueDateFromWeeks(agreed, weeks), due);
}

void TestContractRules::dueDateFromWeeksRejectsContractDate_data()
{
    QTest::addColumn<QString>("agreed");

    QTest::newRow("empty box") << u"  .  .    "_s;
    QTest::newRow("no such day") << u"31.2.2026"_s;
    QTest::newRow("letters") << u"10.III.2026"_s;
}

void TestContractRules::dueDateFromWeeksRejectsContractDate()
{
    QFETCH(QString, agreed);
    try {
        DueDateFromWeeks(agreed, u"3"_s);
        QFAIL("no conversion error");
    } catch (const ConversionError& error) {
        QCOMPARE(error.text(), u"'%1' is not a valid date"_s.arg(agreed));
    }
}

void TestContractRules::sameDayNextMonth_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("proposed");

    QTest::newRow("mid month") << QDate(2026, 3, 15) << u"15. 4.2026"_s;
    QTest::newRow("December") << QDate(2026, 12, 10) << u"10. 1.2027"_s;
    QTest::newRow("single digits") << QDate(2026, 12, 6) << u" 6. 1.2027"_s;
    QTest::newRow("two-digit month") << QDate(2026, 9, 30) << u"30.10.2026"_s;
    QTest::newRow("31 December") << QDate(2026, 12, 31) << u"31. 1.2027"_s;
    QTest::newRow("31 January") << QDate(2027, 1, 31) << u"28. 2.2027"_s;
    QTest::newRow("30 January") << QDate(2027, 1, 30) << u"28. 2.2027"_s;
    QTest::newRow("31 January, leap year") << QDate(2028, 1, 31) << u"29. 2.2028"_s;
    QTest::newRow("29 January, leap year") << QDate(2028, 1, 29) << u"29. 2.2028"_s;
    QTest::newRow("31 January 2100") << QDate(2100, 1, 31) << u"28. 2.2100"_s;
    QTest::newRow("31 March") << QDate(2026, 3, 31) << u"30. 4.2026"_s;
    QTest::newRow("31 October") << QDate(2026, 10, 31) << u"30.11.2026"_s;
    QTest::newRow("empty date") << QDate() << QString();
}

void TestContractRules::sameDayNextMonth()
{
    QFETCH(QDate, date);
    QFETCH(QString, proposed);
    QCOMPARE(SameDayNextMonth(date), proposed);
}

void TestContractRules::sameDayNextMonthIsAlwaysARealDate()
{
    // The proposal goes straight into a date field; it must read back as a day of the next month.
    for (QDate day(2027, 1, 1); day < QDate(2029, 1, 1); day = day.addDays(1)) {
        const auto next = Values::parseDate(SameDayNextMonth(day));
        QVERIFY2(next.has_value(), qPrintable(day.toString(Qt::ISODate)));
        const QDate firstOfNext = QDate(day.year(), day.month(), 1).addMonths(1);
        QCOMPARE(next->month(), firstOfNext.month());
        QCOMPARE(next->year(), firstOfNext.year());
        QCOMPARE(next->day(), qMin(day.day(), firstOfNext.daysInMonth()));
    }
}

void TestContractRules::totalToRepay_data()
{
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("percent");
    QTest::addColumn<OptionalText>("total");

    QTest::newRow("1000 at 15") << u"1000"_s << u"15"_s << OptionalText(u"1150"_s);
    QTest::newRow("333 at 10") << u"333"_s << u"10"_s << OptionalText(u"366,3"_s);
    QTest::newRow("1 at 1") << u"1"_s << u"1"_s << OptionalText(u"1,01"_s);
    QTest::newRow("no percent") << u"1000"_s << u"0"_s << OptionalText(u"1000"_s);
    QTest::newRow("nothing lent") << u"0"_s << u"15"_s << OptionalText(u"0"_s);
    QTest::newRow("largest entries") << u"999999"_s << u"99"_s << OptionalText(u"1989998,01"_s);
    QTest::newRow("leading blanks") << u"  500"_s << u" 20"_s << OptionalText(u"600"_s);
    QTest::newRow("fraction of a percent") << u"1000"_s << u"15,5"_s << OptionalText();
    QTest::newRow("empty percent") << u"1000"_s << QString() << OptionalText();
    QTest::newRow("trailing blank in percent") << u"1000"_s << u"15 "_s << OptionalText();
    // The percent decides first: no total, and no complaint about the amount.
    QTest::newRow("no percent, no amount") << QString() << u"x"_s << OptionalText();
}

void TestContractRules::totalToRepay()
{
    QFETCH(QString, amount);
    QFETCH(QString, percent);
    QFETCH(OptionalText, total);
    QCOMPARE(TotalToRepayText(amount, percent), total);
    const auto value = TotalToRepay(amount, percent);
    QCOMPARE(value.has_value(), total.has_value());
    if (value) {
        // The pay-off proposes the shown text as the paid sum and reads it back.
        const auto shownBack = Values::parseNumber(*total);
        QVERIFY(shownBack.has_value());
        QVERIFY(qAbs(*shownBack - *value) < 1e-9);
    }
}

void TestContractRules::totalToRepayRejectsAmount_data()
{
    QTest::addColumn<QString>("amount");

    QTest::newRow("empty") << QString();
    QTest::newRow("fraction") << u"1000,5"_s;
    QTest::newRow("letters") << u"12a"_s;
    QTest::newRow("trailing blank") << u"1000 "_s;
}

void TestContractRules::totalToRepayRejectsAmount()
{
    QFETCH(QString, amount);
    try {
        TotalToRepay(amount, u"10"_s);
        QFAIL("no conversion error");
    } catch (const ConversionError& error) {
        QCOMPARE(error.text(), u"'%1' is not a valid integer value"_s.arg(amount));
    }
}

void TestContractRules::netIncome_data()
{
    QTest::addColumn<double>("amount");
    QTest::addColumn<bool>("paid");
    QTest::addColumn<double>("paidSum");
    QTest::addColumn<bool>("extended");
    QTest::addColumn<MoneyList>("extensionPayments");
    QTest::addColumn<MoneyList>("itemSales");
    QTest::addColumn<CrownList>("items");
    QTest::addColumn<qint64>("net");

    QTest::newRow("paid off") << 1000.0 << true << 1150.0 << false << MoneyList() << MoneyList()
                              << CrownList{-1000, 1150} << qint64(150);
    QTest::newRow("not yet paid") << 1000.0 << false << 0.0 << false << MoneyList() << MoneyList() << CrownList{-1000}
                                  << qint64(-1000);
    QTest::newRow("paid sum without the mark")
        << 1000.0 << false << 1150.0 << false << MoneyList() << MoneyList() << CrownList{-1000} << qint64(-1000);
    QTest::newRow("nothing lent is still listed")
        << 0.0 << true << 0.0 << false << MoneyList() << MoneyList() << CrownList{0} << qint64(0);
    QTest::newRow("extended") << 1000.0 << false << 0.0 << true << MoneyList{150, 0, 150} << MoneyList()
                              << CrownList{-1000, 150, 150} << qint64(-700);
    QTest::newRow("extensions without the mark")
        << 1000.0 << false << 0.0 << false << MoneyList{150} << MoneyList() << CrownList{-1000} << qint64(-1000);
    QTest::newRow("goods sold") << 1000.0 << false << 0.0 << false << MoneyList() << MoneyList{0, 800, 450}
                                << CrownList{-1000, 800, 450} << qint64(250);
    QTest::newRow("extensions, then goods, then pay-off")
        << 1000.0 << true << 366.3 << true << MoneyList{100, 120} << MoneyList{700}
        << CrownList{-1000, 100, 120, 700, 366} << qint64(286);
    QTest::newRow("halves to even") << 1000.5 << true << 2.5 << true << MoneyList{3.5, 0.5} << MoneyList{1.5}
                                    << CrownList{-1000, 4, 2, 2} << qint64(-992);
}

void TestContractRules::netIncome()
{
    QFETCH(double, amount);
    QFETCH(bool, paid);
    QFETCH(double, paidSum);
    QFETCH(bool, extended);
    QFETCH(MoneyList, extensionPayments);
    QFETCH(MoneyList, itemSales);
    QFETCH(CrownList, items);
    QFETCH(qint64, net);

    const NetIncomeResult result = NetIncome(amount, paid, paidSum, extended, extensionPayments, itemSales);
    QCOMPARE(result.items, items);
    QCOMPARE(result.net, net);
}

void TestContractRules::extensionCharge_data()
{
    QTest::addColumn<QString>("percent");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("charge");

    QTest::newRow("10 of 1000") << u"10"_s << u"1000"_s << u"100"_s;
    QTest::newRow("15 of 333") << u"15"_s << u"333"_s << u"49,95"_s;
    QTest::newRow("7 of 999999") << u"7"_s << u"999999"_s << u"69999,93"_s;
    QTest::newRow("leading blank") << u" 5"_s << u"200"_s << u"10"_s;
    QTest::newRow("empty percent") << QString() << u"1000"_s << u"0"_s;
    QTest::newRow("fraction of a percent") << u"1,5"_s << u"1000"_s << u"0"_s;
    QTest::newRow("empty amount") << u"10"_s << QString() << u"0"_s;
    QTest::newRow("fee past the range of cents") << u"10"_s << u"995940444444044444"_s << QString();
    QTest::newRow("percent past the range") << u"9223372036854775807"_s << u"1000"_s << QString();
}

void TestContractRules::extensionCharge()
{
    QFETCH(QString, percent);
    QFETCH(QString, amount);
    QFETCH(QString, charge);
    QCOMPARE(ExtensionChargeText(percent, amount), charge);
}

void TestContractRules::states_data()
{
    QTest::addColumn<bool>("paid");
    QTest::addColumn<bool>("forfeited");
    QTest::addColumn<QDate>("until");
    QTest::addColumn<bool>("extended");
    QTest::addColumn<DateList>("extensions");
    QTest::addColumn<bool>("current");
    QTest::addColumn<bool>("expired");

    const QDate today(2026, 6, 10);
    const QDate yesterday = today.addDays(-1);
    const QDate tomorrow = today.addDays(1);
    const QDate empty;

    // paid forfeited until extended extensions -> current expired
    QTest::newRow("due tomorrow") << false << false << tomorrow << false << DateList() << true << false;
    QTest::newRow("due today") << false << false << today << false << DateList() << true << false;
    QTest::newRow("due yesterday") << false << false << yesterday << false << DateList() << false << true;
    QTest::newRow("due today, extensions past")
        << false << false << today << true << DateList{yesterday} << true << false;
    QTest::newRow("extension due today") << false << false << yesterday << true << DateList{today} << true << false;
    QTest::newRow("extension due yesterday")
        << false << false << yesterday << true << DateList{yesterday} << false << true;
    QTest::newRow("extended without record") << false << false << yesterday << true << DateList() << false << false;
    QTest::newRow("a later extension runs")
        << false << false << yesterday << true << DateList{yesterday, today} << true << false;
    QTest::newRow("an earlier extension runs")
        << false << false << yesterday << true << DateList{tomorrow, yesterday} << true << false;
    QTest::newRow("every extension past") << false << false << yesterday.addDays(-30) << true
                                          << DateList{yesterday.addDays(-20), yesterday} << false << true;
    QTest::newRow("extensions without the mark")
        << false << false << yesterday << false << DateList{tomorrow} << false << true;
    QTest::newRow("extension without due date")
        << false << false << yesterday << true << DateList{empty} << false << true;
    QTest::newRow("no due date") << false << false << empty << false << DateList() << false << true;
    QTest::newRow("no due date, extension runs") << false << false << empty << true << DateList{today} << true << false;
    QTest::newRow("paid, due tomorrow") << true << false << tomorrow << false << DateList() << false << false;
    QTest::newRow("paid, due yesterday") << true << false << yesterday << false << DateList() << false << false;
    QTest::newRow("forfeited, due tomorrow") << false << true << tomorrow << false << DateList() << false << false;
    QTest::newRow("forfeited, due yesterday") << false << true << yesterday << false << DateList() << false << false;
}

void TestContractRules::states()
{
    QFETCH(bool, paid);
    QFETCH(bool, forfeited);
    QFETCH(QDate, until);
    QFETCH(bool, extended);
    QFETCH(DateList, extensions);
    QFETCH(bool, current);
    QFETCH(bool, expired);

    const QDate today(2026, 6, 10);
    QCOMPARE(IsCurrent(paid, forfeited, until, extended, extensions, today), current);
    QCOMPARE(IsExpired(paid, forfeited, until, extended, extensions, today), expired);
}

// Sums at and beyond what crowns can count: an error, never a wrapped-round figure.
void TestContractRules::netIncomeOutOfRange_data()
{
    QTest::addColumn<double>("amount");
    QTest::addColumn<QList<double>>("sales");
    QTest::addColumn<bool>("error");
    const double top = 9007199254740992.0; // 2^53
    QTest::newRow("a sale of 1e308") << 1500.0 << QList<double>{1e308} << true;
    QTest::newRow("a lent amount of -1e308") << -1e308 << QList<double>{} << true;
    QTest::newRow("sales at the top") << 0.0 << QList<double>{top, top} << false;
    QTest::newRow("sales summing past 2^63") << 0.0 << QList<double>(1025, top) << true;
}

void TestContractRules::netIncomeOutOfRange()
{
    QFETCH(double, amount);
    QFETCH(QList<double>, sales);
    QFETCH(bool, error);
    if (error) {
        QVERIFY_THROWS_EXCEPTION(ConversionError, ContractRules::NetIncome(amount, false, 0, false, {}, sales));
    } else {
        const auto r = ContractRules::NetIncome(amount, false, 0, false, {}, sales);
        QCOMPARE(r.net, qint64(2) * 9007199254740992);
    }
}

QTEST_APPLESS_MAIN(TestContractRules)
#include "tst_contractrules.moc"
