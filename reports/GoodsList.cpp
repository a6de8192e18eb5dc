#include "reports/GoodsList.h"

#include "core/Shop.h"

#include <QStringList>

using namespace Qt::Literals::StringLiterals;

GoodsList::GoodsList(Shop& shop, QObject* parent)
    : ListReport(shop, u"GoodsList"_s, u"Inventar.DBF"_s, u"NUMBER"_s,
                 {u"Štatistika inventárnych predmetov"_s, u"Založené predmety"_s, 30, 23}, parent)
{
    addColumn(2, u"Zmluva"_s, u"NUMBER"_s);
    addColumn(17, u"Predmet"_s, u"SUBJECT"_s);
    addColumn(59, u"Dátum pred."_s, u"PRED_DATUM"_s);
    addColumn(83, u"Suma pred."_s, u"PRED_SUMA"_s);
    addColumn(104, u"Predané"_s, u"PREDANE"_s);
    addColumn(120, u"Prepadnuté"_s, u"PREPADNUTE"_s);
    addColumn(139, u"Vrátené"_s, u"VRATENE"_s);
    addColumn(156, u"Suma 1"_s, u"SUMA1"_s);
    addColumn(171, u"Suma 2"_s, u"SUMA2"_s);
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
