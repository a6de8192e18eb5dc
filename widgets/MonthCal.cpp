#include "widgets/MonthCal.h"

#include "core/Shop.h"
#include "store/Clock.h"
#include "store/Values.h"
#include "widgets/Frame.h"
#include "widgets/Guard.h"
#include "widgets/MaskEdit.h"

#include <QCalendarWidget>
#include <QFrame>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

TForm20::TForm20(Frame* main)
    : QDialog(main->frameWidget(), Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                       Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_main(main)
{
    setObjectName(u"TForm20"_s);
    setWindowTitle(u"Výber dňa"_s);
    setToolTip(u"Výber dňa z kalendára"_s);
    setStatusTip(u"Výber dňa z kalendára"_s);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(u"Panel1"_s);
    Panel1->setFrameShape(QFrame::StyledPanel);
    MonthCalendar1 = new QCalendarWidget(Panel1);
    MonthCalendar1->setObjectName(u"MonthCalendar1"_s);
    // Slovak month and day names whatever the machine's locale; no week numbers.
    MonthCalendar1->setLocale(QLocale(QLocale::Slovak, QLocale::Slovakia));
    MonthCalendar1->setFirstDayOfWeek(Qt::Monday);
    MonthCalendar1->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->addWidget(MonthCalendar1);

    BitBtn1 = new QPushButton(u"&OK"_s, this);
    BitBtn1->setObjectName(u"BitBtn1"_s);
    BitBtn1->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Panel1);
    layout->addWidget(BitBtn1, 0, Qt::AlignHCenter);
    // A fixed border: the dialog keeps the size of its calendar.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(BitBtn1, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn1Click(); }); });
    connect(MonthCalendar1, &QCalendarWidget::activated, this,
            [this](QDate day) { guarded([this, day] { take(day); }); });
}

void TForm20::BitBtn1Click()
{
    take(MonthCalendar1->selectedDate());
}

void TForm20::take(const QDate& day)
{
    m_main->PickedDate = QDateTime(day, QTime(0, 0));
    accept();
}

void PickDay(Frame* main, MaskEdit* box)
{
    if (box->isEmptyDate())
        main->PickedDate = Clock::now();
    else
        main->PickedDate = QDateTime(Values::dateFromText(box->text()), QTime(0, 0));
    TForm20* picker = main->form20();
    picker->MonthCalendar1->setSelectedDate(main->PickedDate.date());
    picker->exec();
    // The close box leaves PickedDate as seeded, so the box gets its own date back, rewritten.
    box->setText(Values::shortDateText(main->PickedDate.date()));
}
