#pragma once

#include "windows/print/ReportForm.h"

#include <QDate>

class ExpiringList;

// The contracts due on one day, started by the expiry date dialog's "&OK".
class TForm12 : public ReportForm
{
    Q_OBJECT
public:
    explicit TForm12(Frame* main);

    ExpiringList* QuickRep = nullptr;

    // Marks the contracts due on day and previews them; returns when the preview is closed.
    void PrintExpiring(const QDate& day);
};
