#pragma once

#include "windows/print/ReportForm.h"

class PersonsList;

// The persons list behind "&Tlač" > "&Osoby".
class TForm14 : public ReportForm
{
    Q_OBJECT
public:
    explicit TForm14(Frame* main);

    PersonsList* QuickRep = nullptr;

    // Every person, then the preview.
    void Print();
};
