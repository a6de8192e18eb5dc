#include "core/Clerks.h"
#include "core/Shop.h"
#include "core/TrailText.h"
#include "reports/ChangesList.h"
#include "reports/ReportPainter.h"
#include "store/Store.h"
#include "store/admin/StoreLock.h"
#include "store/engine/Errors.h"
#include "store/trail/Trail.h"
#include "tools/Admin.h"

#include <QRegularExpression>
#include <sodium.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// One column of a line: a tab or a line break inside a value (a note) must not split it.
QString column(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        if (c == u'\\')
            out += u"\\\\"_s;
        else if (c == u'\t')
            out += u"\\t"_s;
        else if (c == u'\n')
            out += u"\\n"_s;
        else if (c == u'\r')
            out += u"\\r"_s;
        else
            out += c;
    }
    return out;
}

} // namespace

int adminAuditVerify(const Admin::Args& a)
{
    const QString dir = a.args.first();
    Trail::Anchors anchors;
    if (a.has(u"key"_s)) {
        anchors.firstKey = Trail::keyFromHex(a.value(u"key"_s));
        if (anchors.firstKey.isEmpty())
            return Admin::wrongArgument(u"not a key of 64 hex digits"_s, u"--key"_s); // the key itself stays unsaid
    }
    if (a.has(u"expect"_s)) {
        static const QRegularExpression noted(u"^([1-9][0-9]{0,17}):([0-9A-Fa-f]{16,64})$"_s);
        const auto match = noted.match(a.value(u"expect"_s));
        if (!match.hasMatch())
            return Admin::wrongArgument(u"not SEQ:HASH (at least 16 hex digits)"_s, a.value(u"expect"_s));
        anchors.expectSeq = match.captured(1).toLongLong();
        anchors.expectHash = match.captured(2);
    }
    if (!Store::exists(dir)) return Admin::fail(u"no store in %1"_s.arg(Admin::location(dir)), Admin::Usage);
    Store store(dir, Store::TrailMissing::Allowed); // to say what is missing rather than refuse
    const Trail::Verdict v = Trail::verify(store, anchors);
    sodium_memzero(anchors.firstKey.data(), size_t(anchors.firstKey.size()));
    Admin::out(u"intact: %1"_s.arg(v.intact));
    Admin::out(u"last SEQ: %1"_s.arg(v.lastSeq));
    Admin::out(u"last HASH: %1"_s.arg(v.lastHash.isEmpty() ? u"-"_s : v.lastHash));
    Admin::out(u"head: %1"_s.arg(Trail::head(store)));
    for (const Trail::Missing& missing : v.missing)
        Admin::fail(u"missing: %1"_s.arg(missingText({missing})));
    if (v.badSeq != 0) return Admin::fail(u"the trail of changes is broken at SEQ %1: %2"_s.arg(v.badSeq).arg(v.why));
    return v.ok() ? Admin::Ok : Admin::Failure;
}

int adminAuditSeal(const Admin::Args& a)
{
    const QString dir = a.args.first();
    if (!Store::exists(dir)) return Admin::fail(u"no store in %1"_s.arg(Admin::location(dir)), Admin::Usage);
    if (const int status = Admin::signInOwner(dir, a.value(u"as"_s), u"audit-seal"_s); status != Admin::Ok)
        return status;
    const StoreLock mark(dir, StoreLock::Kind::Open);
    Store store(dir);
    QByteArray key = Trail::seal(store);
    Admin::out(u"The first key of the seals, shown this once (keep it on paper, never in the store):"_s);
    Admin::out(Trail::keyText(key));
    sodium_memzero(key.data(), size_t(key.size()));
    Admin::out(u"Check the seals with: mervana-admin audit-verify %1 --key KEY"_s.arg(Admin::location(dir)));
    return Admin::Ok;
}

int adminAuditRestart(const Admin::Args& a)
{
    const QString dir = a.args.first();
    if (!Store::exists(dir)) return Admin::fail(u"no store in %1"_s.arg(Admin::location(dir)), Admin::Usage);
    const StoreLock mark(dir, StoreLock::Kind::Open);
    Store store(dir, Store::TrailMissing::Allowed);
    // The owner's password is checked against the clerks; their sign-in row heads the new trail, after its
    // genesis row, for there is no trail to write it into before.
    const QString owner = a.value(u"as"_s);
    if (Clerks::anyActive(store)) {
        if (owner.isEmpty())
            return Admin::fail(u"the store has clerks: audit-restart needs --as NAME, naming an owner"_s);
        const QString password = Admin::readPassword(u"Password of %1: "_s.arg(owner));
        if (Clerks::check(store, owner, password) != Clerks::Role::Owner)
            return Admin::fail(u"%1 is no active owner, or the password is wrong"_s.arg(owner));
        Trail::setDefaultClerk(owner);
        store.setClerk(owner);
    }
    const QString missing = missingText(Trail::missingGuards(store));
    const QString kept = Trail::restart(store, missing);
    Admin::out(u"Began a new trail of changes in %1"_s.arg(Store::displayName(dir)));
    if (!missing.isEmpty()) Admin::out(u"It was missing: %1"_s.arg(missing));
    if (!kept.isEmpty()) Admin::out(u"The old trail is kept as the table %1"_s.arg(kept));
    Admin::out(u"head: %1"_s.arg(Trail::head(store)));
    return Admin::Ok;
}

int adminAudit(const Admin::Args& a)
{
    Trail::Query query;
    query.contract = a.value(u"contract"_s);
    query.birthNumber = a.value(u"person"_s);
    query.clerk = a.value(u"clerk"_s);
    if (!Admin::optionDate(a, u"from"_s, &query.from) || !Admin::optionDate(a, u"to"_s, &query.to)) return Admin::Usage;
    const QString pdf = a.value(u"pdf"_s);
    const QString dir = a.args.first();
    if (!Store::exists(dir)) return Admin::fail(u"no store in %1"_s.arg(Admin::location(dir)), Admin::Usage);
    // The rows print decrypted: personal data, the owner's to hand out once clerks work the store.
    if (const int status = Admin::signInOwner(dir, a.value(u"as"_s), u"audit"_s); status != Admin::Ok) return status;
    if (!pdf.isEmpty()) {
        // The report "Zmeny záznamov" of the register, under the shop's name, and its page count.
        const StoreLock mark(dir, StoreLock::Kind::Open); // as the other reports: no restore under it
        Shop shop(dir);
        ChangesList report(shop);
        report.Start(query);
        report.QuickRep1.printedAt = QDateTime::currentDateTime();
        Admin::out(QString::number(ReportPainter::writePdf(report.QuickRep1, pdf)));
        return Admin::Ok;
    }
    Store store(dir);
    // The row saying so comes first; the rows printed are those it counted, not itself.
    const qint64 end = store.scalar(u"SELECT COALESCE(MAX(SEQ), 0) FROM Zmeny"_s).toLongLong();
    qint64 rows = 0;
    Trail::read(store, query, [&rows, end](const Trail::Row& r) { rows += r.seq <= end ? 1 : 0; });
    Trail::recordExport(store, u"audit"_s, u"standard output"_s, {{u"count"_s, rows}});
    Trail::read(store, query, [end](const Trail::Row& read) {
        if (read.seq > end) return;
        const Trail::Row r = worded(read);
        const QString row = QStringList{r.moment.toString(u"d.M.yyyy HH:mm:ss"_s),
                                        column(r.clerk),
                                        column(r.counter),
                                        r.action,
                                        r.table,
                                        column(r.key)}
                                .join(u'\t');
        if (r.fields.isEmpty()) Admin::out(row + u"\t\t\t"_s);
        for (const Trail::FieldChange& f : r.fields)
            Admin::out(row + u'\t' + f.field + u'\t' + column(f.oldValue) + u'\t' + column(f.newValue));
    });
    return Admin::Ok;
}
