#include "windows/print/Prijvyd.h"

#include "widgets/Frame.h"
#include "widgets/MaskEdit.h"
#include "windows/print/TlacPrijVyd.h"
#include "store/Values.h"

using namespace Qt::Literals::StringLiterals;

TForm8::TForm8(Frame* main) : DateDialog(main, u"TForm8"_s, u"Štatistika"_s)
{
    const DateRow from = addDateRow(0, u"Label1"_s, u"Dátum odkedy"_s, u"MaskEdit1"_s, u"SpeedButton1"_s);
    Label1 = from.label;
    MaskEdit1 = from.box;
    SpeedButton1 = from.button;
    const DateRow to = addDateRow(1, u"Label2"_s, u"Dátum dokedy"_s, u"MaskEdit2"_s, u"SpeedButton2"_s);
    Label2 = to.label;
    MaskEdit2 = to.box;
    SpeedButton2 = to.button;
}

void TForm8::BitBtn2Click()
{
    TForm11* report = m_main->form<TForm11>();
    const QDate from = Values::dateFromText(MaskEdit1->text());
    const QDate to = Values::dateFromText(MaskEdit2->text());
    report->PrintIncomeExpense(from, to);
}
