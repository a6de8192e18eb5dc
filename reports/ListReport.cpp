#include "reports/ListReport.h"

#include "core/Shop.h"
#include "store/EventPump.h"
#include "store/Table.h"
#include "store/engine/Names.h"

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr double FirstLine = 2;
constexpr double SecondLine = 8.5;
constexpr double ValueY = 2;
} // namespace

ListReport::ListReport(Shop& shop, const QString& objectName, const QString& file, const QString& tag,
                       const Layout& layout, QObject* parent)
    : ShopReport(shop, objectName, layout.title, parent), m_captionsY(layout.captionsY),
      m_captionFont(layout.captionFont)
{
    if (!file.isEmpty()) {
        Table1 = new Table(shop.store(), file, this);
        Table1->setObjectName(u"Table1"_s);
        Table1->setIndexName(tag);
        Table1->open();
        QuickRep1.dataSet = Table1;
    }

    ColumnHeader = &QuickRep1.addBand(ReportBand::Kind::ColumnHeader, layout.headingHeight);
    ColumnHeader->lineBottom = true;
    ColumnHeader->addDateTime(0, FirstLine).named(u"PrintedAt"_s);
    ColumnHeader->addPageNumber(0, SecondLine).named(u"PageNumber"_s);
    TitleLine = &ColumnHeader->addLabel(0, FirstLine, layout.titleLine)
                     .named(u"TitleLine"_s)
                     .aligned(ReportItem::Align::Center);
    QRLabel14 = &ColumnHeader->addLabel(0, SecondLine).named(u"QRLabel14"_s).aligned(ReportItem::Align::Center);
    ShopName = &ColumnHeader->addLabel(0, FirstLine).named(u"ShopName"_s).aligned(ReportItem::Align::Right);

    Detail = &QuickRep1.addBand(ReportBand::Kind::Detail, layout.detailHeight);
}

ListReport::~ListReport() = default;

ReportItem& ListReport::addColumn(double x, const QString& caption, const QString& field)
{
    addCaption(x, caption);
    return Detail->addField(x, ValueY, field);
}

ReportItem& ListReport::addCaption(double x, const QString& caption, double y)
{
    return ColumnHeader->addLabel(x, y < 0 ? m_captionsY : y, caption).named(u"Caption"_s).withFont(m_captionFont);
}

void ListReport::setHeading(const QString& secondLine)
{
    QRLabel14->text = secondLine;
    ShopName->text = shop().ShopName;
}

void ListReport::fillGoods(const QString& number, ReportItem& memo)
{
    Table& goods = *shop().Table4;
    memo.lines.clear();
    goods.setIndexName(Col::NUMBER);
    if (!goods.findKey(number)) return;
    for (; !goods.eof() && goods.field(Col::NUMBER).asString() == number; goods.next()) {
        memo.lines << goods.field(Col::SUBJECT).asString();
        EventPump::breathe();
    }
}
