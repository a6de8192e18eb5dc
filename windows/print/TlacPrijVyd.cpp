#include "windows/print/TlacPrijVyd.h"

#include "reports/IncomeExpenseList.h"
#include "widgets/Frame.h"

using namespace Qt::Literals::StringLiterals;

TForm11::TForm11(Frame* main) : ReportForm(main, u"TForm11"_s, u"Príjmy / Výdaje"_s)
{
    QuickRep = new IncomeExpenseList(main->shop());
    setReport(QuickRep);
}

void TForm11::PrintIncomeExpense(const QDate& from, const QDate& to)
{
    QuickRep->Start(from, to);
    Preview();
}
