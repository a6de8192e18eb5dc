#pragma once

#include "print/ListReport.h"

// The expired contracts of one person: the contract columns, the last extension's due date and the
// pledged goods, one line each. The detail band grows when the goods need more lines than it holds.
class TForm17 : public ListReport
{
    Q_OBJECT
public:
    // extensions and goods: the register's shared instances, looked up by key for each contract.
    TForm17(Store& store, Table& extensions, Table& goods, QObject* parent = nullptr);

    ReportItem* LastExtension = nullptr; // "Posl. predĺženie"
    ReportItem* Goods = nullptr;         // "Predmety založenia"

    // Before each contract prints: the latest due date among its extensions and the subjects of its goods.
    void QRSubDetail1BeforePrint();

private:
    Table& m_extensions;
    Table& m_goods;
};
