#pragma once

#include "core/Clerks.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class Store;

// Who works the register: the clerk chosen from the active ones and their password, before the frame opens; or,
// once the register locked itself, the password that unlocks it (the signed-in clerk's, or an owner's). Every
// attempt leaves its row in the trail of changes; after five wrong ones in a row, each further one of that clerk
// waits, however many programs try (the trail counts them).
class TPrihlasenie : public QDialog
{
    Q_OBJECT
public:
    enum class Mode { SignIn, Unlock };

    TPrihlasenie(QWidget* parent, Store& store, Mode mode);
    ~TPrihlasenie() override;

    QLabel* Label1 = nullptr;       // "&Pokladník"
    QLabel* Label2 = nullptr;       // "&Heslo"
    QLabel* Label3 = nullptr;       // what the dialog asks, or how long the next attempt waits
    QComboBox* ComboBox1 = nullptr; // the clerks to choose from
    QLineEdit* Edit1 = nullptr;     // the password
    QPushButton* BitBtn1 = nullptr; // "&OK"
    QPushButton* BitBtn2 = nullptr; // "&Zrušiť": ends the program (sign-in only)

    Mode mode() const { return m_mode; }
    // The clerk who signed in or unlocked, and their role, once the dialog was accepted.
    QString clerk() const { return m_clerk; }
    std::optional<Clerks::Role> role() const { return m_role; }

    void BitBtn1Click();

public Q_SLOTS:
    // A locked register stays locked: Escape and the close box do nothing there.
    void reject() override;

private:
    // OK waits while the chosen clerk's attempts wait, and the dialog says how long.
    void showWait();

    Store& m_store;
    Mode m_mode;
    QString m_clerk;
    std::optional<Clerks::Role> m_role;
    QString m_ask;
    QTimer* m_waitTimer = nullptr;
};
