#pragma once

#include <QDate>
#include <QString>
#include <optional>

// Value conventions shared by the store, the rules and the windows. They never depend on the
// machine's locale: dates are d.M.yyyy and numbers use the decimal comma.
namespace Values {

// Decimal integer with an optional sign; leading blanks allowed, nothing else.
std::optional<qint64> wholeNumber(const QString& text);

// Rounds to whole crowns, a half going to the even neighbour (2.5 -> 2, 3.5 -> 4). A value that counts
// no whole crowns exactly (beyond 2^53, infinite or no number) raises "'%s' is not a valid integer value".
qint64 roundCrowns(double value);

// A sum of crowns; raises the same message when it leaves the 64-bit range instead of wrapping round.
qint64 addCrowns(qint64 a, qint64 b);
// a - b, checked the same way.
qint64 subtractCrowns(qint64 a, qint64 b);

// Shortest form with at most 15 significant digits, decimal comma, no trailing zeros (366,3).
QString generalNumberText(double value);

// Number text as the store writes it: optional sign, digits, decimal comma, exponent; blanks around
// allowed; never infinite or no number.
std::optional<double> parseNumber(const QString& text);

// A sum or percent typed into a box: digits with an optional decimal comma, blanks around allowed, at
// most `digits` digits before the comma (0: no limit). No sign, no exponent.
std::optional<double> parseEntry(const QString& text, int digits);

// A count of cents as euros with two decimals and a decimal comma, no thousands separator ("1500,30", "-0,50").
QString centsText(qint64 cents);

// A euro amount typed into a box, in cents: digits (at most `digits` before the comma), an optional comma and at
// most two decimals, blanks around allowed; no sign, no point, no exponent.
std::optional<qint64> parseCents(const QString& text, int digits);

// d.M.yyyy (6.12.2026); empty for an invalid date.
QString shortDateText(const QDate& date);

// Day and month right-aligned in two places with a blank: " 6. 1.2027".
QString monthStepDateText(int day, int month, int year);
QString monthStepDateText(const QDate& date);

// Reads d.M.yyyy, blanks allowed inside the parts (" 6. 1.2027"); nullopt when it is no real date.
std::optional<QDate> parseDate(const QString& text);

// A masked date box with no digit in it ("  .  .    ").
bool isEmptyDateText(const QString& text);

// Like parseDate but raises "'%s' is not a valid date".
QDate dateFromText(const QString& text);
// The same for a box read as a date and time: raises "'%s' is not a valid date and time".
QDate dateFromDateTimeText(const QString& text);

// Like wholeNumber but raises "'%s' is not a valid integer value".
qint64 integerFromText(const QString& text);

} // namespace Values
