#include "app/StartProgram.h"

#include "app/Guard.h"
#include "app/Main.h"
#include "store/EventPump.h"

#include <QApplication>

using namespace Qt::Literals::StringLiterals;

TForm1* StartProgram(const QString& programDir)
{
    QApplication::setApplicationName(u"Mervana"_s);
    QApplication::setApplicationDisplayName(u"Mervana KORVEL!"_s);
    QApplication::setDesktopFileName(u"mervana"_s);
    TForm1* main = nullptr;
    // Start-up creates and shows every window; no pending event may run in the middle of that.
    const EventPump::Hold hold;
    const bool ok = guarded([&] {
        main = new TForm1(programDir);
        main->createRegisterWindows();
        main->showMaximized();
    });
    if (!ok) {
        delete main;
        return nullptr;
    }
    return main;
}
