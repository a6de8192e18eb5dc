#include "reports/ReportCatalog.h"

#include "reports/ChangesList.h"
#include "reports/ContractsList.h"
#include "reports/ExpiringList.h"
#include "reports/GoodsList.h"
#include "reports/IncomeExpenseList.h"
#include "reports/PersonProfile.h"
#include "reports/PersonsList.h"
#include "reports/PledgerExpiredList.h"
#include "store/Values.h"

using namespace Qt::Literals::StringLiterals;

namespace ReportCatalog {

namespace {

const QStringList ContractViews{u"all"_s, u"current"_s, u"expired"_s, u"paid"_s, u"forfeited"_s, u"extended"_s};
const QStringList GoodsViews{u"all"_s, u"current"_s, u"expired"_s, u"forsale"_s, u"sold"_s};

// A list over one of its views, chosen by the one argument.
template <class List> Entry viewEntry(const QString& name, const QStringList& views, const QString& summary)
{
    return {name, views.join(u'|'), summary,
            [name, views](Shop& shop, const QStringList& args) -> std::unique_ptr<ShopReport> {
                const int mode = choice(name, args, views);
                auto report = std::make_unique<List>(shop);
                report->Start(mode);
                return report;
            }};
}

// The arguments after the first count ones are too many: the message names the first of them.
void atMost(qsizetype count, const QString& report, const QStringList& args, const QString& takes)
{
    if (args.size() > count)
        throw ArgumentError(u"unexpected argument: %1 (%2 takes %3)"_s.arg(args.at(count), report, takes));
}

} // namespace

void noArguments(const QString& report, const QStringList& args)
{
    atMost(0, report, args, u"no arguments"_s);
}

QString oneArgument(const QString& report, const QStringList& args, const QString& what)
{
    atMost(1, report, args, what);
    if (args.isEmpty()) throw ArgumentError(u"%1 takes %2"_s.arg(report, what));
    return args.first();
}

QDate parseDate(const QString& text)
{
    const QDate iso = QDate::fromString(text.trimmed(), Qt::ISODate);
    if (iso.isValid()) return iso;
    return Values::parseDate(text).value_or(QDate());
}

QDate dateArgument(const QString& text)
{
    const QDate date = parseDate(text);
    if (!date.isValid()) throw ArgumentError(u"not a valid date: %1"_s.arg(text));
    return date;
}

int choice(const QString& report, const QStringList& args, const QStringList& words)
{
    const QString takes = u"one of "_s + words.join(u'|');
    atMost(1, report, args, takes);
    if (args.isEmpty()) throw ArgumentError(u"%1 takes %2"_s.arg(report, takes));
    const int i = int(words.indexOf(args.first()));
    if (i < 0) throw ArgumentError(u"unknown view: %1 (%2 takes %3)"_s.arg(args.first(), report, takes));
    return i;
}

const QList<Entry>& entries()
{
    static const QList<Entry> list{
        viewEntry<ContractsList>(u"contracts"_s, ContractViews, u"the contracts of a view, highest number first"_s),
        {u"persons"_s, QString(), u"every person by last name"_s,
         [](Shop& shop, const QStringList& args) -> std::unique_ptr<ShopReport> {
             noArguments(u"persons"_s, args);
             auto report = std::make_unique<PersonsList>(shop);
             report->Start();
             return report;
         }},
        viewEntry<GoodsList>(u"goods"_s, GoodsViews, u"the pledged goods of a view, highest contract number first"_s),
        {u"expired-for"_s, u"BIRTHNUM"_s, u"the expired contracts of one pledger (nothing when there are none)"_s,
         [](Shop& shop, const QStringList& args) -> std::unique_ptr<ShopReport> {
             const QString birthNumber = oneArgument(u"expired-for"_s, args, u"a birth number"_s);
             const auto pledger = PledgerExpiredList::findPledger(shop, birthNumber);
             if (!pledger) return nullptr;
             auto report = std::make_unique<PledgerExpiredList>(shop);
             if (!report->Start(birthNumber, *pledger)) return nullptr;
             return report;
         }},
        {u"profile"_s, u"BIRTHNUM"_s,
         u"one person: who they are, each of their contracts and the figures of what the shop lent and earned"_s,
         [](Shop& shop, const QStringList& args) -> std::unique_ptr<ShopReport> {
             const QString birthNumber = oneArgument(u"profile"_s, args, u"a birth number"_s);
             auto report = std::make_unique<PersonProfile>(shop);
             if (!report->Start(birthNumber)) return nullptr;
             return report;
         }},
        {u"expiry"_s, u"DATE"_s, u"the contracts due on the day, with the pledger and the goods"_s,
         [](Shop& shop, const QStringList& args) -> std::unique_ptr<ShopReport> {
             const QDate day = dateArgument(oneArgument(u"expiry"_s, args, u"a date"_s));
             auto report = std::make_unique<ExpiringList>(shop);
             report->Start(day);
             return report;
         }},
        {u"income"_s, u"FROM TO"_s,
         u"refills the work table Prijvyd.dbf with the cash movements of the period (both days included) and "
         u"prints the statement"_s,
         [](Shop& shop, const QStringList& args) -> std::unique_ptr<ShopReport> {
             atMost(2, u"income"_s, args, u"two dates, from and to"_s);
             if (args.size() != 2) throw ArgumentError(u"income takes two dates, from and to"_s);
             const QDate from = dateArgument(args.at(0)), to = dateArgument(args.at(1));
             auto report = std::make_unique<IncomeExpenseList>(shop);
             report->Start(from, to);
             return report;
         }},
        {u"audit"_s, u"FROM TO"_s, u"the trail of changes of the period, \"Zmeny záznamov\""_s,
         [](Shop& shop, const QStringList& args) -> std::unique_ptr<ShopReport> {
             atMost(2, u"audit"_s, args, u"two dates, from and to"_s);
             if (args.size() != 2) throw ArgumentError(u"audit takes two dates, from and to"_s);
             const QDate from = dateArgument(args.at(0)), to = dateArgument(args.at(1));
             auto report = std::make_unique<ChangesList>(shop);
             report->Start(from, to);
             return report;
         }},
    };
    return list;
}

const Entry* find(const QString& name)
{
    for (const Entry& e : entries())
        if (e.name == name) return &e;
    return nullptr;
}

} // namespace ReportCatalog
