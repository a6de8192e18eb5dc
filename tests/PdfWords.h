#pragma once

#include <QList>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QString>

// The words of a PDF with their boxes in points from the page's top-left corner, as pdftotext -bbox reads them.
struct PdfWord
{
    int page = 0;
    QRectF box;
    QString text;
};

inline QList<PdfWord> pdfWords(const QString& file)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), file, QStringLiteral("-")});
    if (!p.waitForFinished(60000)) qFatal("pdftotext hangs");
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    static const QRegularExpression tag(QStringLiteral(
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    QList<PdfWord> words;
    int page = 0;
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(0).startsWith(QStringLiteral("<page"))) {
            ++page;
            continue;
        }
        const QPointF topLeft(m.captured(1).toDouble(), m.captured(2).toDouble());
        const QPointF bottomRight(m.captured(3).toDouble(), m.captured(4).toDouble());
        QString text = m.captured(5);
        text.replace(QStringLiteral("&lt;"), QStringLiteral("<")).replace(QStringLiteral("&gt;"), QStringLiteral(">"));
        text.replace(QStringLiteral("&quot;"), QStringLiteral("\""))
            .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        words << PdfWord{page, QRectF(topLeft, bottomRight), text};
    }
    return words;
}

// Two words on one line of a page that overlap: what a value printed over the next column looks like.
inline QString overprinted(const QList<PdfWord>& words)
{
    for (qsizetype i = 0; i < words.size(); ++i)
        for (qsizetype j = i + 1; j < words.size(); ++j) {
            const PdfWord &a = words[i], &b = words[j];
            const bool sameLine = a.page == b.page && qAbs(a.box.center().y() - b.box.center().y()) < 2;
            if (sameLine && a.box.left() < b.box.right() - 0.1 && b.box.left() < a.box.right() - 0.1)
                return a.text + QStringLiteral(" / ") + b.text;
        }
    return {};
}
