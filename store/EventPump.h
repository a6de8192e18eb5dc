#pragma once

#include <QEvent>

// The one way a long routine lets pending events run, so the screen repaints and the status bar clock
// ticks while it works. The clerk's input waits, and nothing runs while the pump is held: Qt walks its
// lists of widgets while it shows, closes, paints or activates a window and while a model resets, and a
// deferred delete let run from inside such a walk frees what the walk goes on to use.
namespace EventPump {

// Lets events run if it is safe and a while has passed since the last time; cheap to call per record.
// Does nothing without an application object (mervana-admin has no screen to keep alive).
void breathe();

// The least time between two runs of pending events (40 ms); tests set 0 to let them run at every call.
void setInterval(int milliseconds);

// While one lives, breathe() does nothing. Windows hold it around their event handling; the frame around
// showing a window and at start-up.
class Hold
{
public:
    Hold() { acquire(); }
    ~Hold() { release(); }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

    static void acquire();
    static void release();
};

bool held();

// The events during which a window holds the pump: Qt delivers them from inside its walks over widgets.
bool holdsDuring(QEvent::Type type);

// Holds the pump while one event of those kinds is handled; other events pass unheld.
class HoldFor
{
public:
    explicit HoldFor(const QEvent* event) : m_held(event && holdsDuring(event->type()))
    {
        if (m_held) Hold::acquire();
    }
    ~HoldFor()
    {
        if (m_held) Hold::release();
    }
    HoldFor(const HoldFor&) = delete;
    HoldFor& operator=(const HoldFor&) = delete;

private:
    bool m_held;
};

} // namespace EventPump
