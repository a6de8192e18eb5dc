#include "core/ContractTemplate.h"
#include "store/engine/Errors.h"

#include <QStringEncoder>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestContractTemplate : public QObject
{
    Q_OBJECT

    static ContractTemplate::Data sample()
    {
        ContractTemplate::Data d;
        d.number = u"26/00017"_s;
        d.date = u" 6.12.2026"_s;
        d.pledgerName = u"Šťastný Ľubomír"_s;
        d.idCard = u"EA123456"_s;
        d.birthNumber = u"7801011234"_s;
        d.address = u"Hlavná 12 Žilina"_s;
        d.items = {u"prsteň zlatý"_s, u"retiazka"_s, u"hodinky"_s};
        d.amountText = u"1500"_s;
        d.percent = u"15"_s;
        d.weeks = u"4"_s;
        d.until = u" 6. 1.2027"_s;
        return d;
    }

private Q_SLOTS:
    void lines_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("no tag: unchanged")
            << QStringList{u"ZÁLOŽNÁ ZMLUVA"_s, QString()} << QStringList{u"ZÁLOŽNÁ ZMLUVA"_s, QString()};
        QTest::newRow("amount digits and words") << QStringList{u"suma @08"_s, u"slovom @09"_s}
                                                 << QStringList{u"suma =1500= Sk"_s, u"slovom =tisícpäťsto= Sk"_s};
        QTest::newRow("text after the first tag dropped")
            << QStringList{u"a @08 b @09 c"_s} << QStringList{u"a =1500= Sk"_s};
        QTest::newRow("e-mail line left out")
            << QStringList{u"x"_s, u"pis na info@zalozna.sk"_s, u"y"_s} << QStringList{u"x"_s, u"y"_s};
        QTest::newRow("unknown numbers left out")
            << QStringList{u"@00"_s, u"@13"_s, u"@1"_s, u"@ab"_s} << QStringList{};
        QTest::newRow("only the first @ counts") << QStringList{u"mail a@b then @01"_s} << QStringList{};
        QTest::newRow("items, one line each")
            << QStringList{u"  @07"_s} << QStringList{u"  prsteň zlatý"_s, u"  retiazka"_s, u"  hodinky"_s};
        QTest::newRow("second item line empty")
            << QStringList{u"-@07"_s, u"+@07"_s} << QStringList{u"-prsteň zlatý"_s, u"-retiazka"_s, u"-hodinky"_s};
        QTest::newRow("every other tag") << QStringList{u"@01"_s, u"@02"_s, u"@03"_s, u"@04"_s, u"@05"_s,
                                                        u"@06"_s, u"@10"_s, u"@11"_s, u"@12"_s}
                                         << QStringList{u"26/00017"_s, u" 6.12.2026"_s, u"Šťastný Ľubomír"_s,
                                                        u"EA123456"_s, u"7801011234"_s, u"Hlavná 12 Žilina"_s,
                                                        u"15 %"_s,     u"4 týžd."_s,    u" 6. 1.2027"_s};
    }
    void lines()
    {
        QFETCH(QStringList, lines);
        QFETCH(QStringList, expected);
        QStringList out;
        ContractTemplate::fill(lines, sample(), out);
        QCOMPARE(out, expected);
    }

    void noItemsNoLine()
    {
        auto d = sample();
        d.items.clear();
        QStringList out;
        ContractTemplate::fill({u"a"_s, u"  @07"_s, u"b"_s}, d, out);
        QCOMPARE(out, (QStringList{u"a"_s, u"b"_s}));
    }

    void badAmountStopsAtWords_data()
    {
        QTest::addColumn<QString>("amount");
        QTest::newRow("letters") << u"12a"_s;
        QTest::newRow("empty") << QString();
        QTest::newRow("fraction") << u"1500,5"_s;
    }
    void badAmountStopsAtWords()
    {
        QFETCH(QString, amount);
        auto d = sample();
        d.amountText = amount;
        QStringList out;
        try {
            ContractTemplate::fill({u"first"_s, u"@08"_s, u"@09"_s, u"never"_s}, d, out);
            QFAIL("a bad amount was worded");
        } catch (const ConversionError& e) {
            QCOMPARE(e.text(), u"'%1' is not a valid integer value"_s.arg(amount));
        }
        QCOMPARE(out, (QStringList{u"first"_s, u"=%1= Sk"_s.arg(amount)}));
    }

    void decoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        const QString accents = u"Záložná zmluva: čšťžýáíéúäôňľĺŕ ČŠŤŽÝÁÍÉÚÄÔŇĽĹŔ §"_s;
        QStringEncoder cp1250("windows-1250");
        const QByteArray encoded = cp1250.encode(accents);
        QTest::newRow("windows-1250 with CR LF") << (encoded + "\r\n@01\r\n") << QStringList{accents, u"@01"_s};
        QTest::newRow("no line end at the close") << QByteArray("a\r\nb") << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("empty lines kept") << QByteArray("a\r\n\r\nb\r\n") << QStringList{u"a"_s, QString(), u"b"_s};
        QTest::newRow("UTF-8 with byte-order mark")
            << (QByteArray("\xEF\xBB\xBF") + accents.toUtf8() + "\n") << QStringList{accents};
        QTest::newRow("UTF-8 without a mark") << (accents.toUtf8() + "\r\n@01\r\n") << QStringList{accents, u"@01"_s};
    }
    void decoding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QCOMPARE(ContractTemplate::decode(bytes), lines);
    }
};

QTEST_GUILESS_MAIN(TestContractTemplate)
#include "tst_contracttemplate.moc"
