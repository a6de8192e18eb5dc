#include "app/Main.h"

#include "app/Guard.h"
#include "app/WaitCursor.h"
#include "register/Inventar.h"
#include "register/Marking.h"
#include "register/Zmluvy.h"
#include "store/Clock.h"
#include "store/Table.h"

#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenuBar>
#include <QToolBar>

using namespace Qt::Literals::StringLiterals;

namespace {

// While a pass marks records the frame's commands are refused; the screen still repaints (the pass lets
// events run through the event pump).
class PassInProgress
{
public:
    explicit PassInProgress(TForm1& main) : m_widgets{main.menuBar(), main.Panel1, main.mdiArea()}
    {
        for (QWidget* w : m_widgets)
            if (w) {
                m_was << w->isEnabled();
                w->setEnabled(false);
            } else {
                m_was << false;
            }
    }
    ~PassInProgress()
    {
        for (int i = 0; i < m_widgets.size(); ++i)
            if (m_widgets.at(i)) m_widgets.at(i)->setEnabled(m_was.at(i));
    }

private:
    QList<QWidget*> m_widgets;
    QList<bool> m_was;
};

void showMarked(Table& t)
{
    t.setFilter(u"WRK = True"_s);
    t.setFiltered(true);
}

void setView(Table& t, const QString& filter)
{
    t.setFilter(filter);
    t.setFiltered(!filter.isEmpty());
}

} // namespace

void TForm1::FilterContracts(Table& t)
{
    const int mode = FilterMode;
    WaitCursor wait;
    switch (mode) {
    case 0:
        setView(t, QString());
        return;
    case 3:
        setView(t, u"PAID = true and PADAK = false"_s);
        return;
    case 4:
        setView(t, u"PADAK = true"_s);
        return;
    case 5:
        setView(t, u"RETENT = true"_s);
        return;
    case 1:
    case 2:
    case 6:
        break;
    default:
        return;
    }
    PassInProgress pass(*this);
    if (mode == 6) ExpiredFound = false;
    const QString birthNumber = mode == 6 ? form2()->Edit2->text() : QString();
    const bool found = Marking::markContracts(mode, t, *Table3, Clock::today(), birthNumber);
    if (mode == 6) ExpiredFound = found;
    showMarked(t);
}

void TForm1::FilterGoods(Table& t)
{
    const int mode = FilterMode;
    WaitCursor wait;
    switch (mode) {
    case 0:
        setView(t, QString());
        return;
    case 3:
        setView(t, u"PREPADNUTE = true and PREDANE = false"_s);
        return;
    case 4:
        setView(t, u"PREDANE = true"_s);
        return;
    case 1:
    case 2:
        break;
    default:
        return;
    }
    PassInProgress pass(*this);
    Marking::markGoods(mode, t, *Table1, *Table3, Clock::today());
    showMarked(t);
}

void TForm1::showContractsView(int mode, const QString& caption)
{
    FilterMode = mode;
    FilterContracts(*m_form2->Table1);
    m_form2->setWindowTitle(caption);
    showChild(m_form2);
}

void TForm1::showGoodsView(int mode, const QString& caption)
{
    FilterMode = mode;
    FilterGoods(*m_form4->Table1);
    m_form4->setWindowTitle(caption);
    showChild(m_form4);
}

void TForm1::Vetky1Click()
{
    showContractsView(0, u"Všetky zmluvy"_s);
}

void TForm1::Aktulne1Click()
{
    showContractsView(1, u"Aktuálne zmluvy (pred expiráciou)"_s);
}

void TForm1::Expirovan1Click()
{
    showContractsView(2, u"Expirované zmluvy"_s);
}

void TForm1::Zaplaten1Click()
{
    showContractsView(3, u"Zaplatené zmluvy"_s);
}

void TForm1::Prepadnut1Click()
{
    showContractsView(4, u"Prepadnuté zmluvy"_s);
}

void TForm1::Predlovan1Click()
{
    showContractsView(5, u"Predlžované zmluvy"_s);
}

void TForm1::Vetok1Click()
{
    showGoodsView(0, u"Všetky založené predmety"_s);
}

void TForm1::Aktulnypredexpirciou1Click()
{
    showGoodsView(1, u"Aktuálne založené predmety (pred expiráciou)"_s);
}

void TForm1::Expirovanpoexpircii1Click()
{
    showGoodsView(2, u"Expirované založené predmety"_s);
}

void TForm1::Napredaj1Click()
{
    showGoodsView(3, u"Založené predmety na predaj"_s);
}

void TForm1::Predan1Click()
{
    showGoodsView(4, u"Predané založené predmety"_s);
}
