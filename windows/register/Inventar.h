#pragma once

#include "windows/register/RegisterWindow.h"

class QLineEdit;
class QCheckBox;
class QGroupBox;
class QPushButton;
class QToolButton;
class MaskEdit;

// The goods window: pledged items in the grid above, the edit panel of one item below. Table1 is the
// window's own instance of Inventar.DBF, tag NUMBER.
class TForm4 : public RegisterWindow
{
    Q_OBJECT
public:
    explicit TForm4(Frame* main);

    QLineEdit* Edit1 = nullptr;    // "Zmluva č."
    QLineEdit* Edit2 = nullptr;    // "Založený predmet"
    MaskEdit* MaskEdit1 = nullptr; // "Dátum predaja"
    QToolButton* SpeedButton1 = nullptr;
    QLineEdit* Edit3 = nullptr;     // "Suma predaja"
    QLineEdit* Edit4 = nullptr;     // "Záložná hodnota"
    QLineEdit* Edit5 = nullptr;     // "Predajná cena"
    QGroupBox* GroupBox1 = nullptr; // "Nastavenia"
    QCheckBox* CheckBox1 = nullptr; // "&Vrátené"
    QCheckBox* CheckBox2 = nullptr; // "&Prepadnuté"
    QCheckBox* CheckBox3 = nullptr; // "P&redané"
    QCheckBox* CheckBox4 = nullptr; // "Filter"
    QPushButton* BitBtn1 = nullptr; // "&Nový"
    QPushButton* BitBtn2 = nullptr; // "&Zmaž"
    QPushButton* BitBtn3 = nullptr; // "Z&apíš"

    void ShowItem();
    void StartNewItem();
    void WriteItem();
    void CheckBox3MouseUp();
    void BitBtn2Click();
    void DBGrid1DblClick();
    void SpeedButton1Click();

protected:
    void refreshPanel() override;
    void windowShown() override;

private:
    void storePanel(Table& t); // the boxes into the item being written
};
