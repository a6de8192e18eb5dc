#include "app/StartProgram.h"

#include "app/Main.h"
#include "store/EventPump.h"
#include "store/Store.h"
#include "store/admin/EngineConfig.h"
#include "store/engine/Errors.h"
#include "widgets/Guard.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTranslator>

using namespace Qt::Literals::StringLiterals;

namespace {

// An installed copy lies in a bin folder beside share/mervana, where a clerk cannot write; it works in
// the clerk's own data folder instead: the store, the shop's contract template and the version file go
// there. A copy in its build folder works beside the program, as always.
QString workingFolder(const QString& programDir)
{
    const QString shared = QDir(programDir).absoluteFilePath(u"../share/mervana"_s);
    const QString sharedTemplate = QDir(shared).filePath(u"ZMLUVA.TXT"_s);
    const bool installed = QFileInfo::exists(sharedTemplate) || !QFileInfo(programDir).isWritable();
    if (!installed) return programDir;

    const QString home =
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).filePath(u"mervana"_s);
    if (!QDir().mkpath(home)) throw StoreError(u"Cannot create the folder %1"_s.arg(QDir::toNativeSeparators(home)));
    const QString ownTemplate = QDir(home).filePath(u"ZMLUVA.TXT"_s);
    if (!QFileInfo::exists(ownTemplate) && QFileInfo::exists(sharedTemplate) &&
        QFile::copy(sharedTemplate, ownTemplate)) // the shop edits its own copy with "&Text zmluvy"
        // The copy keeps the installed file's mode, readable by all: the shop's own copy is not.
        QFile(ownTemplate).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    QDir::setCurrent(home);
    // An existing definition stays as it is; a new one gets an empty store on this first start.
    if (!EngineConfig::isDefined()) {
        const EngineConfig::Definition def = EngineConfig::ensureDatabaseName(home);
        if (!QFileInfo::exists(QDir(def.path).filePath(Store::fileName())))
            Store::createEmpty(def.path, Store::Genesis::Written, {}, EngineConfig::newStoreCurrency());
    }
    return home;
}

// Debian's Slovak catalogue keeps the standard buttons' texts (Yes, No, OK, Cancel…) where Qt 5 asked for them,
// under QDialogButtonBox; Qt 6 asks under QPlatformTheme.
class QtSlovak : public QTranslator
{
public:
    using QTranslator::QTranslator;
    QString translate(const char* context, const char* source, const char* disambiguation, int n) const override
    {
        // The font dialog finds a font's style by its name as the font file gives it (Bold, Italic): a translated
        // name would match none, and the dialog would drop the grid font's bold.
        if (qstrcmp(context, "QFontDatabase") == 0) return {};
        QString text = QTranslator::translate(context, source, disambiguation, n);
        if (text.isEmpty() && qstrcmp(context, "QPlatformTheme") == 0)
            text = QTranslator::translate("QDialogButtonBox", source, disambiguation, n);
        return text;
    }
};

// Qt's own texts (Yes/No, the print, font and folder dialogs) in Slovak, once per process.
void loadQtTranslation()
{
    if (qApp->findChild<QTranslator*>(u"QtSlovak"_s)) return;
    auto* translator = new QtSlovak(qApp);
    translator->setObjectName(u"QtSlovak"_s);
    if (translator->load(QLocale(QLocale::Slovak, QLocale::Slovakia), u"qt"_s, u"_"_s,
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
}

} // namespace

TForm1* StartProgram(const QString& programDir)
{
    QApplication::setApplicationName(u"Mervana"_s);
    // No display name: the platform would add it to every window's title; only the frame carries it (TForm1).
    loadQtTranslation();
    QApplication::setDesktopFileName(u"mervana"_s);
    TForm1* main = nullptr;
    // Start-up creates and shows every window; no pending event may run in the middle of that.
    const EventPump::Hold hold;
    const bool ok = guarded([&] {
        main = new TForm1(workingFolder(programDir));
        // Where the store has clerks, the frame opens once one has signed in.
        main->beginSession();
    });
    if (!ok) {
        delete main;
        return nullptr;
    }
    QObject::connect(main, &TForm1::programEnded, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    return main;
}
