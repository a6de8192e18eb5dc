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
template <class List> Entry viewEntry(const QString& name, const QStringList& views)
{
    return {name, views.join(u'|'), [name, views](Shop& shop, const QStringList& args) -> std::unique_ptr<ShopReport> {
                const int mode = choice(name, args, views);
                auto report = std::make_unique<List>(shop);
                report->Start(mode);
                return report;
            }};
}

} // namespace

void noArguments(const QString& report, const QStringList& args)
{
    if (!args.isEmpty()) throw ArgumentError(u"%1 takes no arguments"_s.arg(report));
}

QString oneArgument(const QString& report, const QStringList& args, const QString& what)
{
    if (args.size() != 1) throw ArgumentError(u"%1 takes %2"_s.arg(report, what));
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
    const int i = args.size() == 1 ? int(words.indexOf(args.first())) : -1;
    if (i < 0) throw ArgumentError(u"%1 takes one of %2"_s.arg(report, words.join(u'|')));
    return i;
}

const QList<Entry>& entries()
{
    static const QList<Entry> list{
        viewEntry<ContractsList>(u"contracts"_s, ContractViews),
        {u"persons"_s, QString(),
         [](Shop& shop, const QStringList& args) -> std::unique_ptr<ShopReport> {
             noArguments(u"persons"_s, args);
             auto report = std::make_unique<PersonsList>(shop);
             report->Start();
             return report;
         }},
        viewEntry<GoodsList>(u"goods"_s, GoodsViews),
        {u"expired-for"_s, u"BIRTHNUM"_s,
         [](Shop& shop, const QStringList& args) -> std::unique_ptr<ShopReport> {
             const QString birthNumber = oneArgument(u"expired-for"_s, args, u"a birth number"_s);
             const auto pledger = PledgerExpiredList::findPledger(shop, birthNumber);
             if (!pledger) return nullptr;
             auto report = std::make_unique<PledgerExpiredList>(shop);
             if (!report->Start(birthNumber, *pledger)) return nullptr;
             return report;
         }},
        {u"profile"_s, u"BIRTHNUM"_s,
         [](Shop& shop, const QStringList& args) -> std::unique_ptr<ShopReport> {
             const QString birthNumber = oneArgument(u"profile"_s, args, u"a birth number"_s);
             auto report = std::make_unique<PersonProfile>(shop);
             if (!report->Start(birthNumber)) return nullptr;
             return report;
         }},
        {u"expiry"_s, u"DATE"_s,
         [](Shop& shop, const QStringList& args) -> std::unique_ptr<ShopReport> {
             const QDate day = dateArgument(oneArgument(u"expiry"_s, args, u"a date"_s));
             auto report = std::make_unique<ExpiringList>(shop);
             report->Start(day);
             return report;
         }},
        {u"income"_s, u"FROM TO"_s,
         [](Shop& shop, const QStringList& args) -> std::unique_ptr<ShopReport> {
             if (args.size() != 2) throw ArgumentError(u"income takes two dates, from and to"_s);
             const QDate from = dateArgument(args.at(0)), to = dateArgument(args.at(1));
             auto report = std::make_unique<IncomeExpenseList>(shop);
             report->Start(from, to);
             return report;
         }},
        {u"audit"_s, u"FROM TO"_s,
         [](Shop& shop, const QStringList& args) -> std::unique_ptr<ShopReport> {
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
