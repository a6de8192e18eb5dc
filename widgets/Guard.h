#pragma once

#include "core/ErrorText.h"
#include "store/engine/Errors.h"
#include "widgets/Messages.h"

#include <exception>
#include <utility>

// Whether guarded tells the clerk of a lost connection to the server.
enum class OnLoss { Tell, KeepQuiet };

// The one boundary through which every menu action, button and event handler runs: a store or
// conversion error shows its standard message and the command stops; nothing reaches the event loop.
// Returns false when the command failed.
template <class F> bool guarded(F&& command, OnLoss onLoss = OnLoss::Tell)
{
    try {
        std::forward<F>(command)();
        return true;
    } catch (const ConnectionLost& e) {
        // Whether a commit happened is told whoever met it.
        if (onLoss == OnLoss::Tell || dynamic_cast<const CommitUnknown*>(&e)) Messages::error(e.text());
    } catch (const MervanaError& e) {
        Messages::error(errorText(e));
    } catch (const std::exception& e) {
        Messages::error(QString::fromUtf8(e.what()));
    }
    return false;
}

// For what a window does by itself to keep showing its record: the panel refilled as the grid gains or loses
// focus or the window is shown or activated, the row found again after the grid's rows changed, the check of
// a box the clerk leaves. It comes along with a press of the clerk's, or with none at all. A lost connection
// it meets goes unsaid: the command of that press, or the clerk's next one, meets the loss as well and tells
// it, so that one press brings one message. Every other error shows as in guarded.
template <class F> bool guardedRefresh(F&& refresh)
{
    return guarded(std::forward<F>(refresh), OnLoss::KeepQuiet);
}

// Connects a signal to a handler that runs through the boundary.
#define MERVANA_ON(sender, signal, receiver, handler)                                                                  \
    QObject::connect(sender, signal, receiver, [receiver] { guarded([receiver] { (receiver->handler)(); }); })
