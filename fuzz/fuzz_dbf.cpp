#include "store/dbf/Dbf.h"
#include "store/engine/Errors.h"

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace {

bool same(const QVariant& a, const QVariant& b)
{
    if (!a.isValid() || !b.isValid()) return a.isValid() == b.isValid();
    if (a.typeId() == QMetaType::Double) return b.typeId() == QMetaType::Double && a.toDouble() == b.toDouble();
    return a == b;
}

// The records that read whole, written again by our writer, must read back as they were.
void rewrite(const DbfReader& reader)
{
    QList<DbfWriter::Field> fields;
    QList<int> source;
    for (int i = 0; i < reader.fields().size(); ++i) {
        const DbfField& f = reader.fields().at(i);
        if (f.kind == DbfField::Kind::Text && f.length <= 254)
            fields.append({f.name, 'C', f.length, 0});
        else if (f.kind == DbfField::Kind::Number && f.type == 'N' && (f.decimals == 0 || f.decimals < f.length - 1))
            fields.append({f.name, 'N', f.length, f.decimals});
        else if (f.kind == DbfField::Kind::Logical)
            fields.append({f.name, 'L', 1, 0});
        else if (f.kind == DbfField::Kind::Date)
            fields.append({f.name, 'D', 8, 0});
        else
            continue;
        source.append(i);
    }
    if (fields.isEmpty()) return;
    QBuffer out;
    out.open(QIODevice::ReadWrite);
    std::unique_ptr<DbfWriter> writer;
    try {
        writer = std::make_unique<DbfWriter>(out, u"copy.dbf"_s, fields, reader.codePage(), QDate(2000, 1, 1));
    } catch (const StoreError&) { // a name the writer does not take (eleven characters)
        return;
    }
    QList<QList<QVariant>> written;
    for (qint64 record = 0; record < reader.recordCount(); ++record) {
        QList<QVariant> values;
        try {
            if (reader.isDeleted(record)) continue;
            for (const int i : std::as_const(source))
                values.append(reader.value(record, i));
            for (int k = 0; k < fields.size(); ++k) {
                const QVariant& v = values.at(k);
                if (!v.isValid())
                    writer->setNull(k);
                else if (fields.at(k).type == 'C')
                    writer->setText(k, v.toString());
                else if (fields.at(k).type == 'N')
                    writer->setNumber(k, v.toDouble());
                else if (fields.at(k).type == 'L')
                    writer->setLogical(k, v.toBool());
                else
                    writer->setDate(k, v.toDate());
            }
        } catch (const InputError&) { // unreadable, or not writable exactly: left out
            continue;
        }
        writer->addRecord();
        written.append(values);
    }
    writer->finish();
    const DbfReader back(out.data(), u"copy.dbf"_s, reader.codePage());
    if (back.recordCount() != written.size()) std::abort();
    for (qint64 record = 0; record < back.recordCount(); ++record)
        for (int k = 0; k < fields.size(); ++k)
            if (!same(back.value(record, k), written.at(record).at(k))) std::abort();
}

} // namespace

// Any bytes as a table file: read record by record and field by field, or refused with a message naming
// the file; never a crash, a read outside the bytes, or an allocation the header's counts ask for.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const DbfReader reader(bytes, u"fuzz.dbf"_s, 852);
        for (qint64 record = 0; record < reader.recordCount(); ++record) {
            try {
                (void)reader.isDeleted(record);
            } catch (const InputError&) {
            }
            for (int field = 0; field < reader.fields().size(); ++field) {
                try {
                    (void)reader.value(record, field);
                } catch (const InputError&) {
                }
            }
        }
        rewrite(reader);
    } catch (const InputError&) {
    }
    return 0;
}
