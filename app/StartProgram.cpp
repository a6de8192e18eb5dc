#include "app/StartProgram.h"

#include "app/Guard.h"
#include "app/Main.h"

#include <QApplication>

using namespace Qt::Literals::StringLiterals;

TForm1* StartProgram(const QString& programDir)
{
    QApplication::setApplicationName(u"Mervana"_s);
    QApplication::setApplicationDisplayName(u"Mervana KORVEL!"_s);
    TForm1* main = nullptr;
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
