#pragma once

#include "windows/register/RegisterWindow.h"

#include <QPointer>

class TForm2;
class QLineEdit;
class QCheckBox;
class QPushButton;
class QSpinBox;
class QToolButton;
class MaskEdit;

// The extensions window: extension records in the grid above, the edit panel of one extension below.
// Table1 is the window's own instance of Predlz.DBF, tag NUMBER.
class TForm7 : public RegisterWindow
{
    Q_OBJECT
public:
    explicit TForm7(Frame* main);

    QLineEdit* Edit4 = nullptr;    // "Číslo zmluvy"
    MaskEdit* MaskEdit1 = nullptr; // "Dátum platby"
    QToolButton* SpeedButton1 = nullptr;
    MaskEdit* MaskEdit2 = nullptr; // "Dátum predĺženia"
    QToolButton* SpeedButton2 = nullptr;
    QLineEdit* Edit1 = nullptr;     // "Suma platby"
    QLineEdit* Edit2 = nullptr;     // "Percentá"
    QSpinBox* UpDown1 = nullptr;    // spin buttons of Edit2
    QLineEdit* Edit3 = nullptr;     // "Výpočet"
    QCheckBox* CheckBox1 = nullptr; // "Filter"
    QPushButton* BitBtn1 = nullptr; // "&Nový"
    QPushButton* BitBtn2 = nullptr; // "&Zmaž"
    QPushButton* BitBtn3 = nullptr; // "Z&apíš"

    void ShowExtension();
    void Edit2Change();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void DBGrid1KeyDown(); // Ctrl+Delete
    void SpeedButton1Click();
    void SpeedButton2Click();

protected:
    void refreshPanel() override;
    void windowShown() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString contractAmountText();
    void storePanel(Table& t); // the boxes into the extension being written

    // The contracts window goes before this one at shutdown, when the grid still reports losing focus.
    QPointer<TForm2> m_contracts;
    bool m_contractsLooked = false;
};
