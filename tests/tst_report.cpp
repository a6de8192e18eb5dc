#include "reports/Report.h"
#include "reports/ReportLayout.h"
#include "reports/ReportPainter.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/engine/Errors.h"
#include "support/Pdf.h"

#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>

using namespace Qt::Literals::StringLiterals;

using Kind = ReportBand::Kind;

// The engine over a real store: a contracts list with heading, detail, summary and footer.
class TestReport : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Store> m_store;
    std::unique_ptr<Table> m_contracts;

    void addContracts(const QStringList& numbers, bool padak = false)
    {
        for (const QString& n : numbers) {
            m_contracts->append();
            m_contracts->field(u"NUMBER"_s).setAsString(n);
            m_contracts->field(u"PADAK"_s).setAsBoolean(padak);
            m_contracts->post();
        }
    }

    // Heading 30 mm, detail 8.5 mm, summary 20 mm, footer 10 mm: 237 mm of body, 27 details a page.
    std::unique_ptr<Report> contractsList()
    {
        auto report = std::make_unique<Report>(u"Štatistika zmlúv"_s, m_contracts.get());
        ReportBand& heading = report->addBand(Kind::ColumnHeader, 30);
        heading.lineBottom = true;
        heading.addDateTime(0, 2).named(u"printed"_s);
        heading.addPageNumber(0, 8.5).named(u"page"_s);
        heading.addLabel(0, 2, u"Zmluvy"_s).named(u"title"_s).aligned(ReportItem::Align::Center);
        heading.addLabel(0, 2, u"Záložňa"_s).named(u"shop"_s).aligned(ReportItem::Align::Right);
        heading.addLabel(2, 21, u"Zmluva"_s).named(u"caption"_s);
        ReportBand& detail = report->addBand(Kind::Detail, 8.5);
        detail.addField(2, 2, u"NUMBER"_s);
        detail.addField(17, 2, u"AGRDATE"_s);
        detail.addField(78, 2, u"AMOUNT"_s);
        detail.addField(163, 2, u"RETENT"_s);
        ReportBand& summary = report->addBand(Kind::Summary, 20);
        summary.lineTop = true;
        summary.addLabel(2, 2, u"Koniec zoznamu"_s).named(u"end"_s);
        ReportBand& footer = report->addBand(Kind::PageFooter, 10);
        footer.lineTop = true;
        footer.addLabel(2, 2, u"Päta"_s).named(u"foot"_s);
        return report;
    }

    static QStringList allTexts(const QList<ReportPage>& pages, const QString& name)
    {
        QStringList out;
        for (const ReportPage& p : pages)
            out << p.textsOf(name);
        return out;
    }

    static QStringList numbers(int from, int count)
    {
        QStringList out;
        for (int i = 0; i < count; ++i)
            out << QString::number(from + i);
        return out;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        Store::createEmpty(m_dir->path());
        m_store = std::make_unique<Store>(m_dir->path());
        m_contracts = std::make_unique<Table>(*m_store, u"Zmluvy.DBF"_s);
        m_contracts->setIndexName(u"NUMBER"_s);
        m_contracts->open();
    }

    void cleanup()
    {
        m_contracts.reset();
        m_store.reset();
        m_dir.reset();
    }

    void nothingToListStillPrintsItsHeading_data()
    {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QString>("filter");
        QTest::newRow("empty table") << QStringList() << QString();
        QTest::newRow("filter selects nothing") << QStringList{u"1001"_s, u"1002"_s} << u"PADAK = true"_s;
    }
    void nothingToListStillPrintsItsHeading()
    {
        QFETCH(QStringList, stored);
        QFETCH(QString, filter);
        addContracts(stored);
        m_contracts->setFilter(filter);
        m_contracts->setFiltered(!filter.isEmpty());
        auto report = contractsList();
        const QList<ReportPage> pages = ReportLayout::pages(*report);
        QCOMPARE(pages.size(), 1);
        const ReportPage& page = pages.first();
        QCOMPARE(page.textsOf(u"title"_s), QStringList{u"Zmluvy"_s});
        QCOMPARE(page.textsOf(u"caption"_s), QStringList{u"Zmluva"_s});
        QCOMPARE(page.textsOf(u"page"_s), QStringList{u"Strana 1"_s});
        QVERIFY(page.textsOf(u"NUMBER"_s).isEmpty());
        QCOMPARE(page.bandsOf(Kind::Summary).size(), 1);
        QCOMPARE(page.bandsOf(Kind::Summary).first().top, 30.0); // right under the heading
    }

    void emptyReportWithoutPrintWhenEmptyHasNoPages()
    {
        auto report = contractsList();
        report->printIfEmpty = false;
        QCOMPARE(ReportLayout::pages(*report).size(), 0);
        const QString file = m_dir->filePath(u"none.pdf"_s);
        QCOMPARE(ReportPainter::writePdf(*report, file), 0);
        QVERIFY(!QFile::exists(file));
    }

    void detailsFollowTagAndFilter_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("all, highest number first")
            << QString() << QStringList{u"2003"_s, u"2002"_s, u"2001"_s, u"1003"_s, u"1002"_s, u"1001"_s};
        QTest::newRow("filtered") << u"PADAK = true"_s << QStringList{u"2003"_s, u"2002"_s, u"2001"_s};
    }
    void detailsFollowTagAndFilter()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, expected);
        addContracts({u"1002"_s, u"1003"_s, u"1001"_s});
        addContracts({u"2001"_s, u"2003"_s, u"2002"_s}, true);
        m_contracts->setFilter(filter);
        m_contracts->setFiltered(!filter.isEmpty());
        auto report = contractsList();
        QCOMPARE(allTexts(ReportLayout::pages(*report), u"NUMBER"_s), expected);
    }

    void fieldsPrintTheirDisplayText_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("printed");
        QTest::newRow("date") << u"AGRDATE"_s << u"6.1.2027"_s << u"6.1.2027"_s;
        QTest::newRow("big amount, no separators") << u"AMOUNT"_s << u"1234567"_s << u"1234567"_s;
        QTest::newRow("fraction, decimal comma") << u"AMOUNT"_s << u"12,5"_s << u"12,5"_s;
        QTest::newRow("true") << u"RETENT"_s << u"True"_s << u"True"_s;
        QTest::newRow("false") << u"RETENT"_s << u"False"_s << u"False"_s;
        QTest::newRow("empty") << u"AMOUNT"_s << QString() << QString();
    }
    void fieldsPrintTheirDisplayText()
    {
        QFETCH(QString, field);
        QFETCH(QString, stored);
        QFETCH(QString, printed);
        m_contracts->append();
        m_contracts->field(u"NUMBER"_s).setAsString(u"1"_s);
        if (!stored.isEmpty()) m_contracts->field(field).setAsString(stored);
        m_contracts->post();
        auto report = contractsList();
        const QStringList texts = allTexts(ReportLayout::pages(*report), field);
        QCOMPARE(texts, printed.isEmpty() ? QStringList() : QStringList{printed});
    }

    void pageBreakRepeatsHeadingAndNumbersPages()
    {
        addContracts(numbers(1000, 60));
        auto report = contractsList();
        const QList<ReportPage> pages = ReportLayout::pages(*report);
        QCOMPARE(pages.size(), 3); // 27 + 27 + 6
        QStringList listed;
        for (int i = 0; i < pages.size(); ++i) {
            const ReportPage& page = pages.at(i);
            QCOMPARE(page.number, i + 1);
            QCOMPARE(page.textsOf(u"page"_s), QStringList{u"Strana %1"_s.arg(i + 1)});
            QCOMPARE(page.textsOf(u"caption"_s), QStringList{u"Zmluva"_s});
            QCOMPARE(page.bandsOf(Kind::ColumnHeader).first().top, 0.0);
            // Every page has its footer at the foot, and nothing runs into it.
            const QList<PlacedBand> foot = page.bandsOf(Kind::PageFooter);
            QCOMPARE(foot.size(), 1);
            QCOMPARE(foot.first().top, 277.0 - 10.0);
            for (const PlacedBand& b : page.bands)
                if (b.kind != Kind::PageFooter) QVERIFY(b.top + b.height <= foot.first().top + 1e-6);
            listed << page.textsOf(u"NUMBER"_s);
        }
        QCOMPARE(pages.at(0).textsOf(u"NUMBER"_s).size(), 27);
        QStringList expected = numbers(1000, 60);
        std::reverse(expected.begin(), expected.end());
        QCOMPARE(listed, expected);
        // The summary follows the last detail, once.
        QCOMPARE(pages.at(2).bandsOf(Kind::Summary).size(), 1);
        QCOMPARE(pages.at(2).bandsOf(Kind::Summary).first().top, 30.0 + 6 * 8.5);
        QCOMPARE(pages.at(0).bandsOf(Kind::Summary).size(), 0);
    }

    void summaryThatDoesNotFitGoesToANewPage()
    {
        addContracts(numbers(1000, 27)); // 27 rows leave 7.5 mm, the summary needs 20
        auto report = contractsList();
        const QList<ReportPage> pages = ReportLayout::pages(*report);
        QCOMPARE(pages.size(), 2);
        QVERIFY(pages.at(0).bandsOf(Kind::Summary).isEmpty());
        QCOMPARE(pages.at(1).textsOf(u"end"_s), QStringList{u"Koniec zoznamu"_s});
        QCOMPARE(pages.at(1).bandsOf(Kind::Summary).first().top, 30.0);
        QVERIFY(pages.at(1).textsOf(u"NUMBER"_s).isEmpty());
        QCOMPARE(pages.at(1).textsOf(u"foot"_s), QStringList{u"Päta"_s});
    }

    void alignedTextsSitInTheBand()
    {
        auto report = contractsList();
        const ReportPage page = ReportLayout::pages(*report).first();
        for (const PlacedText& t : page.texts) {
            if (t.name == u"title"_s) QVERIFY(qAbs(t.pos.x() + t.width / 2 - 95.0) < 1e-6);
            if (t.name == u"shop"_s) QVERIFY(qAbs(t.pos.x() + t.width - 190.0) < 1e-6);
            if (t.name == u"title"_s || t.name == u"shop"_s) QVERIFY(t.width > 5 && t.width < 30);
        }
    }

    // A memo of n lines in a band with room for six: the band grows, keeps whole, never loses a line.
    void memoBandGrowsAndStaysWhole_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("expectedPages");
        QTest::newRow("fits") << 3 << 2 << 1;
        QTest::newRow("grows") << 2 << 20 << 1;
        QTest::newRow("grown band moves to the next page") << 3 << 20 << 2;
        QTest::newRow("taller than a page") << 1 << 80 << 2;
    }
    void memoBandGrowsAndStaysWhole()
    {
        QFETCH(int, rows);
        QFETCH(int, lines);
        QFETCH(int, expectedPages);
        addContracts(numbers(1000, rows));
        Report report(u"Memo"_s, m_contracts.get());
        report.addBand(Kind::ColumnHeader, 30).addPageNumber(0, 2).named(u"page"_s);
        ReportBand& detail = report.addBand(Kind::Detail, 29.6);
        detail.lineBottom = true;
        detail.addField(2, 2, u"NUMBER"_s);
        ReportItem& memo = detail.addMemo(123, 2).named(u"goods"_s);
        detail.beforePrint = [&] {
            memo.lines.clear();
            const QString number = m_contracts->field(u"NUMBER"_s).asString();
            for (int i = 1; i <= lines; ++i)
                memo.lines << u"%1 vec %2"_s.arg(number).arg(i);
        };
        const QList<ReportPage> pages = ReportLayout::pages(report);
        QCOMPARE(pages.size(), expectedPages);
        QStringList expected;
        QStringList listed = numbers(1000, rows);
        std::reverse(listed.begin(), listed.end());
        for (const QString& n : listed)
            for (int i = 1; i <= lines; ++i)
                expected << u"%1 vec %2"_s.arg(n).arg(i);
        QCOMPARE(allTexts(pages, u"goods"_s), expected);
        for (const ReportPage& page : pages) {
            for (const PlacedBand& b : page.bandsOf(Kind::Detail)) {
                QVERIFY(b.height >= 29.6);
                QVERIFY(b.top + b.height <= 277.0 + 1e-6);
            }
            // No text leaves its band.
            for (const PlacedText& t : page.texts) {
                if (t.name != u"goods"_s) continue;
                bool inside = false;
                for (const PlacedBand& b : page.bandsOf(Kind::Detail))
                    inside = inside || (t.pos.y() >= b.top && t.pos.y() + t.height <= b.top + b.height + 1e-6);
                QVERIFY2(inside, qPrintable(t.text));
            }
        }
        if (lines <= 6) QCOMPARE(pages.first().bandsOf(Kind::Detail).first().height, 29.6);
        if (lines > 6 && lines < 60) {
            // One band per contract, grown to its twenty lines, each on one page.
            int bands = 0;
            for (const ReportPage& page : pages)
                for (const PlacedBand& b : page.bandsOf(Kind::Detail)) {
                    QVERIFY(b.height > 29.6);
                    ++bands;
                }
            QCOMPARE(bands, rows);
        }
    }

    void unknownFieldIsAnError()
    {
        Report report(u"Chyba"_s, m_contracts.get());
        report.addBand(Kind::Detail, 8.5).addField(2, 2, u"NOSUCH"_s);
        QVERIFY_THROWS_EXCEPTION(StoreError, ReportLayout::pages(report));
    }

    void pdfReadsBackWithAccentsColumnsAndPages()
    {
        if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty()) QSKIP("pdftotext is not installed");
        addContracts(numbers(1000, 30));
        m_contracts->findKey(u"1029"_s);
        m_contracts->edit();
        m_contracts->field(u"AGRDATE"_s).setAsString(u"6.12.2026"_s);
        m_contracts->field(u"AMOUNT"_s).setAsString(u"1500"_s);
        m_contracts->field(u"RETENT"_s).setAsBoolean(true);
        m_contracts->post();
        auto report = contractsList();
        const QString file = m_dir->filePath(u"list.pdf"_s);
        QCOMPARE(ReportPainter::writePdf(*report, file), 2);
        const QString text = Pdf::text(file);
        QVERIFY(text.contains(u"Záložňa"_s));
        QVERIFY(text.contains(u"Päta"_s));
        QVERIFY(text.contains(u"Strana 1"_s));
        QVERIFY(text.contains(u"Strana 2"_s));
        QCOMPARE(text.count(u"Zmluva"_s), 2);
        // The first row in its columns, in order on one line.
        QVERIFY2(text.contains(QRegularExpression(u"1029\\s+6\\.12\\.2026\\s+1500\\s+True"_s)), qPrintable(text));
        QVERIFY(text.indexOf(u"1029"_s) < text.indexOf(u"1000"_s));
    }

    void failedPdfLeavesTheOldFile()
    {
        const QString file = m_dir->filePath(u"kept.pdf"_s);
        QFile old(file);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        Report report(u"Chyba"_s, m_contracts.get());
        report.addBand(Kind::Detail, 8.5).addField(2, 2, u"NOSUCH"_s);
        QVERIFY_THROWS_EXCEPTION(StoreError, ReportPainter::writePdf(report, file));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));
    }

    void pdfIntoMissingFolderIsAnError()
    {
        auto report = contractsList();
        QVERIFY_THROWS_EXCEPTION(MervanaError,
                                 ReportPainter::writePdf(*report, m_dir->filePath(u"no/such/folder/x.pdf"_s)));
    }
};

QTEST_MAIN(TestReport)
#include "tst_report.moc"
