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

// One write of the shop's records and its row in the trail of changes, landing together: a transaction of their
// own, or part of the store's open one. A failure rolls back only what they began.
class OwnWrite
{
public:
    explicit OwnWrite(Store& store, bool needed = true) : m_store(store), m_own(needed && !store.inTransaction())
    {
        if (m_own) m_store.beginWrite();
    }
    ~OwnWrite()
    {
        if (m_own && !m_done) m_store.abandonWrite();
    }
    void commit()
    {
        if (!m_own) return;
        m_done = true;
        m_store.commit();
    }
    OwnWrite(const OwnWrite&) = delete;
    OwnWrite& operator=(const OwnWrite&) = delete;

private:
    Store& m_store;
    bool m_own;
    bool m_done = false;
};

// Reads several tables as they were at one moment, whatever other counters write meanwhile. Inside a
// transaction the reads are that transaction's: its owner answers for them (a restore holds the store alone).
class Snapshot
{
public:
    explicit Snapshot(Store& store) : m_store(store), m_own(!store.inTransaction())
    {
        if (m_own) m_store.beginSnapshot();
    }
    ~Snapshot()
    {
        if (m_own) m_store.rollback(); // nothing was written
    }
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;

private:
    Store& m_store;
    bool m_own;
};
