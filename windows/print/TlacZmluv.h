#pragma once

#include "windows/print/ReportForm.h"

class ContractsList;

// The contracts list behind "&Tlač" > "&Zmluvy".
class TForm13 : public ReportForm
{
    Q_OBJECT
public:
    explicit TForm13(Frame* main);

    ContractsList* QuickRep = nullptr;

    // One entry of the menu: the view of mode (FilterMode 0 to 5) on the report's own table, then the preview.
    void Print(int mode);
};
