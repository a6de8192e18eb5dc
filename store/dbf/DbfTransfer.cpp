#include "store/dbf/DbfTransfer.h"

#include "store/Store.h"
#include "store/Transaction.h"
#include "store/dbf/CodePage.h"
#include "store/dbf/Dbf.h"
#include "store/engine/Errors.h"
#include "store/engine/Schema.h"
#include "store/engine/Statement.h"
#include "store/trail/Trail.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

QString typeName(FieldType t)
{
    switch (t) {
    case FieldType::Text:
        return u"text"_s;
    case FieldType::Number:
        return u"number"_s;
    case FieldType::SmallInt:
        return u"whole number"_s;
    case FieldType::Logical:
        return u"logical"_s;
    case FieldType::Date:
        return u"date"_s;
    }
    return {};
}

bool fits(FieldType target, DbfField::Kind kind)
{
    using K = DbfField::Kind;
    switch (target) {
    case FieldType::Text:
        return kind == K::Text;
    case FieldType::Number:
    case FieldType::SmallInt:
        return kind == K::Number || kind == K::Integer || kind == K::Currency || kind == K::Double;
    case FieldType::Logical:
        return kind == K::Logical;
    case FieldType::Date:
        return kind == K::Date || kind == K::DateTime;
    }
    return false;
}

QString isoDate(const QDate& d)
{
    char text[10];
    const int parts[] = {d.year() / 100, d.year() % 100, d.month(), d.day()};
    for (int i = 0, at = 0; i < 4; ++i) {
        text[at++] = char('0' + parts[i] / 10);
        text[at++] = char('0' + parts[i] % 10);
        if (i == 1 || i == 2) text[at++] = '-';
    }
    return QString::fromLatin1(text, 10);
}

QString quoted(const QString& name)
{
    return u'"' + name + u'"';
}

struct Column
{
    int storeField;
    int dbfField;
};

struct Source
{
    const TableDef* def = nullptr;
    std::unique_ptr<DbfReader> reader;
    QList<Column> columns;
    DbfTransfer::TableReport report;
};

Source openSource(const TableDef& def, const QDir& dir, const QStringList& entries, int codePage)
{
    Source s;
    s.def = &def;
    s.report.table = def.file;
    QStringList found;
    for (const QString& name : entries)
        if (name.compare(def.sqlName + u".dbf"_s, Qt::CaseInsensitive) == 0) found << name;
    std::sort(found.begin(), found.end());
    if (found.size() > 1)
        throw InputError(u"%1 is there %2 times in %3 (%4); keep one"_s.arg(def.file)
                             .arg(found.size())
                             .arg(QDir::toNativeSeparators(dir.path()), found.join(u", "_s)));
    if (found.isEmpty()) {
        if (def.everyShop)
            throw InputError(u"%1 is missing in %2"_s.arg(def.file, QDir::toNativeSeparators(dir.path())));
        return s;
    }
    s.report.file = found.first();
    s.reader = std::make_unique<DbfReader>(dir.filePath(found.first()), codePage);
    const DbfReader& r = *s.reader;
    s.report.codePage = r.codePage();
    QList<bool> matched(def.fields.size(), false);
    for (int i = 0; i < r.fields().size(); ++i) {
        const DbfField& f = r.fields().at(i);
        if (f.hidden || f.kind == DbfField::Kind::NullFlags) continue;
        if (!f.carriesData()) {
            s.report.memoFields << f.name;
            continue;
        }
        const int target = def.fieldIndex(f.name);
        if (target < 0) {
            s.report.skippedFields << f.name;
            continue;
        }
        const FieldType type = def.fields.at(target).type;
        if (!fits(type, f.kind))
            r.fail(-1, i,
                   u"a field of type %1 cannot be read into the register's %2 field"_s.arg(QLatin1Char(f.type))
                       .arg(typeName(type)));
        matched[target] = true;
        s.columns.append({target, i});
    }
    for (int i = 0; i < def.fields.size(); ++i)
        if (!matched.at(i)) s.report.emptyFields << def.fields.at(i).name;
    return s;
}

bool holdsRecords(Store& store, const TableDef& def)
{
    StatementUse q = store.statement(u"SELECT EXISTS (SELECT 1 FROM %1)"_s.arg(quoted(def.sqlName)));
    const bool any = q.step() && q.int64(0) != 0;
    q.reset();
    return any;
}

// The value of a file's field as the store keeps it in a field of type target.
QVariant storedValue(const DbfReader& r, qint64 record, int field, FieldType target, QString& text)
{
    switch (target) {
    case FieldType::Text:
        return r.text(record, field, text) ? QVariant(text) : QVariant();
    case FieldType::Number: {
        const QVariant v = r.value(record, field);
        return v.isValid() ? QVariant(v.toDouble()) : QVariant();
    }
    case FieldType::SmallInt: {
        const QVariant v = r.value(record, field);
        if (!v.isValid()) return {};
        const double d = v.toDouble();
        if (d != std::trunc(d) || std::fabs(d) > 2147483647.0)
            r.fail(record, field, u"%1 is not a whole number"_s.arg(d, 0, 'g', 17));
        return QVariant(qint64(d));
    }
    case FieldType::Logical: {
        const QVariant v = r.value(record, field);
        return v.isValid() ? QVariant(qint64(v.toBool() ? 1 : 0)) : QVariant();
    }
    case FieldType::Date: {
        const QVariant v = r.value(record, field);
        if (!v.isValid()) return {};
        return isoDate(v.typeId() == QMetaType::QDateTime ? v.toDateTime().date() : v.toDate());
    }
    }
    return {};
}

void insertRecords(Store& store, Source& s)
{
    if (!s.reader) return;
    const DbfReader& r = *s.reader;
    const TableDef& def = *s.def;
    if (s.columns.isEmpty()) { // nothing to carry over, yet every record counts
        for (qint64 rec = 0; rec < r.recordCount(); ++rec)
            r.isDeleted(rec) ? ++s.report.deleted : ++s.report.records;
        return;
    }
    QStringList names, marks;
    for (const Column& c : std::as_const(s.columns)) {
        names << quoted(def.fields.at(c.storeField).name);
        marks << u"?"_s;
    }
    StatementUse insert = store.statement(
        u"INSERT INTO %1 (%2) VALUES (%3)"_s.arg(quoted(def.sqlName), names.join(u", "_s), marks.join(u", "_s)), def);
    QString text;
    for (qint64 rec = 0; rec < r.recordCount(); ++rec) {
        if (r.isDeleted(rec)) {
            ++s.report.deleted;
            continue;
        }
        for (int i = 0; i < s.columns.size(); ++i) {
            const Column& c = s.columns.at(i);
            insert.bind(i + 1, storedValue(r, rec, c.dbfField, def.fields.at(c.storeField).type, text));
        }
        insert.step();
        insert.reset();
        ++s.report.records;
    }
}

[[noreturn]] void failStored(const TableDef& def, qint64 record, int field, const QString& problem)
{
    throw InputError(
        u"%1, record %2, field %3: %4"_s.arg(def.file).arg(record).arg(def.fields.at(field).name, problem));
}

// A stored number: empty, or a number of either storage class; a text there is damage.
std::optional<double> storedNumber(const QVariant& v, const TableDef& def, qint64 record, int field)
{
    if (!v.isValid()) return std::nullopt;
    if (v.typeId() == QMetaType::QString)
        failStored(def, record, field, u"the stored value '%1' is not a number"_s.arg(v.toString()));
    return v.toDouble();
}

// The file layout of a table: text as wide as the entry limit or the longest text stored (254 at most),
// numbers with the decimals that give every stored value back exactly (20 characters at most).
QList<DbfWriter::Field> layout(Store& store, const TableDef& def)
{
    QStringList lengths, numbers;
    for (const FieldDef& f : def.fields) {
        if (f.type == FieldType::Text) lengths << u"MAX(LENGTH(%1))"_s.arg(quoted(f.name));
        if (f.type == FieldType::Number || f.type == FieldType::SmallInt) numbers << quoted(f.name);
    }
    QList<qint64> longest;
    if (!lengths.isEmpty()) {
        StatementUse q = store.statement(u"SELECT %1 FROM %2"_s.arg(lengths.join(u", "_s), quoted(def.sqlName)), def);
        q.step();
        for (int i = 0; i < lengths.size(); ++i)
            longest << q.int64(i);
        q.reset();
    }
    struct Shape
    {
        int integer = 0;
        int decimals = 0;
        qint64 widestRecord = 0;
    };
    QList<Shape> shapes(numbers.size());
    if (!numbers.isEmpty()) {
        Statement& q =
            store.statement(u"SELECT %1 FROM %2 ORDER BY rowid"_s.arg(numbers.join(u", "_s), quoted(def.sqlName)), def);
        qint64 record = 0;
        while (q.step()) {
            ++record;
            for (int i = 0, n = 0; i < def.fields.size(); ++i) {
                const FieldType t = def.fields.at(i).type;
                if (t != FieldType::Number && t != FieldType::SmallInt) continue;
                const std::optional<double> v = storedNumber(q.value(n), def, record, i);
                Shape& shape = shapes[n++];
                if (!v) continue;
                if (!std::isfinite(*v)) failStored(def, record, i, u"the stored value is not a finite number"_s);
                const auto [integer, decimals] = DbfWriter::numberShape(*v);
                if (integer > shape.integer) shape.integer = integer, shape.widestRecord = record;
                shape.decimals = std::max(shape.decimals, decimals);
            }
        }
        q.reset();
    }
    QList<DbfWriter::Field> fields;
    for (int i = 0, t = 0, n = 0; i < def.fields.size(); ++i) {
        const FieldDef& f = def.fields.at(i);
        switch (f.type) {
        case FieldType::Text: {
            const qint64 length = std::max<qint64>({1, f.width, longest.at(t++)});
            if (length > 254)
                throw InputError(u"%1, field %2: a text of %3 characters is stored, a table file holds 254 at most"_s
                                     .arg(def.file, f.name)
                                     .arg(length));
            fields.append({f.name, 'C', int(length), 0});
            break;
        }
        case FieldType::Number:
        case FieldType::SmallInt: {
            const Shape& shape = shapes.at(n++);
            const bool money = f.type == FieldType::Number;
            const int decimals = std::max(money ? 2 : 0, shape.decimals);
            const int point = decimals > 0 ? decimals + 1 : 0;
            const int integer = std::max(shape.integer, std::min(money ? 10 : 4, 20 - point));
            if (integer + point > 20)
                failStored(def, shape.widestRecord, i,
                           u"the values of this field need %1 characters, a table file holds 20 at most"_s.arg(integer +
                                                                                                               point));
            fields.append({f.name, 'N', integer + point, decimals});
            break;
        }
        case FieldType::Logical:
            fields.append({f.name, 'L', 1, 0});
            break;
        case FieldType::Date:
            fields.append({f.name, 'D', 8, 0});
            break;
        }
    }
    return fields;
}

void writeRecords(Store& store, const TableDef& def, DbfWriter& out)
{
    QStringList names;
    for (const FieldDef& f : def.fields)
        names << quoted(f.name);
    Statement& q =
        store.statement(u"SELECT %1 FROM %2 ORDER BY rowid"_s.arg(names.join(u", "_s), quoted(def.sqlName)), def);
    while (q.step()) {
        for (int i = 0; i < def.fields.size(); ++i) {
            const QVariant v = q.value(i);
            if (!v.isValid()) {
                out.setNull(i);
                continue;
            }
            switch (def.fields.at(i).type) {
            case FieldType::Text:
                out.setText(i, v.toString());
                break;
            case FieldType::Number:
            case FieldType::SmallInt:
                out.setNumber(i, *storedNumber(v, def, out.recordCount() + 1, i));
                break;
            case FieldType::Logical:
                out.setLogical(i, v.toDouble() != 0);
                break;
            case FieldType::Date: {
                const QString text = v.toString();
                const QDate date = QDate::fromString(text, Qt::ISODate);
                if (!text.isEmpty() && !date.isValid())
                    out.fail(i, u"the stored date '%1' is not a valid date"_s.arg(text));
                out.setDate(i, date);
                break;
            }
            }
        }
        out.addRecord();
    }
    q.reset();
}

} // namespace

namespace DbfTransfer {

QList<TableReport> importTables(Store& store, const QString& srcDir, const ImportOptions& options)
{
    if (!CodePage::isSupported(options.codePage))
        throw InputError(u"Code page %1 is not supported"_s.arg(options.codePage));
    const QDir dir(srcDir);
    if (!QFileInfo(srcDir).isDir()) throw InputError(u"Folder not found: %1"_s.arg(QDir::toNativeSeparators(srcDir)));
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden);
    std::vector<Source> sources;
    for (const TableDef& def : Schema::tables())
        sources.push_back(openSource(def, dir, entries, options.codePage));

    for (const TableDef& def : Schema::tables()) {
        store.table(def.file); // a store without the table says so here
        if (!options.replace && holdsRecords(store, def))
            throw InputError(
                u"The store in %1 holds records already (%2); import only into an empty store, "
                u"or replace its records (--replace)"_s.arg(QDir::toNativeSeparators(store.dataDir()), def.file));
    }
    QList<TableReport> reports;
    {
        Transaction transaction(store);
        const Trail::Bulk bulk(store);
        // What a replace deleted belongs in its row as much as what it brought.
        QJsonObject extra{{u"source"_s, QDir::toNativeSeparators(dir.absolutePath())}};
        if (options.replace) {
            QJsonObject deleted;
            for (const TableDef& def : Schema::tables()) {
                StatementUse q = store.statement(u"DELETE FROM "_s + quoted(def.sqlName));
                q.exec();
                deleted.insert(def.sqlName, q.changes());
            }
            extra.insert(u"deleted"_s, deleted);
        }
        QList<std::pair<QString, qint64>> counts;
        for (Source& s : sources) {
            insertRecords(store, s);
            reports << s.report;
            counts.append({Schema::find(s.report.table)->sqlName, s.report.records});
        }
        Trail::recordMove(store, Trail::Action::Import, Trail::contractPeriod(store), counts, extra);
        transaction.commit();
    }
    store.touchAll();
    return reports;
}

QList<TableReport> exportTables(Store& store, const QString& destDir, int codePage, const QDate& updated)
{
    if (!CodePage::isSupported(codePage) || CodePage::languageByte(codePage) == 0)
        throw InputError(u"Code page %1 cannot be named in a table file"_s.arg(codePage));
    const QDir dir(destDir);
    if (!QDir().mkpath(destDir)) throw StoreError(u"Cannot create folder %1"_s.arg(QDir::toNativeSeparators(destDir)));
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden);
    for (const TableDef& def : Schema::tables())
        for (const QString& name : entries)
            if (name.compare(def.sqlName + u".dbf"_s, Qt::CaseInsensitive) == 0)
                throw InputError(u"%1 holds %2 already; export into a folder without the register's tables"_s.arg(
                    QDir::toNativeSeparators(destDir), name));

    // Each file is written beside its name and put in place only when all eight are complete.
    std::vector<std::unique_ptr<QSaveFile>> files;
    QList<TableReport> reports;
    // The eight files show the store at one moment, while the register writes on.
    std::optional<Snapshot> snapshot(std::in_place, store);
    for (const TableDef& def : Schema::tables()) {
        store.table(def.file);
        auto file = std::make_unique<QSaveFile>(dir.filePath(def.file));
        file->setDirectWriteFallback(false);
        if (!file->open(QIODevice::WriteOnly))
            throw StoreError(
                u"Cannot write %1: %2"_s.arg(QDir::toNativeSeparators(file->fileName()), file->errorString()));
        DbfWriter writer(*file, def.file, layout(store, def), codePage, updated);
        writeRecords(store, def, writer);
        writer.finish();
        TableReport report;
        report.table = def.file;
        report.file = def.file;
        report.codePage = codePage;
        report.records = writer.recordCount();
        reports << report;
        files.push_back(std::move(file));
    }
    snapshot.reset();
    // Personal data leaves the store: the trail says so before the files take their names, and without that
    // row none does.
    QList<std::pair<QString, qint64>> counts;
    for (const TableReport& r : std::as_const(reports))
        counts.append({Schema::find(r.table)->sqlName, r.records});
    Trail::recordMove(store, Trail::Action::PersonalDataExported, {}, counts,
                      {{u"what"_s, u"export-dbf"_s}, {u"target"_s, QDir::toNativeSeparators(dir.absolutePath())}});
    for (size_t i = 0; i < files.size(); ++i) {
        if (!files[i]->commit()) {
            for (size_t k = 0; k < i; ++k) // none rather than some
                QFile::remove(files[k]->fileName());
            throw StoreError(
                u"Cannot write %1: %2"_s.arg(QDir::toNativeSeparators(files[i]->fileName()), files[i]->errorString()));
        }
    }
    return reports;
}

} // namespace DbfTransfer
