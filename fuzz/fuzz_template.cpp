#include "core/ContractTemplate.h"
#include "fuzz/Check.h"
#include "store/engine/Errors.h"

#include <QByteArray>
#include <fuzzer/FuzzedDataProvider.h>

// A template of arbitrary bytes filled with arbitrary box texts: printed lines, or the conversion
// message of a bad amount at @09; never a crash. Lines without "@" print unchanged and in order.
namespace {

QString text(FuzzedDataProvider& input)
{
    const std::string bytes = input.ConsumeRandomLengthString(40);
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    ContractTemplate::Data d;
    d.number = text(input);
    d.date = text(input);
    d.pledgerName = text(input);
    d.idCard = text(input);
    d.birthNumber = text(input);
    d.address = text(input);
    for (int n = input.ConsumeIntegralInRange(0, 4); n > 0; --n)
        d.items << text(input);
    d.amountText = text(input);
    d.percent = text(input);
    d.weeks = text(input);
    d.until = text(input);
    const std::string bytes = input.ConsumeRemainingBytesAsString();

    const QStringList lines = ContractTemplate::decode(QByteArray(bytes.data(), qsizetype(bytes.size())));
    QStringList out;
    bool complete = true;
    try {
        ContractTemplate::fill(lines, d, out);
    } catch (const ConversionError&) {
        complete = false;
    }
    FUZZ_CHECK(out.size() <= lines.size() + d.items.size());
    // The plain lines come out unchanged, in order, each once.
    qsizetype at = 0;
    for (const QString& line : lines) {
        if (line.contains(u'@')) continue;
        at = out.indexOf(line, at);
        if (at < 0) {
            FUZZ_CHECK(!complete);
            break;
        }
        ++at;
    }
    return 0;
}
