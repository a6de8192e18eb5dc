#include "RunAdmin.h"
#include "TestBackend.h"
#include "core/ArchiveMove.h"
#include "core/Shop.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/admin/Backup.h"
#include "store/admin/StoreCopy.h"
#include "store/dbf/DbfTransfer.h"
#include "store/engine/Errors.h"
#include "store/trail/Trail.h"
#include "tools/DemoData.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QDate Day(2026, 3, 15);
const QString Pledger = u"7001011234"_s;

QString native(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

} // namespace

// The long moves leave one row each in the trail with their period and counts, never a row per record; copies,
// backups and restores carry the trail so that its chain verifies where it lands; mervana-admin reads it.
class TestTrailMoves : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_location; // a demo store of one shop

    QString fresh(const QString& name)
    {
        const QString location = TestBackend::freshLocation(m_tmp->filePath(name));
        Store::createEmpty(location);
        return location;
    }

    static QList<Trail::Row> rows(const QString& location, const Trail::Query& query = {})
    {
        Store store(location);
        return Trail::read(store, query);
    }

    static QString verdict(const QString& location)
    {
        Store store(location);
        const Trail::Verdict v = Trail::verify(store);
        return v.ok() ? u"intact: %1"_s.arg(v.intact) : u"SEQ %1: %2"_s.arg(v.badSeq).arg(v.why);
    }

    static qint64 count(const QJsonObject& detail, const QString& table)
    {
        return detail.value(u"counts"_s).toObject().value(table).toInteger(-1);
    }

    // A person and a change of one of their contracts, written through table instances: rows of their own.
    static void writeByHand(const QString& location, const QString& birthNumber, const QString& lastName)
    {
        Store store(location);
        Table persons(store, u"Osoby.DBF"_s), contracts(store, u"Zmluvy.DBF"_s);
        persons.open();
        persons.append();
        persons.field(u"BIRTHNUM"_s).setAsString(birthNumber);
        persons.field(u"LASTNAME"_s).setAsString(lastName);
        persons.post();
        contracts.open();
        contracts.first();
        contracts.edit();
        contracts.field(u"BIRTHNUM"_s).setAsString(birthNumber);
        contracts.post();
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        m_location = fresh(u"Data"_s);
        Store store(m_location);
        DemoData::fill(store, 1, Day);
    }

    void cleanup() { m_tmp.reset(); }

    // One row for the whole move, in its transaction, whatever it moved.
    void longMovesWriteOneRow_data()
    {
        QTest::addColumn<QString>("move");
        QTest::addColumn<QString>("action");
        QTest::newRow("demo fill") << u"demo"_s << u"import"_s;
        QTest::newRow("archive out") << u"archive out"_s << u"archive-out"_s;
        QTest::newRow("archive back") << u"archive back"_s << u"archive-back"_s;
        QTest::newRow("export of the tables") << u"export"_s << u"personal-data-exported"_s;
        QTest::newRow("import of the tables") << u"import"_s << u"import"_s;
        QTest::newRow("import replacing the records") << u"import replacing"_s << u"import"_s;
        QTest::newRow("backup") << u"backup"_s << u"personal-data-exported"_s;
    }
    void longMovesWriteOneRow()
    {
        QFETCH(QString, move);
        QFETCH(QString, action);
        const DemoData::Counts demo = DemoData::countsFor(1);
        QString location = m_location;
        QList<std::pair<QString, qint64>> expected; // counts the row names
        QDate from, to;
        QString source, target;
        qint64 before = 2; // the genesis row and the demo's
        if (move == u"demo"_s) {
            before = 1;
            expected = {{u"Osoby"_s, demo.persons}, {u"Zmluvy"_s, demo.contracts}, {u"Inventar"_s, demo.goods}};
            source = u"demo"_s;
            Store store(location);
            const auto period = Trail::contractPeriod(store, {u"Zmluvy"_s});
            from = period.first;
            to = period.second;
        } else if (move.startsWith(u"archive"_s)) {
            Shop shop(location);
            Table contracts(shop.store(), u"Xzmluvy.DBF"_s), extensions(shop.store(), u"Xpredlz.DBF"_s),
                goods(shop.store(), u"Xinvent.DBF"_s);
            const ArchiveMove::Tables live{*shop.Table1, *shop.Table3, *shop.Table4},
                archive{contracts, extensions, goods};
            from = QDate(2000, 1, 1);
            to = Day.addYears(-1);
            ArchiveMove::markFinished(live, from, to);
            ArchiveMove::Counts moved = ArchiveMove::moveMarked(live, archive, from, to);
            QVERIFY(moved.contracts > 0 && moved.goods > 0);
            if (move == u"archive back"_s) {
                ++before;
                const auto period = Trail::contractPeriod(shop.store(), {u"Xzmluvy"_s});
                from = period.first;
                to = period.second;
                moved = ArchiveMove::moveBack(live, archive).counts;
            }
            expected = {{u"Zmluvy"_s, moved.contracts}, {u"Inventar"_s, moved.goods}, {u"Predlz"_s, moved.extensions}};
        } else if (move == u"backup"_s) {
            target = native(Backup::write(location, m_tmp->filePath(u"Zaloha"_s), QDateTime::currentDateTime()));
            expected = {{u"Zmluvy"_s, demo.contracts}, {u"Osoby"_s, demo.persons}, {u"Xzmluvy"_s, 0}};
        } else {
            const QString folder = m_tmp->filePath(u"Tables"_s);
            {
                Store store(location);
                DbfTransfer::exportTables(store, folder, 852, Day);
            }
            target = native(folder);
            expected = {{u"Zmluvy"_s, demo.contracts}, {u"Osoby"_s, demo.persons}, {u"Xzmluvy"_s, 0}};
            if (move.startsWith(u"import"_s)) {
                const bool replace = move == u"import replacing"_s;
                before = replace ? 3 : 1;
                target.clear();
                if (!replace) location = fresh(u"Imported"_s);
                Store store(location);
                DbfTransfer::importTables(store, folder, {0, replace});
                const auto period = Trail::contractPeriod(store, {u"Zmluvy"_s});
                from = period.first;
                to = period.second;
                source = native(folder);
            }
        }
        const QList<Trail::Row> written = rows(location);
        QCOMPARE(written.size(), before + 1);
        const Trail::Row& r = written.last();
        QCOMPARE(r.action, action);
        QVERIFY(r.fields.isEmpty());
        for (const auto& [table, n] : expected)
            QCOMPARE(count(r.detail, table), n);
        QCOMPARE(r.detail.value(u"from"_s).toString(), from.toString(Qt::ISODate));
        QCOMPARE(r.detail.value(u"to"_s).toString(), to.toString(Qt::ISODate));
        QCOMPARE(r.detail.value(u"source"_s).toString(), source);
        QCOMPARE(r.detail.value(u"target"_s).toString(), target);
        // What a replace deleted: the demo's records, as many as came back.
        const QJsonObject deleted = r.detail.value(u"deleted"_s).toObject();
        for (const auto& [table, n] : expected)
            QCOMPARE(deleted.value(table).toInteger(-1), move == u"import replacing"_s ? n : -1);
        QCOMPARE(verdict(location), u"intact: %1"_s.arg(before + 1));
    }

    // A copy takes the trail, the keys and the clerks as stored: the chain verifies there, every personal value
    // reads as in the source, and a row "copy" names the source. Across engines when a server is there.
    void copyCarriesTheTrail()
    {
        writeByHand(m_location, Pledger, u"Kováč"_s);
        {
            Store store(m_location);
            store.exec(u"INSERT INTO Pokladnici (NAME, ROLE, PWHASH, ACTIVE) VALUES ('Eva', 'owner', 'x', 1)"_s);
        }
        const QString target = TestBackend::onServer() ? m_tmp->filePath(u"Copy"_s) : fresh(u"Copy"_s);
        StoreCopy::copy(m_location, target);
        const QList<Trail::Row> source = rows(m_location), copied = rows(target);
        QCOMPARE(copied.size(), source.size() + 1);
        for (qsizetype i = 0; i < source.size(); ++i) {
            QCOMPARE(copied.at(i).key, source.at(i).key);
            QCOMPARE(copied.at(i).moment, source.at(i).moment);
            QCOMPARE(copied.at(i).fields.size(), source.at(i).fields.size());
            for (qsizetype f = 0; f < source.at(i).fields.size(); ++f)
                QCOMPARE(copied.at(i).fields.at(f).newValue, source.at(i).fields.at(f).newValue);
        }
        QCOMPARE(copied.at(2).key, Pledger); // decrypted with the copied key
        QCOMPARE(copied.last().action, u"copy"_s);
        QCOMPARE(copied.last().detail.value(u"source"_s).toString(), Store::displayName(m_location));
        QCOMPARE(count(copied.last().detail, u"Zmluvy"_s), DemoData::countsFor(1).contracts);
        QCOMPARE(verdict(target), u"intact: %1"_s.arg(source.size() + 1));
        Store store(target);
        QCOMPARE(store.scalar(u"SELECT ROLE FROM Pokladnici WHERE NAME = 'Eva'"_s).toString(), u"owner"_s);
        // A store that has a trail already takes no other one.
        QVERIFY_THROWS_EXCEPTION(StoreError, StoreCopy::copy(m_location, target));
    }

    // A restore puts the backup's records in place but never rewinds the history: the live trail, clerks and keys
    // stay, rows written since the backup included, and a row names the backup and the kept copy. Only a store
    // without a trail takes the backup's.
    void restoreKeepsTheHistory_data()
    {
        QTest::addColumn<bool>("freshStore");
        QTest::newRow("into the live store") << false;
        QTest::newRow("into a store just made") << true;
    }
    void restoreKeepsTheHistory()
    {
        QFETCH(bool, freshStore);
        writeByHand(m_location, Pledger, u"Kováč"_s);
        const QString backup = Backup::write(m_location, m_tmp->filePath(u"Backups"_s), QDateTime(Day, QTime(10, 0)));
        QList<Trail::Row> inBackup = rows(m_location);
        QCOMPARE(inBackup.takeLast().action, u"personal-data-exported"_s); // the backup's own row, after its copy
        writeByHand(m_location, u"8002022345"_s, u"Nová"_s);               // after the backup
        const QList<Trail::Row> live = rows(m_location);
        QCOMPARE(live.size(), inBackup.size() + 3);
        const QString into = freshStore ? fresh(u"Fresh"_s) : m_location;

        const QString kept = Backup::restore(backup, into, QDateTime(Day, QTime(11, 0)), 14);
        QVERIFY(!kept.isEmpty()); // a store was there, if an empty one
        const QList<Trail::Row> after = rows(into);
        const QList<Trail::Row>& history = freshStore ? inBackup : live;
        QCOMPARE(after.size(), history.size() + 1);
        for (qsizetype i = 0; i < history.size(); ++i) {
            QCOMPARE(after.at(i).action, history.at(i).action);
            QCOMPARE(after.at(i).key, history.at(i).key);
        }
        const Trail::Row& r = after.last();
        QCOMPARE(r.action, u"restore"_s);
        QCOMPARE(r.detail.value(u"backup"_s).toString(), native(backup));
        QCOMPARE(r.detail.value(u"kept"_s).toString(), kept.isEmpty() ? QString() : native(kept));
        QCOMPARE(count(r.detail, u"Zmluvy"_s), DemoData::countsFor(1).contracts);
        QCOMPARE(verdict(into), u"intact: %1"_s.arg(history.size() + 1));
        // The records are the backup's: the person written since is gone, yet their rows still read.
        Store store(into);
        QCOMPARE(store.scalar(u"SELECT COUNT(*) FROM Osoby WHERE BIRTHNUM = '8002022345'"_s).toLongLong(), 0);
        Trail::Query person;
        person.birthNumber = u"8002022345"_s;
        QCOMPARE(Trail::read(store, person).size(), freshStore ? 0 : 2);
    }

    // The person profile written as PDF names the person in the trail; audit finds the row by the person.
    void profileNamesThePerson()
    {
        writeByHand(m_location, Pledger, u"Kováč"_s);
        const AdminRun report = runAdmin({u"report"_s, m_location, u"profile"_s, Pledger, u"--pdf"_s,
                                          m_tmp->filePath(u"profil.pdf"_s), u"--today"_s, u"15.3.2026"_s});
        QVERIFY2(report.status == 0, qPrintable(report.err));
        const AdminRun unknown = runAdmin(
            {u"report"_s, m_location, u"profile"_s, u"1111111111"_s, u"--pdf"_s, m_tmp->filePath(u"none.pdf"_s)});
        QVERIFY(unknown.out.startsWith(u"0 pages"_s));
        const QList<Trail::Row> all = rows(m_location);
        QCOMPARE(all.size(), 5);
        QCOMPARE(all.last().action, u"personal-data-printed"_s);
        QCOMPARE(all.last().table, u"Osoby"_s);
        QCOMPARE(all.last().key, Pledger);

        const AdminRun audit = runAdmin({u"audit"_s, m_location, u"--person"_s, Pledger});
        QVERIFY2(audit.status == 0, qPrintable(audit.err));
        const QStringList lines = audit.out.split(u'\n', Qt::SkipEmptyParts);
        // The new person (two fields), the contract given to them (one), the profile (no field).
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines.last().section(u'\t', 3), u"personal-data-printed\tOsoby\t%1\t\t\t"_s.arg(Pledger));
    }

    // audit: one line per field changed, tab-separated, as the conditions pick them.
    void auditLines_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("lines"); // from the clerk on
        QTest::newRow("contract") << QStringList{u"--contract"_s, u"26/99999"_s}
                                  << QStringList{u"Eva\tpult\tnew\tZmluvy\t26/99999\tNUMBER\t\t26/99999"_s,
                                                 u"Eva\tpult\tnew\tZmluvy\t26/99999\tAMOUNT\t\t1500"_s,
                                                 u"Eva\tpult\tnew\tZmluvy\t26/99999\tWEEKTIME\t\t0"_s,
                                                 u"Eva\tpult\tchange\tZmluvy\t26/99999\tAMOUNT\t1500\t1200.5"_s};
        QTest::newRow("clerk") << QStringList{u"--clerk"_s, u"Eva"_s}
                               << QStringList{u"Eva\tpult\tnew\tZmluvy\t26/99999\tNUMBER\t\t26/99999"_s,
                                              u"Eva\tpult\tnew\tZmluvy\t26/99999\tAMOUNT\t\t1500"_s,
                                              u"Eva\tpult\tnew\tZmluvy\t26/99999\tWEEKTIME\t\t0"_s,
                                              u"Eva\tpult\tchange\tZmluvy\t26/99999\tAMOUNT\t1500\t1200.5"_s,
                                              u"Eva\tpult\tnew\tOsoby\t8002022345\tREASON\t\triadok 1\\nriadok\\t2"_s};
        QTest::newRow("no clerk of that name") << QStringList{u"--clerk"_s, u"Ema"_s} << QStringList{};
        QTest::newRow("from tomorrow") << QStringList{u"--from"_s,
                                                      QDate::currentDate().addDays(1).toString(u"d.M.yyyy"_s)}
                                       << QStringList{};
    }
    void auditLines()
    {
        QFETCH(QStringList, options);
        QFETCH(QStringList, lines);
        {
            Store store(m_location);
            store.setClerk(u"Eva"_s);
            store.setCounter(u"pult"_s);
            Table contracts(store, u"Zmluvy.DBF"_s), persons(store, u"Osoby.DBF"_s);
            contracts.open();
            contracts.append();
            contracts.field(u"NUMBER"_s).setAsString(u"26/99999"_s);
            contracts.field(u"AMOUNT"_s).setAsFloat(1500);
            contracts.post();
            contracts.edit();
            contracts.field(u"AMOUNT"_s).setAsFloat(1200.5);
            contracts.post();
            persons.open();
            persons.append();
            persons.field(u"BIRTHNUM"_s).setAsString(u"8002022345"_s);
            persons.field(u"REASON"_s).setAsString(u"riadok 1\nriadok\t2"_s);
            persons.post();
        }
        const AdminRun audit = runAdmin(QStringList{u"audit"_s, m_location} + options);
        QVERIFY2(audit.status == 0, qPrintable(audit.err));
        QStringList found;
        for (const QString& line : audit.out.split(u'\n', Qt::SkipEmptyParts)) {
            QCOMPARE(line.count(u'\t'), 8);
            QVERIFY(QDateTime::fromString(line.section(u'\t', 0, 0), u"d.M.yyyy HH:mm:ss"_s).isValid());
            found << line.section(u'\t', 1);
        }
        // The new person lists its birth number too; only the note is compared here.
        found.removeIf([](const QString& l) { return l.contains(u"\tOsoby\t"_s) && !l.contains(u"REASON"_s); });
        QCOMPARE(found, lines);
    }

    // audit-verify as the owner runs it: exit 0 with the head to note, or exit 1 naming the first row that does
    // not match, the noted row that is gone or differs, or the guard that is missing.
    void auditVerify_data()
    {
        QTest::addColumn<QString>("tamper");
        QTest::addColumn<QStringList>("options"); // "@" is the head as noted
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said"); // on standard error
        const QStringList none;
        QTest::newRow("intact") << QString() << none << 0 << QString();
        QTest::newRow("noted head") << QString() << QStringList{u"--expect"_s, u"@"_s} << 0 << QString();
        QTest::newRow("noted head differs")
            << QString() << QStringList{u"--expect"_s, u"4:0123456789abcdef"_s} << 1 << u"SEQ 4"_s;
        QTest::newRow("noted row gone") << QString() << QStringList{u"--expect"_s, u"9:0123456789abcdef"_s} << 1
                                        << u"SEQ 9"_s;
        QTest::newRow("row edited") << u"UPDATE Zmeny SET COUNTER = 'inde' WHERE SEQ = 3"_s << none << 1 << u"SEQ 3"_s;
        QTest::newRow("key of a trail never sealed")
            << QString() << QStringList{u"--key"_s, QString(64, u'a')} << 1 << u"no row of the trail is sealed"_s;
        QTest::newRow("trail dropped") << u"DROP TABLE Zmeny"_s << none << 1 << u"missing: tabuľka Zmeny"_s;
        QTest::newRow("not a key") << QString() << QStringList{u"--key"_s, u"abc"_s} << 2 << u"--key"_s;
        QTest::newRow("not a head") << QString() << QStringList{u"--expect"_s, u"4"_s} << 2 << u"SEQ:HASH"_s;
    }
    void auditVerify()
    {
        QFETCH(QString, tamper);
        QFETCH(QStringList, options);
        QFETCH(int, status);
        QFETCH(QString, said);
        writeByHand(m_location, Pledger, u"Kováč"_s);
        const AdminRun intact = runAdmin({u"audit-verify"_s, m_location});
        QCOMPARE(intact.status, 0);
        const QStringList lines = intact.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.value(0), u"intact: 4"_s); // the genesis row, the demo, the person and the contract
        QCOMPARE(lines.value(1), u"last SEQ: 4"_s);
        QVERIFY(lines.value(2).startsWith(u"last HASH: "_s) && lines.value(2).size() == 11 + 64);
        QCOMPARE(lines.value(3), u"head: 4:"_s + lines.value(2).mid(11, 16));
        if (!tamper.isEmpty()) {
            Store store(m_location);
            if (tamper.startsWith(u"UPDATE"_s))
                for (const QString& sql : store.isServer() ? QStringList{u"DROP TRIGGER zmeny_append_only ON zmeny"_s,
                                                                         u"DROP RULE zmeny_no_update ON zmeny"_s}
                                                           : QStringList{u"DROP TRIGGER Zmeny_no_update"_s})
                    store.exec(sql);
            store.exec(tamper);
        }
        options.replaceInStrings(u"@"_s, lines.value(3).mid(6));
        const AdminRun run = runAdmin(QStringList{u"audit-verify"_s, m_location} + options);
        QCOMPARE(run.status, status);
        QVERIFY2(run.err.contains(said), qPrintable(run.err));
        if (tamper.startsWith(u"UPDATE"_s)) QVERIFY2(run.err.contains(u"missing: spúšťač"_s), qPrintable(run.err));
    }

    // The owner's commands around the trail, as a shop runs them: audit-seal prints the first key once, which then
    // checks every seal; a store whose trail went missing is refused by every command until audit-restart, which
    // needs an owner once the shop has clerks.
    void sealAndRestart()
    {
        const AdminRun sealed = runAdmin({u"audit-seal"_s, m_location});
        QCOMPARE(sealed.status, 0);
        static const QRegularExpression keyLine(u"^([0-9a-f]{8} ){7}[0-9a-f]{8}$"_s,
                                                QRegularExpression::MultilineOption);
        const QString key = keyLine.match(sealed.out).captured(0);
        QVERIFY2(!key.isEmpty(), qPrintable(sealed.out));
        writeByHand(m_location, Pledger, u"Kováč"_s);
        QCOMPARE(runAdmin({u"audit-verify"_s, m_location, u"--key"_s, key}).status, 0);
        QCOMPARE(runAdmin({u"audit-seal"_s, m_location}).status, 1); // once per trail
        QCOMPARE(runAdmin({u"clerk"_s, u"add"_s, m_location, u"Eva"_s, u"--owner"_s}, "tajneheslo\n").status, 0);

        Store(m_location).exec(u"DROP TABLE Zmeny"_s);
        const AdminRun refused = runAdmin({u"stats"_s, m_location});
        QCOMPARE(refused.status, 1);
        QVERIFY2(refused.err.contains(u"tabuľka Zmeny"_s), qPrintable(refused.err));
        QCOMPARE(runAdmin({u"audit-restart"_s, m_location}).status, 1);
        QCOMPARE(runAdmin({u"audit-restart"_s, m_location, u"--as"_s, u"Eva"_s}, "zleheslo1\n").status, 1);
        const AdminRun restarted = runAdmin({u"audit-restart"_s, m_location, u"--as"_s, u"Eva"_s}, "tajneheslo\n");
        QVERIFY2(restarted.status == 0 && restarted.out.contains(u"tabuľka Zmeny"_s), qPrintable(restarted.err));
        const QList<Trail::Row> trail = rows(m_location);
        QCOMPARE(trail.size(), 1);
        QCOMPARE(trail.first().action, u"genesis"_s);
        QCOMPARE(trail.first().clerk, u"Eva"_s);
        QCOMPARE(runAdmin({u"audit-verify"_s, m_location}).status, 0);
        QCOMPARE(runAdmin({u"audit-verify"_s, m_location, u"--key"_s, key}).status, 1); // the new trail is not sealed
    }
};

QTEST_GUILESS_MAIN(TestTrailMoves)
#include "tst_trailmoves.moc"
