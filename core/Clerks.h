#pragma once

#include "store/engine/Errors.h"

#include <QList>
#include <QString>
#include <chrono>
#include <optional>

class Store;

// The shop's clerks (the store's table Pokladnici): who may sign in to the register, and who of them is an owner.
// A clerk is never deleted, only disabled: the trail of changes keeps naming them. Passwords are kept as
// Argon2id hashes (libsodium's crypto_pwhash_str) and never anywhere in clear.
//
// Every change of a clerk and every sign-in, sign-out, lock and unlock leaves its row in the trail of changes,
// in the same transaction.
namespace Clerks {

enum class Role { Owner, Clerk };

QString code(Role role);                         // "owner", "clerk": as stored
std::optional<Role> roleOf(const QString& code); // the role of a stored code
QString name(Role role);                         // "vlastník", "pokladník"

struct Clerk
{
    QString name;
    Role role = Role::Clerk;
    bool active = true;
};

// A command on the clerks that is not done: the text tells the owner why (a name taken, an empty password ...).
class Refused : public MervanaError
{
public:
    using MervanaError::MervanaError;
};

// Every clerk, by name; the active ones; whether there is one at all (then the register asks who works).
QList<Clerk> list(Store& store);
QList<Clerk> active(Store& store);
bool anyActive(Store& store);

// A new active clerk. While the store has no active owner, only an owner may be added: somebody must be able
// to manage the others. Names are unique whatever their case; a new password has at least MinPassword
// characters (older, shorter ones still sign in). Throws Refused.
constexpr int MinPassword = 8;
void add(Store& store, const QString& name, Role role, const QString& password);
void changePassword(Store& store, const QString& name, const QString& password);
// The clerk can no longer sign in. The last active owner always stays: a store that had clerks is refused at
// open without one. Throws Refused.
void disable(Store& store, const QString& name);

// The role of the active clerk name when password is theirs; nothing for a wrong password, an unknown or a
// disabled clerk. Writes nothing.
std::optional<Role> check(Store& store, const QString& name, const QString& password);

// A sign-in: the role, and from then on the store names the clerk in every row it writes; nothing when refused
// (also a clerk who is no owner where ownerOnly). Either way, the attempt's row (sign-in, sign-in-failed). note
// says where it was made (a command of mervana-admin), empty in the register. Throws Waiting, writing nothing,
// while the name must still wait (signInWait).
std::optional<Role> signIn(Store& store, const QString& name, const QString& password, const QString& note = {},
                           bool ownerOnly = false);
// A sign-in refused before any password was checked (an owner's command run without naming the owner, or naming a
// clerk who is none): its row. A name that is no clerk's is stored as unknownName(): it may be a password typed
// in the wrong place, and the trail keeps what it is given for ever.
void refuse(Store& store, const QString& name, const QString& note);
// The signed-in clerk leaves: the row sign-out, then nobody is named.
void signOut(Store& store);
// The register locked itself: the row lock.
void lock(Store& store);
// Unlocks the register the store's clerk signed in to: with the password of that clerk, or an active owner's.
// Either way the attempt's row (unlock, or sign-in-failed); the signed-in clerk stays. Throws Waiting as signIn.
bool unlock(Store& store, const QString& name, const QString& password);

QString unknownName(); // "(neznámy)"

// A sign-in or unlock that must still wait: the text says how long.
class Waiting : public Refused
{
public:
    using Refused::Refused;
};

// Wrong passwords in a row: after the fifth, each further attempt of that name waits (30 seconds) after the last
// wrong one. Counted from the trail (that name's rows since its last success), so that neither another program
// nor a restart starts the count again. Zero when the attempt may go now.
constexpr int FreeAttempts = 5;
std::chrono::milliseconds signInWait(Store& store, const QString& name);
// "Priveľa nesprávnych pokusov. Ďalší pokus bude možný o N s."
QString waitText(std::chrono::milliseconds wait);
// The wait after the free attempts: 30 seconds; tests make it short.
void setPenalty(std::chrono::milliseconds penalty);

} // namespace Clerks
