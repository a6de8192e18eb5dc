#include "store/Table.h"

#include "store/Store.h"
#include "store/Values.h"
#include "store/engine/Errors.h"
#include "store/engine/Schema.h"

#include <QCollator>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int PageSize = 200;
constexpr int SearchPageSize = 4;
// A long walk (a marking pass) goes on reading ever larger pages up to this: on a server every page is a
// round trip.
constexpr int WalkPageSize = 2000;

// YYYY-MM-DD, written by hand: a refill writes a date into every record it appends.
QString isoDate(const QDate& d)
{
    int year = 0, month = 0, day = 0;
    d.getDate(&year, &month, &day);
    if (year < 0 || year > 9999) return d.toString(Qt::ISODate);
    const char16_t text[10] = {char16_t(u'0' + year / 1000),
                               char16_t(u'0' + year / 100 % 10),
                               char16_t(u'0' + year / 10 % 10),
                               char16_t(u'0' + year % 10),
                               u'-',
                               char16_t(u'0' + month / 10),
                               char16_t(u'0' + month % 10),
                               u'-',
                               char16_t(u'0' + day / 10),
                               char16_t(u'0' + day % 10)};
    return QString(reinterpret_cast<const QChar*>(text), 10);
}

// Never a null string: that would bind as SQL NULL, which no IFNULL(key,'') expression equals or orders
// against, and a record with an empty key could not be found or stood on.
QString keyText(const QVariant& v)
{
    const QString text = v.isNull() ? QString() : v.toString();
    return text.isNull() ? u""_s : text;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Field

QString Field::name() const
{
    return m_table.definition().fields.at(m_index).name;
}

QVariant Field::value() const
{
    return m_table.valuesFor(m_index).value(m_index);
}

bool Field::isNull() const
{
    const RowValues& v = m_table.valuesFor(m_index);
    return m_index >= v.size() || v.isNull(m_index);
}

QString Field::asString() const
{
    const FieldDef& def = m_table.definition().fields.at(m_index);
    return format(def.type, m_table.valuesFor(m_index), m_index, inCents(m_table.store(), def));
}

bool Field::isMoney(const FieldDef& field)
{
    return field.type == FieldType::Number && field.width >= 6;
}

bool Field::inCents(const Store& store, const FieldDef& field)
{
    return store.currency() == Currency::Eur && isMoney(field);
}

namespace {

// A date as stored, YYYY-MM-DD; read by hand, as marking passes read a date of every record.
template <typename Text> QDate storedDate(const Text& text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return {};
    int parts[3] = {0, 0, 0};
    const int from[3] = {0, 5, 8}, count[3] = {4, 2, 2};
    for (int p = 0; p < 3; ++p)
        for (int i = from[p]; i < from[p] + count[p]; ++i) {
            const int digit = int(text[i]) - '0';
            if (digit < 0 || digit > 9) return {};
            parts[p] = parts[p] * 10 + digit;
        }
    return QDate(parts[0], parts[1], parts[2]);
}

QDate storedDate(const RowValues& values, int index)
{
    const QByteArrayView stored = values.storedText(index);
    if (!stored.isEmpty()) return storedDate(stored);
    const QString text = values.text(index);
    const QDate date = storedDate(QStringView(text).toLatin1());
    return date.isValid() ? date : QDate::fromString(text, Qt::ISODate);
}

} // namespace

QString Field::format(FieldType type, const QVariant& v, bool inCents)
{
    if (v.isNull()) return {};
    RowValues values;
    values.resize(1);
    values.set(0, v);
    return format(type, values, 0, inCents);
}

QString Field::format(FieldType type, const RowValues& values, int index, bool inCents)
{
    if (index >= values.size() || values.isNull(index)) return {};
    switch (type) {
    case FieldType::Logical:
        return values.integer(index) != 0 ? u"True"_s : u"False"_s;
    case FieldType::Number:
        if (inCents && std::abs(values.real(index)) < 1e13)
            return Values::centsText(std::llround(values.real(index) * 100));
        return Values::generalNumberText(values.real(index));
    case FieldType::SmallInt:
        return QString::number(values.integer(index));
    case FieldType::Date:
        return Values::shortDateText(storedDate(values, index));
    case FieldType::Text:
        break;
    }
    return values.text(index);
}

qint64 Field::asInteger() const
{
    const RowValues& v = m_table.valuesFor(m_index);
    if (m_index >= v.size() || v.isNull(m_index)) return 0;
    switch (m_table.definition().fields.at(m_index).type) {
    case FieldType::Number:
        return Values::roundCrowns(v.real(m_index));
    case FieldType::Logical:
    case FieldType::SmallInt:
        // A fraction written by another program is cut off, as the field keeps whole numbers.
        return v.kind(m_index) == RowValues::Kind::Real ? Values::roundCrowns(std::trunc(v.real(m_index)))
                                                        : v.integer(m_index);
    case FieldType::Text:
    case FieldType::Date: {
        const auto n = Values::wholeNumber(asString());
        if (!n) throw ConversionError::invalidIntegerForField(asString(), name());
        return *n;
    }
    }
    return 0;
}

bool Field::asBoolean() const
{
    const RowValues& v = m_table.valuesFor(m_index);
    if (m_index >= v.size() || v.isNull(m_index)) return false;
    if (m_table.definition().fields.at(m_index).type == FieldType::Text) {
        const QString t = v.text(m_index).trimmed();
        return t.compare(u"true"_s, Qt::CaseInsensitive) == 0 || t.compare(u"t"_s, Qt::CaseInsensitive) == 0;
    }
    return v.real(m_index) != 0;
}

QDate Field::asDate() const
{
    const RowValues& v = m_table.valuesFor(m_index);
    if (m_index >= v.size() || v.isNull(m_index)) return {};
    if (m_table.definition().fields.at(m_index).type == FieldType::Date) return storedDate(v, m_index);
    return Values::dateFromText(asString());
}

double Field::asFloat() const
{
    const RowValues& v = m_table.valuesFor(m_index);
    if (m_index >= v.size() || v.isNull(m_index)) return 0;
    switch (m_table.definition().fields.at(m_index).type) {
    case FieldType::Text:
    case FieldType::Date: {
        const auto n = Values::parseNumber(asString());
        if (!n) throw ConversionError::invalidFloatForField(asString(), name());
        return *n;
    }
    default:
        return v.real(m_index);
    }
}

void Field::setAsString(const QString& text)
{
    const FieldDef& def = m_table.definition().fields.at(m_index);
    if (text.trimmed().isEmpty() && !(def.type == FieldType::Date && !text.isEmpty())) {
        clear();
        return;
    }
    switch (def.type) {
    case FieldType::Text: {
        // Cut to the width first: a cut that ends in a blank must not store it, or the value would
        // differ from the same text typed again and a key search for it would miss.
        QString t = text;
        if (def.width > 0 && t.size() > def.width) {
            // Never between the two halves of a character beyond the first plane: half of one would be
            // stored as '?'.
            t.truncate(t.at(def.width - 1).isHighSurrogate() ? def.width - 1 : def.width);
        }
        while (t.endsWith(u' '))
            t.chop(1);
        if (t.trimmed().isEmpty()) return clear(); // nothing but blanks left after the cut: empty
        m_table.assign(m_index, t);
        return;
    }
    case FieldType::Number: {
        const auto n = Values::parseNumber(text);
        if (!n) throw ConversionError::invalidFloatForField(text, def.name);
        m_table.assign(m_index, *n);
        return;
    }
    case FieldType::SmallInt: {
        const auto n = Values::wholeNumber(text.trimmed());
        if (!n || *n < -32768 || *n > 32767) throw ConversionError::invalidIntegerForField(text, def.name);
        m_table.assign(m_index, *n);
        return;
    }
    case FieldType::Date: {
        const auto d = Values::parseDate(text);
        if (!d) throw ConversionError::invalidDate(text);
        m_table.assign(m_index, isoDate(*d));
        return;
    }
    case FieldType::Logical: {
        const QString t = text.trimmed();
        for (const char* yes : {"true", "t", "yes", "y"})
            if (t.compare(QLatin1StringView(yes), Qt::CaseInsensitive) == 0) return setAsBoolean(true);
        for (const char* no : {"false", "f", "no", "n"})
            if (t.compare(QLatin1StringView(no), Qt::CaseInsensitive) == 0) return setAsBoolean(false);
        throw ConversionError::invalidBooleanForField(text, def.name);
    }
    }
}

void Field::setAsTyped(const QString& text)
{
    const FieldDef& def = m_table.definition().fields.at(m_index);
    if (def.type == FieldType::SmallInt && !text.trimmed().isEmpty()) {
        // A term of minus five weeks would end before the contract was written.
        static const QRegularExpression digits(u"^ *\\d+ *$"_s);
        if (!digits.match(text).hasMatch()) throw ConversionError::invalidIntegerForField(text, def.name);
        return setAsString(text);
    }
    if (def.type != FieldType::Number || text.trimmed().isEmpty()) return setAsString(text);
    if (inCents(m_table.store(), def)) {
        // Six digits as the box takes them; the paid sum also holds the total the window proposes (amount plus
        // percent), which may run to seven.
        const auto cents = Values::parseCents(text, def.centsDigits);
        if (!cents) throw AmountRefused(text.trimmed(), def.name);
        m_table.assign(m_index, double(*cents) / 100.0);
        return;
    }
    // Sums hold nine digits; the six-digit boxes of a contract limit typing, while the total the
    // window proposes as the paid sum may run to seven. Percent fields hold what their box takes.
    const int digits = def.width >= 6 ? std::max(def.width, 9) : def.width;
    const auto n = Values::parseEntry(text, digits);
    if (!n) throw ConversionError::invalidFloatForField(text, def.name);
    m_table.assign(m_index, *n);
}

void Field::setAsInteger(qint64 value)
{
    const FieldDef& def = m_table.definition().fields.at(m_index);
    switch (def.type) {
    case FieldType::Number:
        m_table.assign(m_index, static_cast<double>(value));
        return;
    case FieldType::SmallInt:
        m_table.assign(m_index, value);
        return;
    case FieldType::Logical:
        m_table.assign(m_index, value != 0 ? 1 : 0);
        return;
    default:
        setAsString(QString::number(value));
    }
}

void Field::setAsBoolean(bool value)
{
    if (m_table.definition().fields.at(m_index).type == FieldType::Text)
        return setAsString(value ? u"True"_s : u"False"_s);
    m_table.assign(m_index, value ? 1 : 0);
}

void Field::setAsDate(const QDate& date)
{
    if (!date.isValid()) return clear();
    if (m_table.definition().fields.at(m_index).type == FieldType::Date)
        m_table.assign(m_index, isoDate(date));
    else
        setAsString(Values::shortDateText(date));
}

void Field::setAsFloat(double value)
{
    const FieldDef& def = m_table.definition().fields.at(m_index);
    if (!std::isfinite(value)) throw ConversionError::invalidFloatForField(Values::generalNumberText(value), def.name);
    if (def.type == FieldType::Number)
        m_table.assign(m_index, value);
    else
        setAsString(Values::generalNumberText(value));
}

void Field::clear()
{
    m_table.assign(m_index, QVariant());
}

// ---------------------------------------------------------------------------------------------------------
// Table

Table::Table(Store& store, const QString& fileName, QObject* parent)
    : QObject(parent), m_store(store), m_fileName(fileName)
{
    m_def = Schema::find(fileName);
}

Table::~Table()
{
    if (isOpen()) {
        try {
            close();
        } catch (const MervanaError&) {
            // Destruction must not throw; a failed last post leaves the store as it was.
        }
    }
}

const TableDef& Table::definition() const
{
    if (!m_def) throw StoreError(u"Table does not exist: %1"_s.arg(m_fileName));
    return *m_def;
}

void Table::open()
{
    if (isOpen()) return;
    m_def = &m_store.table(m_fileName);
    m_store.acquire(*m_def, m_exclusive);
    m_openedExclusive = m_exclusive;
    m_state = State::Browse;
    if (!m_pendingTag.isEmpty()) {
        m_tag = m_def->tag(m_pendingTag);
        m_tagField = m_tag ? m_def->fieldIndex(m_tag->field) : -1;
    }
    m_filter = m_filtered ? m_parsedFilter : Filter();
    viewChangedInternally();
    deferFirst();
}

void Table::close()
{
    if (!isOpen()) return;
    try {
        checkedPostPending();
    } catch (...) {
        m_state = State::Browse;
        m_store.release(*m_def, m_openedExclusive);
        m_state = State::Inactive;
        throw;
    }
    m_store.release(*m_def, m_openedExclusive);
    m_state = State::Inactive;
    m_page.clear();
    m_pos = -1;
    m_pendingResync = false;
    viewChangedInternally();
}

void Table::setExclusive(bool exclusive)
{
    if (isOpen()) throw StoreError(u"Cannot change the exclusive mode of an open table: %1"_s.arg(m_fileName));
    m_exclusive = exclusive;
}

void Table::regenerateIndexes()
{
    requireOpen();
    if (!m_openedExclusive) throw StoreError(u"Table is not opened exclusively: %1"_s.arg(m_def->file));
    for (const TagDef& tag : m_def->tags)
        m_store.exec(m_store.connection().reindexSql(*m_def, tag));
    m_store.touch(*m_def);
    first();
}

void Table::setIndexName(const QString& tag)
{
    m_pendingTag = tag;
    if (!m_def) return;
    const TagDef* found = tag.isEmpty() ? nullptr : m_def->tag(tag);
    if (!tag.isEmpty() && !found) throw StoreError(u"Index does not exist: %1 in %2"_s.arg(tag, m_def->file));
    if (!isOpen()) {
        m_tag = found;
        m_tagField = found ? m_def->fieldIndex(found->field) : -1;
        return;
    }
    checkedPostPending();
    sync();
    const Row here = current();
    m_tag = found;
    m_tagField = found ? m_def->fieldIndex(found->field) : -1;
    viewChangedInternally();
    if (here.rowid != 0)
        resync(here);
    else
        first();
}

QString Table::indexName() const
{
    return m_tag ? m_tag->name : m_pendingTag;
}

QString Table::keyExpr() const
{
    return m_tag ? Schema::keyExpression(*m_def, *m_tag) : u"rowid"_s;
}

QString Table::selectList(quint64 fields) const
{
    QString list = u"rowid"_s;
    for (int i = 0; i < m_def->fields.size(); ++i)
        if (fields & (quint64(1) << i)) list += u", \""_s + m_def->fields.at(i).name + u'"';
    return list;
}

quint64 Table::allFields() const
{
    return (quint64(1) << m_def->fields.size()) - 1;
}

quint64 Table::cursorFields() const
{
    quint64 fields = m_usedFields;
    if (m_tagField >= 0) fields |= quint64(1) << m_tagField;
    for (const Filter::Term& t : m_filter.terms)
        fields |= quint64(1) << t.field;
    return fields;
}

QString Table::orderClause(Direction direction) const
{
    const bool forward = direction == Direction::Forward;
    if (!m_tag) return forward ? u"rowid ASC"_s : u"rowid DESC"_s;
    // Ties always go by ascending row id in reading order.
    const bool keyDescending = m_tag->descending == forward;
    return keyExpr() + (keyDescending ? u" DESC, rowid "_s : u" ASC, rowid "_s) + (forward ? u"ASC"_s : u"DESC"_s);
}

QString Table::rangeClause(Direction direction, bool inclusive) const
{
    const bool forward = direction == Direction::Forward;
    const QString rowCmp = forward ? (inclusive ? u">="_s : u">"_s) : (inclusive ? u"<="_s : u"<"_s);
    if (!m_tag) return u"rowid "_s + rowCmp + u" ?"_s;
    // The leading bound lets the index seek; the second part orders ties by row id.
    const bool keyUp = m_tag->descending != forward;
    const QString k = keyExpr();
    return u"%1 %2 ? AND (%1 %3 ? OR rowid %4 ?)"_s.arg(k, keyUp ? u">="_s : u"<="_s, keyUp ? u">"_s : u"<"_s, rowCmp);
}

QList<QVariant> Table::rangeValues(const Row& anchor) const
{
    if (!m_tag) return {anchor.rowid};
    const QString key = keyText(anchor.values.value(m_tagField));
    return {key, key, anchor.rowid};
}

QList<Row> Table::fetchRows(Direction direction, const Row* anchor, bool inclusive, int limit, quint64 fields)
{
    requireOpen();
    QStringList where;
    QList<QVariant> binds;
    if (!m_filter.terms.isEmpty()) binds << m_filter.values();
    // From the first record with a key on (a key search): no tie to order against, one bound.
    const bool wholeKey = anchor && m_tag && inclusive && direction == Direction::Forward && anchor->rowid == 0;
    if (wholeKey)
        binds << keyText(anchor->values.value(m_tagField));
    else if (anchor)
        binds << rangeValues(*anchor);
    binds << limit;
    // The statement depends only on the view, the fields read and the kind of read; paging runs it
    // again and again.
    const int kind =
        (direction == Direction::Forward ? 1 : 0) | (anchor ? 2 : 0) | (inclusive ? 4 : 0) | (wholeKey ? 8 : 0);
    const quint64 key = (fields << 4) | quint64(kind);
    Statement*& cached = m_fetchStatements[key];
    if (!cached) {
        if (!m_filter.terms.isEmpty()) where << m_filter.sql(*m_def);
        if (wholeKey)
            where << keyExpr() + (m_tag->descending ? u" <= ?"_s : u" >= ?"_s);
        else if (anchor)
            where << rangeClause(direction, inclusive);
        QString sql = u"SELECT "_s + selectList(fields) + u" FROM \""_s + m_def->sqlName + u'"';
        if (!where.isEmpty()) sql += u" WHERE "_s + where.join(u" AND "_s);
        sql += u" ORDER BY "_s + orderClause(direction) + u" LIMIT ?"_s;
        cached = &m_store.statement(sql, *m_def);
    } else {
        m_store.noteStatement(*m_def);
    }
    StatementUse q = *cached;
    for (const QVariant& v : binds)
        q.addBindValue(v);
    q.exec();
    QList<Row> rows;
    // Room for a walk's whole page: growing a list of records copies every record read so far.
    rows.reserve(std::min(limit, WalkPageSize));
    const int n = m_def->fields.size();
    while (q.next()) {
        Row r;
        r.rowid = q.int64(0);
        q.readValues(1, n, fields, r.values);
        rows << std::move(r);
    }
    return rows;
}

QList<Row> Table::fetchRowsAt(int offset, int limit)
{
    requireOpen();
    QString sql = u"SELECT "_s + selectList(allFields()) + u" FROM \""_s + m_def->sqlName + u'"';
    if (!m_filter.terms.isEmpty()) sql += u" WHERE "_s + m_filter.sql(*m_def);
    sql += u" ORDER BY "_s + orderClause(Direction::Forward) + u" LIMIT ? OFFSET ?"_s;
    StatementUse q = m_store.statement(sql, *m_def);
    for (const QVariant& v : m_filter.values())
        q.addBindValue(v);
    q.addBindValue(limit);
    q.addBindValue(offset);
    q.exec();
    QList<Row> rows;
    while (q.next()) {
        Row r;
        r.rowid = q.int64(0);
        q.readValues(1, m_def->fields.size(), allFields(), r.values);
        rows << std::move(r);
    }
    return rows;
}

int Table::positionOf(const Row& row)
{
    requireOpen();
    QStringList where;
    QList<QVariant> binds;
    if (!m_filter.terms.isEmpty()) {
        where << m_filter.sql(*m_def);
        binds << m_filter.values();
    }
    where << rangeClause(Direction::Backward, false);
    binds << rangeValues(row);
    StatementUse q = m_store.statement(
        u"SELECT COUNT(*) FROM \""_s + m_def->sqlName + u"\" WHERE "_s + where.join(u" AND "_s), *m_def);
    for (const QVariant& v : binds)
        q.addBindValue(v);
    q.exec();
    const int n = q.next() ? q.value(0).toInt() : 0;
    return n;
}

Row Table::readRow(qint64 rowid, bool* found)
{
    StatementUse q = m_store.statement(
        u"SELECT "_s + selectList(allFields()) + u" FROM \""_s + m_def->sqlName + u"\" WHERE rowid = ?"_s, *m_def);
    q.addBindValue(rowid);
    q.exec();
    Row r;
    *found = q.next();
    if (*found) {
        r.rowid = q.int64(0);
        q.readValues(1, m_def->fields.size(), allFields(), r.values);
    }
    return r;
}

bool Table::rowVisible(qint64 rowid, Row* out)
{
    bool found = false;
    *out = readRow(rowid, &found);
    return found && m_filter.matches(out->values);
}

void Table::loadPage(Direction direction, const Row* anchor, bool inclusive, int limit)
{
    QList<Row> rows = fetchRows(direction, anchor, inclusive, limit, cursorFields());
    m_nextPageSize = limit;
    m_pendingFirst = false;
    m_pendingResync = false;
    if (direction == Direction::Backward) std::reverse(rows.begin(), rows.end());
    m_page = std::move(rows);
    m_pos = m_page.isEmpty() ? -1 : (direction == Direction::Forward ? 0 : m_page.size() - 1);
    m_seenVersion = m_store.version(*m_def);
}

Row Table::current() const
{
    if (m_pos >= 0 && m_pos < m_page.size()) return m_page.at(m_pos);
    return {};
}

void Table::resync(const Row& around)
{
    Row fresh;
    if (rowVisible(around.rowid, &fresh)) {
        loadPage(Direction::Forward, &fresh, true);
    } else {
        loadPage(Direction::Forward, &around, false);
        if (m_page.isEmpty()) {
            loadPage(Direction::Backward, nullptr, false);
            m_eof = true;
            m_bof = m_page.isEmpty();
            return;
        }
    }
    m_eof = m_page.isEmpty();
    m_bof = m_page.isEmpty();
}

void Table::deferFirst()
{
    m_page.clear();
    m_pos = -1;
    m_pendingFirst = true;
    m_pendingResync = false;
}

void Table::deferResync(const Row& around)
{
    m_page.clear();
    m_pos = -1;
    m_pendingFirst = false;
    m_pendingResync = true;
    m_pendingAround = around;
}

void Table::sync()
{
    if (m_pendingResync && m_state == State::Browse) {
        m_pendingResync = false;
        resync(std::exchange(m_pendingAround, {}));
        return;
    }
    if (m_pendingFirst && m_state == State::Browse) {
        // Opening or re-filtering reads nothing until the first record is asked for.
        loadPage(Direction::Forward, nullptr, false, SearchPageSize * 4);
        m_bof = true;
        m_eof = m_page.isEmpty();
        return;
    }
    if (m_state != State::Browse || m_seenVersion == m_store.version(*m_def)) return;
    const Row here = current();
    if (here.rowid != 0) {
        const bool eof = m_eof, bof = m_bof;
        resync(here);
        if (!m_page.isEmpty() && current().rowid == here.rowid) {
            m_eof = eof;
            m_bof = bof;
        }
    } else {
        loadPage(Direction::Forward, nullptr, false);
        m_bof = true;
        m_eof = m_page.isEmpty();
    }
}

void Table::viewChangedInternally()
{
    m_fetchStatements.clear();
    ++m_viewVersion;
    m_cachedCount = -1;
    Q_EMIT viewChanged();
}

void Table::requireOpen() const
{
    if (!isOpen()) throw StoreError(u"Cannot perform this operation on a closed dataset: %1"_s.arg(m_fileName));
}

void Table::requireEditing() const
{
    requireOpen();
    if (m_state != State::Edit && m_state != State::Insert)
        throw StoreError(u"Dataset not in edit or insert mode: %1"_s.arg(m_def->file));
}

void Table::checkedPostPending()
{
    if (m_state == State::Insert && !m_modified)
        cancel(); // a blank appended record that nobody filled is not worth storing
    else if (m_state == State::Edit || m_state == State::Insert)
        post();
}

Row Table::keyAnchor(const QString& key) const
{
    if (!m_tag) throw StoreError(u"No index selected: %1"_s.arg(m_def->file));
    Row anchor;
    anchor.values.resize(m_def->fields.size());
    QString k = key;
    if (m_def->fields.at(m_tagField).type == FieldType::Date) {
        const auto d = Values::parseDate(key);
        k = d ? isoDate(*d) : key;
    }
    anchor.values.set(m_tagField, k);
    // Row id 0 precedes every record, so an inclusive range starts at the first one with this key.
    anchor.rowid = 0;
    return anchor;
}

bool Table::keyEquals(const Row& row, const Row& anchor) const
{
    const QString a = keyText(row.values.at(m_tagField));
    const QString b = keyText(anchor.values.at(m_tagField));
    if (!m_tag->slovak) return a == b;
    static const QCollator collator = [] {
        QCollator c(QLocale(QLocale::Slovak, QLocale::Slovakia));
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator.compare(a, b) == 0;
}

bool Table::findKey(const QString& key)
{
    requireOpen();
    checkedPostPending();
    sync();
    const Row anchor = keyAnchor(key);
    // A walk along the tag that looks up each key in turn (the goods of each contract of a marking pass)
    // stands on the key's first record already: where the run of records with the key starts inside the
    // page, nothing need be read. Equal keys stand together along the tag.
    if (!m_pendingFirst && !m_pendingResync && m_seenVersion == m_store.version(*m_def) && m_pos >= 0 &&
        m_pos < m_page.size() && keyEquals(m_page.at(m_pos), anchor)) {
        int first = m_pos;
        while (first > 0 && keyEquals(m_page.at(first - 1), anchor))
            --first;
        if (first > 0) {
            m_pos = first;
            m_eof = m_bof = false;
            return true;
        }
    }
    // One query: the first records at or after the key; found when the first of them has the key.
    // Few rows, since look-ups by key mostly read a handful of records from there.
    QList<Row> rows = fetchRows(Direction::Forward, &anchor, true, SearchPageSize, cursorFields());
    if (rows.isEmpty() || !keyEquals(rows.constFirst(), anchor)) return false;
    m_page = std::move(rows);
    m_pos = 0;
    m_seenVersion = m_store.version(*m_def);
    m_nextPageSize = SearchPageSize;
    m_eof = m_bof = false;
    return true;
}

void Table::findNearest(const QString& key)
{
    requireOpen();
    checkedPostPending();
    const Row anchor = keyAnchor(key);
    loadPage(Direction::Forward, &anchor, true, SearchPageSize);
    if (m_page.isEmpty()) {
        loadPage(Direction::Backward, nullptr, false);
        m_eof = true;
        m_bof = m_page.isEmpty();
        return;
    }
    m_eof = m_bof = false;
}

void Table::setFilter(const QString& text)
{
    const TableDef& def = m_def ? *m_def : definition();
    setFilter(Filter::parse(def, text), text);
}

void Table::setFilter(const Filter& filter)
{
    const TableDef& def = m_def ? *m_def : definition();
    setFilter(filter, filter.text(def));
}

void Table::setFilter(const Filter& filter, const QString& text)
{
    if (isOpen()) checkedPostPending();
    m_filterText = text;
    m_parsedFilter = filter;
    if (m_filtered && isOpen()) {
        m_filter = m_parsedFilter;
        viewChangedInternally();
        deferFirst();
    }
}

void Table::setFiltered(bool on)
{
    if (isOpen()) checkedPostPending();
    const bool changed = on != m_filtered;
    m_filtered = on;
    if (!isOpen()) return;
    m_filter = on ? m_parsedFilter : Filter();
    if (changed) {
        viewChangedInternally();
        deferFirst();
    }
}

void Table::first()
{
    requireOpen();
    checkedPostPending();
    loadPage(Direction::Forward, nullptr, false, SearchPageSize * 4);
    m_bof = true;
    m_eof = m_page.isEmpty();
}

void Table::last()
{
    requireOpen();
    checkedPostPending();
    loadPage(Direction::Backward, nullptr, false);
    m_eof = true;
    m_bof = m_page.isEmpty();
}

void Table::next()
{
    requireOpen();
    checkedPostPending();
    sync();
    if (m_page.isEmpty()) {
        m_eof = true;
        return;
    }
    if (m_pos + 1 < m_page.size()) {
        ++m_pos;
        m_bof = false;
        return;
    }
    const Row here = current();
    QList<Row> rows = fetchRows(Direction::Forward, &here, false, m_nextPageSize, cursorFields());
    m_nextPageSize = std::min(m_nextPageSize * 4, WalkPageSize); // a walk reads ever larger pages
    if (rows.isEmpty()) {
        m_eof = true;
        return;
    }
    m_page = std::move(rows);
    m_pos = 0;
    m_bof = false;
    m_eof = false;
}

void Table::prior()
{
    requireOpen();
    checkedPostPending();
    sync();
    if (m_page.isEmpty()) {
        m_bof = true;
        return;
    }
    if (m_pos > 0) {
        --m_pos;
        m_eof = false;
        return;
    }
    const Row here = current();
    QList<Row> rows = fetchRows(Direction::Backward, &here, false, PageSize, cursorFields());
    if (rows.isEmpty()) {
        m_bof = true;
        return;
    }
    std::reverse(rows.begin(), rows.end());
    m_page = std::move(rows);
    m_pos = m_page.size() - 1;
    m_eof = false;
    m_bof = false;
}

bool Table::eof()
{
    requireOpen();
    if (m_state == State::Browse) sync();
    return m_eof;
}

bool Table::bof()
{
    requireOpen();
    if (m_state == State::Browse) sync();
    return m_bof;
}

bool Table::isEmpty()
{
    requireOpen();
    if (m_state == State::Insert) return false;
    sync();
    return m_page.isEmpty();
}

void Table::append()
{
    requireOpen();
    checkedPostPending();
    if (!m_pendingResync) sync(); // after an append the cursor finds its record when it is asked, not now
    m_buffer = Row();
    m_buffer.values.resize(m_def->fields.size());
    for (int i = 0; i < m_def->fields.size(); ++i) {
        const FieldDef& f = m_def->fields.at(i);
        if (f.zeroDefault) m_buffer.values.set(i, f.type == FieldType::Number ? QVariant(0.0) : QVariant(qint64(0)));
    }
    m_dirty = ~quint64(0);
    m_modified = false;
    m_state = State::Insert;
}

void Table::edit()
{
    requireOpen();
    if (m_state == State::Edit || m_state == State::Insert) return;
    sync();
    if (m_page.isEmpty()) {
        append(); // editing an empty view starts a new record
        return;
    }
    beginEdit(current(), current());
}

void Table::edit(const Row& seen)
{
    requireOpen();
    if (m_state == State::Edit || m_state == State::Insert || seen.rowid == 0) return edit();
    sync();
    // Read anew: a record no longer there is told at once, whether or not this instance has heard of it.
    bool found = false;
    const Row stored = readRow(seen.rowid, &found);
    if (!found) {
        m_store.touch(*m_def);
        const int key = m_def->fieldIndex(m_def->recordField);
        throw Store::recordChanged(*m_def, seen.rowid, key >= 0 ? seen.values.value(key).toString() : QString(), false,
                                   true);
    }
    // Where the cursor would stand on it; a record the view hides is edited all the same, and the cursor
    // goes near it when it is posted.
    if (current().rowid != seen.rowid && m_filter.matches(stored.values)) {
        loadPage(Direction::Forward, &stored, true, SearchPageSize);
        m_eof = m_bof = false;
    }
    beginEdit(stored, seen);
}

void Table::beginEdit(const Row& record, const Row& original)
{
    m_buffer = record;
    m_original = original;
    m_dirty = 0;
    m_modified = false;
    m_state = State::Edit;
}

void Table::assign(int index, const QVariant& value)
{
    requireEditing();
    m_buffer.values.set(index, value);
    m_dirty |= quint64(1) << index;
    m_modified = true;
}

const RowValues& Table::valuesFor(int index)
{
    static const RowValues none = [] {
        RowValues v;
        v.resize(RowValues::MaxFields);
        return v;
    }();
    if (m_state == State::Inactive) return none;
    m_usedFields |= quint64(1) << index;
    if (m_state == State::Edit || m_state == State::Insert) {
        if (!m_buffer.values.isLoaded(index)) loadUsedFields();
        return m_buffer.values;
    }
    if (m_pendingFirst || m_pendingResync || m_seenVersion != m_store.version(*m_def))
        sync(); // a field of every record in loops
    if (m_pos < 0 || m_pos >= m_page.size()) return none;
    if (!m_page.at(m_pos).values.isLoaded(index)) loadUsedFields();
    return m_page.at(m_pos).values;
}

void Table::loadUsedFields()
{
    bool found = false;
    if (m_state != State::Browse) {
        // An edit begun on a record read without this field: its stored value, under the edits.
        // What was read before stays as it was read: the post compares with it.
        const Row whole = readRow(m_buffer.rowid, &found);
        if (found) {
            m_buffer.values.fillMissing(whole.values);
            m_original.values.fillMissing(whole.values);
        }
    } else {
        // The rest of the page again, now with the field; the position and the end flags stay.
        const Row here = current();
        QList<Row> rows = fetchRows(Direction::Forward, &here, true,
                                    std::max(int(m_page.size() - m_pos), SearchPageSize), cursorFields());
        if (!rows.isEmpty() && rows.constFirst().rowid == here.rowid) {
            m_page = std::move(rows);
            m_pos = 0;
            return;
        }
        const Row whole = readRow(here.rowid, &found);
        if (found) m_page[m_pos].values.fillFrom(whole.values);
    }
    if (!found) {
        // Gone meanwhile: what is not known reads as empty.
        RowValues blank;
        blank.resize(m_def->fields.size());
        if (m_state != State::Browse) {
            m_buffer.values.fillMissing(blank);
            m_original.values.fillMissing(blank);
        } else {
            m_page[m_pos].values.fillFrom(blank);
        }
    }
}

int Table::fieldIndex(const QString& name) const
{
    return definition().fieldIndex(name);
}

Field Table::field(const QString& name)
{
    const int i = definition().fieldIndex(name);
    if (i < 0) throw StoreError(u"Field '%1' not found in %2"_s.arg(name, definition().file));
    return Field(*this, i);
}

void Table::post()
{
    requireOpen();
    if (m_state == State::Browse) return;
    postRecord();
}

void Table::postRecord()
{
    const bool upToDate = m_seenVersion == m_store.version(*m_def);
    const bool inserting = m_state == State::Insert;
    quint64 mask = 0;
    for (int i = 0; i < m_def->fields.size(); ++i) {
        if (!(m_dirty & (quint64(1) << i))) continue;
        // Marking passes assign every record; only real changes reach the file.
        if (!inserting && m_original.values.isLoaded(i) && m_original.values.sameValue(i, m_buffer.values)) continue;
        mask |= quint64(1) << i;
    }
    qint64 rowid = m_buffer.rowid;
    try {
        if (inserting) {
            rowid = m_store.insertRecord(*m_def, mask, m_buffer.values);
        } else if (mask != 0) {
            m_store.update(*m_def, mask, m_buffer.values, rowid, m_original.values);
        }
    } catch (const RecordChanged&) {
        // Refused: the edit is dropped, so that no later move or close posts it over the other counter's values.
        // The window that showed it keeps what was typed.
        cancel();
        throw;
    }
    m_state = State::Browse;
    m_modified = false;
    if (mask == 0 && !inserting) return;
    m_buffer.rowid = rowid;
    m_store.touch(*m_def);
    m_cachedCount = -1;
    // The usual case in marking loops: same key, still in the view, nobody else wrote meanwhile.
    const bool onRecord = m_pos >= 0 && m_pos < m_page.size() && m_page.at(m_pos).rowid == rowid;
    const bool sameKey =
        !m_tag || !(mask & (quint64(1) << m_tagField)) ||
        (onRecord && keyText(m_page.at(m_pos).values.value(m_tagField)) == keyText(m_buffer.values.at(m_tagField)));
    if (!inserting && upToDate && onRecord && sameKey && m_filter.matches(m_buffer.values)) {
        m_page[m_pos] = m_buffer;
        m_seenVersion = m_store.version(*m_def);
        return;
    }
    // A loop of appends (an import, a refill) would read a page along the tag after every record; the
    // cursor goes to the new record when it is next used instead.
    if (inserting)
        deferResync(m_buffer);
    else
        resync(m_buffer);
}

void Table::cancel()
{
    if (m_state == State::Edit || m_state == State::Insert) m_state = State::Browse;
    m_modified = false;
}

void Table::remove()
{
    requireOpen();
    if (m_state != State::Insert) {
        cancel();
        sync();
        if (m_page.isEmpty())
            throw StoreError(u"Cannot perform this operation on an empty dataset: %1"_s.arg(m_def->file));
    }
    remove(current());
}

void Table::remove(const Row& seen)
{
    requireOpen();
    const bool inserting = m_state == State::Insert;
    cancel();
    if (inserting) return; // a record not stored yet is only dropped
    sync();
    m_store.deleteRecord(*m_def, seen.rowid, seen.values);
    m_store.touch(*m_def);
    const Row here = current();
    resync(here.rowid != 0 && here.rowid != seen.rowid ? here : seen);
}

void Table::emptyTable()
{
    requireOpen();
    cancel();
    m_store.deleteAll(*m_def);
    m_store.touch(*m_def);
    first();
}

int Table::recordCount()
{
    requireOpen();
    const quint64 version = m_store.version(*m_def);
    if (m_cachedCount >= 0 && m_countVersion == version) return m_cachedCount;
    // The count of a grid without a filter costs nothing where the store keeps it, however big the table.
    const qint64 kept = m_filter.terms.isEmpty() ? m_store.keptCount(*m_def) : -1;
    if (kept >= 0) {
        m_cachedCount = int(kept);
    } else {
        QString sql = u"SELECT COUNT(*) FROM \""_s + m_def->sqlName + u'"';
        if (!m_filter.terms.isEmpty()) sql += u" WHERE "_s + m_filter.sql(*m_def);
        StatementUse q = m_store.statement(sql, *m_def);
        for (const QVariant& v : m_filter.values())
            q.addBindValue(v);
        q.exec();
        m_cachedCount = q.next() ? int(q.int64(0)) : 0;
    }
    m_countVersion = version;
    return m_cachedCount;
}

Row Table::record()
{
    if (!isOpen()) return {};
    if (m_state == State::Edit) return m_original;
    if (m_state == State::Insert) return {};
    sync();
    return current();
}

qint64 Table::rowId()
{
    if (m_state == State::Insert) return 0;
    if (m_state == State::Edit) return m_buffer.rowid;
    if (!isOpen()) return 0;
    sync();
    return current().rowid;
}

bool Table::gotoRowId(qint64 rowid)
{
    requireOpen();
    checkedPostPending();
    Row found;
    if (!rowVisible(rowid, &found)) return false;
    loadPage(Direction::Forward, &found, true, SearchPageSize);
    m_eof = m_bof = false;
    return true;
}

OpenWhile::~OpenWhile()
{
    m_table.cancel();
    if (!m_opened) return;
    try {
        m_table.close();
    } catch (const MervanaError&) {
        // Nothing is pending after the cancel: closing writes nothing, and a destructor must not throw.
    }
}
