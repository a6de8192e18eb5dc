#pragma once

#include <QDialog>

class Frame;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

// The owner's window of the clerks: who may sign in, with their role and whether they still may; a new clerk
// with name, role and password; a new password; a clerk disabled (never deleted). Made on first use and kept.
class TPokladnici : public QDialog
{
    Q_OBJECT
public:
    explicit TPokladnici(Frame* main);

    QTableWidget* StringGrid1 = nullptr; // name, role, state; one row per clerk
    QLineEdit* Edit1 = nullptr;          // the new clerk's name
    QComboBox* ComboBox1 = nullptr;      // their role: "pokladník", "vlastník"
    QLineEdit* Edit2 = nullptr;          // a password, for a new clerk or the chosen one
    QLineEdit* Edit3 = nullptr;          // the same again
    QPushButton* BitBtn1 = nullptr;      // "&Pridať"
    QPushButton* BitBtn2 = nullptr;      // "&Zmeniť heslo": of the clerk chosen in the grid
    QPushButton* BitBtn3 = nullptr;      // "Z&akázať": the clerk chosen in the grid
    QPushButton* BitBtn4 = nullptr;      // "&Zavrieť"

    // The menu entry: the clerks read anew, the boxes empty, the window in front.
    void ShowClerks();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();

private:
    void fill();
    // The clerk chosen in the grid; empty, with a message, when none is.
    QString chosen();
    // The password typed twice; empty, with a message, when the two differ.
    bool passwordTwice(QString& password);
    void clearPasswords();

    Frame* m_main;
};
