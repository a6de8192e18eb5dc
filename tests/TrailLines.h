#pragma once

#include "store/Store.h"
#include "store/trail/Trail.h"

#include <QJsonDocument>
#include <QStringList>

// The trail's rows after SEQ after, each as "action clerk", its detail as compact JSON (fields apart) and each
// changed field as " FIELD:old>new".
inline QStringList trailLines(Store& store, qint64 after = 0)
{
    QStringList out;
    for (const Trail::Row& r : Trail::read(store, {})) {
        if (r.seq <= after) continue;
        QString line = r.action + u' ' + r.clerk;
        if (!r.detail.isEmpty())
            line += u' ' + QString::fromUtf8(QJsonDocument(r.detail).toJson(QJsonDocument::Compact));
        for (const Trail::FieldChange& f : r.fields)
            line += u' ' + f.field + u':' + f.oldValue + u'>' + f.newValue;
        out << line;
    }
    return out;
}

inline qint64 trailEnd(Store& store)
{
    return store.scalar(QStringLiteral("SELECT COALESCE(MAX(SEQ), 0) FROM Zmeny")).toLongLong();
}
