#include "core/Shop.h"
#include "reports/ChangesList.h"
#include "reports/ReportPainter.h"
#include "store/Errors.h"
#include "store/Store.h"
#include "store/StoreLock.h"
#include "store/Trail.h"
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

bool oneStore(const QStringList& args)
{
    return args.size() == 1 && !args.first().startsWith(u'-');
}

} // namespace

int adminAuditVerify(QStringList args)
{
    if (!oneStore(args)) return Admin::usage(u"audit-verify takes one store"_s);
    const QString dir = args.first();
    if (!Store::exists(dir)) return Admin::fail(u"no store in %1"_s.arg(Admin::location(dir)), Admin::Usage);
    Store store(dir);
    const Trail::Verdict v = Trail::verify(store);
    Admin::out(u"intact: %1"_s.arg(v.intact));
    Admin::out(u"last SEQ: %1"_s.arg(v.lastSeq));
    Admin::out(u"last HASH: %1"_s.arg(v.lastHash.isEmpty() ? u"-"_s : v.lastHash));
    if (!v.ok()) return Admin::fail(u"the trail of changes is broken at SEQ %1: %2"_s.arg(v.badSeq).arg(v.why));
    return Admin::Ok;
}

int adminAudit(QStringList args)
{
    QString fromText, toText, pdf;
    Trail::Query query;
    if (!Admin::takeOption(args, u"--pdf"_s, &pdf)) return Admin::usage(u"--pdf needs a file"_s);
    if (!Admin::takeOption(args, u"--from"_s, &fromText) || !Admin::takeOption(args, u"--to"_s, &toText))
        return Admin::usage(u"--from and --to need a date"_s);
    if (!Admin::takeOption(args, u"--contract"_s, &query.contract))
        return Admin::usage(u"--contract needs a contract number"_s);
    if (!Admin::takeOption(args, u"--person"_s, &query.birthNumber))
        return Admin::usage(u"--person needs a birth number"_s);
    if (!Admin::takeOption(args, u"--clerk"_s, &query.clerk)) return Admin::usage(u"--clerk needs a name"_s);
    if (!oneStore(args))
        return Admin::usage(args.isEmpty() ? u"audit needs a store"_s : u"unexpected argument: %1"_s.arg(args.last()));
    for (const auto& [text, day] : {std::pair{fromText, &query.from}, std::pair{toText, &query.to}}) {
        if (text.isEmpty()) continue;
        *day = Admin::parseDate(text);
        if (!day->isValid()) return Admin::usage(u"not a valid date: %1"_s.arg(text));
    }
    const QString dir = args.first();
    if (!Store::exists(dir)) return Admin::fail(u"no store in %1"_s.arg(Admin::location(dir)), Admin::Usage);
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
    Trail::read(store, query, [](const Trail::Row& r) {
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
