// The register where the store has clerks: the sign-in before the frame opens, the lock after idle minutes, the
// sign-out, the owner's commands and the clerks window, with the trail row of every attempt.
#include "FreshProgram.h"
#include "TrailLines.h"
#include "app/Main.h"
#include "core/Clerks.h"
#include "core/Shop.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/admin/EngineConfig.h"
#include "widgets/IdleWatch.h"
#include "widgets/Messages.h"
#include "windows/register/Inventar.h"
#include "windows/register/Osoby.h"
#include "windows/register/Predlz.h"
#include "windows/register/Zmluvy.h"
#include "windows/services/Archiv.h"
#include "windows/services/Pokladnici.h"
#include "windows/services/Prihlasenie.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;
using Clerks::Role;

namespace {

// The owner Eva, the clerks Jan and Ida, and Ola, who may no longer sign in.
void addClerks(Store& store)
{
    Clerks::add(store, u"Eva"_s, Role::Owner, u"eva-heslo"_s);
    Clerks::add(store, u"Jan"_s, Role::Clerk, u"jan-heslo"_s);
    Clerks::add(store, u"Ida"_s, Role::Clerk, u"ida-heslo"_s);
    Clerks::add(store, u"Ola"_s, Role::Clerk, u"ola-heslo"_s);
    Clerks::disable(store, u"Ola"_s);
}

// One record in each of the four register tables, of one contract and its pledger.
void addRecords(Store& store)
{
    const auto add = [&store](const QString& file, const QList<std::pair<QString, QString>>& values) {
        Table t(store, file);
        t.open();
        t.append();
        for (const auto& [field, value] : values)
            t.field(field).setAsString(value);
        t.post();
    };
    add(u"Osoby.DBF"_s, {{u"BIRTHNUM"_s, u"7001011234"_s}, {u"LASTNAME"_s, u"Alfa"_s}});
    add(u"Zmluvy.DBF"_s, {{u"NUMBER"_s, u"26/00001"_s}, {u"BIRTHNUM"_s, u"7001011234"_s}, {u"AMOUNT"_s, u"1000"_s}});
    add(u"Inventar.DBF"_s, {{u"NUMBER"_s, u"26/00001"_s}, {u"SUBJECT"_s, u"Prsteň"_s}});
    add(u"Predlz.DBF"_s, {{u"NUMBER"_s, u"26/00001"_s}, {u"X_PAID"_s, u"100"_s}});
}

QStringList comboItems(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

QStringList objectNames(const QMenu* menu)
{
    QStringList names;
    for (const QAction* a : menu->actions())
        names << (a->isSeparator() ? u"-"_s : a->objectName());
    return names;
}

} // namespace

class TestSignIn : public QObject
{
    Q_OBJECT

private:
    FreshProgram m_program;
    TForm1* m_main = nullptr;

    Store& store() { return m_main->shop().store(); }

    // The program on a store with the clerks (and records), waiting for the sign-in.
    void start(bool records = false)
    {
        m_main = m_program.start(QDate(2026, 6, 1), [records](Store& s) {
            addClerks(s);
            if (records) addRecords(s);
        });
        QVERIFY(m_main);
        QVERIFY(!m_main->isVisible());
        QVERIFY(m_main->clerkDialog());
    }

    // The dialog that asks for a clerk, answered with name and password.
    void answer(const QString& name, const QString& password)
    {
        TPrihlasenie* d = m_main->clerkDialog();
        QVERIFY(d);
        QVERIFY(d->isVisible());
        d->ComboBox1->setCurrentIndex(d->ComboBox1->findText(name));
        QCOMPARE(d->ComboBox1->currentText(), name);
        d->Edit1->setFocus();
        QTest::keyClicks(d->Edit1, password);
        QTest::mouseClick(d->BitBtn1, Qt::LeftButton);
    }

    void signIn(const QString& name, const QString& password)
    {
        answer(name, password);
        QVERIFY(m_main->isVisible());
        QCOMPARE(Messages::takeShown().size(), 0);
    }

    // Idle for that long, as the next tick of the status bar finds it.
    void idleFor(std::chrono::milliseconds idle)
    {
        m_main->idleWatch()->pretendIdle(idle);
        m_main->Timer1Timer();
    }

private Q_SLOTS:
    void cleanup()
    {
        m_program.stop();
        m_main = nullptr;
        Clerks::setPenalty(30s);
        // A program that ended asked the application to quit, queued: delivered here, outside any event loop, it
        // ends nothing, where a later test's own loop would take it and stop at once.
        QCoreApplication::sendPostedEvents();
    }

    // Without clerks the frame opens at once and nothing of the clerks shows.
    void withoutClerks()
    {
        m_main = m_program.start(QDate(2026, 6, 1));
        QVERIFY(m_main);
        QVERIFY(m_main->isVisible());
        QVERIFY(!m_main->clerkDialog());
        QVERIFY(!objectNames(m_main->action(u"Mervana1"_s)->menu()).contains(u"Odhlsi1"_s));
        QVERIFY(!objectNames(m_main->action(u"Servis1"_s)->menu()).contains(u"Pokladnci1"_s));
        QVERIFY(m_main->statusPanel(3)->isHidden());
        idleFor(24h); // nobody to unlock it: it never locks
        QVERIFY(!m_main->isLocked());
        QCOMPARE(store().clerk(), Trail::noClerk());
    }

    // A store whose clerks were deleted behind the program's back does not open as everyone's.
    void refusedWithoutOwner()
    {
        m_main = m_program.start(QDate(2026, 6, 1), [](Store& s) {
            addClerks(s);
            s.exec(u"DELETE FROM Pokladnici"_s);
        });
        QVERIFY(!m_main);
        const QList<Messages::Shown> shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().text.contains(u"nemá aktívneho vlastníka"_s), qPrintable(shown.first().text));
    }

    // The dialog offers the active clerks; a right password opens the frame for that clerk, a wrong one is
    // refused; each attempt leaves its row.
    void signIn_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("panel"); // empty: refused

        QTest::newRow("clerk") << u"Jan"_s << u"jan-heslo"_s << u"Jan (pokladník)"_s;
        QTest::newRow("owner") << u"Eva"_s << u"eva-heslo"_s << u"Eva (vlastník)"_s;
        QTest::newRow("wrong password") << u"Jan"_s << u"eva-heslo"_s << QString();
        QTest::newRow("empty password") << u"Eva"_s << QString() << QString();
    }

    void signIn()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, panel);
        start();
        TPrihlasenie* d = m_main->clerkDialog();
        QCOMPARE(d->windowTitle(), u"Prihlásenie"_s);
        // Before the frame is there, in the middle of the screen.
        const QPoint middle = d->screen()->availableGeometry().center();
        QVERIFY2((d->frameGeometry().center() - middle).manhattanLength() <= 4,
                 qPrintable(u"%1,%2"_s.arg(d->frameGeometry().center().x()).arg(d->frameGeometry().center().y())));
        QCOMPARE(comboItems(d->ComboBox1), (QStringList{u"Eva"_s, u"Ida"_s, u"Jan"_s})); // not Ola
        QCOMPARE(d->Edit1->echoMode(), QLineEdit::Password);
        const qint64 seq = trailEnd(store());

        answer(name, password);
        if (panel.isEmpty()) {
            const QList<Messages::Shown> shown = Messages::takeShown();
            QCOMPARE(shown.size(), 1);
            QCOMPARE(shown.first().kind, Messages::Kind::Warning);
            QCOMPARE(shown.first().text, u"Nesprávne heslo."_s);
            QVERIFY(!m_main->isVisible());
            QVERIFY(d->isVisible());
            QVERIFY(d->Edit1->text().isEmpty());
            QCOMPARE(trailLines(store(), seq), QStringList{u"sign-in-failed — {\"clerk\":\"%1\"}"_s.arg(name)});
            return;
        }
        QVERIFY(m_main->isVisible());
        QVERIFY(m_main->form3()->isVisible());
        QCOMPARE(m_main->statusPanel(3)->text(), panel);
        QVERIFY(!m_main->statusPanel(3)->isHidden());
        QCOMPARE(trailLines(store(), seq), QStringList{u"sign-in "_s + name});
        QCOMPARE(store().clerk(), name);
        // Signing out where clerks sign in, just above "&Koniec"; the clerks window for owners only.
        QCOMPARE(objectNames(m_main->action(u"Mervana1"_s)->menu()).mid(5),
                 (QStringList{u"Hadanie1"_s, u"-"_s, u"Odhlsi1"_s, u"Koniec1"_s}));
        const QStringList service = objectNames(m_main->action(u"Servis1"_s)->menu());
        const bool owner = name == u"Eva"_s;
        QCOMPARE(service.mid(service.indexOf(u"Reindexcia1"_s), 3),
                 owner ? (QStringList{u"Reindexcia1"_s, u"Pokladnci1"_s, u"-"_s})
                       : (QStringList{u"Reindexcia1"_s, u"-"_s, u"Kalkulaka1"_s}));
        // From now on every row names the clerk.
        {
            Table t(store(), u"Zmluvy.DBF"_s);
            t.open();
            t.append();
            t.field(u"NUMBER"_s).setAsString(u"26/00009"_s);
            t.post();
        }
        QCOMPARE(trailLines(store(), seq).last().section(u' ', 0, 1), u"new "_s + name);
    }

    // After five wrong passwords in a row the next attempt waits, also after a restart; the dialog says how long.
    void fiveWrongWait_data()
    {
        QTest::addColumn<int>("penalty"); // milliseconds
        QTest::newRow("waiting") << 3600 * 1000;
        QTest::newRow("waited") << 20;
    }

    void fiveWrongWait()
    {
        QFETCH(int, penalty);
        Clerks::setPenalty(std::chrono::milliseconds(penalty));
        start();
        TPrihlasenie* d = m_main->clerkDialog();
        const qint64 seq = trailEnd(store());
        for (int i = 0; i < Clerks::FreeAttempts; ++i) {
            QVERIFY(d->BitBtn1->isEnabled());
            answer(u"Jan"_s, u"zle"_s);
        }
        QCOMPARE(Messages::takeShown().size(), Clerks::FreeAttempts);
        QCOMPARE(trailLines(store(), seq).size(), Clerks::FreeAttempts);
        if (penalty > 1000) {
            m_main = m_program.restart(QDate(2026, 6, 1)); // the wait is the store's, not the program's
            d = m_main->clerkDialog();
            d->ComboBox1->setCurrentIndex(d->ComboBox1->findText(u"Ida"_s));
            QVERIFY(d->BitBtn1->isEnabled()); // another clerk's count is apart
            d->ComboBox1->setCurrentIndex(d->ComboBox1->findText(u"Jan"_s));
            QVERIFY(!d->BitBtn1->isEnabled());
            // The trail keeps whole seconds: the last wrong one may lie up to a second before it was made.
            QVERIFY2(QRegularExpression(u"^Priveľa nesprávnych pokusov. Ďalší pokus bude možný o 3(599|600) s.$"_s)
                         .match(d->Label3->text())
                         .hasMatch(),
                     qPrintable(d->Label3->text()));
            // Even when OK is reached otherwise, nothing is checked and nothing recorded meanwhile.
            d->Edit1->setText(u"jan-heslo"_s);
            d->BitBtn1Click();
            QVERIFY(!m_main->isVisible());
            QCOMPARE(trailLines(store(), seq).size(), Clerks::FreeAttempts);
            return;
        }
        QTRY_VERIFY(d->BitBtn1->isEnabled());
        QCOMPARE(d->Label3->text(), u"Vyberte pokladníka a zadajte heslo."_s);
        signIn(u"Jan"_s, u"jan-heslo"_s);
    }

    // "&Zrušiť" ends the program without a frame.
    void cancelEnds()
    {
        start();
        QSignalSpy ended(m_main, &TForm1::programEnded);
        QTest::mouseClick(m_main->clerkDialog()->BitBtn2, Qt::LeftButton);
        QCOMPARE(ended.count(), 1);
        QVERIFY(!m_main->isVisible());
        QVERIFY(!m_main->form3());
    }

    // Idle for LockMinutes, the register locks: the windows stay as they are under a cover, and only the
    // signed-in clerk or an owner unlocks it.
    void lockAndUnlock_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("row");

        QTest::newRow("same clerk") << u"Jan"_s << u"jan-heslo"_s << u"unlock Jan"_s;
        QTest::newRow("owner") << u"Eva"_s << u"eva-heslo"_s << u"unlock Jan {\"clerk\":\"Eva\"}"_s;
        QTest::newRow("wrong password") << u"Jan"_s << u"ida-heslo"_s
                                        << u"sign-in-failed Jan {\"clerk\":\"Jan\",\"note\":\"odomknutie\"}"_s;
        QTest::newRow("owner, wrong password")
            << u"Eva"_s << u"jan-heslo"_s << u"sign-in-failed Jan {\"clerk\":\"Eva\",\"note\":\"odomknutie\"}"_s;
    }

    void lockAndUnlock()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, row);
        start(true);
        signIn(u"Jan"_s, u"jan-heslo"_s);
        // A new person half typed.
        TForm3* persons = m_main->form3();
        m_main->showChild(persons);
        QTest::mouseClick(persons->BitBtn1, Qt::LeftButton);
        retype(persons->Edit3, u"Rozpisana"_s);
        retype(persons->Edit6, u"Nitra"_s);
        const Table::State state = persons->Table1->state();
        const qint64 seq = trailEnd(store());

        idleFor(9min);
        QVERIFY(!m_main->isLocked());
        idleFor(10min);
        QVERIFY(m_main->isLocked());
        auto* cover = m_main->findChild<QWidget*>(u"Cover"_s);
        QVERIFY(cover && cover->isVisible());
        QCOMPARE(cover->geometry(), m_main->rect());
        TPrihlasenie* d = m_main->clerkDialog();
        QVERIFY(d && d->isVisible());
        QCOMPARE(d->mode(), TPrihlasenie::Mode::Unlock);
        QVERIFY(d->isModal());
        QCOMPARE(comboItems(d->ComboBox1), (QStringList{u"Jan"_s, u"Eva"_s})); // Ida may not
        QVERIFY(!d->BitBtn2);                                                  // no way round it
        d->reject();                                                           // nor Escape
        QVERIFY(d->isVisible());
        idleFor(60min);
        QCOMPARE(trailLines(store(), seq), QStringList{u"lock Jan"_s}); // locked once

        answer(name, password);
        const bool unlocked = row.startsWith(u"unlock"_s);
        QCOMPARE(m_main->isLocked(), !unlocked);
        QCOMPARE(cover->isVisible(), !unlocked);
        QCOMPARE(Messages::takeShown().size(), unlocked ? 0 : 1);
        QCOMPARE(trailLines(store(), seq), (QStringList{u"lock Jan"_s, row}));
        QCOMPARE(store().clerk(), u"Jan"_s);
        // Nothing typed was lost, nothing was stored.
        QVERIFY(persons->isVisible());
        QCOMPARE(persons->Edit3->text(), u"Rozpisana"_s);
        QCOMPARE(persons->Edit6->text(), u"Nitra"_s);
        QCOMPARE(persons->Table1->state(), state);
        QCOMPARE(m_main->shop().Table2->recordCount(), 1);
        if (unlocked) {
            idleFor(9min); // the idle time counts afresh
            QVERIFY(!m_main->isLocked());
        }
    }

    // The lock takes every other window of the program off the screen, a modal one waiting for its answer too,
    // and puts each back unanswered once unlocked.
    void lockHidesEveryWindow_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("modal, in exec") << u"exec"_s;
        QTest::newRow("window-modal") << u"open"_s;
        QTest::newRow("a window of its own") << u"show"_s;
        QTest::newRow("opened while locked") << u"later"_s;
    }

    void lockHidesEveryWindow()
    {
        QFETCH(QString, how);
        start();
        signIn(u"Jan"_s, u"jan-heslo"_s);
        QDialog window(m_main);
        window.setWindowTitle(u"Náhľad"_s);
        bool hidden = false, back = false;
        const auto lockAndUnlock = [&] {
            idleFor(10min);
            if (how == u"later"_s) {
                window.show();
                QCoreApplication::processEvents();
            }
            hidden = m_main->isLocked() && window.isHidden();
            answer(u"Jan"_s, u"jan-heslo"_s);
            back = !m_main->isLocked() && window.isVisible();
            if (how == u"exec"_s) window.done(7);
        };
        if (how == u"exec"_s) {
            QTimer::singleShot(0, &window, lockAndUnlock);
            QCOMPARE(window.exec(), 7); // the lock answered nothing
        } else {
            if (how == u"open"_s) window.open();
            if (how == u"show"_s) window.show();
            lockAndUnlock();
        }
        QVERIFY(hidden);
        QVERIFY(back);
    }

    // LockMinutes of the engine configuration: 10 when absent, 0 never.
    void lockMinutes_data()
    {
        QTest::addColumn<QString>("entry"); // empty: absent
        QTest::addColumn<int>("notYet");    // minutes idle that do not lock
        QTest::addColumn<int>("locks");     // minutes that do, 0: none

        QTest::newRow("absent") << QString() << 9 << 10;
        QTest::newRow("3") << u"3"_s << 2 << 3;
        QTest::newRow("never") << u"0"_s << 24 * 60 << 0;
        QTest::newRow("no number") << u"deset"_s << 9 << 10;
    }

    void lockMinutes()
    {
        QFETCH(QString, entry);
        QFETCH(int, notYet);
        QFETCH(int, locks);
        start();
        if (!entry.isEmpty()) {
            QSettings config(EngineConfig::filePath(), QSettings::IniFormat);
            config.setValue(u"Mervana/LockMinutes"_s, entry);
        }
        QCOMPARE(EngineConfig::lockMinutes(), locks);
        signIn(u"Ida"_s, u"ida-heslo"_s);
        idleFor(std::chrono::minutes(notYet));
        QVERIFY(!m_main->isLocked());
        if (locks == 0) return;
        idleFor(std::chrono::minutes(locks));
        QVERIFY(m_main->isLocked());
    }

    // Input keeps it open: a key pressed anywhere counts the idle time afresh.
    void inputKeepsOpen()
    {
        start();
        signIn(u"Jan"_s, u"jan-heslo"_s);
        m_main->idleWatch()->pretendIdle(9min);
        QTest::keyClick(m_main->form3()->Edit9, Qt::Key_A);
        QVERIFY(m_main->idleWatch()->idle() < 1min);
        m_main->Timer1Timer();
        QVERIFY(!m_main->isLocked());
    }

    // "&Odhlásiť" asks, closes the windows as at exit, and asks for the next clerk; the next sign-in opens the
    // frame again for them.
    void signOutAndIn()
    {
        start(true);
        signIn(u"Jan"_s, u"jan-heslo"_s);
        QPointer<TForm3> persons = m_main->form3();
        const qint64 seq = trailEnd(store());

        Messages::pushAnswer(false);
        m_main->action(u"Odhlsi1"_s)->trigger();
        QList<Messages::Shown> shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().kind, Messages::Kind::Question);
        QCOMPARE(shown.first().text, u"Skutočne sa chcete odhlásiť ?"_s);
        QVERIFY(m_main->isVisible());
        QCOMPARE(m_main->form3(), persons.data());

        Messages::pushAnswer(true);
        m_main->action(u"Odhlsi1"_s)->trigger();
        QCOMPARE(Messages::takeShown().size(), 1);
        QVERIFY(!m_main->isVisible());
        QVERIFY(!persons); // closed, as at exit
        QVERIFY(!m_main->form3());
        QCOMPARE(m_main->clerkDialog()->mode(), TPrihlasenie::Mode::SignIn);
        QCOMPARE(store().clerk(), Trail::noClerk());
        QVERIFY(m_main->statusPanel(3)->isHidden());
        QCOMPARE(trailLines(store(), seq), QStringList{u"sign-out Jan"_s});
        idleFor(24h); // nobody signed in: nothing to lock
        QVERIFY(!m_main->isLocked());

        signIn(u"Eva"_s, u"eva-heslo"_s);
        QVERIFY(m_main->form3() && m_main->form3()->isVisible());
        QCOMPARE(m_main->form2()->Table1->recordCount(), 1);
        QCOMPARE(m_main->statusPanel(3)->text(), u"Eva (vlastník)"_s);
        QCOMPARE(trailLines(store(), seq), (QStringList{u"sign-out Jan"_s, u"sign-in Eva"_s}));
        // The menus changed with the clerk, and only once.
        const QStringList service = objectNames(m_main->action(u"Servis1"_s)->menu());
        QCOMPARE(service.count(u"Pokladnci1"_s), 1);
        QCOMPARE(objectNames(m_main->action(u"Mervana1"_s)->menu()).count(u"Odhlsi1"_s), 1);

        // Leaving the program signs the clerk out too.
        m_program.close();
        m_main = nullptr;
        Store after(m_program.location());
        QCOMPARE(trailLines(after, seq), (QStringList{u"sign-out Jan"_s, u"sign-in Eva"_s, u"sign-out Eva"_s}));
    }

    // In the program's own event loop: signing in, out and in again never ends the run by itself (the frame
    // hides meanwhile, the dialogs close); "&Zrušiť" does.
    void eventLoop_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("in, out, in") << false;
        QTest::newRow("cancelled") << true;
    }

    void eventLoop()
    {
        QFETCH(bool, cancel);
        start();
        QStringList steps;
        bool stopped = false;
        const auto later = [](std::function<void()> step) { QTimer::singleShot(20, qApp, std::move(step)); };
        if (cancel) {
            later([&] { QTest::mouseClick(m_main->clerkDialog()->BitBtn2, Qt::LeftButton); });
        } else {
            later([&] {
                answer(u"Jan"_s, u"jan-heslo"_s);
                steps << u"Jan"_s;
                later([&] {
                    Messages::pushAnswer(true);
                    m_main->action(u"Odhlsi1"_s)->trigger();
                    steps << u"out"_s;
                    later([&] {
                        answer(u"Eva"_s, u"eva-heslo"_s);
                        steps << u"Eva"_s;
                        later([&] {
                            steps << (m_main->isVisible() ? u"open"_s : u"hidden"_s);
                            QCoreApplication::quit();
                        });
                    });
                });
            });
        }
        // Should the run hang, it ends here all the same.
        QTimer::singleShot(60000, qApp, [&stopped] {
            stopped = true;
            QCoreApplication::quit();
        });
        QCoreApplication::exec();
        QVERIFY(!stopped);
        QCOMPARE(steps, cancel ? QStringList() : (QStringList{u"Jan"_s, u"out"_s, u"Eva"_s, u"open"_s}));
        Messages::takeShown();
    }

    // The owner's commands: refused for a clerk with a message, allowed for an owner and where nobody signs in.
    void ownerOnly_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("who"); // empty: a store without clerks

        for (const char* command : {"Zloha1", "Obnova1", "Reindexcia1", "Pokladnci1", "contract", "person", "item",
                                    "extension", "extension grid"}) {
            QTest::addRow("%s, clerk", command) << QString::fromLatin1(command) << u"Jan"_s;
            QTest::addRow("%s, owner", command) << QString::fromLatin1(command) << u"Eva"_s;
            QTest::addRow("%s, no clerks", command) << QString::fromLatin1(command) << QString();
        }
    }

    void ownerOnly()
    {
        QFETCH(QString, command);
        QFETCH(QString, who);
        if (who.isEmpty()) {
            m_main = m_program.start(QDate(2026, 6, 1), addRecords);
            QVERIFY(m_main && m_main->isVisible());
        } else {
            start(true);
            signIn(who, who == u"Eva"_s ? u"eva-heslo"_s : u"jan-heslo"_s);
        }
        const auto count = [this](const QString& table) {
            return store().scalar(u"SELECT COUNT(*) FROM "_s + table).toInt();
        };
        const QStringList tables{u"Zmluvy"_s, u"Osoby"_s, u"Inventar"_s, u"Predlz"_s};
        QList<int> before;
        for (const QString& t : tables)
            before << count(t);

        Messages::pushAnswer(true);
        QString deleted; // the table a delete is to empty
        if (command == u"contract"_s) {
            m_main->Vetky1Click();
            QTest::mouseClick(m_main->form2()->BitBtn5, Qt::LeftButton);
            deleted = u"Zmluvy"_s;
        } else if (command == u"person"_s) {
            QTest::mouseClick(m_main->form3()->BitBtn3, Qt::LeftButton);
            deleted = u"Osoby"_s;
        } else if (command == u"item"_s) {
            m_main->Vetok1Click();
            QTest::mouseClick(m_main->form4()->BitBtn2, Qt::LeftButton);
            deleted = u"Inventar"_s;
        } else if (command.startsWith(u"extension"_s)) {
            m_main->Predenia1Click();
            if (command == u"extension grid"_s)
                QTest::keyClick(m_main->form7()->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
            else
                QTest::mouseClick(m_main->form7()->BitBtn2, Qt::LeftButton);
            deleted = u"Predlz"_s;
        } else {
            m_main->action(command)->trigger();
        }
        const QList<Messages::Shown> shown = Messages::takeShown();
        Messages::takeShown();
        const bool allowed = who != u"Jan"_s;
        if (!allowed) {
            QCOMPARE(shown.size(), 1);
            QCOMPARE(shown.first().kind, Messages::Kind::Warning);
            QCOMPARE(shown.first().text, u"Túto činnosť môže vykonať iba vlastník."_s);
        } else {
            for (const Messages::Shown& s : shown)
                QVERIFY2(s.kind == Messages::Kind::Question || s.kind == Messages::Kind::OkCancel, qPrintable(s.text));
        }
        for (int i = 0; i < tables.size(); ++i)
            QCOMPARE(count(tables.at(i)), before.at(i) - (allowed && tables.at(i) == deleted ? 1 : 0));
        if (command == u"Zloha1"_s || command == u"Obnova1"_s) {
            const TForm18* archive = m_main->existingForm<TForm18>();
            QCOMPARE(archive && archive->isVisible(), allowed);
        }
        if (command == u"Pokladnci1"_s) {
            const TPokladnici* clerks = m_main->existingForm<TPokladnici>();
            QCOMPARE(clerks && clerks->isVisible(), allowed);
        }
    }

    // The archive window opened by an owner refuses its move once a clerk works at the counter.
    void archiveWindowChecksToo()
    {
        start(true);
        signIn(u"Jan"_s, u"jan-heslo"_s);
        m_main->shop().setRole(Role::Owner);
        m_main->action(u"Zloha1"_s)->trigger();
        TForm18* archive = m_main->existingForm<TForm18>();
        QVERIFY(archive && archive->isVisible());
        m_main->shop().setRole(Role::Clerk);
        const qint64 seq = trailEnd(store());
        QTest::mouseClick(archive->BitBtn2, Qt::LeftButton);
        const QList<Messages::Shown> shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text, u"Túto činnosť môže vykonať iba vlastník."_s);
        QCOMPARE(trailEnd(store()), seq);
    }

    // The owner's window of the clerks: add, change a password, disable, each through the trail.
    void clerksWindow()
    {
        start();
        signIn(u"Eva"_s, u"eva-heslo"_s);
        m_main->action(u"Pokladnci1"_s)->trigger();
        TPokladnici* w = m_main->existingForm<TPokladnici>();
        QVERIFY(w && w->isVisible());
        const auto grid = [w] {
            QStringList rows;
            for (int r = 0; r < w->StringGrid1->rowCount(); ++r)
                rows << w->StringGrid1->item(r, 0)->text() + u'|' + w->StringGrid1->item(r, 1)->text() + u'|' +
                            w->StringGrid1->item(r, 2)->text();
            return rows;
        };
        QCOMPARE(grid(), (QStringList{u"Eva|vlastník|aktívny"_s, u"Ida|pokladník|aktívny"_s, u"Jan|pokladník|aktívny"_s,
                                      u"Ola|pokladník|zakázaný"_s}));
        const qint64 seq = trailEnd(store());

        // Two different passwords: nothing added.
        retype(w->Edit1, u"Pavol"_s);
        w->ComboBox1->setCurrentIndex(1);
        retype(w->Edit2, u"pavol-heslo"_s);
        retype(w->Edit3, u"pavol-helso"_s);
        QTest::mouseClick(w->BitBtn1, Qt::LeftButton);
        QList<Messages::Shown> shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text, u"Heslá sa nezhodujú."_s);
        QVERIFY(w->Edit2->text().isEmpty() && w->Edit3->text().isEmpty());
        QCOMPARE(grid().size(), 4);

        retype(w->Edit2, u"pavol-heslo"_s);
        retype(w->Edit3, u"pavol-heslo"_s);
        QTest::mouseClick(w->BitBtn1, Qt::LeftButton);
        shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text, u"Pokladník Pavol bol pridaný."_s);
        QCOMPARE(grid().at(4), u"Pavol|vlastník|aktívny"_s);
        QCOMPARE(Clerks::check(store(), u"Pavol"_s, u"pavol-heslo"_s), std::optional<Role>(Role::Owner));

        // A name taken: the store's refusal, nothing added.
        retype(w->Edit1, u"jan"_s);
        retype(w->Edit2, u"heslo-123"_s);
        retype(w->Edit3, u"heslo-123"_s);
        QTest::mouseClick(w->BitBtn1, Qt::LeftButton);
        shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text, u"Pokladník Jan už existuje."_s);

        // Jan's password, then Jan disabled.
        QTest::mouseClick(w->BitBtn2, Qt::LeftButton);
        QCOMPARE(Messages::takeShown().first().text, u"Vyberte pokladníka v zozname."_s);
        w->StringGrid1->setCurrentCell(2, 0);
        // Too short a password: said so, the old one stays.
        retype(w->Edit2, u"kratke"_s);
        retype(w->Edit3, u"kratke"_s);
        QTest::mouseClick(w->BitBtn2, Qt::LeftButton);
        QCOMPARE(Messages::takeShown().first().text, u"Heslo musí mať aspoň 8 znakov."_s);
        QVERIFY(Clerks::check(store(), u"Jan"_s, u"jan-heslo"_s));
        retype(w->Edit2, u"jan-nove"_s);
        retype(w->Edit3, u"jan-nove"_s);
        QTest::mouseClick(w->BitBtn2, Qt::LeftButton);
        QCOMPARE(Messages::takeShown().first().text, u"Heslo pokladníka Jan bolo zmenené."_s);
        QVERIFY(Clerks::check(store(), u"Jan"_s, u"jan-nove"_s));
        Messages::pushAnswer(true);
        QTest::mouseClick(w->BitBtn3, Qt::LeftButton);
        QCOMPARE(Messages::takeShown().first().text,
                 u"Skutočne zakázať pokladníka Jan ?\rPrihlásiť sa už nebude môcť."_s);
        QCOMPARE(grid().at(2), u"Jan|pokladník|zakázaný"_s);

        QCOMPARE(trailLines(store(), seq),
                 (QStringList{u"clerk-added Eva {\"clerk\":\"Pavol\"} NAME:>Pavol ROLE:>owner ACTIVE:>1"_s,
                              u"clerk-changed Eva {\"changed\":\"password\",\"clerk\":\"Jan\"}"_s,
                              u"clerk-changed Eva {\"clerk\":\"Jan\"} ACTIVE:1>0"_s}));
    }
};

QTEST_MAIN(TestSignIn)
#include "tst_signin.moc"
