#pragma once

#include <QDate>

class Store;

// A believable register to try the program on and to measure the store with: Slovak pledgers,
// contracts in every state as seen from a given day, their extensions and pledged goods.
// The same scale and day always give the same records, so measurements repeat.
namespace DemoData {

struct Counts
{
    qint64 contracts = 0;
    qint64 goods = 0;
    qint64 extensions = 0;
    qint64 persons = 0;
};

// One unit is a small shop; 1000 units are the "ten shops" set.
constexpr int MaxScale = 10000;
Counts countsFor(int scale);

// Writes the set into an empty store in one transaction. Throws StoreError when the scale is out of
// range or a table holds records already; the store is then left as it was.
Counts fill(Store& store, int scale, const QDate& today);

} // namespace DemoData
