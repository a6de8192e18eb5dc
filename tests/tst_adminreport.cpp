#include "ReportShop.h"
#include "store/Store.h"
#include "store/engine/Schema.h"
#include "store/trail/Trail.h"
#include "support/Pdf.h"
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
        // A change long ago, by another counter: the trail's rows of the fill carry today's moments.
        insertTrailRow(store, u"2020-06-10 10:00:00"_s, u"1002"_s);
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
        QTest::newRow("audit") << QStringList{u"audit"_s, u"1.6.2020"_s, u"2020-06-30"_s}
                               << QStringList{u"Zmeny záznamov"_s, u"od 1.6.2020 do 30.6.2020"_s, u"Dátum a čas"_s,
                                              u"Pracovisko"_s,     u"Pôvodná hodnota"_s,          u"Nová hodnota"_s,
                                              u"Strana 1"_s}
                               << QStringList{u"nový"_s, u"Novák"_s}
                               << u"10\\.6\\.2020 10:00:00\\s+Eva\\s+pult2/eva\\s+zmena\\s+Zmluvy\\s+1002\\s+AMOUNT\\s+"
                                  u"100\\s+200\\n"_s;
    }
    void writesEachReport()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        QFETCH(QString, row);
        const Run r = admin(QStringList{u"report"_s, data()} + args + QStringList{u"--pdf"_s, pdf()});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QCOMPARE(r.out.trimmed(), u"1 page written to "_s + pdf());
        const QString text = Pdf::text(pdf());
        for (const QString& p : present)
            QVERIFY2(text.contains(p), qPrintable(p + u"\n"_s + text));
        for (const QString& a : absent)
            QVERIFY2(!text.contains(a), qPrintable(a + u"\n"_s + text));
        QVERIFY2(text.contains(QRegularExpression(row)), qPrintable(text));
    }

    // mervana-admin audit --pdf: the rows the options choose as the report "Zmeny záznamov", its heading naming them;
    // personal values readable while the person's key lasts.
    void auditWritesTheReport_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("shred"); // Ján Novák's key deleted first
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");
        const QString novak = u"7001011234"_s;
        QTest::newRow("period") << QStringList{u"--from"_s, u"1.6.2020"_s, u"--to"_s, u"2020-06-30"_s} << false
                                << u"od 1.6.2020 do 30.6.2020"_s << QStringList{u"10.6.2020 10:00:00"_s}
                                << QStringList{u"nový"_s};
        QTest::newRow("contract") << QStringList{u"--contract"_s, u"1002"_s} << false << u"všetky zmeny, zmluva 1002"_s
                                  << QStringList{u"zmena"_s, u"nový"_s, u"AGRDATE"_s, u"4.5.2026"_s, novak}
                                  << QStringList{u"1001"_s, u"Osoby"_s};
        QTest::newRow("person") << QStringList{u"--person"_s, novak} << false
                                << u"všetky zmeny, rodné číslo 7001011234"_s
                                << QStringList{u"Novák"_s, u"Ján"_s, u"1001"_s, u"1002"_s}
                                << QStringList{u"Malá"_s, u"1003"_s, u"10.6.2020"_s};
        QTest::newRow("clerk and period")
            << QStringList{u"--clerk"_s, u"Eva"_s, u"--to"_s, u"31.12.2020"_s} << false
            << u"do 31.12.2020, pokladník Eva"_s << QStringList{u"pult2/eva"_s} << QStringList{u"nový"_s};
        QTest::newRow("shredded key") << QStringList() << true << u"všetky zmeny"_s
                                      << QStringList{u"(vymazané)"_s, u"Malá"_s, u"Ödön"_s, u"1001"_s}
                                      << QStringList{u"Novák"_s, u"Ján"_s, novak};
    }
    void auditWritesTheReport()
    {
        QFETCH(QStringList, options);
        QFETCH(bool, shred);
        QFETCH(QString, heading);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        if (shred) {
            Store store(data());
            QVERIFY(Trail::deleteKey(store, u"7001011234"_s));
        }
        const Run r = admin(QStringList{u"audit"_s, data()} + options + QStringList{u"--pdf"_s, pdf()});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        const int pages = r.out.trimmed().toInt();
        QVERIFY2(pages >= 1, qPrintable(r.out));
        const QString text = Pdf::text(pdf());
        QCOMPARE(text.count(u"Pôvodná hodnota"_s), pages); // the count printed is the file's
        QVERIFY2(text.contains(QRegularExpression(u"Strana 1\\s+"_s + QRegularExpression::escape(heading) + u"\\n"_s)),
                 qPrintable(text));
        QVERIFY2(text.contains(u"Zmeny záznamov"_s), qPrintable(text));
        for (const QString& p : present)
            QVERIFY2(text.contains(p), qPrintable(p + u"\n"_s + text));
        for (const QString& a : absent)
            QVERIFY2(!text.contains(a), qPrintable(a + u"\n"_s + text));
        // The page lies on its side.
        QVERIFY(tool(u"pdfinfo"_s, {pdf()})
                    .contains(QRegularExpression(u"Page size:\\s+84[12](\\.\\d+)? x 59[45](\\.\\d+)? pts"_s)));
    }

    // A long trail: the heading on every page, the rows in the order they were written across the pages.
    void auditOverSeveralPages()
    {
        {
            Store store(data());
            for (int i = 0; i < 90; ++i)
                insertTrailRow(store,
                               u"2021-01-01 10:%1:%2"_s.arg(i / 60, 2, 10, QChar(u'0')).arg(i % 60, 2, 10, QChar(u'0')),
                               u"K%1"_s.arg(i, 3, 10, QChar(u'0')));
        }
        const Run r =
            admin({u"audit"_s, data(), u"--from"_s, u"1.1.2021"_s, u"--to"_s, u"1.1.2021"_s, u"--pdf"_s, pdf()});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        const int pages = r.out.trimmed().toInt();
        QVERIFY(pages >= 3);
        const QString text = Pdf::text(pdf());
        QCOMPARE(text.count(u"Pôvodná hodnota"_s), pages);
        QVERIFY(text.contains(u"Strana %1"_s.arg(pages)));
        const QRegularExpression key(u"\\b(K\\d{3})\\b"_s);
        QStringList keys;
        for (auto it = key.globalMatch(text); it.hasNext();)
            keys << it.next().captured(1);
        QStringList expected;
        for (int i = 0; i < 90; ++i)
            expected << u"K%1"_s.arg(i, 3, 10, QChar(u'0'));
        QCOMPARE(keys, expected);
    }

    void auditRefusesWhatDoesNotFit_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("no file") << QStringList{u"--pdf"_s} << u"--pdf needs a file"_s;
        QTest::newRow("bad date") << QStringList{u"--from"_s, u"31.2.2026"_s, u"--pdf"_s, u"@"_s}
                                  << u"not a valid date: 31.2.2026"_s;
        QTest::newRow("missing store") << QStringList{u"--missing"_s, u"--pdf"_s, u"@"_s} << u"no store in"_s;
    }
    void auditRefusesWhatDoesNotFit()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QString dir = data();
        if (args.removeAll(u"--missing"_s)) dir = m_dir->filePath(u"Nowhere"_s);
        args.replaceInStrings(u"@"_s, pdf());
        const Run r = admin(QStringList{u"audit"_s, dir} + args);
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
        QVERIFY(!QFile::exists(pdf()));
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
        const int pages = r.out.section(u' ', 0, 0).toInt();
        QVERIFY(pages > 2);
        QCOMPARE(r.out.trimmed(), u"%1 pages written to %2"_s.arg(pages).arg(pdf()));
        QVERIFY(tool(u"pdfinfo"_s, {pdf()}).contains(QRegularExpression(u"Pages:\\s+%1\\n"_s.arg(pages))));
        const QString text = Pdf::text(pdf());
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
        QCOMPARE(r.out.trimmed(), u"0 pages: nothing to print, %1 not written"_s.arg(pdf()));
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
        QTest::newRow("audit, one date") << QStringList{u"audit"_s, u"1.6.2026"_s} << u"audit takes two dates"_s;
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
