#include "app/Main.h"
#include "app/StartProgram.h"
#include "store/engine/FileModes.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    FileModes::keepPrivate();
    QApplication app(argc, argv);
    TForm1* main = StartProgram(QCoreApplication::applicationDirPath());
    if (!main) return 1;
    const int rc = app.exec();
    delete main;
    return rc;
}
