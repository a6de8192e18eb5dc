#include "store/engine/PgSql.h"

#include <QHash>

using namespace Qt::Literals::StringLiterals;

namespace {

bool isWordStart(QChar c)
{
    return c.isLetter() || c == u'_';
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

} // namespace

namespace PgSql {

Translated translate(const QString& in)
{
    QString out;
    out.reserve(in.size() + 16);
    QHash<QString, int> named;
    int highest = 0;
    QString lastWord, wordBefore; // the two words before the current token, in upper case
    qsizetype lastWordAt = 0;     // where the last word starts in out
    const qsizetype n = in.size();
    // SQLite's IS [NOT] before a value: equal (different) or both empty.
    const auto nullSafe = [&] {
        if (lastWord == u"IS"_s) {
            out += u"NOT DISTINCT FROM "_s;
        } else if (lastWord == u"NOT"_s && wordBefore == u"IS"_s) {
            out.truncate(lastWordAt);
            out += u"DISTINCT FROM "_s;
        }
    };
    for (qsizetype i = 0; i < n;) {
        const QChar c = in.at(i);
        if (c == u'\'') { // a constant, as it stands; '' inside is a quote
            const qsizetype start = i++;
            while (i < n) {
                if (in.at(i) == u'\'') {
                    if (i + 1 < n && in.at(i + 1) == u'\'') {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            out += QStringView(in).mid(start, i - start);
            lastWord.clear();
            continue;
        }
        if (c == u'"') {
            const qsizetype start = i++;
            while (i < n) {
                if (in.at(i) == u'"') {
                    if (i + 1 < n && in.at(i + 1) == u'"') {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            out += QStringView(in).mid(start, i - start).toString().toLower();
            lastWord.clear();
            continue;
        }
        if (c == u'-' && i + 1 < n && in.at(i + 1) == u'-') {
            const qsizetype end = in.indexOf(u'\n', i);
            const qsizetype stop = end < 0 ? n : end;
            out += QStringView(in).mid(i, stop - i);
            i = stop;
            continue;
        }
        if (c == u'?') {
            ++i;
            qsizetype digits = i;
            while (digits < n && in.at(digits).isDigit())
                ++digits;
            int number = 0;
            if (digits > i) {
                number = QStringView(in).mid(i, digits - i).toInt();
                i = digits;
            } else {
                number = highest + 1;
            }
            highest = std::max(highest, number);
            nullSafe();
            out += u'$' + QString::number(number);
            lastWord.clear();
            continue;
        }
        if (c == u':' && i + 1 < n && in.at(i + 1) == u':') {
            out += u"::"_s;
            i += 2;
            continue;
        }
        if (c == u':' && i + 1 < n && isWordStart(in.at(i + 1))) {
            qsizetype end = i + 1;
            while (end < n && isWordChar(in.at(end)))
                ++end;
            const QString name = in.mid(i + 1, end - i - 1);
            int number = named.value(name);
            if (number == 0) {
                number = ++highest;
                named.insert(name, number);
            }
            nullSafe();
            out += u'$' + QString::number(number);
            i = end;
            lastWord.clear();
            continue;
        }
        if (isWordStart(c)) {
            qsizetype end = i;
            while (end < n && isWordChar(in.at(end)))
                ++end;
            const QString word = in.mid(i, end - i);
            const QString upper = word.toUpper();
            qsizetype next = end;
            while (next < n && in.at(next).isSpace())
                ++next;
            lastWordAt = out.size();
            if (upper == u"IFNULL"_s && next < n && in.at(next) == u'(') {
                out += u"COALESCE"_s;
            } else {
                out += word;
            }
            wordBefore = lastWord;
            lastWord = upper;
            i = end;
            continue;
        }
        if (c.isDigit() && (lastWord == u"IS"_s || (lastWord == u"NOT"_s && wordBefore == u"IS"_s))) {
            nullSafe();
            qsizetype end = i;
            while (end < n && (in.at(end).isDigit() || in.at(end) == u'.'))
                ++end;
            out += QStringView(in).mid(i, end - i);
            i = end;
            lastWord.clear();
            continue;
        }
        if (!c.isSpace()) lastWord.clear();
        out += c;
        ++i;
    }
    return {out.toUtf8(), highest};
}

} // namespace PgSql
