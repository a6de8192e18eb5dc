#include "windows/print/DateDialog.h"

#include "store/Clock.h"
#include "store/EventPump.h"
#include "widgets/DialogButtons.h"
#include "widgets/Frame.h"
#include "widgets/Guard.h"
#include "widgets/MaskEdit.h"
#include "widgets/MonthCal.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

DateDialog::DateDialog(Frame* main, const QString& name, const QString& caption)
    : QDialog(main->frameWidget(), Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                                       Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_main(main)
{
    setObjectName(name);
    setWindowTitle(caption);
    setModal(false);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(u"Panel1"_s);
    Panel1->setFrameShape(QFrame::StyledPanel);
    m_rows = new QGridLayout(Panel1);

    QHBoxLayout* buttons = stornoOkButtons(this, BitBtn1, BitBtn2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Panel1);
    layout->addLayout(buttons);
    // A fixed border: the dialog keeps the size of what it holds.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(BitBtn1, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn2Click(); }); });
}

DateDialog::~DateDialog() = default;

DateDialog::DateRow DateDialog::addDateRow(int row, const QString& labelName, const QString& caption,
                                           const QString& boxName, const QString& buttonName)
{
    auto* box = new MaskEdit(MaskEdit::Mask::DayMonthOptional, Panel1);
    box->setObjectName(boxName);
    auto* label = new QLabel(caption, Panel1);
    label->setObjectName(labelName);
    label->setBuddy(box);
    auto* button = new QToolButton(Panel1);
    button->setObjectName(buttonName);
    button->setText(u"..."_s);
    button->setFocusPolicy(Qt::NoFocus); // the calendar is a mouse shortcut
    m_rows->addWidget(label, row, 0);
    m_rows->addWidget(box, row, 1);
    m_rows->addWidget(button, row, 2);
    connect(button, &QToolButton::clicked, this, [this, box] { guarded([this, box] { PickDay(m_main, box); }); });
    m_boxes << box;
    return {label, box, button};
}

void DateDialog::ShowToday()
{
    for (MaskEdit* box : std::as_const(m_boxes))
        box->setDate(Clock::today());
    const EventPump::Hold hold; // Qt shows the dialog's children one by one
    show();
    raise();
    activateWindow();
    // The clerk types the date straight over today's: Enter must not print today's report by mistake.
    if (!m_boxes.isEmpty()) {
        m_boxes.first()->setFocus(Qt::OtherFocusReason);
        m_boxes.first()->selectAll();
    }
}

void DateDialog::BitBtn1Click()
{
    close();
}

bool DateDialog::event(QEvent* e)
{
    const EventPump::HoldFor hold(e);
    return QDialog::event(e);
}
