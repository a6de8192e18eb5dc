#include "core/PersonData.h"

#include "core/Money.h"
#include "core/TrailText.h"

#include "store/Store.h"
#include "store/Table.h"
#include "store/Transaction.h"
#include "store/Values.h"
#include "store/engine/Names.h"
#include "store/engine/Schema.h"
#include "store/engine/Statement.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// The captions the register's windows give the fields.
QString captionOf(const QString& field)
{
    static const QHash<QString, QString> Captions{{Col::BLACK, u"Nežiadúci"_s},
                                                  {Col::BIRTHNUM, u"Rodné číslo"_s},
                                                  {Col::LASTNAME, u"Priezvisko"_s},
                                                  {Col::FIRSNAME, u"Meno"_s},
                                                  {Col::IDCARD, u"Číslo OP"_s},
                                                  {Col::STREET, u"Ulica"_s},
                                                  {Col::STREETNO, u"Číslo"_s},
                                                  {Col::CITY, u"Mesto"_s},
                                                  {Col::REASON, u"Poznámka"_s},
                                                  {Col::NUMBER, u"Zmluva"_s},
                                                  {Col::AGRDATE, u"Dátum vystav."_s},
                                                  {Col::AMOUNT, u"Založená suma"_s},
                                                  {Col::PERCENT, u"%"_s},
                                                  {Col::WEEKTIME, u"Týždne"_s},
                                                  {Col::UNTIL, u"Vypršanie"_s},
                                                  {Col::PAID, u"Zaplatené"_s},
                                                  {Col::PAID_SUM, u"Zaplat. suma"_s},
                                                  {Col::PAID_DATE, u"Zaplat. dňa"_s},
                                                  {Col::RETURNED, u"Vrátené"_s},
                                                  {Col::RETUDATE, u"Vrátené dňa"_s},
                                                  {Col::RETENT, u"Predĺžené"_s},
                                                  {Col::PADAK, u"Prepadnuté"_s},
                                                  {Col::X_UNTIL, u"Dátum do"_s},
                                                  {Col::X_PERCENT, u"Percentá"_s},
                                                  {Col::X_PAID, u"Suma platby"_s},
                                                  {Col::X_PAIDDATE, u"Dátum platby"_s},
                                                  {Col::SUBJECT, u"Založený predmet"_s},
                                                  {Col::VRATENE, u"Vrátené"_s},
                                                  {Col::PREDANE, u"Predané"_s},
                                                  {Col::PREPADNUTE, u"Prepadnuté"_s},
                                                  {Col::PRED_DATUM, u"Dátum predaja"_s},
                                                  {Col::PRED_SUMA, u"Suma predaja"_s},
                                                  {Col::SUMA1, u"Záložná hodnota"_s},
                                                  {Col::SUMA2, u"Predajná cena"_s}};
    return Captions.value(field, field);
}

QString shown(FieldType type, const QVariant& value)
{
    if (value.isNull() || !value.isValid()) return {};
    switch (type) {
    case FieldType::Logical:
        return value.toLongLong() != 0 ? u"áno"_s : u"nie"_s;
    case FieldType::Number:
        return Values::generalNumberText(value.toDouble());
    case FieldType::SmallInt:
        return QString::number(value.toLongLong());
    case FieldType::Date:
        return Values::shortDateText(QDate::fromString(value.toString().left(10), Qt::ISODate));
    case FieldType::Text:
        break;
    }
    return value.toString();
}

// The records of table (SQL name) whose field equals value, in the order written, every field but WRK.
QList<PersonData::Record> records(Store& store, const QString& table, const QString& field, const QString& value)
{
    const TableDef* def = nullptr;
    for (const TableDef& d : Schema::tables())
        if (d.sqlName == table) def = &d;
    QList<FieldDef> fields;
    QStringList columns;
    for (const FieldDef& f : def->fields)
        if (f.name != Col::WRK) {
            fields << f;
            columns << f.name;
        }
    const QString order = def->fieldIndex(Col::NUMBER) >= 0 ? u"NUMBER, rowid"_s : u"rowid"_s;
    StatementUse q = store.statement(u"SELECT "_s + columns.join(u", "_s) + u" FROM "_s + table + u" WHERE "_s + field +
                                     u" = ? ORDER BY "_s + order);
    q.addBindValue(value);
    q.exec();
    QList<PersonData::Record> out;
    while (q.next()) {
        PersonData::Record r;
        for (int i = 0; i < fields.size(); ++i)
            // A euro store's amounts with their cents, as every other view shows them.
            r << PersonData::Value{captionOf(fields.at(i).name),
                                   Field::inCents(store, fields.at(i)) && !q.value(i).isNull()
                                       ? Money::fromStored(q.value(i).toDouble(), Currency::Eur).text(Currency::Eur)
                                       : shown(fields.at(i).type, q.value(i))};
        out << r;
    }
    return out;
}

QString numberOf(const PersonData::Record& contract)
{
    for (const PersonData::Value& v : contract)
        if (v.caption == captionOf(Col::NUMBER)) return v.text;
    return {};
}

} // namespace

namespace PersonData {

std::optional<Holding> gather(Store& store, const QString& birthNumber)
{
    if (birthNumber.isEmpty()) return std::nullopt;
    Holding h;
    h.birthNumber = birthNumber;
    {
        const Snapshot snapshot(store); // one moment across the tables
        h.persons = records(store, Tab::Osoby, Col::BIRTHNUM, birthNumber);
        const struct
        {
            bool archived;
            QString contracts, goods, extensions;
        } sides[] = {{false, Tab::Zmluvy, Tab::Inventar, Tab::Predlz},
                     {true, Tab::Xzmluvy, Tab::Xinvent, Tab::Xpredlz}};
        for (const auto& side : sides)
            for (const Record& fields : records(store, side.contracts, Col::BIRTHNUM, birthNumber)) {
                Contract c;
                c.archived = side.archived;
                c.number = numberOf(fields);
                c.fields = fields;
                c.goods = records(store, side.goods, Col::NUMBER, c.number);
                c.extensions = records(store, side.extensions, Col::NUMBER, c.number);
                h.contracts << c;
            }
    }
    // The person's rows and those of their contracts, each once, in the order written.
    QList<Trail::Query> queries(1);
    queries.first().birthNumber = birthNumber;
    for (const Contract& c : std::as_const(h.contracts)) {
        if (c.number.isEmpty()) continue;
        queries.append(Trail::Query{});
        queries.last().contract = c.number;
    }
    for (const Trail::Row& row : Trail::readAny(store, queries))
        h.trail << worded(row);
    if (h.persons.isEmpty() && h.contracts.isEmpty() && h.trail.isEmpty()) return std::nullopt;
    return h;
}

QList<Line> lines(const Holding& holding)
{
    QList<Line> out;
    const auto values = [&out](const Record& record) {
        for (const Value& v : record)
            out << Line{false, v.caption, v.text};
    };
    if (holding.persons.isEmpty()) out << Line{true, u"Osoba"_s, {}} << Line{false, {}, u"záznam osoby nie je"_s};
    for (const Record& person : holding.persons) {
        out << Line{true, u"Osoba"_s, {}};
        values(person);
    }
    for (const Contract& c : holding.contracts) {
        out << Line{true, u"Zmluva %1%2"_s.arg(c.number, c.archived ? u" (archív)"_s : QString()), {}};
        values(c.fields);
        for (qsizetype i = 0; i < c.goods.size(); ++i) {
            out << Line{true, u"Predmet %1 zmluvy %2"_s.arg(i + 1).arg(c.number), {}};
            values(c.goods.at(i));
        }
        for (qsizetype i = 0; i < c.extensions.size(); ++i) {
            out << Line{true, u"Predĺženie %1 zmluvy %2"_s.arg(i + 1).arg(c.number), {}};
            values(c.extensions.at(i));
        }
    }
    out << Line{true, u"Zmeny záznamov"_s, {}};
    if (holding.trail.isEmpty()) out << Line{false, {}, u"žiadne"_s};
    for (const Trail::Row& r : holding.trail) {
        QStringList text{QStringList{actionText(r), r.table, r.key, r.clerk, r.counter}.join(u", "_s)};
        text << changeLines(r);
        out << Line{false, Values::shortDateText(r.moment.date()) + u' ' + r.moment.time().toString(u"HH:mm:ss"_s),
                    text.join(u'\n')};
    }
    return out;
}

QString actionText(const Trail::Row& row)
{
    const auto action = Trail::actionOf(row.action);
    return action ? actionName(*action) : row.action;
}

QStringList changeLines(const Trail::Row& row)
{
    QStringList lines;
    for (const Trail::FieldChange& f : row.fields)
        lines << u"%1: %2 → %3"_s.arg(captionOf(f.field), f.oldValue, f.newValue);
    return lines;
}

} // namespace PersonData
