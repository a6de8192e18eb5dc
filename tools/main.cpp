#include "store/Errors.h"
#include "tools/Admin.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) return Admin::usage();
    const QString command = args.takeFirst();
    const struct
    {
        const char* name;
        int (*run)(QStringList);
    } commands[] = {
        {"init", adminInit},
        {"demo", adminDemo},
        {"import-dbf", adminImportDbf},
        {"export-dbf", adminExportDbf},
        {"backup", adminBackup},
        {"restore", adminRestore},
    };
    try {
        for (const auto& c : commands)
            if (command == QLatin1StringView(c.name)) return c.run(args);
        return Admin::usage(u"unknown command: %1"_s.arg(command));
    } catch (const MervanaError& e) {
        return Admin::fail(e.text());
    }
}
