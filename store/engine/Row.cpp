#include "store/engine/Row.h"

#include <sqlite3.h>

#include <array>
#include <cstring>

void RowValues::resize(qsizetype n)
{
    Q_ASSERT(n >= 0 && n <= MaxFields);
    m_stored.clear();
    m_assigned.clear();
    m_size = n;
    m_assignedMask = n == MaxFields ? ~quint64(0) : bit(n) - 1;
    m_loaded = m_assignedMask;
}

const QVariant& RowValues::assignedValue(qsizetype i) const
{
    static const QVariant empty;
    for (const Assigned& a : m_assigned)
        if (a.index == i) return a.value;
    return empty;
}

RowValues::Kind RowValues::kindOf(const QVariant& v)
{
    if (!v.isValid() || v.isNull()) return Kind::Null;
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return Kind::Integer;
    case QMetaType::Double:
    case QMetaType::Float:
        return Kind::Real;
    default:
        return Kind::Text;
    }
}

RowValues::Kind RowValues::kind(qsizetype i) const
{
    if (assigned(i)) return kindOf(assignedValue(i));
    if (m_stored.isEmpty() || !isLoaded(i)) return Kind::Null;
    return Kind(cell(i).kind);
}

qint64 RowValues::integer(qsizetype i) const
{
    if (assigned(i)) return assignedValue(i).toLongLong();
    switch (kind(i)) {
    case Kind::Integer: {
        qint64 n;
        std::memcpy(&n, m_stored.constData() + cell(i).offset, sizeof n);
        return n;
    }
    case Kind::Real:
        return qint64(real(i));
    default:
        return 0;
    }
}

double RowValues::real(qsizetype i) const
{
    if (assigned(i)) return assignedValue(i).toDouble();
    switch (kind(i)) {
    case Kind::Real: {
        double d;
        std::memcpy(&d, m_stored.constData() + cell(i).offset, sizeof d);
        return d;
    }
    case Kind::Integer:
        return double(integer(i));
    default:
        return 0;
    }
}

QByteArrayView RowValues::storedText(qsizetype i) const
{
    if (assigned(i) || kind(i) != Kind::Text) return {};
    return QByteArrayView(m_stored.constData() + cell(i).offset, cell(i).size);
}

QString RowValues::text(qsizetype i) const
{
    if (assigned(i) || kind(i) != Kind::Text) return at(i).toString();
    return QString::fromUtf8(storedText(i));
}

QVariant RowValues::at(qsizetype i) const
{
    Q_ASSERT(i >= 0 && i < m_size);
    if (assigned(i)) return assignedValue(i);
    switch (kind(i)) {
    case Kind::Null:
        return {};
    case Kind::Integer:
        return QVariant(integer(i));
    case Kind::Real:
        return QVariant(real(i));
    case Kind::Text:
        return QVariant(QString::fromUtf8(storedText(i)));
    }
    return {};
}

void RowValues::set(qsizetype i, const QVariant& v)
{
    Q_ASSERT(i >= 0 && i < m_size);
    m_assignedMask |= bit(i);
    for (qsizetype k = 0; k < m_assigned.size(); ++k) {
        if (m_assigned.at(k).index != i) continue;
        m_assigned[k].value = v;
        return;
    }
    m_assigned.append({i, v});
    m_loaded |= bit(i);
}

void RowValues::read(sqlite3_stmt* statement, int firstColumn, int fieldCount, quint64 mask)
{
    Q_ASSERT(fieldCount <= MaxFields);
    std::array<sqlite3_value*, MaxFields> values; // set for the fields of mask, read only for those
    std::array<int, MaxFields> types;
    // First the sizes, so the record takes one allocation.
    qsizetype total = qsizetype(sizeof(Cell)) * fieldCount;
    for (int f = 0, column = firstColumn; f < fieldCount; ++f) {
        if (!(mask & bit(f))) continue;
        values[f] = sqlite3_column_value(statement, column++);
        types[f] = sqlite3_value_type(values[f]);
        if (types[f] == SQLITE_INTEGER || types[f] == SQLITE_FLOAT)
            total += 8;
        else if (types[f] != SQLITE_NULL)
            total += sqlite3_value_bytes(values[f]);
    }
    m_stored = QByteArray(total, Qt::Uninitialized);
    char* out = m_stored.data();
    auto* cells = reinterpret_cast<Cell*>(out);
    quint32 at = quint32(sizeof(Cell)) * fieldCount;
    for (int f = 0; f < fieldCount; ++f) {
        Cell& c = cells[f];
        c.offset = at;
        c.size = 0;
        c.kind = quint32(Kind::Null);
        if (!(mask & bit(f))) continue;
        switch (types[f]) {
        case SQLITE_INTEGER: {
            const qint64 n = sqlite3_value_int64(values[f]);
            std::memcpy(out + at, &n, 8);
            c.kind = quint32(Kind::Integer);
            c.size = 8;
            break;
        }
        case SQLITE_FLOAT: {
            const double d = sqlite3_value_double(values[f]);
            std::memcpy(out + at, &d, 8);
            c.kind = quint32(Kind::Real);
            c.size = 8;
            break;
        }
        case SQLITE_NULL:
            break;
        default: {
            // Text as it is stored; a blob, which the register never writes, reads as its bytes.
            const auto* text = sqlite3_value_text(values[f]);
            const int size = sqlite3_value_bytes(values[f]);
            if (size > 0) std::memcpy(out + at, text, size_t(size));
            c.kind = quint32(Kind::Text);
            c.size = quint32(size);
        }
        }
        at += c.size;
    }
    m_assigned.clear();
    m_assignedMask = 0;
    m_size = fieldCount;
    m_loaded = mask & (fieldCount == MaxFields ? ~quint64(0) : bit(fieldCount) - 1);
}

void RowValues::read(const Stored* values, int fieldCount, quint64 mask)
{
    Q_ASSERT(fieldCount <= MaxFields);
    qsizetype total = qsizetype(sizeof(Cell)) * fieldCount;
    for (int f = 0, v = 0; f < fieldCount; ++f) {
        if (!(mask & bit(f))) continue;
        const Stored& s = values[v++];
        total += s.kind == Kind::Text ? s.size : (s.kind == Kind::Null ? 0 : 8);
    }
    m_stored = QByteArray(total, Qt::Uninitialized);
    char* out = m_stored.data();
    auto* cells = reinterpret_cast<Cell*>(out);
    quint32 at = quint32(sizeof(Cell)) * fieldCount;
    for (int f = 0, v = 0; f < fieldCount; ++f) {
        Cell& c = cells[f];
        c.offset = at;
        c.size = 0;
        c.kind = quint32(Kind::Null);
        if (!(mask & bit(f))) continue;
        const Stored& s = values[v++];
        c.kind = quint32(s.kind);
        switch (s.kind) {
        case Kind::Null:
            break;
        case Kind::Integer:
            std::memcpy(out + at, &s.integer, 8);
            c.size = 8;
            break;
        case Kind::Real:
            std::memcpy(out + at, &s.real, 8);
            c.size = 8;
            break;
        case Kind::Text:
            if (s.size > 0) std::memcpy(out + at, s.text, size_t(s.size));
            c.size = quint32(s.size);
            break;
        }
        at += c.size;
    }
    m_assigned.clear();
    m_assignedMask = 0;
    m_size = fieldCount;
    m_loaded = mask & (fieldCount == MaxFields ? ~quint64(0) : bit(fieldCount) - 1);
}

void RowValues::fillFrom(const RowValues& other)
{
    const RowValues mine = *this;
    *this = other;
    for (qsizetype i = 0; i < m_size; ++i)
        if (mine.assigned(i)) set(i, mine.assignedValue(i));
}

void RowValues::fillMissing(const RowValues& other)
{
    for (qsizetype i = 0; i < m_size; ++i)
        if (!isLoaded(i) && other.isLoaded(i)) set(i, other.at(i));
}

bool RowValues::sameValue(qsizetype i, const RowValues& other) const
{
    const Kind k = kind(i);
    if (k != other.kind(i)) return false;
    switch (k) {
    case Kind::Null:
        return true;
    case Kind::Integer:
        return integer(i) == other.integer(i);
    case Kind::Real:
        return real(i) == other.real(i);
    case Kind::Text:
        break;
    }
    if (!assigned(i) && !other.assigned(i)) return storedText(i) == other.storedText(i);
    return text(i) == other.text(i);
}
