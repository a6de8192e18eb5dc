#include "widgets/IdleWatch.h"

#include <QCoreApplication>
#include <QEvent>

IdleWatch::IdleWatch(QObject* parent) : QObject(parent)
{
    m_since.start();
    QCoreApplication::instance()->installEventFilter(this);
}

IdleWatch::~IdleWatch()
{
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

std::chrono::milliseconds IdleWatch::idle() const
{
    return std::chrono::milliseconds(m_since.elapsed() + m_before);
}

void IdleWatch::reset()
{
    m_before = 0;
    m_since.restart();
}

void IdleWatch::pretendIdle(std::chrono::milliseconds idle)
{
    m_before = idle.count();
    m_since.restart();
}

bool IdleWatch::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
        reset();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
