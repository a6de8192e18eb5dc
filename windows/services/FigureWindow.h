#pragma once

#include <QDialog>

class Frame;
class QFrame;
class QLabel;
class QPushButton;

// What the statistics windows share: an ordinary window with a fixed border, not modal, a panel for
// the figures and "&OK" under it, which closes the window.
class FigureWindow : public QDialog
{
    Q_OBJECT
public:
    QFrame* Panel1 = nullptr;
    QPushButton* BitBtn1 = nullptr;

protected:
    FigureWindow(Frame* main, const QString& name, const QString& caption);
    // A figure: navy, bold italic, 13 pixels high.
    static void styleFigure(QLabel* label);
    bool event(QEvent* event) override;

    Frame* m_main;
};
