#include "core/ContractRules.h"

#include "store/Values.h"
#include "store/engine/Errors.h"

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

std::optional<Money> RepayTotal(const QString& amountText, const QString& percentText, Currency currency)
{
    const auto percent = Values::wholeNumber(percentText);
    if (!percent) return std::nullopt;
    Money amount;
    if (currency == Currency::Eur) {
        const auto cents = Values::parseCents(amountText, 0);
        if (!cents) throw ConversionError::invalidInteger(amountText);
        amount = Money::fromCents(*cents);
    } else {
        amount = Money::fromWhole(Values::integerFromText(amountText));
    }
    return amount + amount.percentOf(*percent);
}

std::optional<double> TotalToRepay(const QString& amountText, const QString& percentText)
{
    const auto total = RepayTotal(amountText, percentText, Currency::Skk);
    if (!total) return std::nullopt;
    return total->stored();
}

std::optional<QString> TotalToRepayText(const QString& amountText, const QString& percentText, Currency currency)
{
    const auto total = RepayTotal(amountText, percentText, currency);
    if (!total) return std::nullopt;
    return total->text(currency);
}

NetIncomeResult NetIncome(double amount, bool paid, double paidSum, bool extended,
                          const QList<double>& extensionPayments, const QList<double>& itemSales, Currency currency)
{
    NetIncomeResult result;
    const auto list = [&result](Money money) {
        result.amounts.append(money);
        result.items.append(money.cents() / 100);
    };
    result.total = -Money::fromStored(amount, currency);
    list(result.total); // the loan is listed even when it is 0
    const auto count = [&](double value) {
        const Money money = Money::fromStored(value, currency);
        if (money == Money()) return;
        result.total += money;
        list(money);
    };
    if (extended)
        for (double payment : extensionPayments)
            count(payment);
    for (double sale : itemSales)
        count(sale);
    if (paid) count(paidSum);
    result.net = result.total.cents() / 100;
    return result;
}

Money ExtensionFee(const QString& percentText, const QString& amountText, Currency currency)
{
    const qint64 percent = Values::wholeNumber(percentText).value_or(0);
    const Money amount = currency == Currency::Eur ? Money::fromCents(Values::parseCents(amountText, 0).value_or(0))
                                                   : Money::fromWhole(Values::wholeNumber(amountText).value_or(0));
    return amount.percentOf(percent);
}

double ExtensionCharge(const QString& percentText, const QString& amountText)
{
    return ExtensionFee(percentText, amountText, Currency::Skk).stored();
}

QString ExtensionChargeText(const QString& percentText, const QString& amountText, Currency currency)
{
    // Shown while the clerk types: an amount or percent whose fee lies past the range of cents shows no fee
    // rather than ending the program from inside the box's change signal.
    try {
        return ExtensionFee(percentText, amountText, currency).text(currency);
    } catch (const ConversionError&) {
        return {};
    }
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
