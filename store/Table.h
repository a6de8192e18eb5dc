#pragma once

#include "store/Filter.h"
#include "store/engine/Row.h"
#include "store/engine/Schema.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QObject>
#include <QVariant>
#include <array>

class Store;
class Statement;
struct TableDef;
struct TagDef;
class Table;

// One record as read from the store: its row id and the field values in table order (null = empty).
struct Row
{
    qint64 rowid = 0;
    RowValues values;
};

// Access to one field of the current record of a table instance.
class Field
{
public:
    Field(Table& table, int index) : m_table(table), m_index(index) {}

    // The text of a stored value as the register shows it: "True"/"False", 366,3, 6.12.2026.
    // A sum of a euro store (inCents) with two decimals: 1500,30.
    static QString format(FieldType type, const QVariant& value, bool inCents = false);
    static QString format(FieldType type, const RowValues& values, int index, bool inCents = false);
    // Whether field holds money (a number of six digits or more, not a percent), and in store counted in cents.
    static bool isMoney(const FieldDef& field);
    static bool inCents(const Store& store, const FieldDef& field);

    QString name() const;
    bool isNull() const;
    QVariant value() const;
    QString asString() const;
    qint64 asInteger() const;
    bool asBoolean() const;
    QDate asDate() const; // invalid when empty
    double asFloat() const;

    void setAsString(const QString& text);
    // What the clerk typed into the field's box: a sum or percent only as digits with an optional
    // decimal comma within the field's entry limit, a count (weeks) only as digits, else the conversion
    // message; other fields as text.
    void setAsTyped(const QString& text);
    void setAsInteger(qint64 value);
    void setAsBoolean(bool value);
    void setAsDate(const QDate& date);
    void setAsFloat(double value);
    void clear();

private:
    Table& m_table;
    int m_index;
};

// One instance of one table: its own current record, tag, filter and edit buffer.
class Table : public QObject
{
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };
    enum class Direction { Forward, Backward };

    Table(Store& store, const QString& fileName, QObject* parent = nullptr);
    ~Table() override;

    Store& store() const { return m_store; }
    QString fileName() const { return m_fileName; }
    const TableDef& definition() const;

    void open();
    void close();
    bool isOpen() const { return m_state != State::Inactive; }
    void setExclusive(bool exclusive);
    bool exclusive() const { return m_exclusive; }
    void regenerateIndexes(); // needs an exclusive open

    void setIndexName(const QString& tag); // the current record stays current
    QString indexName() const;

    bool findKey(const QString& key); // exact: positions on the first match, or leaves the position
    void findNearest(const QString& key);

    void setFilter(const QString& text);
    // The same by terms whose values are bound as they stand: for a value read from a record.
    void setFilter(const Filter& filter);
    QString filter() const { return m_filterText; }
    void setFiltered(bool on);
    bool filtered() const { return m_filtered; }
    bool hasActiveFilter() const { return m_filtered && !m_filter.terms.isEmpty(); }

    void first();
    void next();
    void prior();
    void last();
    bool eof();
    bool bof();
    bool isEmpty();

    void append();
    void insert() { append(); }
    // Begins an edit of the current record. Posting stores it only if the record still holds what this
    // instance read of it (another counter may have changed or deleted it since); otherwise post throws
    // RecordChanged, stores nothing and drops the edit (closing the table then posts nothing).
    void edit();
    // The same for the record seen, a record() taken earlier (what a panel was filled from): posting checks
    // against what was seen, whatever the instance read since. The edit begins on that record, read anew,
    // also where the cursor stands elsewhere or the view hides it; one no longer there throws RecordChanged
    // at once. While an edit or append is under way, or for no record (row id 0), as edit().
    void edit(const Row& seen);
    void post();
    void cancel();
    // Deletes the current record, or the record seen, only if it still holds what was read or seen; otherwise
    // throws RecordChanged and deletes nothing.
    void remove();
    void remove(const Row& seen);
    void emptyTable();
    State state() const { return m_state; }
    bool modified() const { return m_modified; }

    int recordCount();

    Field field(const QString& name);
    Field field(int index) { return Field(*this, index); }
    int fieldIndex(const QString& name) const;

    // Row id of the current record (0 when there is none or it is not posted yet).
    qint64 rowId();
    // The current record as read: its row id (0 when there is none) and the fields read so far.
    Row record();
    // The record with this row id as it is stored now, every field read, whatever the view; found tells
    // whether it is there.
    Row readRecord(qint64 rowid, bool* found) { return readRow(rowid, found); }
    // The record as the last post stored it: its row id and the fields read or written.
    const Row& lastPosted() const { return m_buffer; }
    // Makes the record with this row id current, when it is in the view.
    bool gotoRowId(qint64 rowid);

    // The view this instance shows, for grid models: whole rows along the tag and filter.
    QList<Row> fetchRows(Direction direction, const Row* anchor, bool inclusive, int limit)
    {
        return fetchRows(direction, anchor, inclusive, limit, allFields());
    }
    QList<Row> fetchRowsAt(int offset, int limit); // for a jump far from any known row
    int positionOf(const Row& row);                // rows before it in the view
    quint64 viewVersion() const { return m_viewVersion; }

Q_SIGNALS:
    // Tag, filter or open state changed: the rows shown by this instance are others now.
    void viewChanged();

private:
    friend class Field;
    // The values of the current record (or the edit buffer), with field index read.
    const RowValues& valuesFor(int index);
    QList<Row> fetchRows(Direction direction, const Row* anchor, bool inclusive, int limit, quint64 fields);
    quint64 allFields() const;
    quint64 cursorFields() const;
    void loadUsedFields(); // the current record again, with the fields used since it was read
    void assign(int index, const QVariant& value);
    void requireOpen() const;
    void requireEditing() const;
    void checkedPostPending();
    void setFilter(const Filter& filter, const QString& text);
    void sync();
    void deferFirst();
    // The cursor stands on `around` (or where it would be) once it is next asked for.
    void deferResync(const Row& around);
    void resync(const Row& around);
    void loadPage(Direction direction, const Row* anchor, bool inclusive, int limit = 200);
    Row keyAnchor(const QString& key) const;
    bool keyEquals(const Row& row, const Row& anchor) const;
    bool rowVisible(qint64 rowid, Row* out);
    Row readRow(qint64 rowid, bool* found);
    QString keyExpr() const;
    QString orderClause(Direction direction) const;
    QString rangeClause(Direction direction, bool inclusive) const;
    QList<QVariant> rangeValues(const Row& anchor) const;
    QString selectList(quint64 fields) const;
    Row current() const;
    void viewChangedInternally();
    void postRecord();
    void beginEdit(const Row& record, const Row& original);

    Store& m_store;
    QString m_fileName;
    const TableDef* m_def = nullptr;
    const TagDef* m_tag = nullptr;
    int m_tagField = -1;
    State m_state = State::Inactive;
    bool m_exclusive = false;
    bool m_openedExclusive = false;
    QString m_filterText;
    Filter m_parsedFilter; // of m_filterText
    Filter m_filter;       // what the view applies: the parsed filter while filtering is on
    bool m_filtered = false;
    QString m_pendingTag;

    // The cursor: a page of rows along the tag and the position in it.
    QList<Row> m_page;
    int m_pos = -1;
    bool m_eof = true;
    bool m_bof = true;
    quint64 m_seenVersion = 0;
    int m_nextPageSize = 200;
    bool m_pendingFirst = false;
    bool m_pendingResync = false;
    Row m_pendingAround; // of m_pendingResync
    quint64 m_viewVersion = 0;
    int m_cachedCount = -1;
    quint64 m_countVersion = 0;

    // The edit buffer.
    Row m_buffer;
    Row m_original;                               // the record as it was when the edit began
    QHash<quint64, Statement*> m_fetchStatements; // by fields and kind of read, for the current view
    // Fields read through this instance: its cursor reads those (with the tag's and the filter's)
    // rather than whole records. A field read for the first time makes the cursor read it too.
    quint64 m_usedFields = 0;
    quint64 m_dirty = 0; // fields assigned since edit or append, one bit each
    bool m_modified = false;
};

// Opens a closed instance for a while (a count, one phase of a routine) and closes it again however
// that while ends. A record a failure left in edit is dropped first, never posted by the close. An
// instance that was open already stays open.
class OpenWhile
{
public:
    explicit OpenWhile(Table& table) : m_table(table), m_opened(!table.isOpen()) { table.open(); }
    ~OpenWhile();
    OpenWhile(const OpenWhile&) = delete;
    OpenWhile& operator=(const OpenWhile&) = delete;

private:
    Table& m_table;
    bool m_opened;
};
