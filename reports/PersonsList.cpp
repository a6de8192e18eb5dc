#include "reports/PersonsList.h"

#include "store/Table.h"
#include "store/engine/Names.h"

using namespace Qt::Literals::StringLiterals;

PersonsList::PersonsList(Shop& shop, QObject* parent)
    : ListReport(shop, u"PersonsList"_s, Tab::OsobyDbf, Col::LASTNAME, {u"Štatistika osôb"_s, u"Osoby"_s, 32.5, 25},
                 parent)
{
    addColumn(2, u"Priezvisko"_s, Col::LASTNAME);
    addColumn(34, u"Meno"_s, Col::FIRSNAME);
    addColumn(59, u"Rodné číslo"_s, Col::BIRTHNUM);
    addColumn(80, u"Preukaz"_s, Col::IDCARD);
    addColumn(104, u"Adresa, ulica"_s, Col::STREET);
    addColumn(127, u"Číslo"_s, Col::STREETNO);
    addColumn(139, u"Mesto"_s, Col::CITY);
    addColumn(173, u"Nežiad."_s, Col::BLACK);
}

void PersonsList::Start()
{
    setHeading(QString());
    recordExportOnOutput([this] { return qint64(Table1->recordCount()); });
}
