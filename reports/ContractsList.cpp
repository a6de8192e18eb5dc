#include "reports/ContractsList.h"

#include "core/Shop.h"
#include "store/engine/Names.h"

#include <QStringList>

using namespace Qt::Literals::StringLiterals;

ContractsList::ContractsList(Shop& shop, QObject* parent)
    : ListReport(shop, u"ContractsList"_s, Tab::ZmluvyDbf, Col::NUMBER, {u"Štatistika zmlúv"_s, u"Zmluvy"_s}, parent)
{
    addContractColumns(*this);
    addColumn(95, u"Zapl. suma"_s, Col::PAID_SUM);
    addColumn(114, u"Dátum platby"_s, Col::PAID_DATE);
    addColumn(137, u"Dátum vrátenia"_s, Col::RETUDATE);
    addColumn(163, u"Predĺž."_s, Col::RETENT);
    addColumn(175, u"Prepad."_s, Col::PADAK);
}

QString ContractsList::secondLine(int mode)
{
    static const QStringList lines{u"všetky"_s,       u"aktuálne (pred expiráciou)"_s,
                                   u"po expirácii"_s, u"zaplatené"_s,
                                   u"prepadnuté"_s,   u"predlžované"_s};
    return lines.value(mode);
}

void ContractsList::Start(int mode)
{
    shop().FilterMode = mode;
    shop().FilterContracts(*Table1);
    setHeading(secondLine(mode));
}

void ContractsList::addContractColumns(ListReport& report)
{
    report.addColumn(2, u"Zmluva"_s, Col::NUMBER);
    report.addColumn(17, u"Podpísaná"_s, Col::AGRDATE);
    report.addColumn(36, u"Do"_s, Col::UNTIL);
    report.addColumn(55, u"Perc."_s, Col::PERCENT);
    report.addColumn(66, u"Týždne"_s, Col::WEEKTIME);
    report.addColumn(78, u"Zal. suma"_s, Col::AMOUNT);
}
