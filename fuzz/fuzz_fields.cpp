#include "fuzz/Check.h"
#include "fuzz/Scratch.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/Transaction.h"
#include "store/Values.h"
#include "store/engine/Errors.h"
#include "store/engine/Schema.h"

#include <fuzzer/FuzzedDataProvider.h>

// Any text typed into any field of any table, as the boxes hand it over: stored or refused with the
// conversion message. What is stored reads back as it was shown before posting, and its shown text
// typed again gives the same value.
FUZZ_SCRATCH_STORE({})

namespace {

// What the rules, grids and reports read from a field: a value, or the conversion message.
void readEveryWay(const Field& field)
{
    const auto attempt = [](auto read) {
        try {
            read();
        } catch (const ConversionError&) {
        }
    };
    attempt([&] { (void)field.asInteger(); });
    attempt([&] { (void)field.asFloat(); });
    attempt([&] { (void)field.asDate(); });
    (void)field.asBoolean();
    (void)field.value();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const QList<TableDef>& defs = Schema::tables();
    const TableDef& def = defs.at(input.ConsumeIntegralInRange<qsizetype>(0, defs.size() - 1));
    const int index = input.ConsumeIntegralInRange<int>(0, int(def.fields.size()) - 1);
    const bool typed = input.ConsumeBool(); // as a box hands it over, by the box's rule
    const std::string bytes = input.ConsumeRemainingBytesAsString();
    const QString text = QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));

    Table& t = Scratch::get().table(def);
    Transaction transaction(Scratch::get().store()); // rolled back: every input starts from the empty store
    t.append();
    Field field = t.field(index);
    try {
        if (typed)
            field.setAsTyped(text);
        else
            field.setAsString(text);
    } catch (const ConversionError&) {
        t.cancel();
        return 0;
    }
    const QString shown = field.asString();
    if (field.isNull()) FUZZ_CHECK(shown.isEmpty());
    t.post();
    FUZZ_CHECK(t.field(index).asString() == shown);
    FUZZ_CHECK(t.recordCount() == 1);
    readEveryWay(t.field(index));
    if (typed && def.fields.at(index).type == FieldType::Number) {
        // What a box let through is a sum the register can count in whole crowns.
        try {
            (void)t.field(index).asInteger();
        } catch (const ConversionError&) {
            FUZZ_CHECK(false);
        }
    }

    // The shown text typed again: the same value, or refused (a number too long for the box's form).
    t.edit();
    try {
        t.field(index).setAsString(shown);
        FUZZ_CHECK(t.field(index).asString() == shown);
    } catch (const ConversionError&) {
    }
    t.cancel();
    return 0;
}
