#pragma once

#include "core/Clerks.h"
#include "widgets/Frame.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <memory>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;
class QToolBar;
class QToolButton;
class QWidget;
class IdleWatch;
class Shop;
class StoreLock;
class TPrihlasenie;

// The frame of the register: MDI parent with menu, tool bar and status bar. Owns the shared state (the
// store, the five live table instances, the shop's name, the views) and the registry of the windows.
class TForm1 : public QMainWindow, public Frame
{
    Q_OBJECT
public:
    // FormCreate: makes sure of the database name, opens the store and Table1..Table5 in order.
    explicit TForm1(const QString& programDir, QWidget* parent = nullptr);
    ~TForm1() override;

    Shop& shop() const override { return *m_shop; }

    // Tool bar and status bar.
    QToolBar* Panel1 = nullptr;
    QToolButton* SpeedButton1 = nullptr; // "Zmluvy"
    QToolButton* SpeedButton2 = nullptr; // "Osoby"
    QToolButton* SpeedButton3 = nullptr; // "Inventár"
    QToolButton* SpeedButton4 = nullptr; // "Predĺženia"
    QToolButton* SpeedButton5 = nullptr; // "Tlač zmluvy"
    QToolButton* SpeedButton6 = nullptr; // "Koniec programu"
    QTimer* Timer1 = nullptr;
    QLabel* statusPanel(int index) const { return m_panels[index]; } // 3: the signed-in clerk

    // A menu action (or a submenu's action) by its object name; nullptr when there is none.
    QAction* action(const QString& objectName) const override;

    // The hint of the menu item or control under the mouse, as the status bar shows it next tick.
    QString currentHint() const { return m_hint; }

    QMdiArea* mdiArea() const override { return m_mdi; }
    QWidget* frameWidget() override { return this; }

    // The register windows, created at start-up.
    TForm2* form2() const override { return m_form2; }
    TForm3* form3() const override { return m_form3; }
    TForm4* form4() const override { return m_form4; }
    TForm7* form7() const override { return m_form7; }
    TForm20* form20() const override { return m_form20; }

    // Creates the register windows and the day picker in start-up order (persons window last, in front).
    void createRegisterWindows();

    // Shows a register window (its MDI sub-window), restoring it when minimised.
    void showChild(QWidget* form) override;
    QMdiSubWindow* addChild(QWidget* form);

    // "&Mervana" views (Views.cpp); the routines behind them are the shared state's.
    void Vetky1Click();
    void Aktulne1Click();
    void Expirovan1Click();
    void Zaplaten1Click();
    void Prepadnut1Click();
    void Predlovan1Click();
    void Osoby1Click();
    void Vetok1Click();
    void Aktulnypredexpirciou1Click();
    void Expirovanpoexpircii1Click();
    void Napredaj1Click();
    void Predan1Click();
    void Predenia1Click();
    void Koniec1Click();

    // Tool bar.
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton6Click();
    void Textzmluvy1Click();

    // "&Servis" > "&Záloha" (BackupMenu.cpp).
    void Zloha2Click();

    // "&Servis" archive and "Št&atistika" (ServiceMenu.cpp): windows made on first use and kept.
    void Zloha1Click();         // "&Odsun do archívu"
    void Obnova1Click();        // "&Prísun z archívu"
    void Peniazevobehu2Click(); // "&Peniaze v obehu"
    void Zlonhodnota2Click();   // "&Záložná hodnota"
    void Potyviet2Click();      // "P&očty viet"
    // Search, maintenance, appearance and the about window (ServiceMenu.cpp).
    void Hadanie1Click();        // the search window, made on first use
    void Reindexcia1Click();     // rebuilds the indexes of the four register tables
    void Save1Click();           // writes the data through to the store file
    void Kalkulaka1Click();      // the desktop's calculator
    void Vgride1Click();         // font of the grids
    void Vnadpisoch1Click();     // font of the captions
    void Psmavgride1Click();     // font colour of the grids
    void Psmavnadpisoch1Click(); // font colour of the captions
    void Zmenyzznamov1Click();   // the period dialog of the trail of changes, made on first use
    void Oprograme1Click();      // the about window

    void Timer1Timer();
    // Asks before ending the program; Yes closes the frame.
    void ConfirmExit();

    // Clerks (Session.cpp). Where the store has an active clerk, the frame opens once one has signed in, locks
    // itself after LockMinutes without input, and "&Odhlásiť" closes the windows and asks for the next clerk.
    // With none, the frame opens at once and nothing of this shows.
    void beginSession();
    void Odhlsi1Click();    // "&Odhlásiť"
    void Pokladnci1Click(); // "Po&kladníci…": the clerks window (owners only)
    void lockNow();         // covers the windows, as they are, until the password unlocks them
    bool isLocked() const { return m_locked; }
    // The sign-in or unlock dialog while it asks; nullptr otherwise.
    TPrihlasenie* clerkDialog() const;
    IdleWatch* idleWatch() const { return m_idle; }

Q_SIGNALS:
    // The sign-in was cancelled: the program ends.
    void programEnded();

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override; // keeps the frame's size and position for the next start

private:
    void create(const QString& programDir);
    void release();
    // The windows closed as at exit (each window's tables closed), the frame's own state kept.
    void closeWindows();
    // Session.cpp: the register windows made and the frame shown; the dialog asking for a clerk; what a sign-in
    // or a sign-out changes in the menus and the status bar; the idle time checked each tick.
    void openFrame();
    void askClerk(bool unlock);
    void clerkAnswered(TPrihlasenie* dialog);
    void showSession();
    // Once a month an owner (anyone, without clerks) is asked whether to anonymise the persons due.
    void askRetention();
    void checkIdle();
    void unlock();
    // While locked: a window of the program goes out of sight (also one that opens meanwhile) until unlocked.
    void hideWhileLocked(QWidget* window);
    void createMenu(); // Menu.cpp: the menus from one table of rows
    void showContractsView(int mode, const QString& caption);
    void showGoodsView(int mode, const QString& caption);
    void createToolBar();
    void showSubWindow(QWidget* form);
    // The hourglass for every view, and the frame's commands refused while a view marks records.
    void installBusyHook();
    void createStatusBar();

    std::unique_ptr<StoreLock> m_openMark; // before m_shop: a restore waits until the store has closed
    std::unique_ptr<Shop> m_shop;
    QMdiArea* m_mdi = nullptr;
    TForm2* m_form2 = nullptr;
    TForm3* m_form3 = nullptr;
    TForm4* m_form4 = nullptr;
    TForm7* m_form7 = nullptr;
    TForm20* m_form20 = nullptr;
    QHash<QString, QAction*> m_actions;
    QLabel* m_panels[4] = {}; // the fourth names the signed-in clerk
    QString m_hint;
    // Session.cpp
    QPointer<TPrihlasenie> m_clerkDialog;
    IdleWatch* m_idle = nullptr;
    QWidget* m_cover = nullptr; // over the frame while it is locked
    QList<QPointer<QWidget>> m_hiddenWhileLocked;
    QObject* m_lockWatch = nullptr; // hides the windows that open while locked
    QAction* m_signOut = nullptr;
    QAction* m_clerks = nullptr;
    int m_lockMinutes = 0; // LockMinutes, read as the frame opens
    bool m_locked = false;
    bool m_opened = false;
    bool m_backupDone = false;
};
