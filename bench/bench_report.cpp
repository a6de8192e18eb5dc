// Measures the PDF of the contracts list "všetky" on the "ten shops" set and on a one-shop set: pages
// per second and peak memory, each in a process of its own so the peaks do not mix.
//   bench_report                          builds both sets in temporary folders (about a minute)
//   bench_report --big DIR --small DIR    copies of stores made by mervana-admin demo (--scale 1000 / 1)
// A tenth of the big set (scale 100, built here) shows whether the time grows linearly with the rows.
// Also the time the preview of the one-shop list takes to open with its pages laid out.
#include "Bench.h"
#include "core/Shop.h"
#include "reports/ContractsList.h"
#include "reports/ReportCatalog.h"
#include "reports/ReportPainter.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/engine/Errors.h"
#include "tools/DemoData.h"
#include "widgets/ReportPreview.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

using Bench::peakMemoryKb;
using Bench::print;

// In the child: the report written once; prints "rows pages ms cpu-ms peak-kB pdf-bytes".
int child(const QString& dir, const QString& pdf)
{
    Shop shop(dir);
    // As mervana-admin writes it: the report started through the catalog, then the PDF.
    const std::clock_t cpu = std::clock();
    QElapsedTimer timer;
    timer.start();
    const std::unique_ptr<ShopReport> report = ReportCatalog::find(u"contracts"_s)->start(shop, {u"all"_s});
    const int pages = ReportPainter::writePdf(report->QuickRep1, pdf);
    const qint64 elapsed = timer.elapsed();
    const double cpuMs = double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC;
    print(u"%1 %2 %3 %4 %5 %6"_s.arg(shop.Table1->recordCount())
              .arg(pages)
              .arg(elapsed)
              .arg(cpuMs, 0, 'f', 0)
              .arg(peakMemoryKb())
              .arg(QFileInfo(pdf).size()));
    return 0;
}

// The preview of the list opened and closed again, as the clerk would; the median of five openings.
double previewOpenMs(const QString& dir, int* pages)
{
    Shop shop(dir);
    ContractsList report(shop);
    report.Start(0);
    std::vector<qint64> times;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer timer;
        ReportPreview::setScript([&](ReportPreview& preview) {
            preview.dialog().open();
            *pages = preview.widget()->pageCount();
            times.push_back(timer.elapsed());
            preview.dialog().close();
        });
        timer.start();
        ReportPreview::show(report.QuickRep1);
    }
    ReportPreview::setScript({});
    std::sort(times.begin(), times.end());
    return double(times[times.size() / 2]);
}

struct Figures
{
    qint64 rows = 0, pages = 0, ms = 0, cpuMs = 0, peakKb = 0, bytes = 0;
};

bool measure(const QString& program, const QString& dir, const QString& pdf, Figures& f)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(program, {u"--child"_s, dir, pdf});
    if (!p.waitForFinished(-1) || p.exitCode() != 0) return false;
    const QStringList v = QString::fromUtf8(p.readAllStandardOutput()).trimmed().split(u' ');
    if (v.size() != 6) return false;
    f = {v[0].toLongLong(), v[1].toLongLong(), v[2].toLongLong(),
         v[3].toLongLong(), v[4].toLongLong(), v[5].toLongLong()};
    return true;
}

bool prepare(const QString& from, const QString& into, int scale)
{
    if (!from.isEmpty())
        return QFile::copy(QDir(from).filePath(Store::fileName()), QDir(into).filePath(Store::fileName()));
    Store::createEmpty(into);
    Store store(into);
    DemoData::fill(store, scale, QDate::currentDate());
    return true;
}

QString line(const QString& name, const Figures& f)
{
    const double seconds = f.ms / 1000.0;
    return u"%1: %2 contracts, %3 pages in %4 s (processor %5 s): %6 pages/s, %7 rows/s; "
           u"peak memory %8 MB; PDF %9 kB"_s.arg(name)
               .arg(f.rows)
               .arg(f.pages)
               .arg(seconds, 0, 'f', 2)
               .arg(f.cpuMs / 1000.0, 0, 'f', 2)
               .arg(seconds > 0 ? f.pages / seconds : 0.0, 0, 'f', 0)
               .arg(seconds > 0 ? f.rows / seconds : 0.0, 0, 'f', 0)
               .arg(f.peakKb / 1024.0, 0, 'f', 1)
               .arg(f.bytes / 1024.0, 0, 'f', 0);
}

} // namespace

int main(int argc, char* argv[])
{
    // Reports need fonts, not a screen.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true); // the shop's name from a configuration of its own
    QStringList args = app.arguments().mid(1);
    try {
        if (args.value(0) == u"--child"_s && args.size() == 3) return child(args[1], args[2]);

        QString big, small;
        for (int i = 0; i + 1 < args.size(); i += 2) {
            if (args[i] == u"--big"_s)
                big = args[i + 1];
            else if (args[i] == u"--small"_s)
                small = args[i + 1];
        }
        QTemporaryDir bigDir, midDir, smallDir, out;
        if (!bigDir.isValid() || !midDir.isValid() || !smallDir.isValid() || !out.isValid()) {
            std::fputs("bench_report: cannot create a temporary folder\n", stderr);
            return 1;
        }
        if (!prepare(big, bigDir.path(), 1000) || !prepare({}, midDir.path(), 100) ||
            !prepare(small, smallDir.path(), 1)) {
            std::fputs("bench_report: preparing the data sets failed\n", stderr);
            return 1;
        }
        print(u"PDF of the contracts list \"všetky\" (each in a process of its own)"_s);
        Figures s, m, b;
        if (!measure(app.applicationFilePath(), smallDir.path(), out.filePath(u"small.pdf"_s), s) ||
            !measure(app.applicationFilePath(), midDir.path(), out.filePath(u"mid.pdf"_s), m) ||
            !measure(app.applicationFilePath(), bigDir.path(), out.filePath(u"big.pdf"_s), b)) {
            std::fputs("bench_report: a measuring run failed\n", stderr);
            return 1;
        }
        print(line(u"one shop  "_s, s));
        print(line(u"a tenth   "_s, m));
        print(line(u"ten shops "_s, b));
        auto perRow = [](const Figures& f) { return f.rows ? 1000.0 * f.ms / f.rows : 0.0; };
        print(u"time per row: ten shops %1 µs, a tenth %2 µs, one shop %3 µs (linear: the first two about equal; "
              u"the one-shop figure carries the start-up)"_s.arg(perRow(b), 0, 'f', 1)
                  .arg(perRow(m), 0, 'f', 1)
                  .arg(perRow(s), 0, 'f', 1));
        int previewPages = 0;
        const double previewMs = previewOpenMs(smallDir.path(), &previewPages);
        print(u"preview of the one-shop list (%1 pages) open in %2 ms (median of 5; goal well under a second)"_s
                  .arg(previewPages)
                  .arg(previewMs, 0, 'f', 0));
        const double ratio = s.peakKb > 0 ? double(b.peakKb) / s.peakKb : 0;
        print(u"peak memory ten shops / one shop: %1x (goal at most 1.5x) %2"_s.arg(ratio, 0, 'f', 2)
                  .arg(ratio <= 1.5 ? u"ok"_s : u"OVER"_s));
        return 0;
    } catch (const MervanaError& e) {
        std::fprintf(stderr, "bench_report: %s\n", qUtf8Printable(e.text()));
        return 1;
    }
}
