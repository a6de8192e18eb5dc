#pragma once

#include <QDate>
#include <optional>

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

// What the windows show first differs from set to set, so that trying the program (and testing it)
// meets every state there: the newest contract, first in the contracts window, and the first person
// of the persons window (a woman named Adamcová, first in surname order).
enum class Newest { Open, Paid, PaidForfeited, Extended, ForfeitedSold };
enum class FirstPerson { Pledger, Undesirable, WithoutContracts };
struct Variant
{
    Newest newest = Newest::Open;
    FirstPerson first = FirstPerson::Pledger;
};
// By the scale: the newest contract cycles through its five states, the first person through three.
Variant variantFor(int scale);

// Writes the set into an empty store in one transaction. Throws StoreError when the scale is out of
// range or a table holds records already; the store is then left as it was.
Counts fill(Store& store, int scale, const QDate& today, std::optional<Variant> variant = {});

} // namespace DemoData
