#include "ReportShop.h"
#include "store/Schema.h"
#include "store/Store.h"
#include "tools/DemoData.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <functional>
#include <memory>

using namespace Qt::Literals::StringLiterals;

// mervana-admin report: every list report written as PDF without a window and read back as text.
class TestAdminReport : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_data; // the store: a folder in m_dir, or a schema of its own on the server

    QString data() const { return m_data; }

    void freshStore()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_data = TestBackend::freshLocation(m_dir->filePath(u"Data"_s));
        Store::createEmpty(m_data);
    }
    QString pdf() const { return m_dir->filePath(u"out.pdf"_s); }

    struct Run
    {
        int status = -1;
        QString out;
        QString err;
    };

    Run admin(const QStringList& args)
    {
        QProcess p;
        p.start(QStringLiteral(MERVANA_ADMIN), args);
        Run r;
        if (!p.waitForFinished(120000)) return r;
        r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    static QString tool(const QString& name, const QStringList& args)
    {
        QProcess p;
        p.start(name, args);
        p.waitForFinished();
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    // Every stored value of every table but the marks of the views, in row order.
    QStringList storeWithoutMarks()
    {
        QStringList rows;
        Store store(data());
        for (const TableDef& def : Schema::tables()) {
            QStringList columns;
            for (const FieldDef& f : def.fields)
                if (f.name != u"WRK"_s) columns << f.name;
            Statement& q =
                store.statement(u"SELECT rowid, %1 FROM %2 ORDER BY rowid"_s.arg(columns.join(u", "_s), def.sqlName));
            while (q.step()) {
                QStringList values{def.sqlName};
                for (int i = 0; i <= columns.size(); ++i)
                    values << q.value(i).toString();
                rows << values.join(u'|');
            }
            q.reset();
        }
        return rows;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty()) QSKIP("pdftotext is not installed");
    }

    void init()
    {
        freshStore();
        Store store(data());
        fillReportShop(store);
    }

    void cleanup() { m_dir.reset(); }

    void writesEachReport_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");
        QTest::addColumn<QString>("row"); // one row in its columns, as a pattern
        const QString today = u"15.6.2026"_s;
        QTest::newRow("contracts all")
            << QStringList{u"contracts"_s, u"all"_s, u"--today"_s, today}
            << QStringList{u"Zmluvy"_s, u"všetky"_s, u"Podpísaná"_s, u"Dátum vrátenia"_s, u"Predĺž."_s,
                           u"1005"_s,   u"1001"_s,   u"Záložňa"_s,   u"Strana 1"_s}
            << QStringList{u"Strana 2"_s}
            << u"1002\\s+4\\.5\\.2026\\s+1\\.6\\.2026\\s+10\\s+4\\s+2500\\s+False\\s+False\\n"_s;
        QTest::newRow("contracts current, ISO date")
            << QStringList{u"contracts"_s, u"current"_s, u"--today"_s, u"2026-06-15"_s}
            << QStringList{u"aktuálne (pred expiráciou)"_s, u"1005"_s, u"1001"_s}
            << QStringList{u"1002"_s, u"1003"_s, u"1004"_s} << u"1001\\s+20\\.6\\.2026"_s;
        QTest::newRow("contracts expired, a later day")
            << QStringList{u"contracts"_s, u"expired"_s, u"--today"_s, u"25.6.2026"_s}
            << QStringList{u"po expirácii"_s, u"1002"_s, u"1001"_s} << QStringList{u"1005"_s, u"1003"_s}
            << u"1002\\s+4\\.5\\.2026"_s;
        QTest::newRow("persons, own shop name")
            << QStringList{u"persons"_s, u"--shop"_s, u"Záložňa Šaca"_s}
            << QStringList{u"Osoby"_s, u"Priezvisko"_s, u"Rodné číslo"_s, u"Nežiad."_s, u"Záložňa Šaca"_s}
            << QStringList() << u"Čech\\s+Ödön\\s+6001011234"_s;
        QTest::newRow("goods for sale") << QStringList{u"goods"_s, u"forsale"_s}
                                        << QStringList{u"Založené predmety"_s, u"na predaj"_s}
                                        << QStringList{u"Náramok"_s, u"Retiazka"_s}
                                        << u"1004\\s+Hodinky\\s+False\\s+True\\s+False"_s;
        QTest::newRow("expired contracts of one person")
            << QStringList{u"expired-for"_s, u"7001011234"_s, u"--today"_s, today}
            << QStringList{u"expirované na meno Novák Ján"_s, u"Posl. predĺženie"_s, u"Predmety založenia"_s}
            << QStringList{u"1001"_s} << u"1002\\s+4\\.5\\.2026\\s+1\\.6\\.2026\\s+10\\s+4\\s+2500\\s+Retiazka"_s;
        // The figures in the footer: money with " Sk", the paid sum with the shop's " SK".
        QTest::newRow("profile")
            << QStringList{u"profile"_s, u"7001011234"_s, u"--today"_s, today}
            << QStringList{u"Profil osoby"_s,         u"Priezvisko:"_s,        u"Novák"_s,
                           u"Rodné číslo:"_s,         u"Zal.suma"_s,           u"Predĺžené"_s,
                           u"Celkový počet zmlúv:"_s, u"Úroky z omeškania:"_s, u"Strana 1"_s}
            << QStringList{u"1003"_s, u"Strana 2"_s}
            << u"1002\\s+4\\.5\\.2026\\s+1\\.6\\.2026\\s+2500\\s+10\\s+4\\s+False\\s+False\\n[\\s\\S]*"
               u"Suma z aktuálnych:\\s+2500 Sk\\n[\\s\\S]*Suma zo zaplatených:\\s+0 SK\\n[\\s\\S]*"
               u"Celkový výnos na osobu:\\s+0 Sk"_s;
        QTest::newRow("expiry") << QStringList{u"expiry"_s, u"1.6.2026"_s}
                                << QStringList{u"Expirácia zmlúv"_s, u"na deň 1.6.2026"_s, u"Podpísaná dňa"_s,
                                               u"Založený predmet"_s, u"Retiazka"_s}
                                << QStringList{u"1003"_s, u"1004"_s, u"1001"_s}
                                << u"1002\\s+4\\.5\\.2026\\s+Novák\\s+Ján\\s+2500\\s+10\\n"_s;
        QTest::newRow("income") << QStringList{u"income"_s, u"1.5.2026"_s, u"2026-06-15"_s}
                                << QStringList{u"Príjmy a výdaje za obdobie:"_s, u"od 1.5.2026 do 15.6.2026"_s,
                                               u"Záložná suma"_s, u"Počet uzatvorených zmlúv:"_s,
                                               u"Počet predaných predmetov:"_s}
                                << QStringList{u"1001"_s}
                                << u"1002\\s+4\\.5\\.2026\\s+2500\\n[\\s\\S]*Výdaje\\s+Príjmy\\s+Rozdiel\\n\\s*"
                                   u"2500 Sk\\s+0 Sk\\s+-2500 Sk\\n"_s;
    }
    void writesEachReport()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        QFETCH(QString, row);
        const Run r = admin(QStringList{u"report"_s, data()} + args + QStringList{u"--pdf"_s, pdf()});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QCOMPARE(r.out.trimmed(), u"1"_s);
        const QString text = tool(u"pdftotext"_s, {u"-layout"_s, pdf(), u"-"_s});
        for (const QString& p : present)
            QVERIFY2(text.contains(p), qPrintable(p + u"\n"_s + text));
        for (const QString& a : absent)
            QVERIFY2(!text.contains(a), qPrintable(a + u"\n"_s + text));
        QVERIFY2(text.contains(QRegularExpression(row)), qPrintable(text));
    }

    void longListNumbersItsPages()
    {
        freshStore();
        {
            Store store(data());
            DemoData::fill(store, 1, QDate(2026, 12, 8));
        }
        const Run r = admin({u"report"_s, data(), u"contracts"_s, u"all"_s, u"--pdf"_s, pdf()});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        const int pages = r.out.trimmed().toInt();
        QVERIFY(pages > 2);
        QVERIFY(tool(u"pdfinfo"_s, {pdf()}).contains(QRegularExpression(u"Pages:\\s+%1\\n"_s.arg(pages))));
        const QString text = tool(u"pdftotext"_s, {u"-layout"_s, pdf(), u"-"_s});
        QCOMPARE(text.count(u"Dátum platby"_s), pages); // the heading on every page
        QVERIFY(text.contains(u"Strana 2"_s));
        QVERIFY(text.contains(u"Strana %1"_s.arg(pages)));
        // Highest contract number first, across the pages.
        const QRegularExpression number(u"^\\s*(\\d\\d/\\d{5})"_s, QRegularExpression::MultilineOption);
        QStringList numbers;
        for (auto it = number.globalMatch(text); it.hasNext();)
            numbers << it.next().captured(1);
        QCOMPARE(numbers.size(), 300);
        QStringList sorted = numbers;
        std::sort(sorted.begin(), sorted.end(), std::greater<>());
        QCOMPARE(numbers, sorted);
    }

    void personWithoutExpiredContractsGetsNoReport_data()
    {
        QTest::addColumn<QString>("report");
        QTest::addColumn<QString>("birthNumber");
        QTest::newRow("only a paid contract") << u"expired-for"_s << u"7551011234"_s;
        QTest::newRow("no contract") << u"expired-for"_s << u"6001011234"_s;
        QTest::newRow("no such person") << u"expired-for"_s << u"1111111111"_s;
        QTest::newRow("profile of no such person") << u"profile"_s << u"1111111111"_s;
    }
    void personWithoutExpiredContractsGetsNoReport()
    {
        QFETCH(QString, report);
        QFETCH(QString, birthNumber);
        const Run r =
            admin({u"report"_s, data(), report, birthNumber, u"--pdf"_s, pdf(), u"--today"_s, u"15.6.2026"_s});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out.trimmed(), u"0"_s);
        QVERIFY(!QFile::exists(pdf()));
    }

    void refusesWhatDoesNotFit_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown report") << QStringList{u"invoices"_s} << u"unknown report: invoices"_s;
        QTest::newRow("unknown view") << QStringList{u"contracts"_s, u"sold"_s} << u"contracts takes one of"_s;
        QTest::newRow("bad date") << QStringList{u"contracts"_s, u"current"_s, u"--today"_s, u"31.2.2026"_s}
                                  << u"not a valid date: 31.2.2026"_s;
        QTest::newRow("missing store") << QStringList{u"persons"_s, u"--missing"_s} << u"no store in"_s;
        QTest::newRow("income, one date") << QStringList{u"income"_s, u"1.6.2026"_s} << u"income takes two dates"_s;
        QTest::newRow("expiry, bad date")
            << QStringList{u"expiry"_s, u"31.2.2026"_s} << u"not a valid date: 31.2.2026"_s;
    }
    void refusesWhatDoesNotFit()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QString dir = data();
        if (args.removeAll(u"--missing"_s)) dir = m_dir->filePath(u"Nowhere"_s);
        const Run r = admin(QStringList{u"report"_s, dir} + args + QStringList{u"--pdf"_s, pdf()});
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
        QVERIFY(!QFile::exists(pdf()));
    }

    void changesNothingButTheMarks()
    {
        const QStringList before = storeWithoutMarks();
        for (const QStringList& args :
             {QStringList{u"contracts"_s, u"current"_s}, QStringList{u"goods"_s, u"expired"_s},
              QStringList{u"expired-for"_s, u"7001011234"_s}, QStringList{u"persons"_s}}) {
            const Run r = admin(QStringList{u"report"_s, data()} + args +
                                QStringList{u"--pdf"_s, pdf(), u"--today"_s, u"15.6.2026"_s});
            QCOMPARE(r.status, 0);
        }
        QCOMPARE(storeWithoutMarks(), before);
        // The goods of the one expired contract stay marked in a store file; on a server the marks were the
        // report's session's, gone with it.
        Store store(data());
        QCOMPARE(store.scalar(u"SELECT COUNT(*) FROM Inventar WHERE WRK = 1"_s).toInt(),
                 TestBackend::onServer() ? 0 : 1);
    }
};

QTEST_MAIN(TestAdminReport)
#include "tst_adminreport.moc"
