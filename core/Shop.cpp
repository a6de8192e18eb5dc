#include "core/Shop.h"

#include "core/Marking.h"
#include "store/Clock.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/admin/EngineConfig.h"
#include "store/engine/Names.h"

using namespace Qt::Literals::StringLiterals;

namespace {

void setView(Table& t, const QString& filter)
{
    t.setFilter(filter);
    t.setFiltered(!filter.isEmpty());
}

} // namespace

Shop::Shop(const QString& dataDir, QObject* parent) : QObject(parent), m_store(std::make_unique<Store>(dataDir))
{
    const struct
    {
        Table** table;
        const char* name;
        QString file;
        QString tag;
    } live[] = {{&Table1, "Table1", Tab::ZmluvyDbf, Col::NUMBER},
                {&Table2, "Table2", Tab::OsobyDbf, Col::BIRTHNUM},
                {&Table3, "Table3", Tab::PredlzDbf, Col::NUMBER},
                {&Table4, "Table4", Tab::InventarDbf, Col::NUMBER},
                {&Table5, "Table5", Tab::PrijvydDbf, Col::DATE}};
    try {
        for (const auto& t : live) {
            *t.table = new Table(*m_store, t.file, this);
            (*t.table)->setObjectName(QString::fromLatin1(t.name));
            (*t.table)->setIndexName(t.tag);
            (*t.table)->open();
        }
    } catch (...) {
        qDeleteAll(findChildren<Table*>(Qt::FindDirectChildrenOnly)); // before the store goes
        throw;
    }
    ShopName = EngineConfig::shopName(u"Záložňa"_s);
}

Shop::~Shop()
{
    // The tables close while the store is still open.
    for (Table** t : {&Table1, &Table2, &Table3, &Table4, &Table5}) {
        delete *t;
        *t = nullptr;
    }
}

bool Shop::ownerMayWork() const
{
    if (m_role) return *m_role == Clerks::Role::Owner;
    // Clerks defined since this counter started: nobody signed in does their owner's work.
    return !Clerks::anyActive(*m_store);
}

void Shop::FilterContracts(Table& t, const QString& pledger)
{
    const int mode = FilterMode;
    if (mode < 0 || mode > 6) return;
    const auto working = busy(mode == 1 || mode == 2 || mode == 6);
    switch (mode) {
    case 0:
        return setView(t, QString());
    case 3:
        return setView(t, u"PAID = true and PADAK = false"_s);
    case 4:
        return setView(t, u"PADAK = true"_s);
    case 5:
        return setView(t, u"RETENT = true"_s);
    default:
        break;
    }
    if (mode == 6) ExpiredFound = false;
    const bool found = Marking::markContracts(mode, t, *Table3, Clock::today(), mode == 6 ? pledger : QString());
    if (mode == 6) ExpiredFound = found;
    setView(t, u"WRK = True"_s);
}

void Shop::FilterGoods(Table& t)
{
    const int mode = FilterMode;
    if (mode < 0 || mode > 4) return;
    const auto working = busy(mode == 1 || mode == 2);
    switch (mode) {
    case 0:
        return setView(t, QString());
    case 3:
        return setView(t, u"PREPADNUTE = true and PREDANE = false"_s);
    case 4:
        return setView(t, u"PREDANE = true"_s);
    default:
        break;
    }
    Marking::markGoods(mode, t, *Table1, *Table3, Clock::today());
    setView(t, u"WRK = True"_s);
}
