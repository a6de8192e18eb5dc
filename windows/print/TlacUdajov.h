#pragma once

#include "windows/print/ReportForm.h"

class PersonDataReport;

// "Osobné údaje" behind the persons grid's context menu: everything the store holds about one person.
class TFormUdaje : public ReportForm
{
    Q_OBJECT
public:
    explicit TFormUdaje(Frame* main);

    PersonDataReport* QuickRep = nullptr;

    // Gathers the person's data and previews them; returns when the preview is closed. Printing them or saving
    // them as PDF there leaves its row in the trail of changes. Without anything about the person, nothing is shown.
    void ShowPersonalData(const QString& birthNumber);
};
