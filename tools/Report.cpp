#include "core/Shop.h"
#include "reports/ReportCatalog.h"
#include "reports/ReportPainter.h"
#include "reports/ShopReport.h"
#include "store/Clock.h"
#include "store/Store.h"
#include "store/StoreLock.h"
#include "tools/Admin.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

int adminReport(QStringList args)
{
    QString pdf, todayText, shopName;
    if (!Admin::takeOption(args, u"--pdf"_s, &pdf)) return Admin::usage(u"--pdf needs a file"_s);
    if (!Admin::takeOption(args, u"--today"_s, &todayText)) return Admin::usage(u"--today needs a date"_s);
    const bool shopGiven = args.contains(u"--shop"_s);
    if (!Admin::takeOption(args, u"--shop"_s, &shopName)) return Admin::usage(u"--shop needs a name"_s);
    if (args.size() < 2) return Admin::usage(u"report needs a folder and the name of a report"_s);
    const QString dir = args.takeFirst();
    const QString name = args.takeFirst();
    const ReportCatalog::Entry* entry = ReportCatalog::find(name);
    if (!entry) return Admin::usage(u"unknown report: %1"_s.arg(name));
    if (pdf.isEmpty()) return Admin::usage(u"report needs --pdf FILE"_s);
    QDate today;
    if (!todayText.isEmpty()) {
        today = Admin::parseDate(todayText);
        if (!today.isValid()) return Admin::usage(u"not a valid date: %1"_s.arg(todayText));
    }
    if (!Store::exists(dir)) return Admin::fail(u"no store in %1"_s.arg(Admin::location(dir)), Admin::Usage);

    // The views compute with the day given; the report still prints the real moment it was made.
    if (today.isValid()) Clock::setToday(today);
    const StoreLock mark(dir, StoreLock::Kind::Open); // the reports write marks and the cash statement's table
    Shop shop(dir);
    if (shopGiven) shop.ShopName = shopName;
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
    Admin::out(QString::number(pages));
    return Admin::Ok;
}
