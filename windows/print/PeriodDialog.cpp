#include "windows/print/PeriodDialog.h"

#include "store/Values.h"
#include "widgets/MaskEdit.h"

using namespace Qt::Literals::StringLiterals;

PeriodDialog::PeriodDialog(Frame* main, const QString& name, const QString& caption) : DateDialog(main, name, caption)
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

void PeriodDialog::BitBtn2Click()
{
    const QDate from = Values::dateFromText(MaskEdit1->text());
    const QDate to = Values::dateFromText(MaskEdit2->text());
    printPeriod(from, to);
}
