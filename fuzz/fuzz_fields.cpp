#include "fuzz/Check.h"
#include "store/Errors.h"
#include "store/Schema.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/Transaction.h"
#include "store/Values.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <fuzzer/FuzzedDataProvider.h>
#include <map>
#include <memory>

// Any text typed into any field of any table, as the boxes hand it over: stored or refused with the
// conversion message. What is stored reads back as it was shown before posting, and its shown text
// typed again gives the same value.
namespace {

struct Scratch
{
    QTemporaryDir dir;
    std::unique_ptr<Store> store;
    std::map<int, std::unique_ptr<Table>> tables;

    Scratch()
    {
        FUZZ_CHECK(dir.isValid());
        Store::createEmpty(dir.path());
        store = std::make_unique<Store>(dir.path());
    }

    Table& table(const TableDef& def)
    {
        auto& t = tables[def.id];
        if (!t) {
            t = std::make_unique<Table>(*store, def.file);
            t->open();
        }
        return *t;
    }
};

Scratch& scratch()
{
    static Scratch s;
    return s;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    scratch();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const QList<TableDef>& defs = Schema::tables();
    const TableDef& def = defs.at(input.ConsumeIntegralInRange<qsizetype>(0, defs.size() - 1));
    const int index = input.ConsumeIntegralInRange<int>(0, int(def.fields.size()) - 1);
    const std::string bytes = input.ConsumeRemainingBytesAsString();
    const QString text = QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));

    Table& t = scratch().table(def);
    Transaction transaction(*scratch().store); // rolled back: every input starts from the empty store
    t.append();
    Field field = t.field(index);
    try {
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
