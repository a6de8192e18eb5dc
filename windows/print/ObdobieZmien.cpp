#include "windows/print/ObdobieZmien.h"

#include "widgets/Frame.h"
#include "windows/print/TlacZmien.h"

using namespace Qt::Literals::StringLiterals;

TObdobieZmien::TObdobieZmien(Frame* main) : PeriodDialog(main, u"TObdobieZmien"_s, u"Zmeny záznamov"_s) {}

void TObdobieZmien::printPeriod(const QDate& from, const QDate& to)
{
    m_main->form<TTlacZmien>()->PrintChanges(from, to);
}
