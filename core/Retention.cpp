#include "core/Retention.h"

#include "store/EventPump.h"
#include "store/Store.h"
#include "store/Transaction.h"
#include "store/engine/Names.h"
#include "store/engine/Schema.h"
#include "store/engine/Statement.h"
#include "store/trail/Trail.h"

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

// What the contracts of one birth number tell, live and archived together.
struct Standing
{
    qint64 contracts = 0;
    QList<qint64> live, archived; // the row ids of the contracts
    bool held = false;            // a contract still running, not finished, or without any date
    QString latest;               // YYYY-MM-DD, compared as text
};

void later(QString& latest, const QString& date)
{
    if (date > latest) latest = date;
}

// Per contract number of one goods table: whether an item is unsold, and the latest day of sale.
struct GoodsOf
{
    bool unsold = false;
    QString latest;
};

// One side of the register: the contracts, their goods and their extensions.
struct Side
{
    QString contracts, goods, extensions;
    bool archived;
};
const Side Sides[] = {{Tab::Zmluvy, Tab::Inventar, Tab::Predlz, false},
                      {Tab::Xzmluvy, Tab::Xinvent, Tab::Xpredlz, true}};

bool flag(const Statement& q, int column)
{
    return q.value(column).toLongLong() != 0;
}

void readSide(Store& store, const Side& side, QHash<QString, Standing>& standings, QSet<QString>& taken)
{
    QHash<QString, GoodsOf> goods;
    {
        StatementUse g = store.statement(u"SELECT NUMBER, PREDANE, PRED_DATUM FROM "_s + side.goods);
        g.exec();
        while (g.next()) {
            GoodsOf& of = goods[g.value(0).toString()];
            of.unsold = of.unsold || !flag(g, 1);
            later(of.latest, g.value(2).toString());
        }
    }
    QHash<QString, QString> extended;
    {
        StatementUse e = store.statement(u"SELECT NUMBER, X_UNTIL, X_PAIDDATE FROM "_s + side.extensions);
        e.exec();
        while (e.next()) {
            QString& latest = extended[e.value(0).toString()];
            later(latest, e.value(1).toString());
            later(latest, e.value(2).toString());
        }
    }
    StatementUse c = store.statement(
        u"SELECT BIRTHNUM, NUMBER, PAID, PADAK, AGRDATE, UNTIL, PAID_DATE, RETUDATE, rowid FROM "_s + side.contracts);
    c.exec();
    while (c.next()) {
        const QString birthNumber = c.value(0).toString();
        taken.insert(birthNumber);
        Standing& s = standings[birthNumber];
        ++s.contracts;
        (side.archived ? s.archived : s.live) << c.value(8).toLongLong();
        const QString number = c.value(1).toString();
        const GoodsOf of = goods.value(number);
        // Running: neither paid nor forfeited. Finished: paid, or forfeited with nothing left to sell.
        const bool paid = flag(c, 2), forfeited = flag(c, 3);
        const bool finished = forfeited ? !of.unsold : paid;
        QString latest = of.latest;
        later(latest, extended.value(number));
        for (int i = 4; i <= 7; ++i)
            later(latest, c.value(i).toString());
        // A contract without a single date cannot tell when it ended: it keeps its person.
        if (!finished || latest.isEmpty()) s.held = true;
        later(s.latest, latest);
        EventPump::breathe();
    }
}

struct Found
{
    Retention::Survey survey;
    QHash<QString, Standing> standings;
    QHash<QString, QList<qint64>> persons; // the row ids of the persons by birth number
    QSet<QString> taken;                   // every birth number of the store: a pseudonym must be none of them
};

Found find(Store& store, const QDate& today, int years)
{
    Found found;
    QHash<QString, Standing>& standings = found.standings;
    for (const Side& side : Sides)
        readSide(store, side, standings, found.taken);
    const QString before = today.addYears(-years).toString(Qt::ISODate);
    QSet<QString> listed; // a birth number twice among the persons is one person
    StatementUse p = store.statement(u"SELECT BIRTHNUM, LASTNAME, FIRSNAME, BLACK, rowid FROM Osoby"_s);
    p.exec();
    while (p.next()) {
        const QString birthNumber = p.value(0).toString();
        found.taken.insert(birthNumber);
        found.persons[birthNumber] << p.value(4).toLongLong();
        if (Retention::isPseudonym(birthNumber) || listed.contains(birthNumber)) continue;
        listed.insert(birthNumber);
        Retention::Person person{birthNumber, p.value(1).toString(), p.value(2).toString(), {}};
        const auto it = standings.constFind(birthNumber);
        if (birthNumber.isEmpty() || it == standings.cend()) {
            found.survey.withoutContracts << person;
            continue;
        }
        person.latest = QDate::fromString(it->latest, Qt::ISODate);
        if (years <= 0 || it->held || it->latest >= before) continue;
        (flag(p, 3) ? found.survey.undesirable : found.survey.due) << person;
    }
    for (QList<Retention::Person>* list :
         {&found.survey.due, &found.survey.undesirable, &found.survey.withoutContracts})
        std::sort(list->begin(), list->end(),
                  [](const Retention::Person& a, const Retention::Person& b) { return a.birthNumber < b.birthNumber; });
    return found;
}

QString newPseudonym(QSet<QString>& taken)
{
    for (;;) {
        const QString candidate =
            u"X%1"_s.arg(QRandomGenerator::system()->bounded(1000000000), 9, 10, QLatin1Char('0'));
        if (taken.contains(candidate)) continue;
        taken.insert(candidate);
        return candidate;
    }
}

qint64 run(Store& store, const QString& sql, const QList<QVariant>& values)
{
    StatementUse q = store.statement(sql);
    q.bind(values);
    q.exec();
    return q.changes();
}

} // namespace

namespace Retention {

bool isPseudonym(const QString& birthNumber)
{
    static const QRegularExpression Form(u"^X[0-9]{9}$"_s);
    return Form.match(birthNumber).hasMatch();
}

bool askedIn(Store& store, const QDate& month)
{
    const QVariant detail = store.scalar(u"SELECT DETAIL FROM Zmeny WHERE ACTION = ? ORDER BY SEQ DESC LIMIT 1"_s,
                                         {Trail::code(Trail::Action::RetentionAsked)});
    const QJsonObject asked = QJsonDocument::fromJson(detail.toString().toUtf8()).object();
    return asked.value(u"month"_s).toString() == month.toString(u"yyyy-MM"_s);
}

void noteAsked(Store& store, const QDate& month, qsizetype due, bool yes)
{
    Trail::Entry entry;
    entry.action = Trail::Action::RetentionAsked;
    entry.detail = QJsonObject{
        {u"month"_s, month.toString(u"yyyy-MM"_s)}, {u"due"_s, qint64(due)}, {u"answer"_s, yes ? u"yes"_s : u"no"_s}};
    Trail::record(store, entry);
}

Survey survey(Store& store, const QDate& today, int years)
{
    const Snapshot snapshot(store);
    return find(store, today, years).survey;
}

QList<Anonymised> anonymiseDue(Store& store, const QDate& today, int years, qint64* keysSwept)
{
    QList<Anonymised> done;
    {
        OwnWrite write(store);
        // Who is due is read inside the write: a contract another counter wrote meanwhile keeps its person.
        Found found = find(store, today, years);
        const Trail::Bulk bulk(store); // the per-record rows would carry the very values being erased
        for (const Person& person : std::as_const(found.survey.due)) {
            const QString pseudonym = newPseudonym(found.taken);
            const QVariant blank; // an empty value is NULL in the store
            // By row id, as found inside this transaction: no scan of a table per person.
            for (const qint64 rowid : found.persons.value(person.birthNumber))
                run(store,
                    u"UPDATE Osoby SET BIRTHNUM = ?, LASTNAME = ?, FIRSNAME = ?, IDCARD = ?, STREET = ?, STREETNO = ?, "
                    u"CITY = ?, REASON = ? WHERE rowid = ?"_s,
                    {pseudonym, blank, blank, blank, blank, blank, blank, blank, rowid});
            const Standing standing = found.standings.value(person.birthNumber);
            qint64 live = 0, archived = 0;
            for (const qint64 rowid : standing.live)
                live += run(store, u"UPDATE Zmluvy SET BIRTHNUM = ? WHERE rowid = ?"_s, {pseudonym, rowid});
            for (const qint64 rowid : standing.archived)
                archived += run(store, u"UPDATE Xzmluvy SET BIRTHNUM = ? WHERE rowid = ?"_s, {pseudonym, rowid});
            Trail::deleteKey(store, person.birthNumber);
            Trail::Entry entry;
            entry.action = Trail::Action::Anonymised;
            entry.table = Tab::Osoby;
            entry.key = pseudonym; // in clear: the pseudonym names nobody
            entry.detail = QJsonObject{{u"contracts"_s, live}, {u"archived"_s, archived}};
            Trail::record(store, entry);
            done << Anonymised{person, pseudonym};
            EventPump::breathe();
        }
        // Keys left by persons deleted or numbers corrected before their keys went with them.
        const qint64 swept = Trail::sweepKeys(store);
        if (keysSwept) *keysSwept = swept;
        write.commit(); // then the journal is written through and emptied: the erased values leave the file
    }
    if (!done.isEmpty())
        for (const QString& file : {Tab::OsobyDbf, Tab::ZmluvyDbf, Tab::XzmluvyDbf})
            store.touch(store.table(file));
    return done;
}

} // namespace Retention
