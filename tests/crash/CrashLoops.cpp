#include "CrashLoops.h"

#include "core/ExpiryMarks.h"
#include "core/GoodsSearch.h"
#include "core/IncomeExpense.h"
#include "core/Marking.h"
#include "store/Clock.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/Transaction.h"
#include "store/admin/Backup.h"
#include "store/dbf/DbfTransfer.h"
#include "store/engine/Errors.h"
#include "store/engine/Schema.h"
#include "tools/DemoData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

namespace CrashLoops {

namespace {

constexpr int DemoScale = 3;

void demo(Store& store)
{
    DemoData::fill(store, DemoScale, Today);
}

// The views' marking passes as the menu runs them: the current and the expired views, and one
// person's expired contracts, by turns. Each view marks other records than the one before.
void contractMarks(Store& store, int round)
{
    Table contracts(store, u"Zmluvy.DBF"_s);
    Table extensions(store, u"Predlz.DBF"_s);
    contracts.open();
    extensions.open();
    static const int modes[] = {1, 2, 6};
    const int mode = modes[round % 3];
    QString birthNumber;
    if (mode == 6) { // the pledger of some contract, another one each time
        contracts.setIndexName(u"NUMBER"_s);
        contracts.first();
        for (int i = 0; i < round % 50 && !contracts.eof(); ++i)
            contracts.next();
        birthNumber = contracts.field(u"BIRTHNUM"_s).asString();
    }
    Marking::markContracts(mode, contracts, extensions, Today, birthNumber);
}

void goodsMarks(Store& store, int round)
{
    Table goods(store, u"Inventar.DBF"_s);
    Table contracts(store, u"Zmluvy.DBF"_s);
    Table extensions(store, u"Predlz.DBF"_s);
    goods.open();
    contracts.open();
    extensions.open();
    Marking::markGoods(round % 2 == 0 ? 1 : 2, goods, contracts, extensions, Today);
}

void emptyAll(Store& store)
{
    Transaction transaction(store);
    for (const TableDef& def : Schema::tables()) {
        Table t(store, def.file);
        t.open();
        t.emptyTable();
    }
    transaction.commit();
}

// The demo set that mervana-admin writes into an empty store, and the store emptied again, by turns.
void demoFill(Store& store, int round)
{
    if (round % 2 == 0) {
        DemoData::fill(store, 1, Today);
        return;
    }
    emptyAll(store);
}

// The contracts due on a day, for another day each round.
void expiryMarks(Store& store, int round)
{
    Table contracts(store, u"Zmluvy.DBF"_s);
    Table extensions(store, u"Predlz.DBF"_s);
    contracts.open();
    extensions.open();
    ExpiryMarks::mark(contracts, extensions, Today.addDays(-(round % 60)));
}

// The goods search, with another text each round so that each leaves other marks.
void searchMarks(Store& store, int round)
{
    static const QString texts[] = {u"zlat"_s, u"PRSTEŇ"_s, u"a"_s, u"retiazka"_s, u"nič také"_s};
    Table goods(store, u"Inventar.DBF"_s);
    goods.open();
    GoodsSearch::mark(goods, texts[round % 5]);
}

// The cash statement's work table refilled for a period that grows each round.
void incomeFill(Store& store, int round)
{
    Table work(store, u"Prijvyd.dbf"_s);
    Table contracts(store, u"Zmluvy.DBF"_s);
    Table extensions(store, u"Predlz.DBF"_s);
    Table goods(store, u"Inventar.DBF"_s);
    for (Table* t : {&work, &contracts, &extensions, &goods})
        t->open();
    IncomeExpense::fill(work, contracts, extensions, goods, Today.addMonths(-1 - round % 24), Today);
}

// Old tables brought in over the register (replacing it) and the register emptied, by turns. The tables
// come from a demo store exported once per process; the demo set is the same every time it is made.
void dbfImport(Store& store, int round)
{
    static QTemporaryDir folder;
    static bool exported = false;
    if (!exported) {
        QTemporaryDir scratch;
        Store::createEmpty(scratch.path());
        {
            Store source(scratch.path());
            DemoData::fill(source, 1, Today);
            DbfTransfer::exportTables(source, folder.filePath(u"tables"_s), 852, Today);
        }
        exported = true;
    }
    if (round % 2 == 0) {
        DbfTransfer::importTables(store, folder.filePath(u"tables"_s), {0, true});
        return;
    }
    emptyAll(store);
}

// The flags the contracts window sets on the goods of a contract ("&Vrátené", "Prep&adnuté"), here on every
// item in one transaction: each a single-record write, checked against the record as read. Set and taken
// off by turns, so that every round leaves another state.
void goodsFlags(Store& store, int round)
{
    Table goods(store, u"Inventar.DBF"_s);
    goods.setIndexName(u"NUMBER"_s);
    goods.open();
    const int flag = goods.fieldIndex(round % 2 == 0 ? u"VRATENE"_s : u"PREPADNUTE"_s);
    const bool state = round % 4 < 2;
    Transaction transaction(store);
    try {
        for (goods.first(); !goods.eof(); goods.next()) {
            goods.edit();
            goods.field(flag).setAsBoolean(state);
            goods.post();
        }
        transaction.commit();
    } catch (...) {
        goods.cancel();
        throw;
    }
}

// A backup of a demo shop of the scale given in files, made once: whole or not at all, so that a kill while
// it is made leaves nothing half made to restore. The demo set is the same every time it is made.
QString demoBackup(const QString& files, int scale)
{
    const QString path = QDir(files).filePath(u"backup-%1.db"_s.arg(scale));
    if (QFileInfo::exists(path)) return path;
    const QString scratch = QDir(files).filePath(u"scratch-%1"_s.arg(scale));
    QDir(scratch).removeRecursively();
    Store::createEmpty(scratch);
    {
        Store store(scratch);
        DemoData::fill(store, scale, Today);
    }
    const QString part = path + u".part"_s;
    Backup::copyStore(scratch, part);
    if (!QFile::rename(part, path)) throw StoreError(u"Cannot name the backup %1"_s.arg(path));
    QDir(scratch).removeRecursively();
    return path;
}

// The store replaced by a backup through a fresh store (or on a server, in one transaction), a larger shop and
// a smaller one by turns; three replaced stores are kept.
void restoreBackup(const QString& location, const QString& files, int round)
{
    Backup::restore(demoBackup(files, round % 2 == 0 ? 2 : 1), location, Clock::now(), 3);
}

QString witnessField(Store& store, const Loop& loop)
{
    for (const FieldDef& f : store.table(loop.witness).fields)
        if (f.type == FieldType::Text) return f.name;
    throw StoreError(u"The witness table %1 has no text field"_s.arg(loop.witness));
}

QString witnessKey(qint64 id)
{
    return u"W%1"_s.arg(id, 7, 10, QChar(u'0'));
}

} // namespace

const QList<Loop>& all()
{
    static const QList<Loop> loops{
        {u"contract marks"_s, demo, contractMarks},
        {u"goods marks"_s, demo, goodsMarks},
        {u"demo fill"_s, [](Store&) {}, demoFill, QString()},
        {u"expiry marks"_s, demo, expiryMarks},
        {u"search marks"_s, demo, searchMarks},
        {u"income fill"_s, demo, incomeFill},
        {u"dbf import"_s, [](Store&) {}, dbfImport, QString()},
        {u"goods flags"_s, demo, goodsFlags},
        {u"restore"_s, [](Store&) {}, {}, QString(), restoreBackup},
    };
    return loops;
}

const Loop& unguardedForSelfTest()
{
    // Not the marks: on a server they never reach the shared tables.
    static const Loop loop{u"unguarded writes"_s, [](Store& store) { DemoData::fill(store, 1, Today); },
                           [](Store& store, int round) {
                               Table contracts(store, u"Zmluvy.DBF"_s);
                               contracts.open();
                               for (contracts.first(); !contracts.eof(); contracts.next()) {
                                   contracts.edit();
                                   contracts.field(u"RETENT"_s).setAsBoolean(round % 2 == 0);
                                   contracts.post();
                               }
                           }};
    return loop;
}

const Loop* find(const QString& name)
{
    for (const Loop& loop : all())
        if (loop.name == name) return &loop;
    if (name == unguardedForSelfTest().name) return &unguardedForSelfTest();
    return nullptr;
}

void postWitness(Store& store, const Loop& loop, qint64 id)
{
    Table t(store, loop.witness);
    t.open();
    t.append();
    t.field(witnessField(store, loop)).setAsString(witnessKey(id));
    t.post();
}

bool hasWitness(Store& store, const Loop& loop, qint64 id)
{
    const QString table = store.connection().sharedTable(store.table(loop.witness));
    return store
               .scalar(u"SELECT COUNT(*) FROM %1 WHERE \"%2\" = ?"_s.arg(table, witnessField(store, loop)),
                       {witnessKey(id)})
               .toInt() == 1;
}

} // namespace CrashLoops
