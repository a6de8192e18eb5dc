#pragma once

#include <QDateTime>
#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <functional>
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
class Store;
class Table;
class TForm2;
class TForm3;
class TForm4;
class TForm7;
class TForm20;

// The frame of the register: MDI parent with menu, tool bar and status bar. Owns the store, the five
// live table instances and the registry of the program's windows.
class TForm1 : public QMainWindow
{
    Q_OBJECT
public:
    // FormCreate: makes sure of the database name, opens the store and Table1..Table5 in order.
    explicit TForm1(const QString& programDir, QWidget* parent = nullptr);
    ~TForm1() override;

    Store& store() const { return *m_store; }

    // Never filtered: look-ups and sums of every window.
    Table* Table1 = nullptr; // Zmluvy.DBF, tag NUMBER
    Table* Table2 = nullptr; // Osoby.DBF, tag BIRTHNUM
    Table* Table3 = nullptr; // Predlz.DBF, tag NUMBER
    Table* Table4 = nullptr; // Inventar.DBF, tag NUMBER
    Table* Table5 = nullptr; // Prijvyd.dbf, tag DATE

    QString ShopName;
    int FilterMode = 0;
    bool ExpiredFound = false;
    QDateTime PickedDate;

    // Tool bar and status bar.
    QToolBar* Panel1 = nullptr;
    QToolButton* SpeedButton1 = nullptr; // "Zmluvy"
    QToolButton* SpeedButton2 = nullptr; // "Osoby"
    QToolButton* SpeedButton3 = nullptr; // "Inventár"
    QToolButton* SpeedButton4 = nullptr; // "Predĺženia"
    QToolButton* SpeedButton5 = nullptr; // "Tlač zmluvy"
    QToolButton* SpeedButton6 = nullptr; // "Koniec programu"
    QTimer* Timer1 = nullptr;
    QLabel* statusPanel(int index) const { return m_panels[index]; }

    // A menu action (or a submenu's action) by its object name, for the windows that enable and
    // connect their items once they exist; nullptr when there is none.
    QAction* action(const QString& objectName) const;

    // The hint of the menu item or control under the mouse, as the status bar shows it next tick.
    QString currentHint() const { return m_hint; }

    QMdiArea* mdiArea() const { return m_mdi; }

    // The register windows, created at start-up.
    TForm2* form2() const { return m_form2; }
    TForm3* form3() const { return m_form3; }
    TForm4* form4() const { return m_form4; }
    TForm7* form7() const { return m_form7; }
    TForm20* form20() const { return m_form20; }

    // Creates the register windows and the day picker in start-up order (persons window last, in front).
    void createRegisterWindows();

    // Every other window: created on first use with this window as owner, then reused.
    template <class T> T* window()
    {
        const char* key = T::staticMetaObject.className();
        if (QWidget* w = m_windows.value(QByteArray(key))) return static_cast<T*>(w);
        auto* w = new T(this);
        m_windows.insert(QByteArray(key), w);
        return w;
    }

    // Shows a register window (its MDI sub-window), restoring it when minimised.
    void showChild(QWidget* form);
    QMdiSubWindow* addChild(QWidget* form);

    // "&Mervana" views. The marking views and the routines behind them live in app/Views.cpp.
    void FilterContracts(Table& t);
    void FilterGoods(Table& t);
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

    void Timer1Timer();
    // Asks before ending the program; Yes closes the frame.
    void ConfirmExit();

protected:
    bool event(QEvent* e) override;

private:
    void create(const QString& programDir);
    void release();
    void createMenu();
    void showContractsView(int mode, const QString& caption);
    void showGoodsView(int mode, const QString& caption);
    void createToolBar();
    void createStatusBar();
    QMenu* addMenu(QMenu* parent, const QString& name, const QString& caption, const QString& hint);
    QAction* addItem(QMenu* menu, const QString& name, const QString& caption, const QString& hint,
                     void (TForm1::*handler)() = nullptr);

    std::unique_ptr<Store> m_store;
    QMdiArea* m_mdi = nullptr;
    TForm2* m_form2 = nullptr;
    TForm3* m_form3 = nullptr;
    TForm4* m_form4 = nullptr;
    TForm7* m_form7 = nullptr;
    TForm20* m_form20 = nullptr;
    // Guarded: a window shown in the MDI area goes with it, and must not be deleted twice.
    QHash<QByteArray, QPointer<QWidget>> m_windows;
    QHash<QString, QAction*> m_actions;
    QLabel* m_panels[3] = {};
    QString m_hint;
};
