#pragma once

#include <QDateTime>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class Table;

// The font of a report item: the report's family (Arial) at 10 or 12 points, regular, italic or bold.
struct ReportFont
{
    enum class Style { Regular, Italic, Bold };
    double pointSize = 10;
    Style style = Style::Regular;

    bool operator==(const ReportFont&) const = default;

    static ReportFont italic(double size = 10) { return {size, Style::Italic}; }
    static ReportFont bold(double size = 10) { return {size, Style::Bold}; }
};

// One element on a band, at millimetres from the band's top-left corner.
class ReportItem
{
public:
    enum class Kind {
        Label,      // fixed text, or text the program sets before printing or in a before-print hook
        Field,      // the display text of a field of a table, read when the band prints
        DateTime,   // the moment of printing
        PageNumber, // the page number after the item's text ("Strana ")
        Memo,       // lines the program fills while the band prints
        Line        // horizontal line
    };
    // Centred and right-aligned items are aligned in the band; their x is not used.
    enum class Align { Left, Center, Right };

    ReportItem(Kind kind, double x, double y) : m_kind(kind), m_x(x), m_y(y) {}

    Kind kind() const { return m_kind; }
    double x() const { return m_x; }
    double y() const { return m_y; }

    QString name; // for tests and look-ups: the field's name for field items
    Align align = Align::Left;
    ReportFont font;
    // A line's length or a memo's width (its lines wrap to it); 0 = up to the band's right edge.
    double width = 0;

    // Labels: the text; page numbers: the prefix before the number.
    QString text;
    // Field items: the field and its table (nullptr: the report's own data set).
    QString field;
    Table* table = nullptr;
    // Memos.
    QStringList lines;
    // A memo's word wider than the memo breaks between letters rather than run into what stands right of it.
    bool breakWords = false;

    ReportItem& named(const QString& n)
    {
        name = n;
        return *this;
    }
    ReportItem& aligned(Align a)
    {
        align = a;
        return *this;
    }
    ReportItem& withFont(const ReportFont& f)
    {
        font = f;
        return *this;
    }
    ReportItem& wide(double w)
    {
        width = w;
        return *this;
    }

private:
    Kind m_kind;
    double m_x;
    double m_y;
};

// A band of a report: the column heading on every page, the detail once per record, the summary once
// after the last detail, the page footer at the foot of every page.
class ReportBand
{
public:
    enum class Kind { ColumnHeader, Detail, Summary, PageFooter };

    ReportBand(Kind kind, double height) : m_kind(kind), m_height(height) {}

    Kind kind() const { return m_kind; }
    double height() const { return m_height; } // the least height; a memo that needs more makes it grow

    bool lineTop = false;
    bool lineBottom = false;
    // Detail bands: called for each record just before the band prints, the data set standing on it.
    std::function<void()> beforePrint;

    ReportItem& addLabel(double x, double y, const QString& text = {});
    ReportItem& addField(double x, double y, const QString& field, Table* table = nullptr);
    ReportItem& addDateTime(double x, double y);
    ReportItem& addPageNumber(double x, double y, const QString& prefix = QStringLiteral("Strana "));
    ReportItem& addMemo(double x, double y, double width = 0);
    ReportItem& addLine(double y, double x = 0, double width = 0);

    const std::vector<std::unique_ptr<ReportItem>>& items() const { return m_items; }

private:
    ReportItem& add(ReportItem::Kind kind, double x, double y);

    Kind m_kind;
    double m_height;
    std::vector<std::unique_ptr<ReportItem>> m_items;
};

// A banded report over one table instance: its records in the instance's tag order, honouring its filter.
class Report
{
public:
    explicit Report(const QString& title = {}, Table* dataSet = nullptr) : title(title), dataSet(dataSet) {}
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    QString title; // the print job's name
    Table* dataSet;
    // Rows that are no table instance (the trail of changes): when set, every layout calls it instead of walking
    // dataSet. It sets the detail bands' items to one row after another and calls printRow for each, which
    // prints the detail bands once, so no more rows are held than the feed holds itself.
    using Feed = std::function<void(const std::function<void()>& printRow)>;
    Feed feed;
    bool printIfEmpty = true; // an empty data set still prints one page with its heading and summary
    QPageSize pageSize{QPageSize::A4};
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QMarginsF margins{10, 10, 10, 10}; // millimetres
    QString fontFamily = QStringLiteral("Arial");
    // The moment date-and-time items print; invalid: the moment the report is laid out.
    QDateTime printedAt;
    // Called before the report goes to a printer or into a PDF file (where: the printer or the file), not for
    // the preview on the screen: a report of personal data leaves its row in the trail of changes there, and
    // goes out only with it.
    std::function<void(const QString& where)> beforeOutput;

    ReportBand& addBand(ReportBand::Kind kind, double height);
    const std::vector<std::unique_ptr<ReportBand>>& bands() const { return m_bands; }
    // The first band of a kind, nullptr when there is none.
    ReportBand* band(ReportBand::Kind kind) const;
    // The first item of that name in any band, nullptr when there is none.
    ReportItem* item(const QString& name) const;

    // The page as it prints: size, orientation and margins.
    QPageLayout pageLayout() const;
    // The printable area inside the margins, in millimetres.
    double bandWidth() const;
    double areaHeight() const;

private:
    std::vector<std::unique_ptr<ReportBand>> m_bands;
};
