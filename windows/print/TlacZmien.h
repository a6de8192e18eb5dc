#pragma once

#include "windows/print/ReportForm.h"

#include <QDate>

class ChangesList;

// "Zmeny záznamov": the trail of changes of a period, started by its period dialog's "&OK".
class TTlacZmien : public ReportForm
{
    Q_OBJECT
public:
    explicit TTlacZmien(Frame* main);

    ChangesList* QuickRep = nullptr;

    // Previews the changes recorded from `from` to `to`, both included; returns when the preview is closed.
    void PrintChanges(const QDate& from, const QDate& to);
};
