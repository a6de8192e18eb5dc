#include "ReportShop.h"
#include "RunAdmin.h"
#include "StoreDump.h"
#include "core/ContractRules.h"
#include "core/ErrorText.h"
#include "core/EuroConversion.h"
#include "core/IncomeExpense.h"
#include "core/Money.h"
#include "core/Statistics.h"
#include "store/engine/Errors.h"
#include "store/trail/Trail.h"
#include "support/Pdf.h"
#include "tools/DemoData.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <cmath>
#include <memory>

using namespace Qt::Literals::StringLiterals;

// A store that counts in euros: its currency kept and carried, typed amounts, the reports and the DBF files; a crown
// store converted once by mervana-admin convert-euro, whole or not at all.
class TestEuro : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_data;

    void freshStore(Currency currency)
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_data = TestBackend::freshLocation(m_dir->filePath(u"Data"_s));
        Store::createEmpty(m_data, Store::Genesis::Written, {}, currency);
    }

    // Every money value of every record, live and archived, by table, row id and field; an empty one as NaN.
    using Values = QMap<QString, std::optional<double>>;
    static Values moneyValues(Store& store)
    {
        Values values;
        for (const auto& [table, fields] : EuroConversion::moneyFields()) {
            QStringList quoted;
            for (const QString& f : fields)
                quoted << u'"' + f + u'"';
            Statement& q = store.statement(u"SELECT rowid, %1 FROM %2"_s.arg(
                quoted.join(u", "_s), store.connection().sharedTable(store.table(table))));
            while (q.step())
                for (int i = 0; i < fields.size(); ++i)
                    values.insert(u"%1/%2/%3"_s.arg(table).arg(q.value(0).toLongLong()).arg(fields.at(i)),
                                  q.value(i + 1).isValid() ? std::optional(q.value(i + 1).toDouble()) : std::nullopt);
            q.reset();
        }
        return values;
    }

    // A demo store of crowns with part of it archived.
    void crownDemo(int scale)
    {
        freshStore(Currency::Skk);
        {
            Store store(m_data);
            DemoData::fill(store, scale, CrashToday);
        }
        const AdminRun r = runAdmin({u"archive"_s, m_data, u"--from"_s, u"1.1.2000"_s, u"--to"_s, u"31.12.2025"_s});
        QVERIFY2(r.status == 0, qPrintable(r.err));
    }

    // The store holds the crowns of before converted, each value alone, and counts in euros.
    static void verifyConverted(Store& store, const Values& before)
    {
        QCOMPARE(store.readCurrency(), Currency::Eur);
        const Values after = moneyValues(store);
        QCOMPARE(after.keys(), before.keys());
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            const std::optional<double> euros = after.value(it.key());
            QVERIFY2(euros.has_value() == it.value().has_value(), qPrintable(it.key()));
            if (!euros) continue;
            QVERIFY2(std::abs(*euros - **it / 30.126) <= 0.005 + 1e-9, qPrintable(it.key()));
            const Money expected = Money::fromStored(**it, Currency::Eur).crownsToEuro();
            QCOMPARE(Money::fromStored(*euros, Currency::Eur), expected);
        }
    }

    // Makes the engine refuse to update the archived goods, the last table the conversion writes.
    static void refuseArchivedGoods(Store& store)
    {
        if (!store.isServer())
            return store.exec(u"CREATE TRIGGER refuse BEFORE UPDATE ON Xinvent BEGIN SELECT RAISE(ABORT, 'disk I/O "
                              u"error'); END"_s);
        store.exec(u"CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS 'BEGIN RAISE EXCEPTION ''disk I/O "
                   u"error''; END'"_s);
        store.exec(u"CREATE TRIGGER refuse BEFORE UPDATE ON %1 FOR EACH ROW EXECUTE FUNCTION refuse()"_s.arg(
            store.connection().sharedTable(store.table(u"Xinvent"_s))));
    }

    QString pdfText(const QStringList& reportArgs)
    {
        const QString pdf = m_dir->filePath(u"out.pdf"_s);
        const AdminRun r = runAdmin(QStringList{u"report"_s, m_data} + reportArgs + QStringList{u"--pdf"_s, pdf});
        if (r.status != 0) return u"failed: "_s + r.err;
        return Pdf::text(pdf);
    }

    static inline const QDate CrashToday{2026, 12, 7};

private Q_SLOTS:
    void cleanup() { m_dir.reset(); }

    // The currency is the store's: init records it, copy and backup carry it, a store without it counts crowns.
    void currencyTravels()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        const QString euro = TestBackend::freshLocation(m_dir->filePath(u"Euro"_s));
        const QString crown = TestBackend::freshLocation(m_dir->filePath(u"Crown"_s));
        QCOMPARE(runAdmin({u"init"_s, euro, u"--currency"_s, u"EUR"_s}).status, 0);
        QCOMPARE(runAdmin({u"init"_s, crown}).status, 0);
        QCOMPARE(runAdmin({u"init"_s, m_dir->filePath(u"X"_s), u"--currency"_s, u"CZK"_s}).status, 2);
        QCOMPARE(Store(crown).currency(), Currency::Skk);
        QCOMPARE(Store(euro).currency(), Currency::Eur);
        const QString copied = TestBackend::freshLocation(m_dir->filePath(u"Copy"_s));
        const AdminRun copy = runAdmin({u"copy"_s, euro, copied});
        QVERIFY2(copy.status == 0, qPrintable(copy.err));
        QCOMPARE(Store(copied).currency(), Currency::Eur);
        QCOMPARE(runAdmin({u"backup"_s, euro, m_dir->filePath(u"Backups"_s)}).status, 0);
        const QStringList backups = QDir(m_dir->filePath(u"Backups"_s)).entryList({u"*.db"_s});
        QCOMPARE(backups.size(), 1);
        QCOMPARE(Store(m_dir->filePath(u"Backups/"_s + backups.first())).currency(), Currency::Eur);
    }

    void entry_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown"); // empty: refused, nothing written

        QTest::newRow("amount with cents") << u"AMOUNT"_s << u"1500,3"_s << u"1500,30"_s;
        QTest::newRow("whole amount") << u"AMOUNT"_s << u"999999"_s << u"999999,00"_s;
        QTest::newRow("paid sum, the proposed total") << u"PAID_SUM"_s << u"1989999,98"_s << u"1989999,98"_s;
        QTest::newRow("three decimals") << u"AMOUNT"_s << u"12,345"_s << QString();
        QTest::newRow("seven digits") << u"AMOUNT"_s << u"1000000"_s << QString();
        QTest::newRow("a point") << u"PAID_SUM"_s << u"12.50"_s << QString();
        QTest::newRow("a letter") << u"AMOUNT"_s << u"12a"_s << QString();
        QTest::newRow("percent stays whole numbers") << u"PERCENT"_s << u"12"_s << u"12"_s;
    }
    void entry()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        freshStore(Currency::Eur);
        Store store(m_data);
        Table t(store, u"Zmluvy.DBF"_s);
        t.open();
        t.setIndexName(u"NUMBER"_s);
        t.append();
        t.field(u"NUMBER"_s).setAsString(u"26/00001"_s);
        try {
            t.field(field).setAsTyped(typed);
            QVERIFY2(!shown.isEmpty(), "taken");
            t.post();
            QVERIFY(t.findKey(u"26/00001"_s));
            QCOMPARE(t.field(field).asString(), shown);
        } catch (const AmountRefused& e) {
            QVERIFY2(shown.isEmpty(), qPrintable(e.text()));
            // What the clerk reads is Slovak, naming the box typed into.
            const QString text = errorText(e);
            QVERIFY2(text.contains(field == u"AMOUNT"_s ? u"Založená suma"_s : u"Zaplat. suma"_s), qPrintable(text));
            QVERIFY(text.contains(u"„%1“ nie je suma v eurách"_s.arg(typed.trimmed())));
        }
    }

    // A crown demo store converted: each value alone, the figures consistent, the work table empty, one trail row,
    // a backup beside it, and a second run refused.
    void convertsOnce()
    {
        crownDemo(1);
        Values before;
        Money circulationBefore, circulationExpected;
        {
            Store store(m_data);
            before = moneyValues(store);
            Shop shop(m_data);
            circulationBefore = Statistics::circulation(*shop.Table1);
            Table& t = *shop.Table1;
            for (t.first(); !t.eof(); t.next())
                if (!t.field(u"PAID"_s).asBoolean() && !t.field(u"PADAK"_s).asBoolean())
                    circulationExpected +=
                        Money::fromStored(t.field(u"AMOUNT"_s).asFloat(), Currency::Skk).crownsToEuro();
            Table work(shop.store(), u"Prijvyd.dbf"_s);
            work.open();
            IncomeExpense::fill(work, *shop.Table1, *shop.Table3, *shop.Table4, QDate(2020, 1, 1), CrashToday);
        }
        const AdminRun r = runAdmin({u"convert-euro"_s, m_data});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(u"Zmluvy.AMOUNT: "_s), qPrintable(r.out));
        Store store(m_data);
        verifyConverted(store, before);
        QCOMPARE(store.scalar(u"SELECT COUNT(*) FROM "_s + store.connection().sharedTable(store.table(u"Prijvyd"_s)))
                     .toLongLong(),
                 0);
        // Money in circulation is the sum of the contracts converted each alone, not the crown sum converted.
        Shop shop(m_data);
        const Money after = Statistics::circulation(*shop.Table1);
        QCOMPARE(after, circulationExpected);
        QVERIFY(std::abs(double((after - circulationBefore.crownsToEuro()).cents())) <=
                0.5 * double(shop.Table1->recordCount()));
        const QList<Trail::Row> rows = Trail::read(store, {});
        QCOMPARE(rows.last().action, u"convert-euro"_s);
        // The row's sums per field, before and after: here the archived amounts.
        Money crowns, euros;
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            if (it.key().startsWith(u"Xzmluvy/"_s) && it.key().endsWith(u"/AMOUNT"_s)) {
                crowns += Money::fromStored(it.value().value_or(0), Currency::Skk);
                euros += Money::fromStored(it.value().value_or(0), Currency::Skk).crownsToEuro();
            }
        QVERIFY(crowns > Money());
        const QJsonObject sum = rows.last().detail.value(u"sums"_s).toObject().value(u"Xzmluvy.AMOUNT"_s).toObject();
        QCOMPARE(sum.value(u"before"_s).toString(), crowns.withUnit(Currency::Skk));
        QCOMPARE(sum.value(u"after"_s).toString(), euros.withUnit(Currency::Eur));
        if (!store.isServer()) {
            const QStringList backups = QDir(m_data).entryList({u"mervana-*.db"_s});
            QCOMPARE(backups.size(), 1);
            QCOMPARE(Store(QDir(m_data).filePath(backups.first())).currency(), Currency::Skk);
        }
        const AdminRun again = runAdmin({u"convert-euro"_s, m_data});
        QCOMPARE(again.status, 1);
        QVERIFY2(again.err.contains(u"euros already"_s), qPrintable(again.err));
        verifyConverted(store, before);
    }

    // A conversion that fails halfway, or is killed at any moment, leaves the crown store as it was; once it has
    // committed, the store is wholly converted.
    void failureLeavesCrowns()
    {
        crownDemo(3);
        Values before;
        {
            Store store(m_data);
            before = moneyValues(store);
            refuseArchivedGoods(store);
        }
        const AdminRun refused = runAdmin({u"convert-euro"_s, m_data});
        QCOMPARE(refused.status, 1);
        {
            Store store(m_data);
            QCOMPARE(store.readCurrency(), Currency::Skk);
            QCOMPARE(moneyValues(store), before);
            TestBackend::allow(store);
        }
        QRandomGenerator rng(QRandomGenerator::global()->generate());
        bool converted = false;
        for (int kill = 0; kill < 12 && !converted; ++kill) {
            QProcess p;
            p.start(QStringLiteral(MERVANA_ADMIN), {u"convert-euro"_s, TestBackend::childLocation(m_data)});
            QVERIFY(p.waitForStarted());
            QThread::msleep(rng.bounded(40u + 60u * quint32(kill)));
            p.kill();
            p.waitForFinished();
            Store store(m_data);
            QVERIFY(TestBackend::childGone(store));
            converted = store.readCurrency() == Currency::Eur;
            if (converted)
                verifyConverted(store, before);
            else
                QCOMPARE(moneyValues(store), before);
        }
        if (!converted) {
            QCOMPARE(runAdmin({u"convert-euro"_s, m_data}).status, 0);
            Store store(m_data);
            verifyConverted(store, before);
        }
    }

    // The demo set of a euro store: a shop's euros with cents, its rules' figures.
    void euroDemo()
    {
        freshStore(Currency::Eur);
        Store store(m_data);
        DemoData::fill(store, 1, CrashToday);
        Table t(store, u"Zmluvy.DBF"_s);
        t.open();
        Money largest;
        int withCents = 0;
        for (t.first(); !t.eof(); t.next()) {
            const Money amount = Money::fromStored(t.field(u"AMOUNT"_s).asFloat(), Currency::Eur);
            largest = std::max(largest, amount);
            withCents += amount.cents() % 100 != 0;
            if (t.field(u"PAID"_s).asBoolean())
                QCOMPARE(t.field(u"PAID_SUM"_s).asString(),
                         ContractRules::TotalToRepayText(t.field(u"AMOUNT"_s).asString(),
                                                         t.field(u"PERCENT"_s).asString(), Currency::Eur)
                             .value());
        }
        QVERIFY(withCents > 0);
        QVERIFY2(largest > Money::fromWhole(300) && largest < Money::fromWhole(10000),
                 qPrintable(largest.text(Currency::Eur)));
        Table goods(store, u"Inventar.DBF"_s);
        goods.open();
        for (goods.first(); !goods.eof(); goods.next())
            QVERIFY(goods.field(u"SUMA2"_s).asString().endsWith(u",90"_s));
    }

    void reports_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("row"); // a pattern
        const QString today = u"15.6.2026"_s;
        QTest::newRow("contracts") << QStringList{u"contracts"_s, u"all"_s, u"--today"_s, today}
                                   << u"1002\\s+4\\.5\\.2026\\s+1\\.6\\.2026\\s+10\\s+4\\s+2500,00\\s"_s;
        QTest::newRow("expired of one person")
            << QStringList{u"expired-for"_s, u"7001011234"_s, u"--today"_s, today} << u"1002\\s+.*2500,00\\s"_s;
        QTest::newRow("expiry") << QStringList{u"expiry"_s, u"1.6.2026"_s} << u"1002\\s+.*2500,00\\s+10\\n"_s;
        QTest::newRow("profile") << QStringList{u"profile"_s, u"7001011234"_s, u"--today"_s, today}
                                 << u"Suma z aktuálnych:\\s+2500,00 €\\n[\\s\\S]*Suma zo zaplatených:\\s+0,00 €\\n"_s;
        QTest::newRow("income") << QStringList{u"income"_s, u"1.5.2026"_s, u"2026-06-15"_s}
                                << u"1002\\s+4\\.5\\.2026\\s+2500,00\\n[\\s\\S]*2500,00 €\\s+0,00 €\\s+-2500,00 €\\n"_s;
        QTest::newRow("goods") << QStringList{u"goods"_s, u"all"_s} << u"1004\\s+Hodinky"_s;
    }
    void reports()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, row);
        if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty()) QSKIP("pdftotext is not installed");
        freshStore(Currency::Eur);
        {
            Store store(m_data);
            fillReportShop(store);
        }
        const QString text = pdfText(args);
        QVERIFY2(text.contains(QRegularExpression(row)), qPrintable(text));
        QVERIFY2(!text.contains(QRegularExpression(u"\\bS[kK]\\b"_s)), qPrintable(text));
    }

    // A person's data shows a euro store's amounts with their cents, as the reports do.
    void personData()
    {
        freshStore(Currency::Eur);
        {
            Store store(m_data);
            fillReportShop(store);
        }
        const AdminRun run = runAdmin({u"person-data"_s, m_data, u"7001011234"_s});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains(u"2500,00"_s), qPrintable(run.out));
    }

    // The money fields of a euro store's DBF files carry two decimals.
    void dbfExport()
    {
        freshStore(Currency::Eur);
        {
            Store store(m_data);
            Records::write(store, u"Zmluvy.DBF"_s, {{u"NUMBER"_s, u"26/00001"_s}, {u"AMOUNT"_s, u"1500,3"_s}});
        }
        const QString out = m_dir->filePath(u"dbf"_s);
        QCOMPARE(runAdmin({u"export-dbf"_s, m_data, out}).status, 0);
        QFile file(QDir(out).filePath(u"Zmluvy.DBF"_s));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        int decimals = -1;
        for (int at = 32; at + 32 <= bytes.size() && bytes.at(at) != '\r'; at += 32)
            if (bytes.mid(at, 11).startsWith("AMOUNT\0")) decimals = bytes.at(at + 17);
        QCOMPARE(decimals, 2);
        QVERIFY(bytes.contains("1500.30"));
    }
};

QTEST_MAIN(TestEuro)
#include "tst_euro.moc"
