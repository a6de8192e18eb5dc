#pragma once

#include "windows/print/ReportForm.h"

class GoodsList;

// The goods list behind "&Tlač" > "&Inventár".
class TForm15 : public ReportForm
{
    Q_OBJECT
public:
    explicit TForm15(Frame* main);

    GoodsList* QuickRep = nullptr;

    // One entry of the menu: the view of mode (FilterMode 0 to 4) on the report's own table, then the preview.
    void Print(int mode);
};
