#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

class Table;

// Moving finished contracts with their goods and extensions out of the live tables into the archive
// tables, and the whole archive back. Record by record through table instances; each routine runs in
// one transaction (nested in the caller's when there is one), so a failure or a crash leaves the store
// as before it or as after it, never a contract half moved.
namespace ArchiveMove {

// One instance of each table of a side: the live Zmluvy.DBF, Predlz.DBF, Inventar.DBF, or the archive
// Xzmluvy.DBF, Xpredlz.DBF, Xinvent.DBF.
struct Tables
{
    Table& contracts;
    Table& extensions;
    Table& goods;
};

struct Counts
{
    qint64 contracts = 0;
    qint64 extensions = 0;
    qint64 goods = 0;
};

// Marks what a move out takes: WRK true on every contract signed from..to (both days included) that
// was paid with its goods returned, or forfeited with every item sold (or without items), and on the
// goods and extensions of each; WRK false on every other record of the three tables. The filters of the
// three instances end empty and off. Returns the number of contracts marked.
qint64 markFinished(const Tables& live, const QDate& from, const QDate& to);

// Moves the marked records, goods first, then extensions, then contracts: each record is appended to
// its archive table with every field but WRK, exactly as stored, and deleted from the live table. The
// archive instances are open only while their phase runs. The trail of changes gets one row for the move,
// naming the period from..to the records were marked for and the counts.
Counts moveMarked(const Tables& live, const Tables& archive, const QDate& from = {}, const QDate& to = {});

struct Restored
{
    Counts counts;
    // Contract numbers that stood both in the register and in the archive, sorted: the register holds
    // each of them twice now.
    QStringList duplicates;
};

// Brings every archived record back into the live tables (goods, extensions, then contracts; WRK left
// empty) and deletes from the archive tables the records it brought back; one that another counter archives
// meanwhile stays archived. The filters of the live instances end empty and off. The trail of changes gets one
// row for the move, naming the period the archived contracts were signed in and the counts.
Restored moveBack(const Tables& live, const Tables& archive);

// The highest contract number of the register and the archive together, in the order of the NUMBER
// tag (empty when there is none): new numbers follow it, so that no number stands in both. contracts
// is an unfiltered instance of Zmluvy.DBF; it ends on its tag NUMBER.
QString highestNumber(Table& contracts);

} // namespace ArchiveMove
