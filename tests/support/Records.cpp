#include "support/Records.h"

#include "store/Table.h"

#include <QDate>

using namespace Qt::Literals::StringLiterals;

namespace Records {

qint64 write(Store& store, const QString& file, const Values& values)
{
    Table t(store, file);
    t.open();
    t.append();
    for (const auto& [field, value] : values) {
        if (value.typeId() == QMetaType::QDate)
            t.field(field).setAsDate(value.toDate());
        else if (value.typeId() == QMetaType::Bool)
            t.field(field).setAsBoolean(value.toBool());
        else
            t.field(field).setAsString(value.toString());
    }
    t.post();
    return t.rowId();
}

qint64 addPerson(Store& store, const QString& birthNumber, const QString& lastName, const Values& more)
{
    return write(store, u"Osoby.DBF"_s, Values{{u"BIRTHNUM"_s, birthNumber}, {u"LASTNAME"_s, lastName}} + more);
}

qint64 addContract(Store& store, const QString& number, const QString& birthNumber, const Values& more)
{
    return write(store, u"Zmluvy.DBF"_s, Values{{u"NUMBER"_s, number}, {u"BIRTHNUM"_s, birthNumber}} + more);
}

QList<Trail::Row> trailRows(Store& store, const QString& action)
{
    QList<Trail::Row> out;
    for (const Trail::Row& r : Trail::read(store, {}))
        if (r.action == action) out << r;
    return out;
}

} // namespace Records
