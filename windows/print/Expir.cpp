#include "windows/print/Expir.h"

#include "store/Values.h"
#include "widgets/Frame.h"
#include "widgets/MaskEdit.h"
#include "windows/print/TlacExpir.h"

using namespace Qt::Literals::StringLiterals;

TForm16::TForm16(Frame* main) : DateDialog(main, u"TForm16"_s, u"Dátum expirácie"_s)
{
    const DateRow day = addDateRow(0, u"Label1"_s, u"Dátum expirácie"_s, u"MaskEdit1"_s, u"SpeedButton1"_s);
    Label1 = day.label;
    MaskEdit1 = day.box;
    SpeedButton1 = day.button;
}

void TForm16::BitBtn2Click()
{
    TForm12* report = m_main->form<TForm12>();
    report->PrintExpiring(Values::dateFromDateTimeText(MaskEdit1->text()));
}
