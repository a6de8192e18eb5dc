#pragma once

#include <QWidget>

class TForm1;
class Table;
class TableModel;
class QLineEdit;
class QCheckBox;
class QGroupBox;
class QPushButton;
class QToolButton;
class QTableView;
class MaskEdit;

// The goods window: pledged items in the grid above, the edit panel of one item below.
class TForm4 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm4(TForm1* main);
    ~TForm4() override;

    Table* Table1 = nullptr; // the window's own instance of Inventar.DBF, tag NUMBER
    TableModel* model = nullptr;
    QTableView* DBGrid1 = nullptr;

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
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void selectCurrentRow();
    void gotoGridRow(int row);

    TForm1* m_main;
};
