#include "store/Upgrade.h"

#include "store/Store.h"
#include "store/engine/Errors.h"
#include "store/engine/Schema.h"
#include "store/trail/Trail.h"

using namespace Qt::Literals::StringLiterals;

namespace {

void create(Store& store, const QString& table)
{
    for (const QString& sql : Schema::createSql(store.connection().engine(), *Schema::ownTable(table)))
        store.exec(sql);
}

// On a server: whoever may add the register's records (the counters' role of a store made with one) gets
// privileges on a table a step made, as a new store's counters have them.
void grantToCounters(Store& store, const QString& table, const QString& privileges)
{
    if (!store.isServer()) return;
    store.exec(Schema::grantToCountersSql(table, privileges));
}

// The steps up to the genesis row came before versions were kept: a store without a version may be of any of
// them, so each finds what it adds before adding it.

// 1: clerks, the trail and the person keys, and the table of the version. A trail that went missing from a
// store holding data is not made here: the store is refused until its owner begins a new one (restart).
void ownTablesAndVersion(Store& store)
{
    Connection& connection = store.connection();
    if (!connection.hasTable(u"Pokladnici"_s)) create(store, u"Pokladnici"_s);
    if (!connection.hasTable(u"Zmeny"_s) && !Trail::holdsData(store)) Trail::newTrailTable(store);
    if (!connection.hasTable(Schema::versionTable())) {
        for (const QString& sql : Schema::versionTableSql(0))
            store.exec(sql);
        grantToCounters(store, Schema::versionTable(), u"SELECT"_s);
    }
}

// 2: the seal's column of the trail and the table of its current key.
void sealing(Store& store)
{
    Connection& connection = store.connection();
    if (!connection.hasTable(u"Pecat"_s)) {
        create(store, u"Pecat"_s);
        grantToCounters(store, u"Pecat"_s, u"SELECT, INSERT, UPDATE, DELETE"_s);
    }
    if (connection.hasTable(u"Zmeny"_s) && !connection.hasColumn(u"Zmeny"_s, u"SEAL"_s))
        store.exec(u"ALTER TABLE Zmeny ADD COLUMN SEAL TEXT NOT NULL DEFAULT ''"_s);
}

// 3: a server's trail refuses a change by rules beside its triggers. A store made before them has no function for
// them either; one whose rules were dropped keeps the function and is refused at open.
void serverRules(Store& store)
{
    if (!store.isServer() || !store.connection().hasTable(u"Zmeny"_s) ||
        store.scalar(u"SELECT COUNT(*) FROM pg_proc WHERE oid = to_regprocedure('mervana_trail_refuse()')"_s)
                .toLongLong() != 0)
        return;
    for (const QString& sql : Schema::createSql(Connection::Engine::Postgresql, *Schema::ownTable(u"Zmeny"_s)))
        if (sql.contains(u"mervana_trail_refuse"_s)) store.exec(sql);
}

// 4: the store's secret, and the person keys found by a keyed hash of the birth number.
void keyedLookups(Store& store)
{
    const bool hadSecret = store.connection().hasTable(u"Tajomstvo"_s);
    Trail::hashKeyLookups(store);
    if (!hadSecret) grantToCounters(store, u"Tajomstvo"_s, u"SELECT, INSERT, UPDATE, DELETE"_s);
}

// 5: the store's settings (its currency).
void settings(Store& store)
{
    if (store.connection().hasTable(Schema::settingsTable())) return;
    create(store, Schema::settingsTable());
    grantToCounters(store, Schema::settingsTable(), u"SELECT"_s);
}

// 6: a trail begun by step 1 starts with its genesis row. Only where the trail is empty and the store holds
// nothing it should have seen: an empty trail beside records stays as found, for audit-verify to name.
void genesisRow(Store& store)
{
    if (!store.connection().hasTable(u"Zmeny"_s) || store.scalar(u"SELECT COUNT(*) FROM Zmeny"_s).toLongLong() != 0 ||
        Trail::holdsData(store))
        return;
    Trail::begin(store);
}

const QList<Upgrade::Step> Steps{
    {1, ownTablesAndVersion}, {2, sealing}, {3, serverRules}, {4, keyedLookups}, {5, settings}, {6, genesisRow},
};

} // namespace

namespace Upgrade {

const QList<Step>& steps()
{
    return Steps;
}

TooNew::TooNew(const QString& location, int found, int known)
    : StoreError(u"The store %1 is of version %2, newer than this program knows (%3): use a newer program"_s
                     .arg(Store::displayName(location))
                     .arg(found)
                     .arg(known)),
      m_location(location), m_found(found), m_known(known)
{
}

int newest()
{
    return Steps.constLast().version;
}

int version(Store& store)
{
    if (!store.connection().hasTable(Schema::versionTable())) return 0;
    return store.scalar(Schema::versionSql()).toInt();
}

void run(Store& store)
{
    const int found = version(store);
    if (found > newest()) throw TooNew(store.dataDir(), found, newest());
    if (found == newest()) return;
    Connection& connection = store.connection();
    for (const Step& step : Steps) {
        if (step.version <= found) continue;
        store.beginWrite();
        try {
            // Two programs opening an older store at once: the second waits here and finds the step done.
            if (const QString lock = connection.trailLockSql(); !lock.isEmpty()) store.exec(lock);
            if (version(store) < step.version) {
                step.run(store);
                store.scalar(Schema::setVersionSql(), {step.version});
            }
            store.commit();
        } catch (...) {
            store.rollback();
            throw;
        }
    }
}

} // namespace Upgrade
