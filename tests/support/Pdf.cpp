#include "support/Pdf.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtGlobal>

using namespace Qt::Literals::StringLiterals;

namespace Pdf {

namespace {

QString pdftotext(const QString& option, const QString& file)
{
    QProcess p;
    p.start(u"pdftotext"_s, {option, file, u"-"_s});
    if (!p.waitForFinished(60000)) qFatal("pdftotext (poppler-utils) is missing or hangs");
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

QString text(const QString& file)
{
    return pdftotext(u"-layout"_s, file);
}

QList<Word> words(const QString& file)
{
    const QString html = pdftotext(u"-bbox"_s, file);
    static const QRegularExpression tag(
        uR"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"_s);
    QList<Word> out;
    int page = 0;
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(0).startsWith(u"<page"_s)) {
            ++page;
            continue;
        }
        const QPointF topLeft(m.captured(1).toDouble(), m.captured(2).toDouble());
        const QPointF bottomRight(m.captured(3).toDouble(), m.captured(4).toDouble());
        QString text = m.captured(5);
        text.replace(u"&lt;"_s, u"<"_s).replace(u"&gt;"_s, u">"_s);
        text.replace(u"&quot;"_s, u"\""_s).replace(u"&amp;"_s, u"&"_s);
        out << Word{page, QRectF(topLeft, bottomRight), text};
    }
    return out;
}

QString overprinted(const QList<Word>& words)
{
    for (qsizetype i = 0; i < words.size(); ++i)
        for (qsizetype j = i + 1; j < words.size(); ++j) {
            const Word &a = words[i], &b = words[j];
            const bool sameLine = a.page == b.page && qAbs(a.box.center().y() - b.box.center().y()) < 2;
            if (sameLine && a.box.left() < b.box.right() - 0.1 && b.box.left() < a.box.right() - 0.1)
                return a.text + u" / "_s + b.text;
        }
    return {};
}

} // namespace Pdf
