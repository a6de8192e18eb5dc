#include "core/Clerks.h"
#include "store/Store.h"
#include "store/admin/StoreLock.h"
#include "store/engine/Errors.h"
#include "tools/Admin.h"

using namespace Qt::Literals::StringLiterals;

namespace {

int list(const QString& dir)
{
    Store store(dir);
    for (const Clerks::Clerk& c : Clerks::list(store))
        Admin::out(c.name + u'\t' + Clerks::code(c.role) + u'\t' + (c.active ? u"active"_s : u"disabled"_s));
    return Admin::Ok;
}

} // namespace

int adminClerk(const Admin::Args& a)
{
    QStringList args = a.args;
    const QString what = args.takeFirst();
    const QString owner = a.value(u"as"_s);
    const bool asOwner = a.has(u"owner"_s);
    const bool known = what == u"add"_s || what == u"list"_s || what == u"password"_s || what == u"disable"_s;
    if (!known) return Admin::usage(u"unknown clerk command: %1"_s.arg(what));
    if (what == u"list"_s && args.size() > 1) return Admin::usage(u"unexpected argument: "_s + args.at(1));
    if (what != u"list"_s && args.size() < 2) return Admin::usage(u"clerk %1 takes a folder and a name"_s.arg(what));
    if (asOwner && what != u"add"_s) return Admin::usage(u"unexpected option: --owner (only clerk add takes it)"_s);
    const QString dir = args.at(0);
    if (!Store::exists(dir)) return Admin::fail(u"no store in %1"_s.arg(Admin::location(dir)), Admin::Usage);
    if (what == u"list"_s) return list(dir);

    const QString name = args.at(1);
    if (const int status = Admin::signInOwner(dir, owner, u"clerk "_s + what); status != Admin::Ok) return status;
    const StoreLock mark(dir, StoreLock::Kind::Open); // no restore while it writes
    QString password;
    if (what != u"disable"_s) {
        try {
            password = Admin::readPassword(u"New password of %1: "_s.arg(name), true);
        } catch (const InputError& e) {
            Admin::fail(e.text(), Admin::Usage);
            return Admin::fail(u"nothing was changed"_s, Admin::Usage);
        }
    }
    Store store(dir);
    if (what == u"add"_s) {
        Clerks::add(store, name, asOwner ? Clerks::Role::Owner : Clerks::Role::Clerk, password);
        Admin::out(
            u"Added %1 (%2)"_s.arg(name.trimmed(), Clerks::code(asOwner ? Clerks::Role::Owner : Clerks::Role::Clerk)));
    } else if (what == u"password"_s) {
        Clerks::changePassword(store, name, password);
        Admin::out(u"Changed the password of %1"_s.arg(name));
    } else {
        Clerks::disable(store, name);
        Admin::out(u"Disabled %1: the clerk can no longer sign in"_s.arg(name));
    }
    return Admin::Ok;
}
