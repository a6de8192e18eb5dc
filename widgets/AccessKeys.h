#pragma once

#include <QObject>

class QAbstractButton;
class QKeyEvent;
class QWidget;

// Alt + a letter inside a window of the frame presses that window's own button or box with that letter,
// and only where it has none goes on to the frame's menu. Without this both are shortcuts of the same
// frame: Qt takes the key as ambiguous, the first press only moves the focus and the second opens the menu.
class AccessKeys : public QObject
{
    Q_OBJECT
public:
    explicit AccessKeys(QWidget* window);

    // The enabled, shown button or box of window whose access key the event is; nullptr when none.
    static QAbstractButton* buttonFor(QWidget* window, const QKeyEvent& event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
};
