#include "core/ContractRules.h"
#include "fuzz/Check.h"
#include "store/Values.h"
#include "store/engine/Errors.h"

#include <QString>
#include <cmath>
#include <cstring>
#include <fuzzer/FuzzedDataProvider.h>
#include <limits>

// The conversions behind every date and number box: any text is read or refused, never a crash, and
// whatever is read writes back to a text that reads as the same value.
namespace {

// Whether a whole amount in cents and its product with a whole percent stay within 64 bits.
bool centsFit(const QString& amount, const QString& percent)
{
    const auto fits = [](__int128 v) {
        return v > std::numeric_limits<qint64>::min() && v <= std::numeric_limits<qint64>::max();
    };
    const __int128 cents = __int128(Values::wholeNumber(amount).value_or(0)) * 100;
    return fits(cents) && fits(cents * Values::wholeNumber(percent).value_or(0));
}

void dates(const QString& text)
{
    (void)Values::isEmptyDateText(text);
    const auto date = Values::parseDate(text);
    try {
        FUZZ_CHECK(Values::dateFromText(text) == date);
    } catch (const ConversionError&) {
        FUZZ_CHECK(!date);
    }
    if (!date) return;
    FUZZ_CHECK(date->isValid());
    FUZZ_CHECK(Values::parseDate(Values::shortDateText(*date)) == date);
    FUZZ_CHECK(Values::parseDate(Values::monthStepDateText(*date)) == date);
}

void integers(const QString& text)
{
    const auto value = Values::wholeNumber(text);
    try {
        FUZZ_CHECK(Values::integerFromText(text) == value);
    } catch (const ConversionError&) {
        FUZZ_CHECK(!value);
    }
    if (value) FUZZ_CHECK(Values::wholeNumber(QString::number(*value)) == value);
}

// Whole crowns of any stored number: the nearest whole number, or the conversion message.
void crowns(double value)
{
    try {
        const qint64 whole = Values::roundCrowns(value);
        FUZZ_CHECK(std::abs(double(whole) - value) <= 0.5);
    } catch (const ConversionError&) {
        FUZZ_CHECK(!(std::abs(value) <= 9007199254740992.0));
    }
}

// A written number reads back as itself within its 15 significant digits, when it reads at all.
void writesBack(double value)
{
    const QString text = Values::generalNumberText(value);
    FUZZ_CHECK(!text.isEmpty());
    if (!std::isfinite(value)) return;
    const auto again = Values::parseNumber(text);
    if (again) FUZZ_CHECK(std::abs(*again - value) <= std::abs(value) * 1e-14);
}

void numbers(const QString& text, int digits)
{
    const auto value = Values::parseNumber(text);
    // A box's entry is a number of the store's form too, no bigger than the box's digits allow.
    if (const auto entry = Values::parseEntry(text, digits)) {
        FUZZ_CHECK(value == entry);
        FUZZ_CHECK(*entry >= 0);
        if (digits > 0) FUZZ_CHECK(*entry < std::pow(10.0, digits));
    }
    if (!value) return;
    FUZZ_CHECK(std::isfinite(*value));
    writesBack(*value);
    crowns(*value);
}

// What the contracts and extensions windows work out from their boxes as the clerk leaves them.
void boxRules(const QString& first, const QString& second)
{
    try {
        // A proposed due date is one the date box can store.
        if (const auto due = ContractRules::DueDateFromWeeks(first, second))
            FUZZ_CHECK(Values::parseDate(*due).has_value());
    } catch (const ConversionError&) {
        FUZZ_CHECK(!Values::parseDate(first));
    }
    try {
        if (const auto total = ContractRules::TotalToRepayText(first, second)) FUZZ_CHECK(!total->isEmpty());
    } catch (const ConversionError&) {
        // Refused only for an amount that is no whole number, or one whose percent leaves the range of cents.
        FUZZ_CHECK(!Values::wholeNumber(first) || !centsFit(first, second));
    }
    // No fee is shown exactly where the amount in cents, or its product with the percent, leaves 64 bits.
    FUZZ_CHECK(ContractRules::ExtensionChargeText(first, second).isEmpty() == !centsFit(second, first));
    const QString number = ContractRules::NextContractNumber(first, QDate(2026, 12, 7));
    FUZZ_CHECK(number.size() == 8 && number.startsWith(u"26/"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const int choice = input.ConsumeIntegralInRange(0, 5);
    const int digits = input.ConsumeIntegralInRange(0, 12); // the entry limit of a box, 0 for none
    switch (choice) {
    case 0: {
        const std::string bytes = input.ConsumeRemainingBytesAsString();
        const QString text = QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
        dates(text);
        integers(text);
        numbers(text, digits);
        break;
    }
    case 1: { // what a paste from another program may hold: any UTF-16, lone surrogates too
        const std::string bytes = input.ConsumeRemainingBytesAsString();
        QString text(qsizetype(bytes.size() / 2), Qt::Uninitialized);
        std::memcpy(text.data(), bytes.data(), size_t(text.size()) * sizeof(QChar));
        dates(text);
        integers(text);
        numbers(text, digits);
        break;
    }
    case 2: { // any stored double, infinities and NaN included
        double value = 0;
        const std::string bytes = input.ConsumeBytesAsString(sizeof value);
        std::memcpy(&value, bytes.data(), std::min(bytes.size(), sizeof value));
        writesBack(value);
        crowns(value);
        break;
    }
    case 3: { // any day a date field can hold
        const QDate date = QDate::fromJulianDay(input.ConsumeIntegral<qint64>() % 4'000'000);
        const QString text = Values::shortDateText(date);
        if (date.isValid() && date.year() >= 1 && date.year() <= 9999) FUZZ_CHECK(Values::parseDate(text) == date);
        (void)Values::parseDate(Values::monthStepDateText(date));
        break;
    }
    case 5: { // sums of crowns: exact, or the conversion message, never wrapped round
        const qint64 a = input.ConsumeIntegral<qint64>(), b = input.ConsumeIntegral<qint64>();
        const __int128 exact = __int128(a) + b;
        const bool fits = exact >= std::numeric_limits<qint64>::min() && exact <= std::numeric_limits<qint64>::max();
        try {
            const qint64 sum = Values::addCrowns(a, b);
            FUZZ_CHECK(fits && sum == qint64(exact));
        } catch (const ConversionError&) {
            FUZZ_CHECK(!fits);
        }
        break;
    }
    case 4: {
        const std::string first = input.ConsumeRandomLengthString(64);
        const std::string second = input.ConsumeRemainingBytesAsString();
        boxRules(QString::fromUtf8(first.data(), qsizetype(first.size())),
                 QString::fromUtf8(second.data(), qsizetype(second.size())));
        break;
    }
    }
    return 0;
}
