#include "core/Shop.h"
#include "reports/ChangesList.h"
#include "reports/ReportPainter.h"
#include "store/Store.h"
#include "store/admin/StoreLock.h"
#include "store/engine/Errors.h"
#include "store/trail/Trail.h"
#include "tools/Admin.h"

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
    if (!Store::exists(dir)) return Admin::fail(u"no store in %1"_s.arg(Admin::location(dir)), Admin::Usage);
    Store store(dir);
    const Trail::Verdict v = Trail::verify(store);
    Admin::out(u"intact: %1"_s.arg(v.intact));
    Admin::out(u"last SEQ: %1"_s.arg(v.lastSeq));
    Admin::out(u"last HASH: %1"_s.arg(v.lastHash.isEmpty() ? u"-"_s : v.lastHash));
    if (!v.ok()) return Admin::fail(u"the trail of changes is broken at SEQ %1: %2"_s.arg(v.badSeq).arg(v.why));
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
    Trail::read(store, query, [end](const Trail::Row& r) {
        if (r.seq > end) return;
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
