#pragma once

#include "windows/print/ReportForm.h"

class PersonProfile;

// The person profile behind the persons window's "&Profil".
class TForm9 : public ReportForm
{
    Q_OBJECT
public:
    explicit TForm9(Frame* main);

    PersonProfile* QuickRep = nullptr;

    // Computes the figures of the person with this birth number and previews the profile; returns when the
    // preview is closed. Without such a person nothing is shown and nothing said.
    void ShowPersonProfile(const QString& birthNumber);
};
