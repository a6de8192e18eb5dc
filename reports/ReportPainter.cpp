#include "reports/ReportPainter.h"

#include "reports/Report.h"
#include "reports/ReportFonts.h"
#include "reports/ReportLayout.h"
#include "store/engine/Errors.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double LineWidth = 0.2; // millimetres

// Paints every page it is handed onto one device, starting a new device page from the second on.
class DeviceSink : public PageSink
{
public:
    DeviceSink(QPagedPaintDevice& device, const QString& family) : m_device(device), m_fonts(family) {}

    void page(const ReportPage& page) override
    {
        if (!m_painter.isActive()) {
            if (!m_painter.begin(&m_device)) throw MervanaError(u"Printer is not ready"_s);
        } else if (!m_device.newPage()) {
            throw MervanaError(u"Printer is not ready"_s);
        }
        ReportPainter::paint(m_painter, page, m_fonts);
    }

    bool end() { return !m_painter.isActive() || m_painter.end(); }

private:
    QPagedPaintDevice& m_device;
    ReportFonts m_fonts;
    QPainter m_painter;
};

} // namespace

namespace ReportPainter {

void paint(QPainter& painter, const ReportPage& page, ReportFonts& fonts)
{
    const QPaintDevice* device = painter.device();
    const double dotsX = device->logicalDpiX() / 25.4;
    const double dotsY = device->logicalDpiY() / 25.4;

    painter.setPen(QPen(Qt::black, LineWidth * dotsY));
    for (const QLineF& l : page.lines)
        painter.drawLine(QLineF(l.x1() * dotsX, l.y1() * dotsY, l.x2() * dotsX, l.y2() * dotsY));

    // Texts are placed by the top of their line: the baseline lies one ascent lower on this device.
    const ReportFont* current = nullptr;
    double ascent = 0;
    for (const PlacedText& t : page.texts) {
        if (!current || !(*current == t.font)) {
            painter.setFont(fonts.font(t.font));
            ascent = QFontMetricsF(painter.font(), painter.device()).ascent();
            current = &t.font;
        }
        const QPointF at(t.pos.x() * dotsX, t.pos.y() * dotsY + ascent);
        if (t.stretch == 1.0) {
            painter.drawText(at, t.text);
            continue;
        }
        // Condensed to its column: narrower letters, the same height.
        painter.save();
        painter.translate(at);
        painter.scale(t.stretch, 1);
        painter.drawText(QPointF(0, 0), t.text);
        painter.restore();
    }
}

int print(Report& report, QPagedPaintDevice& device, const QString& where)
{
    // The preview on the screen paints into a picture; everything else is output.
    const QPaintEngine* engine = device.paintEngine();
    if (report.beforeOutput && !(engine && engine->type() == QPaintEngine::Picture)) report.beforeOutput(where);
    device.setPageLayout(report.pageLayout());
    DeviceSink sink(device, report.fontFamily);
    const int pages = ReportLayout::run(report, sink);
    if (!sink.end()) throw MervanaError(u"Printer is not ready"_s);
    return pages;
}

int writePdf(Report& report, const QString& fileName)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw MervanaError(
            u"Cannot create file \"%1\". %2"_s.arg(QDir::toNativeSeparators(fileName), file.errorString()));
    int pages = 0;
    {
        QPdfWriter writer(&file);
        writer.setTitle(report.title);
        writer.setCreator(u"Mervana"_s);
        pages = print(report, writer, QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath()));
    }
    if (pages == 0) {
        file.cancelWriting(); // nothing to print: no file rather than an empty one
        return 0;
    }
    if (!file.commit())
        throw MervanaError(
            u"Cannot create file \"%1\". %2"_s.arg(QDir::toNativeSeparators(fileName), file.errorString()));
    return pages;
}

} // namespace ReportPainter
