#include "reports/ChangesList.h"

#include "core/Shop.h"
#include "core/TrailText.h"
#include "store/Table.h"
#include "store/Values.h"
#include "store/engine/Schema.h"

#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double HeadingHeight = 28.3;
constexpr double CaptionsY = 21;
// One line of text and a little room: a line that wraps makes its band grow.
constexpr double LineHeight = 5;
constexpr double TextY = 0.5;

const QRegularExpression LineBreak(u"\r\n|\r|\n"_s);

QString momentText(const QDateTime& moment)
{
    return Values::shortDateText(moment.date()) + u' ' + moment.time().toString(u"HH:mm:ss"_s);
}

// A value as the register shows it: dates d.M.yyyy, numbers with the decimal comma, flags True or False. Text, and
// a value that does not read as its field's type, as the trail keeps it.
QString shownValue(const QString& table, const QString& field, const QString& stored)
{
    const TableDef* def = stored.isEmpty() ? nullptr : Schema::find(table);
    const int i = def ? def->fieldIndex(field) : -1;
    if (i < 0) return stored;
    const FieldType type = def->fields.at(i).type;
    bool ok = false;
    QVariant value;
    switch (type) {
    case FieldType::Number:
        value = stored.toDouble(&ok);
        break;
    case FieldType::Logical:
    case FieldType::SmallInt:
        value = stored.toLongLong(&ok);
        break;
    case FieldType::Date:
        ok = QDate::fromString(stored, Qt::ISODate).isValid();
        value = stored;
        break;
    case FieldType::Text:
        break;
    }
    return ok ? Field::format(type, value) : stored;
}

QString actionText(const QString& code)
{
    const auto action = Trail::actionOf(code);
    return action ? actionName(*action) : code; // a code of a later version, as stored
}

} // namespace

ChangesList::ChangesList(Shop& shop, QObject* parent)
    : ListReport(shop, u"ChangesList"_s, QString(), QString(),
                 {u"Zmeny záznamov"_s, u"Zmeny záznamov"_s, HeadingHeight, CaptionsY, LineHeight, ReportFont::italic()},
                 parent)
{
    QuickRep1.orientation = QPageLayout::Landscape;
    QuickRep1.feed = [this](const std::function<void()>& printRow) { feed(printRow); };

    // Millimetres across the 277 of a landscape A4: the moment and a birth number fit their columns whole,
    // the values have the most room.
    const struct
    {
        double x, width;
        QString caption;
        ReportItem** item;
        const char* name;
    } columns[] = {{0, 33, u"Dátum a čas"_s, &Moment, "Moment"},
                   {34.5, 22, u"Pokladník"_s, &Clerk, "Clerk"},
                   {58, 30, u"Pracovisko"_s, &Counter, "Counter"},
                   {89.5, 36, u"Akcia"_s, &Action, "Action"},
                   {127, 17, u"Tabuľka"_s, &TableName, "TableName"},
                   {145.5, 21, u"Kľúč"_s, &Key, "Key"},
                   {168, 25, u"Pole"_s, &Field, "Field"},
                   {194.5, 40, u"Pôvodná hodnota"_s, &OldValue, "OldValue"},
                   {236, 41, u"Nová hodnota"_s, &NewValue, "NewValue"}};
    for (const auto& c : columns) {
        addCaption(c.x, c.caption);
        ReportItem& memo = Detail->addMemo(c.x, TextY, c.width).named(QString::fromLatin1(c.name));
        memo.breakWords = true;
        *c.item = &memo;
    }
    // The newest row as it stood when the list was made: the shop notes it, and audit-verify --expect checks
    // that the trail still holds it unchanged.
    ReportBand& summary = QuickRep1.addBand(ReportBand::Kind::Summary, 8);
    summary.lineTop = true;
    Head = &summary.addLabel(0, 2).named(u"Head"_s);
}

void ChangesList::Start(const QDate& from, const QDate& to)
{
    Trail::Query query;
    query.from = from;
    query.to = to;
    Start(query);
}

void ChangesList::Start(const Trail::Query& query)
{
    m_query = query;
    setHeading(headingOf(query));
    // The rows as they stand before the export's own row joins them.
    recordExportOnOutput([this] {
        qint64 rows = 0;
        Trail::read(shop().store(), m_query, [&rows](const Trail::Row&) { ++rows; });
        return rows;
    });
}

QString ChangesList::headingOf(const Trail::Query& query)
{
    QStringList parts;
    QStringList period;
    if (query.from.isValid()) period << u"od "_s + Values::shortDateText(query.from);
    if (query.to.isValid()) period << u"do "_s + Values::shortDateText(query.to);
    parts << (period.isEmpty() ? u"všetky zmeny"_s : period.join(u' '));
    if (!query.contract.isEmpty()) parts << u"zmluva "_s + query.contract;
    if (!query.birthNumber.isEmpty()) parts << u"rodné číslo "_s + query.birthNumber;
    if (!query.clerk.isEmpty()) parts << u"pokladník "_s + query.clerk;
    return parts.join(u", "_s);
}

void ChangesList::feed(const std::function<void()>& printRow)
{
    Head->text = u"Posledný záznam: "_s + Trail::head(shop().store());
    Trail::read(shop().store(), m_query, [&](const Trail::Row& read) {
        const Trail::Row row = worded(read);
        if (row.fields.isEmpty()) {
            setLine(row, {});
            printRow();
        }
        for (const Trail::FieldChange& change : row.fields) {
            setLine(row, change);
            printRow();
        }
    });
}

void ChangesList::setLine(const Trail::Row& row, const Trail::FieldChange& change)
{
    const auto set = [](ReportItem* item, const QString& text) {
        item->lines.clear();
        // A note may hold line breaks: each starts a line of its own.
        if (!text.isEmpty()) item->lines = text.split(LineBreak);
    };
    set(Moment, momentText(row.moment));
    set(Clerk, row.clerk);
    set(Counter, row.counter);
    set(Action, actionText(row.action));
    set(TableName, row.table);
    set(Key, row.key);
    set(Field, change.field);
    set(OldValue, shownValue(row.table, change.field, change.oldValue));
    set(NewValue, shownValue(row.table, change.field, change.newValue));
}
