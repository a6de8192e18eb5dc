#pragma once

#include <QString>
#include <optional>

// The money a store counts in: whole Slovak crowns (also every store that records none), or euros with cents.
enum class Currency { Skk, Eur };

inline QString currencyCode(Currency c)
{
    return c == Currency::Eur ? QStringLiteral("EUR") : QStringLiteral("SKK");
}

// The currency of a code as stored or typed ("EUR", "skk"); nothing for any other text.
inline std::optional<Currency> currencyOf(const QString& code)
{
    if (code.compare(QLatin1StringView("EUR"), Qt::CaseInsensitive) == 0) return Currency::Eur;
    if (code.compare(QLatin1StringView("SKK"), Qt::CaseInsensitive) == 0) return Currency::Skk;
    return std::nullopt;
}
