#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QVarLengthArray>
#include <QVariant>

struct sqlite3_stmt;

// The field values of one record. What was read from the store stays in its stored form, one buffer
// per record, and a field is decoded only when it is read: a walk over a big table reads a few fields
// of each record. Values assigned in memory are kept beside it as QVariants.
//
// A read may leave fields out (a cursor reads the fields its instance uses); such a field is not
// "loaded", and asking for it is the caller's mistake: the table instance reads it first.
class RowValues
{
public:
    static constexpr int MaxFields = 64;
    enum class Kind : quint8 { Null, Integer, Real, Text };

    qsizetype size() const { return m_size; }
    // n fields, every one empty and loaded; what was there is gone.
    void resize(qsizetype n);

    QVariant at(qsizetype i) const;
    QVariant value(qsizetype i) const { return i >= 0 && i < m_size ? at(i) : QVariant(); }
    void set(qsizetype i, const QVariant& v);

    bool isLoaded(qsizetype i) const { return m_loaded & bit(i); }
    quint64 loadedMask() const { return m_loaded; }
    bool isNull(qsizetype i) const { return kind(i) == Kind::Null; }
    Kind kind(qsizetype i) const;
    static Kind kindOf(const QVariant& v); // how a value is stored: by its type
    qint64 integer(qsizetype i) const;     // a number or 0
    double real(qsizetype i) const;        // a number or 0
    QString text(qsizetype i) const;       // the value as QVariant::toString would give it
    // The stored UTF-8 bytes of a text read from the store; empty for anything else.
    QByteArrayView storedText(qsizetype i) const;

    // Reads the current row of a statement: column firstColumn onward holds, in table order, the
    // fields of mask among fieldCount; the others are not loaded.
    void read(sqlite3_stmt* statement, int firstColumn, int fieldCount, quint64 mask);
    // The same from another engine: values holds, in table order, the fields of mask among fieldCount.
    struct Stored
    {
        Kind kind = Kind::Null;
        qint64 integer = 0;
        double real = 0;
        const char* text = nullptr; // UTF-8, size bytes
        int size = 0;
    };
    void read(const Stored* values, int fieldCount, quint64 mask);
    // Takes every stored value of other (the same record read whole), keeping the assigned ones.
    void fillFrom(const RowValues& other);
    // Takes the values of other (the same record read later) of the fields not loaded here; the others stay
    // as they were read.
    void fillMissing(const RowValues& other);
    // Whether field i holds the same value here and in other: both empty, equal numbers or equal texts.
    bool sameValue(qsizetype i, const RowValues& other) const;

private:
    struct Cell
    {
        quint32 offset;
        quint32 size : 30;
        quint32 kind : 2;
    };
    static quint64 bit(qsizetype i) { return quint64(1) << i; }
    const Cell& cell(qsizetype i) const { return reinterpret_cast<const Cell*>(m_stored.constData())[i]; }
    bool assigned(qsizetype i) const { return m_assignedMask & bit(i); }
    const QVariant& assignedValue(qsizetype i) const;

    QByteArray m_stored; // fieldCount cells, then the values they point at
    // Values assigned in memory, few as a rule; an assigned field without an entry is empty.
    struct Assigned
    {
        qsizetype index;
        QVariant value;
    };
    QVarLengthArray<Assigned, 2> m_assigned;
    quint64 m_assignedMask = 0;
    quint64 m_loaded = 0;
    qsizetype m_size = 0;
};
