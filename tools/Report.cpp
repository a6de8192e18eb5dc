#include "core/Shop.h"
#include "reports/ReportCatalog.h"
#include "reports/ReportPainter.h"
#include "reports/ShopReport.h"
#include "store/Clock.h"
#include "store/Store.h"
#include "store/admin/StoreLock.h"
#include "tools/Admin.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace {

// What the command did, in words: a bare number says nothing of where the report went.
QString pagesWritten(int pages, const QString& pdf)
{
    const QString file = QDir::toNativeSeparators(pdf);
    if (pages == 0) return u"0 pages: nothing to print, %1 not written"_s.arg(file);
    return u"%1 %2 written to %3"_s.arg(pages).arg(pages == 1 ? u"page"_s : u"pages"_s, file);
}

} // namespace

int adminReport(const Admin::Args& a)
{
    QStringList args = a.args;
    const QString pdf = a.value(u"pdf"_s);
    const QString dir = args.takeFirst();
    const QString name = args.takeFirst();
    const ReportCatalog::Entry* entry = ReportCatalog::find(name);
    if (!entry) return Admin::usage(u"unknown report: %1"_s.arg(name));
    if (pdf.isEmpty()) return Admin::usage(u"report needs --pdf FILE"_s);
    QDate today;
    if (!Admin::optionDate(a, u"today"_s, &today)) return Admin::Usage;
    if (!Store::exists(dir)) return Admin::fail(u"no store in %1"_s.arg(Admin::location(dir)), Admin::Usage);
    // The persons, one person and the trail: personal data, the owner's once clerks work the store.
    if (QStringList{u"persons"_s, u"profile"_s, u"audit"_s}.contains(name))
        if (const int status = Admin::signInOwner(dir, a.value(u"as"_s), u"report"_s); status != Admin::Ok)
            return status;

    // The views compute with the day given; the report still prints the real moment it was made.
    if (today.isValid()) Clock::setToday(today);
    const StoreLock mark(dir, StoreLock::Kind::Open); // the reports write marks and the cash statement's table
    Shop shop(dir);
    if (a.has(u"shop"_s)) shop.ShopName = a.value(u"shop"_s);
    std::unique_ptr<ShopReport> report;
    try {
        report = entry->start(shop, args);
    } catch (const ReportCatalog::ArgumentError& e) {
        return Admin::usage(e.text());
    }
    int pages = 0;
    if (report) {
        report->QuickRep1.printedAt = QDateTime::currentDateTime();
        pages = ReportPainter::writePdf(report->QuickRep1, pdf);
    }
    Admin::out(pagesWritten(pages, pdf));
    return Admin::Ok;
}
