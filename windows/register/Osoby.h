#pragma once

#include "windows/register/RegisterWindow.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The register of pledgers: the grid of persons in surname order above, the boxes of one person below.
// The boxes are a copy of the current record; only "Z&apíš" writes them back. Table1 is the window's own
// instance of Osoby.DBF, tag LASTNAME.
class TForm3 : public RegisterWindow
{
    Q_OBJECT
public:
    explicit TForm3(Frame* main);
    ~TForm3() override;

    QLineEdit* Edit1 = nullptr;     // "Rodné číslo"
    QLineEdit* Edit2 = nullptr;     // "Číslo obč. pr."
    QLineEdit* Edit3 = nullptr;     // "Priezvisko záložcu"
    QLineEdit* Edit4 = nullptr;     // "Meno záložcu"
    QLineEdit* Edit5 = nullptr;     // "Ulica záložcu"
    QLineEdit* Edit6 = nullptr;     // "Mesto záložcu"
    QLineEdit* Edit7 = nullptr;     // "Číslo ulice"
    QLineEdit* Edit8 = nullptr;     // "Poznámka k záložcovi"
    QCheckBox* CheckBox1 = nullptr; // "Nežiadúci"
    QLineEdit* Edit9 = nullptr;     // "Hľadanie"
    QPushButton* BitBtn1 = nullptr; // "&Nový"
    QPushButton* BitBtn2 = nullptr; // "Z&mluvy"
    QPushButton* BitBtn3 = nullptr; // "&Zmaž"
    QPushButton* BitBtn4 = nullptr; // "&Profil"
    QPushButton* BitBtn5 = nullptr; // "Z&apíš"
    QPushButton* BitBtn6 = nullptr; // "&Exp. zmluvy"
    QAction* Osobndaje1 = nullptr;  // the grid's context menu: "Osobné údaje…"

    void ShowCurrentPerson();
    void StartNewPerson();           // "&Nový"
    void WarnDuplicateBirthNumber(); // leaving the birth number box, first
    void CheckBirthNumber();         // leaving the birth number box, second
    void SavePerson();               // "Z&apíš"
    void DeletePerson();             // "&Zmaž"
    void ShowPersonContracts();      // "Z&mluvy", double click in the grid
    // "&Exp. zmluvy", and Enter in the grid after the person's contracts: the contracts window previews
    // the expired contracts of the pledger it shows.
    void PrintExpiredContracts();
    // "&Profil": the profile of the person whose birth number the box holds.
    void ShowProfile();
    // "Osobné údaje…" of the grid's context menu: everything the store holds about the person of the current
    // record, in the preview; an owner's command where clerks sign in.
    void ShowPersonalData();
    void Edit9Change(); // incremental search by surname

    // Positions the list on the person with this birth number (tag BIRTHNUM, exact search, back to
    // LASTNAME on the person found), refreshes the boxes and shows the window. Used by the tool bar
    // and the contracts grid.
    void ShowPerson(const QString& birthNumber);

    // Plausibility of a birth number exactly as typed: nine digits, or ten whose last digit is the
    // first nine taken modulo 11.
    static bool IsPlausibleBirthNumber(const QString& text);

protected:
    void refreshPanel() override;
    void gotoGridRow(int row) override;
    void selectCurrentRow() override; // the grid follows the cursor after a programmatic move
    void gridClicked(int row) override;
    void modelWasReset() override;
    void windowShown() override;
    void windowActivated() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPanel();
    void followGrid(); // the cursor follows the grid after the user moved in it
    void writeBoxes(Table& table);
    void refreshAfterWrite();

    qint64 m_gridRowId = 0; // the record the grid's current row was last matched with
    bool m_selecting = false;
};
