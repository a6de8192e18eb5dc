#include "windows/print/TlacZmluvNaMeno.h"

#include "widgets/Frame.h"

using namespace Qt::Literals::StringLiterals;

TForm17::TForm17(Frame* main) : ReportForm(main, u"TForm17"_s, u"Štatistika (tlač) - expirované zmluvy na meno"_s)
{
    QuickRep = new PledgerExpiredList(main->shop());
    setReport(QuickRep);
}

void TForm17::Print(const QString& birthNumber, const PledgerExpiredList::Pledger& pledger)
{
    if (QuickRep->Start(birthNumber, pledger)) Preview();
}
