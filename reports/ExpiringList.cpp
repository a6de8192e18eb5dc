#include "reports/ExpiringList.h"

#include "core/ExpiryMarks.h"
#include "core/Shop.h"
#include "store/Table.h"
#include "store/Values.h"
#include "store/engine/Names.h"

using namespace Qt::Literals::StringLiterals;

ExpiringList::ExpiringList(Shop& shop, QObject* parent)
    : ListReport(shop, u"ExpiringList"_s, Tab::ZmluvyDbf, Col::NUMBER,
                 {u"Expirácia zmlúv"_s, u"Expirácia zmlúv"_s, 32.5, 19, 23.3, ReportFont::italic()}, parent)
{
    addColumn(2, u"Zmluva"_s, Col::NUMBER);
    addColumn(19, u"Podpísaná dňa"_s, Col::AGRDATE);
    addCaption(47, u"Priezvisko"_s);
    LastName = &Detail->addLabel(47, 2).named(Col::LASTNAME);
    addCaption(91, u"Meno"_s);
    FirstName = &Detail->addLabel(91, 2).named(Col::FIRSNAME);
    addColumn(131, u"Založ. suma"_s, Col::AMOUNT);
    addColumn(155, u"Percentá"_s, Col::PERCENT);
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
    persons.setIndexName(Col::BIRTHNUM);
    const bool found = persons.findKey(Table1->field(Col::BIRTHNUM).asString());
    LastName->text = found ? persons.field(Col::LASTNAME).asString() : QString();
    FirstName->text = found ? persons.field(Col::FIRSNAME).asString() : QString();
    fillGoods(Table1->field(Col::NUMBER).asString(), *Goods);
}
