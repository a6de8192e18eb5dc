#include "print/TlacZmluv.h"

#include "app/Frame.h"
#include "print/ContractsList.h"

using namespace Qt::Literals::StringLiterals;

TForm13::TForm13(Frame* main) : ReportForm(main, u"TForm13"_s, u"Štatistika zmlúv"_s)
{
    QuickRep = new ContractsList(main->shop());
    setReport(QuickRep);
}

void TForm13::Print(int mode)
{
    QuickRep->Start(mode);
    Preview();
}
