#include "store/Values.h"

#include "store/engine/Errors.h"

#include <QHash>
#include <QRegularExpression>
#include <cmath>
#include <limits>

using namespace Qt::Literals::StringLiterals;

ConversionError ConversionError::invalidInteger(const QString& text)
{
    return ConversionError(u"'%1' is not a valid integer value"_s.arg(text));
}

ConversionError ConversionError::invalidIntegerForField(const QString& text, const QString& field)
{
    return ConversionError(u"'%1' is not a valid integer value for field '%2'"_s.arg(text, field));
}

ConversionError ConversionError::invalidFloatForField(const QString& text, const QString& field)
{
    return ConversionError(u"'%1' is not a valid floating point value for field '%2'"_s.arg(text, field));
}

ConversionError ConversionError::invalidBooleanForField(const QString& text, const QString& field)
{
    return ConversionError(u"'%1' is not a valid boolean value for field '%2'"_s.arg(text, field));
}

ConversionError ConversionError::invalidDate(const QString& text)
{
    return ConversionError(u"'%1' is not a valid date"_s.arg(text));
}

ConversionError ConversionError::invalidDateTime(const QString& text)
{
    return ConversionError(u"'%1' is not a valid date and time"_s.arg(text));
}

namespace Values {

std::optional<qint64> wholeNumber(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i) == u' ')
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    if (i == n) return std::nullopt;
    // Accumulated unsigned so that the whole range fits, the lowest negative value included.
    const quint64 limit = quint64(std::numeric_limits<qint64>::max()) + (negative ? 1 : 0);
    quint64 magnitude = 0;
    for (; i < n; ++i) {
        const QChar c = text.at(i);
        if (c < u'0' || c > u'9') return std::nullopt;
        const unsigned digit = c.unicode() - u'0';
        if (magnitude > (limit - digit) / 10) return std::nullopt;
        magnitude = magnitude * 10 + digit;
    }
    return negative ? qint64(0 - magnitude) : qint64(magnitude);
}

qint64 roundCrowns(double value)
{
    // Up to 2^53 a double holds every whole number; beyond it no figure in crowns is exact.
    constexpr double Limit = 9007199254740992.0;
    if (!(std::abs(value) <= Limit)) throw ConversionError::invalidInteger(generalNumberText(value));
    return static_cast<qint64>(std::nearbyint(value)); // default rounding mode is to nearest, ties to even
}

qint64 addCrowns(qint64 a, qint64 b)
{
    qint64 sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        throw ConversionError::invalidInteger(generalNumberText(double(a) + double(b)));
    return sum;
}

qint64 subtractCrowns(qint64 a, qint64 b)
{
    qint64 difference = 0;
    if (__builtin_sub_overflow(a, b, &difference))
        throw ConversionError::invalidInteger(generalNumberText(double(a) - double(b)));
    return difference;
}

QString generalNumberText(double value)
{
    if (value == 0) return u"0"_s; // also folds -0
    // Money has at most two decimals: written by hand, as grids format thousands of them. A value
    // that is exactly its whole hundredths has that as its 15-digit form too.
    if (std::abs(value) < 1e13) {
        const qint64 cents = std::llround(value * 100);
        if (double(cents) / 100 == value) {
            const qint64 whole = std::abs(cents) / 100;
            const int fraction = int(std::abs(cents) % 100);
            QString text = QString::number(value < 0 ? -whole : whole);
            if (value < 0 && whole == 0) text.prepend(u'-');
            if (fraction != 0) {
                text += u',' + QChar(u'0' + fraction / 10);
                if (fraction % 10 != 0) text += QChar(u'0' + fraction % 10);
            }
            return text;
        }
    }
    // 'g' with 15 digits is already the shortest form without trailing zeros.
    return QString::number(value, 'g', 15).replace(u'.', u',');
}

std::optional<double> parseNumber(const QString& text)
{
    static const QRegularExpression pattern(uR"(^\s*([+-]?)(\d*)(?:,(\d*))?(?:[eE]([+-]?\d+))?\s*$)"_s);
    const auto match = pattern.match(text);
    if (!match.hasMatch()) return std::nullopt;
    if (match.captured(2).isEmpty() && match.captured(3).isEmpty()) return std::nullopt;
    QString c = match.captured(1) + (match.captured(2).isEmpty() ? u"0"_s : match.captured(2));
    if (!match.captured(3).isEmpty()) c += u'.' + match.captured(3);
    if (!match.captured(4).isEmpty()) c += u'e' + match.captured(4);
    bool ok = false;
    const double v = c.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<double> parseEntry(const QString& text, int digits)
{
    static const QRegularExpression pattern(uR"(^ *(\d*)(?:,(\d*))? *$)"_s);
    const auto match = pattern.match(text);
    if (!match.hasMatch()) return std::nullopt;
    const QStringView whole = match.capturedView(1);
    const QStringView fraction = match.capturedView(2);
    if (whole.isEmpty() && fraction.isEmpty()) return std::nullopt;
    qsizetype first = 0; // leading zeros are no digits of the amount
    while (first < whole.size() - 1 && whole.at(first) == u'0')
        ++first;
    if (digits > 0 && whole.size() - first > digits) return std::nullopt;
    return parseNumber(text);
}

QString centsText(qint64 cents)
{
    const quint64 magnitude = cents < 0 ? 0 - quint64(cents) : quint64(cents);
    const int fraction = int(magnitude % 100);
    QString text = QString::number(magnitude / 100) + u',' + QChar(u'0' + fraction / 10) + QChar(u'0' + fraction % 10);
    return cents < 0 ? u'-' + text : text;
}

std::optional<qint64> parseCents(const QString& text, int digits)
{
    static const QRegularExpression pattern(uR"(^ *(\d*)(?:,(\d{0,2}))? *$)"_s);
    const auto match = pattern.match(text);
    if (!match.hasMatch()) return std::nullopt;
    QStringView whole = match.capturedView(1);
    const QStringView fraction = match.capturedView(2);
    if (whole.isEmpty() && fraction.isEmpty()) return std::nullopt;
    while (whole.size() > 1 && whole.front() == u'0') // leading zeros are no digits of the amount
        whole = whole.sliced(1);
    if (whole.size() > (digits > 0 ? std::min(digits, 15) : 15)) return std::nullopt;
    const qint64 units = whole.isEmpty() ? 0 : whole.toLongLong();
    const int hundredths = fraction.isEmpty() ? 0 : fraction.toInt() * (fraction.size() == 1 ? 10 : 1);
    return units * 100 + hundredths;
}

QString shortDateText(const QDate& date)
{
    if (!date.isValid()) return {};
    const int year = date.year();
    if (year < 0 || year > 9999) return u"%1.%2.%3"_s.arg(date.day()).arg(date.month()).arg(year, 4, 10, QChar(u'0'));
    // By hand: grids write a date in every row.
    char16_t text[10];
    qsizetype n = 0;
    auto number = [&text, &n](int value) {
        if (value >= 10) text[n++] = char16_t(u'0' + value / 10);
        text[n++] = char16_t(u'0' + value % 10);
    };
    number(date.day());
    text[n++] = u'.';
    number(date.month());
    text[n++] = u'.';
    for (int divisor = 1000; divisor > 0; divisor /= 10)
        text[n++] = char16_t(u'0' + year / divisor % 10);
    return QString(reinterpret_cast<const QChar*>(text), n);
}

QString monthStepDateText(int day, int month, int year)
{
    return u"%1.%2.%3"_s.arg(day, 2, 10, QChar(u' ')).arg(month, 2, 10, QChar(u' ')).arg(year, 4, 10, QChar(u'0'));
}

QString monthStepDateText(const QDate& date)
{
    return monthStepDateText(date.day(), date.month(), date.year());
}

std::optional<QDate> parseDate(const QString& text)
{
    const QStringList parts = text.split(u'.');
    if (parts.size() != 3) return std::nullopt;
    int numbers[3];
    for (int i = 0; i < 3; ++i) {
        const QString part = parts.at(i).trimmed();
        if (part.isEmpty() || part.size() > (i == 2 ? 4 : 2)) return std::nullopt;
        for (QChar c : part)
            if (c < u'0' || c > u'9') return std::nullopt;
        numbers[i] = part.toInt();
    }
    int year = numbers[2];
    if (parts.at(2).trimmed().size() <= 2)
        year += year < 50 ? 2000 : 1900; // two-digit years as a clerk would mean them
    const QDate date(year, numbers[1], numbers[0]);
    if (!date.isValid()) return std::nullopt;
    return date;
}

bool isEmptyDateText(const QString& text)
{
    for (QChar c : text)
        if (c.isDigit()) return false;
    return true;
}

QDate dateFromText(const QString& text)
{
    const auto date = parseDate(text);
    if (!date) throw ConversionError::invalidDate(text);
    return *date;
}

QDate dateFromDateTimeText(const QString& text)
{
    const auto date = parseDate(text);
    if (!date) throw ConversionError::invalidDateTime(text);
    return *date;
}

qint64 integerFromText(const QString& text)
{
    const auto value = wholeNumber(text);
    if (!value) throw ConversionError::invalidInteger(text);
    return *value;
}

} // namespace Values
