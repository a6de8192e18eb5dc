#include "print/TlacZmluvNaMeno.h"

#include "print/TlacZmluv.h"
#include "store/EventPump.h"
#include "store/Table.h"
#include "store/Values.h"

using namespace Qt::Literals::StringLiterals;

TForm17::TForm17(Store& store, Table& extensions, Table& goods, QObject* parent)
    : ListReport(store, u"TForm17"_s, u"Zmluvy.DBF"_s, u"NUMBER"_s,
                 {u"Tlač expirovaných zmlúv na meno"_s, u"Zmluvy"_s, 30, 21, 29.6}, parent),
      m_extensions(extensions), m_goods(goods)
{
    TForm13::addContractColumns(*this);
    addCaption(95, u"Posl. predĺženie"_s);
    LastExtension = &Detail->addLabel(95, 2).named(u"LastExtension"_s);
    addCaption(123, u"Predmety založenia"_s);
    Goods = &Detail->addMemo(123, 2).named(u"Goods"_s);
    Detail->lineBottom = true;
    Detail->beforePrint = [this] { QRSubDetail1BeforePrint(); };
}

void TForm17::QRSubDetail1BeforePrint()
{
    const QString number = Table1->field(u"NUMBER"_s).asString();

    LastExtension->text.clear();
    m_extensions.setIndexName(u"NUMBER"_s);
    if (m_extensions.findKey(number)) {
        QDate latest;
        for (; !m_extensions.eof() && m_extensions.field(u"NUMBER"_s).asString() == number; m_extensions.next()) {
            const QDate until = m_extensions.field(u"X_UNTIL"_s).asDate();
            if (until.isValid() && (!latest.isValid() || until > latest)) latest = until;
        }
        LastExtension->text = Values::shortDateText(latest);
    }

    Goods->lines.clear();
    m_goods.setIndexName(u"NUMBER"_s);
    if (m_goods.findKey(number)) {
        for (; !m_goods.eof() && m_goods.field(u"NUMBER"_s).asString() == number; m_goods.next()) {
            Goods->lines << m_goods.field(u"SUBJECT"_s).asString();
            EventPump::breathe();
        }
    }
}
