#include "store/engine/Statement.h"

void Statement::bind(const QList<QVariant>& values)
{
    for (int i = 0; i < values.size(); ++i)
        bind(i + 1, values.at(i));
}

void Statement::reset()
{
    clear();
    m_nextBind = 1;
    m_rowPending = false;
    m_started = false;
}

void Statement::exec()
{
    try {
        m_rowPending = step();
    } catch (...) {
        // A failed run must not leave its bound values behind: the next use would bind after them.
        reset();
        throw;
    }
    m_started = true;
}

bool Statement::next()
{
    if (m_rowPending) {
        m_rowPending = false;
        return true;
    }
    return m_started && step();
}
