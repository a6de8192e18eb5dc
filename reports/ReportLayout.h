#pragma once

#include "reports/Report.h"

#include <QLineF>
#include <QList>
#include <QPointF>
#include <QString>
#include <QStringList>

// A text placed on a page: millimetres from the top-left corner of the printable area (inside the margins)
// to the top-left corner of the text.
struct PlacedText
{
    QString name; // the item's name
    QPointF pos;
    double width = 0;  // of the text, in millimetres
    double height = 0; // of one line
    QString text;
    ReportFont font;
    // Horizontal scale the text is painted at: below 1 when it was condensed to fit its column.
    double stretch = 1;
};

// Where a band (or the part of a band that did not fit on the page before) went on a page.
struct PlacedBand
{
    ReportBand::Kind kind;
    double top = 0;
    double height = 0;
};

// One laid-out page: everything to paint, positioned, as a plain value.
struct ReportPage
{
    int number = 0;
    QList<PlacedBand> bands;
    QList<PlacedText> texts;
    QList<QLineF> lines;

    // The texts of one item on this page, top to bottom.
    QStringList textsOf(const QString& name) const;
    // The bands of a kind on this page, top to bottom.
    QList<PlacedBand> bandsOf(ReportBand::Kind kind) const;
};

// Takes the pages as they are laid out, one at a time; a page is gone once the call returns.
class PageSink
{
public:
    virtual ~PageSink() = default;
    virtual void page(const ReportPage& page) = 0;
};

namespace ReportLayout {

// How far a value may be condensed to fit its column before it is cut with "…".
inline constexpr double MinStretch = 0.7;

// Lays the report out over its data set from the first record, handing each page over when it is full,
// so no more than one page is held. Returns the number of pages.
// A detail band never splits across pages, unless it is taller than a page by itself: then it continues
// on the next page between whole lines.
int run(Report& report, PageSink& sink);

// Every page at once, for tests and short reports.
QList<ReportPage> pages(Report& report);

// The text a date-and-time item prints for a moment: 6.12.2026 9:05:07.
QString dateTimeText(const QDateTime& moment);

} // namespace ReportLayout
