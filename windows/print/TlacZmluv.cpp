#include "windows/print/TlacZmluv.h"

#include "reports/ContractsList.h"
#include "widgets/Frame.h"

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
