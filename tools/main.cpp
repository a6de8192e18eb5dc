#include "store/Errors.h"
#include "store/FileModes.h"
#include "tools/Admin.h"

#include <QDir>
#include <QGuiApplication>
#include <cstring>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

// A store the command opened was open to other accounts of the computer; it is not any more.
void sayRestricted()
{
    for (const QString& file : FileModes::takeRestricted())
        Admin::print(stderr, u"mervana-admin: %1 was open to other accounts of this computer; their access was "
                             u"taken away"_s.arg(QDir::toNativeSeparators(file)));
}

} // namespace

int main(int argc, char* argv[])
{
    FileModes::keepPrivate();
    // Reports measure and paint text: they need the fonts of a GUI application, though never a screen.
    const auto hasArgument = [argc, argv](const char* arg) {
        for (int i = 2; i < argc; ++i)
            if (std::strcmp(argv[i], arg) == 0) return true;
        return false;
    };
    const bool fonts = argc > 1 && (std::strcmp(argv[1], "report") == 0 ||
                                    (std::strcmp(argv[1], "audit") == 0 && hasArgument("--pdf")) ||
                                    std::strcmp(argv[1], "person-data") == 0);
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
        {"audit-verify", adminAuditVerify},
        {"audit", adminAudit},
        {"clerk", adminClerk},
        {"person-data", adminPersonData},
        {"retention", adminRetention},
    };
    try {
        for (const auto& c : commands) {
            if (command != QLatin1StringView(c.name)) continue;
            const int status = c.run(args);
            sayRestricted();
            return status;
        }
        return Admin::usage(u"unknown command: %1"_s.arg(command));
    } catch (const MervanaError& e) {
        sayRestricted();
        return Admin::fail(e.text());
    }
}
