#include "windows/print/TlacExpir.h"

#include "reports/ExpiringList.h"
#include "widgets/Frame.h"

using namespace Qt::Literals::StringLiterals;

TForm12::TForm12(Frame* main) : ReportForm(main, u"TForm12"_s, u"Expirácia zmlúv"_s)
{
    QuickRep = new ExpiringList(main->shop());
    setReport(QuickRep);
}

void TForm12::PrintExpiring(const QDate& day)
{
    QuickRep->Start(day);
    Preview();
}
