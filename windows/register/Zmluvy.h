#pragma once

#include "windows/register/RegisterWindow.h"

#include <QColor>
#include <QDate>
#include <functional>
#include <optional>

class QLineEdit;
class QSpinBox;
class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;
class QToolButton;
class QGroupBox;
class QLabel;
class MaskEdit;

// The contracts window: grid of contracts above, the edit panel of one contract below. Table1 is the
// window's own instance of Zmluvy.DBF, tag NUMBER.
class TForm2 : public RegisterWindow
{
    Q_OBJECT
public:
    explicit TForm2(Frame* main);
    ~TForm2() override;

    // The panel; other windows and the printout read these boxes as shown.
    QLineEdit* Edit1 = nullptr; // "Zmluva č."
    QLineEdit* Edit2 = nullptr; // "Rodné číslo zálož."
    QLineEdit* Edit7 = nullptr; // "Priezvisko záložcu"
    QLineEdit* Edit8 = nullptr; // "Meno záložcu"
    QLineEdit* Edit3 = nullptr; // "Založená suma"
    QLineEdit* Edit4 = nullptr; // "%"
    QLineEdit* Edit5 = nullptr; // "Týždne" (with UpDown1)
    QSpinBox* UpDown1 = nullptr;
    MaskEdit* MaskEdit1 = nullptr; // "Dátum vystav."
    MaskEdit* MaskEdit2 = nullptr; // "Vypršanie"
    MaskEdit* MaskEdit3 = nullptr; // "Zaplat. dňa"
    MaskEdit* MaskEdit4 = nullptr; // "Vrátené dňa"
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QToolButton* SpeedButton4 = nullptr;
    QLineEdit* Edit9 = nullptr;      // "Suma celkom"
    QComboBox* ComboBox1 = nullptr;  // "Čistý príjem"
    QLineEdit* Edit6 = nullptr;      // "Zaplat. suma"
    QGroupBox* GroupBox1 = nullptr;  // "Vlastnosti"
    QCheckBox* CheckBox1 = nullptr;  // "Zaplat&ené"
    QCheckBox* CheckBox2 = nullptr;  // "&Vrátené"
    QCheckBox* CheckBox3 = nullptr;  // "Prep&adnuté"
    QCheckBox* CheckBox4 = nullptr;  // "P&redĺžené"
    QLineEdit* Edit11 = nullptr;     // "Hľadanie zmluvy"
    QListWidget* ListBox1 = nullptr; // "Založené predmety"
    QCheckBox* CheckBox5 = nullptr;  // "Filter"
    QPushButton* BitBtn2 = nullptr;  // "&Nový"
    QPushButton* BitBtn5 = nullptr;  // "&Zmaž"
    QPushButton* BitBtn4 = nullptr;  // "Z&apíš"
    QPushButton* BitBtn3 = nullptr;  // "&Tlač"
    QPushButton* BitBtn6 = nullptr;  // "P&redĺženia"
    QPushButton* BitBtn1 = nullptr;  // "&Predmety"

    // Fills the panel from the current record of Table1. A call arriving while one runs (from the
    // events it lets through) is not nested: the running one repeats once it has finished.
    void ShowContract();
    // "Suma celkom" from the amount and percent boxes; keeps its text when the percent is no whole number.
    void ShowTotal();
    void StartNewContract();
    // Stores the panel into the contract with the number in Edit1, among all contracts and not only
    // those the view shows. False when nothing was stored (pledger unknown).
    bool WriteContract();
    // The same with what must land together with the contract (the flag of its goods), in one transaction.
    bool WriteContract(const std::function<void()>& alongside);
    // The number taken was stored by another counter meanwhile: the next free one goes into the panel,
    // the clerk is told and writes again. Returns false (nothing written).
    bool ProposeFreeNumber(const QString& taken);
    void StoreContractFields(Table& target); // the panel into the record opened on target
    void MarkContractGoods(const QString& flagField, bool state);
    void OpenContractPrint(); // waits for the contract printout
    // The expired contracts of the person whose birth number Edit2 shows, previewed; nothing without them.
    void PrintExpiredForPledger();

    // Handlers, named after their controls.
    void BitBtn1Click(); // "&Predmety"
    void BitBtn5Click(); // "&Zmaž"
    void BitBtn6Click(); // "P&redĺženia"
    void CheckBox1Click();
    void CheckBox2Click();
    void CheckBox3Click();
    void CheckBox4Click();
    void Edit4Exit(); // leaving the percent box
    void Edit5Exit(); // leaving the weeks box
    void Edit11Change();
    void DBGrid1CellClick(int row);
    void DBGrid1DblClick();

    // Grid colour of a contract: grey returned, green due after today, blue forfeited; later wins.
    static std::optional<QColor> RowColour(bool returned, const QDate& until, bool forfeited, const QDate& today);

    // Selects the grid row of Table1's current record without moving the record.
    void selectCurrentRow() override;

protected:
    void refreshPanel() override;
    void gotoGridRow(int row) override; // stays on the record when the row is the current one
    void gridClicked(int row) override;
    void modelWasReset() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPanel();
    void fillPanel();
    void setNetIncome(const QString& text, bool negative);

    bool m_showing = false;
    bool m_showAgain = false;
    QColor m_normalText;
    QString m_proposedNumber; // by "&Nový", for the check that no other counter took it meanwhile
};
