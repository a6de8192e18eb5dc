#pragma once

#include "store/Store.h"

// Groups many writes: all of them land or none. Rolls back unless commit() was reached.
class Transaction
{
public:
    explicit Transaction(Store& store) : m_store(store) { m_store.begin(); }
    ~Transaction()
    {
        if (!m_done) m_store.rollback();
    }
    void commit()
    {
        m_done = true;
        m_store.commit();
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

private:
    Store& m_store;
    bool m_done = false;
};
