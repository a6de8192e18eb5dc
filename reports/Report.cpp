#include "reports/Report.h"

#include <QRectF>

ReportItem& ReportBand::add(ReportItem::Kind kind, double x, double y)
{
    m_items.push_back(std::make_unique<ReportItem>(kind, x, y));
    return *m_items.back();
}

ReportItem& ReportBand::addLabel(double x, double y, const QString& text)
{
    ReportItem& item = add(ReportItem::Kind::Label, x, y);
    item.text = text;
    return item;
}

ReportItem& ReportBand::addField(double x, double y, const QString& field, Table* table)
{
    ReportItem& item = add(ReportItem::Kind::Field, x, y);
    item.name = field;
    item.field = field;
    item.table = table;
    return item;
}

ReportItem& ReportBand::addDateTime(double x, double y)
{
    return add(ReportItem::Kind::DateTime, x, y);
}

ReportItem& ReportBand::addPageNumber(double x, double y, const QString& prefix)
{
    ReportItem& item = add(ReportItem::Kind::PageNumber, x, y);
    item.text = prefix;
    return item;
}

ReportItem& ReportBand::addMemo(double x, double y, double width)
{
    return add(ReportItem::Kind::Memo, x, y).wide(width);
}

ReportItem& ReportBand::addLine(double y, double x, double width)
{
    return add(ReportItem::Kind::Line, x, y).wide(width);
}

ReportBand& Report::addBand(ReportBand::Kind kind, double height)
{
    m_bands.push_back(std::make_unique<ReportBand>(kind, height));
    return *m_bands.back();
}

ReportBand* Report::band(ReportBand::Kind kind) const
{
    for (const auto& b : m_bands)
        if (b->kind() == kind) return b.get();
    return nullptr;
}

ReportItem* Report::item(const QString& name) const
{
    for (const auto& b : m_bands)
        for (const auto& i : b->items())
            if (i->name == name) return i.get();
    return nullptr;
}

QPageLayout Report::pageLayout() const
{
    return QPageLayout(pageSize, orientation, margins, QPageLayout::Millimeter);
}

double Report::bandWidth() const
{
    return pageLayout().paintRect(QPageLayout::Millimeter).width();
}

double Report::areaHeight() const
{
    return pageLayout().paintRect(QPageLayout::Millimeter).height();
}
