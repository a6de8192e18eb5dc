#pragma once

#include <QDialog>

class Frame;
class MaskEdit;
class QFrame;
class QGridLayout;
class QLabel;
class QPushButton;
class QToolButton;

// What the date dialogs of the printed reports share: a fixed-size window that is not modal, a panel of
// date boxes each with its calendar button, "&Storno" that closes it and "&OK" that starts the report and
// leaves it open. Made on first use through the frame's registry and kept until exit.
class DateDialog : public QDialog
{
    Q_OBJECT
public:
    ~DateDialog() override;

    QFrame* Panel1 = nullptr;
    QPushButton* BitBtn1 = nullptr; // "&Storno"
    QPushButton* BitBtn2 = nullptr; // "&OK"

    // The menu entry: today's date into every box, then the dialog shown in front.
    void ShowToday();
    void BitBtn1Click();
    virtual void BitBtn2Click() = 0;

protected:
    DateDialog(Frame* main, const QString& name, const QString& caption);
    // A row of the panel: the label, the masked date box and its calendar button, which runs the day picker.
    struct DateRow
    {
        QLabel* label;
        MaskEdit* box;
        QToolButton* button;
    };
    DateRow addDateRow(int row, const QString& labelName, const QString& caption, const QString& boxName,
                       const QString& buttonName);
    // Qt delivers shows, paints and activations from inside its walks over widgets: a report started here
    // must not let events run meanwhile.
    bool event(QEvent* e) override;

    Frame* m_main;

private:
    QGridLayout* m_rows = nullptr;
    QList<MaskEdit*> m_boxes;
};
