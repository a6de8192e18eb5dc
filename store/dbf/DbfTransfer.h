#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class Store;

// Moving the eight tables between the store and a folder of table files (DBF): a shop brings in its
// old FoxPro tables, or takes its register out for other programs.
namespace DbfTransfer {

struct ImportOptions
{
    int codePage = 0;     // for files whose language byte names none; 0: such files must be plain ASCII
    bool replace = false; // empty the eight tables first; without it only an empty store is filled
};

// What happened to one table.
struct TableReport
{
    QString table; // as the register names it: "Zmluvy.DBF"
    QString file;  // the file read or written; empty when an optional table was absent
    int codePage = 0;
    qint64 records = 0;        // imported or exported
    qint64 deleted = 0;        // deleted records skipped
    QStringList skippedFields; // fields of the file the store lacks
    QStringList memoFields;    // memo fields and fields of unknown types, not read
    QStringList emptyFields;   // fields of the store the file lacks: left empty
};

// Reads the eight tables from srcDir (file names in any case; a missing archive table or Prijvyd.dbf
// counts as empty, a missing register table is an error) into the store, in one transaction.
// Every file is opened and checked before the store is touched. Throws InputError for unreadable
// input or a store that holds records without options.replace, StoreError when the store fails;
// the store is then as it was.
QList<TableReport> importTables(Store& store, const QString& srcDir, const ImportOptions& options);

// Writes the eight tables into destDir (made when missing) as FoxPro 2.x files in codePage, with its
// language byte. Text fields are as wide as the register's entry limits or the longest text stored;
// numbers get the decimals that give every stored value back exactly. Refuses a folder that holds one
// of the files already, so an old table is never overwritten. Either all eight files are written or
// none (InputError for a value the files cannot carry, StoreError otherwise).
QList<TableReport> exportTables(Store& store, const QString& destDir, int codePage, const QDate& updated);

} // namespace DbfTransfer
