#include "reports/ContractsList.h"

#include "core/Shop.h"

#include <QStringList>

using namespace Qt::Literals::StringLiterals;

ContractsList::ContractsList(Shop& shop, QObject* parent)
    : ListReport(shop, u"ContractsList"_s, u"Zmluvy.DBF"_s, u"NUMBER"_s, {u"Štatistika zmlúv"_s, u"Zmluvy"_s}, parent)
{
    addContractColumns(*this);
    addColumn(95, u"Zapl. suma"_s, u"PAID_SUM"_s);
    addColumn(114, u"Dátum platby"_s, u"PAID_DATE"_s);
    addColumn(137, u"Dátum vrátenia"_s, u"RETUDATE"_s);
    addColumn(163, u"Predĺž."_s, u"RETENT"_s);
    addColumn(175, u"Prepad."_s, u"PADAK"_s);
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
    report.addColumn(2, u"Zmluva"_s, u"NUMBER"_s);
    report.addColumn(17, u"Podpísaná"_s, u"AGRDATE"_s);
    report.addColumn(36, u"Do"_s, u"UNTIL"_s);
    report.addColumn(55, u"Perc."_s, u"PERCENT"_s);
    report.addColumn(66, u"Týždne"_s, u"WEEKTIME"_s);
    report.addColumn(78, u"Zal. suma"_s, u"AMOUNT"_s);
}
