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

// A record would repeat a key the store keeps unique (a contract number on a shared server).
class KeyViolation : public StoreError
{
public:
    using StoreError::StoreError;
};

// An update or delete of one record met it changed or deleted by another counter since it was read: nothing
// was stored. The text names the record.
class RecordChanged : public StoreError
{
public:
    RecordChanged(const QString& text, const QString& table, qint64 rowid, bool gone)
        : StoreError(text), m_table(table), m_rowid(rowid), m_gone(gone)
    {
    }
    const QString& table() const { return m_table; } // as TableDef::sqlName
    qint64 rowid() const { return m_rowid; }
    bool gone() const { return m_gone; } // deleted meanwhile rather than changed

private:
    QString m_table;
    qint64 m_rowid;
    bool m_gone;
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
    // A sum typed into a box of a euro store that is no amount in euros: names the box by its label.
    static ConversionError invalidEuroEntry(const QString& text, const QString& field);
};
