#pragma once

#include "core/Money.h"

#include <QDate>
#include <QList>
#include <QString>
#include <optional>

// The rule book of a pawn contract: pure functions over the values the windows hold. Texts are the
// texts of edit boxes; an invalid QDate stands for an empty date field, which is earlier than any day.
// Nothing here reads a table or the clock: today is always passed in.
namespace ContractRules {

// Proposes the number of a new contract (YY/NNNNN) after the highest existing one (empty when there
// is none). The serial runs on across years and starts again at 1 after 99999.
QString NextContractNumber(const QString& highestNumber, const QDate& today);

// The due date of a contract written on agreementDateText for weeksText weeks, as date text; no result
// when the term is not a whole number of weeks from 0 (or runs off the calendar). Four weeks mean one calendar month.
// Throws ConversionError when the contract date is not a valid date.
std::optional<QString> DueDateFromWeeks(const QString& agreementDateText, const QString& weeksText);

// The same day one month later as month-step text (" 6. 1.2027"), limited to the last day of that
// month so that it is always a real date. Empty for an empty date.
QString SameDayNextMonth(const QDate& date);

// What the pledger pays back: the amount plus the percent of it, charged once for the whole term, rounded to the
// cent (a half away from zero). No result when the percent is not a whole number; throws ConversionError when the
// amount is no whole number of crowns (a crown store) or no amount in euros with at most two decimals.
std::optional<Money> RepayTotal(const QString& amountText, const QString& percentText, Currency currency);
std::optional<double> TotalToRepay(const QString& amountText, const QString& percentText);
// As the box shows it: "1150,00" in a euro store, "366,3" in a crown store.
std::optional<QString> TotalToRepayText(const QString& amountText, const QString& percentText,
                                        Currency currency = Currency::Skk);

struct NetIncomeResult
{
    qint64 net = 0;
    QList<qint64> items; // the lent amount (negated) first, then every sum that counted: in whole crowns
    Money total;         // the same in the store's money, for a euro store's cents too
    QList<Money> amounts;
};

// What the shop has gained on a contract: minus the lent amount, plus extension payments (only when
// the contract is marked extended), sales of its goods and the paid sum (only when marked paid).
// Money comes in as read from the numeric fields, an empty field as 0; each sum is rounded as Money::fromStored
// rounds it. A sum no cent count holds, or a total beyond the 64-bit range, raises ConversionError.
NetIncomeResult NetIncome(double amount, bool paid, double paidSum, bool extended,
                          const QList<double>& extensionPayments, const QList<double>& itemSales,
                          Currency currency = Currency::Skk);

// The fee for one extension: percent of the contract amount, rounded to the cent; a text that is no whole number
// (a percent, or a crown store's amount) or no euro amount counts as 0.
Money ExtensionFee(const QString& percentText, const QString& amountText, Currency currency);
double ExtensionCharge(const QString& percentText, const QString& amountText);
QString ExtensionChargeText(const QString& percentText, const QString& amountText, Currency currency = Currency::Skk);

// Whether a contract is before expiry: not paid, not forfeited, and due today or later itself or, when
// extended, through one of its extensions (extensionDueDates in extension order).
bool IsCurrent(bool paid, bool forfeited, const QDate& until, bool extended, const QList<QDate>& extensionDueDates,
               const QDate& today);

// Whether a contract is past expiry. An extended contract without any extension is neither current
// nor expired.
bool IsExpired(bool paid, bool forfeited, const QDate& until, bool extended, const QList<QDate>& extensionDueDates,
               const QDate& today);

} // namespace ContractRules
