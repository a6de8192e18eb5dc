#include "ReportShop.h"
#include "core/Shop.h"
#include "reports/ContractsList.h"
#include "reports/GoodsList.h"
#include "reports/PersonsList.h"
#include "reports/PledgerExpiredList.h"
#include "reports/ReportCatalog.h"
#include "reports/ReportLayout.h"
#include "reports/ReportPainter.h"
#include "store/Clock.h"
#include "store/Store.h"
#include "store/Table.h"
#include "support/Pdf.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::Literals::StringLiterals;

using Kind = ReportBand::Kind;

// The four list reports laid out over a real store, without any window.
class TestListReports : public QObject
{
    Q_OBJECT

    ReportShopFixture m_fixture;
    Shop* m_shop = nullptr;

    void add(const QString& file, const Fields& fields) { Records::write(m_shop->store(), file, fields); }

    void addRegister() { fillReportShop(m_shop->store()); }

    static const PlacedText* find(const ReportPage& page, const QString& name, const QString& text)
    {
        for (const PlacedText& t : page.texts)
            if (t.name == name && t.text == text) return &t;
        return nullptr;
    }

    std::unique_ptr<ListReport> list(const QString& report)
    {
        if (report == u"13"_s) return std::make_unique<ContractsList>(*m_shop);
        if (report == u"14"_s) return std::make_unique<PersonsList>(*m_shop);
        if (report == u"15"_s) return std::make_unique<GoodsList>(*m_shop);
        return std::make_unique<PledgerExpiredList>(*m_shop);
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

    // Every caption stands above its column, and the column's value under it, at the same x.
    void columnsStandAtTheirPositions_data()
    {
        QTest::addColumn<QString>("report");
        QTest::addColumn<QString>("file");
        QTest::addColumn<Fields>("record");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("captionY");
        QTest::addColumn<QString>("value");
        const Fields contract{{u"NUMBER"_s, u"4711"_s},   {u"AGRDATE"_s, u"1.2.2026"_s}, {u"PERCENT"_s, u"10"_s},
                              {u"PAID_SUM"_s, u"1100"_s}, {u"RETENT"_s, u"True"_s},      {u"PADAK"_s, u"False"_s}};
        QTest::newRow("contracts, number")
            << u"13"_s << u"Zmluvy.DBF"_s << contract << u"Zmluva"_s << 2.0 << 21.0 << u"4711"_s;
        QTest::newRow("contracts, paid sum")
            << u"13"_s << u"Zmluvy.DBF"_s << contract << u"Zapl. suma"_s << 95.0 << 21.0 << u"1100"_s;
        QTest::newRow("contracts, forfeited")
            << u"13"_s << u"Zmluvy.DBF"_s << contract << u"Prepad."_s << 175.0 << 21.0 << u"False"_s;
        const Fields person{{u"LASTNAME"_s, u"Šťastná"_s}, {u"BIRTHNUM"_s, u"7851011234"_s}, {u"BLACK"_s, u"True"_s}};
        QTest::newRow("persons, surname")
            << u"14"_s << u"Osoby.DBF"_s << person << u"Priezvisko"_s << 2.0 << 25.0 << u"Šťastná"_s;
        QTest::newRow("persons, birth number")
            << u"14"_s << u"Osoby.DBF"_s << person << u"Rodné číslo"_s << 59.0 << 25.0 << u"7851011234"_s;
        QTest::newRow("persons, unwanted")
            << u"14"_s << u"Osoby.DBF"_s << person << u"Nežiad."_s << 173.0 << 25.0 << u"True"_s;
        const Fields item{{u"NUMBER"_s, u"4711"_s}, {u"SUBJECT"_s, u"Prsteň zlatý"_s}, {u"SUMA2"_s, u"350"_s}};
        QTest::newRow("goods, subject") << u"15"_s << u"Inventar.DBF"_s << item << u"Predmet"_s << 17.0 << 23.0
                                        << u"Prsteň zlatý"_s;
        QTest::newRow("goods, second sum")
            << u"15"_s << u"Inventar.DBF"_s << item << u"Suma 2"_s << 171.0 << 23.0 << u"350"_s;
        QTest::newRow("one person, amount")
            << u"17"_s << u"Zmluvy.DBF"_s << contract << u"Perc."_s << 55.0 << 21.0 << u"10"_s;
    }
    void columnsStandAtTheirPositions()
    {
        QFETCH(QString, report);
        QFETCH(QString, file);
        QFETCH(Fields, record);
        QFETCH(QString, caption);
        QFETCH(double, x);
        QFETCH(double, captionY);
        QFETCH(QString, value);
        add(file, record);
        const std::unique_ptr<ListReport> r = list(report);
        const QList<ReportPage> pages = ReportLayout::pages(r->QuickRep1);
        QCOMPARE(pages.size(), 1);
        const PlacedText* c = find(pages.first(), u"Caption"_s, caption);
        QVERIFY(c);
        QCOMPARE(c->pos, QPointF(x, captionY));
        const QList<PlacedBand> details = pages.first().bandsOf(Kind::Detail);
        QCOMPARE(details.size(), 1);
        bool found = false;
        for (const PlacedText& t : pages.first().texts)
            if (t.name != u"Caption"_s && t.text == value && t.pos == QPointF(x, details.first().top + 2)) found = true;
        QVERIFY2(found, qPrintable(value));
    }

    // On paper no value runs into the next column: a wide one is condensed with every letter kept, and only one
    // too wide for that is cut with "…".
    void valuesNeverOverprint_data()
    {
        QTest::addColumn<QString>("report");
        QTest::addColumn<QString>("file");
        QTest::addColumn<Fields>("record");
        QTest::addColumn<QStringList>("whole");
        QTest::addColumn<QString>("cutAfter");
        QTest::newRow("contracts, number before date")
            << u"13"_s << u"Zmluvy.DBF"_s
            << Fields{{u"NUMBER"_s, u"26/00301"_s}, {u"AGRDATE"_s, u"10.12.2026"_s}, {u"UNTIL"_s, u"7.1.2027"_s},
                      {u"PERCENT"_s, u"12,5"_s},    {u"WEEKTIME"_s, u"52"_s},        {u"AMOUNT"_s, u"1250000"_s}}
            << QStringList{u"26/00301"_s, u"10.12.2026"_s, u"7.1.2027"_s, u"1250000"_s} << QString();
        QTest::newRow("goods, subject far too long")
            << u"15"_s << u"Inventar.DBF"_s
            << Fields{{u"NUMBER"_s, u"26/00240"_s},
                      {u"SUBJECT"_s, u"Fotoaparát zrkadlovka s objektívom 24-120 mm, brašňou a nabíjačkou"_s}}
            << QStringList{u"26/00240"_s, u"Fotoaparát"_s} << u"Fotoaparát zrkadlovka"_s;
        QTest::newRow("persons, street, house number, town")
            << u"14"_s << u"Osoby.DBF"_s
            << Fields{{u"LASTNAME"_s, u"Kollárová"_s},
                      {u"STREET"_s, u"Hviezdoslavova"_s},
                      {u"STREETNO"_s, u"1401/52"_s},
                      {u"CITY"_s, u"Štúrovo"_s}}
            << QStringList{u"Kollárová"_s, u"Hviezdoslavova"_s, u"1401/52"_s, u"Štúrovo"_s} << QString();
    }
    void valuesNeverOverprint()
    {
        QFETCH(QString, report);
        QFETCH(QString, file);
        QFETCH(Fields, record);
        QFETCH(QStringList, whole);
        QFETCH(QString, cutAfter);
        add(file, record);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(u"list.pdf"_s);
        QCOMPARE(ReportPainter::writePdf(list(report)->QuickRep1, pdf), 1);
        const QList<Pdf::Word> words = Pdf::words(pdf);
        QVERIFY(!words.isEmpty());
        QCOMPARE(Pdf::overprinted(words), QString());
        QStringList texts;
        for (const Pdf::Word& w : words)
            texts << w.text;
        for (const QString& w : whole)
            QVERIFY2(texts.contains(w), qPrintable(texts.join(u' ')));
        const QString line = texts.join(u' ');
        QCOMPARE(line.contains(u'…'), !cutAfter.isEmpty());
        if (!cutAfter.isEmpty()) QVERIFY2(line.contains(cutAfter), qPrintable(line));
    }

    void headingCarriesTitleLinesAndShop()
    {
        GoodsList r(*m_shop);
        r.Start(3);
        const ReportPage page = ReportLayout::pages(r.QuickRep1).first();
        QCOMPARE(r.QuickRep1.title, u"Štatistika inventárnych predmetov"_s);
        QCOMPARE(page.textsOf(u"TitleLine"_s), QStringList{u"Založené predmety"_s});
        QCOMPARE(page.textsOf(u"QRLabel14"_s), QStringList{u"na predaj"_s});
        QCOMPARE(page.textsOf(u"ShopName"_s), QStringList{u"Záložňa Centrum"_s});
        QCOMPARE(page.textsOf(u"PageNumber"_s), QStringList{u"Strana 1"_s});
        QCOMPARE(page.bandsOf(Kind::ColumnHeader).first().height, 30.0);
    }

    void personsByLastName()
    {
        add(u"Osoby.DBF"_s, {{u"LASTNAME"_s, u"Čierny"_s}});
        add(u"Osoby.DBF"_s, {{u"LASTNAME"_s, u"Hruška"_s}});
        add(u"Osoby.DBF"_s, {{u"LASTNAME"_s, u"Chovan"_s}});
        add(u"Osoby.DBF"_s, {{u"LASTNAME"_s, u"Cibuľa"_s}});
        PersonsList r(*m_shop);
        QCOMPARE(ReportLayout::pages(r.QuickRep1).first().textsOf(u"LASTNAME"_s),
                 (QStringList{u"Cibuľa"_s, u"Čierny"_s, u"Hruška"_s, u"Chovan"_s}));
    }

    void viewsListTheirRows_data()
    {
        QTest::addColumn<QString>("report");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("secondLine");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("contracts, all") << u"contracts"_s << 0 << u"všetky"_s
                                        << QStringList{u"1005"_s, u"1004"_s, u"1003"_s, u"1002"_s, u"1001"_s};
        QTest::newRow("contracts, current")
            << u"contracts"_s << 1 << u"aktuálne (pred expiráciou)"_s << QStringList{u"1005"_s, u"1001"_s};
        QTest::newRow("contracts, expired") << u"contracts"_s << 2 << u"po expirácii"_s << QStringList{u"1002"_s};
        QTest::newRow("contracts, paid") << u"contracts"_s << 3 << u"zaplatené"_s << QStringList{u"1003"_s};
        QTest::newRow("contracts, forfeited") << u"contracts"_s << 4 << u"prepadnuté"_s << QStringList{u"1004"_s};
        QTest::newRow("contracts, extended") << u"contracts"_s << 5 << u"predlžované"_s << QStringList{u"1005"_s};
        QTest::newRow("goods, all") << u"goods"_s << 0 << u"všetky"_s
                                    << QStringList{u"Hodinky"_s, u"Náramok"_s, u"Retiazka"_s, u"Prsteň"_s};
        QTest::newRow("goods, current") << u"goods"_s << 1 << u"aktuálne (pred expiráciou)"_s
                                        << QStringList{u"Prsteň"_s};
        QTest::newRow("goods, expired") << u"goods"_s << 2 << u"po expirácii"_s << QStringList{u"Retiazka"_s};
        QTest::newRow("goods, for sale") << u"goods"_s << 3 << u"na predaj"_s << QStringList{u"Hodinky"_s};
        QTest::newRow("goods, sold") << u"goods"_s << 4 << u"predané"_s << QStringList{u"Náramok"_s};
    }
    void viewsListTheirRows()
    {
        QFETCH(QString, report);
        QFETCH(int, mode);
        QFETCH(QString, secondLine);
        QFETCH(QStringList, rows);
        addRegister();
        std::unique_ptr<ListReport> r;
        if (report == u"contracts"_s) {
            auto c = std::make_unique<ContractsList>(*m_shop);
            c->Start(mode);
            r = std::move(c);
        } else {
            auto g = std::make_unique<GoodsList>(*m_shop);
            g->Start(mode);
            r = std::move(g);
        }
        QCOMPARE(m_shop->FilterMode, mode);
        const QList<ReportPage> pages = ReportLayout::pages(r->QuickRep1);
        QCOMPARE(pages.size(), 1);
        QCOMPARE(pages.first().textsOf(report == u"contracts"_s ? u"NUMBER"_s : u"SUBJECT"_s), rows);
        QCOMPARE(pages.first().textsOf(u"QRLabel14"_s), QStringList{secondLine});
        QCOMPARE(pages.first().textsOf(u"ShopName"_s), QStringList{u"Záložňa Centrum"_s});
        // The register's shared contracts instance stays unfiltered.
        QVERIFY(!m_shop->Table1->filtered());
    }

    void expiredContractsOfOnePerson_data()
    {
        QTest::addColumn<QString>("birthNumber");
        QTest::addColumn<bool>("person");
        QTest::addColumn<bool>("printed");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("one expired of two") << u"7001011234"_s << true << true << QStringList{u"1002"_s};
        QTest::newRow("paid only: no report") << u"7551011234"_s << true << false << QStringList();
        QTest::newRow("no such person") << u"0000000000"_s << false << false << QStringList();
    }
    void expiredContractsOfOnePerson()
    {
        QFETCH(QString, birthNumber);
        QFETCH(bool, person);
        QFETCH(bool, printed);
        QFETCH(QStringList, rows);
        addRegister();
        const auto pledger = PledgerExpiredList::findPledger(*m_shop, birthNumber);
        QCOMPARE(pledger.has_value(), person);
        const ReportCatalog::Entry* entry = ReportCatalog::find(u"expired-for"_s);
        QVERIFY(entry);
        const std::unique_ptr<ShopReport> report = entry->start(*m_shop, {birthNumber});
        QCOMPARE(bool(report), printed);
        QCOMPARE(m_shop->ExpiredFound, printed);
        if (!report) return;
        const ReportPage page = ReportLayout::pages(report->QuickRep1).first();
        QCOMPARE(page.textsOf(u"NUMBER"_s), rows);
        QCOMPARE(page.textsOf(u"QRLabel14"_s), QStringList{u"expirované na meno Novák Ján"_s});
        QCOMPARE(page.textsOf(u"Goods"_s), QStringList{u"Retiazka"_s});
        QCOMPARE(report->QuickRep1.title, u"Tlač expirovaných zmlúv na meno"_s);
    }

    void catalogRefusesArgumentsThatDoNotFit_data()
    {
        QTest::addColumn<QString>("report");
        QTest::addColumn<QStringList>("args");
        QTest::newRow("contracts without a view") << u"contracts"_s << QStringList();
        QTest::newRow("contracts, unknown view") << u"contracts"_s << QStringList{u"forsale"_s};
        QTest::newRow("contracts, two views") << u"contracts"_s << QStringList{u"all"_s, u"paid"_s};
        QTest::newRow("goods, a contracts view") << u"goods"_s << QStringList{u"paid"_s};
        QTest::newRow("persons with an argument") << u"persons"_s << QStringList{u"all"_s};
        QTest::newRow("expired-for without a number") << u"expired-for"_s << QStringList();
    }
    void catalogRefusesArgumentsThatDoNotFit()
    {
        QFETCH(QString, report);
        QFETCH(QStringList, args);
        const ReportCatalog::Entry* entry = ReportCatalog::find(report);
        QVERIFY(entry);
        QVERIFY_THROWS_EXCEPTION(ReportCatalog::ArgumentError, entry->start(*m_shop, args));
    }

    void lastExtensionIsTheLatest_data()
    {
        QTest::addColumn<QStringList>("untils");
        QTest::addColumn<QString>("printed");
        QTest::newRow("none") << QStringList() << QString();
        QTest::newRow("one") << QStringList{u"3.3.2026"_s} << u"3.3.2026"_s;
        QTest::newRow("three out of order")
            << QStringList{u"10.4.2026"_s, u"2.6.2026"_s, u"1.5.2026"_s} << u"2.6.2026"_s;
        QTest::newRow("across a year") << QStringList{u"30.12.2025"_s, u"5.1.2026"_s} << u"5.1.2026"_s;
    }
    void lastExtensionIsTheLatest()
    {
        QFETCH(QStringList, untils);
        QFETCH(QString, printed);
        add(u"Zmluvy.DBF"_s, {{u"NUMBER"_s, u"500"_s}});
        add(u"Zmluvy.DBF"_s, {{u"NUMBER"_s, u"501"_s}});
        for (const QString& u : untils)
            add(u"Predlz.DBF"_s, {{u"NUMBER"_s, u"500"_s}, {u"X_UNTIL"_s, u}});
        add(u"Predlz.DBF"_s, {{u"NUMBER"_s, u"501"_s}, {u"X_UNTIL"_s, u"1.1.2030"_s}}); // another contract's
        PledgerExpiredList r(*m_shop);
        r.Table1->setFilter(u"NUMBER = '500'"_s);
        r.Table1->setFiltered(true);
        const ReportPage page = ReportLayout::pages(r.QuickRep1).first();
        QCOMPARE(page.textsOf(u"NUMBER"_s), QStringList{u"500"_s});
        QCOMPARE(page.textsOf(u"LastExtension"_s), printed.isEmpty() ? QStringList() : QStringList{printed});
    }

    void goodsOfEachContractInTheirCell()
    {
        add(u"Zmluvy.DBF"_s, {{u"NUMBER"_s, u"700"_s}});
        add(u"Zmluvy.DBF"_s, {{u"NUMBER"_s, u"701"_s}});
        add(u"Zmluvy.DBF"_s, {{u"NUMBER"_s, u"702"_s}});
        add(u"Inventar.DBF"_s, {{u"NUMBER"_s, u"700"_s}, {u"SUBJECT"_s, u"Retiazka"_s}});
        add(u"Inventar.DBF"_s, {{u"NUMBER"_s, u"702"_s}, {u"SUBJECT"_s, u"Hodinky"_s}});
        add(u"Inventar.DBF"_s, {{u"NUMBER"_s, u"702"_s}, {u"SUBJECT"_s, u"Náramok"_s}});
        PledgerExpiredList r(*m_shop);
        const ReportPage page = ReportLayout::pages(r.QuickRep1).first();
        const QList<PlacedBand> rows = page.bandsOf(Kind::Detail);
        QCOMPARE(page.textsOf(u"NUMBER"_s), (QStringList{u"702"_s, u"701"_s, u"700"_s}));
        QCOMPARE(rows.size(), 3);
        // Each subject within the band of its own contract; contract 701 has an empty cell.
        auto goodsIn = [&](const PlacedBand& band) {
            QStringList out;
            for (const PlacedText& t : page.texts)
                if (t.name == u"Goods"_s && t.pos.y() >= band.top && t.pos.y() < band.top + band.height) out << t.text;
            return out;
        };
        QCOMPARE(goodsIn(rows.at(0)), (QStringList{u"Hodinky"_s, u"Náramok"_s}));
        QCOMPARE(goodsIn(rows.at(1)), QStringList());
        QCOMPARE(goodsIn(rows.at(2)), QStringList{u"Retiazka"_s});
        QCOMPARE(rows.at(0).height, 29.6);
    }

    void manyGoodsGrowTheBand()
    {
        add(u"Zmluvy.DBF"_s, {{u"NUMBER"_s, u"800"_s}});
        for (int i = 1; i <= 12; ++i)
            add(u"Inventar.DBF"_s, {{u"NUMBER"_s, u"800"_s}, {u"SUBJECT"_s, u"Predmet %1"_s.arg(i)}});
        PledgerExpiredList r(*m_shop);
        const ReportPage page = ReportLayout::pages(r.QuickRep1).first();
        QCOMPARE(page.textsOf(u"Goods"_s).size(), 12);
        QVERIFY(page.bandsOf(Kind::Detail).first().height > 29.6);
        QCOMPARE(page.textsOf(u"Goods"_s).last(), u"Predmet 12"_s);
    }
};

QTEST_MAIN(TestListReports)
#include "tst_listreports.moc"
