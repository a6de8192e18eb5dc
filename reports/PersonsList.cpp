#include "reports/PersonsList.h"

#include "store/Table.h"

using namespace Qt::Literals::StringLiterals;

PersonsList::PersonsList(Shop& shop, QObject* parent)
    : ListReport(shop, u"PersonsList"_s, u"Osoby.DBF"_s, u"LASTNAME"_s, {u"Štatistika osôb"_s, u"Osoby"_s, 32.5, 25},
                 parent)
{
    addColumn(2, u"Priezvisko"_s, u"LASTNAME"_s);
    addColumn(34, u"Meno"_s, u"FIRSNAME"_s);
    addColumn(59, u"Rodné číslo"_s, u"BIRTHNUM"_s);
    addColumn(80, u"Preukaz"_s, u"IDCARD"_s);
    addColumn(104, u"Adresa, ulica"_s, u"STREET"_s);
    addColumn(127, u"Číslo"_s, u"STREETNO"_s);
    addColumn(139, u"Mesto"_s, u"CITY"_s);
    addColumn(173, u"Nežiad."_s, u"BLACK"_s);
}

void PersonsList::Start()
{
    setHeading(QString());
    recordExportOnOutput([this] { return qint64(Table1->recordCount()); });
}
