#pragma once

#include <QList>
#include <QString>
#include <QVariant>

struct TableDef;
class RowValues;

// A parsed view filter: field = constant, joined by "and". Turned into bound SQL, never pasted.
struct Filter
{
    struct Term
    {
        int field;
        QVariant value; // QString for text fields, bool for logical ones
    };
    QList<Term> terms;

    // Throws StoreError naming the expression when it is not of that grammar.
    static Filter parse(const TableDef& def, const QString& text);

    // "IFNULL(..)=? AND ..." with values in order; empty when there are no terms.
    QString sql(const TableDef& def) const;
    QList<QVariant> values() const;
    bool matches(const RowValues& record) const;
};
