#include "windows/services/Obeh.h"

#include "core/Shop.h"
#include "core/Statistics.h"
#include "store/Store.h"
#include "widgets/Frame.h"

#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

TForm10::TForm10(Frame* main) : FigureWindow(main, u"TForm10"_s, u"Obeh & Záložná hodnota"_s)
{
    Label1 = new QLabel(Panel1);
    Label1->setObjectName(u"Label1"_s);
    Label2 = new QLabel(Panel1);
    Label2->setObjectName(u"Label2"_s);
    styleFigure(Label2);
    Label2->setMinimumWidth(Label2->fontMetrics().horizontalAdvance(u"-9999999999999,99 Sk"_s));
    auto* panel = new QVBoxLayout(Panel1);
    panel->addWidget(Label1);
    panel->addWidget(Label2);
}

void TForm10::Compute(int figure)
{
    // The hourglass, and no second command walking the same instance while the screen repaints.
    Shop& shop = m_main->shop();
    const auto busy = shop.busy(true);
    Label2->clear();
    Money sum;
    if (figure == 0) {
        Label1->setText(u"Peniaze v obehu:"_s);
        sum = Statistics::circulation(*shop.Table1);
    } else {
        Label1->setText(u"Záložná hodnota:"_s);
        sum = Statistics::pledge(*shop.Table4);
    }
    Label2->setText(sum.withUnit(shop.store().currency()));
}
