#include "windows/print/Prijvyd.h"

#include "widgets/Frame.h"
#include "windows/print/TlacPrijVyd.h"

using namespace Qt::Literals::StringLiterals;

TForm8::TForm8(Frame* main) : PeriodDialog(main, u"TForm8"_s, u"Štatistika"_s) {}

void TForm8::printPeriod(const QDate& from, const QDate& to)
{
    m_main->form<TForm11>()->PrintIncomeExpense(from, to);
}
