#pragma once

#include "store/engine/Connection.h"

#include <QList>
#include <QString>
#include <QStringList>

enum class FieldType { Logical, Text, Number, SmallInt, Date };

struct FieldDef
{
    QString name;
    FieldType type;
    int width; // characters for text, entry limit otherwise (0 = none)
    // Identifies a person: the trail keeps its values encrypted with that person's key.
    bool personal = false;
    // The person's birth number: whose key encrypts the record's personal values, and by which the person's
    // rows of the trail are found. Personal too.
    bool personKey = false;
    // No two records share a value other than the empty one, where several counters write at once (a server):
    // a second one is refused as a KeyViolation naming the table and this field.
    bool unique = false;
    // The work mark a report's marking pass sets: not part of the record's value, so it is neither checked against
    // the record as read nor kept in the trail; on a server each session keeps its own.
    bool mark = false;
    // A new record starts with 0 here rather than empty.
    bool zeroDefault = false;
    // Digits a typed sum in cents may have before its comma: six, as a box takes them, unless set.
    int centsDigits = 6;
};

struct TagDef
{
    QString name;
    QString field;
    bool descending;
    bool slovak; // Slovak, case-insensitive order
};

struct TableDef
{
    QString file;    // file name as the register knows it, e.g. "Zmluvy.DBF"
    QString sqlName; // file name without extension: the SQL table
    QList<FieldDef> fields;
    QList<TagDef> tags;
    // The field that names one record in a message and in the trail (NUMBER); empty for a counter's own work table.
    QString recordField;
    // One of the tables every shop's register has (the archive and the work table may be missing from old files).
    bool everyShop = false;
    // The day a record was made (a contract's signing): a long move's period is the span of these days.
    QString dayField{};
    // Each counter has its own (a work table that each report fills anew; on a server the session's): no other
    // counter writes it, so its writes are neither checked against the record as read nor kept in the trail.
    bool ofCounter = false;
    // The register of persons: each record is one person, named by its personKey field. A person deleted takes
    // their keys along and a corrected number moves them.
    bool persons = false;
    int id = 0; // position among the store's tables

    int fieldIndex(const QString& name) const; // case-insensitive, -1 when unknown
    const TagDef* tag(const QString& name) const;
    int personKeyField() const; // -1 when no field names a person
    int markField() const;      // -1 when the table has no work mark
};

// A table of the store's own (clerks, the trail, its keys and seal, settings): no record instance reads it.
struct OwnColumn
{
    enum class Type { Text, Integer, Sequence }; // Sequence: a 64-bit number the program counts itself
    QString name;
    Type type;
    QString constraint; // "NOT NULL UNIQUE", "PRIMARY KEY" ...
};

struct OwnTableDef
{
    QString name;
    QList<OwnColumn> columns; // the first is the key the rows are copied along
    // Rows are only ever added: both engines refuse an update or a delete, a server by triggers and rules both,
    // so that one disabled still leaves the other.
    bool appendOnly = false;
    QStringList indexes{}; // "name (COLUMN)"
    // A copy of the store takes its rows as stored; false for one whose values are copied by what they mean.
    bool copiedAsStored = true;
};

namespace Schema {

const QList<TableDef>& tables();
// Matches the file name (with or without extension) without regard to case; nullptr when unknown.
const TableDef* find(const QString& fileName);

// The SQL key of a tag: empty values sort as empty text, Slovak tags by the SLOVAK collation.
QString keyExpression(const TableDef& def, const TagDef& tag);

using Engine = Connection::Engine;

// The store's own tables; nullptr for a name it does not have.
const QList<OwnTableDef>& ownTables();
const OwnTableDef* ownTable(const QString& name);

// What makes a table with its indexes and record counts (a register table), or with its guards (one of the
// store's own), on engine.
QStringList createSql(Engine engine, const TableDef& def);
QStringList createSql(Engine engine, const OwnTableDef& def);
// Everything a new store holds, in order, its version set to version; and what removes it all from a server.
QStringList createStoreSql(Engine engine, int version);
QString dropServerSql();
// The table of the store's schema version (one row), what makes it, reads it and sets it (one bound value).
QString versionTable();
QStringList versionTableSql(int version);
QString versionSql();
QString setVersionSql();

// On a server: the columns of def's table (rowid first) and the index of a tag, as the session's own copies use
// them too.
QString serverColumns(const TableDef& def);
QString serverKeyIndex(const TableDef& def, const TagDef& tag);
QString serverName(const QString& name); // quoted, in lower case as the server keeps the register's names
// The unique index of a field on a server: "zmluvy_number_unique".
QString uniqueIndexName(const TableDef& def, const FieldDef& field);
// On a server: grants privileges on table (one of the store's own) to whoever may add the register's records (the
// counters' role of a store made with one), as a new store's counters have them.
QString grantToCountersSql(const QString& table, const QString& privileges);

// The store's settings, one value per name (the currency, "currency": SKK or EUR).
QString settingsTable(); // "Nastavenia"

} // namespace Schema
