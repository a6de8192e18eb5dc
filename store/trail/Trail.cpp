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
#include <QSysInfo>
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
    QStringView code;
    QStringView name;
};

constexpr ActionText Actions[] = {
    {Action::New, u"new", u"nový"},
    {Action::Change, u"change", u"zmena"},
    {Action::Delete, u"delete", u"zmazanie"},
    {Action::ArchiveOut, u"archive-out", u"odsun do archívu"},
    {Action::ArchiveBack, u"archive-back", u"prísun z archívu"},
    {Action::Import, u"import", u"import"},
    {Action::Restore, u"restore", u"obnova"},
    {Action::Copy, u"copy", u"kópia"},
    {Action::SignIn, u"sign-in", u"prihlásenie"},
    {Action::SignInFailed, u"sign-in-failed", u"neúspešné prihlásenie"},
    {Action::SignOut, u"sign-out", u"odhlásenie"},
    {Action::Lock, u"lock", u"zamknutie"},
    {Action::Unlock, u"unlock", u"odomknutie"},
    {Action::ClerkAdded, u"clerk-added", u"nový pokladník"},
    {Action::ClerkChanged, u"clerk-changed", u"zmena pokladníka"},
    {Action::PersonalDataPrinted, u"personal-data-printed", u"tlač osobných údajov"},
    {Action::PersonalDataExported, u"personal-data-exported", u"export osobných údajov"},
    {Action::Anonymised, u"anonymised", u"anonymizácia"},
    {Action::RetentionAsked, u"retention-asked", u"otázka na anonymizáciu"},
};

constexpr quint64 bit(int i)
{
    return quint64(1) << i;
}

constexpr char Separator = '\x1f';
constexpr int PageRows = 5000;
constexpr QStringView Encrypted = u"enc:";

const QString Columns = u"SEQ, MOMENT, CLERK, COUNTER, ACTION, TABLENAME, RECKEY, PERSON, DETAIL, HASH"_s;

// Never a null string: it would bind as SQL NULL.
QString text(const QString& s)
{
    return s.isNull() ? u""_s : s;
}

// The tables whose records name a person by birth number, and the fields that identify one.
bool namesPerson(const TableDef& def)
{
    return def.sqlName == u"Osoby"_s || def.sqlName == u"Zmluvy"_s || def.sqlName == u"Xzmluvy"_s;
}

quint64 personalFields(const TableDef& def)
{
    if (!namesPerson(def)) return 0;
    static const QStringList person{u"BIRTHNUM"_s, u"LASTNAME"_s, u"FIRSNAME"_s, u"IDCARD"_s,
                                    u"STREET"_s,   u"STREETNO"_s, u"CITY"_s,     u"REASON"_s};
    quint64 fields = 0;
    for (const QString& name : def.sqlName == u"Osoby"_s ? person : QStringList{u"BIRTHNUM"_s})
        if (const int i = def.fieldIndex(name); i >= 0) fields |= bit(i);
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

// The keyed hash by which a person's rows are found: hex of 32 bytes.
QString personHash(const QString& birthNumber, const QByteArray& key)
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

QByteArray keyFromText(const QString& stored)
{
    const QByteArray key = QByteArray::fromBase64(stored.toLatin1());
    return key.size() == crypto_secretbox_KEYBYTES ? key : QByteArray();
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
            Statement& q = store.statement(lock);
            q.exec();
            q.finish();
        }
        m_link.locked = true;
    }

    // The person's key, made the first time a value of theirs is written.
    QByteArray key(const QString& birthNumber)
    {
        if (const auto it = m_link.keys.constFind(birthNumber); it != m_link.keys.cend()) return it.value();
        Statement& q = m_store.statement(u"SELECT PKEY FROM Kluce WHERE BIRTHNUM = ?"_s);
        q.addBindValue(text(birthNumber));
        q.exec();
        const bool found = q.next();
        QByteArray key = found ? keyFromText(q.value(0).toString()) : QByteArray();
        q.finish();
        if (found && key.isEmpty()) throw StoreError(u"A person key of the trail of changes is damaged"_s);
        if (!found) {
            key = QByteArray(crypto_secretbox_KEYBYTES, Qt::Uninitialized);
            randombytes_buf(key.data(), size_t(key.size()));
            Statement& add = m_store.statement(u"INSERT INTO Kluce (BIRTHNUM, PKEY) VALUES (?, ?)"_s);
            add.bind({text(birthNumber), QString::fromLatin1(key.toBase64())});
            add.exec();
            add.finish();
        }
        m_link.keys.insert(birthNumber, key);
        return key;
    }

    // A value of the person with birthNumber as the trail keeps it; an empty one tells nothing and stays so.
    QString secret(const QString& value, const QString& birthNumber)
    {
        return value.isEmpty() ? u""_s : encrypt(value, key(birthNumber));
    }

    QString persons(const QStringList& birthNumbers)
    {
        QStringList hashes;
        for (const QString& b : birthNumbers)
            if (!b.isEmpty()) hashes << personHash(b, key(b));
        hashes.removeDuplicates();
        return hashes.join(u' ');
    }

    void append(Action action, const QString& table, const QString& reckey, const QString& person,
                const QString& detail)
    {
        if (!m_link.known) {
            const QString momentSql = m_store.connection().trailMomentSql();
            Statement& q = m_store.statement(
                u"SELECT z.SEQ, z.HASH, "_s + (momentSql.isEmpty() ? u"NULL"_s : momentSql) +
                u" FROM (SELECT 1 AS one) AS d LEFT JOIN (SELECT SEQ, HASH FROM Zmeny ORDER BY SEQ DESC LIMIT 1) "
                u"AS z ON 1 = 1"_s);
            q.exec();
            QString serverMoment;
            if (q.next()) {
                m_link.seq = q.value(0).toLongLong();
                m_link.hash = q.value(1).toString().toLatin1();
                serverMoment = q.value(2).toString();
            }
            q.finish();
            if (m_link.seq == 0) m_link.hash = firstLink();
            if (!serverMoment.isEmpty()) {
                // Later rows of the transaction: the server's moment and the time measured here since.
                const QDateTime at = QDateTime::fromString(serverMoment, u"yyyy-MM-dd HH:mm:ss.zzz"_s);
                m_link.moment = QDateTime(at.date(), at.time(), Qt::UTC);
                m_link.since.start();
            }
            m_link.known = true;
        }
        const QDateTime now = m_link.moment.isValid() ? m_link.moment.addMSecs(m_link.since.elapsed()) : Clock::now();
        const QString moment = now.toString(u"yyyy-MM-dd HH:mm:ss"_s);
        const qint64 seq = m_link.seq + 1;
        const QString clerk = text(m_store.clerk()), counter = text(m_store.counter());
        const QString code = Trail::code(action);
        const QByteArray hash =
            linkHash(m_link.hash, {QByteArray::number(seq), moment.toUtf8(), clerk.toUtf8(), counter.toUtf8(),
                                   code.toUtf8(), table.toUtf8(), reckey.toUtf8(), person.toUtf8(), detail.toUtf8()});
        Statement& q =
            m_store.statement(u"INSERT INTO Zmeny ("_s + Columns + u") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s);
        q.bind({seq, moment, clerk, counter, code, text(table), text(reckey), text(person), text(detail),
                QString::fromLatin1(hash)});
        q.exec();
        q.finish();
        m_link.seq = seq;
        m_link.hash = hash;
    }

private:
    Store& m_store;
    Store::TrailLink& m_link;
};

// The person keys of the store by the hash each makes of its own birth number: what a row's PERSON names.
struct Keys
{
    QHash<QString, QByteArray> byHash;
    QByteArray blank; // of persons without a birth number

    explicit Keys(Store& store)
    {
        Statement& q = store.statement(u"SELECT BIRTHNUM, PKEY FROM Kluce"_s);
        q.exec();
        while (q.next()) {
            const QString birthNumber = q.value(0).toString();
            const QByteArray key = keyFromText(q.value(1).toString());
            if (key.isEmpty()) continue;
            if (birthNumber.isEmpty())
                blank = key;
            else
                byHash.insert(personHash(birthNumber, key), key);
        }
        q.finish();
    }

    QString open(const QString& stored, const QList<QByteArray>& candidates) const
    {
        if (!stored.startsWith(Encrypted)) return stored;
        for (const QByteArray& key : candidates)
            if (const auto value = decrypt(stored, key)) return *value;
        return Trail::erased();
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
        terms << u"RECKEY = ? AND TABLENAME <> 'Osoby'"_s;
        values << query.contract;
    }
    if (!query.birthNumber.isEmpty()) {
        const QVariant stored = store.scalar(u"SELECT PKEY FROM Kluce WHERE BIRTHNUM = ?"_s, {text(query.birthNumber)});
        const QByteArray key = keyFromText(stored.toString());
        if (key.isEmpty()) return; // never written, or erased: nothing finds the person any more
        terms << u"PERSON LIKE ?"_s;
        values << QString(u'%' + personHash(query.birthNumber, key) + u'%');
    }
    if (!query.clerk.isEmpty()) {
        terms << u"CLERK = ?"_s;
        values << query.clerk;
    }
    Statement& q = store.statement(u"SELECT "_s + Columns + u" FROM Zmeny WHERE "_s + terms.join(u" AND "_s) +
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
            if (!keys.blank.isEmpty()) candidates << keys.blank;
            r.key = keys.open(q.value(6).toString(), candidates);
            r.detail = QJsonDocument::fromJson(q.value(8).toString().toUtf8()).object();
            for (const QJsonValue& f : r.detail.take(u"fields"_s).toArray()) {
                const QJsonArray change = f.toArray();
                r.fields.append(Trail::FieldChange{change.at(0).toString(),
                                                   keys.open(change.at(1).toString(), candidates),
                                                   keys.open(change.at(2).toString(), candidates)});
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

QString name(Action action)
{
    for (const ActionText& a : Actions)
        if (a.action == action) return a.name.toString();
    return {};
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

QString erased()
{
    return u"(vymazané)"_s;
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
    for (const QString& table : tables)
        parts << u"SELECT AGRDATE FROM "_s + store.connection().sharedTable(store.table(table));
    Statement& q = store.statement(u"SELECT MIN(AGRDATE), MAX(AGRDATE) FROM ("_s + parts.join(u" UNION ALL "_s) +
                                   u") AS c WHERE AGRDATE <> ''"_s);
    q.exec();
    std::pair<QDate, QDate> period;
    if (q.next()) {
        period.first = QDate::fromString(q.value(0).toString(), Qt::ISODate);
        period.second = QDate::fromString(q.value(1).toString(), Qt::ISODate);
    }
    q.finish();
    return period;
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
    if (namesPerson(def)) fields |= bit(def.fieldIndex(u"BIRTHNUM"_s));
    if (const int wrk = def.fieldIndex(u"WRK"_s); wrk >= 0) fields &= ~bit(wrk);
    return fields;
}

void recordWrite(Store& store, const TableDef& def, Action action, const RowValues* before, const RowValues* after,
                 quint64 written)
{
    const int wrk = def.fieldIndex(u"WRK"_s);
    const int birth = namesPerson(def) ? def.fieldIndex(u"BIRTHNUM"_s) : -1;
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
        if (i == wrk) continue;
        const QString oldValue = before && action != Action::New ? storedText(*before, i) : u""_s;
        const QString newValue = after && (written & bit(i)) ? storedText(*after, i) : u""_s;
        const bool listed = action == Action::New      ? (written & bit(i)) && !newValue.isEmpty()
                            : action == Action::Delete ? !oldValue.isEmpty()
                                                       : (written & bit(i)) && oldValue != newValue;
        if (listed) changed.append({i, oldValue, newValue});
    }
    if (action == Action::Change && changed.isEmpty()) return; // WRK alone, or the values it had

    Writer writer(store);
    const quint64 personal = personalFields(def);
    QJsonArray fields;
    for (const Changed& c : std::as_const(changed)) {
        const bool secret = personal & bit(c.field);
        fields.append(QJsonArray{def.fields.at(c.field).name, secret ? writer.secret(c.oldValue, oldBirth) : c.oldValue,
                                 secret ? writer.secret(c.newValue, newBirth) : c.newValue});
    }
    // The record as it was known: a new one by its key as written, any other by its key as read.
    const int keyField = def.fieldIndex(def.recordField);
    const RowValues* keyed = action == Action::New ? after : before;
    const QString key = keyed ? storedText(*keyed, keyField) : u""_s;
    const bool personKey = keyField >= 0 && keyField == birth;
    writer.append(action, def.sqlName, personKey ? writer.secret(key, key) : key, writer.persons({oldBirth, newBirth}),
                  compact(QJsonObject{{u"fields"_s, fields}}));
}

Verdict verify(Store& store)
{
    const Snapshot snapshot(store); // the chain as it stood at one moment, whatever others append meanwhile
    Verdict verdict;
    Statement& q = store.statement(u"SELECT "_s + Columns + u" FROM Zmeny WHERE SEQ > ? ORDER BY SEQ LIMIT "_s +
                                   QString::number(PageRows));
    QByteArray previous = firstLink();
    qint64 expected = 1;
    qint64 after = std::numeric_limits<qint64>::min();
    constexpr int Count = 10;
    constexpr quint64 All = bit(Count) - 1;
    RowValues row;
    const auto stored = [&row](int i) -> QByteArray {
        const QByteArrayView text = row.storedText(i);
        return row.kind(i) == RowValues::Kind::Text ? text.toByteArray() : row.text(i).toUtf8();
    };
    while (verdict.ok()) {
        q.bind({after});
        int rows = 0;
        while (verdict.ok() && q.step()) {
            ++rows;
            q.readValues(0, Count, All, row);
            const qint64 seq = row.integer(0);
            after = seq;
            if (seq != expected) {
                verdict.badSeq = seq;
                verdict.why =
                    expected == 1
                        ? u"the trail begins at SEQ %1: the rows before it are missing"_s.arg(seq)
                        : u"SEQ %1 follows SEQ %2: the rows between them are missing"_s.arg(seq).arg(expected - 1);
                break;
            }
            const QByteArray hash = stored(9);
            const QByteArray computed = linkHash(previous, {QByteArray::number(seq), stored(1), stored(2), stored(3),
                                                            stored(4), stored(5), stored(6), stored(7), stored(8)});
            if (computed != hash) {
                verdict.badSeq = seq;
                verdict.why = u"its HASH does not match its content and the row before it: the row was changed, or "
                              u"one before it was removed or put in"_s;
                break;
            }
            ++verdict.intact;
            previous = hash;
            expected = seq + 1;
        }
        q.reset();
        if (rows < PageRows) break;
    }
    Statement& last = store.statement(u"SELECT SEQ, HASH FROM Zmeny ORDER BY SEQ DESC LIMIT 1"_s);
    last.exec();
    if (last.next()) {
        verdict.lastSeq = last.value(0).toLongLong();
        verdict.lastHash = last.value(1).toString();
    }
    last.finish();
    return verdict;
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
    Statement& q = store.statement(u"DELETE FROM Kluce WHERE BIRTHNUM = ?"_s);
    q.addBindValue(text(birthNumber));
    q.exec();
    const bool deleted = q.changes() > 0;
    q.finish();
    store.trailLink().keys.remove(birthNumber);
    own.commit();
    return deleted;
}

QStringList tableNames()
{
    return {u"Pokladnici"_s, u"Zmeny"_s, u"Kluce"_s};
}

QStringList createStatements(Connection::Engine engine, const QString& table)
{
    const bool server = engine == Connection::Engine::Postgresql;
    const QString integer = server ? u"bigint"_s : u"INTEGER"_s;
    if (table == u"Pokladnici"_s)
        return {u"CREATE TABLE Pokladnici (NAME TEXT NOT NULL UNIQUE, ROLE TEXT NOT NULL, PWHASH TEXT NOT NULL, "
                u"ACTIVE INTEGER NOT NULL)"_s};
    if (table == u"Kluce"_s) return {u"CREATE TABLE Kluce (BIRTHNUM TEXT PRIMARY KEY, PKEY TEXT NOT NULL)"_s};
    if (table != u"Zmeny"_s) return {};
    QStringList sql{u"CREATE TABLE Zmeny (SEQ %1 PRIMARY KEY, MOMENT TEXT NOT NULL, CLERK TEXT NOT NULL, COUNTER "
                    u"TEXT NOT NULL, ACTION TEXT NOT NULL, TABLENAME TEXT NOT NULL, RECKEY TEXT NOT NULL, PERSON "
                    u"TEXT NOT NULL, DETAIL TEXT NOT NULL, HASH TEXT NOT NULL)"_s.arg(integer)};
    if (!server) {
        return sql << u"CREATE TRIGGER Zmeny_no_update BEFORE UPDATE ON Zmeny BEGIN SELECT RAISE(ABORT, 'The trail "
                      u"of changes is only ever appended to'); END"_s
                   << u"CREATE TRIGGER Zmeny_no_delete BEFORE DELETE ON Zmeny BEGIN SELECT RAISE(ABORT, 'The trail "
                      u"of changes is only ever appended to'); END"_s;
    }
    return sql << u"CREATE OR REPLACE FUNCTION mervana_append_only() RETURNS trigger LANGUAGE plpgsql AS $f$ BEGIN "
                  u"RAISE EXCEPTION 'The trail of changes is only ever appended to'; END $f$"_s
               << u"CREATE TRIGGER zmeny_append_only BEFORE UPDATE OR DELETE ON zmeny FOR EACH ROW EXECUTE FUNCTION "
                  u"mervana_append_only()"_s
               << u"CREATE TRIGGER zmeny_no_truncate BEFORE TRUNCATE ON zmeny FOR EACH STATEMENT EXECUTE FUNCTION "
                  u"mervana_append_only()"_s
               << u"REVOKE UPDATE, DELETE, TRUNCATE ON zmeny FROM PUBLIC"_s;
}

QString dropServerSql()
{
    return u"DROP TABLE IF EXISTS zmeny, kluce, pokladnici;\nDROP FUNCTION IF EXISTS mervana_append_only();\n"_s;
}

void addMissingTables(Store& store)
{
    Connection& connection = store.connection();
    const auto missing = [&connection] {
        QStringList tables;
        for (const QString& t : tableNames())
            if (!connection.hasTable(t)) tables << t;
        return tables;
    };
    if (missing().isEmpty()) return;
    store.beginWrite();
    try {
        // Two counters opening the old store at once: the second finds them made.
        if (const QString lock = connection.trailLockSql(); !lock.isEmpty()) store.exec(lock);
        for (const QString& table : missing())
            for (const QString& sql : createStatements(connection.engine(), table))
                store.exec(sql);
        store.commit();
    } catch (...) {
        store.rollback();
        throw;
    }
}

void requireOwner(Store& store)
{
    // Clerks are never deleted and the last owner never disabled: no active owner means the clerks' table was
    // changed outside the program. The trail is read only then, so a shop without clerks pays one look.
    if (store.scalar(u"SELECT COUNT(*) FROM Pokladnici WHERE ACTIVE = 1 AND ROLE = 'owner'"_s).toInt() > 0) return;
    Statement& q = store.statement(u"SELECT SEQ FROM Zmeny WHERE ACTION = ? ORDER BY SEQ LIMIT 1"_s);
    q.addBindValue(code(Action::ClerkAdded));
    q.exec();
    const bool hadClerks = q.next();
    q.finish();
    if (hadClerks)
        throw StoreError(
            u"Obchod %1 mal pokladníkov, no nemá aktívneho vlastníka: zoznam pokladníkov bol zmenený "
            u"mimo programu. Obchod sa neotvorí; obnovte ho zo zálohy."_s.arg(Store::displayName(store.dataDir())));
}

} // namespace Trail
