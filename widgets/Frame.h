#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QPointer>
#include <QWidget>

class QAction;
class QMdiArea;
class Shop;
class TForm2;
class TForm3;
class TForm4;
class TForm7;
class TForm20;

// What the windows know of the frame: the shared state, the register windows, showing a window and the
// registry of the windows made on first use. The frame (TForm1) implements it; windows and reports take
// a Frame and never the frame's own header.
class Frame
{
public:
    virtual ~Frame() = default;

    virtual Shop& shop() const = 0;

    // The register windows, from start-up to exit.
    virtual TForm2* form2() const = 0;
    virtual TForm3* form3() const = 0;
    virtual TForm4* form4() const = 0;
    virtual TForm7* form7() const = 0;
    virtual TForm20* form20() const = 0;

    // The frame's widget: the owner of dialogs and the parent of message boxes.
    virtual QWidget* frameWidget() = 0;
    virtual QMdiArea* mdiArea() const = 0;
    // Shows a window inside the frame (its MDI sub-window), restoring it when minimised.
    virtual void showChild(QWidget* form) = 0;
    // A menu action by its object name; nullptr when there is none.
    virtual QAction* action(const QString& objectName) const = 0;

    // The date handed to the day picker and taken back from it.
    QDateTime PickedDate;

    // Every other window: created on first use with this frame as owner, then reused until exit.
    template <class T> T* form()
    {
        const QByteArray key(T::staticMetaObject.className());
        if (QWidget* w = m_windows.value(key)) return static_cast<T*>(w);
        auto* w = new T(this);
        m_windows.insert(key, w);
        return w;
    }
    // The window of that class when it was made already, else nullptr.
    template <class T> T* existingForm() const
    {
        return static_cast<T*>(m_windows.value(QByteArray(T::staticMetaObject.className())).data());
    }

protected:
    // The frame deletes them before its shared state goes.
    void deleteWindows()
    {
        for (const QPointer<QWidget>& w : std::as_const(m_windows))
            delete w.data();
        m_windows.clear();
    }

private:
    // Guarded: a window shown in the MDI area goes with it, and must not be deleted twice.
    QHash<QByteArray, QPointer<QWidget>> m_windows;
};
