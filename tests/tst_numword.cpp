#include "core/NumWord.h"

#include <QTest>
#include <limits>
#include <stdexcept>

using namespace Qt::Literals::StringLiterals;
using namespace NumWord;

class TestNumWord : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void amountInWords_data();
    void amountInWords();
    void zeroSaysNulaOnlyAlone();
    void groupInWords_data();
    void groupInWords();
    void digitWord_data();
    void digitWord();
    void rejectsWhatIsNoDigits();
};

void TestNumWord::amountInWords_data()
{
    QTest::addColumn<qint32>("amount");
    QTest::addColumn<QString>("words");

    const auto row = [](qint32 amount, const QString& words) { QTest::addRow("%d", amount) << amount << words; };

    // The printed contract's table of examples, letter for letter.
    row(0, u"nula"_s);
    row(1, u"jeden"_s);
    row(2, u"dva"_s);
    row(10, u"desať"_s);
    row(11, u"jedenásť"_s);
    row(12, u"dvanásť"_s);
    row(14, u"štrnásť"_s);
    row(15, u"päťnásť"_s);
    row(21, u"dvadsaťjeden"_s);
    row(45, u"štyridsaťpäť"_s);
    row(100, u"sto"_s);
    row(110, u"stodesať"_s);
    row(112, u"stodvanásť"_s);
    row(200, u"dvesto"_s);
    row(999, u"deväťstodeväťdesiatdeväť"_s);
    row(1000, u"tisíc"_s);
    row(1001, u"tisícjeden"_s);
    row(1500, u"tisícpäťsto"_s);
    row(2000, u"dvetisíc"_s);
    row(2500, u"dvetisícpäťsto"_s);
    row(12000, u"dvanásťtisíc"_s);
    row(21000, u"dvadsaťjedentisíc"_s);
    row(102000, u"stodvatisíc"_s);
    row(999999, u"deväťstodeväťdesiatdeväťtisícdeväťstodeväťdesiatdeväť"_s);
    row(1234567, u" milión dvestotridsaťštyritisícpäťstošesťdesiatsedem"_s);
    row(2147483647, u" dve miliardy stoštyridsaťsedem miliónov štyristoosemdesiattritisícšesťstoštyridsaťsedem"_s);

    // Teens are one word and end the group.
    row(13, u"trinásť"_s);
    row(16, u"šesťnásť"_s);
    row(17, u"sedemnásť"_s);
    row(18, u"osemnásť"_s);
    row(19, u"deväťnásť"_s);
    row(113, u"stotrinásť"_s);
    row(914, u"deväťstoštrnásť"_s);

    row(20, u"dvadsať"_s);
    row(30, u"tridsať"_s);
    row(40, u"štyridsať"_s);
    row(50, u"päťdesiat"_s);
    row(60, u"šesťdesiat"_s);
    row(70, u"sedemdesiat"_s);
    row(80, u"osemdesiat"_s);
    row(90, u"deväťdesiat"_s);
    row(99, u"deväťdesiatdeväť"_s);

    row(300, u"tristo"_s);
    row(400, u"štyristo"_s);
    row(500, u"päťsto"_s);
    row(600, u"šesťsto"_s);
    row(700, u"sedemsto"_s);
    row(800, u"osemsto"_s);
    row(900, u"deväťsto"_s);
    row(101, u"stojeden"_s);
    row(205, u"dvestopäť"_s);

    // A leading 1 or 2 has its own form only where it is the whole leading group.
    row(3000, u"tritisíc"_s);
    row(10000, u"desaťtisíc"_s);
    row(20000, u"dvadsaťtisíc"_s);
    row(100000, u"stotisíc"_s);
    row(200000, u"dvestotisíc"_s);
    row(1010, u"tisícdesať"_s);
    row(2001, u"dvetisícjeden"_s);
    row(1000000, u" milión "_s);
    row(2000000, u"dva milióny "_s);
    row(3000000, u"tri milióny "_s);
    row(4000000, u"štyri milióny "_s);
    row(5000000, u"päť miliónov "_s);
    row(10000000, u"desať miliónov "_s);
    row(20000000, u"dvadsať miliónov "_s);
    row(100000000, u"sto miliónov "_s);
    row(200000000, u"dvesto miliónov "_s);
    row(1000000000, u" miliarda "_s);
    row(2000000000, u" dve miliardy "_s);

    // Groups of zeros inside the number say nothing, scale word included.
    row(1000001, u" milión jeden"_s);
    row(1001000, u" milión jedentisíc"_s);
    row(2000500, u"dva milióny päťsto"_s);
    row(1000000001, u" miliarda jeden"_s);
    row(1000001000, u" miliarda jedentisíc"_s);
    row(1002000000, u" miliarda dva miliónov "_s);

    row(-1, u"mínus jeden"_s);
    row(-2500, u"mínus dvetisícpäťsto"_s);
    row(-1000000, u"mínus  milión "_s);
    row(std::numeric_limits<qint32>::min(),
        u"mínus  dve miliardy stoštyridsaťsedem miliónov štyristoosemdesiattritisícšesťstoštyridsaťosem"_s);
}

void TestNumWord::amountInWords()
{
    QFETCH(qint32, amount);
    QFETCH(QString, words);
    QCOMPARE(AmountInWords(amount), words);
}

void TestNumWord::zeroSaysNulaOnlyAlone()
{
    // Every amount up to four digits, then samples through every scale. A doubled blank would mean a
    // scale word standing after another with nothing between them.
    for (qint64 amount = 1; amount <= std::numeric_limits<qint32>::max();
         amount += amount < 10000 ? 1 : (amount < 10000000 ? 997 : 9999991)) {
        const QString words = AmountInWords(qint32(amount));
        QVERIFY2(!words.contains(u"nula"_s), qPrintable(words));
        QVERIFY2(!words.contains(u"  "_s), qPrintable(words));
    }
}

void TestNumWord::groupInWords_data()
{
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QString>("words");

    QTest::newRow("000") << u"000"_s << QString();
    QTest::newRow("0") << u"0"_s << QString();
    QTest::newRow("005") << u"005"_s << u"päť"_s;
    QTest::newRow("05") << u"05"_s << u"päť"_s;
    QTest::newRow("010") << u"010"_s << u"desať"_s;
    QTest::newRow("011") << u"011"_s << u"jedenásť"_s;
    QTest::newRow("014") << u"014"_s << u"štrnásť"_s;
    QTest::newRow("019") << u"019"_s << u"deväťnásť"_s;
    QTest::newRow("040") << u"040"_s << u"štyridsať"_s;
    QTest::newRow("100") << u"100"_s << u"sto"_s;
    QTest::newRow("210") << u"210"_s << u"dvestodesať"_s;
    QTest::newRow("347") << u"347"_s << u"tristoštyridsaťsedem"_s;
    QTest::newRow("858") << u"858"_s << u"osemstopäťdesiatosem"_s;
}

void TestNumWord::groupInWords()
{
    QFETCH(QString, digits);
    QFETCH(QString, words);
    QCOMPARE(GroupInWords(digits), words);
}

void TestNumWord::digitWord_data()
{
    QTest::addColumn<int>("digit");
    QTest::addColumn<QString>("word");

    const QString words[] = {QString(), u"jeden"_s, u"dva"_s,   u"tri"_s,  u"štyri"_s,
                             u"päť"_s,  u"šesť"_s,  u"sedem"_s, u"osem"_s, u"deväť"_s};
    for (int digit = 0; digit <= 9; ++digit)
        QTest::addRow("%d", digit) << digit << words[digit];
}

void TestNumWord::digitWord()
{
    QFETCH(int, digit);
    QFETCH(QString, word);
    QCOMPARE(DigitWord(digit), word);
}

void TestNumWord::rejectsWhatIsNoDigits()
{
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, GroupInWords(u""));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, GroupInWords(u"1234"));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, GroupInWords(u"1a"));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, GroupInWords(u"-5"));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, DigitWord(-1));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, DigitWord(10));
}

QTEST_APPLESS_MAIN(TestNumWord)
#include "tst_numword.moc"
