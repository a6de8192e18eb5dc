#include "app/Main.h"

#include "core/Shop.h"
#include "store/Table.h"
#include "widgets/Guard.h"
#include "widgets/WaitCursor.h"
#include "windows/register/Inventar.h"
#include "windows/register/Zmluvy.h"

#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenuBar>
#include <QToolBar>
#include <optional>

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

} // namespace

void TForm1::installBusyHook()
{
    m_shop->setBusyHook([this](bool marking) -> std::shared_ptr<void> {
        struct Busy
        {
            WaitCursor wait;
            std::optional<PassInProgress> pass;
        };
        auto busy = std::make_shared<Busy>();
        if (marking) busy->pass.emplace(*this);
        return busy;
    });
}

void TForm1::showContractsView(int mode, const QString& caption)
{
    m_shop->FilterMode = mode;
    m_shop->FilterContracts(*m_form2->Table1);
    m_form2->setWindowTitle(caption);
    showChild(m_form2);
}

void TForm1::showGoodsView(int mode, const QString& caption)
{
    m_shop->FilterMode = mode;
    m_shop->FilterGoods(*m_form4->Table1);
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
