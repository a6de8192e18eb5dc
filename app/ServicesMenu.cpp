#include "app/Main.h"

#include "app/WaitCursor.h"
#include "services/Archiv.h"
#include "services/Obeh.h"
#include "services/PoctyViet.h"

using namespace Qt::Literals::StringLiterals;

namespace {

void showWindow(QWidget* w)
{
    w->show();
    w->raise();
    w->activateWindow();
}

} // namespace

void TForm1::Zloha1Click()
{
    TForm18* archive = form<TForm18>();
    archive->setMode(false);
    showWindow(archive);
}

void TForm1::Obnova1Click()
{
    TForm18* archive = form<TForm18>();
    archive->setMode(true);
    showWindow(archive);
}

void TForm1::Peniazevobehu2Click()
{
    TForm10* figures = form<TForm10>();
    figures->Compute(0);
    figures->setWindowTitle(u"Peniaze v obehu"_s);
    showWindow(figures);
}

void TForm1::Zlonhodnota2Click()
{
    TForm10* figures = form<TForm10>();
    figures->Compute(1);
    figures->setWindowTitle(u"Celková záložná hodnota"_s);
    showWindow(figures);
}

void TForm1::Potyviet2Click()
{
    TForm19* counts = nullptr;
    {
        const WaitCursor wait;
        // The archive window's tables are the ones counted; it is made, not shown, when it is not there yet.
        TForm18* archive = form<TForm18>();
        counts = form<TForm19>();
        counts->Count(*archive);
    }
    showWindow(counts);
}
