#include "print/ListReport.h"

#include "store/Table.h"

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr double FirstLine = 2;
constexpr double SecondLineY = 8.5;
constexpr double ValueY = 2;
} // namespace

ListReport::ListReport(Store& store, const QString& objectName, const QString& file, const QString& tag,
                       const Layout& layout, QObject* parent)
    : QObject(parent), QuickRep1(layout.title), m_captionsY(layout.captionsY)
{
    setObjectName(objectName);
    Table1 = new Table(store, file, this);
    Table1->setIndexName(tag);
    Table1->open();
    QuickRep1.dataSet = Table1;

    ColumnHeader = &QuickRep1.addBand(ReportBand::Kind::ColumnHeader, layout.headingHeight);
    ColumnHeader->lineBottom = true;
    ColumnHeader->addDateTime(0, FirstLine).named(u"PrintedAt"_s);
    ColumnHeader->addPageNumber(0, SecondLineY).named(u"PageNumber"_s);
    TitleLine = &ColumnHeader->addLabel(0, FirstLine, layout.titleLine)
                     .named(u"TitleLine"_s)
                     .aligned(ReportItem::Align::Center);
    SecondLine = &ColumnHeader->addLabel(0, SecondLineY).named(u"SecondLine"_s).aligned(ReportItem::Align::Center);
    ShopName = &ColumnHeader->addLabel(0, FirstLine).named(u"ShopName"_s).aligned(ReportItem::Align::Right);

    Detail = &QuickRep1.addBand(ReportBand::Kind::Detail, layout.detailHeight);
}

ListReport::~ListReport() = default;

ReportItem& ListReport::addColumn(double x, const QString& caption, const QString& field)
{
    addCaption(x, caption);
    return Detail->addField(x, ValueY, field);
}

ReportItem& ListReport::addCaption(double x, const QString& caption)
{
    return ColumnHeader->addLabel(x, m_captionsY, caption).named(u"Caption"_s);
}
