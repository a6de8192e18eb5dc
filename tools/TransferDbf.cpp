#include "store/Clock.h"
#include "store/Store.h"
#include "store/admin/StoreLock.h"
#include "store/dbf/DbfTransfer.h"
#include "store/engine/Errors.h"
#include "tools/Admin.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace {

// The code page named by --codepage, one of allowed; 0 when the option is absent, -1 when it is wrong.
int codePageOption(const Admin::Args& a, const QList<int>& allowed)
{
    const QString text = a.value(u"codepage"_s);
    if (text.isEmpty()) return 0;
    bool ok = false;
    const int number = text.toInt(&ok);
    return ok && allowed.contains(number) ? number : -1;
}

QString codePageList(const QList<int>& allowed)
{
    QStringList names;
    for (const int n : allowed)
        names << QString::number(n);
    return names.join(u'|');
}

int codePageRefused(const Admin::Args& a, const QList<int>& allowed)
{
    return Admin::usage(
        u"unknown code page: %1 (--codepage takes %2)"_s.arg(a.value(u"codepage"_s), codePageList(allowed)));
}

// The store of a command that writes to it: it must be there already.
bool storeMissing(const QString& dir)
{
    return !Store::exists(dir);
}

int noStore(const QString& dir)
{
    return Admin::fail(u"no store in %1; create it first with: mervana-admin init %1"_s.arg(Admin::location(dir)));
}

} // namespace

int adminImportDbf(const Admin::Args& a)
{
    const QList<int> allowed{852, 1250, 895};
    const int codePage = codePageOption(a, allowed);
    if (codePage < 0) return codePageRefused(a, allowed);
    const bool replace = a.has(u"replace"_s);
    const QString source = a.args.at(0);
    const QString dataDir = a.args.at(1);
    if (storeMissing(dataDir)) return noStore(dataDir);
    // Replacing deletes every record: an owner's decision once clerks work the store.
    if (replace)
        if (const int status = Admin::signInOwner(dataDir, a.value(u"as"_s), u"import-dbf"_s); status != Admin::Ok)
            return status;

    const StoreLock mark(dataDir, StoreLock::Kind::Open); // no restore while the import writes
    Store store(dataDir);
    QList<DbfTransfer::TableReport> reports;
    try {
        reports = DbfTransfer::importTables(store, source, {codePage, replace});
    } catch (const InputError& e) {
        Admin::fail(e.text(), Admin::Usage);
        return Admin::fail(u"nothing was imported; the store is as it was"_s, Admin::Usage);
    }
    qint64 total = 0;
    for (const DbfTransfer::TableReport& r : std::as_const(reports)) {
        total += r.records;
        if (r.file.isEmpty()) {
            Admin::out(u"%1: not in the folder, left empty"_s.arg(r.table));
            continue;
        }
        Admin::out(u"%1: %2 records imported from %3 (code page %4), %5 deleted records skipped"_s.arg(r.table)
                       .arg(r.records)
                       .arg(r.file)
                       .arg(r.codePage == 0 ? u"none"_s : QString::number(r.codePage))
                       .arg(r.deleted));
        if (!r.skippedFields.isEmpty())
            Admin::out(u"    fields the register does not have, skipped: "_s + r.skippedFields.join(u", "_s));
        if (!r.memoFields.isEmpty())
            Admin::out(u"    memo fields and fields of unknown types, ignored: "_s + r.memoFields.join(u", "_s));
        if (!r.emptyFields.isEmpty())
            Admin::out(u"    fields missing in the file, left empty: "_s + r.emptyFields.join(u", "_s));
    }
    Admin::out(u"Imported %1 records into %2"_s.arg(total).arg(Admin::location(dataDir)));
    return Admin::Ok;
}

int adminExportDbf(const Admin::Args& a)
{
    const QList<int> allowed{852, 1250};
    int codePage = codePageOption(a, allowed);
    if (codePage < 0) return codePageRefused(a, allowed);
    if (codePage == 0) codePage = 852;
    const QString dataDir = a.args.at(0);
    const QString dest = a.args.at(1);
    if (storeMissing(dataDir)) return noStore(dataDir);
    if (const int status = Admin::signInOwner(dataDir, a.value(u"as"_s), u"export-dbf"_s); status != Admin::Ok)
        return status;

    const StoreLock mark(dataDir, StoreLock::Kind::Open); // no restore while the tables are written out
    Store store(dataDir);
    QList<DbfTransfer::TableReport> reports;
    try {
        reports = DbfTransfer::exportTables(store, dest, codePage, Clock::today());
    } catch (const InputError& e) {
        Admin::fail(e.text(), Admin::Usage);
        return Admin::fail(u"no table file was written"_s, Admin::Usage);
    }
    for (const DbfTransfer::TableReport& r : std::as_const(reports))
        Admin::out(u"%1: %2 records"_s.arg(r.table).arg(r.records));
    Admin::out(u"Wrote %1 tables in code page %2 to %3"_s.arg(reports.size())
                   .arg(codePage)
                   .arg(QDir::toNativeSeparators(dest)));
    return Admin::Ok;
}
