#pragma once

#include "widgets/Messages.h"
#include "store/Errors.h"

#include <exception>
#include <utility>

// The one boundary through which every menu action, button and event handler runs: a store or
// conversion error shows its standard message and the command stops; nothing reaches the event loop.
// Returns false when the command failed.
template <class F> bool guarded(F&& command)
{
    try {
        std::forward<F>(command)();
        return true;
    } catch (const MervanaError& e) {
        Messages::error(e.text());
    } catch (const std::exception& e) {
        Messages::error(QString::fromUtf8(e.what()));
    }
    return false;
}

// Connects a signal to a handler that runs through the boundary.
#define MERVANA_ON(sender, signal, receiver, handler)                                                                  \
    QObject::connect(sender, signal, receiver, [receiver] { guarded([receiver] { (receiver->handler)(); }); })
