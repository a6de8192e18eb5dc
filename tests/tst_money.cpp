#include "core/ContractRules.h"
#include "core/Money.h"
#include "core/NumWord.h"
#include "store/engine/Errors.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

// Money in cents: typed, shown, percent of, the crown rate; the contract rules and the loan in euro words.
class TestMoney : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parseAndShow_data();
    void parseAndShow();
    void storedRoundTrip();
    void crownsToEuro_data();
    void crownsToEuro();
    void euroRules_data();
    void euroRules();
    void euroNetIncome();
    void euroWords_data();
    void euroWords();
    void euroNouns();
};

void TestMoney::parseAndShow_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<qint64>("cents"); // -1: refused
    QTest::addColumn<QString>("shown");

    QTest::newRow("two decimals") << u"1500,30"_s << qint64(150030) << u"1500,30"_s;
    QTest::newRow("one decimal") << u"1500,3"_s << qint64(150030) << u"1500,30"_s;
    QTest::newRow("whole") << u" 12 "_s << qint64(1200) << u"12,00"_s;
    QTest::newRow("comma first") << u",5"_s << qint64(50) << u"0,50"_s;
    QTest::newRow("six digits") << u"999999,99"_s << qint64(99999999) << u"999999,99"_s;
    QTest::newRow("leading zeros are no digits") << u"0000012,5"_s << qint64(1250) << u"12,50"_s;
    QTest::newRow("seven digits") << u"1234567"_s << qint64(-1) << QString();
    QTest::newRow("three decimals") << u"1500,305"_s << qint64(-1) << QString();
    QTest::newRow("a point") << u"1500.30"_s << qint64(-1) << QString();
    QTest::newRow("a sign") << u"-5"_s << qint64(-1) << QString();
    QTest::newRow("a thousands blank") << u"1 500"_s << qint64(-1) << QString();
    QTest::newRow("nothing but a comma") << u","_s << qint64(-1) << QString();
}

void TestMoney::parseAndShow()
{
    QFETCH(QString, typed);
    QFETCH(qint64, cents);
    QFETCH(QString, shown);
    const auto money = Money::parse(typed, Currency::Eur, 6);
    QCOMPARE(money.has_value(), cents >= 0);
    if (!money) return;
    QCOMPARE(money->cents(), cents);
    QCOMPARE(money->text(Currency::Eur), shown);
    QCOMPARE(money->withUnit(Currency::Eur), shown + u" €"_s);
    QCOMPARE(Money::fromStored(money->stored(), Currency::Eur), *money);
}

void TestMoney::storedRoundTrip()
{
    // Every cent count written as euros reads back as itself, and a value off by float noise rounds to the cent.
    for (qint64 c = -100005; c <= 100005; c += 7)
        QCOMPARE(Money::fromStored(Money::fromCents(c).stored(), Currency::Eur).cents(), c);
    QCOMPARE(Money::fromStored(366.29999999999995, Currency::Eur).cents(), 36630);
    QCOMPARE(Money::fromStored(0.125, Currency::Eur).cents(), 13); // a half away from zero
    QCOMPARE(Money::fromStored(2.5, Currency::Skk).cents(), 200);  // crowns: a half to even
    QCOMPARE(Money::fromCents(-50).text(Currency::Eur), u"-0,50"_s);
    QCOMPARE(Money::fromCents(36630).text(Currency::Skk), u"366,3"_s);
    QVERIFY_THROWS_EXCEPTION(ConversionError, Money::fromStored(qInf(), Currency::Eur));
    QVERIFY_THROWS_EXCEPTION(ConversionError,
                             Money::fromCents(std::numeric_limits<qint64>::max()) + Money::fromCents(1));
}

void TestMoney::crownsToEuro_data()
{
    QTest::addColumn<qint64>("crownHundredths");
    QTest::addColumn<qint64>("euroCents");

    QTest::newRow("the rate itself") << qint64(3012600) << qint64(100000);
    QTest::newRow("1 Sk") << qint64(100) << qint64(3);
    QTest::newRow("15 Sk, 0,4979 up") << qint64(1500) << qint64(50);
    QTest::newRow("45 Sk, 1,4937 down") << qint64(4500) << qint64(149);
    QTest::newRow("366,30 Sk") << qint64(36630) << qint64(1216);
    QTest::newRow("1000000 Sk") << qint64(100000000) << qint64(3319392);
    QTest::newRow("-15 Sk") << qint64(-1500) << qint64(-50);
}

void TestMoney::crownsToEuro()
{
    QFETCH(qint64, crownHundredths);
    QFETCH(qint64, euroCents);
    QCOMPARE(Money::fromCents(crownHundredths).crownsToEuro().cents(), euroCents);
}

void TestMoney::euroRules_data()
{
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("percent");
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("charge");

    QTest::newRow("333,33 at 10: 33,333 down") << u"333,33"_s << u"10"_s << u"366,66"_s << u"33,33"_s;
    QTest::newRow("0,05 at 10: 0,005 up") << u"0,05"_s << u"10"_s << u"0,06"_s << u"0,01"_s;
    QTest::newRow("0,15 at 10: 0,015 up") << u"0,15"_s << u"10"_s << u"0,17"_s << u"0,02"_s;
    QTest::newRow("1000 at 15") << u"1000"_s << u"15"_s << u"1150,00"_s << u"150,00"_s;
    QTest::newRow("333 at 10") << u"333"_s << u"10"_s << u"366,30"_s << u"33,30"_s;
    QTest::newRow("largest entries") << u"999999,99"_s << u"99"_s << u"1989999,98"_s << u"989999,99"_s;
    QTest::newRow("no amount") << QString() << u"10"_s << QString() << u"0,00"_s;
    QTest::newRow("three decimals") << u"1,005"_s << u"10"_s << QString() << u"0,00"_s;
}

void TestMoney::euroRules()
{
    QFETCH(QString, amount);
    QFETCH(QString, percent);
    QFETCH(QString, total);
    QFETCH(QString, charge);
    QCOMPARE(ContractRules::ExtensionChargeText(percent, amount, Currency::Eur), charge);
    if (total.isEmpty()) {
        QVERIFY_THROWS_EXCEPTION(ConversionError, ContractRules::TotalToRepayText(amount, percent, Currency::Eur));
        return;
    }
    QCOMPARE(ContractRules::TotalToRepayText(amount, percent, Currency::Eur), std::optional(total));
    // The pay-off proposes the total as shown, and the paid sum box takes it back.
    QCOMPARE(Money::parse(total, Currency::Eur, 7)->text(Currency::Eur), total);
}

void TestMoney::euroNetIncome()
{
    const auto r = ContractRules::NetIncome(333.33, true, 366.66, true, {33.33, 0.0, 33.33}, {0.05}, Currency::Eur);
    QList<QString> shown;
    for (const Money& m : r.amounts)
        shown << m.text(Currency::Eur);
    QCOMPARE(shown, (QList<QString>{u"-333,33"_s, u"33,33"_s, u"33,33"_s, u"0,05"_s, u"366,66"_s}));
    QCOMPARE(r.total.text(Currency::Eur), u"100,04"_s);
}

void TestMoney::euroWords_data()
{
    QTest::addColumn<qint64>("cents");
    QTest::addColumn<QString>("words");

    const auto row = [](qint64 cents, const QString& words) { QTest::addRow("%lld", cents) << cents << words; };
    row(150030, u"tisícpäťsto eur tridsať centov"_s);
    row(100, u"jedno euro"_s);
    row(202, u"dve eurá dva centy"_s);
    row(2101, u"dvadsaťjeden eur jeden cent"_s);
    row(10400, u"stoštyri eur"_s);
    row(2200, u"dvadsaťdva eur"_s);
    row(10200, u"stodva eur"_s);
    row(304, u"tri eurá štyri centy"_s);
    row(50, u"nula eur päťdesiat centov"_s);
    row(0, u"nula eur"_s);
}

void TestMoney::euroWords()
{
    QFETCH(qint64, cents);
    QFETCH(QString, words);
    QCOMPARE(NumWord::EurosInWords(cents), words);
}

void TestMoney::euroNouns()
{
    // The noun after a whole number of euros and after the cents, by the number as written.
    const QStringList euros0to25 = u"eur euro eurá eurá eurá eur eur eur eur eur eur eur eur eur eur eur eur eur eur "
                                   u"eur eur eur eur eur eur eur"_s.split(u' ');
    const QStringList cents1to25 = u"cent centy centy centy centov centov centov centov centov centov centov centov "
                                   u"centov centov centov centov centov centov centov centov centov centov centov "
                                   u"centov centov"_s.split(u' ');
    QList<std::pair<qint64, QString>> euroNouns;
    for (qint64 n = 0; n <= 25; ++n)
        euroNouns.append({n, euros0to25.at(n)});
    for (qint64 n : {100, 101, 102, 103, 104, 105, 1000, 1001, 1002, 1003, 1004})
        euroNouns.append({n, u"eur"_s});
    for (const auto& [n, noun] : euroNouns) {
        const QString words = NumWord::EurosInWords(n * 100);
        QVERIFY2(words.endsWith(u' ' + noun), qPrintable(words));
        if (n > 2) QCOMPARE(words, NumWord::AmountInWords(qint32(n)) + u' ' + noun);
    }
    for (qint64 c = 1; c <= 25; ++c) {
        const QString words = NumWord::EurosInWords(1000 * 100 + c);
        QCOMPARE(words, u"tisíc eur "_s + NumWord::AmountInWords(qint32(c)) + u' ' + cents1to25.at(c - 1));
    }
}

QTEST_APPLESS_MAIN(TestMoney)
#include "tst_money.moc"
