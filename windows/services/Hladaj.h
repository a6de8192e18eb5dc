#pragma once

#include <QDialog>

class Frame;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The search window: one typed text finds a person or a contract by a nearest key search, or pledged
// goods by their description, and brings the register window with the hit to the front. A small
// window of its own beside the frame; it keeps its text, choice and check box for the whole run.
class TForm5 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm5(Frame* main);

    // The choices of "Čo hľadáte", in their order.
    enum Choice { LastName, BirthNumber, IdCard, ContractNumber, Goods };

    QLabel* Label1 = nullptr;         // "Hľadaný text:"
    QLineEdit* Edit1 = nullptr;       // the search text
    QGroupBox* RadioGroup1 = nullptr; // "Čo hľadáte"
    QCheckBox* CheckBox1 = nullptr;   // "&Ukazuj pohyb"
    QPushButton* BitBtn1 = nullptr;   // "&Storno"
    QPushButton* BitBtn2 = nullptr;   // "&OK"

    int ItemIndex() const;
    void setItemIndex(int choice);

    // Shows the window in front, as it was left.
    void ShowSearch();
    void BitBtn1Click(); // closes the window
    void BitBtn2Click(); // runs the search

protected:
    bool event(QEvent* event) override;

private:
    void searchPersons(const QString& text, const QString& tag);
    void searchContract(const QString& text);
    void searchGoods(const QString& text);

    Frame* m_main;
    QButtonGroup* m_choices = nullptr;
};
