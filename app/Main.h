#pragma once

#include <QDateTime>
#include <QHash>
#include <QMainWindow>
#include <functional>
#include <memory>

class QMdiArea;
class QMdiSubWindow;
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

private:
    std::unique_ptr<Store> m_store;
    QMdiArea* m_mdi = nullptr;
    TForm2* m_form2 = nullptr;
    TForm3* m_form3 = nullptr;
    TForm4* m_form4 = nullptr;
    TForm7* m_form7 = nullptr;
    TForm20* m_form20 = nullptr;
    QHash<QByteArray, QWidget*> m_windows;
};
