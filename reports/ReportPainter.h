#pragma once

#include <QString>

class QPagedPaintDevice;
class QPainter;
class Report;
class ReportFonts;
struct ReportPage;

// Paints laid-out pages: onto a printer (preview and paper) or into a PDF file.
namespace ReportPainter {

// One page; the painter's origin is the top-left corner of the printable area.
void paint(QPainter& painter, const ReportPage& page, ReportFonts& fonts);

// Sets the device to the report's page and margins and paints each page as soon as it is laid out, so
// no more than one page is held however long the report. where names the printer or file for the report's
// beforeOutput. Returns the number of pages.
int print(Report& report, QPagedPaintDevice& device, const QString& where = {});

// The report as a PDF file; the file is replaced only when the whole report was written.
// Throws MervanaError when the file cannot be written. Returns the number of pages.
int writePdf(Report& report, const QString& fileName);

} // namespace ReportPainter
