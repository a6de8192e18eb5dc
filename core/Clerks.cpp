#include "core/Clerks.h"

#include "store/Clock.h"
#include "store/Store.h"
#include "store/Transaction.h"
#include "store/engine/Statement.h"
#include "store/trail/Trail.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>
#include <algorithm>
#include <limits>
#include <sodium.h>

using namespace Qt::Literals::StringLiterals;

namespace Clerks {

namespace {

using namespace std::chrono_literals;

std::chrono::milliseconds g_penalty = 30s;

// The password's bytes, wiped when they are no longer needed.
class Secret
{
public:
    explicit Secret(const QString& password) : m_bytes(password.toUtf8()) {}
    ~Secret() { sodium_memzero(m_bytes.data(), size_t(m_bytes.size())); }
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;
    const char* data() const { return m_bytes.constData(); }
    unsigned long long size() const { return static_cast<unsigned long long>(m_bytes.size()); }

private:
    QByteArray m_bytes;
};

QString hashOf(const QString& password)
{
    Trail::initCrypto();
    const Secret secret(password);
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, secret.data(), secret.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw StoreError(u"There is not enough memory to protect the password"_s);
    return QString::fromLatin1(out);
}

bool matches(const QString& hash, const QString& password)
{
    Trail::initCrypto();
    const Secret secret(password);
    const QByteArray stored = hash.toLatin1();
    return crypto_pwhash_str_verify(stored.constData(), secret.data(), secret.size()) == 0;
}

struct Stored
{
    Clerk clerk;
    QString hash;
};

std::optional<Stored> find(Store& store, const QString& name)
{
    StatementUse q = store.statement(u"SELECT NAME, ROLE, ACTIVE, PWHASH FROM Pokladnici WHERE NAME = ?"_s);
    q.addBindValue(name);
    q.exec();
    std::optional<Stored> found;
    if (q.next())
        found = Stored{
            {q.value(0).toString(), roleOf(q.value(1).toString()).value_or(Role::Clerk), q.value(2).toInt() != 0},
            q.value(3).toString()};
    return found;
}

Stored existing(Store& store, const QString& name)
{
    const std::optional<Stored> found = find(store, name);
    if (!found) throw Refused(u"Pokladník %1 neexistuje."_s.arg(name));
    return *found;
}

// A write of the clerks with its trail row: one at a time on a server, so that two counters never both disable
// the last owner; SQLite's write transaction holds the whole store already.
class ClerksWrite
{
public:
    explicit ClerksWrite(Store& store) : m_own(store)
    {
        if (const QString lock = store.connection().trailLockSql(); !lock.isEmpty()) {
            StatementUse q = store.statement(lock);
            q.exec();
        }
    }
    void commit() { m_own.commit(); }

private:
    OwnWrite m_own;
};

int activeOwners(Store& store)
{
    return store.scalar(u"SELECT COUNT(*) FROM Pokladnici WHERE ACTIVE = 1 AND ROLE = ?"_s, {code(Role::Owner)})
        .toInt();
}

void record(Store& store, Trail::Action action, const QJsonObject& detail = {})
{
    Trail::Entry entry;
    entry.action = action;
    entry.detail = detail;
    Trail::record(store, entry);
}

QJsonArray change(const QString& field, const QString& oldValue, const QString& newValue)
{
    return QJsonArray{field, oldValue, newValue};
}

void checkPassword(const QString& password)
{
    if (password.isEmpty()) throw Refused(u"Heslo nesmie byť prázdne."_s);
    if (password.size() < MinPassword) throw Refused(u"Heslo musí mať aspoň %1 znakov."_s.arg(MinPassword));
}

// A trail moment ("yyyy-MM-dd HH:mm:ss", milliseconds optional) as a plain count, whatever the time zone: the
// rows and now come from the same clock.
QDateTime momentOf(const QString& text)
{
    const QString format = text.size() > 19 ? u"yyyy-MM-dd HH:mm:ss.zzz"_s : u"yyyy-MM-dd HH:mm:ss"_s;
    const QDateTime at = QDateTime::fromString(text, format);
    return QDateTime(at.date(), at.time(), QTimeZone::utc());
}

// Now as the trail would write it: the server's clock on a server.
QDateTime trailNow(Store& store)
{
    const QString sql = store.connection().trailMomentSql();
    if (sql.isEmpty()) return momentOf(Clock::now().toString(u"yyyy-MM-dd HH:mm:ss.zzz"_s));
    return momentOf(store.scalar(u"SELECT "_s + sql).toString());
}

void refuseWhileWaiting(Store& store, const QString& name)
{
    if (const auto wait = signInWait(store, name); wait > 0ms) throw Waiting(waitText(wait));
}

} // namespace

QString code(Role role)
{
    return role == Role::Owner ? u"owner"_s : u"clerk"_s;
}

std::optional<Role> roleOf(const QString& code)
{
    if (code == u"owner"_s) return Role::Owner;
    if (code == u"clerk"_s) return Role::Clerk;
    return std::nullopt;
}

QString name(Role role)
{
    return role == Role::Owner ? u"vlastník"_s : u"pokladník"_s;
}

QList<Clerk> list(Store& store)
{
    StatementUse q = store.statement(u"SELECT NAME, ROLE, ACTIVE FROM Pokladnici"_s);
    q.exec();
    QList<Clerk> clerks;
    while (q.next())
        clerks.append(
            {q.value(0).toString(), roleOf(q.value(1).toString()).value_or(Role::Clerk), q.value(2).toInt() != 0});
    // The same order on both engines, whatever their collations.
    std::sort(clerks.begin(), clerks.end(), [](const Clerk& a, const Clerk& b) {
        const int c = QString::compare(a.name, b.name, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.name < b.name;
    });
    return clerks;
}

QList<Clerk> active(Store& store)
{
    QList<Clerk> clerks = list(store);
    clerks.removeIf([](const Clerk& c) { return !c.active; });
    return clerks;
}

bool anyActive(Store& store)
{
    return store.scalar(u"SELECT COUNT(*) FROM Pokladnici WHERE ACTIVE = 1"_s).toInt() > 0;
}

void add(Store& store, const QString& name, Role role, const QString& password)
{
    const QString clerk = name.trimmed();
    if (clerk.isEmpty()) throw Refused(u"Zadajte meno pokladníka."_s);
    if (clerk == Trail::noClerk()) throw Refused(u"Meno %1 nemôže mať pokladník."_s.arg(clerk));
    checkPassword(password);
    const QString hash = hashOf(password); // before the write: it takes a while
    ClerksWrite write(store);
    for (const Clerk& c : list(store))
        if (c.name.compare(clerk, Qt::CaseInsensitive) == 0) throw Refused(u"Pokladník %1 už existuje."_s.arg(c.name));
    if (role != Role::Owner && activeOwners(store) == 0)
        throw Refused(u"Prvý pokladník musí byť vlastník: iba vlastník môže spravovať pokladníkov."_s);
    StatementUse q = store.statement(u"INSERT INTO Pokladnici (NAME, ROLE, PWHASH, ACTIVE) VALUES (?, ?, ?, 1)"_s);
    q.bind({clerk, code(role), hash});
    q.exec();
    record(store, Trail::Action::ClerkAdded,
           {{u"clerk"_s, clerk},
            {u"fields"_s, QJsonArray{change(u"NAME"_s, {}, clerk), change(u"ROLE"_s, {}, code(role)),
                                     change(u"ACTIVE"_s, {}, u"1"_s)}}});
    write.commit();
}

void changePassword(Store& store, const QString& name, const QString& password)
{
    checkPassword(password);
    existing(store, name);
    const QString hash = hashOf(password);
    ClerksWrite write(store);
    StatementUse q = store.statement(u"UPDATE Pokladnici SET PWHASH = ? WHERE NAME = ?"_s);
    q.bind({hash, name});
    q.exec();
    const bool changed = q.changes() > 0;
    if (!changed) throw Refused(u"Pokladník %1 neexistuje."_s.arg(name));
    record(store, Trail::Action::ClerkChanged, {{u"clerk"_s, name}, {u"changed"_s, u"password"_s}});
    write.commit();
}

void disable(Store& store, const QString& name)
{
    ClerksWrite write(store);
    const Stored stored = existing(store, name);
    if (!stored.clerk.active) throw Refused(u"Pokladník %1 je už zakázaný."_s.arg(name));
    if (stored.clerk.role == Role::Owner && activeOwners(store) == 1)
        throw Refused(u"Posledného vlastníka nemožno zakázať: obchod, ktorý mal pokladníkov, sa bez aktívneho "
                      u"vlastníka neotvorí."_s);
    StatementUse q = store.statement(u"UPDATE Pokladnici SET ACTIVE = 0 WHERE NAME = ?"_s);
    q.addBindValue(name);
    q.exec();
    record(store, Trail::Action::ClerkChanged,
           {{u"clerk"_s, name}, {u"fields"_s, QJsonArray{change(u"ACTIVE"_s, u"1"_s, u"0"_s)}}});
    write.commit();
}

std::optional<Role> check(Store& store, const QString& name, const QString& password)
{
    const std::optional<Stored> found = find(store, name);
    if (!found || !found->clerk.active || password.isEmpty() || !matches(found->hash, password)) return std::nullopt;
    return found->clerk.role;
}

std::optional<Role> signIn(Store& store, const QString& name, const QString& password, const QString& note,
                           bool ownerOnly)
{
    refuseWhileWaiting(store, name);
    const std::optional<Role> role = check(store, name, password);
    if (!role || (ownerOnly && *role != Role::Owner)) {
        refuse(store, name, note);
        return std::nullopt;
    }
    store.setClerk(name);
    try {
        record(store, Trail::Action::SignIn, note.isEmpty() ? QJsonObject{} : QJsonObject{{u"note"_s, note}});
    } catch (...) {
        store.setClerk(Trail::noClerk()); // not signed in without its row
        throw;
    }
    return role;
}

void refuse(Store& store, const QString& name, const QString& note)
{
    QJsonObject detail{{u"clerk"_s, name.isEmpty() || find(store, name) ? name : unknownName()}};
    if (!note.isEmpty()) detail.insert(u"note"_s, note);
    record(store, Trail::Action::SignInFailed, detail);
}

void signOut(Store& store)
{
    record(store, Trail::Action::SignOut);
    store.setClerk(Trail::noClerk());
}

void lock(Store& store)
{
    record(store, Trail::Action::Lock);
}

bool unlock(Store& store, const QString& name, const QString& password)
{
    refuseWhileWaiting(store, name);
    const std::optional<Role> role = check(store, name, password);
    const bool same = name == store.clerk();
    if (!role || (!same && *role != Role::Owner)) {
        refuse(store, name, u"odomknutie"_s);
        return false;
    }
    record(store, Trail::Action::Unlock, same ? QJsonObject{} : QJsonObject{{u"clerk"_s, name}});
    return true;
}

QString unknownName()
{
    return u"(neznámy)"_s;
}

std::chrono::milliseconds signInWait(Store& store, const QString& name)
{
    const QString signIn = Trail::code(Trail::Action::SignIn), unlock = Trail::code(Trail::Action::Unlock),
                  failed = Trail::code(Trail::Action::SignInFailed);
    const QString stored = name.isEmpty() || find(store, name) ? name : unknownName();
    const QDateTime now = trailNow(store);
    const qint64 penalty = g_penalty.count();
    // Newest first, a page at a time: the walk ends at the name's last success, at its fifth failure, or where
    // the rows grow older than a penalty before any failure of the name.
    Statement& q = store.statement(u"SELECT SEQ, MOMENT, CLERK, ACTION, DETAIL FROM Zmeny WHERE SEQ < ? AND "
                                   u"ACTION IN (?, ?, ?) ORDER BY SEQ DESC LIMIT 64"_s);
    qint64 before = std::numeric_limits<qint64>::max();
    int failures = 0;
    QDateTime last;
    for (bool more = true; more;) {
        q.bind({before, signIn, unlock, failed});
        int rows = 0;
        while (more && q.step()) {
            ++rows;
            before = q.value(0).toLongLong();
            const QDateTime moment = momentOf(q.value(1).toString());
            const QString action = q.value(3).toString();
            const QJsonObject detail = QJsonDocument::fromJson(q.value(4).toString().toUtf8()).object();
            const QString who =
                detail.contains(u"clerk"_s) ? detail.value(u"clerk"_s).toString() : q.value(2).toString();
            if (action == failed && who == stored) {
                if (failures == 0) last = moment;
                more = ++failures < FreeAttempts && last.msecsTo(now) < penalty;
            } else if (action != failed && who == name) {
                more = false; // a success starts the count again
            } else if (failures == 0 && moment.msecsTo(now) >= penalty) {
                more = false;
            }
        }
        q.reset();
        more = more && rows == 64;
    }
    if (failures < FreeAttempts) return 0ms;
    return std::chrono::milliseconds(std::max<qint64>(0, penalty - last.msecsTo(now)));
}

QString waitText(std::chrono::milliseconds wait)
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait + 999ms).count();
    return u"Priveľa nesprávnych pokusov. Ďalší pokus bude možný o %1 s."_s.arg(seconds);
}

void setPenalty(std::chrono::milliseconds penalty)
{
    g_penalty = penalty;
}

} // namespace Clerks
