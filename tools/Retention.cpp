#include "core/Retention.h"
#include "store/Clock.h"
#include "store/Store.h"
#include "store/Values.h"
#include "store/admin/EngineConfig.h"
#include "store/admin/StoreLock.h"
#include "tools/Admin.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// One person a line: birth number, name, the latest date of their contracts.
void list(const QString& title, const QList<Retention::Person>& persons)
{
    Admin::out(u"%1: %2"_s.arg(title).arg(persons.size()));
    for (const Retention::Person& p : persons)
        Admin::out(QStringList{p.birthNumber, QStringList{p.lastName, p.firstName}.join(u' ').trimmed(),
                               p.latest.isValid() ? Values::shortDateText(p.latest) : QString()}
                       .join(u'\t'));
}

} // namespace

int adminRetention(const Admin::Args& a)
{
    QDate today;
    if (!Admin::optionDate(a, u"today"_s, &today)) return Admin::Usage;
    if (!today.isValid()) today = Clock::today();
    const bool dryRun = a.has(u"dry-run"_s);
    const QString dir = a.args.first();
    if (!Store::exists(dir)) return Admin::fail(u"no store in %1"_s.arg(Admin::location(dir)), Admin::Usage);
    // The lists name persons: the owner's, as the anonymising itself.
    if (const int status = Admin::signInOwner(dir, a.value(u"as"_s), u"retention"_s); status != Admin::Ok)
        return status;

    const int years = EngineConfig::retentionYears();
    const StoreLock mark(dir, StoreLock::Kind::Open); // no restore while it writes
    Store store(dir);
    if (dryRun) {
        const Retention::Survey s = Retention::survey(store, today, years);
        list(u"due"_s, s.due);
        list(u"undesirable, never anonymised automatically"_s, s.undesirable);
        list(u"without contracts, left alone"_s, s.withoutContracts);
        return Admin::Ok;
    }
    qint64 swept = 0;
    const QList<Retention::Anonymised> done = Retention::anonymiseDue(store, today, years, &swept);
    // The pseudonyms alone: printed beside the names they replace, the page would undo the anonymising.
    Admin::out(u"anonymised: %1"_s.arg(done.size()));
    for (const Retention::Anonymised& a : done)
        Admin::out(a.pseudonym);
    Admin::out(u"keys of persons no longer in the store deleted: %1"_s.arg(swept));
    return Admin::Ok;
}
