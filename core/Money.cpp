#include "core/Money.h"

#include "store/Values.h"
#include "store/engine/Errors.h"

#include <cmath>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace {

// value * factor / divisor (> 0) to the nearest integer, a half away from zero; raises past the 64-bit range.
qint64 scaled(qint64 value, qint64 factor, qint64 divisor)
{
    qint64 numerator = 0;
    if (__builtin_mul_overflow(value, factor, &numerator) || numerator == std::numeric_limits<qint64>::min())
        throw ConversionError::invalidInteger(Values::generalNumberText(double(value) * double(factor) / 100.0));
    const quint64 magnitude = numerator < 0 ? quint64(-numerator) : quint64(numerator);
    const quint64 q = magnitude / quint64(divisor) + (magnitude % quint64(divisor) * 2 >= quint64(divisor) ? 1 : 0);
    return numerator < 0 ? -qint64(q) : qint64(q);
}

} // namespace

Money Money::fromWhole(qint64 units)
{
    qint64 cents = 0;
    if (__builtin_mul_overflow(units, qint64(100), &cents))
        throw ConversionError::invalidInteger(QString::number(units));
    return fromCents(cents);
}

Money Money::fromStored(double value, Currency currency)
{
    if (currency == Currency::Skk) return fromWhole(Values::roundCrowns(value));
    const double hundredths = value * 100.0;
    constexpr double Limit = 9007199254740992.0; // 2^53: every whole number below it is exact in a double
    if (!(std::abs(hundredths) <= Limit)) throw ConversionError::invalidInteger(Values::generalNumberText(value));
    return fromCents(std::llround(hundredths)); // llround: a half away from zero
}

std::optional<Money> Money::parse(const QString& text, Currency currency, int digits)
{
    if (currency == Currency::Eur) {
        const auto cents = Values::parseCents(text, digits);
        return cents ? std::optional(fromCents(*cents)) : std::nullopt;
    }
    const auto crowns = Values::wholeNumber(text);
    if (!crowns || *crowns < 0 || text.contains(u'+') || QString::number(*crowns).size() > (digits > 0 ? digits : 15))
        return std::nullopt;
    return fromWhole(*crowns);
}

QString Money::text(Currency currency) const
{
    if (currency == Currency::Eur) return Values::centsText(m_cents);
    // A crown figure is whole unless computed (a percent of crowns): then as the crown store always wrote it.
    if (m_cents % 100 == 0) return QString::number(m_cents / 100);
    return Values::generalNumberText(double(m_cents) / 100.0);
}

QString Money::withUnit(Currency currency) const
{
    return text(currency) + currencyUnit(currency);
}

Money Money::operator+(Money other) const
{
    qint64 sum = 0;
    if (__builtin_add_overflow(m_cents, other.m_cents, &sum))
        throw ConversionError::invalidInteger(Values::generalNumberText(stored() + other.stored()));
    return fromCents(sum);
}

Money Money::operator-(Money other) const
{
    qint64 difference = 0;
    if (__builtin_sub_overflow(m_cents, other.m_cents, &difference))
        throw ConversionError::invalidInteger(Values::generalNumberText(stored() - other.stored()));
    return fromCents(difference);
}

Money Money::percentOf(qint64 percent) const
{
    return fromCents(scaled(m_cents, percent, 100));
}

Money Money::crownsToEuro() const
{
    // c / 30.1260 as the exact fraction c * 10000 / 301260: never through a rounded inverse of the rate.
    return fromCents(scaled(m_cents, 10000, 301260));
}

QString currencyUnit(Currency currency)
{
    return currency == Currency::Eur ? u" €"_s : u" Sk"_s;
}
