#include "app/MonthCal.h"

#include "app/Main.h"

#include <QCalendarWidget>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

TForm20::TForm20(TForm1* main) : QDialog(main), m_main(main)
{
    setObjectName(u"TForm20"_s);
    setWindowTitle(u"Výber dňa"_s);
    MonthCalendar1 = new QCalendarWidget(this);
    MonthCalendar1->setObjectName(u"MonthCalendar1"_s);
    BitBtn1 = new QPushButton(u"&OK"_s, this);
    BitBtn1->setObjectName(u"BitBtn1"_s);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MonthCalendar1);
    layout->addWidget(BitBtn1);
}

void PickDay(TForm1*, MaskEdit*)
{
    // Filled by the day picker's own change.
}
