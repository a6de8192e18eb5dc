#include "Check.h"
#include "store/Filter.h"
#include "store/engine/Errors.h"
#include "store/engine/Schema.h"

#include <QString>

using namespace Qt::Literals::StringLiterals;

// Any text as a view filter of any table: parsed or refused with the store's message, never a crash; what
// parses reads back as the same terms from the text a table shows for it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const QList<TableDef>& tables = Schema::tables();
    const TableDef& def = tables.at(data[0] % tables.size());
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    try {
        const Filter f = Filter::parse(def, text);
        const Filter again = Filter::parse(def, f.text(def));
        FUZZ_CHECK(again.sql(def) == f.sql(def) && again.values() == f.values());
    } catch (const StoreError&) {
    }
    return 0;
}
