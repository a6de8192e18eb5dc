#include "print/ReportLayout.h"
#include "print/TlacInvent.h"
#include "print/TlacOsob.h"
#include "print/TlacZmluv.h"
#include "print/TlacZmluvNaMeno.h"
#include "store/Store.h"
#include "store/Table.h"

#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::Literals::StringLiterals;

using Kind = ReportBand::Kind;
using Fields = QList<QPair<QString, QString>>;

// The four list reports laid out over a real store, without any window.
class TestListReports : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Store> m_store;
    std::unique_ptr<Table> m_extensions; // the register's shared instances
    std::unique_ptr<Table> m_goods;

    void add(const QString& file, const Fields& fields)
    {
        Table t(*m_store, file);
        t.open();
        t.append();
        for (const auto& f : fields)
            t.field(f.first).setAsString(f.second);
        t.post();
    }

    static const PlacedText* find(const ReportPage& page, const QString& name, const QString& text)
    {
        for (const PlacedText& t : page.texts)
            if (t.name == name && t.text == text) return &t;
        return nullptr;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        Store::createEmpty(m_dir->path());
        m_store = std::make_unique<Store>(m_dir->path());
        m_extensions = std::make_unique<Table>(*m_store, u"Predlz.DBF"_s);
        m_extensions->open();
        m_goods = std::make_unique<Table>(*m_store, u"Inventar.DBF"_s);
        m_goods->open();
    }

    void cleanup()
    {
        m_goods.reset();
        m_extensions.reset();
        m_store.reset();
        m_dir.reset();
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
        std::unique_ptr<ListReport> r;
        if (report == u"13"_s) r = std::make_unique<TForm13>(*m_store);
        if (report == u"14"_s) r = std::make_unique<TForm14>(*m_store);
        if (report == u"15"_s) r = std::make_unique<TForm15>(*m_store);
        if (report == u"17"_s) r = std::make_unique<TForm17>(*m_store, *m_extensions, *m_goods);
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

    void headingCarriesTitleLinesAndShop()
    {
        TForm15 r(*m_store);
        r.SecondLine->text = u"na predaj"_s;
        r.ShopName->text = u"Záložňa Centrum"_s;
        const ReportPage page = ReportLayout::pages(r.QuickRep1).first();
        QCOMPARE(r.QuickRep1.title, u"Štatistika inventárnych predmetov"_s);
        QCOMPARE(page.textsOf(u"TitleLine"_s), QStringList{u"Založené predmety"_s});
        QCOMPARE(page.textsOf(u"SecondLine"_s), QStringList{u"na predaj"_s});
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
        TForm14 r(*m_store);
        QCOMPARE(ReportLayout::pages(r.QuickRep1).first().textsOf(u"LASTNAME"_s),
                 (QStringList{u"Cibuľa"_s, u"Čierny"_s, u"Hruška"_s, u"Chovan"_s}));
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
        TForm17 r(*m_store, *m_extensions, *m_goods);
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
        TForm17 r(*m_store, *m_extensions, *m_goods);
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
        TForm17 r(*m_store, *m_extensions, *m_goods);
        const ReportPage page = ReportLayout::pages(r.QuickRep1).first();
        QCOMPARE(page.textsOf(u"Goods"_s).size(), 12);
        QVERIFY(page.bandsOf(Kind::Detail).first().height > 29.6);
        QCOMPARE(page.textsOf(u"Goods"_s).last(), u"Predmet 12"_s);
    }
};

QTEST_MAIN(TestListReports)
#include "tst_listreports.moc"
