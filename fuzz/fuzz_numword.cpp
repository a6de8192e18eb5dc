#include "core/NumWord.h"
#include "fuzz/Check.h"

#include <QString>
#include <fuzzer/FuzzedDataProvider.h>
#include <stdexcept>

// Every 32-bit amount in words, and any text as a digit group: words or std::invalid_argument.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const qint32 amount = input.ConsumeIntegral<qint32>();
    const QString words = NumWord::AmountInWords(amount);
    FUZZ_CHECK(!words.isEmpty());
    FUZZ_CHECK((amount == 0) == words.contains(u"nula"));
    FUZZ_CHECK((amount < 0) == words.startsWith(u"mínus "));
    // Blanks come in ones, from the scale words; a negative amount's own words may start with one.
    FUZZ_CHECK(!words.mid(amount < 0 ? 6 : 0).contains(u"  "));

    try {
        (void)NumWord::DigitWord(input.ConsumeIntegral<int>());
    } catch (const std::invalid_argument&) {
    }
    const std::string bytes = input.ConsumeRemainingBytesAsString();
    const QString group = QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
    try {
        const QString groupWords = NumWord::GroupInWords(group);
        FUZZ_CHECK(!groupWords.contains(u' '));
    } catch (const std::invalid_argument&) {
    }
    return 0;
}
