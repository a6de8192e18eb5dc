#pragma once

#include "reports/ListReport.h"

#include <QDate>

// The contracts that fall due on one day, with the pledger's name and the pledged goods, one line each.
// The detail band grows when the goods need more lines than it holds.
class ExpiringList : public ListReport
{
    Q_OBJECT
public:
    explicit ExpiringList(Shop& shop, QObject* parent = nullptr);

    ReportItem* LastName = nullptr;  // "Priezvisko" of the pledger
    ReportItem* FirstName = nullptr; // "Meno"
    ReportItem* Goods = nullptr;     // "Založený predmet"

    // Marks the contracts due on day on the report's own table (all marks in one transaction), shows the
    // marked ones and sets the heading. The marks and the filter stay until the next start.
    void Start(const QDate& day);

    // Before each contract prints: the pledger's names from the shop's persons table (both empty when no
    // person has the contract's birth number) and the subjects of its goods.
    void QRSubDetail1BeforePrint();
};
