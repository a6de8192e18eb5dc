#include "reports/ExpiringList.h"

#include "core/ExpiryMarks.h"
#include "core/Shop.h"
#include "store/Table.h"
#include "store/Values.h"

using namespace Qt::Literals::StringLiterals;

ExpiringList::ExpiringList(Shop& shop, QObject* parent)
    : ListReport(shop, u"ExpiringList"_s, u"Zmluvy.DBF"_s, u"NUMBER"_s,
                 {u"Expirácia zmlúv"_s, u"Expirácia zmlúv"_s, 32.5, 19, 23.3, ReportFont::italic()}, parent)
{
    addColumn(2, u"Zmluva"_s, u"NUMBER"_s);
    addColumn(19, u"Podpísaná dňa"_s, u"AGRDATE"_s);
    addCaption(47, u"Priezvisko"_s);
    LastName = &Detail->addLabel(47, 2).named(u"LASTNAME"_s);
    addCaption(91, u"Meno"_s);
    FirstName = &Detail->addLabel(91, 2).named(u"FIRSNAME"_s);
    addColumn(131, u"Založ. suma"_s, u"AMOUNT"_s);
    addColumn(155, u"Percentá"_s, u"PERCENT"_s);
    addCaption(47, u"Založený predmet"_s, 25); // the second row
    Goods = &Detail->addMemo(47, 8.5).named(u"Goods"_s);
    Detail->lineBottom = true;
    Detail->beforePrint = [this] { QRSubDetail1BeforePrint(); };
}

void ExpiringList::Start(const QDate& day)
{
    {
        const auto working = shop().busy(true);
        ExpiryMarks::mark(*Table1, *shop().Table3, day);
    }
    Table1->setFilter(u"WRK = True"_s);
    Table1->setFiltered(true);
    setHeading(u"na deň "_s + Values::shortDateText(day));
}

void ExpiringList::QRSubDetail1BeforePrint()
{
    Table& persons = *shop().Table2;
    persons.setIndexName(u"BIRTHNUM"_s);
    const bool found = persons.findKey(Table1->field(u"BIRTHNUM"_s).asString());
    LastName->text = found ? persons.field(u"LASTNAME"_s).asString() : QString();
    FirstName->text = found ? persons.field(u"FIRSNAME"_s).asString() : QString();
    fillGoods(Table1->field(u"NUMBER"_s).asString(), *Goods);
}
