#pragma once

#include <QString>
#include <QStringView>

// A whole number of crowns in Slovak words, as the printed contract states the loan. The texts are
// returned exactly as built, blanks included: a million or milliard with no count word before it
// starts with a blank (" milión dvestotisíc").
namespace NumWord {

// "nula" for 0; "mínus " before the words of the absolute value for a negative amount.
QString AmountInWords(qint32 amount);

// A euro amount in cents as the printed contract states it: the euros in words and their noun, then, when there
// are cents, the cents in words and theirs ("tisícpäťsto eur tridsať centov", "jedno euro", "dve eurá dva centy").
// Euro is neuter: exactly 1 and 2 euros are "jedno" and "dve". Throws ConversionError for a negative amount or
// one past what AmountInWords takes.
QString EurosInWords(qint64 cents);

// The words of a group of one to three decimal digits, leading zeros allowed ("005" is "päť", "000"
// is empty). Throws std::invalid_argument for anything else.
QString GroupInWords(QStringView digits);

// The word of one digit; 0 has an empty word. Throws std::invalid_argument outside 0 to 9.
QString DigitWord(int digit);

} // namespace NumWord
