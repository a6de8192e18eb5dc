#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <functional>

class Store;

// The loops that write many records, as the crash test runs them: a child process repeats a loop's
// rounds on a store until the parent kills it, and the parent checks the store after every kill.
//
// To give a new loop a crash test, add one entry to CrashLoops::all() in CrashLoops.cpp:
//   - name:    what the test row is called;
//   - setup:   fills the fresh store once (demo data, or a few records of your own); the store every
//              child starts from is a copy of it;
//   - round:   one whole run of the loop, all-or-nothing (in one Transaction, as the loop is in the
//              program). `round` counts the runs from 0: use it to vary the work so that each run leaves
//              another state than the one before (marks of another mode, archive out and back in);
//   - witness: a table the loop never writes, shared by every counter (on a server, not the work table of
//              the cash statement, which each session keeps for itself). Between rounds the child posts
//              single records there; each one reported as posted must be there after the kill. It is left
//              out of the state compared. Empty for a loop that needs every table to itself.
//   - closedRound: instead of round, for a loop that replaces the store whole (a restore) and so needs it
//              closed: one run on the store's location, with a folder of files of its own that stays from
//              run to run (what it restores from). The stores it keeps aside ("mervana-replaced-...", in the
//              data folder or in that folder) must pass the backup check after every kill.
// The test compares the whole content of every other table with the states the rounds give when run
// without a crash, so a loop needs no check of its own. tst_crash runs every entry, on SQLite and on a
// server. The WRK marks a server keeps per session are not part of the state: a killed session's go with it.
namespace CrashLoops {

// The day the loops run on, in the child and in the parent alike.
inline const QDate Today(2026, 12, 7);

struct Loop
{
    QString name;
    std::function<void(Store&)> setup;
    std::function<void(Store&, int round)> round;
    QString witness = QStringLiteral("Osoby.DBF");
    std::function<void(const QString& location, const QString& files, int round)> closedRound = {};
};

const QList<Loop>& all();
// A loop of all() or the one below.
const Loop* find(const QString& name);

// A field of every contract stored record by record with no transaction around them, which a kill leaves
// half done: the test of the harness itself. Not in all().
const Loop& unguardedForSelfTest();

// One witness record: its key in the witness table's first text field.
void postWitness(Store& store, const Loop& loop, qint64 id);
bool hasWitness(Store& store, const Loop& loop, qint64 id);

} // namespace CrashLoops
