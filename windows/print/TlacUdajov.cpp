#include "windows/print/TlacUdajov.h"

#include "reports/PersonDataReport.h"
#include "widgets/Frame.h"

using namespace Qt::Literals::StringLiterals;

TFormUdaje::TFormUdaje(Frame* main) : ReportForm(main, u"TFormUdaje"_s, u"Osobné údaje"_s)
{
    QuickRep = new PersonDataReport(main->shop());
    setReport(QuickRep);
}

void TFormUdaje::ShowPersonalData(const QString& birthNumber)
{
    if (QuickRep->Start(birthNumber)) Preview();
}
