#pragma once

#include <QPointer>
#include <QWidget>

class TForm1;
class TForm2;
class Table;
class TableModel;
class QLineEdit;
class QCheckBox;
class QPushButton;
class QSpinBox;
class QToolButton;
class QTableView;
class MaskEdit;

// The extensions window: extension records in the grid above, the edit panel of one extension below.
class TForm7 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm7(TForm1* main);
    ~TForm7() override;

    Table* Table1 = nullptr; // the window's own instance of Predlz.DBF, tag NUMBER
    TableModel* model = nullptr;
    QTableView* DBGrid1 = nullptr;

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
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString contractAmountText();
    void selectCurrentRow();
    void gotoGridRow(int row);

    TForm1* m_main;
    // The contracts window goes before this one at shutdown, when the grid still reports losing focus.
    QPointer<TForm2> m_contracts;
    bool m_contractsLooked = false;
};
