#include "RunAdmin.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList Commands{u"init"_s,          u"demo"_s,    u"report"_s,  u"import-dbf"_s,   u"export-dbf"_s,
                           u"backup"_s,        u"restore"_s, u"archive"_s, u"dearchive"_s,    u"stats"_s,
                           u"search"_s,        u"reindex"_s, u"copy"_s,    u"audit-verify"_s, u"audit-seal"_s,
                           u"audit-restart"_s, u"audit"_s,   u"clerk"_s,   u"person-data"_s,  u"retention"_s};

} // namespace

// mervana-admin as a command line: its help, its usage errors, the forms of its options, a quiet standard error
// and the bash completion written from the same table.
class TestAdminCli : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_store;

    QString pdf() const { return m_dir.filePath(u"out.pdf"_s); }
    // The arguments with @ for the demo store and # for the PDF.
    QStringList filled(QStringList args) const
    {
        args.replaceInStrings(u"@"_s, m_store);
        args.replaceInStrings(u"#"_s, pdf());
        return args;
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_store = m_dir.filePath(u"Data"_s);
        QVERIFY(QDir().mkpath(m_store));
        QCOMPARE(runAdmin({u"init"_s, m_store}).status, 0);
        const AdminRun demo = runAdmin({u"demo"_s, m_store, u"--scale=1"_s});
        QVERIFY2(demo.status == 0, qPrintable(demo.err));
    }

    void init() { QFile::remove(pdf()); }

    void commandList_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("--help") << QStringList{u"--help"_s};
        QTest::newRow("-h") << QStringList{u"-h"_s};
        QTest::newRow("help") << QStringList{u"help"_s};
    }
    void commandList()
    {
        QFETCH(QStringList, args);
        const AdminRun r = runAdmin(args);
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QString());
        QVERIFY(r.out.startsWith(u"usage: mervana-admin COMMAND"_s));
        for (const QString& command : Commands)
            QVERIFY2(QRegularExpression(u"\\n  %1 +\\S"_s.arg(command)).match(r.out).hasMatch(), qPrintable(command));
    }

    void commandHelp_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("command");
        for (const QString& command : Commands) {
            QTest::addRow("help %s", qPrintable(command)) << QStringList{u"help"_s, command} << command;
            QTest::addRow("%s --help", qPrintable(command)) << QStringList{command, u"--help"_s} << command;
        }
        QTest::newRow("--help before the command") << QStringList{u"--help"_s, u"audit"_s} << u"audit"_s;
        QTest::newRow("-h after arguments") << QStringList{u"report"_s, u"x"_s, u"-h"_s} << u"report"_s;
    }
    void commandHelp()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, command);
        const AdminRun r = runAdmin(args);
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QString());
        QVERIFY2(r.out.startsWith(u"usage: mervana-admin %1"_s.arg(command)), qPrintable(r.out));
        QVERIFY2(r.out.contains(u"\nExample:\n  mervana-admin %1 "_s.arg(command)), qPrintable(r.out));
        QVERIFY(r.out.contains(u"\nOptions:\n"_s));
        QVERIFY(r.out.contains(u"\nArguments:\n"_s));
    }

    void reportHelpNamesTheReports()
    {
        const AdminRun r = runAdmin({u"help"_s, u"report"_s});
        for (const QString& report : {u"contracts all|current|expired|paid|forfeited|extended"_s, u"persons"_s,
                                      u"goods all|current|expired|forsale|sold"_s, u"expired-for BIRTHNUM"_s,
                                      u"profile BIRTHNUM"_s, u"expiry DATE"_s, u"income FROM TO"_s, u"audit FROM TO"_s})
            QVERIFY2(r.out.contains(u"\n  "_s + report + u'\n'), qPrintable(report));
    }

    void version()
    {
        const AdminRun r = runAdmin({u"--version"_s});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, u"mervana-admin " MERVANA_VERSION "\n"_s);
        QCOMPARE(r.err, QString());
    }

    void usageErrorNamesTheArgument_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("named");
        QTest::newRow("unknown view") << QStringList{u"report"_s, u"@"_s, u"goods"_s, u"later"_s, u"--pdf"_s, u"#"_s}
                                      << u"unknown view: later"_s;
        QTest::newRow("report argument too many")
            << QStringList{u"report"_s, u"@"_s, u"persons"_s, u"extra"_s, u"--pdf"_s, u"#"_s}
            << u"unexpected argument: extra"_s;
        QTest::newRow("view and one more")
            << QStringList{u"report"_s, u"@"_s, u"contracts"_s, u"all"_s, u"more"_s, u"--pdf"_s, u"#"_s}
            << u"unexpected argument: more"_s;
        QTest::newRow("surplus argument")
            << QStringList{u"stats"_s, u"@"_s, u"extra"_s} << u"unexpected argument: extra"_s;
        QTest::newRow("unknown option") << QStringList{u"stats"_s, u"@"_s, u"--bogus"_s}
                                        << u"unknown option: --bogus"_s;
        QTest::newRow("unknown option with a value")
            << QStringList{u"audit"_s, u"@"_s, u"--form=1.1.2026"_s} << u"unknown option: --form"_s;
        QTest::newRow("missing argument") << QStringList{u"init"_s} << u"init needs DIR"_s;
        QTest::newRow("missing second argument") << QStringList{u"copy"_s, u"@"_s} << u"copy needs DEST"_s;
        QTest::newRow("missing value") << QStringList{u"audit"_s, u"@"_s, u"--pdf"_s} << u"--pdf needs a file"_s;
        QTest::newRow("bad date") << QStringList{u"archive"_s, u"@"_s, u"--from=1.1.2020"_s, u"--to"_s, u"31.13.2024"_s}
                                  << u"not a valid date: 31.13.2024"_s;
        QTest::newRow("bad scale") << QStringList{u"demo"_s, u"@"_s, u"--scale"_s, u"many"_s} << u"not many"_s;
        QTest::newRow("bad state") << QStringList{u"demo"_s, u"@"_s, u"--newest=later"_s} << u"unknown state: later"_s;
        QTest::newRow("bad code page") << QStringList{u"import-dbf"_s, u"@"_s, u"@"_s, u"--codepage"_s, u"437"_s}
                                       << u"unknown code page: 437"_s;
        QTest::newRow("unknown clerk command")
            << QStringList{u"clerk"_s, u"fire"_s, u"@"_s} << u"unknown clerk command: fire"_s;
        QTest::newRow("owner flag on list") << QStringList{u"clerk"_s, u"list"_s, u"@"_s, u"--owner"_s} << u"--owner"_s;
        QTest::newRow("flag with a value")
            << QStringList{u"import-dbf"_s, u"@"_s, u"@"_s, u"--replace=yes"_s} << u"--replace"_s;
    }
    void usageErrorNamesTheArgument()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, named);
        const QString before = runAdmin({u"stats"_s, m_store}).out;
        const AdminRun r = runAdmin(filled(args));
        QCOMPARE(r.status, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.startsWith(u"mervana-admin: "_s) && r.err.contains(named), qPrintable(r.err));
        QVERIFY2(r.err.contains(u"\nusage: mervana-admin %1 "_s.arg(args.first())), qPrintable(r.err));
        QVERIFY(!QFile::exists(pdf()));
        QCOMPARE(runAdmin({u"stats"_s, m_store}).out, before);
    }

    void unknownCommandSuggestsTheNearest_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("meant");
        QTest::newRow("a letter short") << u"stat"_s << u"stats"_s;
        QTest::newRow("letters swapped") << u"reprot"_s << u"report"_s;
        QTest::newRow("a letter wrong") << u"audit-verfy"_s << u"audit-verify"_s;
        QTest::newRow("a letter more") << u"clerks"_s << u"clerk"_s;
        QTest::newRow("after help") << u"help dearchiv"_s << u"dearchive"_s;
    }
    void unknownCommandSuggestsTheNearest()
    {
        QFETCH(QString, typed);
        QFETCH(QString, meant);
        const AdminRun r = runAdmin(typed.split(u' '));
        QCOMPARE(r.status, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.contains(u"unknown command: %1; did you mean %2?"_s.arg(typed.split(u' ').last(), meant)),
                 qPrintable(r.err));
    }

    void optionFormsAgree_data()
    {
        QTest::addColumn<QStringList>("joined");
        QTest::addColumn<QStringList>("apart");
        QTest::newRow("report") << QStringList{u"report"_s,      u"@"_s,       u"contracts"_s,
                                               u"current"_s,     u"--pdf=#"_s, u"--today=1.6.2026"_s,
                                               u"--shop=Sever"_s}
                                << QStringList{u"report"_s, u"@"_s,       u"contracts"_s, u"current"_s, u"--pdf"_s,
                                               u"#"_s,      u"--today"_s, u"1.6.2026"_s,  u"--shop"_s,  u"Sever"_s};
        QTest::newRow("audit") << QStringList{u"audit"_s, u"--from=1.1.2000"_s, u"@"_s}
                               << QStringList{u"audit"_s, u"--from"_s, u"1.1.2000"_s, u"@"_s};
        QTest::newRow("bad date") << QStringList{u"audit"_s, u"@"_s, u"--to=31.2.2026"_s}
                                  << QStringList{u"audit"_s, u"@"_s, u"--to"_s, u"31.2.2026"_s};
    }
    void optionFormsAgree()
    {
        QFETCH(QStringList, joined);
        QFETCH(QStringList, apart);
        const AdminRun first = runAdmin(filled(joined));
        const bool wrote = QFile::remove(pdf());
        const AdminRun second = runAdmin(filled(apart));
        QCOMPARE(first.status, second.status);
        // The second audit lists the first one's export row besides.
        QVERIFY2(second.out.startsWith(first.out), qPrintable(second.out));
        QCOMPARE(first.err, second.err);
        QCOMPARE(wrote, QFile::exists(pdf()));
        QVERIFY(!first.out.isEmpty() || first.status != 0);
    }

    // A shop's terminal may set no XDG_RUNTIME_DIR (su, cron, ssh) or one open to others, and no platform: nothing
    // but the command's own messages on standard error.
    void standardErrorStaysQuiet_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("openRuntime");
        for (const bool open : {false, true}) {
            const char* runtime = open ? "runtime folder 0755" : "no runtime folder";
            QTest::addRow("stats, %s", runtime) << QStringList{u"stats"_s, u"@"_s} << open;
            QTest::addRow("audit-verify, %s", runtime) << QStringList{u"audit-verify"_s, u"@"_s} << open;
            QTest::addRow("report, %s", runtime)
                << QStringList{u"report"_s, u"@"_s, u"persons"_s, u"--pdf"_s, u"#"_s} << open;
            QTest::addRow("audit --pdf, %s", runtime) << QStringList{u"audit"_s, u"@"_s, u"--pdf"_s, u"#"_s} << open;
        }
        QTest::newRow("help") << QStringList{u"help"_s, u"report"_s} << false;
    }
    void standardErrorStaysQuiet()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, openRuntime);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString& name : {u"XDG_RUNTIME_DIR"_s, u"QT_QPA_PLATFORM"_s, u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s})
            environment.remove(name);
        if (openRuntime) {
            const QString runtime = m_dir.filePath(u"runtime"_s);
            QVERIFY(QDir().mkpath(runtime));
            QVERIFY(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                       QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                                       QFile::ExeOther));
            environment.insert(u"XDG_RUNTIME_DIR"_s, runtime);
        }
        const AdminRun r = runAdmin(filled(args), {}, environment);
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QString());
        QVERIFY(!r.out.isEmpty());
    }

    // The completion script as bash runs it: the candidates offered for the words typed so far.
    void completion_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QStringList>("offered");
        QTest::newRow("command") << QStringList{u"re"_s}
                                 << QStringList{u"reindex"_s, u"report"_s, u"restore"_s, u"retention"_s};
        QTest::newRow("help command") << QStringList{u"help"_s, u"st"_s} << QStringList{u"stats"_s};
        QTest::newRow("report names") << QStringList{u"report"_s, u"/nowhere"_s, u""_s}
                                      << QStringList{u"audit"_s, u"contracts"_s, u"expired-for"_s, u"expiry"_s,
                                                     u"goods"_s, u"income"_s,    u"persons"_s,     u"profile"_s};
        QTest::newRow("report names after an option")
            << QStringList{u"report"_s, u"--today"_s, u"1.6.2026"_s, u"/nowhere"_s, u"ex"_s}
            << QStringList{u"expired-for"_s, u"expiry"_s};
        QTest::newRow("views") << QStringList{u"report"_s, u"/nowhere"_s, u"goods"_s, u""_s}
                               << QStringList{u"all"_s, u"current"_s, u"expired"_s, u"forsale"_s, u"sold"_s};
        QTest::newRow("options") << QStringList{u"audit"_s, u"/nowhere"_s, u"--c"_s}
                                 << QStringList{u"--clerk"_s, u"--contract"_s};
        QTest::newRow("option values") << QStringList{u"demo"_s, u"/nowhere"_s, u"--first"_s, u""_s}
                                       << QStringList{u"pledger"_s, u"undesirable"_s, u"without-contracts"_s};
        QTest::newRow("clerk") << QStringList{u"clerk"_s, u""_s}
                               << QStringList{u"add"_s, u"disable"_s, u"list"_s, u"password"_s};
        QTest::newRow("a date: nothing") << QStringList{u"archive"_s, u"/nowhere"_s, u"--from"_s, u""_s}
                                         << QStringList{};
    }
    void completion()
    {
        QFETCH(QStringList, words);
        QFETCH(QStringList, offered);
        QStringList quoted{u"mervana-admin"_s};
        for (const QString& w : words)
            quoted << u'\'' + w + u'\'';
        QProcess bash;
        bash.start(u"bash"_s, {u"-c"_s,
                               u"source \"$1\" && complete -p mervana-admin && COMP_WORDS=(%1) && "
                               u"COMP_CWORD=%2 && _mervana_admin && printf '%s\\n' \"${COMPREPLY[@]}\" | sort"_s
                                   .arg(quoted.join(u' '))
                                   .arg(words.size()),
                               u"bash"_s, QStringLiteral(MERVANA_COMPLETION)});
        QVERIFY(bash.waitForFinished(30000));
        QCOMPARE(bash.exitCode(), 0);
        QStringList lines = QString::fromUtf8(bash.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.takeFirst(), u"complete -F _mervana_admin mervana-admin"_s);
        QCOMPARE(lines, offered);
    }

    // The man page is written from the same texts, and groff reads it without a warning.
    void manPage()
    {
        QFile man(QStringLiteral(MERVANA_MAN));
        QVERIFY(man.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(man.readAll());
        for (const QString& command : Commands)
            QVERIFY2(page.contains(u"\n.SS "_s + QString(command).replace(u"-"_s, u"\\-"_s) + u'\n'),
                     qPrintable(command));
        QVERIFY(page.contains(u"mervana\\-admin report /tmp/shop/Data contracts expired \\-\\-pdf expired.pdf"_s));
        QProcess groff;
        groff.start(u"groff"_s,
                    {u"-man"_s, u"-Tutf8"_s, u"-K"_s, u"utf8"_s, u"-ww"_s, u"-z"_s, QStringLiteral(MERVANA_MAN)});
        if (!groff.waitForStarted()) QSKIP("groff is not on this machine");
        QVERIFY(groff.waitForFinished(30000));
        QCOMPARE(QString::fromUtf8(groff.readAllStandardError()), QString());
        QCOMPARE(groff.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestAdminCli)
#include "tst_admincli.moc"
