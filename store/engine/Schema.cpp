#include "store/engine/Schema.h"

#include "store/engine/Names.h"

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

int TableDef::personKeyField() const
{
    for (int i = 0; i < fields.size(); ++i)
        if (fields.at(i).personKey) return i;
    return -1;
}

int TableDef::markField() const
{
    for (int i = 0; i < fields.size(); ++i)
        if (fields.at(i).mark) return i;
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
    const FieldDef wrk{Col::WRK, F::Logical, 0};
    const FieldDef birthNumber{Col::BIRTHNUM, F::Text, 10, true, true};
    const QList<FieldDef> contractFields{birthNumber,
                                         {Col::NUMBER, F::Text, 8},
                                         {Col::AGRDATE, F::Date, 0},
                                         {Col::AMOUNT, F::Number, 6},
                                         {Col::PERCENT, F::Number, 2},
                                         {Col::WEEKTIME, F::SmallInt, 2},
                                         {Col::UNTIL, F::Date, 0},
                                         {Col::PAID, F::Logical, 0},
                                         {Col::PAID_SUM, F::Number, 6},
                                         {Col::PAID_DATE, F::Date, 0},
                                         {Col::RETURNED, F::Logical, 0},
                                         {Col::RETUDATE, F::Date, 0},
                                         {Col::RETENT, F::Logical, 0},
                                         {Col::PADAK, F::Logical, 0}};
    const QList<FieldDef> extensionFields{{Col::NUMBER, F::Text, 8},
                                          {Col::X_UNTIL, F::Date, 0},
                                          {Col::X_PERCENT, F::Number, 5},
                                          {Col::X_PAID, F::Number, 9},
                                          {Col::X_PAIDDATE, F::Date, 0}};
    const QList<FieldDef> goodsFields{
        {Col::NUMBER, F::Text, 8},      {Col::SUBJECT, F::Text, 45},      {Col::VRATENE, F::Logical, 0},
        {Col::PREDANE, F::Logical, 0},  {Col::PREPADNUTE, F::Logical, 0}, {Col::PRED_DATUM, F::Date, 0},
        {Col::PRED_SUMA, F::Number, 9}, {Col::SUMA1, F::Number, 9},       {Col::SUMA2, F::Number, 9}};
    const QList<FieldDef> personFields{
        {Col::WRK, F::Logical, 0},          {Col::BLACK, F::Logical, 0},        birthNumber,
        {Col::LASTNAME, F::Text, 15, true}, {Col::FIRSNAME, F::Text, 15, true}, {Col::IDCARD, F::Text, 10, true},
        {Col::STREET, F::Text, 18, true},   {Col::STREETNO, F::Text, 8, true},  {Col::CITY, F::Text, 12, true},
        {Col::REASON, F::Text, 80, true}};
    const QList<FieldDef> incomeFields{{Col::NUMBER, F::Text, 8},   {Col::DATE, F::Date, 0},
                                       {Col::AMOUNT, F::Number, 9}, {Col::PAID_SUM, F::Number, 9},
                                       {Col::X_PAID, F::Number, 9}, {Col::PRED_SUMA, F::Number, 9}};

    auto withWrk = [&](QList<FieldDef> f) {
        f.prepend(wrk);
        return f;
    };
    // Two counters pressing "Nový" at once must not store one number twice.
    QList<FieldDef> liveContractFields = withWrk(contractFields);
    for (FieldDef& f : liveContractFields)
        f.unique = f.name == Col::NUMBER;
    const QString number = Col::NUMBER, signing = Col::AGRDATE;
    QList<TableDef> tables{
        {Tab::ZmluvyDbf,
         Tab::Zmluvy,
         liveContractFields,
         {{Col::NUMBER, Col::NUMBER, true, false}, {Col::BIRTHNUM, Col::BIRTHNUM, false, false}},
         number,
         true,
         signing},
        {Tab::OsobyDbf,
         Tab::Osoby,
         personFields,
         {{Col::BIRTHNUM, Col::BIRTHNUM, false, false},
          {Col::LASTNAME, Col::LASTNAME, false, true},
          {Col::IDCARD, Col::IDCARD, false, true}},
         Col::BIRTHNUM,
         true},
        {Tab::PredlzDbf,
         Tab::Predlz,
         withWrk(extensionFields),
         {{Col::NUMBER, Col::NUMBER, false, false}},
         number,
         true},
        {Tab::InventarDbf,
         Tab::Inventar,
         withWrk(goodsFields),
         {{Col::NUMBER, Col::NUMBER, true, false}},
         number,
         true},
        {Tab::PrijvydDbf, Tab::Prijvyd, incomeFields, {{Col::DATE, Col::DATE, false, false}}, {}},
        // The archive tables carry no WRK: nothing marks archived records.
        {Tab::XzmluvyDbf, Tab::Xzmluvy, contractFields, {}, number, false, signing},
        {Tab::XpredlzDbf, Tab::Xpredlz, extensionFields, {}, number},
        {Tab::XinventDbf, Tab::Xinvent, goodsFields, {}, number},
    };
    tables[1].persons = true;
    tables[4].ofCounter = true;
    for (TableDef& table : tables)
        for (FieldDef& f : table.fields) {
            f.mark = f.name == Col::WRK;
            f.zeroDefault = f.name == Col::WEEKTIME || f.name == Col::X_PERCENT;
            // The paid sum also holds the total the window proposes (amount plus percent), which may run to seven.
            if (f.name == Col::PAID_SUM) f.centsDigits = 7;
        }
    return tables;
}

QList<OwnTableDef> makeOwnTables()
{
    using T = OwnColumn::Type;
    // In the order a copy takes them: the trail last, after the keys and the seal it is read with.
    return {
        {u"Pokladnici"_s,
         {{u"NAME"_s, T::Text, u"NOT NULL UNIQUE"_s},
          {u"ROLE"_s, T::Text, u"NOT NULL"_s},
          {u"PWHASH"_s, T::Text, u"NOT NULL"_s},
          {u"ACTIVE"_s, T::Integer, u"NOT NULL"_s}}},
        {u"Tajomstvo"_s, {{u"SECRET"_s, T::Text, u"NOT NULL"_s}}},
        // The keys are looked up by a hash of the birth number with the store's secret, never by the number itself.
        {u"Kluce"_s,
         {{u"TAG"_s, T::Text, u"PRIMARY KEY"_s},
          {u"LOOKUP"_s, T::Text, u"NOT NULL"_s},
          {u"PKEY"_s, T::Text, u"NOT NULL"_s}},
         false,
         {u"Kluce_lookup (LOOKUP)"_s}},
        {u"Pecat"_s, {{u"SKEY"_s, T::Text, u"NOT NULL"_s}}},
        {u"Zmeny"_s,
         {{u"SEQ"_s, T::Sequence, u"PRIMARY KEY"_s},
          {u"MOMENT"_s, T::Text, u"NOT NULL"_s},
          {u"CLERK"_s, T::Text, u"NOT NULL"_s},
          {u"COUNTER"_s, T::Text, u"NOT NULL"_s},
          {u"ACTION"_s, T::Text, u"NOT NULL"_s},
          {u"TABLENAME"_s, T::Text, u"NOT NULL"_s},
          {u"RECKEY"_s, T::Text, u"NOT NULL"_s},
          {u"PERSON"_s, T::Text, u"NOT NULL"_s},
          {u"DETAIL"_s, T::Text, u"NOT NULL"_s},
          {u"HASH"_s, T::Text, u"NOT NULL"_s},
          {u"SEAL"_s, T::Text, u"NOT NULL DEFAULT ''"_s}},
         true},
        // The currency is copied by what it means (Store::setCurrency), not as stored.
        {u"Nastavenia"_s,
         {{u"NAME"_s, T::Text, u"PRIMARY KEY"_s}, {u"VALUE"_s, T::Text, u"NOT NULL"_s}},
         false,
         {},
         false},
    };
}

QString sqlType(Schema::Engine engine, FieldType t)
{
    const bool server = engine == Schema::Engine::Postgresql;
    switch (t) {
    case F::Text:
    case F::Date: // YYYY-MM-DD, sorted and compared as text on both engines
        return server ? u"text"_s : u"TEXT"_s;
    case F::Number:
        return server ? u"double precision"_s : u"REAL"_s;
    case F::SmallInt:
    case F::Logical:
        return server ? u"integer"_s : u"INTEGER"_s;
    }
    return u"TEXT"_s;
}

QString ownType(Schema::Engine engine, OwnColumn::Type t)
{
    switch (t) {
    case OwnColumn::Type::Text:
        return u"TEXT"_s;
    case OwnColumn::Type::Integer:
        return u"INTEGER"_s;
    case OwnColumn::Type::Sequence:
        break;
    }
    return engine == Schema::Engine::Postgresql ? u"bigint"_s : u"INTEGER"_s;
}

// What a server store holds apart from its tables: the collation of surnames, the record counts kept by statement
// triggers and summed once at commit, the notice of a changed table.
const char* const ServerPlumbing = R"(
CREATE COLLATION slovak (provider = icu, locale = 'sk-SK-u-ks-level2', deterministic = false);
CREATE TABLE recordcounts (name text PRIMARY KEY, n bigint NOT NULL);
-- A row here lives only inside a transaction that changed a count: its trigger adds the counts at commit,
-- once per transaction, however many records it wrote.
CREATE TABLE countflush (x integer);
CREATE FUNCTION mervana_count() RETURNS trigger LANGUAGE plpgsql AS $f$
DECLARE
    k bigint;
    setting text := 'mervana.count_' || TG_ARGV[0];
BEGIN
    IF TG_OP = 'INSERT' THEN
        SELECT count(*) INTO k FROM new_rows;
    ELSE
        SELECT -count(*) INTO k FROM old_rows;
    END IF;
    IF k = 0 THEN
        RETURN NULL;
    END IF;
    PERFORM set_config(setting, (COALESCE(NULLIF(current_setting(setting, true), ''), '0')::bigint + k)::text, true);
    IF COALESCE(current_setting('mervana.count_pending', true), '') = '' THEN
        PERFORM set_config('mervana.count_pending', 'y', true);
        INSERT INTO countflush VALUES (1);
    END IF;
    RETURN NULL;
END $f$;
CREATE FUNCTION mervana_count_flush() RETURNS trigger LANGUAGE plpgsql AS $f$
DECLARE
    r record;
    setting text;
    d bigint;
BEGIN
    FOR r IN SELECT name FROM recordcounts ORDER BY name LOOP
        setting := 'mervana.count_' || r.name;
        d := COALESCE(NULLIF(current_setting(setting, true), ''), '0')::bigint;
        IF d <> 0 THEN
            UPDATE recordcounts SET n = n + d WHERE name = r.name;
            PERFORM set_config(setting, '0', true);
        END IF;
    END LOOP;
    PERFORM set_config('mervana.count_pending', '', true);
    DELETE FROM countflush;
    RETURN NULL;
END $f$;
CREATE CONSTRAINT TRIGGER countflush_at_commit AFTER INSERT ON countflush DEFERRABLE INITIALLY DEFERRED
    FOR EACH ROW EXECUTE FUNCTION mervana_count_flush();
CREATE FUNCTION mervana_changed() RETURNS trigger LANGUAGE plpgsql AS $f$
BEGIN
    -- Several shops may share a database, each in a schema of its own: the notice names the schema too.
    PERFORM pg_notify('mervana', TG_TABLE_SCHEMA || '.' || TG_ARGV[0]);
    RETURN NULL;
END $f$)";

const QString VersionTable = u"StoreVersion"_s;

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

const QList<OwnTableDef>& ownTables()
{
    static const QList<OwnTableDef> all = makeOwnTables();
    return all;
}

const OwnTableDef* ownTable(const QString& name)
{
    for (const OwnTableDef& def : ownTables())
        if (def.name.compare(name, Qt::CaseInsensitive) == 0) return &def;
    return nullptr;
}

QString serverName(const QString& name)
{
    return u'"' + name.toLower().replace(u'"', u"\"\""_s) + u'"';
}

QString serverColumns(const TableDef& def)
{
    QStringList list{u"rowid bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY"_s};
    for (const FieldDef& f : def.fields)
        list << serverName(f.name) + u' ' + sqlType(Engine::Postgresql, f.type);
    return list.join(u", "_s);
}

QString serverKeyIndex(const TableDef& def, const TagDef& tag)
{
    // As the cursors order: the key (empty values as empty text), then the row id.
    return u"CREATE INDEX %1 ON %2 ((COALESCE(%3, '')%4) %5, rowid)"_s.arg(
        serverName(def.sqlName + u'_' + tag.name), serverName(def.sqlName), serverName(tag.field),
        tag.slovak ? u" COLLATE slovak"_s : QString(), tag.descending ? u"DESC"_s : u"ASC"_s);
}

QString grantToCountersSql(const QString& table, const QString& privileges)
{
    // The counters' role is found by what it may do to the register's first table.
    return u"DO $g$ DECLARE r text; BEGIN FOR r IN SELECT DISTINCT pg_get_userbyid(a.grantee) FROM pg_class c, "
           u"aclexplode(c.relacl) a WHERE c.oid = to_regclass(quote_ident(current_schema()) || '.%1') AND "
           u"a.grantee <> c.relowner AND a.grantee <> 0 AND a.privilege_type = 'INSERT' LOOP EXECUTE "
           u"format('GRANT %2 ON %3 TO %I', r); END LOOP; END $g$"_s.arg(tables().constFirst().sqlName.toLower(),
                                                                         privileges, table.toLower());
}

QString uniqueIndexName(const TableDef& def, const FieldDef& field)
{
    return (def.sqlName + u'_' + field.name + u"_unique"_s).toLower();
}

QStringList createSql(Engine engine, const TableDef& def)
{
    QStringList sql;
    if (engine == Engine::Postgresql) {
        const QString name = serverName(def.sqlName);
        sql << u"CREATE TABLE %1 (%2)"_s.arg(name, serverColumns(def));
        for (const TagDef& tag : def.tags)
            sql << serverKeyIndex(def, tag);
        // Only where several counters write at once: a single counter's file keeps what it always stored.
        for (const FieldDef& f : def.fields)
            if (f.unique)
                sql << u"CREATE UNIQUE INDEX %1 ON %2 (%3) WHERE %3 <> ''"_s.arg(uniqueIndexName(def, f), name,
                                                                                 serverName(f.name));
        sql << u"INSERT INTO recordcounts VALUES ('%1', 0)"_s.arg(def.sqlName)
            << u"CREATE TRIGGER %1 AFTER INSERT ON %2 REFERENCING NEW TABLE AS new_rows FOR EACH STATEMENT "
               u"EXECUTE FUNCTION mervana_count('%3')"_s.arg(serverName(def.sqlName + u"_counted"_s), name, def.sqlName)
            << u"CREATE TRIGGER %1 AFTER DELETE ON %2 REFERENCING OLD TABLE AS old_rows FOR EACH STATEMENT "
               u"EXECUTE FUNCTION mervana_count('%3')"_s.arg(serverName(def.sqlName + u"_uncounted"_s), name,
                                                             def.sqlName)
            << u"CREATE TRIGGER %1 AFTER INSERT OR UPDATE OR DELETE ON %2 FOR EACH STATEMENT "
               u"EXECUTE FUNCTION mervana_changed('%3')"_s.arg(serverName(def.sqlName + u"_changed"_s), name,
                                                               def.sqlName);
        return sql;
    }
    QStringList columns;
    for (const FieldDef& f : def.fields)
        columns << u"\"%1\" %2"_s.arg(f.name, sqlType(engine, f.type));
    sql << u"CREATE TABLE \"%1\" (%2)"_s.arg(def.sqlName, columns.join(u", "_s));
    for (const TagDef& tag : def.tags)
        sql << u"CREATE INDEX \"%1_%2\" ON \"%1\" (%3 %4)"_s.arg(def.sqlName, tag.name, keyExpression(def, tag),
                                                                 tag.descending ? u"DESC"_s : u"ASC"_s);
    // The record count of a grid without a filter costs nothing, however big the table.
    sql << u"INSERT INTO RecordCounts (name, n) VALUES ('%1', 0)"_s.arg(def.sqlName)
        << u"CREATE TRIGGER \"%1_counted\" AFTER INSERT ON \"%1\" BEGIN "
           u"UPDATE RecordCounts SET n = n + 1 WHERE name = '%1'; END"_s.arg(def.sqlName)
        << u"CREATE TRIGGER \"%1_uncounted\" AFTER DELETE ON \"%1\" BEGIN "
           u"UPDATE RecordCounts SET n = n - 1 WHERE name = '%1'; END"_s.arg(def.sqlName);
    return sql;
}

QStringList createSql(Engine engine, const OwnTableDef& def)
{
    QStringList columns;
    for (const OwnColumn& c : def.columns)
        columns << c.name + u' ' + ownType(engine, c.type) + (c.constraint.isEmpty() ? u""_s : u' ' + c.constraint);
    QStringList sql{u"CREATE TABLE %1 (%2)"_s.arg(def.name, columns.join(u", "_s))};
    for (const QString& index : def.indexes)
        sql << u"CREATE INDEX %1 ON %2 %3"_s.arg(index.section(u' ', 0, 0), def.name, index.section(u' ', 1));
    if (!def.appendOnly) return sql;
    // The trail's check at open compares SQLite's triggers with this text: a change here is an upgrade step.
    const QString refused = u"The trail of changes is only ever appended to"_s;
    if (engine == Engine::Sqlite) {
        for (const QString& what : {u"UPDATE"_s, u"DELETE"_s})
            sql << u"CREATE TRIGGER %1_no_%2 BEFORE %3 ON %1 BEGIN SELECT RAISE(ABORT, '%4'); END"_s.arg(
                def.name, what.toLower(), what, refused);
        return sql;
    }
    // Only the table's owner (the role that made the store, which the counters do not use) could disable either.
    const QString name = def.name.toLower();
    return sql << u"CREATE OR REPLACE FUNCTION mervana_append_only() RETURNS trigger LANGUAGE plpgsql AS $f$ BEGIN "
                  u"RAISE EXCEPTION '%1'; END $f$"_s.arg(refused)
               << u"CREATE OR REPLACE FUNCTION mervana_trail_refuse() RETURNS boolean LANGUAGE plpgsql AS $f$ BEGIN "
                  u"RAISE EXCEPTION '%1'; END $f$"_s.arg(refused)
               << u"CREATE TRIGGER %1_append_only BEFORE UPDATE OR DELETE ON %1 FOR EACH ROW EXECUTE FUNCTION "
                  u"mervana_append_only()"_s.arg(name)
               << u"CREATE TRIGGER %1_no_truncate BEFORE TRUNCATE ON %1 FOR EACH STATEMENT EXECUTE FUNCTION "
                  u"mervana_append_only()"_s.arg(name)
               << u"CREATE RULE %1_no_update AS ON UPDATE TO %1 DO INSTEAD SELECT mervana_trail_refuse()"_s.arg(name)
               << u"CREATE RULE %1_no_delete AS ON DELETE TO %1 DO INSTEAD SELECT mervana_trail_refuse()"_s.arg(name)
               << u"REVOKE ALL ON %1 FROM PUBLIC"_s.arg(name);
}

QStringList createStoreSql(Engine engine, int version)
{
    QStringList sql;
    if (engine == Engine::Postgresql)
        sql << QString::fromUtf8(ServerPlumbing);
    else
        sql << u"CREATE TABLE RecordCounts (name TEXT PRIMARY KEY, n INTEGER NOT NULL)"_s;
    for (const TableDef& def : tables())
        sql += createSql(engine, def);
    for (const OwnTableDef& def : ownTables())
        sql += createSql(engine, def);
    return sql + versionTableSql(version);
}

QString dropServerSql()
{
    QStringList own{VersionTable.toLower()};
    for (const OwnTableDef& def : ownTables())
        own << def.name.toLower();
    QString sql = u"DROP TABLE IF EXISTS %1;\nDROP FUNCTION IF EXISTS mervana_append_only();\nDROP FUNCTION IF EXISTS "
                  u"mervana_trail_refuse();\n"_s.arg(own.join(u", "_s));
    for (const TableDef& def : tables())
        // CASCADE: a session that just closed may not yet have dropped its own views of the tables.
        sql += u"DROP TABLE IF EXISTS %1 CASCADE;\n"_s.arg(serverName(def.sqlName));
    return sql + uR"(DROP TABLE IF EXISTS countflush;
DROP TABLE IF EXISTS recordcounts;
DROP FUNCTION IF EXISTS mervana_count();
DROP FUNCTION IF EXISTS mervana_count_flush();
DROP FUNCTION IF EXISTS mervana_changed();
DROP COLLATION IF EXISTS slovak CASCADE;
)"_s;
}

QStringList versionTableSql(int version)
{
    return {u"CREATE TABLE %1 (VERSION INTEGER NOT NULL)"_s.arg(VersionTable),
            u"INSERT INTO %1 (VERSION) VALUES (%2)"_s.arg(VersionTable).arg(version)};
}

QString versionTable()
{
    return VersionTable;
}

QString versionSql()
{
    return u"SELECT VERSION FROM "_s + VersionTable;
}

QString setVersionSql()
{
    return u"UPDATE "_s + VersionTable + u" SET VERSION = ?"_s;
}

QString settingsTable()
{
    return u"Nastavenia"_s;
}

} // namespace Schema
