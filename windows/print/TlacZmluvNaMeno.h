#pragma once

#include "reports/PledgerExpiredList.h"
#include "windows/print/ReportForm.h"

// The expired contracts of one person, started by the contracts window's PrintExpiredForPledger.
class TForm17 : public ReportForm
{
    Q_OBJECT
public:
    explicit TForm17(Frame* main);

    PledgerExpiredList* QuickRep = nullptr;

    // Marks the person's expired contracts and previews them; without any, nothing is shown.
    void Print(const QString& birthNumber, const PledgerExpiredList::Pledger& pledger);
};
