#include "windows/print/TlacProfilu.h"

#include "reports/PersonProfile.h"
#include "widgets/Frame.h"

using namespace Qt::Literals::StringLiterals;

TForm9::TForm9(Frame* main) : ReportForm(main, u"TForm9"_s, u"Profil osoby"_s)
{
    QuickRep = new PersonProfile(main->shop());
    setReport(QuickRep);
}

void TForm9::ShowPersonProfile(const QString& birthNumber)
{
    if (QuickRep->Start(birthNumber)) Preview();
}
