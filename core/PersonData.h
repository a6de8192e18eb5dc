#pragma once

#include "store/trail/Trail.h"

#include <QList>
#include <QString>
#include <optional>

class Store;

// Everything the store holds about one person, as a pledger may ask for it: their record, every contract with
// their birth number, live and archived, with its goods and extensions, and the rows of the trail of changes
// that name them or those contracts. Values are given as the register shows them, under Slovak captions.
namespace PersonData {

struct Value
{
    QString caption; // "Priezvisko"
    QString text;    // "Kováč", "12.3.2026", "áno"
};
using Record = QList<Value>;

struct Contract
{
    bool archived = false;
    QString number;
    Record fields;
    QList<Record> goods;
    QList<Record> extensions;
};

struct Holding
{
    QString birthNumber;
    QList<Record> persons;     // their records: one, or several where the birth number stands twice
    QList<Contract> contracts; // the live ones by number, then the archived ones by number
    QList<Trail::Row> trail;   // in the order written
};

// What the store holds about the person with this birth number; nothing when it holds nothing at all.
std::optional<Holding> gather(Store& store, const QString& birthNumber);

// The holding as lines to print: a heading for each part (the person, each contract, its goods and extensions, the
// trail), then a caption and its text per value; a text may hold several lines.
struct Line
{
    bool heading = false;
    QString caption;
    QString text;
};
QList<Line> lines(const Holding& holding);

// A trail row's action by its Slovak name, and its field changes as "POLE: pôvodná → nová" lines.
QString actionText(const Trail::Row& row);
QStringList changeLines(const Trail::Row& row);

} // namespace PersonData
