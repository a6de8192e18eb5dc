#include "reports/Report.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/engine/Errors.h"
#include "widgets/Messages.h"
#include "widgets/ReportPreview.h"

#include <QAction>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::Literals::StringLiterals;

// The preview window: it opens on the laid-out pages, and its PDF action writes the report.
class TestReportPreview : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Store> m_store;
    std::unique_ptr<Table> m_contracts;

    std::unique_ptr<Report> report()
    {
        auto r = std::make_unique<Report>(u"Štatistika zmlúv"_s, m_contracts.get());
        r->addBand(ReportBand::Kind::ColumnHeader, 30).addPageNumber(0, 2);
        r->addBand(ReportBand::Kind::Detail, 8.5).addField(2, 2, u"NUMBER"_s);
        return r;
    }

private Q_SLOTS:
    void init()
    {
        Messages::setScripted(true);
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        Store::createEmpty(m_dir->path());
        m_store = std::make_unique<Store>(m_dir->path());
        m_contracts = std::make_unique<Table>(*m_store, u"Zmluvy.DBF"_s);
        m_contracts->setIndexName(u"NUMBER"_s);
        m_contracts->open();
        for (int i = 0; i < 40; ++i) {
            m_contracts->append();
            m_contracts->field(u"NUMBER"_s).setAsString(QString::number(5000 + i));
            m_contracts->post();
        }
    }

    void cleanup()
    {
        ReportPreview::setScript({});
        ReportPreview::setFileChooser({});
        m_contracts.reset();
        m_store.reset();
        m_dir.reset();
        QVERIFY(Messages::takeShown().isEmpty());
    }

    void previewShowsThePagesAndSavesPdf_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::newRow("with suffix") << u"out.pdf"_s << u"out.pdf"_s;
        QTest::newRow("suffix added") << u"out"_s << u"out.pdf"_s;
    }
    void previewShowsThePagesAndSavesPdf()
    {
        QFETCH(QString, typed);
        QFETCH(QString, written);
        auto r = report();
        int pages = -1;
        QString suggested;
        QWidget frame; // the preview opens at the frame's size, the page as wide as the window
        frame.resize(1000, 700);
        frame.show();
        QSize size;
        QPrintPreviewWidget::ZoomMode zoom = QPrintPreviewWidget::CustomZoom;
        ReportPreview::setFileChooser([&](const QString& s) {
            suggested = s;
            return m_dir->filePath(typed);
        });
        ReportPreview::setScript([&](ReportPreview& preview) {
            preview.dialog().open();
            pages = preview.widget()->pageCount();
            size = preview.dialog().size();
            zoom = preview.widget()->zoomMode();
            QAction* save = preview.dialog().findChild<QAction*>(u"SavePdf"_s);
            QVERIFY(save);
            save->trigger();
            preview.dialog().close();
        });
        ReportPreview::show(*r, &frame);
        QCOMPARE(pages, 2);
        QCOMPARE(size, frame.size());
        QCOMPARE(zoom, QPrintPreviewWidget::FitToWidth);
        QCOMPARE(suggested, u"Štatistika zmlúv.pdf"_s);
        const QString file = m_dir->filePath(written);
        QVERIFY(QFile::exists(file));
        if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty()) QSKIP("pdftotext is not installed");
        QProcess p;
        p.start(u"pdftotext"_s, {file, u"-"_s});
        QVERIFY(p.waitForFinished());
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY(text.contains(u"Strana 2"_s));
        QVERIFY(text.indexOf(u"5039"_s) >= 0 && text.indexOf(u"5039"_s) < text.indexOf(u"5000"_s));
    }

    // A file there already is replaced only when the clerk says so, and the question names the file that
    // would be replaced: the one with the suffix added.
    void existingFileReplacedOnlyWhenAllowed_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("existing"); // a file there before, holding "old"
        QTest::addColumn<int>("answer");       // -1: no question expected; 0 No, 1 Yes
        QTest::addColumn<QString>("written");  // the file the report is in afterwards, or empty
        QTest::newRow("suffix added, No") << u"x"_s << u"x.pdf"_s << 0 << QString();
        QTest::newRow("suffix added, Yes") << u"x"_s << u"x.pdf"_s << 1 << u"x.pdf"_s;
        QTest::newRow("with suffix, No") << u"x.pdf"_s << u"x.pdf"_s << 0 << QString();
        QTest::newRow("with suffix, Yes") << u"x.pdf"_s << u"x.pdf"_s << 1 << u"x.pdf"_s;
        QTest::newRow("a file without the suffix stays") << u"x"_s << u"x"_s << -1 << u"x.pdf"_s;
        QTest::newRow("nothing there") << u"x"_s << QString() << -1 << u"x.pdf"_s;
    }
    void existingFileReplacedOnlyWhenAllowed()
    {
        QFETCH(QString, typed);
        QFETCH(QString, existing);
        QFETCH(int, answer);
        QFETCH(QString, written);
        if (!existing.isEmpty()) {
            QFile old(m_dir->filePath(existing));
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old");
        }
        auto r = report();
        ReportPreview::setFileChooser([&](const QString&) { return m_dir->filePath(typed); });
        ReportPreview::setScript([](ReportPreview& preview) { preview.SavePdf->trigger(); });
        if (answer >= 0) Messages::pushAnswer(answer == 1);
        ReportPreview::show(*r);

        QList<Messages::Shown> expected;
        if (answer >= 0)
            expected << Messages::Shown{Messages::Kind::Question,
                                        u"Súbor %1 už existuje.\rChcete ho nahradiť?"_s.arg(
                                            QDir::toNativeSeparators(m_dir->filePath(u"x.pdf"_s)))};
        const QList<Messages::Shown> shown = Messages::takeShown();
        QCOMPARE(shown.size(), expected.size());
        for (qsizetype i = 0; i < shown.size(); ++i) {
            QCOMPARE(shown.at(i).kind, expected.at(i).kind);
            QCOMPARE(shown.at(i).text, expected.at(i).text);
        }
        for (const QString& name : QDir(m_dir->path()).entryList({u"x*"_s}, QDir::Files)) {
            QFile f(m_dir->filePath(name));
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray content = f.readAll();
            if (name == written)
                QVERIFY2(content.startsWith("%PDF"), qPrintable(name));
            else
                QVERIFY2(content == "old", qPrintable(name));
        }
        if (!written.isEmpty()) QVERIFY(QFile::exists(m_dir->filePath(written)));
    }

    void cancelledFileChoiceWritesNothing()
    {
        auto r = report();
        ReportPreview::setFileChooser([](const QString&) { return QString(); });
        ReportPreview::setScript([](ReportPreview& preview) { preview.SavePdf->trigger(); });
        ReportPreview::show(*r);
        QCOMPARE(QDir(m_dir->path()).entryList({u"*.pdf"_s}), QStringList());
    }

    // What goes out (to a printer, into a PDF) passes the report's hook first, as a report of a person's data
    // leaves its trail row there; the preview on the screen does not. A hook that fails stops the output.
    void outputPassesTheHook_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("calls");
        QTest::addColumn<bool>("written");
        QTest::newRow("preview only") << u"preview"_s << 0 << false;
        QTest::newRow("saved as PDF") << u"pdf"_s << 1 << true;
        QTest::newRow("printed") << u"print"_s << 1 << true;
        QTest::newRow("hook fails") << u"refuse"_s << 1 << false;
    }
    void outputPassesTheHook()
    {
        QFETCH(QString, how);
        QFETCH(int, calls);
        QFETCH(bool, written);
        auto r = report();
        int called = 0;
        QString where;
        r->beforeOutput = [&](const QString& to) {
            ++called;
            where = to;
            if (how == u"refuse"_s) throw StoreError(u"disk I/O error"_s);
        };
        const QString file = m_dir->filePath(u"out.pdf"_s);
        ReportPreview::setFileChooser([&](const QString&) { return file; });
        ReportPreview::setScript([&](ReportPreview& preview) {
            preview.dialog().open();
            preview.widget()->updatePreview();
            if (how == u"pdf"_s || how == u"refuse"_s) preview.SavePdf->trigger();
            if (how == u"print"_s) {
                // Printing to a file: the printer's output is what a real one would get.
                QPrinter* printer = preview.dialog().printer();
                printer->setOutputFormat(QPrinter::PdfFormat);
                printer->setOutputFileName(file);
                preview.widget()->print();
            }
            preview.dialog().close();
        });
        ReportPreview::show(*r);
        QCOMPARE(called, calls);
        QCOMPARE(where, calls ? QDir::toNativeSeparators(file) : QString()); // the trail row names it
        QCOMPARE(QFile::exists(file), written);
        if (how == u"refuse"_s) {
            const QList<Messages::Shown> shown = Messages::takeShown();
            QCOMPARE(shown.size(), 1);
            QCOMPARE(shown.first().text, u"disk I/O error"_s);
        }
    }
};

QTEST_MAIN(TestReportPreview)
#include "tst_reportpreview.moc"
