#include "fuzz/Check.h"
#include "fuzz/Scratch.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/Values.h"
#include "store/engine/Errors.h"
#include "store/engine/Schema.h"
#include "tools/DemoData.h"

#include <QCollator>
#include <fuzzer/FuzzedDataProvider.h>

// Whatever the clerk types into a search box goes to a nearest or exact key search on the window's
// tag. On a small demo register: never a crash, and the record found is where the tag's order puts the
// key: at or after it, with the record before it (in tag order) before the key.
namespace {

// The key as the store orders it: dates as stored, texts by the tag's collation.
int compareKeys(const TagDef& tag, FieldType type, const QString& stored, const QString& typed)
{
    QString key = typed;
    if (type == FieldType::Date) {
        if (const auto d = Values::parseDate(typed)) key = d->toString(Qt::ISODate);
    }
    if (tag.slovak) {
        static const QCollator collator = [] {
            QCollator c(QLocale(QLocale::Slovak, QLocale::Slovakia));
            c.setCaseSensitivity(Qt::CaseInsensitive);
            return c;
        }();
        return collator.compare(stored, key);
    }
    const QByteArray a = stored.toUtf8(), b = key.toUtf8();
    return a < b ? -1 : (a == b ? 0 : 1);
}

// The stored key of the current record in the store's form: dates as YYYY-MM-DD.
QString storedKey(Table& t, int field, FieldType type)
{
    if (type == FieldType::Date) {
        const QDate d = t.field(field).asDate();
        return d.isValid() ? d.toString(Qt::ISODate) : QString();
    }
    return t.field(field).asString();
}

} // namespace

FUZZ_SCRATCH_STORE([](Store& store) { DemoData::fill(store, 1, QDate(2026, 12, 7)); })

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const QList<TableDef>& defs = Schema::tables();
    const TableDef& def = defs.at(input.ConsumeIntegralInRange<qsizetype>(0, defs.size() - 1));
    if (def.tags.isEmpty()) return 0;
    const TagDef& tag = def.tags.at(input.ConsumeIntegralInRange<qsizetype>(0, def.tags.size() - 1));
    const std::string bytes = input.ConsumeRemainingBytesAsString();
    const QString key = QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));

    Table& t = Scratch::get().table(def);
    t.setIndexName(tag.name);
    const int field = def.fieldIndex(tag.field);
    const FieldType type = def.fields.at(field).type;
    const int up = tag.descending ? -1 : 1; // the direction of the tag's order

    t.findNearest(key);
    if (!t.eof()) {
        FUZZ_CHECK(compareKeys(tag, type, storedKey(t, field, type), key) * up >= 0);
        t.prior();
        if (!t.bof()) FUZZ_CHECK(compareKeys(tag, type, storedKey(t, field, type), key) * up < 0);
    }
    if (t.findKey(key)) FUZZ_CHECK(compareKeys(tag, type, storedKey(t, field, type), key) == 0);
    return 0;
}
