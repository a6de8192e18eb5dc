#include "store/engine/Schema.h"

#include <QStringList>

using namespace Qt::Literals::StringLiterals;

int TableDef::fieldIndex(const QString& name) const
{
    for (int i = 0; i < fields.size(); ++i) // the names as written are the usual case
        if (fields.at(i).name == name) return i;
    for (int i = 0; i < fields.size(); ++i)
        if (fields.at(i).name.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

const TagDef* TableDef::tag(const QString& name) const
{
    for (const TagDef& t : tags)
        if (t.name.compare(name, Qt::CaseInsensitive) == 0) return &t;
    return nullptr;
}

namespace {

using F = FieldType;

QList<TableDef> makeTables()
{
    const FieldDef wrk{u"WRK"_s, F::Logical, 0};
    const QList<FieldDef> contractFields{
        {u"BIRTHNUM"_s, F::Text, 10}, {u"NUMBER"_s, F::Text, 8},      {u"AGRDATE"_s, F::Date, 0},
        {u"AMOUNT"_s, F::Number, 6},  {u"PERCENT"_s, F::Number, 2},   {u"WEEKTIME"_s, F::SmallInt, 2},
        {u"UNTIL"_s, F::Date, 0},     {u"PAID"_s, F::Logical, 0},     {u"PAID_SUM"_s, F::Number, 6},
        {u"PAID_DATE"_s, F::Date, 0}, {u"RETURNED"_s, F::Logical, 0}, {u"RETUDATE"_s, F::Date, 0},
        {u"RETENT"_s, F::Logical, 0}, {u"PADAK"_s, F::Logical, 0}};
    const QList<FieldDef> extensionFields{{u"NUMBER"_s, F::Text, 8},
                                          {u"X_UNTIL"_s, F::Date, 0},
                                          {u"X_PERCENT"_s, F::Number, 5},
                                          {u"X_PAID"_s, F::Number, 9},
                                          {u"X_PAIDDATE"_s, F::Date, 0}};
    const QList<FieldDef> goodsFields{
        {u"NUMBER"_s, F::Text, 8},      {u"SUBJECT"_s, F::Text, 45},      {u"VRATENE"_s, F::Logical, 0},
        {u"PREDANE"_s, F::Logical, 0},  {u"PREPADNUTE"_s, F::Logical, 0}, {u"PRED_DATUM"_s, F::Date, 0},
        {u"PRED_SUMA"_s, F::Number, 9}, {u"SUMA1"_s, F::Number, 9},       {u"SUMA2"_s, F::Number, 9}};
    const QList<FieldDef> personFields{{u"WRK"_s, F::Logical, 0},    {u"BLACK"_s, F::Logical, 0},
                                       {u"BIRTHNUM"_s, F::Text, 10}, {u"LASTNAME"_s, F::Text, 15},
                                       {u"FIRSNAME"_s, F::Text, 15}, {u"IDCARD"_s, F::Text, 10},
                                       {u"STREET"_s, F::Text, 18},   {u"STREETNO"_s, F::Text, 8},
                                       {u"CITY"_s, F::Text, 12},     {u"REASON"_s, F::Text, 80}};
    const QList<FieldDef> incomeFields{{u"NUMBER"_s, F::Text, 8},   {u"DATE"_s, F::Date, 0},
                                       {u"AMOUNT"_s, F::Number, 9}, {u"PAID_SUM"_s, F::Number, 9},
                                       {u"X_PAID"_s, F::Number, 9}, {u"PRED_SUMA"_s, F::Number, 9}};

    auto withWrk = [&](QList<FieldDef> f) {
        f.prepend(wrk);
        return f;
    };
    const QString contract = u"Zmluvu %1"_s, person = u"Záložcu %1"_s, item = u"Predmet zmluvy %1"_s,
                  extension = u"Predĺženie zmluvy %1"_s, number = u"NUMBER"_s;
    return {
        {u"Zmluvy.DBF"_s,
         u"Zmluvy"_s,
         withWrk(contractFields),
         {{u"NUMBER"_s, u"NUMBER"_s, true, false}, {u"BIRTHNUM"_s, u"BIRTHNUM"_s, false, false}},
         contract,
         number},
        {u"Osoby.DBF"_s,
         u"Osoby"_s,
         personFields,
         {{u"BIRTHNUM"_s, u"BIRTHNUM"_s, false, false},
          {u"LASTNAME"_s, u"LASTNAME"_s, false, true},
          {u"IDCARD"_s, u"IDCARD"_s, false, true}},
         person,
         u"BIRTHNUM"_s},
        {u"Predlz.DBF"_s,
         u"Predlz"_s,
         withWrk(extensionFields),
         {{u"NUMBER"_s, u"NUMBER"_s, false, false}},
         extension,
         number},
        {u"Inventar.DBF"_s,
         u"Inventar"_s,
         withWrk(goodsFields),
         {{u"NUMBER"_s, u"NUMBER"_s, true, false}},
         item,
         number},
        {u"Prijvyd.dbf"_s, u"Prijvyd"_s, incomeFields, {{u"DATE"_s, u"DATE"_s, false, false}}, {}, {}},
        // The archive tables carry no WRK: nothing marks archived records.
        {u"Xzmluvy.DBF"_s, u"Xzmluvy"_s, contractFields, {}, contract, number},
        {u"Xpredlz.DBF"_s, u"Xpredlz"_s, extensionFields, {}, extension, number},
        {u"Xinvent.DBF"_s, u"Xinvent"_s, goodsFields, {}, item, number},
    };
}

QString sqlType(FieldType t)
{
    switch (t) {
    case F::Text:
    case F::Date:
        return u"TEXT"_s;
    case F::Number:
        return u"REAL"_s;
    case F::SmallInt:
    case F::Logical:
        return u"INTEGER"_s;
    }
    return u"TEXT"_s;
}

} // namespace

namespace Schema {

const QList<TableDef>& tables()
{
    static const QList<TableDef> all = [] {
        QList<TableDef> t = makeTables();
        for (int i = 0; i < t.size(); ++i)
            t[i].id = i;
        return t;
    }();
    return all;
}

const TableDef* find(const QString& fileName)
{
    QString base = fileName;
    const qsizetype dot = base.lastIndexOf(u'.');
    if (dot >= 0) base.truncate(dot);
    for (const TableDef& def : tables())
        if (def.sqlName.compare(base, Qt::CaseInsensitive) == 0) return &def;
    return nullptr;
}

QString keyExpression(const TableDef&, const TagDef& tag)
{
    return u"IFNULL(\"%1\",'')"_s.arg(tag.field) + (tag.slovak ? u" COLLATE SLOVAK"_s : QString());
}

QString createStatements(const TableDef& def, QStringList* indexes)
{
    QStringList columns;
    for (const FieldDef& f : def.fields)
        columns << u"\"%1\" %2"_s.arg(f.name, sqlType(f.type));
    if (indexes) {
        for (const TagDef& tag : def.tags)
            *indexes << u"CREATE INDEX \"%1_%2\" ON \"%1\" (%3 %4)"_s.arg(
                def.sqlName, tag.name, keyExpression(def, tag), tag.descending ? u"DESC"_s : u"ASC"_s);
        // The record count of a grid without a filter costs nothing, however big the table.
        *indexes << u"INSERT INTO RecordCounts (name, n) VALUES ('%1', 0)"_s.arg(def.sqlName)
                 << u"CREATE TRIGGER \"%1_counted\" AFTER INSERT ON \"%1\" BEGIN "
                    u"UPDATE RecordCounts SET n = n + 1 WHERE name = '%1'; END"_s.arg(def.sqlName)
                 << u"CREATE TRIGGER \"%1_uncounted\" AFTER DELETE ON \"%1\" BEGIN "
                    u"UPDATE RecordCounts SET n = n - 1 WHERE name = '%1'; END"_s.arg(def.sqlName);
    }
    return u"CREATE TABLE \"%1\" (%2)"_s.arg(def.sqlName, columns.join(u", "_s));
}

QString settingsTable()
{
    return u"Nastavenia"_s;
}

QString createSettingsStatement()
{
    return u"CREATE TABLE Nastavenia (NAME TEXT PRIMARY KEY, VALUE TEXT NOT NULL)"_s;
}

} // namespace Schema
