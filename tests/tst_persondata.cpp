#include "RunAdmin.h"
#include "TestBackend.h"
#include "core/TrailText.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/trail/Trail.h"
#include "support/Pdf.h"
#include "support/Records.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString Pledger = u"6505051234"_s;
const QString Other = u"7707071111"_s;
} // namespace

// mervana-admin person-data and retention: a person's data read back from the PDF, and retention from the command
// line.
class TestPersonData : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_location;

    // A person with a live contract (paid long ago, one item) and an archived one (paid longer ago), another with
    // a running contract, one undesirable and one without contracts.
    void fill()
    {
        Store store(m_location);
        Records::write(store, u"Osoby.DBF"_s,
                       {{u"BIRTHNUM"_s, Pledger},
                        {u"LASTNAME"_s, u"Kováčová"_s},
                        {u"FIRSNAME"_s, u"Zuzana"_s},
                        {u"CITY"_s, u"Žilina"_s}});
        Records::write(store, u"Zmluvy.DBF"_s,
                       {{u"BIRTHNUM"_s, Pledger},
                        {u"NUMBER"_s, u"12/00007"_s},
                        {u"AGRDATE"_s, QDate(2012, 4, 2)},
                        {u"PAID"_s, true},
                        {u"PAID_DATE"_s, QDate(2012, 5, 30)}});
        Records::write(store, u"Inventar.DBF"_s,
                       {{u"NUMBER"_s, u"12/00007"_s}, {u"SUBJECT"_s, u"Strieborná retiazka"_s}});
        Records::write(store, u"Xzmluvy.DBF"_s,
                       {{u"BIRTHNUM"_s, Pledger},
                        {u"NUMBER"_s, u"11/00003"_s},
                        {u"AGRDATE"_s, QDate(2011, 2, 1)},
                        {u"PAID"_s, true},
                        {u"PAID_DATE"_s, QDate(2011, 3, 1)}});
        Records::write(store, u"Xinvent.DBF"_s, {{u"NUMBER"_s, u"11/00003"_s}, {u"SUBJECT"_s, u"Zlatý prsteň"_s}});
        Records::write(store, u"Osoby.DBF"_s, {{u"BIRTHNUM"_s, Other}, {u"LASTNAME"_s, u"Beňo"_s}});
        Records::write(store, u"Zmluvy.DBF"_s,
                       {{u"BIRTHNUM"_s, Other}, {u"NUMBER"_s, u"26/00001"_s}, {u"AGRDATE"_s, QDate(2026, 1, 2)}});
        Records::write(store, u"Osoby.DBF"_s,
                       {{u"BIRTHNUM"_s, u"5101011111"_s}, {u"LASTNAME"_s, u"Zlý"_s}, {u"BLACK"_s, true}});
        Records::write(store, u"Zmluvy.DBF"_s,
                       {{u"BIRTHNUM"_s, u"5101011111"_s},
                        {u"NUMBER"_s, u"10/00001"_s},
                        {u"AGRDATE"_s, QDate(2010, 1, 2)},
                        {u"PAID"_s, true},
                        {u"PAID_DATE"_s, QDate(2010, 2, 1)}});
        Records::write(store, u"Osoby.DBF"_s, {{u"BIRTHNUM"_s, u"8808081111"_s}, {u"LASTNAME"_s, u"Nový"_s}});
    }

    QList<Trail::Row> rows(const QString& action)
    {
        Store store(m_location);
        return Records::trailRows(store, action);
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        m_location = TestBackend::freshLocation(m_tmp->path());
        QCOMPARE(runAdmin({u"init"_s, m_location}).status, 0);
        fill();
    }

    void cleanup() { m_tmp.reset(); }

    // The same holding as PDF and as text: the person, the live and the archived contract with their goods, the
    // trail rows of the person and of the contracts; each output leaves one row naming the person.
    void report_data()
    {
        QTest::addColumn<bool>("pdf");
        QTest::newRow("PDF") << true;
        QTest::newRow("text") << false;
    }
    void report()
    {
        QFETCH(bool, pdf);
        const QString file = m_tmp->filePath(u"osoba.pdf"_s);
        QStringList args{u"person-data"_s, m_location, Pledger};
        if (pdf) args << u"--pdf"_s << file;
        const AdminRun run = runAdmin(args);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        const QString text = pdf ? Pdf::text(file) : run.out;
        if (pdf) QCOMPARE(run.out.trimmed(), u"2"_s); // pages
        QVERIFY2(!pdf || text.contains(u"Osobné údaje"_s), qPrintable(text));
        QVERIFY(!pdf || text.contains(u"rodné číslo 6505051234"_s));
        QVERIFY(!pdf || text.contains(u"Strana 1"_s));
        for (const QString& expected :
             {u"Kováčová"_s, u"Zuzana"_s, u"Žilina"_s, u"Zmluva 12/00007"_s, u"2.4.2012"_s, u"Strieborná retiazka"_s,
              u"Zmluva 11/00003 (archív)"_s, u"Zlatý prsteň"_s, u"Zmeny záznamov"_s, u"nový"_s})
            QVERIFY2(text.contains(expected), qPrintable(expected + u" missing in:\n"_s + text));
        QVERIFY(!text.contains(u"Beňo"_s) && !text.contains(u"26/00001"_s)); // nobody else's
        // The trail part names the person's own new record and the new contract with its item.
        QVERIFY(text.count(u"nový, Osoby, 6505051234"_s) == 1);
        QVERIFY(text.count(u"nový, Zmluvy, 12/00007"_s) == 1);
        QVERIFY(text.count(u"nový, Inventar, 12/00007"_s) == 1);

        const QList<Trail::Row> printed = rows(u"personal-data-printed"_s);
        QCOMPARE(printed.size(), 1);
        QCOMPARE(printed.first().table, u"Osoby"_s);
        QCOMPARE(printed.first().key, Pledger);
    }

    // Nothing known: exit 1, no file, no row; the birth number is not echoed on standard error.
    void unknownPerson()
    {
        const QString file = m_tmp->filePath(u"nikto.pdf"_s);
        const AdminRun run = runAdmin({u"person-data"_s, m_location, u"1212121212"_s, u"--pdf"_s, file});
        QCOMPARE(run.status, 1);
        QVERIFY(run.err.contains(u"holds nothing"_s));
        QVERIFY(!run.err.contains(u"1212121212"_s));
        QVERIFY(!QFile::exists(file));
        QVERIFY(rows(u"personal-data-printed"_s).isEmpty());
        QCOMPARE(runAdmin({u"person-data"_s, m_location}).status, 2);
    }

    // --dry-run lists and changes nothing; the run anonymises the due person, whose data are then gone.
    void retention()
    {
        const AdminRun dry = runAdmin({u"retention"_s, m_location, u"--dry-run"_s, u"--today"_s, u"15.3.2026"_s});
        QVERIFY2(dry.status == 0, qPrintable(dry.err));
        QCOMPARE(dry.out.split(u'\n', Qt::SkipEmptyParts),
                 (QStringList{u"due: 1"_s, u"6505051234\tKováčová Zuzana\t30.5.2012"_s,
                              u"undesirable, never anonymised automatically: 1"_s, u"5101011111\tZlý\t1.2.2010"_s,
                              u"without contracts, left alone: 1"_s, u"8808081111\tNový\t"_s}));
        QVERIFY(rows(u"anonymised"_s).isEmpty());

        const AdminRun run = runAdmin({u"retention"_s, m_location, u"--today"_s, u"15.3.2026"_s});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        // Counts and pseudonyms only: a name beside its pseudonym would undo the anonymising on paper.
        const QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.first(), u"anonymised: 1"_s);
        const QString pseudonym = lines.at(1);
        QCOMPARE(lines.at(2), u"keys of persons no longer in the store deleted: 0"_s);
        QCOMPARE(rows(u"anonymised"_s).size(), 1);
        QCOMPARE(rows(u"anonymised"_s).first().key, pseudonym);

        QCOMPARE(runAdmin({u"person-data"_s, m_location, Pledger}).status, 1);
        const AdminRun left = runAdmin({u"person-data"_s, m_location, pseudonym});
        QVERIFY2(left.status == 0, qPrintable(left.err));
        QVERIFY(left.out.contains(u"Zmluva 11/00003 (archív)"_s) && left.out.contains(u"Zmluva 12/00007"_s));
        QVERIFY(!left.out.contains(u"Kováčová"_s) && !left.out.contains(Pledger));
        QVERIFY(left.out.contains(erasedText()));
        const AdminRun audit = runAdmin({u"audit"_s, m_location});
        QVERIFY2(audit.status == 0, qPrintable(audit.err));
        QVERIFY(audit.out.contains(erasedText()));
        const QStringList values{Pledger, u"Kováčová"_s, u"Zuzana"_s, u"Žilina"_s};
        QByteArray stored; // the store file and its WAL, as bytes
        for (const QString& suffix : {QString(), u"-wal"_s}) {
            QFile f(QDir(m_location).filePath(Store::fileName()) + suffix);
            if (!TestBackend::onServer() && f.open(QIODevice::ReadOnly)) stored += f.readAll();
        }
        for (const QString& value : values)
            QVERIFY2(!audit.out.contains(value) && !stored.contains(value.toUtf8()), qPrintable(value));
        const AdminRun verify = runAdmin({u"audit-verify"_s, m_location});
        QVERIFY2(verify.status == 0, qPrintable(verify.out + verify.err));
        const AdminRun again = runAdmin({u"retention"_s, m_location, u"--today"_s, u"15.3.2026"_s});
        QVERIFY(again.out.startsWith(u"anonymised: 0\n"_s));
    }

    // With a clerk defined, both commands are the owner's.
    void ownerOnly_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("said"); // by the owner's run
        QTest::newRow("person-data") << QStringList{u"person-data"_s, u"STORE"_s, Pledger} << Pledger;
        QTest::newRow("retention") << QStringList{u"retention"_s, u"STORE"_s, u"--today"_s, u"15.3.2026"_s}
                                   << u"anonymised: 1"_s;
    }
    void ownerOnly()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, said);
        args.replace(1, m_location);
        QCOMPARE(runAdmin({u"clerk"_s, u"add"_s, m_location, u"Eva"_s, u"--owner"_s}, "tajne1234\n").status, 0);
        QCOMPARE(runAdmin({u"clerk"_s, u"add"_s, m_location, u"Jan"_s, u"--as"_s, u"Eva"_s}, "tajne1234\nheslo5678\n")
                     .status,
                 0);
        QCOMPARE(runAdmin(args).status, 1);
        QCOMPARE(runAdmin(args + QStringList{u"--as"_s, u"Jan"_s}, "heslo5678\n").status, 1);
        const AdminRun owner = runAdmin(args + QStringList{u"--as"_s, u"Eva"_s}, "tajne1234\n");
        QVERIFY2(owner.status == 0, qPrintable(owner.err));
        QVERIFY(owner.out.contains(said));
    }
};

QTEST_GUILESS_MAIN(TestPersonData)
#include "tst_persondata.moc"
