#pragma once

#include "store/Currency.h"

#include <QString>
#include <compare>
#include <optional>

// An amount of money as a signed count of cents (a crown store's amounts are whole crowns, 100 cents each).
// Sums, percentages and comparisons are integer arithmetic; a result beyond the 64-bit range raises
// ConversionError rather than wrapping round. Stored values stay in the numeric columns: euros with two
// decimals, crowns whole.
class Money
{
public:
    constexpr Money() = default;
    static constexpr Money fromCents(qint64 cents)
    {
        Money m;
        m.m_cents = cents;
        return m;
    }
    static Money fromWhole(qint64 units); // whole crowns or euros

    constexpr qint64 cents() const { return m_cents; }
    // Figures that count the store's smallest unit (whole crowns, or cents in a euro store) as checked integers.
    static Money fromUnits(qint64 units, Currency currency)
    {
        return currency == Currency::Eur ? fromCents(units) : fromWhole(units);
    }
    constexpr qint64 units(Currency currency) const { return currency == Currency::Eur ? m_cents : m_cents / 100; }

    // A value as read from a numeric field: a euro store rounds value x 100 to the nearest cent (a half away from
    // zero), a crown store to whole crowns as it always has (a half to the even neighbour). A value no cent count
    // holds exactly (infinite, no number, beyond 2^53) raises "'%s' is not a valid integer value".
    static Money fromStored(double value, Currency currency);
    // What a numeric field stores: the amount in crowns or euros.
    double stored() const { return double(m_cents) / 100.0; }

    // An amount typed into a box: digits (at most `digits` before the decimal comma), in a euro store an optional
    // comma and at most two decimals; blanks around allowed, no sign. Nothing for any other text.
    static std::optional<Money> parse(const QString& text, Currency currency, int digits);

    // "1150,00" in a euro store, always two decimals and no thousands separator; whole crowns in a crown store
    // ("1150"; a fraction of a crown, which only a computed figure has, as "366,3").
    QString text(Currency currency) const;
    // The text with the unit: "12500,00 €", "12500 Sk".
    QString withUnit(Currency currency) const;

    Money operator+(Money other) const;
    Money operator-(Money other) const;
    Money operator-() const { return Money() - *this; }
    Money& operator+=(Money other) { return *this = *this + other; }
    auto operator<=>(const Money&) const = default;

    // percent % of the amount, rounded to the cent, a half away from zero.
    Money percentOf(qint64 percent) const;
    // The crown amount in euros at the fixed rate 30,1260 crowns to the euro, rounded to the cent: a half cent and
    // more away from zero, less towards it.
    Money crownsToEuro() const;

private:
    qint64 m_cents = 0;
};

// " Sk" or " €": what follows an amount wherever one is shown.
QString currencyUnit(Currency currency);
