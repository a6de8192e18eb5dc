#include "core/PersonData.h"
#include "core/Shop.h"
#include "reports/PersonDataReport.h"
#include "reports/ReportPainter.h"
#include "store/Store.h"
#include "store/admin/StoreLock.h"
#include "store/trail/Trail.h"
#include "tools/Admin.h"

#include <QDateTime>

using namespace Qt::Literals::StringLiterals;

namespace {

// The birth number is the owner's own input, yet it stays off standard error as every personal value does.
int unknown()
{
    return Admin::fail(u"the store holds nothing about a person with that birth number"_s);
}

} // namespace

int adminPersonData(const Admin::Args& a)
{
    const QString pdf = a.value(u"pdf"_s);
    const QString dir = a.args.first(), birthNumber = a.args.last();
    if (!Store::exists(dir)) return Admin::fail(u"no store in %1"_s.arg(Admin::location(dir)), Admin::Usage);
    // Everything about a person is the owner's to hand out, as in the register.
    if (const int status = Admin::signInOwner(dir, a.value(u"as"_s), u"person-data"_s); status != Admin::Ok)
        return status;

    const StoreLock mark(dir, StoreLock::Kind::Open); // as the other reports: no restore under it
    Shop shop(dir);
    PersonDataReport report(shop);
    if (!report.Start(birthNumber)) return unknown();
    if (!pdf.isEmpty()) {
        report.QuickRep1.printedAt = QDateTime::currentDateTime();
        Admin::out(QString::number(ReportPainter::writePdf(report.QuickRep1, pdf)));
        return Admin::Ok;
    }
    // Printed as text, the data leave the store as surely as on paper: the same row first.
    report.QuickRep1.beforeOutput(u"standard output"_s);
    for (const PersonData::Line& line : PersonData::lines(report.holding())) {
        if (line.heading) {
            Admin::out(u"== "_s + line.caption);
            continue;
        }
        const QStringList text = line.text.split(u'\n');
        Admin::out(line.caption.isEmpty() ? text.first() : QString(line.caption + u": "_s + text.first()).trimmed());
        for (qsizetype i = 1; i < text.size(); ++i)
            Admin::out(u"    "_s + text.at(i));
    }
    return Admin::Ok;
}
