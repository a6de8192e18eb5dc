#pragma once

#include "store/Store.h"
#include "store/Table.h"
#include "store/trail/Trail.h"

#include <QDate>
#include <QList>
#include <QProcess>
#include <QString>
#include <QVariant>
#include <utility>

// What the suites of a person's data share: records written as a clerk writes them (each with its trail row), the
// trail's rows of one action, and the text of a PDF as pdftotext reads it.
namespace PersonRecords {

// One record of file: dates, flags and text as given.
inline void write(Store& store, const QString& file, const QList<std::pair<QString, QVariant>>& values)
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
}

inline QList<Trail::Row> rows(Store& store, const QString& action)
{
    QList<Trail::Row> out;
    for (const Trail::Row& r : Trail::read(store, {}))
        if (r.action == action) out << r;
    return out;
}

inline QString pdfText(const QString& file)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    if (!p.waitForFinished(60000)) qFatal("pdftotext hangs");
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace PersonRecords
