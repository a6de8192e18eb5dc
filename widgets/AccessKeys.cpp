#include "widgets/AccessKeys.h"

#include <QAbstractButton>
#include <QEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QWidget>

AccessKeys::AccessKeys(QWidget* window) : QObject(window), m_window(window)
{
    window->installEventFilter(this);
}

QAbstractButton* AccessKeys::buttonFor(QWidget* window, const QKeyEvent& event)
{
    if ((event.modifiers() & ~Qt::KeypadModifier) != Qt::AltModifier) return nullptr;
    const QKeyCombination pressed(Qt::AltModifier, Qt::Key(event.key()));
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (!b->isEnabled() || !b->isVisibleTo(window) || b->text().isEmpty()) continue;
        const QKeySequence key = QKeySequence::mnemonic(b->text());
        if (!key.isEmpty() && key[0] == pressed) return b;
    }
    return nullptr;
}

bool AccessKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_window) return false;
    if (event->type() == QEvent::ShortcutOverride) {
        // Taken here, the key is no shortcut of the frame: it comes as a key press, which the window answers.
        if (buttonFor(m_window, *static_cast<QKeyEvent*>(event))) {
            event->accept();
            return true;
        }
    } else if (event->type() == QEvent::KeyPress) {
        if (QAbstractButton* b = buttonFor(m_window, *static_cast<QKeyEvent*>(event))) {
            b->setFocus(Qt::ShortcutFocusReason);
            b->click();
            return true;
        }
    }
    return false;
}
