#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// Runs a command to its end; its output, or a failure naming what went wrong.
QString run(const QString& program, const QStringList& arguments, bool* ok)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    *ok = p.waitForFinished(300000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return QString::fromUtf8(p.readAll());
}

} // namespace

// What a shop's computer gets: the files an installation puts in place, and the Debian package.
class TestInstall : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void installIntoPrefix()
    {
        QTemporaryDir prefix;
        bool ok = false;
        const QString out = run(QStringLiteral(MERVANA_CMAKE),
                                {u"--install"_s, QStringLiteral(MERVANA_BUILD), u"--prefix"_s, prefix.path()}, &ok);
        QVERIFY2(ok, qPrintable(out));
        for (const QString& file :
             {u"bin/mervana"_s, u"bin/mervana-admin"_s, u"share/applications/mervana.desktop"_s,
              u"share/icons/hicolor/scalable/apps/mervana.svg"_s, u"share/mervana/ZMLUVA.TXT"_s,
              u"share/man/man1/mervana-admin.1"_s, u"share/bash-completion/completions/mervana-admin"_s})
            QVERIFY2(QFileInfo::exists(prefix.filePath(file)), qPrintable(file));
        QVERIFY(QFileInfo(prefix.filePath(u"bin/mervana"_s)).isExecutable());
        const QString validate = QStandardPaths::findExecutable(u"desktop-file-validate"_s);
        if (!validate.isEmpty()) {
            const QString problems = run(validate, {prefix.filePath(u"share/applications/mervana.desktop"_s)}, &ok);
            QVERIFY2(ok && problems.trimmed().isEmpty(), qPrintable(problems));
        }
        QFile desktop(prefix.filePath(u"share/applications/mervana.desktop"_s));
        QVERIFY(desktop.open(QIODevice::ReadOnly));
        const QString entry = QString::fromUtf8(desktop.readAll());
        QVERIFY(entry.contains(u"Exec=mervana\n"_s));
        QVERIFY(entry.contains(u"Categories=Office;Finance;"_s));
        QVERIFY(entry.contains(u"Comment=Evidencia záložcov"_s));
    }

    void debianPackage()
    {
        const QString dpkgDeb = QStandardPaths::findExecutable(u"dpkg-deb"_s);
        if (dpkgDeb.isEmpty()) QSKIP("dpkg-deb is not on this machine");
        QTemporaryDir out;
        bool ok = false;
        const QString log = run(
            QStringLiteral(MERVANA_CPACK),
            {u"-G"_s, u"DEB"_s, u"-B"_s, out.path(), u"--config"_s, QStringLiteral(MERVANA_BUILD "/CPackConfig.cmake")},
            &ok);
        QVERIFY2(ok, qPrintable(log));
        const QStringList debs = QDir(out.path()).entryList({u"mervana_" MERVANA_VERSION "_*.deb"_s}, QDir::Files);
        QVERIFY2(debs.size() == 1, qPrintable(QDir(out.path()).entryList().join(u' ')));
        const QString deb = out.filePath(debs.first());
        const QString contents = run(dpkgDeb, {u"-c"_s, deb}, &ok);
        QVERIFY(ok);
        for (const char* file :
             {"./usr/bin/mervana", "./usr/bin/mervana-admin", "./usr/share/applications/mervana.desktop",
              "./usr/share/icons/hicolor/scalable/apps/mervana.svg", "./usr/share/mervana/ZMLUVA.TXT",
              "./usr/share/man/man1/mervana-admin.1", "./usr/share/bash-completion/completions/mervana-admin"})
            QVERIFY2(contents.contains(QLatin1StringView(file)), file);
        const QString depends = run(dpkgDeb, {u"-f"_s, deb, u"Depends"_s}, &ok);
        QVERIFY(ok);
        for (const char* package : {"libqt6widgets6", "libqt6sql6-sqlite", "libqt6printsupport6", "libqt6svg6",
                                    "libsqlite3-0", "libpq5", "libsodium23", "fonts-liberation"})
            QVERIFY2(depends.contains(QLatin1StringView(package)), package);
        QCOMPARE(run(dpkgDeb, {u"-f"_s, deb, u"Version"_s}, &ok).trimmed(), QStringLiteral(MERVANA_VERSION));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
