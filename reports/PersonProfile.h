#pragma once

#include "core/PersonFigures.h"
#include "reports/ShopReport.h"

class Table;

// The profile of one person: who they are, each of their contracts, and the ten figures of what the shop
// lent to them and earned from them in the footer of every page.
class PersonProfile : public ShopReport
{
    Q_OBJECT
public:
    explicit PersonProfile(Shop& shop, QObject* parent = nullptr);
    ~PersonProfile() override;

    Table* Table1 = nullptr; // the report's own contracts, tag NUMBER, filtered to the person of the last start

    // The heading's shop name and the person's identity, set by each start.
    ReportItem* ShopName = nullptr;
    ReportItem* LastName = nullptr;
    ReportItem* FirstName = nullptr;
    ReportItem* BirthNumber = nullptr;
    ReportItem* IdCard = nullptr;

    // The figures of the footer, in their order from the top.
    ReportItem* ContractCount = nullptr;
    ReportItem* AmountLent = nullptr;
    ReportItem* ForfeitedCount = nullptr;
    ReportItem* ForfeitedAmount = nullptr;
    ReportItem* DueCount = nullptr;
    ReportItem* DueAmount = nullptr;
    ReportItem* PaidSum = nullptr;
    ReportItem* ExtensionPayments = nullptr;
    ReportItem* SaleProceeds = nullptr;
    ReportItem* TotalYield = nullptr;

    // The figures of the last start.
    PersonFigures figures;

    // Looks the person up in the shop's persons table on its tag BIRTHNUM; without one, returns false and
    // there is nothing to print. Otherwise filters the report's contracts to the person, computes the
    // figures (today from the clock) and sets the heading and the footer.
    bool Start(const QString& birthNumber);
};
