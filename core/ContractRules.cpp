#include "core/ContractRules.h"

#include "store/Values.h"

#include <QtNumeric>
#include <algorithm>

namespace ContractRules {

namespace {

// An empty date is earlier than any day, so a contract with no due date is never still running.
bool runsOn(const QDate& dueDate, const QDate& today)
{
    return dueDate.isValid() && today <= dueDate;
}

} // namespace

QString NextContractNumber(const QString& highestNumber, const QDate& today)
{
    // Positions 4 to 8 hold the serial; anything there that is not a number restarts it.
    const auto last = Values::wholeNumber(highestNumber.mid(3, 5));
    qint64 serial = last ? *last + 1 : 1;
    // A hand-typed negative serial cannot be written in five digits either.
    if (serial < 1 || serial > 99999) serial = 1;
    const QString year = QString::number(today.year()).rightJustified(4, u'0').right(2);
    return year + u'/' + QString::number(serial).rightJustified(5, u'0');
}

std::optional<QString> DueDateFromWeeks(const QString& agreementDateText, const QString& weeksText)
{
    const auto weeks = Values::wholeNumber(weeksText);
    if (!weeks || *weeks < 0) return std::nullopt; // no term ends before its contract was written
    const QDate agreed = Values::dateFromText(agreementDateText);
    // A due date that the date boxes cannot hold (before the year 1 or past 9999) is no proposal: the
    // box would cut it and the contract could not be stored.
    const auto inBoxYears = [](const QDate& d) { return d.isValid() && d.year() >= 1 && d.year() <= 9999; };
    // Four weeks is how the shop sells "one month"; the customer expects the same day of the month.
    if (*weeks == 4) {
        if (!inBoxYears(agreed.addMonths(1))) return std::nullopt;
        return SameDayNextMonth(agreed);
    }
    qint64 days = 0;
    if (qMulOverflow(*weeks, qint64(7), &days)) return std::nullopt;
    const QDate due = agreed.addDays(days);
    if (!inBoxYears(due)) return std::nullopt;
    return Values::shortDateText(due);
}

QString SameDayNextMonth(const QDate& date)
{
    if (!date.isValid()) return {};
    // addMonths keeps the day where the month has it and takes the month's last day otherwise
    // (31 January -> 28 or 29 February), so the proposal can always be stored.
    return Values::monthStepDateText(date.addMonths(1));
}

std::optional<double> TotalToRepay(const QString& amountText, const QString& percentText)
{
    const auto percent = Values::wholeNumber(percentText);
    if (!percent) return std::nullopt;
    const qint64 amount = Values::integerFromText(amountText);
    // The product of a six-digit amount and a two-digit percent is exact in a double.
    return double(amount) + double(amount) * double(*percent) / 100.0;
}

std::optional<QString> TotalToRepayText(const QString& amountText, const QString& percentText)
{
    const auto total = TotalToRepay(amountText, percentText);
    if (!total) return std::nullopt;
    return Values::generalNumberText(*total);
}

NetIncomeResult NetIncome(double amount, bool paid, double paidSum, bool extended,
                          const QList<double>& extensionPayments, const QList<double>& itemSales)
{
    NetIncomeResult result;
    result.net = -Values::roundCrowns(amount);
    result.items.append(result.net); // the loan is listed even when it is 0
    const auto count = [&result](double money) {
        const qint64 crowns = Values::roundCrowns(money);
        if (crowns != 0) {
            result.net = Values::addCrowns(result.net, crowns);
            result.items.append(crowns);
        }
    };
    if (extended)
        for (double payment : extensionPayments)
            count(payment);
    for (double sale : itemSales)
        count(sale);
    if (paid) count(paidSum);
    return result;
}

double ExtensionCharge(const QString& percentText, const QString& amountText)
{
    const qint64 percent = Values::wholeNumber(percentText).value_or(0);
    const qint64 amount = Values::wholeNumber(amountText).value_or(0);
    return double(percent) * double(amount) / 100.0;
}

QString ExtensionChargeText(const QString& percentText, const QString& amountText)
{
    return Values::generalNumberText(ExtensionCharge(percentText, amountText));
}

bool IsCurrent(bool paid, bool forfeited, const QDate& until, bool extended, const QList<QDate>& extensionDueDates,
               const QDate& today)
{
    if (paid || forfeited) return false;
    if (runsOn(until, today)) return true;
    if (!extended) return false;
    return std::any_of(extensionDueDates.cbegin(), extensionDueDates.cend(),
                       [&today](const QDate& due) { return runsOn(due, today); });
}

bool IsExpired(bool paid, bool forfeited, const QDate& until, bool extended, const QList<QDate>& extensionDueDates,
               const QDate& today)
{
    if (paid || forfeited) return false;
    if (runsOn(until, today)) return false;
    if (!extended) return true;
    // Marked extended but no extension recorded: the register cannot tell, so it is in neither view.
    if (extensionDueDates.isEmpty()) return false;
    return std::none_of(extensionDueDates.cbegin(), extensionDueDates.cend(),
                        [&today](const QDate& due) { return runsOn(due, today); });
}

} // namespace ContractRules
