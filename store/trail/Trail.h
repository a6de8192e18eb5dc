#pragma once

#include "store/engine/Connection.h"
#include "store/engine/Errors.h"

#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

class RowValues;
class Store;
struct TableDef;

// The trail of every change: the store's table Zmeny, beside the register's eight, where each stored change
// of the shop's records and each event of note (a sign-in, a long move, personal data printed) leaves one row
// in the same transaction. Rows are only ever appended, numbered 1, 2, 3 ... (SEQ), and each carries a SHA-256
// over the row before it and its own content, so that a row edited, deleted or inserted behind the register's
// back shows (verify).
//
// Values that identify a person never enter it in clear: they are encrypted with a key of that person's own
// (table Kluce), and the row carries the key's tag, by which the person's rows are found. A key is looked up by
// a hash of the birth number with the store's secret (table Tajomstvo), so the keys name nobody in clear.
// Deleting the key (deleteKey) leaves those values unreadable (marked erased when read), while the chain, which hashes
// what is stored, stays intact. The keys are for erasure, not secrecy: whoever holds the store holds them too.
//
// Who writes comes from the Store: its clerk() and counter().
namespace Trail {

// What a row records; stored as its code, named for the clerk above the store.
enum class Action {
    New,
    Change,
    Delete,
    ArchiveOut,
    ArchiveBack,
    Import,
    Restore,
    Copy,
    SignIn,
    SignInFailed,
    SignOut,
    Lock,
    Unlock,
    ClerkAdded,
    ClerkChanged,
    PersonalDataPrinted,
    PersonalDataExported,
    Anonymised,
    RetentionAsked, // the owner was asked whether to anonymise the persons due, and answered
    Genesis,        // the head of a trail: the store's id, and what broke when an owner began it anew
    Sealed,         // from this row on each row carries a seal (see seal)
    EuroConversion, // a crown store's money converted to euros, once
};

QString code(Action action);                         // "new", "archive-out" ...
std::optional<Action> actionOf(const QString& code); // the action of a stored code

QString noClerk(); // "—": the clerk of a row written while nobody is signed in
// The clerk every store opened from now on in this process names: noClerk() until set. mervana-admin sets the
// owner who signed in for a command, whose routines open stores of their own.
QString defaultClerk();
void setDefaultClerk(const QString& name);

// Makes libsodium ready for use (once per process); throws StoreError when it cannot be.
void initCrypto();
// The counter of this program: the computer's host name and the system user, "host/user".
QString defaultCounter();

// One row to append, apart from the rows of single-record writes, which the store writes by itself.
struct Entry
{
    Action action = Action::New;
    QString table; // the register table's SQL name ("Zmluvy"), or empty
    // The record's key: a contract number, kept in clear; with personKey a birth number, kept encrypted
    // with that person's key, and the person found by it.
    QString key;
    bool personKey = false;
    QStringList persons; // further birth numbers the row concerns
    QJsonObject detail;  // written once, compactly, and hashed as written
};

// Appends entry inside the store's open transaction, or in a transaction of its own. Long moves write their
// one row so, inside a Bulk scope or not.
void record(Store& store, const Entry& entry);

// The detail of a long move: its period (an invalid day leaves that end out) and the records of each table
// (SQL name) it moved, plus what names its source.
QJsonObject moveDetail(const QDate& from, const QDate& to, const QList<std::pair<QString, qint64>>& counts,
                       const QJsonObject& extra = {});

// The period of a long move that is not asked for one: the first and the last of the days its records were made
// (TableDef::dayField, a contract's signing) in tables (SQL names), or in every table that has such a day. Invalid days
// when there is none.
std::pair<QDate, QDate> contractPeriod(Store& store, const QStringList& tables);
std::pair<QDate, QDate> contractPeriod(Store& store);
// A long move's one row: its period, its counts by table and what names its source.
void recordMove(Store& store, Action action, const std::pair<QDate, QDate>& period,
                const QList<std::pair<QString, qint64>>& counts, const QJsonObject& extra = {});

// The row personal-data-exported: what left the store (a command, a report), where to (a folder, a file, a
// printer) and how many records (in extra: a count, or counts by table).
void recordExport(Store& store, const QString& what, const QString& where, const QJsonObject& extra);

// Silences the rows of single-record writes while it lives: a long move writes one row for all of them.
class Bulk
{
public:
    explicit Bulk(Store& store);
    ~Bulk();
    Bulk(const Bulk&) = delete;
    Bulk& operator=(const Bulk&) = delete;

private:
    Store& m_store;
};

// For the store (store/Store.cpp), where one record of the shop is written: the fields of def a write of
// fields must know the old values of for its row (the changed ones, the record's key, the person's birth
// number; never WRK), and the row itself, inside the write's transaction. before is the record as it was
// (with those fields), after its values as written (fields written among them); either is null for a new
// or a deleted record. A change that changes nothing but WRK writes no row.
quint64 fieldsNamed(const TableDef& def, quint64 fields);
void recordWrite(Store& store, const TableDef& def, Action action, const RowValues* before, const RowValues* after,
                 quint64 written);

// Something that guards the trail and is missing, by the name the catalogue gives it.
struct Missing
{
    enum class Kind { Table, Trigger, Rule, Rights };
    Kind kind;
    QString name; // the table's, trigger's or rule's; the table's for Rights
    bool operator==(const Missing&) const = default;
};

// The store refuses to open while missingGuards finds something; worded for the clerk above the store, with the
// way out (an owner's audit-restart).
class TrailUnguarded : public StoreError
{
public:
    TrailUnguarded(const QString& location, const QList<Missing>& missing);
    const QString& location() const { return m_location; }
    const QList<Missing>& missing() const { return m_missing; }

private:
    QString m_location;
    QList<Missing> m_missing;
};

// A store whose trail shows clerks but which has no active owner: its clerks were changed outside the program.
class OwnerMissing : public StoreError
{
public:
    explicit OwnerMissing(const QString& location);
    const QString& location() const { return m_location; }

private:
    QString m_location;
};

// The chain checked from its first row on.
struct Verdict
{
    qint64 intact = 0; // rows that check, before the first that does not
    qint64 badSeq = 0; // the first row that does not check (0: none)
    QString why;       // what is wrong with it
    qint64 lastSeq = 0;
    QString lastHash;       // of the newest row: deleting the newest rows shows only against a noted one
    QList<Missing> missing; // the guards of the trail that are missing (see missingGuards)
    bool ok() const { return badSeq == 0 && missing.isEmpty(); }
};
// What verify checks beside the chain: the seals from the first sealed row on against the owner's first key
// (32 bytes; none: the seals go unchecked), and a noted row (SEQ and at least the first 16 hex of its HASH).
struct Anchors
{
    QByteArray firstKey;
    qint64 expectSeq = 0; // 0: none
    QString expectHash;
};
Verdict verify(Store& store, const Anchors& anchors = {});

// The newest row as the shop notes it on paper and beside each backup: "SEQ:" and the first 16 hex of its
// HASH; "0:" for a store without a trail.
QString head(Store& store);

// What guards the trail against a change behind the register's back and is missing: the table Zmeny itself, its
// triggers (SQLite), or its triggers, rules and privileges (server). Empty when all are there.
QList<Missing> missingGuards(Store& store);
// Whether the store holds anything the trail should have seen: records, clerks or person keys.
bool holdsData(Store& store);

// The first row of a new trail: the store's id (a new one unless breakDetail names it) and, when a trail came
// before it, what broke it (breakDetail). Into an empty trail only; throws StoreError otherwise.
void begin(Store& store, const QJsonObject& breakDetail = {});
// Whether the trail holds nothing but the genesis row of a store just made (or nothing at all); and that row
// dropped, for a copy that brings the whole trail of another store. Inside the copy's transaction.
bool onlyGenesis(Store& store);
void dropGenesis(Store& store);
// An owner's new trail in place of one that is missing or unguarded: what stood there is kept aside under a
// name of its own (returned; empty when there was no table) with its end, and why (what was missing, as the
// owner reads it), named in the new genesis row.
QString restart(Store& store, const QString& why);

// Begins sealing: a random first key, kept by the owner only, of which the store keeps the successor of each
// row's key. Each row from the returned one's on carries HMAC-SHA-256(Ki, HASH), and the same transaction
// replaces Ki by SHA-256(Ki): whoever holds the store later cannot seal a row written before. Returns the
// first key (32 bytes); the caller shows it once and wipes it.
QByteArray seal(Store& store);
// The first key as the owner keeps it: 64 hex in groups of 8; and read back (any blanks, any case), or empty.
QString keyText(const QByteArray& key);
QByteArray keyFromHex(const QString& text);

// Which rows read() gives: every condition set must hold.
struct Query
{
    QDate from, to;      // moments within those days
    QString contract;    // rows of the contract with this number, its goods and extensions
    QString birthNumber; // rows that concern this person
    QString clerk;
};

struct FieldChange
{
    QString field, oldValue, newValue;
    bool oldErased = false, newErased = false;
};

// A row as read: personal values decrypted, or marked erased (and empty) where the person's key is gone.
struct Row
{
    qint64 seq = 0;
    QDateTime moment; // as written: the machine's or the server's local time
    QString clerk, counter;
    QString action; // the code as stored
    QString table, key;
    bool keyErased = false;
    QList<FieldChange> fields;
    QJsonObject detail; // as stored, "fields" left out
};
// Calls each with the rows that match query, in the order of SEQ.
void read(Store& store, const Query& query, const std::function<void(const Row&)>& each);
QList<Row> read(Store& store, const Query& query);
// The rows that match any of the queries, each once, in the order of SEQ: one moment of the store, its person
// keys read once.
QList<Row> readAny(Store& store, const QList<Query>& queries);

// Deletes the key of the person with this birth number: every trail value about them becomes unreadable.
// Returns whether there was one. Inside the store's transaction, or in one of its own.
bool deleteKey(Store& store, const QString& birthNumber);
// Deletes every key whose birth number is in no person and no contract, live or archived. Returns how many.
// Inside the store's transaction, or in one of its own.
qint64 sweepKeys(Store& store);

// The trail's table with its guards, made anew (a new store's, or restart's); on a server whoever may add the
// register's records may add and read its rows, and nothing more.
void newTrailTable(Store& store);
// The person keys found by a keyed hash of the birth number, with the store's secret that keys it: a store whose
// keys are found by the number in clear has them rewritten. An upgrade step, inside its transaction.
void hashKeyLookups(Store& store);
// Once the trail shows a clerk added, the store must have an active owner: without one it would open as if
// nobody had to sign in. Throws OwnerMissing.
void requireOwner(Store& store);

} // namespace Trail
