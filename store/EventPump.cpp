#include "store/EventPump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace {

int s_holds = 0;
bool s_running = false;

// Often enough for a smooth screen, rarely enough that a pass over 300,000 records hardly notices.
qint64 s_intervalMs = 40;

} // namespace

namespace EventPump {

void Hold::acquire()
{
    ++s_holds;
}

void Hold::release()
{
    --s_holds;
}

bool holdsDuring(QEvent::Type type)
{
    switch (type) {
    case QEvent::Show:
    case QEvent::ShowToParent:
    case QEvent::Hide:
    case QEvent::HideToParent:
    case QEvent::Close:
    case QEvent::Paint:
    case QEvent::UpdateRequest:
    case QEvent::Resize:
    case QEvent::Move:
    case QEvent::LayoutRequest:
    case QEvent::Polish:
    case QEvent::PolishRequest:
    case QEvent::FocusIn:
    case QEvent::FocusOut:
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
    case QEvent::ActivationChange:
    case QEvent::WindowStateChange:
    case QEvent::ParentChange:
    case QEvent::ParentAboutToChange:
    case QEvent::ChildAdded:
    case QEvent::ChildRemoved:
    case QEvent::DeferredDelete:
    case QEvent::Destroy:
        return true;
    default:
        return false;
    }
}

void setInterval(int milliseconds)
{
    s_intervalMs = milliseconds;
}

bool held()
{
    return s_holds > 0;
}

void breathe()
{
    static QElapsedTimer since;
    if (s_holds > 0 || s_running) return;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) return;
    if (since.isValid() && since.elapsed() < s_intervalMs) return;
    struct Running
    {
        Running() { s_running = true; }
        ~Running() { s_running = false; }
    } running;
    // What runs here may start a show or a paint; those hold the pump themselves.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    since.start();
}

} // namespace EventPump
