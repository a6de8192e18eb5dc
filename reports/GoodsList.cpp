#include "reports/GoodsList.h"

#include "core/Shop.h"
#include "store/engine/Names.h"

#include <QStringList>

using namespace Qt::Literals::StringLiterals;

GoodsList::GoodsList(Shop& shop, QObject* parent)
    : ListReport(shop, u"GoodsList"_s, Tab::InventarDbf, Col::NUMBER,
                 {u"Štatistika inventárnych predmetov"_s, u"Založené predmety"_s, 30, 23}, parent)
{
    addColumn(2, u"Zmluva"_s, Col::NUMBER);
    addColumn(17, u"Predmet"_s, Col::SUBJECT);
    addColumn(59, u"Dátum pred."_s, Col::PRED_DATUM);
    addColumn(83, u"Suma pred."_s, Col::PRED_SUMA);
    addColumn(104, u"Predané"_s, Col::PREDANE);
    addColumn(120, u"Prepadnuté"_s, Col::PREPADNUTE);
    addColumn(139, u"Vrátené"_s, Col::VRATENE);
    addColumn(156, u"Suma 1"_s, Col::SUMA1);
    addColumn(171, u"Suma 2"_s, Col::SUMA2);
}

QString GoodsList::secondLine(int mode)
{
    static const QStringList lines{u"všetky"_s, u"aktuálne (pred expiráciou)"_s, u"po expirácii"_s, u"na predaj"_s,
                                   u"predané"_s};
    return lines.value(mode);
}

void GoodsList::Start(int mode)
{
    shop().FilterMode = mode;
    shop().FilterGoods(*Table1);
    setHeading(secondLine(mode));
}
