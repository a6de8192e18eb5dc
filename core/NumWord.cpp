#include "core/NumWord.h"

#include "store/Values.h"
#include "store/engine/Errors.h"

#include <limits>

#include <algorithm>
#include <stdexcept>

using namespace Qt::Literals::StringLiterals;

namespace NumWord {

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

int digitAt(QStringView digits, qsizetype index)
{
    return digits.at(index).unicode() - u'0';
}

bool allZeros(QStringView digits)
{
    return std::all_of(digits.begin(), digits.end(), [](QChar c) { return c == u'0'; });
}

QString milliardsWord(qsizetype length, QChar first)
{
    if (length == 10 && first == u'1') return u" miliarda "_s;
    if (length == 10 && first == u'2') return u" dve miliardy "_s;
    if (length == 10 && (first == u'3' || first == u'4')) return u" miliardy "_s;
    return u" miliárd "_s;
}

QString millionsWord(qsizetype length, QChar first)
{
    if (length == 7 && first == u'1') return u" milión "_s;
    if (length == 7 && first >= u'2' && first <= u'4') return u" milióny "_s;
    return u" miliónov "_s;
}

// Words of a non-negative number of up to twelve digits.
QString wordsOf(qint64 value)
{
    if (value == 0) return u"nula"_s;
    QString rest = QString::number(value);
    QString result;

    // Words the leading group of `rest` and its scale word, leaving the last `kept` digits. The forms
    // for a leading 1 or 2 ("tisíc", " milión ", "dvetisíc") already say the count. A group of three
    // zeros inside the number gets no scale word: 1 000 000 is a million, not a million and thousand.
    const auto scaleStep = [&](qsizetype kept, bool countImplied, const QString& scaleWord) {
        const QStringView group = QStringView(rest).first(rest.size() - kept);
        if (!allZeros(group)) {
            if (!countImplied) result += GroupInWords(group);
            result += scaleWord;
        }
        rest = rest.right(kept);
    };

    while (!rest.isEmpty()) {
        const qsizetype length = rest.size();
        const QChar first = rest.front();
        if (length >= 10) {
            scaleStep(9, length == 10 && (first == u'1' || first == u'2'), milliardsWord(length, first));
        } else if (length >= 7) {
            scaleStep(6, length == 7 && first == u'1', millionsWord(length, first));
        } else if (length >= 4) {
            const bool two = length == 4 && first == u'2';
            scaleStep(3, length == 4 && (first == u'1' || two), two ? u"dvetisíc"_s : u"tisíc"_s);
        } else {
            result += GroupInWords(rest);
            rest.clear();
        }
    }
    return result;
}

} // namespace

QString AmountInWords(qint32 amount)
{
    // Widened first, so that the lowest 32-bit amount has an absolute value too.
    const qint64 value = amount;
    if (value < 0) return u"mínus "_s + wordsOf(-value);
    return wordsOf(value);
}

QString EurosInWords(qint64 cents)
{
    if (cents < 0 || cents / 100 > std::numeric_limits<qint32>::max())
        throw ConversionError::invalidInteger(Values::centsText(cents));
    const qint32 euros = qint32(cents / 100);
    const qint32 rest = qint32(cents % 100);
    // A noun agrees with the last word only when the whole number is that word: 21 is "dvadsaťjeden eur".
    const auto noun = [](qint32 n, const QString& one, const QString& few, const QString& many) {
        return n == 1 ? one : (n >= 2 && n <= 4) ? few : many;
    };
    const QString euroWords = euros == 1 ? u"jedno"_s : euros == 2 ? u"dve"_s : AmountInWords(euros);
    QString text = euroWords + u' ' + noun(euros, u"euro"_s, u"eurá"_s, u"eur"_s);
    if (rest != 0) text += u' ' + AmountInWords(rest) + u' ' + noun(rest, u"cent"_s, u"centy"_s, u"centov"_s);
    return text;
}

QString GroupInWords(QStringView digits)
{
    if (digits.isEmpty() || digits.size() > 3 || !std::all_of(digits.begin(), digits.end(), isDigit))
        throw std::invalid_argument("GroupInWords takes one to three decimal digits");

    QString words;
    qsizetype at = 0;
    if (digits.size() == 3) {
        const int hundreds = digitAt(digits, at++);
        if (hundreds == 1)
            words += u"sto"_s;
        else if (hundreds == 2)
            words += u"dvesto"_s;
        else if (hundreds >= 3)
            words += DigitWord(hundreds) + u"sto"_s;
    }
    if (digits.size() - at == 2) {
        const int tens = digitAt(digits, at++);
        const int units = digitAt(digits, at);
        const int value = tens * 10 + units;
        // A teen is one word and ends the group.
        if (value == 10) return words + u"desať"_s;
        if (value == 11) return words + u"jedenásť"_s;
        if (value == 14) return words + u"štrnásť"_s;
        if (tens == 1) return words + DigitWord(units) + u"násť"_s;
        if (tens >= 2 && tens <= 4)
            words += DigitWord(tens) + u"dsať"_s;
        else if (tens >= 5)
            words += DigitWord(tens) + u"desiat"_s;
    }
    words += DigitWord(digitAt(digits, at));
    return words;
}

QString DigitWord(int digit)
{
    static const QString words[] = {QString(), u"jeden"_s, u"dva"_s,   u"tri"_s,  u"štyri"_s,
                                    u"päť"_s,  u"šesť"_s,  u"sedem"_s, u"osem"_s, u"deväť"_s};
    if (digit < 0 || digit > 9) throw std::invalid_argument("DigitWord takes a digit from 0 to 9");
    return words[digit];
}

} // namespace NumWord
