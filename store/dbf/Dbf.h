#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>
#include <memory>

class CodePage;
class QFile;
class QIODevice;

// One field of a table file as its header describes it.
struct DbfField
{
    // What a field holds, by its type letter (and, for B, the file version).
    enum class Kind {
        Text,        // C
        Number,      // N, F: digits as text
        Logical,     // L
        Date,        // D: YYYYMMDD
        Integer,     // I: 32-bit binary
        Currency,    // Y: 64-bit binary, ten-thousandths
        DateTime,    // T: Julian day and milliseconds
        Double,      // B in Visual FoxPro: 64-bit floating point
        Memo,        // M, G, P, and B outside Visual FoxPro: a block in a memo file we do not read
        NullFlags,   // Visual FoxPro's hidden _NullFlags column
        Unsupported, // any other letter: skipped like a memo
    };

    QString name;
    char type = 'C';
    int length = 0;
    int decimals = 0;
    Kind kind = Kind::Text;
    int offset = 0;      // of the field in the record, after the deletion mark
    int nullBit = -1;    // bit in _NullFlags that marks the field empty (Visual FoxPro), -1 for none
    bool hidden = false; // a system column of Visual FoxPro

    bool carriesData() const { return kind != Kind::Memo && kind != Kind::NullFlags && kind != Kind::Unsupported; }
};

// Reads a dBase III, FoxPro 2.x or Visual FoxPro table file (versions 0x03, 0x83, 0xF5, 0x30, 0x31,
// 0x32). The header is checked against the file's size when it is opened, so a lying header never
// makes it read outside the file or allocate by its counts. Every fault is an InputError naming the
// file and, where there is one, the record (numbered from 1, deleted ones included) and the field.
class DbfReader
{
public:
    // fallbackCodePage serves when the language byte names none (0: ASCII only).
    explicit DbfReader(const QString& path, int fallbackCodePage = 0);
    // The same over bytes in memory; name stands for the file in messages.
    DbfReader(const QByteArray& bytes, const QString& name, int fallbackCodePage = 0);
    ~DbfReader();
    DbfReader(const DbfReader&) = delete;
    DbfReader& operator=(const DbfReader&) = delete;

    const QString& name() const { return m_name; }
    quint8 version() const { return m_version; }
    quint8 languageByte() const { return m_languageByte; }
    int codePage() const; // 0: none named nor given, ASCII only
    const QList<DbfField>& fields() const { return m_fields; }
    int fieldIndex(const QString& name) const; // without regard to case; -1 when absent
    qint64 recordCount() const { return m_recordCount; }
    int recordLength() const { return m_recordLength; }
    int headerLength() const { return m_headerLength; }

    // Whether the record (from 0) is marked deleted.
    bool isDeleted(qint64 record) const;
    // The value of a field: invalid for a blank one, else QString (C), double (N, F, Y, B), qint64 (I),
    // bool (L), QDate (D) or QDateTime (T). Throws InputError for a value that cannot be read.
    QVariant value(qint64 record, int field) const;
    // The same for a text field: false when blank.
    bool text(qint64 record, int field, QString& out) const;

    // Raises InputError "NAME, record N, field F: problem"; record -1 and field -1 leave those out.
    [[noreturn]] void fail(qint64 record, int field, const QString& problem) const;

private:
    void parse(int fallbackCodePage);
    const char* recordData(qint64 record) const;
    bool isNull(const char* rec, const DbfField& f) const;
    double number(qint64 record, int field, const char* bytes, int length) const;

    QString m_name;
    std::unique_ptr<QFile> m_file; // kept open while mapped
    QByteArray m_bytes;            // when read from memory
    const char* m_data = nullptr;
    qint64 m_size = 0;
    quint8 m_version = 0;
    quint8 m_languageByte = 0;
    const CodePage* m_codePage = nullptr;
    QList<DbfField> m_fields;
    int m_nullFlagsField = -1;
    qint64 m_recordCount = 0;
    int m_headerLength = 0;
    int m_recordLength = 0;
};

// Writes a FoxPro 2.x table file (version 0x03, no memo) with the language byte of its code page.
// Fields C, N, L and D. A record is filled field by field, then added; finish() writes the count.
class DbfWriter
{
public:
    struct Field
    {
        QString name; // up to 10 ASCII characters
        char type;    // C, N, L or D
        int length;   // C: 1-254, N: 1-20; L and D take their fixed lengths
        int decimals; // N only
    };

    // name stands for the file in messages; updated is the date of last change in the header.
    DbfWriter(QIODevice& out, const QString& name, const QList<Field>& fields, int codePage, const QDate& updated);

    void setNull(int field);
    void setText(int field, QStringView text);
    void setNumber(int field, double value);
    void setLogical(int field, bool value);
    void setDate(int field, const QDate& date);
    // Appends the record filled so far and blanks the buffer for the next.
    void addRecord();
    // Writes the record count into the header and the end-of-file mark.
    void finish();

    qint64 recordCount() const { return m_count; }
    // The characters before the decimal point (sign included) and the decimals of the shortest text
    // that reads back as exactly value: an N field at least this wide holds it without loss.
    static std::pair<int, int> numberShape(double value);

    // Throws InputError "NAME, record N, field F: problem" for the record being filled.
    [[noreturn]] void fail(int field, const QString& problem) const;

private:
    void write(const QByteArray& bytes);
    QIODevice& m_out;
    QString m_name;
    QList<Field> m_fields;
    QList<int> m_offsets;
    const CodePage& m_codePage;
    QByteArray m_record;
    QByteArray m_scratch;
    qint64 m_count = 0;
};
