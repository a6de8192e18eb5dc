#include "TestBackend.h"
#include "TrailLines.h"
#include "core/Clerks.h"
#include "core/ErrorText.h"
#include "core/Shop.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/trail/Trail.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;
using Clerks::Role;

// The clerks of a store on either engine: who may be added, who signs in with what, and the trail row each
// change and each attempt leaves.
class TestClerks : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Store> m_store;

    QStringList rowsSince(qint64 after) { return trailLines(*m_store, after); }
    qint64 lastSeq() { return trailEnd(*m_store); }

    // An owner Eva and a clerk Jan, active.
    void addBoth()
    {
        Clerks::add(*m_store, u"Eva"_s, Role::Owner, u"eva-heslo"_s);
        Clerks::add(*m_store, u"Jan"_s, Role::Clerk, u"jan-heslo"_s);
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_store.reset();
        for (const QString& suffix : {u""_s, u"-wal"_s, u"-shm"_s})
            QFile::remove(m_dir.filePath(Store::fileName() + suffix));
        const QString location = TestBackend::freshLocation(m_dir.path());
        Store::createEmpty(location);
        m_store = std::make_unique<Store>(location);
    }

    void cleanup() { Clerks::setPenalty(30s); }

    // Who may be added to a store that holds the clerks before.
    void add_data()
    {
        QTest::addColumn<QStringList>("before"); // "name:role:active"
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("owner");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("refusal"); // empty: added

        QTest::newRow("first clerk, an owner") << QStringList() << u"Eva"_s << true << u"heslo-123"_s << QString();
        QTest::newRow("first clerk, no owner")
            << QStringList() << u"Jan"_s << false << u"heslo-123"_s << u"Prvý pokladník musí byť vlastník"_s;
        QTest::newRow("a clerk beside an owner")
            << QStringList{u"Eva:owner:1"_s} << u"Jan"_s << false << u"heslo-123"_s << QString();
        QTest::newRow("no active owner left") << QStringList{u"Eva:owner:0"_s} << u"Jan"_s << false << u"heslo-123"_s
                                              << u"Prvý pokladník musí byť vlastník"_s;
        QTest::newRow("name taken, other case")
            << QStringList{u"Eva:owner:1"_s} << u"eva"_s << false << u"heslo-123"_s << u"Pokladník Eva už existuje."_s;
        QTest::newRow("name of a disabled clerk") << QStringList{u"Eva:owner:1"_s, u"Jan:clerk:0"_s} << u"Jan"_s
                                                  << false << u"heslo-123"_s << u"Pokladník Jan už existuje."_s;
        QTest::newRow("blank name") << QStringList() << u"  "_s << true << u"heslo-123"_s
                                    << u"Zadajte meno pokladníka."_s;
        QTest::newRow("the name of nobody") << QStringList() << u"—"_s << true << u"heslo-123"_s << u"Meno — nemôže"_s;
        QTest::newRow("empty password") << QStringList() << u"Eva"_s << true << QString()
                                        << u"Heslo nesmie byť prázdne."_s;
        QTest::newRow("seven characters")
            << QStringList() << u"Eva"_s << true << u"heslo12"_s << u"Heslo musí mať aspoň 8 znakov."_s;
    }

    void add()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, name);
        QFETCH(bool, owner);
        QFETCH(QString, password);
        QFETCH(QString, refusal);
        for (const QString& b : before) {
            const QStringList parts = b.split(u':');
            Clerks::add(*m_store, parts[0], Clerks::roleOf(parts[1]).value(), u"heslo-123"_s);
            if (parts[2] == u"0"_s)
                m_store->exec(u"UPDATE Pokladnici SET ACTIVE = 0 WHERE NAME = '%1'"_s.arg(parts[0]));
        }
        const qint64 seq = lastSeq();
        const int count = Clerks::list(*m_store).size();
        try {
            Clerks::add(*m_store, name, owner ? Role::Owner : Role::Clerk, password);
            QVERIFY2(refusal.isEmpty(), "added");
        } catch (const Clerks::Refused& e) {
            QVERIFY2(!refusal.isEmpty(), qPrintable(e.text()));
            QVERIFY2(e.text().contains(refusal), qPrintable(e.text()));
            QCOMPARE(Clerks::list(*m_store).size(), count);
            QCOMPARE(lastSeq(), seq); // nothing done, nothing recorded
            return;
        }
        const QString role = owner ? u"owner"_s : u"clerk"_s;
        QCOMPARE(rowsSince(seq), QStringList{u"clerk-added — {\"clerk\":\"%1\"} NAME:>%1 ROLE:>%2 ACTIVE:>1"_s.arg(
                                     name.trimmed(), role)});
        QCOMPARE(Clerks::check(*m_store, name, password), std::optional<Role>(owner ? Role::Owner : Role::Clerk));
    }

    // Name and password: the role or nothing.
    void check_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("role"); // -1 refused, else Role

        QTest::newRow("owner") << u"Eva"_s << u"eva-heslo"_s << int(Role::Owner);
        QTest::newRow("clerk") << u"Jan"_s << u"jan-heslo"_s << int(Role::Clerk);
        QTest::newRow("wrong password") << u"Jan"_s << u"eva-heslo"_s << -1;
        QTest::newRow("password in other case") << u"Jan"_s << u"JAN-HESLO"_s << -1;
        QTest::newRow("empty password") << u"Jan"_s << QString() << -1;
        QTest::newRow("name in other case") << u"jan"_s << u"jan-heslo"_s << -1;
        QTest::newRow("unknown") << u"Ida"_s << u"jan-heslo"_s << -1;
        QTest::newRow("disabled") << u"Ema"_s << u"ema-heslo"_s << -1;
    }

    void check()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(int, role);
        addBoth();
        Clerks::add(*m_store, u"Ema"_s, Role::Clerk, u"ema-heslo"_s);
        Clerks::disable(*m_store, u"Ema"_s);
        const std::optional<Role> expected = role < 0 ? std::nullopt : std::optional<Role>(Role(role));
        QCOMPARE(Clerks::check(*m_store, name, password), expected);

        // A sign-in leaves its row either way, and only a right one names the clerk from then on.
        const qint64 seq = lastSeq();
        QCOMPARE(Clerks::signIn(*m_store, name, password), expected);
        if (expected) {
            QCOMPARE(rowsSince(seq), QStringList{u"sign-in "_s + name});
            QCOMPARE(m_store->clerk(), name);
        } else {
            // A name no clerk has (as typed) is kept as none: it may be a password typed in the wrong place.
            const QList<Clerks::Clerk> all = Clerks::list(*m_store);
            const bool known =
                std::any_of(all.begin(), all.end(), [&](const Clerks::Clerk& c) { return c.name == name; });
            const QString kept = known ? name : Clerks::unknownName();
            QCOMPARE(rowsSince(seq), QStringList{u"sign-in-failed — {\"clerk\":\"%1\"}"_s.arg(kept)});
            QCOMPARE(m_store->clerk(), Trail::noClerk());
        }
    }

    // The hash is Argon2id, salted; neither the stored clerk nor any trail row holds the password.
    void passwordNeverInClear()
    {
        addBoth();
        Clerks::changePassword(*m_store, u"Jan"_s, u"nove-heslo"_s);
        QVERIFY(Clerks::signIn(*m_store, u"Jan"_s, u"nove-heslo"_s));
        QVERIFY(!Clerks::check(*m_store, u"Jan"_s, u"jan-heslo"_s));
        Clerks::add(*m_store, u"Ida"_s, Role::Clerk, u"eva-heslo"_s); // Eva's password again

        const QStringList hashes = TestBackend::rows(*m_store, u"SELECT PWHASH FROM Pokladnici ORDER BY NAME"_s, 1);
        QCOMPARE(hashes.size(), 3);
        QVERIFY2(hashes[0].contains(u"$argon2id$"_s), qPrintable(hashes[0]));
        QVERIFY(hashes[0] != hashes[1]); // salted: the same password hashes differently
        const QString clerks = TestBackend::rows(*m_store, u"SELECT * FROM Pokladnici"_s, 4).join(u'\n');
        const QString trail =
            TestBackend::rows(*m_store, u"SELECT CLERK, ACTION, RECKEY, PERSON, DETAIL FROM Zmeny"_s, 5).join(u'\n');
        for (const QString& password : {u"eva-heslo"_s, u"jan-heslo"_s, u"nove-heslo"_s}) {
            QVERIFY2(!clerks.contains(password), qPrintable(password));
            QVERIFY2(!trail.contains(password), qPrintable(password));
        }
        QVERIFY(!trail.contains(u"$argon2"_s)); // nor a hash
        QVERIFY(rowsSince(0).contains(u"clerk-changed — {\"changed\":\"password\",\"clerk\":\"Jan\"}"_s));
    }

    // A disabled clerk cannot sign in, yet the rows they wrote still name them; the last owner stays while others
    // work.
    void disable()
    {
        addBoth();
        QVERIFY(Clerks::signIn(*m_store, u"Jan"_s, u"jan-heslo"_s));
        {
            Table t(*m_store, u"Zmluvy.DBF"_s);
            t.open();
            t.append();
            t.field(u"NUMBER"_s).setAsString(u"100"_s);
            t.post();
        }
        Clerks::signOut(*m_store);
        const qint64 seq = lastSeq();
        Clerks::disable(*m_store, u"Jan"_s);
        QCOMPARE(rowsSince(seq), QStringList{u"clerk-changed — {\"clerk\":\"Jan\"} ACTIVE:1>0"_s});
        QVERIFY(!Clerks::signIn(*m_store, u"Jan"_s, u"jan-heslo"_s));
        Trail::Query byJan;
        byJan.clerk = u"Jan"_s;
        QStringList actions;
        for (const Trail::Row& r : Trail::read(*m_store, byJan))
            actions << r.action + u' ' + r.table + u' ' + r.key;
        QCOMPARE(actions, (QStringList{u"sign-in  "_s, u"new Zmluvy 100"_s, u"sign-out  "_s}));
        QCOMPARE(Clerks::list(*m_store).size(), 2); // never deleted
        QCOMPARE(Clerks::active(*m_store).size(), 1);

        try {
            Clerks::disable(*m_store, u"Jan"_s);
            QFAIL("disabled twice");
        } catch (const Clerks::Refused& e) {
            QCOMPARE(e.text(), u"Pokladník Jan je už zakázaný."_s);
        }
        Clerks::add(*m_store, u"Ida"_s, Role::Clerk, u"ida-heslo"_s);
        // Neither beside Ida nor alone: a store that had clerks does not open without an active owner.
        for (const QString& other : {u"Ida"_s, QString()}) {
            if (other.isEmpty()) Clerks::disable(*m_store, u"Ida"_s);
            try {
                Clerks::disable(*m_store, u"Eva"_s);
                QFAIL("the last owner went");
            } catch (const Clerks::Refused& e) {
                QVERIFY(e.text().startsWith(u"Posledného vlastníka nemožno zakázať"_s));
            }
        }
        QVERIFY(Clerks::anyActive(*m_store));
        try {
            Clerks::changePassword(*m_store, u"Ola"_s, u"heslo-123"_s);
            QFAIL("an unknown clerk's password changed");
        } catch (const Clerks::Refused& e) {
            QCOMPARE(e.text(), u"Pokladník Ola neexistuje."_s);
        }
    }

    // Unlocking a counter a clerk signed in to: that clerk, or an owner; every attempt has its row.
    void unlock_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("row");

        QTest::newRow("same clerk") << u"Jan"_s << u"jan-heslo"_s << u"unlock Jan"_s;
        QTest::newRow("an owner") << u"Eva"_s << u"eva-heslo"_s << u"unlock Jan {\"clerk\":\"Eva\"}"_s;
        QTest::newRow("another clerk") << u"Ida"_s << u"ida-heslo"_s
                                       << u"sign-in-failed Jan {\"clerk\":\"Ida\",\"note\":\"odomknutie\"}"_s;
        QTest::newRow("wrong password") << u"Jan"_s << u"eva-heslo"_s
                                        << u"sign-in-failed Jan {\"clerk\":\"Jan\",\"note\":\"odomknutie\"}"_s;
    }

    void unlock()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, row);
        addBoth();
        Clerks::add(*m_store, u"Ida"_s, Role::Clerk, u"ida-heslo"_s);
        QVERIFY(Clerks::signIn(*m_store, u"Jan"_s, u"jan-heslo"_s));
        const qint64 seq = lastSeq();
        Clerks::lock(*m_store);
        QCOMPARE(Clerks::unlock(*m_store, name, password), row.startsWith(u"unlock"_s));
        QCOMPARE(rowsSince(seq), (QStringList{u"lock Jan"_s, row}));
        QCOMPARE(m_store->clerk(), u"Jan"_s); // whoever unlocked, the counter stays Jan's
    }

    // Five wrong attempts of a name in a row are free; after them each waits, in any program on the store: the
    // trail counts them. Names that are no clerk's are counted together, and stored as none.
    void attempts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("other"); // another name tried meanwhile, its count apart
        QTest::newRow("a clerk") << u"Jan"_s << u"Eva"_s;
        QTest::newRow("unknown names") << u"Ola"_s << u"Jan"_s;
    }

    void attempts()
    {
        QFETCH(QString, name);
        QFETCH(QString, other);
        Clerks::setPenalty(1h);
        addBoth();
        const auto fail = [&](Store& store, const QString& who) {
            QVERIFY(!Clerks::signIn(store, who, u"zle-heslo"_s));
        };
        for (int i = 0; i < Clerks::FreeAttempts - 1; ++i)
            fail(*m_store, name);
        QCOMPARE(Clerks::signInWait(*m_store, name), 0ms);
        if (name == u"Jan"_s) {
            QVERIFY(Clerks::signIn(*m_store, u"Jan"_s, u"jan-heslo"_s)); // a right one starts the count again
            for (int i = 0; i < Clerks::FreeAttempts - 1; ++i)
                fail(*m_store, name);
            QCOMPARE(Clerks::signInWait(*m_store, name), 0ms);
        }
        fail(*m_store, other);
        Store another(m_store->dataDir()); // another program, or the same started again
        fail(another, name == u"Ola"_s ? u"Ida"_s : name);
        QVERIFY(Clerks::signInWait(another, name) > 59min);
        QVERIFY(Clerks::signInWait(*m_store, name) > 59min);
        QCOMPARE(Clerks::signInWait(*m_store, other), 0ms);
        const qint64 seq = lastSeq();
        try {
            Clerks::signIn(another, name, u"jan-heslo"_s);
            QFAIL("signed in while waiting");
        } catch (const Clerks::Waiting& e) {
            QVERIFY2(e.text().startsWith(u"Priveľa nesprávnych pokusov. Ďalší pokus bude možný o 3"_s),
                     qPrintable(e.text()));
        }
        QCOMPARE(lastSeq(), seq); // nothing checked, nothing recorded
        const QStringList rows = rowsSince(0);
        QVERIFY(!rows.join(u' ').contains(u"Ola"_s) && !rows.join(u' ').contains(u"Ida"_s));
        Clerks::setPenalty(1ms);
        QTRY_COMPARE(Clerks::signInWait(*m_store, name), 0ms);
    }

    // A store whose trail shows clerks added opens only with an active owner, whatever was done to the clerks'
    // table behind the program's back; one that never had clerks opens as always.
    void openWithoutOwner_data()
    {
        QTest::addColumn<QString>("sql"); // run after Eva and Jan were added; empty: no clerks ever
        QTest::addColumn<bool>("opens");
        QTest::newRow("no clerks ever") << QString() << true;
        QTest::newRow("owner active") << u"UPDATE Pokladnici SET ACTIVE = 0 WHERE NAME = 'Jan'"_s << true;
        QTest::newRow("clerks deleted") << u"DELETE FROM Pokladnici"_s << false;
        QTest::newRow("owner disabled") << u"UPDATE Pokladnici SET ACTIVE = 0 WHERE NAME = 'Eva'"_s << false;
        QTest::newRow("owner made a clerk") << u"UPDATE Pokladnici SET ROLE = 'clerk'"_s << false;
    }

    void openWithoutOwner()
    {
        QFETCH(QString, sql);
        QFETCH(bool, opens);
        if (!sql.isEmpty()) {
            addBoth();
            m_store->exec(sql);
        }
        const QString location = m_store->dataDir();
        m_store.reset();
        try {
            m_store = std::make_unique<Store>(location);
            QVERIFY2(opens, "opened as if nobody had to sign in");
        } catch (const StoreError& e) {
            QVERIFY2(!opens, qPrintable(e.text()));
            QVERIFY2(dynamic_cast<const Trail::OwnerMissing*>(&e), qPrintable(e.text()));
            QVERIFY2(errorText(e).contains(u"nemá aktívneho vlastníka"_s), qPrintable(errorText(e)));
        }
    }

    // Without a clerk everything is allowed; with one, owner's work only for an owner signed in.
    void ownerWork()
    {
        Shop shop(m_store->dataDir());
        QVERIFY(shop.ownerMayWork());
        Clerks::add(shop.store(), u"Eva"_s, Role::Owner, u"eva-heslo"_s);
        QVERIFY(!shop.ownerMayWork()); // defined meanwhile: nobody signed in is the owner
        shop.setRole(Role::Clerk);
        QVERIFY(!shop.ownerMayWork());
        shop.setRole(Role::Owner);
        QVERIFY(shop.ownerMayWork());
    }
};

QTEST_GUILESS_MAIN(TestClerks)
#include "tst_clerks.moc"
