#include "RunAdmin.h"
#include "TestBackend.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

// mervana-admin archive, dearchive and stats: the archive and the statistics without a window.
class TestAdminArchive : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_store; // m_dir, or a schema of its own on the server

    struct Run
    {
        int status;
        QStringList out;
    };

    static Run admin(const QStringList& args)
    {
        const AdminRun r = runAdmin(args);
        return {r.status, r.out.split(u'\n', Qt::SkipEmptyParts)};
    }

    // The record counts of mervana-admin stats, in the order of the window.
    QStringList counts()
    {
        const Run r = admin({u"stats"_s, m_store});
        return r.out.mid(2);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_store = TestBackend::freshLocation(m_dir.path());
        QCOMPARE(admin({u"init"_s, m_store}).status, 0);
        QCOMPARE(admin({u"demo"_s, m_store}).status, 0);
    }

    void outAndBack()
    {
        const Run before = admin({u"stats"_s, m_store});
        QCOMPARE(before.status, 0);
        QCOMPARE(before.out.size(), 9);
        QVERIFY(before.out.at(0).startsWith(u"Peniaze v obehu: "_s) && before.out.at(0).endsWith(u" Sk"_s));
        QVERIFY(before.out.at(1).startsWith(u"Záložná hodnota: "_s));
        QCOMPARE(before.out.mid(2, 4),
                 (QStringList{u"Zmluvy: 300"_s, u"Osoby: 80"_s, u"Inventár (predmety): 600"_s, u"Predĺženia: 100"_s}));
        QCOMPARE(before.out.mid(6),
                 (QStringList{u"Archív zmlúv: 0"_s, u"Archív predmetov: 0"_s, u"Archív predĺžení: 0"_s}));

        const Run out = admin({u"archive"_s, m_store, u"--from"_s, u"1.1.2000"_s, u"--to"_s, u"31.12.2099"_s});
        QCOMPARE(out.status, 0);
        QCOMPARE(out.out.size(), 1);
        const QStringList moved = out.out.first().split(u' ');
        QVERIFY2(out.out.first().startsWith(u"Moved to the archive: "_s), qPrintable(out.out.first()));
        const int contracts = moved.at(4).toInt(), goods = moved.at(6).toInt(), extensions = moved.at(8).toInt();
        QVERIFY(contracts > 0 && goods > 0 && extensions > 0);
        const Run after = admin({u"stats"_s, m_store});
        QCOMPARE(after.out.at(0), before.out.at(0)); // finished contracts lend out nothing
        QCOMPARE(after.out.mid(2),
                 (QStringList{u"Zmluvy: %1"_s.arg(300 - contracts), u"Osoby: 80"_s,
                              u"Inventár (predmety): %1"_s.arg(600 - goods), u"Predĺženia: %1"_s.arg(100 - extensions),
                              u"Archív zmlúv: %1"_s.arg(contracts), u"Archív predmetov: %1"_s.arg(goods),
                              u"Archív predĺžení: %1"_s.arg(extensions)}));

        const Run back = admin({u"dearchive"_s, m_store});
        QCOMPARE(back.status, 0);
        QCOMPARE(
            back.out,
            (QStringList{
                u"Moved back from the archive: %1 contracts, %2 goods, %3 extensions"_s.arg(contracts).arg(goods).arg(
                    extensions)}));
        QCOMPARE(admin({u"stats"_s, m_store}).out, before.out);
    }

    void wrongArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no period") << QStringList{u"archive"_s, u"."_s};
        QTest::newRow("not a date") << QStringList{u"archive"_s,   u"."_s,    u"--from"_s,
                                                   u"31.2.2026"_s, u"--to"_s, u"1.3.2026"_s};
        QTest::newRow("the period ends first")
            << QStringList{u"archive"_s, u"."_s, u"--from"_s, u"2.3.2026"_s, u"--to"_s, u"1.3.2026"_s};
        QTest::newRow("no folder") << QStringList{u"dearchive"_s};
    }
    void wrongArguments()
    {
        QFETCH(QStringList, args);
        if (args.size() > 1) args[1] = m_store;
        const QStringList before = counts();
        QCOMPARE(admin(args).status, 2);
        QCOMPARE(counts(), before);
    }
};

QTEST_GUILESS_MAIN(TestAdminArchive)
#include "tst_adminarchive.moc"
