#pragma once

#include <QDialog>

class Frame;
class QCalendarWidget;
class QDate;
class QFrame;
class QPushButton;
class MaskEdit;

// The day picker: one shared calendar dialog behind every calendar button.
class TForm20 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm20(Frame* main);

    QFrame* Panel1 = nullptr;
    QCalendarWidget* MonthCalendar1 = nullptr;
    QPushButton* BitBtn1 = nullptr;

    // "&OK" and a double click: the calendar's day becomes PickedDate.
    void BitBtn1Click();

private:
    void take(const QDate& day);
    Frame* m_main;
};

// Runs the day picker for a date box: seeds it from the box (today when empty), shows it modally
// and writes the chosen day back. A non-empty box that is no date raises the date message.
void PickDay(Frame* main, MaskEdit* box);
