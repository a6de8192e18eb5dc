#include "reports/IncomeExpenseList.h"

#include "core/Money.h"
#include "core/Shop.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/Values.h"
#include "store/engine/Names.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double SumsY = 2;
constexpr double TotalsCaptionY = 12.7;
constexpr double TotalsY = 19;
constexpr double CountsTop = 32;

} // namespace

IncomeExpenseList::IncomeExpenseList(Shop& shop, QObject* parent)
    : ListReport(shop, u"IncomeExpenseList"_s, Tab::PrijvydDbf, Col::DATE,
                 {u"Príjmy / Výdaje"_s, u"Príjmy a výdaje za obdobie:"_s, 28.3, 21, 8.5, ReportFont::italic()}, parent)
{
    addColumn(2, u"Zmluva"_s, Col::NUMBER);
    addColumn(19, u"Podpísaná dňa"_s, Col::DATE);
    addColumn(44, u"Záložná suma"_s, Col::AMOUNT);
    addColumn(70, u"Úhrada"_s, Col::PAID_SUM);
    addColumn(95, u"Úrok"_s, Col::X_PAID);
    addColumn(121, u"Predaj"_s, Col::PRED_SUMA);

    Summary = &QuickRep1.addBand(ReportBand::Kind::Summary, 59.3);
    Summary->lineTop = true;
    SignedSum = &Summary->addLabel(44, SumsY).named(u"SignedSum"_s);
    PaidSum = &Summary->addLabel(70, SumsY).named(u"PaidSum"_s);
    InterestSum = &Summary->addLabel(95, SumsY).named(u"InterestSum"_s);
    SalesSum = &Summary->addLabel(121, SumsY).named(u"SalesSum"_s);
    Summary->addLine(8.5);
    const ReportFont bold = ReportFont::bold(12);
    const struct
    {
        double x;
        QString caption;
        ReportItem** value;
        const char* name;
    } totalsColumns[] = {{45, u"Výdaje"_s, &MoneyOut, "MoneyOut"},
                         {95, u"Príjmy"_s, &MoneyIn, "MoneyIn"},
                         {144, u"Rozdiel"_s, &Difference, "Difference"}};
    for (const auto& t : totalsColumns) {
        Summary->addLabel(t.x, TotalsCaptionY, t.caption).named(u"Caption"_s);
        *t.value = &Summary->addLabel(t.x, TotalsY).named(QString::fromLatin1(t.name)).withFont(bold);
    }
    Summary->addLine(27.5);
    const struct
    {
        double y;
        QString caption;
        ReportItem** value;
        const char* name;
    } counts[] = {{CountsTop, u"Počet uzatvorených zmlúv:"_s, &SignedCount, "SignedCount"},
                  {38, u"Počet vyplatených zmlúv:"_s, &PaidCount, "PaidCount"},
                  {44, u"Počet zaplatených úrokov:"_s, &InterestCount, "InterestCount"},
                  {51, u"Počet predaných predmetov:"_s, &SalesCount, "SalesCount"}};
    for (const auto& c : counts) {
        Summary->addLabel(2, c.y, c.caption).named(u"Caption"_s);
        *c.value = &Summary->addLabel(51, c.y).named(QString::fromLatin1(c.name));
    }
}

void IncomeExpenseList::Start(const QDate& from, const QDate& to)
{
    {
        const auto working = shop().busy(true);
        totals = IncomeExpense::fill(*Table1, *shop().Table1, *shop().Table3, *shop().Table4, from, to);
    }
    const Currency currency = shop().store().currency();
    const auto figure = [currency](qint64 units) { return Money::fromUnits(units, currency).text(currency); };
    const auto withCurrency = [currency](qint64 units) { return Money::fromUnits(units, currency).withUnit(currency); };
    const qint64 in = totals.moneyIn(), difference = totals.difference();
    setHeading(u"od "_s + Values::shortDateText(from) + u" do "_s + Values::shortDateText(to));
    SignedSum->text = figure(totals.signedSum);
    PaidSum->text = figure(totals.paidSum);
    InterestSum->text = figure(totals.interestSum);
    SalesSum->text = figure(totals.salesSum);
    MoneyOut->text = withCurrency(totals.moneyOut());
    MoneyIn->text = withCurrency(in);
    Difference->text = withCurrency(difference);
    SignedCount->text = QString::number(totals.signedCount);
    PaidCount->text = QString::number(totals.paidCount);
    InterestCount->text = QString::number(totals.interestCount);
    SalesCount->text = QString::number(totals.salesCount);
}
