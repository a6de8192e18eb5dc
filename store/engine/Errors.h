#pragma once

#include <QString>
#include <stdexcept>

// Errors carry the exact text the clerk sees; one boundary in the UI shows them.
class MervanaError : public std::runtime_error
{
public:
    explicit MervanaError(const QString& text) : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString& text() const { return m_text; }

private:
    QString m_text;
};

// Raised by the record store: missing table, table in use, bad filter, SQL failure.
class StoreError : public MervanaError
{
public:
    using MervanaError::MervanaError;
};

// A record would repeat a value of a field the store keeps unique (FieldDef::unique, on a shared server). The text
// is the engine's own; what the clerk reads is worded above the store, from the table, field and value.
class KeyViolation : public StoreError
{
public:
    KeyViolation(const QString& text, const QString& table, const QString& field, const QString& value)
        : StoreError(text), m_table(table), m_field(field), m_value(value)
    {
    }
    const QString& table() const { return m_table; } // as TableDef::sqlName; empty when the engine did not say
    const QString& field() const { return m_field; }
    const QString& value() const { return m_value; } // the value taken, empty when the engine did not say

private:
    QString m_table, m_field, m_value;
};

// An update or delete of one record met it changed or deleted by another counter since it was read: nothing
// was stored. What the clerk reads names the record by its key, worded above the store.
class RecordChanged : public StoreError
{
public:
    RecordChanged(const QString& text, const QString& table, qint64 rowid, const QString& key, bool deleting, bool gone)
        : StoreError(text), m_table(table), m_key(key), m_rowid(rowid), m_deleting(deleting), m_gone(gone)
    {
    }
    const QString& table() const { return m_table; } // as TableDef::sqlName
    qint64 rowid() const { return m_rowid; }
    const QString& key() const { return m_key; } // the record's value of TableDef::recordField, as it was read
    bool deleting() const { return m_deleting; } // the write was a delete
    bool gone() const { return m_gone; }         // deleted meanwhile rather than changed

private:
    QString m_table, m_key;
    qint64 m_rowid;
    bool m_deleting, m_gone;
};

// The database server cannot be reached, or the connection to it broke off: the command that met it was
// not stored. The store connects again at its next command.
class ConnectionLost : public StoreError
{
public:
    using StoreError::StoreError;
};

// The connection broke while the server was committing: the command may have been stored or not, and nobody
// here can tell which.
class CommitUnknown : public ConnectionLost
{
public:
    using ConnectionLost::ConnectionLost;
};

// Raised when a file handed to the register cannot be read as asked (an old table file, a backup):
// the text names the file and, where it can, the record and the field.
class InputError : public MervanaError
{
public:
    using MervanaError::MervanaError;
};

// Raised by text-to-number and text-to-date conversions.
class ConversionError : public MervanaError
{
public:
    using MervanaError::MervanaError;

    static ConversionError invalidInteger(const QString& text);
    static ConversionError invalidIntegerForField(const QString& text, const QString& field);
    static ConversionError invalidFloatForField(const QString& text, const QString& field);
    static ConversionError invalidBooleanForField(const QString& text, const QString& field);
    static ConversionError invalidDate(const QString& text);
    static ConversionError invalidDateTime(const QString& text);
};

// A sum typed for a field of a euro store that is no amount in euros (six digits at most before the comma, two
// after). What the clerk reads names the box, worded above the store.
class AmountRefused : public ConversionError
{
public:
    AmountRefused(const QString& input, const QString& field)
        : ConversionError(QStringLiteral("'%1' is not an amount in euros for field '%2'").arg(input, field)),
          m_input(input), m_field(field)
    {
    }
    const QString& input() const { return m_input; } // as typed, blanks around it removed
    const QString& field() const { return m_field; }

private:
    QString m_input, m_field;
};
