#include "services/Obeh.h"

#include "app/Frame.h"
#include "register/Shop.h"
#include "services/FigureLabel.h"
#include "services/Statistics.h"
#include "store/EventPump.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

TForm10::TForm10(Frame* main)
    : QDialog(main->frameWidget(), Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                       Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_main(main)
{
    setObjectName(u"TForm10"_s);
    setWindowTitle(u"Obeh & Záložná hodnota"_s);
    setModal(false);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(u"Panel1"_s);
    Panel1->setFrameShape(QFrame::StyledPanel);
    Label1 = new QLabel(Panel1);
    Label1->setObjectName(u"Label1"_s);
    Label2 = new QLabel(Panel1);
    Label2->setObjectName(u"Label2"_s);
    styleFigure(Label2);
    Label2->setMinimumWidth(Label2->fontMetrics().horizontalAdvance(u"-9999999999999 Sk"_s));
    auto* panel = new QVBoxLayout(Panel1);
    panel->addWidget(Label1);
    panel->addWidget(Label2);

    BitBtn1 = new QPushButton(u"&OK"_s, this);
    BitBtn1->setObjectName(u"BitBtn1"_s);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QWidget::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Panel1);
    layout->addWidget(BitBtn1, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize); // a fixed border
}

bool TForm10::event(QEvent* event)
{
    const EventPump::HoldFor hold(event);
    return QDialog::event(event);
}

void TForm10::Compute(int figure)
{
    // The hourglass, and no second command walking the same instance while the screen repaints.
    const auto busy = m_main->shop().busy(true);
    Label2->clear();
    Shop& shop = m_main->shop();
    qint64 sum = 0;
    if (figure == 0) {
        Label1->setText(u"Peniaze v obehu:"_s);
        sum = Statistics::moneyInCirculation(*shop.Table1);
    } else {
        Label1->setText(u"Záložná hodnota:"_s);
        sum = Statistics::pledgeValue(*shop.Table4);
    }
    Label2->setText(Statistics::crownsText(sum));
}
