#pragma once

#include <QDialog>

class Frame;
class QFrame;
class QLabel;
class QPushButton;

// The money figures of the statistics menu: the money lent out, or the pledge value of forfeited goods
// not yet sold. An ordinary window, made on first use and reused; "&OK" closes it.
class TForm10 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm10(Frame* main);

    QFrame* Panel1 = nullptr;
    QLabel* Label1 = nullptr; // the name of the figure
    QLabel* Label2 = nullptr; // the figure
    QPushButton* BitBtn1 = nullptr;

    // figure 0: money in circulation over the frame's contracts instance; 1: the pledge value over its
    // goods instance. The instance ends at its last record.
    void Compute(int figure);

protected:
    bool event(QEvent* event) override;

private:
    Frame* m_main;
};
