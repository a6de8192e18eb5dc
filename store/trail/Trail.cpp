#include "store/trail/Trail.h"

#include "store/Clock.h"
#include "store/Store.h"
#include "store/Transaction.h"
#include "store/engine/Errors.h"
#include "store/engine/Row.h"
#include "store/engine/Schema.h"
#include "store/engine/Statement.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QSysInfo>
#include <QUuid>
#include <cmath>
#include <limits>
#include <sodium.h>
#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace {

using Trail::Action;

struct ActionText
{
    Action action;
    QStringView code; // as the trail stores it
};

constexpr ActionText Actions[] = {
    {Action::New, u"new"},
    {Action::Change, u"change"},
    {Action::Delete, u"delete"},
    {Action::ArchiveOut, u"archive-out"},
    {Action::ArchiveBack, u"archive-back"},
    {Action::Import, u"import"},
    {Action::Restore, u"restore"},
    {Action::Copy, u"copy"},
    {Action::SignIn, u"sign-in"},
    {Action::SignInFailed, u"sign-in-failed"},
    {Action::SignOut, u"sign-out"},
    {Action::Lock, u"lock"},
    {Action::Unlock, u"unlock"},
    {Action::ClerkAdded, u"clerk-added"},
    {Action::ClerkChanged, u"clerk-changed"},
    {Action::PersonalDataPrinted, u"personal-data-printed"},
    {Action::PersonalDataExported, u"personal-data-exported"},
    {Action::Anonymised, u"anonymised"},
    {Action::RetentionAsked, u"retention-asked"},
    {Action::Genesis, u"genesis"},
    {Action::Sealed, u"sealed"},
    {Action::EuroConversion, u"convert-euro"},
};

constexpr quint64 bit(int i)
{
    return quint64(1) << i;
}

constexpr char Separator = '\x1f';
constexpr int PageRows = 5000;
constexpr QStringView Encrypted = u"enc:";

const QString Columns = u"SEQ, MOMENT, CLERK, COUNTER, ACTION, TABLENAME, RECKEY, PERSON, DETAIL, HASH"_s;
constexpr int KeyBytes = crypto_auth_hmacsha256_KEYBYTES;
static_assert(KeyBytes == crypto_hash_sha256_BYTES, "each key is the hash of the one before");

// Never a null string: it would bind as SQL NULL.
QString text(const QString& s)
{
    return s.isNull() ? u""_s : s;
}

// The fields of def whose values identify a person: kept encrypted with that person's key.
quint64 personalFields(const TableDef& def)
{
    quint64 fields = 0;
    for (int i = 0; i < def.fields.size(); ++i)
        if (def.fields.at(i).personal || def.fields.at(i).personKey) fields |= bit(i);
    return fields;
}

// A value as the store holds it, as text: empty for NULL, numbers in full without an exponent, dates as
// YYYY-MM-DD, flags 1 or 0.
QString storedText(const RowValues& values, int i)
{
    if (i < 0 || i >= values.size() || !values.isLoaded(i)) return u""_s;
    switch (values.kind(i)) {
    case RowValues::Kind::Null:
        return u""_s;
    case RowValues::Kind::Integer:
        return QString::number(values.integer(i));
    case RowValues::Kind::Real: {
        const double d = values.real(i);
        if (std::isfinite(d) && d == std::trunc(d) && std::abs(d) < 1e15) return QString::number(qint64(d));
        return QString::number(d, 'f', QLocale::FloatingPointShortest);
    }
    case RowValues::Kind::Text:
        break;
    }
    return text(values.text(i));
}

QString compact(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

const uchar* bytes(const QByteArray& a)
{
    return reinterpret_cast<const uchar*>(a.constData());
}

// A birth number hashed with a key, hex of 32 bytes: with the person's own key the tag by which the person's
// rows are found, with the store's secret the lookup of the person's key.
QString keyedHash(const QString& birthNumber, const QByteArray& key)
{
    const QByteArray in = birthNumber.toUtf8();
    QByteArray out(32, Qt::Uninitialized);
    crypto_generichash(reinterpret_cast<uchar*>(out.data()), size_t(out.size()), bytes(in), size_t(in.size()),
                       bytes(key), size_t(key.size()));
    return QString::fromLatin1(out.toHex());
}

QString encrypt(const QString& value, const QByteArray& key)
{
    const QByteArray plain = value.toUtf8();
    QByteArray box(qsizetype(crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES) + plain.size(),
                   Qt::Uninitialized);
    auto* out = reinterpret_cast<uchar*>(box.data());
    randombytes_buf(out, crypto_secretbox_NONCEBYTES);
    crypto_secretbox_easy(out + crypto_secretbox_NONCEBYTES, bytes(plain), size_t(plain.size()), out, bytes(key));
    return Encrypted + QString::fromLatin1(box.toBase64());
}

std::optional<QString> decrypt(const QString& stored, const QByteArray& key)
{
    const QByteArray box = QByteArray::fromBase64(QStringView(stored).mid(Encrypted.size()).toLatin1());
    constexpr qsizetype overhead = crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES;
    if (box.size() < overhead) return std::nullopt;
    QByteArray plain(box.size() - overhead, Qt::Uninitialized);
    if (crypto_secretbox_open_easy(reinterpret_cast<uchar*>(plain.data()), bytes(box) + crypto_secretbox_NONCEBYTES,
                                   size_t(box.size()) - crypto_secretbox_NONCEBYTES, bytes(box), bytes(key)) != 0)
        return std::nullopt;
    return QString::fromUtf8(plain);
}

// HASH of a row: SHA-256 over the previous row's HASH and the row's content as stored, each followed by 0x1F.
QByteArray linkHash(QByteArrayView previous, std::initializer_list<QByteArrayView> parts)
{
    crypto_hash_sha256_state state;
    crypto_hash_sha256_init(&state);
    const auto add = [&](QByteArrayView part) {
        crypto_hash_sha256_update(&state, reinterpret_cast<const uchar*>(part.data()), size_t(part.size()));
        crypto_hash_sha256_update(&state, reinterpret_cast<const uchar*>(&Separator), 1);
    };
    add(previous);
    for (QByteArrayView part : parts)
        add(part);
    QByteArray digest(crypto_hash_sha256_BYTES, Qt::Uninitialized);
    crypto_hash_sha256_final(&state, reinterpret_cast<uchar*>(digest.data()));
    return digest.toHex();
}

const QByteArray& firstLink()
{
    static const QByteArray zeros(64, '0');
    return zeros;
}

// A row's seal: HMAC-SHA-256 of its HASH (as stored, hex) under the key of its place in the sealed chain.
QString sealOf(const QByteArray& hash, const QByteArray& key)
{
    uchar mac[crypto_auth_hmacsha256_BYTES];
    crypto_auth_hmacsha256(mac, bytes(hash), size_t(hash.size()), bytes(key));
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(mac), sizeof mac).toHex());
}

// The key of the next row: SHA-256 of this one, which is wiped.
void nextKey(QByteArray& key)
{
    QByteArray next(KeyBytes, Qt::Uninitialized);
    crypto_hash_sha256(reinterpret_cast<uchar*>(next.data()), bytes(key), size_t(key.size()));
    sodium_memzero(key.data(), size_t(key.size()));
    key = next;
}

QByteArray keyFromText(const QString& stored)
{
    const QByteArray key = QByteArray::fromBase64(stored.toLatin1());
    return key.size() == crypto_secretbox_KEYBYTES ? key : QByteArray();
}

QByteArray randomKey()
{
    QByteArray key(crypto_secretbox_KEYBYTES, Qt::Uninitialized);
    randombytes_buf(key.data(), size_t(key.size()));
    return key;
}

// The store's secret, with which a birth number is hashed to look its person's key up, so that the keys table
// names nobody in clear. Made with the first key (make: inside a write holding the trail's lock); empty while
// there is none, and then there is no key either.
QByteArray storeSecret(Store& store, bool make)
{
    QByteArray& secret = store.trailLink().secret;
    if (!secret.isEmpty()) return secret;
    StatementUse q = store.statement(u"SELECT SECRET FROM Tajomstvo"_s);
    q.exec();
    const bool found = q.next();
    if (found) secret = keyFromText(q.value(0).toString());
    if (found && secret.isEmpty()) throw StoreError(u"The secret of the person keys of the trail is damaged"_s);
    if (!found && make) {
        secret = randomKey();
        StatementUse add = store.statement(u"INSERT INTO Tajomstvo (SECRET) VALUES (?)"_s);
        add.bind({QString::fromLatin1(secret.toBase64())});
        add.exec();
    }
    return secret;
}

// The key rows of a birth number: one, or more where a corrected number met keys of its own.
// Reset by the caller's StatementUse.
Statement& keysOf(Store& store, const QString& birthNumber, const QByteArray& secret)
{
    Statement& q = store.statement(u"SELECT TAG, PKEY FROM Kluce WHERE LOOKUP = ? ORDER BY TAG"_s);
    q.bind({keyedHash(text(birthNumber), secret)});
    q.exec();
    return q;
}

// Appends rows inside the store's open transaction. The first one a transaction makes takes the trail's lock
// (on a server; SQLite's write lock is held already), then reads the chain's end once: nobody else appends
// until the transaction ends.
class Writer
{
public:
    explicit Writer(Store& store) : m_store(store), m_link(store.trailLink())
    {
        Trail::initCrypto();
        if (m_link.locked) return;
        if (const QString lock = store.connection().trailLockSql(); !lock.isEmpty()) {
            // The secret comes along, saving a round trip. It was read before the lock was granted, but once made
            // it never changes: only a secret not yet there is read again, under the lock, when needed.
            StatementUse q = store.statement(lock + u", (SELECT SECRET FROM Tajomstvo)"_s);
            q.exec();
            if (q.next() && m_link.secret.isEmpty()) m_link.secret = keyFromText(q.value(1).toString());
        }
        m_link.locked = true;
    }

    // The person's key, made the first time a value of theirs is written.
    const Store::TrailLink::PersonKey& key(const QString& birthNumber)
    {
        if (const auto it = m_link.keys.constFind(birthNumber); it != m_link.keys.cend()) return it.value();
        const QByteArray storeKey = storeSecret(m_store, true);
        Store::TrailLink::PersonKey person;
        bool found = false;
        if (!m_link.known) {
            // The first key of a transaction is looked up with the chain's end: one round trip instead of two.
            StatementUse q = readEnd(keyedHash(text(birthNumber), storeKey));
            found = !q.value(4).isNull();
            if (found) person = {q.value(4).toString(), keyFromText(q.value(5).toString())};
        } else {
            StatementUse q = keysOf(m_store, birthNumber, storeKey);
            found = q.next();
            if (found) person = {q.value(0).toString(), keyFromText(q.value(1).toString())};
        }
        if (found && person.key.isEmpty()) throw StoreError(u"A person key of the trail of changes is damaged"_s);
        if (!found) {
            person.key = randomKey();
            person.tag = keyedHash(birthNumber, person.key);
            StatementUse add = m_store.statement(u"INSERT INTO Kluce (TAG, LOOKUP, PKEY) VALUES (?, ?, ?)"_s);
            add.bind({person.tag, keyedHash(text(birthNumber), storeKey), QString::fromLatin1(person.key.toBase64())});
            add.exec();
        }
        return *m_link.keys.insert(birthNumber, person);
    }

    // A value of the person with birthNumber as the trail keeps it; an empty one tells nothing and stays so.
    QString secret(const QString& value, const QString& birthNumber)
    {
        return value.isEmpty() ? u""_s : encrypt(value, key(birthNumber).key);
    }

    QString persons(const QStringList& birthNumbers)
    {
        QStringList tags;
        for (const QString& b : birthNumbers)
            if (!b.isEmpty()) tags << key(b).tag;
        tags.removeDuplicates();
        return tags.join(u' ');
    }

    // The keys of birthNumber deleted: whatever the trail holds of the person can no longer be read.
    bool drop(const QString& birthNumber)
    {
        m_link.keys.remove(birthNumber);
        const QByteArray storeKey = storeSecret(m_store, false);
        if (storeKey.isEmpty()) return false;
        StatementUse q = m_store.statement(u"DELETE FROM Kluce WHERE LOOKUP = ?"_s);
        q.bind({keyedHash(text(birthNumber), storeKey)});
        q.exec();
        const bool deleted = q.changes() > 0;
        m_link.erased = m_link.erased || deleted;
        return deleted;
    }

    // A corrected birth number takes the person's keys along: the rows written before stay theirs, found by the
    // new number and erased with it. Returns whether there were any.
    bool move(const QString& from, const QString& to)
    {
        const QByteArray storeKey = storeSecret(m_store, false);
        if (storeKey.isEmpty()) return false;
        StatementUse q = m_store.statement(u"UPDATE Kluce SET LOOKUP = ? WHERE LOOKUP = ?"_s);
        q.bind({keyedHash(to, storeKey), keyedHash(from, storeKey)});
        q.exec();
        const bool moved = q.changes() > 0;
        m_link.keys.remove(from);
        m_link.keys.remove(to);
        return moved;
    }

    // The chain's end and the key of its next seal, read once per transaction.
    void knowEnd()
    {
        if (!m_link.known) StatementUse q = readEnd({});
    }

    // Reads the chain's end, and with it the first key row of a person's lookup (columns 4 and 5, NULL where
    // there is none). The statement is left on its one row, reset by the caller's StatementUse.
    Statement& readEnd(const QString& lookup)
    {
        const QString momentSql = m_store.connection().trailMomentSql();
        Statement& q = m_store.statement(
            u"SELECT z.SEQ, z.HASH, "_s + (momentSql.isEmpty() ? u"NULL"_s : momentSql) +
            u", (SELECT SKEY FROM Pecat), k.TAG, k.PKEY FROM (SELECT 1 AS one) AS d LEFT JOIN (SELECT SEQ, HASH "
            u"FROM Zmeny ORDER BY SEQ DESC LIMIT 1) AS z ON 1 = 1 LEFT JOIN (SELECT TAG, PKEY FROM Kluce WHERE "
            u"LOOKUP = ? ORDER BY TAG LIMIT 1) AS k ON 1 = 1"_s);
        q.bind({lookup.isEmpty() ? QVariant() : QVariant(lookup)});
        q.exec();
        if (!q.next()) throw StoreError(u"The end of the trail of changes could not be read"_s);
        m_link.seq = q.value(0).toLongLong();
        m_link.hash = q.value(1).toString().toLatin1();
        const QString serverMoment = q.value(2).toString();
        m_link.sealKey = QByteArray::fromHex(q.value(3).toString().toLatin1());
        if (m_link.sealKey.size() != KeyBytes) m_link.sealKey.clear();
        if (m_link.seq == 0) m_link.hash = firstLink();
        if (!serverMoment.isEmpty()) {
            // Later rows of the transaction: the server's moment and the time measured here since.
            const QDateTime at = QDateTime::fromString(serverMoment, u"yyyy-MM-dd HH:mm:ss.zzz"_s);
            m_link.moment = QDateTime(at.date(), at.time(), Qt::UTC);
            m_link.since.start();
        }
        m_link.known = true;
        return q;
    }

    // Seals from the next row on with first, which never enters the store: only its successors do.
    void startSealing(const QByteArray& first)
    {
        knowEnd();
        m_link.sealKey = first;
    }

    void append(Action action, const QString& table, const QString& reckey, const QString& person,
                const QString& detail)
    {
        knowEnd();
        const QDateTime now = m_link.moment.isValid() ? m_link.moment.addMSecs(m_link.since.elapsed()) : Clock::now();
        const QString moment = now.toString(u"yyyy-MM-dd HH:mm:ss"_s);
        const qint64 seq = m_link.seq + 1;
        const QString clerk = text(m_store.clerk()), counter = text(m_store.counter());
        const QString code = Trail::code(action);
        const QByteArray hash =
            linkHash(m_link.hash, {QByteArray::number(seq), moment.toUtf8(), clerk.toUtf8(), counter.toUtf8(),
                                   code.toUtf8(), table.toUtf8(), reckey.toUtf8(), person.toUtf8(), detail.toUtf8()});
        const QString seal = m_link.sealKey.isEmpty() ? u""_s : sealOf(hash, m_link.sealKey);
        StatementUse q = m_store.statement(u"INSERT INTO Zmeny ("_s + Columns +
                                           u", SEAL) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s);
        q.bind({seq, moment, clerk, counter, code, text(table), text(reckey), text(person), text(detail),
                QString::fromLatin1(hash), seal});
        q.exec();
        if (!m_link.sealKey.isEmpty()) {
            // Only the next row's key stays in the store: this one is gone with the transaction's commit.
            nextKey(m_link.sealKey);
            StatementUse k = m_store.statement(u"UPDATE Pecat SET SKEY = ?"_s);
            k.bind({QString::fromLatin1(m_link.sealKey.toHex())});
            k.exec();
        }
        m_link.seq = seq;
        m_link.hash = hash;
    }

private:
    Store& m_store;
    Store::TrailLink& m_link;
};

// The person keys of the store by their tags: what a row's PERSON names.
struct Keys
{
    QHash<QString, QByteArray> byHash;
    QList<QByteArray> blank; // of persons without a birth number

    explicit Keys(Store& store)
    {
        const QByteArray storeKey = storeSecret(store, false);
        if (storeKey.isEmpty()) return; // no key was ever made
        const QString blankLookup = keyedHash(u""_s, storeKey);
        StatementUse q = store.statement(u"SELECT TAG, LOOKUP, PKEY FROM Kluce"_s);
        q.exec();
        while (q.next()) {
            const QByteArray key = keyFromText(q.value(2).toString());
            if (key.isEmpty()) continue;
            if (q.value(1).toString() == blankLookup)
                blank << key;
            else
                byHash.insert(q.value(0).toString(), key);
        }
    }

    // The value in clear; empty, with erased set, when no candidate opens it.
    QString open(const QString& stored, const QList<QByteArray>& candidates, bool* erased) const
    {
        if (!stored.startsWith(Encrypted)) return stored;
        for (const QByteArray& key : candidates)
            if (const auto value = decrypt(stored, key)) return *value;
        *erased = true;
        return {};
    }
};

// The rows that match query, their personal values opened with keys, in the order of SEQ.
void readWith(Store& store, const Keys& keys, const Trail::Query& query,
              const std::function<void(const Trail::Row&)>& each)
{
    // Fixed terms, values bound.
    QStringList terms{u"SEQ > ?"_s};
    QList<QVariant> values{QVariant()}; // the page's start, bound anew for each page
    if (query.from.isValid()) {
        terms << u"MOMENT >= ?"_s;
        values << query.from.toString(Qt::ISODate);
    }
    if (query.to.isValid()) {
        terms << u"MOMENT < ?"_s;
        values << query.to.addDays(1).toString(Qt::ISODate);
    }
    if (!query.contract.isEmpty()) {
        // A record keyed by a person's birth number is no contract's, whatever its encrypted key reads as.
        terms << u"RECKEY = ?"_s;
        values << query.contract;
        for (const TableDef& def : Schema::tables())
            if (def.personKeyField() >= 0 && def.fieldIndex(def.recordField) == def.personKeyField()) {
                terms << u"TABLENAME <> ?"_s;
                values << def.sqlName;
            }
    }
    if (!query.birthNumber.isEmpty()) {
        const QByteArray storeKey = storeSecret(store, false);
        QStringList tags;
        if (!storeKey.isEmpty()) {
            StatementUse t = keysOf(store, query.birthNumber, storeKey);
            while (t.next())
                tags << t.value(0).toString();
        }
        if (tags.isEmpty()) return; // never written, or erased: nothing finds the person any more
        QStringList any;
        for (const QString& tag : std::as_const(tags)) {
            any << u"PERSON LIKE ?"_s;
            values << QString(u'%' + tag + u'%');
        }
        terms << u'(' + any.join(u" OR "_s) + u')';
    }
    if (!query.clerk.isEmpty()) {
        terms << u"CLERK = ?"_s;
        values << query.clerk;
    }
    StatementUse q = store.statement(u"SELECT "_s + Columns + u" FROM Zmeny WHERE "_s + terms.join(u" AND "_s) +
                                     u" ORDER BY SEQ LIMIT "_s + QString::number(PageRows));
    qint64 after = std::numeric_limits<qint64>::min();
    for (;;) {
        values[0] = after;
        q.bind(values);
        int rows = 0;
        QList<Trail::Row> page;
        while (q.step()) {
            ++rows;
            Trail::Row r;
            r.seq = q.value(0).toLongLong();
            r.moment = QDateTime::fromString(q.value(1).toString(), u"yyyy-MM-dd HH:mm:ss"_s);
            r.clerk = q.value(2).toString();
            r.counter = q.value(3).toString();
            r.action = q.value(4).toString();
            r.table = q.value(5).toString();
            QList<QByteArray> candidates;
            for (const QString& hash : q.value(7).toString().split(u' ', Qt::SkipEmptyParts))
                if (const auto it = keys.byHash.constFind(hash); it != keys.byHash.cend()) candidates << it.value();
            candidates += keys.blank;
            r.key = keys.open(q.value(6).toString(), candidates, &r.keyErased);
            r.detail = QJsonDocument::fromJson(q.value(8).toString().toUtf8()).object();
            for (const auto& f : r.detail.take(u"fields"_s).toArray()) {
                const QJsonArray change = f.toArray();
                Trail::FieldChange c;
                c.field = change.at(0).toString();
                c.oldValue = keys.open(change.at(1).toString(), candidates, &c.oldErased);
                c.newValue = keys.open(change.at(2).toString(), candidates, &c.newErased);
                r.fields.append(std::move(c));
            }
            after = r.seq;
            page.append(std::move(r));
        }
        q.reset();
        for (const Trail::Row& r : std::as_const(page))
            each(r);
        if (rows < PageRows) break;
    }
}

QString systemUser()
{
#ifdef Q_OS_UNIX
    if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_name) return QString::fromLocal8Bit(pw->pw_name);
#endif
    return qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
}

} // namespace

namespace Trail {

QString code(Action action)
{
    for (const ActionText& a : Actions)
        if (a.action == action) return a.code.toString();
    return {};
}

std::optional<Action> actionOf(const QString& code)
{
    for (const ActionText& a : Actions)
        if (a.code == code) return a.action;
    return std::nullopt;
}

QString noClerk()
{
    return u"—"_s;
}

namespace {
QString& processClerk()
{
    static QString clerk = noClerk();
    return clerk;
}
} // namespace

QString defaultClerk()
{
    return processClerk();
}

void setDefaultClerk(const QString& name)
{
    processClerk() = name.isEmpty() ? noClerk() : name;
}

void initCrypto()
{
    static const bool ready = sodium_init() >= 0;
    if (!ready) throw StoreError(u"The cryptography library libsodium cannot be initialised"_s);
}

QString defaultCounter()
{
    static const QString counter = QSysInfo::machineHostName() + u'/' + systemUser();
    return counter;
}

void record(Store& store, const Entry& entry)
{
    OwnWrite own(store);
    Writer writer(store);
    QStringList persons;
    if (entry.personKey) persons << entry.key;
    persons += entry.persons;
    const QString key = entry.personKey ? writer.secret(entry.key, entry.key) : text(entry.key);
    writer.append(entry.action, entry.table, key, writer.persons(persons), compact(entry.detail));
    own.commit();
}

QJsonObject moveDetail(const QDate& from, const QDate& to, const QList<std::pair<QString, qint64>>& counts,
                       const QJsonObject& extra)
{
    QJsonObject detail = extra;
    if (from.isValid()) detail.insert(u"from"_s, from.toString(Qt::ISODate));
    if (to.isValid()) detail.insert(u"to"_s, to.toString(Qt::ISODate));
    QJsonObject byTable;
    for (const auto& [table, n] : counts)
        byTable.insert(table, n);
    detail.insert(u"counts"_s, byTable);
    return detail;
}

std::pair<QDate, QDate> contractPeriod(Store& store, const QStringList& tables)
{
    QStringList parts;
    for (const QString& table : tables) {
        const TableDef& def = store.table(table);
        parts << u"SELECT \"%1\" AS DAY FROM %2"_s.arg(def.dayField, store.connection().sharedTable(def));
    }
    StatementUse q = store.statement(u"SELECT MIN(DAY), MAX(DAY) FROM ("_s + parts.join(u" UNION ALL "_s) +
                                     u") AS c WHERE DAY <> ''"_s);
    q.exec();
    std::pair<QDate, QDate> period;
    if (q.next()) {
        period.first = QDate::fromString(q.value(0).toString(), Qt::ISODate);
        period.second = QDate::fromString(q.value(1).toString(), Qt::ISODate);
    }
    return period;
}

std::pair<QDate, QDate> contractPeriod(Store& store)
{
    QStringList tables;
    for (const TableDef& def : Schema::tables())
        if (!def.dayField.isEmpty()) tables << def.sqlName;
    return contractPeriod(store, tables);
}

void recordMove(Store& store, Action action, const std::pair<QDate, QDate>& period,
                const QList<std::pair<QString, qint64>>& counts, const QJsonObject& extra)
{
    Entry entry;
    entry.action = action;
    entry.detail = moveDetail(period.first, period.second, counts, extra);
    record(store, entry);
}

void recordExport(Store& store, const QString& what, const QString& where, const QJsonObject& extra)
{
    Entry entry;
    entry.action = Action::PersonalDataExported;
    entry.detail = extra;
    entry.detail.insert(u"what"_s, what);
    entry.detail.insert(u"target"_s, where);
    record(store, entry);
}

Bulk::Bulk(Store& store) : m_store(store)
{
    m_store.beginBulk();
}

Bulk::~Bulk()
{
    m_store.endBulk();
}

quint64 fieldsNamed(const TableDef& def, quint64 fields)
{
    if (const int key = def.fieldIndex(def.recordField); key >= 0) fields |= bit(key);
    if (const int person = def.personKeyField(); person >= 0) fields |= bit(person);
    if (const int mark = def.markField(); mark >= 0) fields &= ~bit(mark);
    return fields;
}

void recordWrite(Store& store, const TableDef& def, Action action, const RowValues* before, const RowValues* after,
                 quint64 written)
{
    const int mark = def.markField();
    const int birth = def.personKeyField();
    const QString oldBirth = before && birth >= 0 ? storedText(*before, birth) : QString();
    const QString newBirth =
        after && birth >= 0 && (action == Action::New || (written & bit(birth))) ? storedText(*after, birth) : oldBirth;
    struct Changed
    {
        int field;
        QString oldValue, newValue;
    };
    QList<Changed> changed;
    for (int i = 0; i < int(def.fields.size()); ++i) {
        if (i == mark) continue;
        const QString oldValue = before && action != Action::New ? storedText(*before, i) : u""_s;
        const QString newValue = after && (written & bit(i)) ? storedText(*after, i) : u""_s;
        const bool listed = action == Action::New      ? (written & bit(i)) && !newValue.isEmpty()
                            : action == Action::Delete ? !oldValue.isEmpty()
                                                       : (written & bit(i)) && oldValue != newValue;
        if (listed) changed.append({i, oldValue, newValue});
    }
    if (action == Action::Change && changed.isEmpty()) return; // WRK alone, or the values it had

    Writer writer(store);
    // A person's number corrected: their keys go with them, and their old values are kept under the new number.
    const bool person = def.persons;
    const bool corrected = person && action == Action::Change && !oldBirth.isEmpty() && !newBirth.isEmpty() &&
                           oldBirth != newBirth && writer.move(oldBirth, newBirth);
    const QString oldOwner = corrected ? newBirth : oldBirth;
    const quint64 personal = personalFields(def);
    QJsonArray fields;
    for (const Changed& c : std::as_const(changed)) {
        const bool secret = personal & bit(c.field);
        fields.append(QJsonArray{def.fields.at(c.field).name, secret ? writer.secret(c.oldValue, oldOwner) : c.oldValue,
                                 secret ? writer.secret(c.newValue, newBirth) : c.newValue});
    }
    // The record as it was known: a new one by its key as written, any other by its key as read.
    const int keyField = def.fieldIndex(def.recordField);
    const RowValues* keyed = action == Action::New ? after : before;
    const QString key = keyed ? storedText(*keyed, keyField) : u""_s;
    const bool personKey = keyField >= 0 && keyField == birth;
    writer.append(action, def.sqlName, personKey ? writer.secret(key, corrected ? newBirth : key) : key,
                  writer.persons({oldOwner, newBirth}), compact(QJsonObject{{u"fields"_s, fields}}));
    // A person deleted takes their keys along, unless another record of the persons still has the number (a
    // number listed twice is one person). Persons without a number share one key, which stays.
    if (person && action == Action::Delete && !oldBirth.isEmpty() &&
        store.scalar(u"SELECT COUNT(*) FROM %1 WHERE %2 = ?"_s.arg(def.sqlName, def.fields.at(birth).name), {oldBirth})
                .toLongLong() == 0)
        writer.drop(oldBirth);
}

Verdict verify(Store& store, const Anchors& anchors)
{
    Verdict verdict;
    verdict.missing = missingGuards(store);
    if (!store.connection().hasTable(u"Zmeny"_s)) return verdict;
    const Snapshot snapshot(store); // the chain as it stood at one moment, whatever others append meanwhile
    StatementUse q = store.statement(u"SELECT "_s + Columns + u", SEAL FROM Zmeny WHERE SEQ > ? ORDER BY SEQ LIMIT "_s +
                                     QString::number(PageRows));
    QByteArray previous = firstLink();
    qint64 expected = 1;
    qint64 after = std::numeric_limits<qint64>::min();
    constexpr int Count = 11;
    constexpr quint64 All = bit(Count) - 1;
    RowValues row;
    const auto stored = [&row](int i) -> QByteArray {
        const QByteArrayView text = row.storedText(i);
        return row.kind(i) == RowValues::Kind::Text ? text.toByteArray() : row.text(i).toUtf8();
    };
    const auto broken = [&verdict](qint64 seq, const QString& why) {
        verdict.badSeq = seq;
        verdict.why = why;
    };
    bool sealing = false; // from the row that began sealing on
    QByteArray key = anchors.firstKey;
    const QString sealed = code(Action::Sealed);
    while (verdict.badSeq == 0) {
        q.bind({after});
        int rows = 0;
        while (verdict.badSeq == 0 && q.step()) {
            ++rows;
            q.readValues(0, Count, All, row);
            const qint64 seq = row.integer(0);
            after = seq;
            if (seq != expected) {
                broken(seq, expected == 1 ? u"the trail begins at SEQ %1: the rows before it are missing"_s.arg(seq)
                                          : u"SEQ %1 follows SEQ %2: the rows between them are missing"_s.arg(seq).arg(
                                                expected - 1));
                break;
            }
            const QByteArray hash = stored(9);
            const QByteArray computed = linkHash(previous, {QByteArray::number(seq), stored(1), stored(2), stored(3),
                                                            stored(4), stored(5), stored(6), stored(7), stored(8)});
            if (computed != hash) {
                broken(seq, u"its HASH does not match its content and the row before it: the row was changed, or "
                            u"one before it was removed or put in"_s);
                break;
            }
            sealing = sealing || stored(4) == sealed.toUtf8();
            const QByteArray seal = stored(10);
            if (sealing && seal.isEmpty()) {
                broken(seq, u"it carries no seal, though the trail was sealed before it"_s);
                break;
            }
            if (sealing && !key.isEmpty()) {
                if (seal != sealOf(hash, key).toLatin1()) {
                    broken(seq, u"its seal does not match the owner's key: it was written or rewritten by someone "
                                u"without it, or the key is another"_s);
                    break;
                }
                nextKey(key);
            }
            ++verdict.intact;
            previous = hash;
            expected = seq + 1;
        }
        q.reset();
        if (rows < PageRows) break;
    }
    if (!key.isEmpty()) sodium_memzero(key.data(), size_t(key.size()));
    StatementUse last = store.statement(u"SELECT SEQ, HASH FROM Zmeny ORDER BY SEQ DESC LIMIT 1"_s);
    last.exec();
    if (last.next()) {
        verdict.lastSeq = last.value(0).toLongLong();
        verdict.lastHash = last.value(1).toString();
    }
    if (verdict.badSeq != 0) return verdict;
    if (verdict.lastSeq == 0)
        broken(1, u"the trail holds no row, not even its genesis row"_s);
    else if (!anchors.firstKey.isEmpty() && !sealing)
        broken(verdict.lastSeq, u"no row of the trail is sealed: the row that began sealing is gone"_s);
    else if (anchors.expectSeq > 0) {
        const QString hash = store.scalar(u"SELECT HASH FROM Zmeny WHERE SEQ = ?"_s, {anchors.expectSeq}).toString();
        if (hash.isEmpty())
            broken(anchors.expectSeq, u"the noted row is missing: the trail ends before it"_s);
        else if (!hash.startsWith(anchors.expectHash.toLower()))
            broken(anchors.expectSeq, u"its HASH is not the one noted: the trail was rewritten"_s);
    }
    return verdict;
}

QString head(Store& store)
{
    if (!store.connection().hasTable(u"Zmeny"_s)) return u"0:"_s;
    const Snapshot snapshot(store);
    StatementUse q = store.statement(u"SELECT SEQ, HASH FROM Zmeny ORDER BY SEQ DESC LIMIT 1"_s);
    q.exec();
    QString text = u"0:"_s;
    if (q.next()) text = QString::number(q.value(0).toLongLong()) + u':' + q.value(1).toString().left(16);
    return text;
}

void read(Store& store, const Query& query, const std::function<void(const Row&)>& each)
{
    initCrypto();
    const Snapshot snapshot(store);
    readWith(store, Keys(store), query, each);
}

QList<Row> readAny(Store& store, const QList<Query>& queries)
{
    initCrypto();
    const Snapshot snapshot(store);
    const Keys keys(store);
    QMap<qint64, Row> rows;
    for (const Query& query : queries)
        readWith(store, keys, query, [&rows](const Row& r) { rows.insert(r.seq, r); });
    return rows.values();
}

QList<Row> read(Store& store, const Query& query)
{
    QList<Row> rows;
    read(store, query, [&rows](const Row& r) { rows.append(r); });
    return rows;
}

bool deleteKey(Store& store, const QString& birthNumber)
{
    OwnWrite own(store);
    Writer writer(store); // no row may take the key meanwhile
    const bool deleted = writer.drop(birthNumber);
    own.commit();
    return deleted;
}

qint64 sweepKeys(Store& store)
{
    OwnWrite own(store);
    Writer writer(store); // read under the trail's lock: no counter makes a key between the reading and the sweep
    const QByteArray storeKey = storeSecret(store, false);
    qint64 swept = 0;
    if (!storeKey.isEmpty()) {
        QStringList named;
        for (const TableDef& def : Schema::tables())
            if (const int person = def.personKeyField(); person >= 0)
                named << u"SELECT "_s + def.fields.at(person).name + u" FROM "_s +
                             store.connection().sharedTable(store.table(def.file));
        QSet<QString> kept;
        StatementUse b = store.statement(named.join(u" UNION "_s));
        b.exec();
        while (b.next())
            kept.insert(keyedHash(text(b.value(0).toString()), storeKey));
        QStringList gone;
        StatementUse q = store.statement(u"SELECT DISTINCT LOOKUP FROM Kluce"_s);
        q.exec();
        while (q.next())
            if (const QString lookup = q.value(0).toString(); !kept.contains(lookup)) gone << lookup;
        StatementUse del = store.statement(u"DELETE FROM Kluce WHERE LOOKUP = ?"_s);
        for (const QString& lookup : std::as_const(gone)) {
            del.bind({lookup});
            del.exec();
            swept += del.changes();
            del.reset();
        }
        store.trailLink().keys.clear();
        store.trailLink().erased = store.trailLink().erased || swept > 0;
    }
    own.commit();
    return swept;
}

namespace {

QList<Missing> serverTriggers()
{
    return {{Missing::Kind::Trigger, u"zmeny_append_only"_s}, {Missing::Kind::Trigger, u"zmeny_no_truncate"_s}};
}

QList<Missing> serverRules()
{
    return {{Missing::Kind::Rule, u"zmeny_no_update"_s}, {Missing::Kind::Rule, u"zmeny_no_delete"_s}};
}

// What is missing in English, for the refusal's own text and logs: "table Zmeny, trigger Zmeny_no_update".
QString codesOf(const QList<Missing>& missing)
{
    static const QHash<Missing::Kind, QString> kinds{{Missing::Kind::Table, u"table"_s},
                                                     {Missing::Kind::Trigger, u"trigger"_s},
                                                     {Missing::Kind::Rule, u"rule"_s},
                                                     {Missing::Kind::Rights, u"rights on"_s}};
    QStringList codes;
    for (const Missing& m : missing)
        codes << kinds.value(m.kind) + u' ' + m.name;
    return codes.join(u", "_s);
}

// The guards that the query (binding the name) does not find.
QList<Missing> absent(Store& store, const QString& sql, const QList<Missing>& guards)
{
    QList<Missing> missing;
    for (const Missing& g : guards)
        if (store.scalar(sql, {g.name}).toLongLong() == 0) missing << g;
    return missing;
}

QStringList zmenyStatements(bool server)
{
    return Schema::createSql(server ? Connection::Engine::Postgresql : Connection::Engine::Sqlite,
                             *Schema::ownTable(u"Zmeny"_s));
}

} // namespace

// The server quotes the names it reads from its catalogue.
void newTrailTable(Store& store)
{
    for (const QString& sql : zmenyStatements(store.isServer()))
        store.exec(sql);
    if (!store.isServer()) return;
    store.exec(Schema::grantToCountersSql(u"Zmeny"_s, u"SELECT, INSERT"_s));
}

QList<Missing> missingGuards(Store& store)
{
    Connection& connection = store.connection();
    if (!connection.hasTable(u"Zmeny"_s)) return {{Missing::Kind::Table, u"Zmeny"_s}};
    if (!store.isServer()) {
        // Each as made: a trigger of that name that lets the write through guards nothing.
        QList<Missing> missing;
        for (const QString& sql : zmenyStatements(false).mid(1)) {
            const QString name = sql.section(u' ', 2, 2);
            if (store
                    .scalar(u"SELECT COUNT(*) FROM sqlite_master WHERE type = 'trigger' AND tbl_name = 'Zmeny' AND "
                            u"name = ? AND sql = ?"_s,
                            {name, sql})
                    .toLongLong() == 0)
                missing << Missing{Missing::Kind::Trigger, name};
        }
        return missing;
    }
    const QString table = u"'zmeny'::regclass"_s;
    QList<Missing> missing = absent(store,
                                    u"SELECT COUNT(*) FROM pg_trigger WHERE tgrelid = "_s + table +
                                        u" AND tgname = ? AND tgenabled <> 'D'"_s,
                                    serverTriggers());
    missing += absent(store,
                      u"SELECT COUNT(*) FROM pg_rewrite WHERE ev_class = "_s + table +
                          u" AND rulename = ? AND ev_enabled <> 'D'"_s,
                      serverRules());
    // Nobody but the owner may change rows or add triggers: not PUBLIC, not the counters' role.
    if (store
            .scalar(u"SELECT COUNT(*) FROM pg_class c, aclexplode(COALESCE(c.relacl, acldefault('r', c.relowner))) "
                    u"a WHERE c.oid = "_s +
                    table +
                    u" AND a.grantee <> c.relowner AND a.privilege_type IN ('UPDATE', 'DELETE', 'TRUNCATE', "
                    u"'TRIGGER', 'REFERENCES')"_s)
            .toLongLong() > 0)
        missing << Missing{Missing::Kind::Rights, u"zmeny"_s};
    return missing;
}

TrailUnguarded::TrailUnguarded(const QString& location, const QList<Missing>& missing)
    : StoreError(u"The store %1 does not open: its trail of changes, or what guards it, is missing (%2). An owner "
                 u"who knows why begins a new one with mervana-admin audit-restart."_s.arg(Store::displayName(location),
                                                                                           codesOf(missing))),
      m_location(location), m_missing(missing)
{
}

OwnerMissing::OwnerMissing(const QString& location)
    : StoreError(u"The store %1 had clerks but has no active owner: its clerks were changed outside the program. "
                 u"Restore it from a backup."_s.arg(Store::displayName(location))),
      m_location(location)
{
}

bool holdsData(Store& store)
{
    Connection& connection = store.connection();
    QStringList tables;
    for (const TableDef& def : Schema::tables())
        if (connection.hasTable(def.sqlName)) tables << connection.sharedTable(def);
    for (const QString& own : {u"Pokladnici"_s, u"Kluce"_s})
        if (connection.hasTable(own)) tables << own;
    for (const QString& table : std::as_const(tables))
        if (store.scalar(u"SELECT EXISTS (SELECT 1 FROM "_s + table + u')').toLongLong() != 0) return true;
    return false;
}

void begin(Store& store, const QJsonObject& breakDetail)
{
    OwnWrite own(store);
    Writer writer(store);
    if (store.scalar(u"SELECT COUNT(*) FROM Zmeny"_s).toLongLong() != 0)
        throw StoreError(u"The trail of changes has rows already; its genesis row heads an empty one only"_s);
    QJsonObject detail = breakDetail;
    if (!detail.contains(u"store"_s)) detail.insert(u"store"_s, QUuid::createUuid().toString(QUuid::WithoutBraces));
    writer.append(Action::Genesis, {}, {}, {}, compact(detail));
    own.commit();
}

bool onlyGenesis(Store& store)
{
    return store.scalar(u"SELECT COUNT(*) FROM Zmeny WHERE SEQ > 1 OR ACTION <> ?"_s, {code(Action::Genesis)})
               .toLongLong() == 0;
}

void dropGenesis(Store& store)
{
    if (store.scalar(u"SELECT COUNT(*) FROM Zmeny"_s).toLongLong() == 0) return;
    if (!onlyGenesis(store)) throw StoreError(u"The trail of changes holds more than its genesis row"_s);
    store.exec(u"DROP TABLE Zmeny"_s);
    newTrailTable(store);
    store.trailLink() = {};
}

QString restart(Store& store, const QString& why)
{
    QJsonObject detail{{u"break"_s, why}};
    QString kept;
    store.beginWrite();
    try {
        if (store.connection().hasTable(u"Zmeny"_s)) {
            // The old trail stays for whoever looks into the break, under a name of its own, guards and all.
            kept = u"Zmeny_"_s + Clock::now().toString(u"yyyyMMdd_HHmmss"_s);
            for (int n = 2; store.connection().hasTable(kept); ++n)
                kept = kept.section(u'-', 0, 0) + u'-' + QString::number(n);
            const QString id =
                QJsonDocument::fromJson(
                    store.scalar(u"SELECT DETAIL FROM Zmeny WHERE SEQ = 1 AND ACTION = ?"_s, {code(Action::Genesis)})
                        .toString()
                        .toUtf8())
                    .object()
                    .value(u"store"_s)
                    .toString();
            if (!id.isEmpty()) detail.insert(u"store"_s, id);
            detail.insert(u"previous"_s, head(store));
            detail.insert(u"kept"_s, kept);
            // Triggers and rules go with the table; SQLite's keep their names, which the new trail's take.
            store.exec(u"ALTER TABLE Zmeny RENAME TO "_s + kept);
            if (!store.isServer())
                for (const QString& sql : zmenyStatements(false).mid(1)) {
                    const QString name = sql.section(u' ', 2, 2);
                    store.exec(u"DROP TRIGGER IF EXISTS "_s + name);
                    store.exec(QString(sql)
                                   .replace(u" ON Zmeny "_s, u" ON "_s + kept + u' ')
                                   .replace(name, kept + name.mid(5)));
                }
        }
        newTrailTable(store);
        if (!store.connection().hasTable(u"Pecat"_s))
            for (const QString& sql : Schema::createSql(store.connection().engine(), *Schema::ownTable(u"Pecat"_s)))
                store.exec(sql);
        store.exec(u"DELETE FROM Pecat"_s); // a new trail is sealed anew
        store.trailLink() = {};
        begin(store, detail);
        store.commit();
    } catch (...) {
        store.rollback();
        throw;
    }
    return kept;
}

QByteArray seal(Store& store)
{
    initCrypto();
    OwnWrite own(store);
    Writer writer(store);
    if (store.scalar(u"SELECT COUNT(*) FROM Pecat"_s).toLongLong() != 0)
        throw StoreError(u"The trail of changes is sealed already; a new first key comes only with a new trail "
                         u"(audit-restart)"_s);
    QByteArray first(KeyBytes, Qt::Uninitialized);
    randombytes_buf(first.data(), size_t(first.size()));
    writer.startSealing(first);
    writer.append(Action::Sealed, {}, {}, {}, u"{}"_s);
    StatementUse q = store.statement(u"INSERT INTO Pecat (SKEY) VALUES (?)"_s);
    q.bind({QString::fromLatin1(store.trailLink().sealKey.toHex())});
    q.exec();
    own.commit();
    return first;
}

QString keyText(const QByteArray& key)
{
    const QByteArray hex = key.toHex();
    QStringList groups;
    for (qsizetype i = 0; i < hex.size(); i += 8)
        groups << QString::fromLatin1(hex.mid(i, 8));
    return groups.join(u' ');
}

QByteArray keyFromHex(const QString& text)
{
    QString hex = text;
    hex.remove(u' ').remove(u'-');
    static const QRegularExpression valid(u"^[0-9A-Fa-f]{64}$"_s);
    if (!valid.match(hex).hasMatch()) return {};
    return QByteArray::fromHex(hex.toLatin1());
}

void hashKeyLookups(Store& store)
{
    Connection& connection = store.connection();
    const auto create = [&](const QString& table) {
        for (const QString& sql : Schema::createSql(connection.engine(), *Schema::ownTable(table)))
            store.exec(sql);
    };
    if (!connection.hasTable(u"Tajomstvo"_s)) create(u"Tajomstvo"_s);
    if (!connection.hasTable(u"Kluce"_s)) return create(u"Kluce"_s);
    // Keys found by the birth number in clear are rewritten to the keyed lookup.
    if (!connection.hasColumn(u"Kluce"_s, u"BIRTHNUM"_s)) return;
    initCrypto();
    QList<std::pair<QString, QByteArray>> keys;
    {
        StatementUse q = store.statement(u"SELECT BIRTHNUM, PKEY FROM Kluce"_s);
        q.exec();
        while (q.next())
            if (const QByteArray key = keyFromText(q.value(1).toString()); !key.isEmpty())
                keys.append({text(q.value(0).toString()), key});
    }
    store.exec(u"DROP TABLE Kluce"_s);
    create(u"Kluce"_s);
    const QByteArray secret = storeSecret(store, true);
    StatementUse add = store.statement(u"INSERT INTO Kluce (TAG, LOOKUP, PKEY) VALUES (?, ?, ?)"_s);
    for (const auto& [birthNumber, key] : std::as_const(keys)) {
        add.bind({keyedHash(birthNumber, key), keyedHash(birthNumber, secret), QString::fromLatin1(key.toBase64())});
        add.exec();
        add.reset();
    }
    store.trailLink().erased = true; // the numbers in clear leave the journal too
}

void requireOwner(Store& store)
{
    // Clerks are never deleted and the last owner never disabled: no active owner means the clerks' table was
    // changed outside the program. The trail is read only then, so a shop without clerks pays one look.
    if (store.scalar(u"SELECT COUNT(*) FROM Pokladnici WHERE ACTIVE = 1 AND ROLE = 'owner'"_s).toInt() > 0) return;
    // A trail that is gone cannot tell; the store is refused for that loss itself, or audit-verify names it.
    if (!store.connection().hasTable(u"Zmeny"_s)) return;
    StatementUse q = store.statement(u"SELECT SEQ FROM Zmeny WHERE ACTION = ? ORDER BY SEQ LIMIT 1"_s);
    q.addBindValue(code(Action::ClerkAdded));
    q.exec();
    const bool hadClerks = q.next();
    if (hadClerks) throw OwnerMissing(store.dataDir());
}

} // namespace Trail
