#include "windows/print/TlacOsob.h"

#include "reports/PersonsList.h"
#include "widgets/Frame.h"

using namespace Qt::Literals::StringLiterals;

TForm14::TForm14(Frame* main) : ReportForm(main, u"TForm14"_s, u"Štatistika osôb"_s)
{
    QuickRep = new PersonsList(main->shop());
    setReport(QuickRep);
}

void TForm14::Print()
{
    QuickRep->Start();
    Preview();
}
