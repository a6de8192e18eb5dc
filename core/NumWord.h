#pragma once

#include <QString>
#include <QStringView>

// A whole number of crowns in Slovak words, as the printed contract states the loan. The texts are
// returned exactly as built, blanks included: a million or milliard with no count word before it
// starts with a blank (" milión dvestotisíc").
namespace NumWord {

// "nula" for 0; "mínus " before the words of the absolute value for a negative amount.
QString AmountInWords(qint32 amount);

// The words of a group of one to three decimal digits, leading zeros allowed ("005" is "päť", "000"
// is empty). Throws std::invalid_argument for anything else.
QString GroupInWords(QStringView digits);

// The word of one digit; 0 has an empty word. Throws std::invalid_argument outside 0 to 9.
QString DigitWord(int digit);

} // namespace NumWord
