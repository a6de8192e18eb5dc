#include "store/Errors.h"
#include "tools/Admin.h"

#include <QGuiApplication>
#include <cstring>
#include <memory>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char* argv[])
{
    // Reports measure and paint text: they need the fonts of a GUI application, though never a screen.
    const bool fonts = argc > 1 && std::strcmp(argv[1], "report") == 0;
    if (fonts && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> app =
        fonts ? std::make_unique<QGuiApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
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
        {"report", adminReport},
        {"import-dbf", adminImportDbf},
        {"export-dbf", adminExportDbf},
        {"backup", adminBackup},
        {"restore", adminRestore},
        {"archive", adminArchive},
        {"dearchive", adminDearchive},
        {"stats", adminStats},
        {"search", adminSearch},
        {"reindex", adminReindex},
        {"copy", adminCopy},
    };
    try {
        for (const auto& c : commands)
            if (command == QLatin1StringView(c.name)) return c.run(args);
        return Admin::usage(u"unknown command: %1"_s.arg(command));
    } catch (const MervanaError& e) {
        return Admin::fail(e.text());
    }
}
