#pragma once

#include "store/engine/Errors.h"

#include <QList>

class Store;

// The store's schema by version. A store records the version it was made or last brought to; opening an older one
// runs the steps after its version, in order, each in a transaction of its own with the version it reaches, so that
// two programs opening it at once run each step once. A new store is made at the newest version (Schema's creation
// SQL holds every step's result).
//
// A change of the schema is one more step: a function that brings a store of the version before it to its own, and
// one line at the end of the list in Upgrade.cpp. Its test makes a store as the version before left it, opens it
// and checks.
namespace Upgrade {

struct Step
{
    int version;               // the version the step brings a store to
    void (*run)(Store& store); // inside the step's transaction, with the store's write lock held
};

const QList<Step>& steps();
int newest(); // the version of a new store: the last step's

// The store's version: 0 for one made before versions were kept.
int version(Store& store);
// A store newer than this program knows: worded for the clerk above the store.
class TooNew : public StoreError
{
public:
    TooNew(const QString& location, int found, int known);
    const QString& location() const { return m_location; }
    int found() const { return m_found; }
    int known() const { return m_known; }

private:
    QString m_location;
    int m_found, m_known;
};

// Brings the store to newest(); throws TooNew for one newer than this program knows.
void run(Store& store);

} // namespace Upgrade
