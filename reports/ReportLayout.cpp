#include "reports/ReportLayout.h"

#include "reports/ReportFonts.h"
#include "store/Clock.h"
#include "store/EventPump.h"
#include "store/Table.h"
#include "store/Values.h"
#include "store/engine/Errors.h"

#include <QHash>
#include <algorithm>

using namespace Qt::Literals::StringLiterals;

QStringList ReportPage::textsOf(const QString& name) const
{
    QList<const PlacedText*> found;
    for (const PlacedText& t : texts)
        if (t.name == name) found << &t;
    std::stable_sort(found.begin(), found.end(),
                     [](const PlacedText* a, const PlacedText* b) { return a->pos.y() < b->pos.y(); });
    QStringList out;
    for (const PlacedText* t : found)
        out << t->text;
    return out;
}

QList<PlacedBand> ReportPage::bandsOf(ReportBand::Kind kind) const
{
    QList<PlacedBand> out;
    for (const PlacedBand& b : bands)
        if (b.kind == kind) out << b;
    return out;
}

namespace {

// Tolerance for comparing millimetres summed from fractions.
constexpr double Epsilon = 1e-6;
// The white between a value and the column right of it.
constexpr double ColumnGap = 1;

// A band as it prints this time: its texts and lines relative to its top-left corner.
struct BandContent
{
    ReportBand::Kind kind;
    double height = 0;
    QList<PlacedText> texts;
    QList<QLineF> lines;
};

// Where a field item reads from, looked up once per run.
struct FieldSource
{
    Table* table = nullptr;
    int index = -1;
};

class Paginator
{
public:
    Paginator(Report& report, PageSink& sink)
        : m_report(report), m_sink(sink), m_fonts(report.fontFamily), m_width(report.bandWidth()),
          m_area(report.areaHeight()), m_header(report.band(ReportBand::Kind::ColumnHeader)),
          m_footer(report.band(ReportBand::Kind::PageFooter)), m_summary(report.band(ReportBand::Kind::Summary))
    {
        for (const auto& b : report.bands())
            if (b->kind() == ReportBand::Kind::Detail) m_details << b.get();
        const QDateTime moment = report.printedAt.isValid() ? report.printedAt : Clock::now();
        m_printedAt = ReportLayout::dateTimeText(moment);
        resolveFields();
        for (const auto& band : report.bands())
            measureRooms(*band);
    }

    int run()
    {
        if (m_report.feed) {
            // Whether there is a row shows only once the feed has run; the first page goes nowhere until full.
            startPage();
            bool any = false;
            m_report.feed([this, &any] {
                any = true;
                printRow();
            });
            if (!any && !m_report.printIfEmpty) return 0;
        } else {
            Table* data = m_report.dataSet;
            if (data) data->first();
            const bool empty = !data || data->eof();
            if (empty && !m_report.printIfEmpty) return 0;
            startPage();
            for (; data && !data->eof(); data->next())
                printRow();
        }
        if (m_summary) place(evaluate(*m_summary));
        finishPage();
        return m_pageNumber;
    }

private:
    void printRow()
    {
        for (ReportBand* band : m_details) {
            if (band->beforePrint) band->beforePrint();
            place(evaluate(*band));
        }
        EventPump::breathe(); // a long report lets the screen repaint
    }

    void resolveFields()
    {
        for (const auto& band : m_report.bands())
            for (const auto& item : band->items()) {
                if (item->kind() != ReportItem::Kind::Field) continue;
                Table* table = item->table ? item->table : m_report.dataSet;
                if (!table) throw StoreError(u"Field '%1' not found"_s.arg(item->field));
                const int index = table->fieldIndex(item->field);
                if (index < 0) throw StoreError(u"Field '%1' not found"_s.arg(item->field));
                m_sources.insert(item.get(), {table, index});
            }
    }

    // A left-aligned text may run up to the next item that starts right of it on its line (or the band's edge):
    // the room of its column, so that no value prints over the next one.
    void measureRooms(const ReportBand& band)
    {
        for (const auto& owned : band.items()) {
            const ReportItem& item = *owned;
            if (item.align != ReportItem::Align::Left || item.kind() == ReportItem::Kind::Line ||
                item.kind() == ReportItem::Kind::Memo)
                continue;
            const double line = m_fonts.height(item.font);
            double edge = m_width;
            for (const auto& other : band.items()) {
                if (other->align != ReportItem::Align::Left || other->kind() == ReportItem::Kind::Line) continue;
                const double top = other->y(), bottom = other->y() + m_fonts.height(other->font);
                const bool sameLine = top < item.y() + line - Epsilon && bottom > item.y() + Epsilon;
                if (sameLine && other->x() > item.x() + Epsilon) edge = std::min(edge, other->x() - ColumnGap);
            }
            m_rooms.insert(&item, std::max(edge - item.x(), 0.0));
        }
    }

    // A text wider than its room is condensed to fit, down to MinStretch; beyond that it is cut with "…" to the
    // part that fits condensed that far.
    void fit(PlacedText& t, double room)
    {
        const double width = m_fonts.width(t.font, t.text);
        if (width <= room + Epsilon) return;
        if (width * ReportLayout::MinStretch > room) {
            const QString ellipsis = u"…"_s;
            qsizetype keep = t.text.size();
            while (keep > 0 && m_fonts.width(t.font, t.text.left(keep) + ellipsis) * ReportLayout::MinStretch > room)
                --keep;
            t.text = t.text.left(keep) + ellipsis;
        }
        const double cut = m_fonts.width(t.font, t.text);
        t.stretch = cut > room ? std::max(room / cut, ReportLayout::MinStretch) : 1.0;
        t.width = cut * t.stretch;
    }

    double bodyTop() const { return m_bodyTop; }
    double bodyLimit() const { return m_area - (m_footer ? m_footer->height() : 0); }

    void startPage()
    {
        ++m_pageNumber;
        m_page = ReportPage();
        m_page.number = m_pageNumber;
        m_bodyTop = 0;
        if (m_header) {
            const BandContent heading = evaluate(*m_header);
            put(heading, 0);
            m_bodyTop = heading.height; // more than its own when a memo in it grew
        }
        m_y = m_bodyTop;
    }

    void finishPage()
    {
        if (m_footer) put(evaluate(*m_footer), bodyLimit());
        m_sink.page(m_page);
        m_page = ReportPage();
    }

    // A band goes where the previous one ended; one that does not fit goes to the top of the next page,
    // and one taller than a whole page continues there between whole lines.
    void place(BandContent content)
    {
        if (m_y + content.height > bodyLimit() + Epsilon && m_y > bodyTop() + Epsilon) {
            finishPage();
            startPage();
        }
        while (m_y + content.height > bodyLimit() + Epsilon) {
            const double room = bodyLimit() - m_y;
            double cut = room;
            for (const PlacedText& t : content.texts)
                if (t.pos.y() + t.height > room + Epsilon) cut = std::min(cut, t.pos.y());
            if (cut <= Epsilon) break; // not even one line fits a page: print it over the foot
            BandContent rest{content.kind, content.height - cut, {}, {}};
            BandContent piece{content.kind, cut, {}, {}};
            for (PlacedText& t : content.texts) {
                if (t.pos.y() < cut - Epsilon) {
                    piece.texts << t;
                } else {
                    t.pos.ry() -= cut;
                    rest.texts << t;
                }
            }
            for (const QLineF& l : content.lines) {
                if (l.y1() <= cut + Epsilon)
                    piece.lines << l;
                else
                    rest.lines << l.translated(0, -cut);
            }
            put(piece, m_y);
            finishPage();
            startPage();
            content = rest;
        }
        put(content, m_y);
        m_y += content.height;
    }

    void put(const BandContent& content, double top)
    {
        m_page.bands << PlacedBand{content.kind, top, content.height};
        for (PlacedText t : content.texts) {
            t.pos.ry() += top;
            m_page.texts << t;
        }
        for (const QLineF& l : content.lines)
            m_page.lines << l.translated(0, top);
    }

    BandContent evaluate(const ReportBand& band)
    {
        BandContent content{band.kind(), band.height(), {}, {}};
        for (const auto& owned : band.items()) {
            const ReportItem& item = *owned;
            switch (item.kind()) {
            case ReportItem::Kind::Label:
                addText(content, item, item.y(), item.text);
                break;
            case ReportItem::Kind::Field: {
                const FieldSource s = m_sources.value(&item);
                addText(content, item, item.y(), s.table->field(s.index).asString());
                break;
            }
            case ReportItem::Kind::DateTime:
                addText(content, item, item.y(), m_printedAt);
                break;
            case ReportItem::Kind::PageNumber:
                addText(content, item, item.y(), item.text + QString::number(m_pageNumber));
                break;
            case ReportItem::Kind::Memo:
                addMemo(content, item);
                break;
            case ReportItem::Kind::Line: {
                const double length = item.width > 0 ? item.width : m_width - item.x();
                content.lines << QLineF(item.x(), item.y(), item.x() + length, item.y());
                break;
            }
            }
        }
        if (band.lineTop) content.lines << QLineF(0, 0, m_width, 0);
        if (band.lineBottom) content.lines << QLineF(0, content.height, m_width, content.height);
        return content;
    }

    void addText(BandContent& content, const ReportItem& item, double y, const QString& text)
    {
        if (text.isEmpty()) return;
        const double width = item.align == ReportItem::Align::Left ? 0 : m_fonts.width(item.font, text);
        double x = item.x();
        if (item.align == ReportItem::Align::Center) x = (m_width - width) / 2;
        if (item.align == ReportItem::Align::Right) x = m_width - width;
        PlacedText placed{item.name, QPointF(x, y), width, m_fonts.height(item.font), text, item.font};
        if (const auto room = m_rooms.constFind(&item); room != m_rooms.cend()) fit(placed, *room);
        content.texts << placed;
    }

    // One text per line, wrapped at blanks to the memo's width; the band grows when they need more room.
    void addMemo(BandContent& content, const ReportItem& item)
    {
        const double width = item.width > 0 ? item.width : m_width - item.x();
        const double spacing = m_fonts.lineSpacing(item.font);
        double y = item.y();
        for (const QString& line : item.lines)
            for (const QString& part : m_fonts.wrap(item.font, line, width, item.breakWords)) {
                addText(content, item, y, part);
                y += spacing;
            }
        // A little room under the last line, as above the first.
        if (y > item.y()) content.height = std::max(content.height, y + 1.0);
    }

    Report& m_report;
    PageSink& m_sink;
    ReportFonts m_fonts;
    const double m_width;
    const double m_area;
    ReportBand* m_header;
    ReportBand* m_footer;
    ReportBand* m_summary;
    QList<ReportBand*> m_details;
    QHash<const ReportItem*, FieldSource> m_sources;
    QHash<const ReportItem*, double> m_rooms; // millimetres a left-aligned text may take
    QString m_printedAt;
    int m_pageNumber = 0;
    ReportPage m_page;
    double m_y = 0;
    double m_bodyTop = 0;
};

class Collector : public PageSink
{
public:
    void page(const ReportPage& page) override { pages << page; }
    QList<ReportPage> pages;
};

} // namespace

namespace ReportLayout {

int run(Report& report, PageSink& sink)
{
    return Paginator(report, sink).run();
}

QList<ReportPage> pages(Report& report)
{
    Collector collector;
    run(report, collector);
    return collector.pages;
}

QString dateTimeText(const QDateTime& moment)
{
    return Values::shortDateText(moment.date()) + u' ' + moment.time().toString(u"H:mm:ss"_s);
}

} // namespace ReportLayout
