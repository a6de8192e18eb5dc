#pragma once

#include "reports/ListReport.h"

#include <optional>

// The expired contracts of one person: the contract columns, the last extension's due date and the
// pledged goods, one line each. The detail band grows when the goods need more lines than it holds.
class PledgerExpiredList : public ListReport
{
    Q_OBJECT
public:
    explicit PledgerExpiredList(Shop& shop, QObject* parent = nullptr);

    ReportItem* LastExtension = nullptr; // "Posl. predĺženie"
    ReportItem* Goods = nullptr;         // "Predmety založenia"

    struct Pledger
    {
        QString lastName;
        QString firstName;
    };
    // The person of the birth number, looked up in the shop's persons table on its tag BIRTHNUM.
    static std::optional<Pledger> findPledger(Shop& shop, const QString& birthNumber);

    // Marks the person's expired contracts on the report's own table (FilterMode 6). When there is one at
    // least, sets the heading for the person and returns true; otherwise there is nothing to print.
    bool Start(const QString& birthNumber, const Pledger& pledger);

    // Before each contract prints: the latest due date among its extensions and the subjects of its goods,
    // read through the shop's extensions and goods tables.
    void QRSubDetail1BeforePrint();
};
