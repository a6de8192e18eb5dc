#pragma once

#include <QWidget>

class TForm1;
class Table;
class TableModel;
class QLineEdit;
class QSpinBox;
class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;
class QToolButton;
class QTableView;
class QGroupBox;
class QLabel;
class MaskEdit;

// The contracts window: grid of contracts above, the edit panel of one contract below.
class TForm2 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm2(TForm1* main);
    ~TForm2() override;

    Table* Table1 = nullptr; // the window's own instance of Zmluvy.DBF, tag NUMBER
    TableModel* model = nullptr;
    QTableView* DBGrid1 = nullptr;

    // The panel; other windows and the printout read these boxes as shown.
    QLineEdit* Edit1 = nullptr;  // "Zmluva č."
    QLineEdit* Edit2 = nullptr;  // "Rodné číslo zálož."
    QLineEdit* Edit7 = nullptr;  // "Priezvisko záložcu"
    QLineEdit* Edit8 = nullptr;  // "Meno záložcu"
    QLineEdit* Edit3 = nullptr;  // "Založená suma"
    QLineEdit* Edit4 = nullptr;  // "%"
    QLineEdit* Edit5 = nullptr;  // "Týždne" (with UpDown1)
    QSpinBox* UpDown1 = nullptr;
    MaskEdit* MaskEdit1 = nullptr; // "Dátum vystav."
    MaskEdit* MaskEdit2 = nullptr; // "Vypršanie"
    MaskEdit* MaskEdit3 = nullptr; // "Zaplat. dňa"
    MaskEdit* MaskEdit4 = nullptr; // "Vrátené dňa"
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QToolButton* SpeedButton4 = nullptr;
    QLineEdit* Edit9 = nullptr;  // "Suma celkom"
    QComboBox* ComboBox1 = nullptr; // "Čistý príjem"
    QLineEdit* Edit6 = nullptr;  // "Zaplat. suma"
    QGroupBox* GroupBox1 = nullptr; // "Vlastnosti"
    QCheckBox* CheckBox1 = nullptr; // "Zaplat&ené"
    QCheckBox* CheckBox2 = nullptr; // "&Vrátené"
    QCheckBox* CheckBox3 = nullptr; // "Prep&adnuté"
    QCheckBox* CheckBox4 = nullptr; // "P&redĺžené"
    QLineEdit* Edit11 = nullptr; // "Hľadanie zmluvy"
    QListWidget* ListBox1 = nullptr; // "Založené predmety"
    QCheckBox* CheckBox5 = nullptr;  // "Filter"
    QPushButton* BitBtn2 = nullptr;  // "&Nový"
    QPushButton* BitBtn5 = nullptr;  // "&Zmaž"
    QPushButton* BitBtn4 = nullptr;  // "Z&apíš"
    QPushButton* BitBtn3 = nullptr;  // "&Tlač"
    QPushButton* BitBtn6 = nullptr;  // "P&redĺženia"
    QPushButton* BitBtn1 = nullptr;  // "&Predmety"

    void ShowContract();
    void ShowTotal();
    void StartNewContract();
    void WriteContract();
    void StoreContractFields();
    void MarkContractGoods(const QString& flagField, bool state);
    void OpenContractPrint();
    void PrintExpiredForPledger();

private:
    TForm1* m_main;
};
