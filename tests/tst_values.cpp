#include "store/Values.h"
#include "store/engine/Errors.h"

#include <QTest>
#include <limits>

using namespace Qt::Literals::StringLiterals;

using OptionalInteger = std::optional<qint64>;
using OptionalNumber = std::optional<double>;
using OptionalDate = std::optional<QDate>;

class TestValues : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wholeNumber_data();
    void wholeNumber();
    void roundCrowns_data();
    void roundCrowns();
    void crownsOutOfRange_data();
    void crownsOutOfRange();
    void addCrowns_data();
    void addCrowns();
    void parseEntry_data();
    void parseEntry();
    void generalNumberText_data();
    void generalNumberText();
    void generalNumberTextAgreesWithFifteenDigits();
    void parseNumber_data();
    void parseNumber();
    void dateTexts_data();
    void dateTexts();
    void parseDate_data();
    void parseDate();
    void datesReadBackWhatTheyWrite();
    void isEmptyDateText_data();
    void isEmptyDateText();
    void conversionMessages();
};

void TestValues::wholeNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<OptionalInteger>("value");

    QTest::newRow("zero") << u"0"_s << OptionalInteger(0);
    QTest::newRow("plain") << u"1150"_s << OptionalInteger(1150);
    QTest::newRow("leading zeros") << u"00124"_s << OptionalInteger(124);
    QTest::newRow("plus") << u"+5"_s << OptionalInteger(5);
    QTest::newRow("minus") << u"-5"_s << OptionalInteger(-5);
    QTest::newRow("leading blanks") << u"  42"_s << OptionalInteger(42);
    QTest::newRow("blanks before the sign") << u" -42"_s << OptionalInteger(-42);
    QTest::newRow("largest") << u"9223372036854775807"_s << OptionalInteger(std::numeric_limits<qint64>::max());
    QTest::newRow("lowest") << u"-9223372036854775808"_s << OptionalInteger(std::numeric_limits<qint64>::min());
    QTest::newRow("one past the largest") << u"9223372036854775808"_s << OptionalInteger();
    QTest::newRow("one past the lowest") << u"-9223372036854775809"_s << OptionalInteger();
    QTest::newRow("empty") << QString() << OptionalInteger();
    QTest::newRow("blanks only") << u"   "_s << OptionalInteger();
    QTest::newRow("sign only") << u"-"_s << OptionalInteger();
    QTest::newRow("trailing blank") << u"4 "_s << OptionalInteger();
    QTest::newRow("blank after sign") << u"- 5"_s << OptionalInteger();
    QTest::newRow("two signs") << u"--5"_s << OptionalInteger();
    QTest::newRow("decimal comma") << u"4,0"_s << OptionalInteger();
    QTest::newRow("letter") << u"12a"_s << OptionalInteger();
    QTest::newRow("other script digit") << u"\u0663"_s << OptionalInteger();
}

void TestValues::wholeNumber()
{
    QFETCH(QString, text);
    QFETCH(OptionalInteger, value);
    QCOMPARE(Values::wholeNumber(text), value);
}

void TestValues::roundCrowns_data()
{
    QTest::addColumn<double>("money");
    QTest::addColumn<qint64>("crowns");

    QTest::newRow("2.5") << 2.5 << qint64(2);
    QTest::newRow("3.5") << 3.5 << qint64(4);
    QTest::newRow("0.5") << 0.5 << qint64(0);
    QTest::newRow("1000.5") << 1000.5 << qint64(1000);
    QTest::newRow("1001.5") << 1001.5 << qint64(1002);
    QTest::newRow("-2.5") << -2.5 << qint64(-2);
    QTest::newRow("-3.5") << -3.5 << qint64(-4);
    QTest::newRow("just below a half") << 2.4999 << qint64(2);
    QTest::newRow("just above a half") << 2.5001 << qint64(3);
    QTest::newRow("366.3") << 366.3 << qint64(366);
    QTest::newRow("whole") << 1150.0 << qint64(1150);
}

void TestValues::roundCrowns()
{
    QFETCH(double, money);
    QFETCH(qint64, crowns);
    QCOMPARE(Values::roundCrowns(money), crowns);
}

// Beyond 2^53 a double no longer counts whole crowns; such a stored value is an error, never a figure.
void TestValues::crownsOutOfRange_data()
{
    QTest::addColumn<double>("money");
    QTest::addColumn<QString>("message");
    const QString m = u"'%1' is not a valid integer value"_s;
    QTest::newRow("1e308") << 1e308 << m.arg(u"1e+308"_s);
    QTest::newRow("-1e308") << -1e308 << m.arg(u"-1e+308"_s);
    QTest::newRow("2^63") << 9223372036854775808.0 << m.arg(u"9,22337203685478e+18"_s);
    QTest::newRow("2^53 + 2") << 9007199254740994.0 << m.arg(u"9,00719925474099e+15"_s);
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << m.arg(u"inf"_s);
    QTest::newRow("no number") << std::numeric_limits<double>::quiet_NaN() << m.arg(u"nan"_s);
}

void TestValues::crownsOutOfRange()
{
    QFETCH(double, money);
    QFETCH(QString, message);
    try {
        Values::roundCrowns(money);
        QFAIL("no error");
    } catch (const ConversionError& e) {
        QCOMPARE(e.text(), message);
    }
    QCOMPARE(Values::roundCrowns(9007199254740992.0), qint64(9007199254740992));
}

void TestValues::addCrowns_data()
{
    QTest::addColumn<qint64>("a");
    QTest::addColumn<qint64>("b");
    QTest::addColumn<bool>("fits");
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    constexpr qint64 min = std::numeric_limits<qint64>::min();
    QTest::newRow("ordinary") << qint64(-1500) << qint64(1650) << true;
    QTest::newRow("up to the top") << max - 1 << qint64(1) << true;
    QTest::newRow("past the top") << max << qint64(1) << false;
    QTest::newRow("down to the bottom") << min + 1 << qint64(-1) << true;
    QTest::newRow("past the bottom") << min << qint64(-1) << false;
}

void TestValues::addCrowns()
{
    QFETCH(qint64, a);
    QFETCH(qint64, b);
    QFETCH(bool, fits);
    if (fits) {
        QCOMPARE(Values::addCrowns(a, b), a + b);
    } else {
        QVERIFY_THROWS_EXCEPTION(ConversionError, Values::addCrowns(a, b));
    }
}

// What a money or percent box takes: digits and a decimal comma within its digits, nothing else.
void TestValues::parseEntry_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("digits");
    QTest::addColumn<OptionalNumber>("expected");
    QTest::newRow("whole") << u"1500"_s << 9 << OptionalNumber(1500);
    QTest::newRow("decimal comma") << u"12,5"_s << 9 << OptionalNumber(12.5);
    QTest::newRow("comma first") << u",5"_s << 9 << OptionalNumber(0.5);
    QTest::newRow("comma last") << u"12,"_s << 9 << OptionalNumber(12);
    QTest::newRow("blanks around") << u" 12 "_s << 9 << OptionalNumber(12);
    QTest::newRow("nine digits") << u"999999999"_s << 9 << OptionalNumber(999999999);
    QTest::newRow("ten digits") << u"1000000000"_s << 9 << OptionalNumber();
    QTest::newRow("leading zeros") << u"0000000012"_s << 9 << OptionalNumber(12);
    QTest::newRow("fraction beyond the digits") << u"99,999"_s << 2 << OptionalNumber(99.999);
    QTest::newRow("no limit") << u"123456789012"_s << 0 << OptionalNumber(123456789012.0);
    QTest::newRow("exponent") << u"1e308"_s << 9 << OptionalNumber();
    QTest::newRow("small exponent") << u"1e3"_s << 9 << OptionalNumber();
    QTest::newRow("exponent after comma") << u"1,5e2"_s << 9 << OptionalNumber();
    QTest::newRow("infinity") << u"inf"_s << 9 << OptionalNumber();
    QTest::newRow("no number") << u"nan"_s << 9 << OptionalNumber();
    QTest::newRow("minus zero") << u"-0"_s << 9 << OptionalNumber();
    QTest::newRow("plus") << u"+5"_s << 9 << OptionalNumber();
    QTest::newRow("decimal point") << u"12.5"_s << 9 << OptionalNumber();
    QTest::newRow("two commas") << u"1,2,3"_s << 9 << OptionalNumber();
    QTest::newRow("comma alone") << u","_s << 9 << OptionalNumber();
    QTest::newRow("blank inside") << u"1 000"_s << 9 << OptionalNumber();
}

void TestValues::parseEntry()
{
    QFETCH(QString, text);
    QFETCH(int, digits);
    QFETCH(OptionalNumber, expected);
    QCOMPARE(Values::parseEntry(text, digits), expected);
}

void TestValues::generalNumberText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("whole") << 1150.0 << u"1150"_s;
    QTest::newRow("fraction") << 366.3 << u"366,3"_s;
    QTest::newRow("negative") << -366.3 << u"-366,3"_s;
    QTest::newRow("zero") << 0.0 << u"0"_s;
    QTest::newRow("negative zero") << -0.0 << u"0"_s;
    QTest::newRow("round number") << 1000000.0 << u"1000000"_s;
    QTest::newRow("cents") << 1989998.01 << u"1989998,01"_s;
    QTest::newRow("binary noise") << 0.1 + 0.2 << u"0,3"_s;
    QTest::newRow("fifteen digits") << 123456789012345.0 << u"123456789012345"_s;
    QTest::newRow("a third") << 1.0 / 3 << u"0,333333333333333"_s;
    QTest::newRow("one cent") << 0.01 << u"0,01"_s;
    QTest::newRow("minus one cent") << -0.01 << u"-0,01"_s;
    QTest::newRow("minus a half") << -0.5 << u"-0,5"_s;
    QTest::newRow("ten cents") << 0.1 << u"0,1"_s;
    QTest::newRow("big with cents") << 12345678901.23 << u"12345678901,23"_s;
    QTest::newRow("just under the hand-written range") << 9999999999999.99 << u"9999999999999,99"_s;
    QTest::newRow("thousandths") << 1.005 << u"1,005"_s;
}

void TestValues::generalNumberText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(Values::generalNumberText(value), text);
}

// Amounts are written by hand for speed; they must read exactly as the 15-digit general form.
void TestValues::generalNumberTextAgreesWithFifteenDigits()
{
    auto reference = [](double v) { return QString::number(v, 'g', 15).replace(u'.', u','); };
    for (int cents = -100000; cents <= 100000; cents += 7) {
        const double v = cents / 100.0;
        if (v != 0) QCOMPARE(Values::generalNumberText(v), reference(v));
    }
    for (const double v : {366.3 * 3, 1989998.01 * 7, 0.07 * 3, 1e12 + 0.5, 123456.785, 4503599627370495.5 / 1000})
        QCOMPARE(Values::generalNumberText(v), reference(v));
}

void TestValues::parseNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<OptionalNumber>("value");

    QTest::newRow("fraction") << u"366,3"_s << OptionalNumber(366.3);
    QTest::newRow("whole") << u"1150"_s << OptionalNumber(1150);
    QTest::newRow("blanks around") << u" 1150 "_s << OptionalNumber(1150);
    QTest::newRow("negative") << u"-2,5"_s << OptionalNumber(-2.5);
    QTest::newRow("no whole part") << u",5"_s << OptionalNumber(0.5);
    QTest::newRow("exponent") << u"1,5E3"_s << OptionalNumber(1500);
    QTest::newRow("decimal point") << u"366.3"_s << OptionalNumber();
    QTest::newRow("thousands blank") << u"1 150"_s << OptionalNumber();
    QTest::newRow("two commas") << u"1,2,3"_s << OptionalNumber();
    QTest::newRow("comma only") << u","_s << OptionalNumber();
    QTest::newRow("sign only") << u"-"_s << OptionalNumber();
    QTest::newRow("empty") << QString() << OptionalNumber();
    QTest::newRow("letters") << u"abc"_s << OptionalNumber();
    QTest::newRow("too large") << u"1e999"_s << OptionalNumber();
}

void TestValues::parseNumber()
{
    QFETCH(QString, text);
    QFETCH(OptionalNumber, value);
    QCOMPARE(Values::parseNumber(text), value);
}

void TestValues::dateTexts_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("shortText");
    QTest::addColumn<QString>("monthStepText");

    QTest::newRow("6 December") << QDate(2026, 12, 6) << u"6.12.2026"_s << u" 6.12.2026"_s;
    QTest::newRow("6 January") << QDate(2027, 1, 6) << u"6.1.2027"_s << u" 6. 1.2027"_s;
    QTest::newRow("10 April") << QDate(2026, 4, 10) << u"10.4.2026"_s << u"10. 4.2026"_s;
    QTest::newRow("31 December") << QDate(2026, 12, 31) << u"31.12.2026"_s << u"31.12.2026"_s;
    QTest::newRow("day zero") << QDate(1899, 12, 30) << u"30.12.1899"_s << u"30.12.1899"_s;
    QTest::newRow("three-digit year") << QDate(999, 5, 1) << u"1.5.0999"_s << u" 1. 5.0999"_s;
}

void TestValues::dateTexts()
{
    QFETCH(QDate, date);
    QFETCH(QString, shortText);
    QFETCH(QString, monthStepText);
    QCOMPARE(Values::shortDateText(date), shortText);
    QCOMPARE(Values::monthStepDateText(date), monthStepText);
    QCOMPARE(Values::monthStepDateText(date.day(), date.month(), date.year()), monthStepText);
}

void TestValues::parseDate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<OptionalDate>("date");

    QTest::newRow("short") << u"6.12.2026"_s << OptionalDate(QDate(2026, 12, 6));
    QTest::newRow("month-step") << u" 6. 1.2027"_s << OptionalDate(QDate(2027, 1, 6));
    QTest::newRow("zero padded") << u"06.01.2027"_s << OptionalDate(QDate(2027, 1, 6));
    QTest::newRow("29 February, leap year") << u"29.2.2028"_s << OptionalDate(QDate(2028, 2, 29));
    QTest::newRow("two-digit year") << u"6.1.26"_s << OptionalDate(QDate(2026, 1, 6));
    QTest::newRow("two-digit year, last century") << u"6.1.99"_s << OptionalDate(QDate(1999, 1, 6));
    QTest::newRow("29 February, common year") << u"29.2.2027"_s << OptionalDate();
    QTest::newRow("31 February") << u"31.2.2027"_s << OptionalDate();
    QTest::newRow("month 13") << u"1.13.2026"_s << OptionalDate();
    QTest::newRow("day 0") << u"0.1.2026"_s << OptionalDate();
    QTest::newRow("empty box") << u"  .  .    "_s << OptionalDate();
    QTest::newRow("empty") << QString() << OptionalDate();
    QTest::newRow("no year") << u"6.12"_s << OptionalDate();
    QTest::newRow("trailing dot") << u"6.12.2026."_s << OptionalDate();
    QTest::newRow("dashes") << u"6-12-2026"_s << OptionalDate();
    QTest::newRow("letter") << u"a.1.2026"_s << OptionalDate();
    QTest::newRow("blank inside the year") << u"6.1.20 27"_s << OptionalDate();
    QTest::newRow("five-digit year") << u"6.1.20270"_s << OptionalDate();
}

void TestValues::parseDate()
{
    QFETCH(QString, text);
    QFETCH(OptionalDate, date);
    QCOMPARE(Values::parseDate(text), date);
}

void TestValues::datesReadBackWhatTheyWrite()
{
    for (QDate day(2026, 1, 1); day < QDate(2029, 1, 1); day = day.addDays(1)) {
        QCOMPARE(Values::parseDate(Values::shortDateText(day)), OptionalDate(day));
        QCOMPARE(Values::parseDate(Values::monthStepDateText(day)), OptionalDate(day));
    }
}

void TestValues::isEmptyDateText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("empty");

    QTest::newRow("masked box") << u"  .  .    "_s << true;
    QTest::newRow("trimmed box") << u".  ."_s << true;
    QTest::newRow("nothing") << QString() << true;
    QTest::newRow("date") << u" 6. 1.2027"_s << false;
    QTest::newRow("year only") << u"  .  .2026"_s << false;
}

void TestValues::isEmptyDateText()
{
    QFETCH(QString, text);
    QFETCH(bool, empty);
    QCOMPARE(Values::isEmptyDateText(text), empty);
}

void TestValues::conversionMessages()
{
    QCOMPARE(Values::integerFromText(u" -17"_s), -17);
    QCOMPARE(Values::dateFromText(u" 6. 1.2027"_s), QDate(2027, 1, 6));
    try {
        Values::integerFromText(u"abc"_s);
        QFAIL("no conversion error");
    } catch (const ConversionError& error) {
        QCOMPARE(error.text(), u"'abc' is not a valid integer value"_s);
    }
    try {
        Values::dateFromText(u"31. 2.2027"_s);
        QFAIL("no conversion error");
    } catch (const ConversionError& error) {
        QCOMPARE(error.text(), u"'31. 2.2027' is not a valid date"_s);
    }
}

QTEST_APPLESS_MAIN(TestValues)
#include "tst_values.moc"
