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

    // Throws StoreError naming the expression when it is not of that grammar. A text constant is quoted
    // as in SQL: '' inside it stands for one quote.
    static Filter parse(const TableDef& def, const QString& text);
    // The one term field = value, for a value read from a record (a QString for a text field, a bool
    // for a logical one): it stays a bound value whatever it holds. Throws StoreError for other fields.
    static Filter equal(const TableDef& def, const QString& field, const QVariant& value);

    // The filter written in the grammar parse reads: parse(def, text(def)) gives it back.
    QString text(const TableDef& def) const;

    // "IFNULL(..)=? AND ..." with values in order; empty when there are no terms.
    QString sql(const TableDef& def) const;
    QList<QVariant> values() const;
    bool matches(const RowValues& record) const;
};
