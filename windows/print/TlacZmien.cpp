#include "windows/print/TlacZmien.h"

#include "reports/ChangesList.h"
#include "widgets/Frame.h"

using namespace Qt::Literals::StringLiterals;

TTlacZmien::TTlacZmien(Frame* main) : ReportForm(main, u"TTlacZmien"_s, u"Zmeny záznamov"_s)
{
    QuickRep = new ChangesList(main->shop());
    setReport(QuickRep);
}

void TTlacZmien::PrintChanges(const QDate& from, const QDate& to)
{
    QuickRep->Start(from, to);
    Preview();
}
