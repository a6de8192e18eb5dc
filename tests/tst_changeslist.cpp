#include "ReportShop.h"
#include "core/Shop.h"
#include "reports/ChangesList.h"
#include "reports/ReportCatalog.h"
#include "reports/ReportFonts.h"
#include "reports/ReportLayout.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/engine/Statement.h"
#include "store/trail/Trail.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <functional>
#include <memory>

using namespace Qt::Literals::StringLiterals;

using Kind = ReportBand::Kind;
using Setup = std::function<void(Store&)>;
Q_DECLARE_METATYPE(Setup)

namespace {

const QString Counter = u"pult1/eva"_s;
const QString Novak = u"7001011234"_s;
const QString Mala = u"7551011234"_s;

// The columns of the detail line after the moment, as the report names its items.
const QStringList Columns{u"Clerk"_s, u"Counter"_s, u"Action"_s,   u"TableName"_s,
                          u"Key"_s,   u"Field"_s,   u"OldValue"_s, u"NewValue"_s};
// The columns' right edges, millimetres from the left margin.
const QList<std::pair<QString, double>> RightEdges{{u"Moment"_s, 33},    {u"Clerk"_s, 56.5},     {u"Counter"_s, 88},
                                                   {u"Action"_s, 125.5}, {u"TableName"_s, 144},  {u"Key"_s, 166.5},
                                                   {u"Field"_s, 193},    {u"OldValue"_s, 234.5}, {u"NewValue"_s, 277}};

// One detail band as printed: each item's texts, top to bottom.
using Line = QHash<QString, QStringList>;

QList<Line> detailLines(const QList<ReportPage>& pages)
{
    QList<Line> lines;
    for (const ReportPage& page : pages)
        for (const PlacedBand& band : page.bandsOf(Kind::Detail)) {
            Line line;
            for (const PlacedText& t : page.texts)
                if (t.pos.y() >= band.top - 1e-6 && t.pos.y() < band.top + band.height - 1e-6) line[t.name] << t.text;
            lines << line;
        }
    return lines;
}

// A line as "clerk|counter|action|table|key|field|old|new", a wrapped value joined by blanks.
QString joined(const Line& line)
{
    QStringList out;
    for (const QString& c : Columns)
        out << line.value(c).join(u' ');
    return out.join(u'|');
}

void write(Store& store, const QString& file, const Fields& fields)
{
    Records::write(store, file, fields);
}

// The first record of file whose field holds value gets the new values.
void change(Store& store, const QString& file, const QString& field, const QString& value, const Fields& fields)
{
    Table t(store, file);
    t.open();
    for (t.first(); !t.eof(); t.next())
        if (t.field(field).asString() == value) break;
    QVERIFY(!t.eof());
    t.edit();
    for (const auto& f : fields)
        t.field(f.first).setAsString(f.second.toString());
    t.post();
}

void remove(Store& store, const QString& file, const QString& field, const QString& value)
{
    Table t(store, file);
    t.open();
    for (t.first(); !t.eof(); t.next())
        if (t.field(field).asString() == value) break;
    QVERIFY(!t.eof());
    t.remove();
}

} // namespace

// "Zmeny záznamov" laid out over the trail of a real store, without any window.
class TestChangesList : public QObject
{
    Q_OBJECT

    ReportShopFixture m_fixture;
    Shop* m_shop = nullptr;

    QList<ReportPage> layOut(const Trail::Query& query = {})
    {
        m_report = std::make_unique<ChangesList>(*m_shop);
        m_report->Start(query);
        return ReportLayout::pages(m_report->QuickRep1);
    }

    std::unique_ptr<ChangesList> m_report;

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_shop = m_fixture.start();
        QVERIFY(m_shop);
        m_shop->store().setCounter(Counter);
    }

    void cleanup()
    {
        m_report.reset();
        m_fixture.stop();
        m_shop = nullptr;
    }

    // One line per recorded field change, in the order the rows were written, values as the register shows
    // them; a row that names no field is one line with the field's columns empty.
    void oneLinePerFieldChange_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QStringList>("lines");
        const QString who = u"—|"_s + Counter + u'|';
        QTest::newRow("new person, personal values readable")
            << Setup([](Store& s) {
                   write(s, u"Osoby.DBF"_s,
                         {{u"BIRTHNUM"_s, Novak}, {u"LASTNAME"_s, u"Novák"_s}, {u"CITY"_s, u"Košice"_s}});
               })
            << QStringList{who + u"nový|Osoby|7001011234|BIRTHNUM||7001011234"_s,
                           who + u"nový|Osoby|7001011234|LASTNAME||Novák"_s,
                           who + u"nový|Osoby|7001011234|CITY||Košice"_s};
        QTest::newRow("changed contract, by a signed-in clerk")
            << Setup([](Store& s) {
                   write(s, u"Zmluvy.DBF"_s,
                         {{u"NUMBER"_s, u"1001"_s}, {u"AMOUNT"_s, u"1000"_s}, {u"UNTIL"_s, u"1.6.2026"_s}});
                   s.setClerk(u"Eva"_s);
                   change(s, u"Zmluvy.DBF"_s, u"NUMBER"_s, u"1001"_s,
                          {{u"AMOUNT"_s, u"1200,5"_s}, {u"UNTIL"_s, u"15.6.2026"_s}, {u"PAID"_s, u"True"_s}});
               })
            << QStringList{who + u"nový|Zmluvy|1001|NUMBER||1001"_s,
                           who + u"nový|Zmluvy|1001|AMOUNT||1000"_s,
                           who + u"nový|Zmluvy|1001|WEEKTIME||0"_s,
                           who + u"nový|Zmluvy|1001|UNTIL||1.6.2026"_s,
                           u"Eva|"_s + Counter + u"|zmena|Zmluvy|1001|AMOUNT|1000|1200,5"_s,
                           u"Eva|"_s + Counter + u"|zmena|Zmluvy|1001|UNTIL|1.6.2026|15.6.2026"_s,
                           u"Eva|"_s + Counter + u"|zmena|Zmluvy|1001|PAID||True"_s};
        QTest::newRow("deleted item") << Setup([](Store& s) {
            write(s, u"Inventar.DBF"_s, {{u"NUMBER"_s, u"1001"_s}, {u"SUBJECT"_s, u"Prsteň zlatý"_s}});
            remove(s, u"Inventar.DBF"_s, u"SUBJECT"_s, u"Prsteň zlatý"_s);
        })
                                      << QStringList{who + u"nový|Inventar|1001|NUMBER||1001"_s,
                                                     who + u"nový|Inventar|1001|SUBJECT||Prsteň zlatý"_s,
                                                     who + u"zmazanie|Inventar|1001|NUMBER|1001|"_s,
                                                     who + u"zmazanie|Inventar|1001|SUBJECT|Prsteň zlatý|"_s};
        QTest::newRow("rows without fields")
            << Setup([](Store& s) {
                   s.setClerk(u"Eva"_s);
                   Trail::record(s, {Trail::Action::SignIn, {}, {}, false, {}, {}});
                   s.setClerk(Trail::noClerk());
                   Trail::record(s, {Trail::Action::ArchiveOut,
                                     {},
                                     {},
                                     false,
                                     {},
                                     Trail::moveDetail(QDate(2020, 1, 1), QDate(2024, 12, 31), {{u"Zmluvy"_s, 120}})});
                   Trail::record(s, {Trail::Action::PersonalDataPrinted, {}, Novak, true, {}, {}});
               })
            << QStringList{u"Eva|"_s + Counter + u"|prihlásenie|||||"_s, who + u"odsun do archívu|||||"_s,
                           who + u"tlač osobných údajov||7001011234|||"_s};
        // The key of a person gone: their values unreadable, everybody else's and the contract's own as before.
        QTest::newRow("shredded key") << Setup([](Store& s) {
            write(s, u"Osoby.DBF"_s, {{u"BIRTHNUM"_s, Novak}, {u"LASTNAME"_s, u"Novák"_s}});
            write(s, u"Osoby.DBF"_s, {{u"BIRTHNUM"_s, Mala}, {u"LASTNAME"_s, u"Malá"_s}});
            write(s, u"Zmluvy.DBF"_s, {{u"NUMBER"_s, u"1001"_s}, {u"BIRTHNUM"_s, Novak}});
            QVERIFY(Trail::deleteKey(s, Novak));
        })
                                      << QStringList{who + u"nový|Osoby|(vymazané)|BIRTHNUM||(vymazané)"_s,
                                                     who + u"nový|Osoby|(vymazané)|LASTNAME||(vymazané)"_s,
                                                     who + u"nový|Osoby|7551011234|BIRTHNUM||7551011234"_s,
                                                     who + u"nový|Osoby|7551011234|LASTNAME||Malá"_s,
                                                     who + u"nový|Zmluvy|1001|BIRTHNUM||(vymazané)"_s,
                                                     who + u"nový|Zmluvy|1001|NUMBER||1001"_s,
                                                     who + u"nový|Zmluvy|1001|WEEKTIME||0"_s};
        QTest::newRow("an action of a later version, as stored") << Setup([](Store& s) {
            insertTrailRow(s, u"2026-06-01 08:00:00"_s, u"1001"_s);
            insertTrailRow(s, u"2026-06-01 09:00:00"_s, QString(), u"Eva"_s, u"stocktaking"_s);
        }) << QStringList{u"Eva|pult2/eva|zmena|Zmluvy|1001|AMOUNT|100|200"_s, u"Eva|pult2/eva|stocktaking|||||"_s};
        QTest::newRow("nothing recorded") << Setup([](Store&) {}) << QStringList();
    }
    void oneLinePerFieldChange()
    {
        QFETCH(Setup, setup);
        QFETCH(QStringList, lines);
        // Every trail begins with its genesis row, written as the store was made.
        lines.prepend(u"—|"_s + Trail::defaultCounter() + u"|začiatok záznamu zmien|||||"_s);
        setup(m_shop->store());
        const QList<Trail::Row> rows = Trail::read(m_shop->store(), {});
        const QList<ReportPage> pages = layOut();
        QCOMPARE(pages.size(), 1); // the heading even when nothing was recorded
        QStringList shown;
        QStringList moments;
        for (const Line& line : detailLines(pages)) {
            shown << joined(line);
            moments << line.value(u"Moment"_s);
        }
        QCOMPARE(shown.join(u"\n"_s), lines.join(u"\n"_s));
        // Each line's moment is its row's, to the second.
        QStringList expected;
        for (const Trail::Row& r : rows)
            for (qsizetype i = 0; i < std::max<qsizetype>(1, r.fields.size()); ++i)
                expected << r.moment.toString(u"d.M.yyyy HH:mm:ss"_s);
        QCOMPARE(moments, expected);
    }

    // The period's first day from its first second, the last to its last; other conditions of the query hold too.
    void periodChoosesTheRows_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QString>("clerk");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("heading");
        QTest::newRow("one day") << QDate(2026, 6, 1) << QDate(2026, 6, 1) << QString() << QStringList{u"b"_s, u"c"_s}
                                 << u"od 1.6.2026 do 1.6.2026"_s;
        QTest::newRow("a month") << QDate(2026, 6, 1) << QDate(2026, 6, 30) << QString()
                                 << QStringList{u"b"_s, u"c"_s, u"d"_s, u"e"_s} << u"od 1.6.2026 do 30.6.2026"_s;
        QTest::newRow("from a day on") << QDate(2026, 6, 15) << QDate() << QString()
                                       << QStringList{u"d"_s, u"e"_s, u"f"_s} << u"od 15.6.2026"_s;
        QTest::newRow("up to a day") << QDate() << QDate(2026, 5, 31) << QString() << QStringList{u"a"_s}
                                     << u"do 31.5.2026"_s;
        QTest::newRow("everything") << QDate() << QDate() << QString()
                                    << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"f"_s} << u"všetky zmeny"_s;
        QTest::newRow("to before from") << QDate(2026, 6, 30) << QDate(2026, 6, 1) << QString() << QStringList()
                                        << u"od 30.6.2026 do 1.6.2026"_s;
        QTest::newRow("one clerk's") << QDate(2026, 6, 1) << QDate(2026, 6, 30) << u"Ján"_s << QStringList{u"d"_s}
                                     << u"od 1.6.2026 do 30.6.2026, pokladník Ján"_s;
    }
    void periodChoosesTheRows()
    {
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QString, clerk);
        QFETCH(QStringList, keys);
        QFETCH(QString, heading);
        Store& store = m_shop->store();
        // The genesis row, written as the store was made, by the clock of the day the test runs.
        const QDate made = Trail::read(store, {}).constFirst().moment.date();
        if ((!from.isValid() || made >= from) && (!to.isValid() || made <= to) && clerk.isEmpty()) keys.prepend({});
        insertTrailRow(store, u"2026-05-31 23:59:59"_s, u"a"_s);
        insertTrailRow(store, u"2026-06-01 00:00:00"_s, u"b"_s);
        insertTrailRow(store, u"2026-06-01 23:59:59"_s, u"c"_s);
        insertTrailRow(store, u"2026-06-15 12:00:00"_s, u"d"_s, u"Ján"_s);
        insertTrailRow(store, u"2026-06-30 23:59:59"_s, u"e"_s);
        insertTrailRow(store, u"2026-07-01 00:00:00"_s, u"f"_s);
        Trail::Query query;
        query.from = from;
        query.to = to;
        query.clerk = clerk;
        const QList<ReportPage> pages = layOut(query);
        QStringList shown;
        for (const Line& line : detailLines(pages))
            shown << line.value(u"Key"_s).join(u' ');
        QCOMPARE(shown, keys);
        QCOMPARE(pages.first().textsOf(u"QRLabel14"_s), QStringList{heading});
    }

    // The heading of the other lists on every page, the nine captions, and the page on its side.
    void headingOnEveryPage()
    {
        for (int i = 0; i < 80; ++i)
            write(m_shop->store(), u"Inventar.DBF"_s, {{u"NUMBER"_s, QString::number(2000 + i)}});
        const QList<ReportPage> pages = layOut();
        QVERIFY(pages.size() >= 2);
        QCOMPARE(m_report->QuickRep1.orientation, QPageLayout::Landscape);
        QCOMPARE(m_report->QuickRep1.bandWidth(), 277.0);
        QCOMPARE(m_report->QuickRep1.title, u"Zmeny záznamov"_s);
        int details = 0;
        for (const ReportPage& page : pages) {
            QCOMPARE(page.textsOf(u"PageNumber"_s), QStringList{u"Strana %1"_s.arg(page.number)});
            QCOMPARE(page.textsOf(u"PrintedAt"_s).size(), 1);
            QCOMPARE(page.textsOf(u"TitleLine"_s), QStringList{u"Zmeny záznamov"_s});
            QCOMPARE(page.textsOf(u"QRLabel14"_s), QStringList{u"všetky zmeny"_s});
            QCOMPARE(page.textsOf(u"ShopName"_s), QStringList{u"Záložňa Centrum"_s});
            QCOMPARE(page.textsOf(u"Caption"_s),
                     (QStringList{u"Dátum a čas"_s, u"Pokladník"_s, u"Pracovisko"_s, u"Akcia"_s, u"Tabuľka"_s,
                                  u"Kľúč"_s, u"Pole"_s, u"Pôvodná hodnota"_s, u"Nová hodnota"_s}));
            details += int(page.bandsOf(Kind::Detail).size());
            // The head to note, after the last line only.
            QCOMPARE(page.textsOf(u"Head"_s), page.number == pages.size()
                                                  ? QStringList{u"Posledný záznam: "_s + Trail::head(m_shop->store())}
                                                  : QStringList());
        }
        QCOMPARE(details, 81); // one field each, NUMBER, after the genesis row
        // Title in the middle, shop name at the right edge of the landscape page.
        const ReportPage& first = pages.first();
        for (const PlacedText& t : first.texts) {
            if (t.name == u"TitleLine"_s) QVERIFY(qAbs(t.pos.x() + t.width / 2 - 277.0 / 2) < 0.01);
            if (t.name == u"ShopName"_s) QVERIFY(qAbs(t.pos.x() + t.width - 277.0) < 0.01);
        }
    }

    // Long values wrap within their columns, at blanks where there are any, and lose nothing; the line grows.
    void longValuesWrapInTheirColumns()
    {
        const QString note = u"Predložil doklad totožnosti, ktorý bol poškodený; overené telefonicky s matrikou"_s;
        const QString counter = u"pokladna-c3.zalozna-centrum.example/uctovnicka"_s;
        m_shop->store().setCounter(counter);
        m_shop->store().setClerk(u"Alžbeta Veľká Nováková"_s);
        write(m_shop->store(), u"Osoby.DBF"_s, {{u"BIRTHNUM"_s, Novak}, {u"REASON"_s, note}});
        const QList<ReportPage> pages = layOut();
        const QList<Line> lines = detailLines(pages);
        QCOMPARE(lines.size(), 3); // after the genesis row: BIRTHNUM, REASON
        const Line& reason = lines.at(2);
        QCOMPARE(reason.value(u"Field"_s), QStringList{u"REASON"_s});
        QVERIFY(reason.value(u"NewValue"_s).size() > 1);
        QCOMPARE(reason.value(u"NewValue"_s).join(u' '), note);
        QVERIFY(reason.value(u"Counter"_s).size() > 1);
        QCOMPARE(reason.value(u"Counter"_s).join(QString()), counter); // broken between letters: no blank lost
        QCOMPARE(reason.value(u"Clerk"_s).join(u' '), u"Alžbeta Veľká Nováková"_s);
        const QList<PlacedBand> bands = pages.first().bandsOf(Kind::Detail);
        QVERIFY(bands.at(2).height > bands.at(1).height);
        QVERIFY(bands.at(2).top >= bands.at(1).top + bands.at(1).height - 1e-6);
        // Every text ends before the next column begins.
        ReportFonts fonts(m_report->QuickRep1.fontFamily);
        for (const PlacedText& t : pages.first().texts)
            for (const auto& [name, right] : RightEdges)
                if (t.name == name)
                    QVERIFY2(t.pos.x() + fonts.width(t.font, t.text) <= right + 1e-6, qPrintable(t.text));
    }

    // mervana-admin report audit FROM TO: the same report through the catalogue.
    void catalogueStartsIt()
    {
        insertTrailRow(m_shop->store(), u"2026-06-10 10:00:00"_s, u"4711"_s);
        insertTrailRow(m_shop->store(), u"2026-06-20 10:00:00"_s, u"4712"_s);
        const ReportCatalog::Entry* entry = ReportCatalog::find(u"audit"_s);
        QVERIFY(entry);
        QCOMPARE(entry->arguments, u"FROM TO"_s);
        const auto report = entry->start(*m_shop, {u"1.6.2026"_s, u"2026-06-15"_s});
        QVERIFY(report);
        const QList<ReportPage> pages = ReportLayout::pages(report->QuickRep1);
        QCOMPARE(pages.first().textsOf(u"QRLabel14"_s), QStringList{u"od 1.6.2026 do 15.6.2026"_s});
        QCOMPARE(pages.first().textsOf(u"Key"_s), QStringList{u"4711"_s});
        QVERIFY_THROWS_EXCEPTION(ReportCatalog::ArgumentError, entry->start(*m_shop, {u"1.6.2026"_s}));
        QVERIFY_THROWS_EXCEPTION(ReportCatalog::ArgumentError, entry->start(*m_shop, {u"1.6.2026"_s, u"31.6.2026"_s}));
    }
};

QTEST_MAIN(TestChangesList)
#include "tst_changeslist.moc"
