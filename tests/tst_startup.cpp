#include "FreshProgram.h"
#include "store/Table.h"
#include "tools/DemoData.h"
#include "windows/register/Osoby.h"
#include "windows/register/Zmluvy.h"

#include <QComboBox>
#include <QProcess>
#include <QSqlQuery>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList States{u"open"_s, u"paid"_s, u"paid-forfeited"_s, u"extended"_s, u"forfeited-sold"_s};
const QStringList FirstPersons{u"pledger"_s, u"undesirable"_s, u"without-contracts"_s};

void addVariants()
{
    QTest::addColumn<int>("newest");
    QTest::addColumn<int>("first");
    for (int n = 0; n < States.size(); ++n)
        for (int p = 0; p < FirstPersons.size(); ++p)
            QTest::addRow("newest %s, first %s", qPrintable(States.at(n)), qPrintable(FirstPersons.at(p))) << n << p;
}

QString newestNumber(Store& store)
{
    return store.scalar(u"SELECT NUMBER FROM Zmluvy ORDER BY NUMBER DESC LIMIT 1"_s).toString();
}

} // namespace

// The program must start whatever the windows show first: the newest contract in any state, the
// first person with or without contracts.
class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void inProcess_data() { addVariants(); }
    void inProcess()
    {
        QFETCH(int, newest);
        QFETCH(int, first);
        const QDate today(2026, 12, 8);
        for (int run = 0; run < 4; ++run) {
            QString number;
            FreshProgram program;
            TForm1* main = program.start(today, [&](Store& store) {
                DemoData::fill(store, 1, today,
                               DemoData::Variant{DemoData::Newest(newest), DemoData::FirstPerson(first)});
                number = newestNumber(store);
            });
            QVERIFY(main);
            QTest::qWait(20); // whatever start-up left pending runs now
            // The contracts window shows its first row, the newest contract, with its net income.
            QCOMPARE(main->form2()->Edit1->text(), number);
            QVERIFY(main->form2()->ComboBox1->count() >= 1);
            QCOMPARE(main->form3()->Table1->field(u"LASTNAME"_s).asString(), u"Adamcová"_s);
        }
    }

    // A store whose trail was dropped behind the register's back does not open, and the clerk is told what is
    // missing and who may begin a new one.
    void refusedWithoutItsTrail()
    {
        FreshProgram program;
        TForm1* main = program.start(QDate(2026, 12, 8), [](Store& store) {
            DemoData::fill(store, 1, QDate(2026, 12, 8));
            store.exec(u"DROP TABLE Zmeny"_s);
        });
        QVERIFY(!main);
        const QList<Messages::Shown> shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().text.contains(u"tabuľka Zmeny"_s) && shown.first().text.contains(u"audit-restart"_s),
                 qPrintable(shown.first().text));
    }

    // The program itself, as the clerk starts it: it must still be running after start-up.
    void realProgram_data()
    {
        QTest::addColumn<int>("newest");
        for (int n = 0; n < States.size(); ++n)
            QTest::addRow("%s", qPrintable(States.at(n))) << n;
    }
    void realProgram()
    {
        QFETCH(int, newest);
        QTemporaryDir home;
        QVERIFY(home.isValid());
        QString data = home.filePath(u"Data"_s);
        // On the test server the program finds its store there, as the engine configuration names it.
        QString definition = u"[Mervana]\nPATH=%1\nTYPE=SQLITE\n"_s.arg(data);
        if (TestBackend::onServer()) {
            const TestBackend::ServerParts server = TestBackend::serverParts();
            const QString schema = TestBackend::freshSchema();
            data = EngineConfig::serverLocation(server.host, server.port, server.database, server.user, schema);
            definition = u"[Mervana]\nTYPE=POSTGRESQL\nHOST=%1\nPORT=%2\nDATABASE=%3\nUSER=%4\nSCHEMA=%5\n"_s.arg(
                server.host, server.port, server.database, server.user, schema);
        }
        Store::createEmpty(data);
        {
            Store store(data);
            DemoData::fill(store, 1, QDate::currentDate(), DemoData::Variant{DemoData::Newest(newest), {}});
        }
        QDir().mkpath(home.filePath(u".config/mervana"_s));
        QFile ini(home.filePath(u".config/mervana/engine.ini"_s));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(definition.toUtf8());
        ini.close();

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_s, home.path());
        env.insert(u"XDG_CONFIG_HOME"_s, home.filePath(u".config"_s));
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        for (int run = 0; run < 3; ++run) {
            QProcess program;
            program.setProcessEnvironment(env);
            program.setWorkingDirectory(home.path());
            program.start(QStringLiteral(MERVANA_PROGRAM), {});
            QVERIFY(program.waitForStarted());
            // Start-up is over well within this; a crash ends the process before it.
            QVERIFY2(!program.waitForFinished(2500),
                     qPrintable(u"ended with %1: %2"_s.arg(program.exitCode())
                                    .arg(QString::fromUtf8(program.readAllStandardError()))));
            program.kill();
            program.waitForFinished();
        }
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
