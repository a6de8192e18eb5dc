#include "store/Filter.h"

#include "store/engine/Row.h"

#include "store/engine/Errors.h"
#include "store/engine/Schema.h"

#include <QStringList>

using namespace Qt::Literals::StringLiterals;

namespace {

class Parser
{
public:
    Parser(const TableDef& def, const QString& text) : m_def(def), m_text(text) {}

    Filter run()
    {
        Filter filter;
        skipBlanks();
        if (atEnd()) return filter;
        for (;;) {
            filter.terms << term();
            skipBlanks();
            if (atEnd()) return filter;
            const QString word = identifier();
            if (word.compare(u"and"_s, Qt::CaseInsensitive) != 0) refuse();
        }
    }

private:
    [[noreturn]] void refuse() const { throw StoreError(u"Invalid filter expression: '%1'"_s.arg(m_text)); }
    bool atEnd() const { return m_pos >= m_text.size(); }
    void skipBlanks()
    {
        while (!atEnd() && m_text.at(m_pos).isSpace())
            ++m_pos;
    }
    QString identifier()
    {
        skipBlanks();
        const qsizetype start = m_pos;
        while (!atEnd() && (m_text.at(m_pos).isLetterOrNumber() || m_text.at(m_pos) == u'_'))
            ++m_pos;
        if (m_pos == start) refuse();
        return m_text.mid(start, m_pos - start);
    }
    Filter::Term term()
    {
        const int field = m_def.fieldIndex(identifier());
        if (field < 0) refuse();
        skipBlanks();
        if (atEnd() || m_text.at(m_pos) != u'=') refuse();
        ++m_pos;
        skipBlanks();
        if (atEnd()) refuse();
        const FieldType type = m_def.fields.at(field).type;
        if (m_text.at(m_pos) == u'\'') {
            if (type != FieldType::Text) refuse();
            // A constant as SQL writes one: '' inside stands for a quote.
            QString value;
            for (qsizetype i = m_pos + 1; i < m_text.size(); ++i) {
                if (m_text.at(i) != u'\'') {
                    value += m_text.at(i);
                } else if (i + 1 < m_text.size() && m_text.at(i + 1) == u'\'') {
                    value += u'\'';
                    ++i;
                } else {
                    m_pos = i + 1;
                    return {field, value};
                }
            }
            refuse();
        }
        const QString word = identifier();
        if (type != FieldType::Logical) refuse();
        if (word.compare(u"true"_s, Qt::CaseInsensitive) == 0) return {field, true};
        if (word.compare(u"false"_s, Qt::CaseInsensitive) == 0) return {field, false};
        refuse();
    }

    const TableDef& m_def;
    const QString& m_text;
    qsizetype m_pos = 0;
};

} // namespace

Filter Filter::parse(const TableDef& def, const QString& text)
{
    return Parser(def, text).run();
}

Filter Filter::equal(const TableDef& def, const QString& field, const QVariant& value)
{
    const int index = def.fieldIndex(field);
    const FieldType type = index < 0 ? FieldType::Number : def.fields.at(index).type;
    const bool fits = (type == FieldType::Text && value.typeId() == QMetaType::QString) ||
                      (type == FieldType::Logical && value.typeId() == QMetaType::Bool);
    if (!fits) throw StoreError(u"A view filter compares a text or logical field of %1, not %2"_s.arg(def.file, field));
    return Filter{{{index, value}}};
}

QString Filter::text(const TableDef& def) const
{
    QStringList parts;
    for (const Term& t : terms) {
        const QString name = def.fields.at(t.field).name;
        if (t.value.typeId() == QMetaType::Bool)
            parts << name + (t.value.toBool() ? u" = True"_s : u" = False"_s);
        else
            parts << name + u"='"_s + t.value.toString().replace(u"'"_s, u"''"_s) + u'\'';
    }
    return parts.join(u" and "_s);
}

QString Filter::sql(const TableDef& def) const
{
    QStringList parts;
    for (const Term& t : terms) {
        const bool logical = def.fields.at(t.field).type == FieldType::Logical;
        parts << u"IFNULL(\"%1\",%2)=?"_s.arg(def.fields.at(t.field).name, logical ? u"0"_s : u"''"_s);
    }
    return parts.join(u" AND "_s);
}

QList<QVariant> Filter::values() const
{
    QList<QVariant> out;
    for (const Term& t : terms)
        out << (t.value.typeId() == QMetaType::Bool ? QVariant(t.value.toBool() ? 1 : 0) : t.value);
    return out;
}

bool Filter::matches(const RowValues& record) const
{
    for (const Term& t : terms) {
        if (t.value.typeId() == QMetaType::Bool) {
            if ((!record.isNull(t.field) && record.integer(t.field) != 0) != t.value.toBool()) return false;
        } else if ((record.isNull(t.field) ? QString() : record.text(t.field)) != t.value.toString()) {
            return false;
        }
    }
    return true;
}
