#include "CrashLoops.h"

#include "register/Marking.h"
#include "store/Errors.h"
#include "store/Schema.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/Transaction.h"
#include "tools/DemoData.h"

#include <QSqlQuery>

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

// The demo set that mervana-admin writes into an empty store, and the store emptied again, by turns.
void demoFill(Store& store, int round)
{
    if (round % 2 == 0) {
        DemoData::fill(store, 1, Today);
        return;
    }
    Transaction transaction(store);
    for (const TableDef& def : Schema::tables()) {
        Table t(store, def.file);
        t.open();
        t.emptyTable();
    }
    transaction.commit();
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
    };
    return loops;
}

const Loop& unguardedForSelfTest()
{
    static const Loop loop{u"unguarded marks"_s, [](Store& store) { DemoData::fill(store, 1, Today); },
                           [](Store& store, int round) {
                               Table contracts(store, u"Zmluvy.DBF"_s);
                               contracts.open();
                               for (contracts.first(); !contracts.eof(); contracts.next()) {
                                   contracts.edit();
                                   contracts.field(u"WRK"_s).setAsBoolean(round % 2 == 0);
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
    const TableDef& def = store.table(loop.witness);
    QSqlQuery q(store.database());
    q.prepare(u"SELECT COUNT(*) FROM \"%1\" WHERE \"%2\" = ?"_s.arg(def.sqlName, witnessField(store, loop)));
    q.addBindValue(witnessKey(id));
    return q.exec() && q.next() && q.value(0).toInt() == 1;
}

} // namespace CrashLoops
