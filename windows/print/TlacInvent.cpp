#include "windows/print/TlacInvent.h"

#include "reports/GoodsList.h"
#include "widgets/Frame.h"

using namespace Qt::Literals::StringLiterals;

TForm15::TForm15(Frame* main) : ReportForm(main, u"TForm15"_s, u"Štatistika inventárnych predmetov"_s)
{
    QuickRep = new GoodsList(main->shop());
    setReport(QuickRep);
}

void TForm15::Print(int mode)
{
    QuickRep->Start(mode);
    Preview();
}
