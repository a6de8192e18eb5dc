#pragma once

#include <QList>
#include <QString>

enum class FieldType { Logical, Text, Number, SmallInt, Date };

struct FieldDef
{
    QString name;
    FieldType type;
    int width; // characters for text, entry limit otherwise (0 = none)
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
    // How a message names one record: recordText with %1 for its value of recordField ("Zmluvu %1", NUMBER).
    // Empty for the counter's own work table, which no other counter writes: its writes are not checked.
    QString recordText;
    QString recordField;
    int id = 0; // position among the store's tables

    int fieldIndex(const QString& name) const; // case-insensitive, -1 when unknown
    const TagDef* tag(const QString& name) const;
};

namespace Schema {

const QList<TableDef>& tables();
// Matches the file name (with or without extension) without regard to case; nullptr when unknown.
const TableDef* find(const QString& fileName);

// The SQL key of a tag: empty values sort as empty text, Slovak tags by the SLOVAK collation.
QString keyExpression(const TableDef& def, const TagDef& tag);

QString createStatements(const TableDef& def, QStringList* indexes);

// The store's settings, one value per name (the currency, "currency": SKK or EUR); the same text on both engines.
QString settingsTable(); // "Nastavenia"
QString createSettingsStatement();

} // namespace Schema
