#include "store/dbf/Dbf.h"

#include "store/dbf/CodePage.h"
#include "store/engine/Errors.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QTimeZone>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

quint16 u16(const char* p)
{
    return quint16(quint8(p[0]) | quint8(p[1]) << 8);
}

quint32 u32(const char* p)
{
    return quint32(quint8(p[0])) | quint32(quint8(p[1])) << 8 | quint32(quint8(p[2])) << 16 |
           quint32(quint8(p[3])) << 24;
}

qint64 i64(const char* p)
{
    return qint64(quint64(u32(p)) | quint64(u32(p + 4)) << 32);
}

void put16(char* p, quint16 v)
{
    p[0] = char(v & 0xFF);
    p[1] = char(v >> 8);
}

void put32(char* p, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = char((v >> (8 * i)) & 0xFF);
}

bool isVisualFoxPro(quint8 version)
{
    return version == 0x30 || version == 0x31 || version == 0x32;
}

bool blank(char c)
{
    return c == ' ' || c == '\0';
}

// The bytes without the blanks and NULs around them.
QByteArrayView trimmed(const char* p, int length)
{
    int from = 0, to = length;
    while (from < to && blank(p[from]))
        ++from;
    while (to > from && blank(p[to - 1]))
        --to;
    return QByteArrayView(p + from, to - from);
}

QString shown(QByteArrayView bytes)
{
    QString text;
    for (const char c : bytes) {
        const auto b = quint8(c);
        text += b >= 0x20 && b < 0x7F ? QString(QChar(char16_t(b))) : u"\\x%1"_s.arg(b, 2, 16, QChar(u'0'));
    }
    return text;
}

// A number as dBase writes it: an optional sign, digits with an optional decimal point, and an
// optional exponent. nullopt when the text is anything else.
std::optional<double> parseNumber(QByteArrayView text)
{
    const char* p = text.data();
    const char* end = p + text.size();
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    const char* start = p;
    int digits = 0;
    while (p < end && *p >= '0' && *p <= '9')
        ++p, ++digits;
    if (p < end && *p == '.') {
        ++p;
        while (p < end && *p >= '0' && *p <= '9')
            ++p, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < end && (*p == '+' || *p == '-')) ++p;
        const char* exponent = p;
        while (p < end && *p >= '0' && *p <= '9')
            ++p;
        if (p == exponent) return std::nullopt;
    }
    if (p != end) return std::nullopt;
    double value = 0;
    const auto [last, error] = std::from_chars(start, end, value);
    if (error != std::errc() || last != end || !std::isfinite(value)) return std::nullopt;
    return negative ? -value : value;
}

} // namespace

// ---- reading ----

DbfReader::DbfReader(const QString& path, int fallbackCodePage)
    : m_name(QFileInfo(path).fileName()), m_file(std::make_unique<QFile>(path))
{
    if (!m_file->open(QIODevice::ReadOnly))
        throw InputError(u"%1: cannot be read: %2"_s.arg(QDir::toNativeSeparators(path), m_file->errorString()));
    m_size = m_file->size();
    if (m_size > 0) {
        m_data = reinterpret_cast<const char*>(m_file->map(0, m_size));
        if (!m_data) { // a file system that cannot map: read it whole
            m_bytes = m_file->readAll();
            m_data = m_bytes.constData();
            m_size = m_bytes.size();
        }
    }
    parse(fallbackCodePage);
}

DbfReader::DbfReader(const QByteArray& bytes, const QString& name, int fallbackCodePage)
    : m_name(name), m_bytes(bytes), m_data(m_bytes.constData()), m_size(m_bytes.size())
{
    parse(fallbackCodePage);
}

DbfReader::~DbfReader() = default;

void DbfReader::fail(qint64 record, int field, const QString& problem) const
{
    QString where = m_name;
    if (record >= 0) where += u", record %1"_s.arg(record + 1);
    if (field >= 0 && field < m_fields.size()) where += u", field "_s + m_fields.at(field).name;
    throw InputError(where + u": "_s + problem);
}

int DbfReader::codePage() const
{
    return m_codePage->number();
}

void DbfReader::parse(int fallbackCodePage)
{
    if (m_size < 32) fail(-1, -1, u"too short for a table file (%1 bytes)"_s.arg(m_size));
    m_version = quint8(m_data[0]);
    const bool vfp = isVisualFoxPro(m_version);
    if (m_version != 0x03 && m_version != 0x83 && m_version != 0xF5 && !vfp)
        fail(-1, -1, u"not a dBase or FoxPro table (version byte 0x%1)"_s.arg(m_version, 2, 16, QChar(u'0')));
    m_recordCount = u32(m_data + 4);
    m_headerLength = u16(m_data + 8);
    m_recordLength = u16(m_data + 10);
    m_languageByte = quint8(m_data[29]);
    if (m_headerLength < 33)
        fail(-1, -1, u"the header claims %1 bytes, too few for a single field"_s.arg(m_headerLength));
    if (m_headerLength > m_size)
        fail(-1, -1,
             u"the header claims %1 bytes, the file holds only %2 (truncated)"_s.arg(m_headerLength).arg(m_size));

    int pos = 32;
    int offset = 0;
    int nullBits = 0;
    while (pos < m_headerLength && m_data[pos] != '\x0D') {
        if (pos + 32 > m_headerLength)
            fail(-1, -1, u"the field list runs past the header's %1 bytes"_s.arg(m_headerLength));
        const char* d = m_data + pos;
        DbfField f;
        const int nameLength = int(qstrnlen(d, 11));
        for (int i = 0; i < nameLength; ++i)
            if (quint8(d[i]) <= 0x20 || quint8(d[i]) >= 0x7F)
                fail(-1, -1,
                     u"field %1 has an unreadable name '%2'"_s.arg(m_fields.size() + 1).arg(shown({d, nameLength})));
        if (nameLength == 0) fail(-1, -1, u"field %1 has no name"_s.arg(m_fields.size() + 1));
        f.name = QString::fromLatin1(d, nameLength);
        f.type = char(std::toupper(quint8(d[11])));
        f.length = quint8(d[16]);
        f.decimals = quint8(d[17]);
        const quint8 flags = quint8(d[18]);
        f.offset = offset;
        f.hidden = vfp && (flags & 0x01);
        if (fieldIndex(f.name) >= 0) fail(-1, -1, u"field %1 appears twice"_s.arg(f.name));
        auto requireLength = [&](bool ok) {
            if (!ok)
                fail(-1, -1,
                     u"field %1 of type %2 cannot be %3 bytes long"_s.arg(f.name)
                         .arg(QLatin1Char(f.type))
                         .arg(f.length));
        };
        switch (f.type) {
        case 'C':
            f.kind = DbfField::Kind::Text;
            requireLength(f.length >= 1);
            break;
        case 'N':
        case 'F':
            f.kind = DbfField::Kind::Number;
            requireLength(f.length >= 1 && f.length <= 20);
            if (f.decimals >= f.length && f.decimals > 0)
                fail(-1, -1, u"field %1 has %2 decimals in %3 characters"_s.arg(f.name).arg(f.decimals).arg(f.length));
            break;
        case 'L':
            f.kind = DbfField::Kind::Logical;
            requireLength(f.length == 1);
            break;
        case 'D':
            f.kind = DbfField::Kind::Date;
            requireLength(f.length == 8);
            break;
        case 'I':
            f.kind = DbfField::Kind::Integer;
            requireLength(f.length == 4);
            break;
        case 'Y':
            f.kind = DbfField::Kind::Currency;
            requireLength(f.length == 8);
            break;
        case 'T':
            f.kind = DbfField::Kind::DateTime;
            requireLength(f.length == 8);
            break;
        case 'B':
            f.kind = vfp ? DbfField::Kind::Double : DbfField::Kind::Memo;
            requireLength(!vfp || f.length == 8);
            break;
        case 'M':
        case 'G':
        case 'P':
            f.kind = DbfField::Kind::Memo;
            break;
        case '0':
            f.kind = f.hidden ? DbfField::Kind::NullFlags : DbfField::Kind::Unsupported;
            break;
        default:
            f.kind = DbfField::Kind::Unsupported;
        }
        requireLength(f.length >= 1);
        if (f.kind == DbfField::Kind::NullFlags) {
            if (m_nullFlagsField >= 0) fail(-1, -1, u"the table has two null flag fields"_s);
            m_nullFlagsField = int(m_fields.size());
        }
        // Visual FoxPro numbers the bits of _NullFlags along the fields that need one: a variable-length
        // field takes one for its length, then a nullable field one for its null.
        if (vfp && (f.type == 'V' || f.type == 'Q')) ++nullBits;
        if (vfp && (flags & 0x02) && !f.hidden) f.nullBit = nullBits++;
        offset += f.length;
        m_fields.append(f);
        pos += 32;
    }
    if (pos >= m_headerLength) fail(-1, -1, u"the field list has no end mark within the header"_s);
    if (m_fields.isEmpty()) fail(-1, -1, u"the table has no fields"_s);
    if (offset + 1 != m_recordLength)
        fail(-1, -1, u"the fields take %1 bytes a record, the header says %2"_s.arg(offset + 1).arg(m_recordLength));
    if (nullBits > 0 && (m_nullFlagsField < 0 || m_fields.at(m_nullFlagsField).length * 8 < nullBits))
        fail(-1, -1, u"the table has nullable fields but no room for their null flags"_s);

    qint64 available = m_size - m_headerLength;
    const qint64 needed = m_recordCount * m_recordLength;
    if (available < needed) {
        if (available % m_recordLength == 1 && m_data[m_size - 1] == '\x1A') --available; // the end-of-file mark
        const qint64 record = available / m_recordLength;
        const int inside = int(available % m_recordLength);
        if (inside == 0)
            fail(record, -1,
                 u"the file ends before this record: it holds %1 of the %2 records its header counts "
                 u"(truncated)"_s.arg(record)
                     .arg(m_recordCount));
        // The field the file ends in: the last one that starts within the bytes present.
        int field = 0;
        while (field + 1 < m_fields.size() && m_fields.at(field + 1).offset <= inside - 1)
            ++field;
        fail(record, field, u"the file ends inside the record (truncated)"_s);
    }
    if (available - needed >= m_recordLength)
        fail(
            -1, -1,
            u"the file holds %1 more records than the %2 its header counts"_s.arg((available - needed) / m_recordLength)
                .arg(m_recordCount));

    int number = CodePage::fromLanguageByte(m_languageByte);
    if (number == 0) number = fallbackCodePage;
    m_codePage = &CodePage::get(number);
}

int DbfReader::fieldIndex(const QString& name) const
{
    for (int i = 0; i < m_fields.size(); ++i)
        if (m_fields.at(i).name.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

const char* DbfReader::recordData(qint64 record) const
{
    Q_ASSERT(record >= 0 && record < m_recordCount);
    return m_data + m_headerLength + record * m_recordLength;
}

bool DbfReader::isDeleted(qint64 record) const
{
    const char mark = recordData(record)[0];
    if (mark == ' ') return false;
    if (mark == '*') return true;
    fail(record, -1, u"the deletion mark is '%1', neither blank nor '*'"_s.arg(shown({&mark, 1})));
}

bool DbfReader::isNull(const char* rec, const DbfField& f) const
{
    if (f.nullBit < 0) return false;
    const char* flags = rec + 1 + m_fields.at(m_nullFlagsField).offset;
    return quint8(flags[f.nullBit / 8]) & (1u << (f.nullBit % 8));
}

double DbfReader::number(qint64 record, int field, const char* bytes, int length) const
{
    const QByteArrayView text = trimmed(bytes, length);
    const std::optional<double> value = parseNumber(text);
    if (!value) fail(record, field, u"'%1' is not a valid number"_s.arg(shown(text)));
    return *value;
}

bool DbfReader::text(qint64 record, int field, QString& out) const
{
    const DbfField& f = m_fields.at(field);
    const char* rec = recordData(record);
    out.clear();
    if (isNull(rec, f)) return false;
    const char* p = rec + 1 + f.offset;
    int length = f.length;
    while (length > 0 && blank(p[length - 1]))
        --length;
    if (length == 0) return false;
    if (!m_codePage->decode(QByteArrayView(p, length), out)) {
        for (int i = 0; i < length; ++i) {
            if (quint8(p[i]) >= 0x80 && m_codePage->upper(quint8(p[i])) == 0) {
                if (m_codePage->number() == 0)
                    fail(record, field,
                         u"the text holds letters beyond ASCII but the file names no code page; "
                         u"give it (--codepage)"_s);
                fail(record, field,
                     u"byte 0x%1 has no meaning in code page %2"_s.arg(quint8(p[i]), 2, 16, QChar(u'0'))
                         .arg(m_codePage->number()));
            }
        }
    }
    return true;
}

QVariant DbfReader::value(qint64 record, int field) const
{
    const DbfField& f = m_fields.at(field);
    const char* rec = recordData(record);
    if (isNull(rec, f)) return {};
    const char* p = rec + 1 + f.offset;
    switch (f.kind) {
    case DbfField::Kind::Text: {
        QString out;
        return text(record, field, out) ? QVariant(out) : QVariant();
    }
    case DbfField::Kind::Number: {
        if (trimmed(p, f.length).isEmpty()) return {};
        return number(record, field, p, f.length);
    }
    case DbfField::Kind::Logical:
        if (std::strchr("TtYy", *p) && *p) return true;
        if (std::strchr("FfNn", *p) && *p) return false;
        if (std::strchr(" ?", *p)) return {}; // a NUL is found too: blank
        fail(record, field, u"'%1' is not a valid logical value"_s.arg(shown({p, 1})));
    case DbfField::Kind::Date: {
        const QByteArrayView text(p, 8);
        if (trimmed(p, 8).isEmpty() || text == "00000000") return {};
        for (const char c : text)
            if (c < '0' || c > '9') fail(record, field, u"'%1' is not a valid date"_s.arg(shown(text)));
        const int year = (p[0] - '0') * 1000 + (p[1] - '0') * 100 + (p[2] - '0') * 10 + (p[3] - '0');
        const QDate date(year, (p[4] - '0') * 10 + (p[5] - '0'), (p[6] - '0') * 10 + (p[7] - '0'));
        if (year < 1 || !date.isValid()) fail(record, field, u"'%1' is not a valid date"_s.arg(shown(text)));
        return date;
    }
    case DbfField::Kind::Integer:
        return qint64(qint32(u32(p)));
    case DbfField::Kind::Currency:
        return double(i64(p)) / 10000.0;
    case DbfField::Kind::DateTime: {
        const qint32 day = qint32(u32(p));
        const qint32 ms = qint32(u32(p + 4));
        if (day == 0 && ms == 0) return {};
        const QDate date = QDate::fromJulianDay(day);
        if (day <= 0 || !date.isValid() || date.year() < 1 || date.year() > 9999 || ms < 0 || ms >= 86400000)
            fail(record, field, u"day %1 and time %2 ms make no valid date and time"_s.arg(day).arg(ms));
        return QDateTime(date, QTime::fromMSecsSinceStartOfDay(ms), QTimeZone::utc());
    }
    case DbfField::Kind::Double: {
        double d;
        const quint64 bits = quint64(i64(p));
        std::memcpy(&d, &bits, sizeof d);
        if (!std::isfinite(d)) fail(record, field, u"the value is not a finite number"_s);
        return d;
    }
    case DbfField::Kind::Memo:
    case DbfField::Kind::NullFlags:
    case DbfField::Kind::Unsupported:
        return {};
    }
    return {};
}

// ---- writing ----

DbfWriter::DbfWriter(QIODevice& out, const QString& name, const QList<Field>& fields, int codePage,
                     const QDate& updated)
    : m_out(out), m_name(name), m_fields(fields), m_codePage(CodePage::get(codePage))
{
    if (fields.isEmpty() || fields.size() > 255)
        throw StoreError(u"%1: a table file takes 1 to 255 fields"_s.arg(name));
    int recordLength = 1;
    for (Field& f : m_fields) {
        bool ok = !f.name.isEmpty() && f.name.size() <= 10;
        for (const QChar c : std::as_const(f.name))
            ok = ok && c.unicode() > 0x20 && c.unicode() < 0x7F;
        if (f.type == 'L') f.length = 1, f.decimals = 0;
        if (f.type == 'D') f.length = 8, f.decimals = 0;
        if (f.type == 'C')
            ok = ok && f.length >= 1 && f.length <= 254 && f.decimals == 0;
        else if (f.type == 'N')
            ok = ok && f.length >= 1 && f.length <= 20 && f.decimals >= 0 &&
                 (f.decimals == 0 || f.decimals < f.length - 1);
        else
            ok = ok && (f.type == 'L' || f.type == 'D');
        if (!ok)
            throw StoreError(u"%1: field %2 of type %3 and length %4 cannot be written"_s.arg(name, f.name)
                                 .arg(QLatin1Char(f.type))
                                 .arg(f.length));
        m_offsets.append(recordLength);
        recordLength += f.length;
    }
    if (recordLength > 65535) throw StoreError(u"%1: the record is longer than a table file allows"_s.arg(name));
    const int headerLength = 32 + 32 * int(m_fields.size()) + 1;
    QByteArray header(headerLength, '\0');
    char* h = header.data();
    h[0] = '\x03'; // FoxPro 2.x without memo
    const QDate day = updated.isValid() ? updated : QDate(2000, 1, 1);
    h[1] = char(qBound(0, day.year() - 1900, 255));
    h[2] = char(day.month());
    h[3] = char(day.day());
    put16(h + 8, quint16(headerLength));
    put16(h + 10, quint16(recordLength));
    h[29] = char(CodePage::languageByte(codePage));
    for (int i = 0; i < m_fields.size(); ++i) {
        char* d = h + 32 + 32 * i;
        const QByteArray n = m_fields.at(i).name.toLatin1();
        std::memcpy(d, n.constData(), size_t(n.size()));
        d[11] = m_fields.at(i).type;
        put32(d + 12, quint32(m_offsets.at(i)));
        d[16] = char(m_fields.at(i).length);
        d[17] = char(m_fields.at(i).decimals);
    }
    h[headerLength - 1] = '\x0D';
    write(header);
    m_record = QByteArray(recordLength, ' ');
}

void DbfWriter::write(const QByteArray& bytes)
{
    if (m_out.write(bytes) != bytes.size())
        throw StoreError(u"%1: cannot be written: %2"_s.arg(m_name, m_out.errorString()));
}

void DbfWriter::fail(int field, const QString& problem) const
{
    throw InputError(
        u"%1, record %2, field %3: %4"_s.arg(m_name).arg(m_count + 1).arg(m_fields.at(field).name, problem));
}

void DbfWriter::setNull(int field)
{
    std::memset(m_record.data() + m_offsets.at(field), ' ', size_t(m_fields.at(field).length));
}

void DbfWriter::setText(int field, QStringView text)
{
    Q_ASSERT(m_fields.at(field).type == 'C');
    m_scratch.clear();
    qsizetype bad = 0;
    if (!m_codePage.encode(text, m_scratch, &bad))
        fail(field, u"'%1' has no place in code page %2"_s.arg(text.at(bad)).arg(m_codePage.number()));
    const int length = m_fields.at(field).length;
    if (m_scratch.size() > length)
        fail(field, u"the text is %1 characters long, the field holds %2"_s.arg(m_scratch.size()).arg(length));
    char* p = m_record.data() + m_offsets.at(field);
    std::memcpy(p, m_scratch.constData(), size_t(m_scratch.size()));
    std::memset(p + m_scratch.size(), ' ', size_t(length - m_scratch.size()));
}

void DbfWriter::setNumber(int field, double value)
{
    const Field& f = m_fields.at(field);
    Q_ASSERT(f.type == 'N');
    if (!std::isfinite(value)) fail(field, u"the value is not a finite number"_s);
    char text[400];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, f.decimals);
    const int length = error == std::errc() ? int(end - text) : int(sizeof text);
    if (length > f.length)
        fail(field,
             u"%1 does not fit in %2 characters"_s.arg(QString::fromLatin1(text, qMin(length, 40))).arg(f.length));
    double back = 0;
    std::from_chars(text, end, back);
    if (back != value)
        fail(field, u"%1 cannot be written exactly with %2 decimals"_s.arg(value, 0, 'g', 17).arg(f.decimals));
    char* p = m_record.data() + m_offsets.at(field);
    std::memset(p, ' ', size_t(f.length - length));
    std::memcpy(p + f.length - length, text, size_t(length));
}

void DbfWriter::setLogical(int field, bool value)
{
    m_record[m_offsets.at(field)] = value ? 'T' : 'F';
}

void DbfWriter::setDate(int field, const QDate& date)
{
    if (!date.isValid()) return setNull(field);
    if (date.year() < 1 || date.year() > 9999)
        fail(field, u"the year %1 has no place in a table file"_s.arg(date.year()));
    char* p = m_record.data() + m_offsets.at(field);
    const int parts[] = {date.year() / 100, date.year() % 100, date.month(), date.day()};
    for (int i = 0; i < 4; ++i) {
        p[2 * i] = char('0' + parts[i] / 10);
        p[2 * i + 1] = char('0' + parts[i] % 10);
    }
}

void DbfWriter::addRecord()
{
    write(m_record);
    m_record.fill(' ');
    ++m_count;
}

void DbfWriter::finish()
{
    write(QByteArray(1, '\x1A'));
    if (m_count > 0xFFFFFFFFLL) throw StoreError(u"%1: too many records for a table file"_s.arg(m_name));
    char count[4];
    put32(count, quint32(m_count));
    const qint64 end = m_out.pos();
    if (!m_out.seek(4) || m_out.write(count, 4) != 4 || !m_out.seek(end))
        throw StoreError(u"%1: cannot be written: %2"_s.arg(m_name, m_out.errorString()));
}

std::pair<int, int> DbfWriter::numberShape(double value)
{
    char text[400];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    if (error != std::errc()) return {int(sizeof text), 0};
    const char* point = static_cast<const char*>(std::memchr(text, '.', size_t(end - text)));
    if (!point) return {int(end - text), 0};
    return {int(point - text), int(end - point - 1)};
}
