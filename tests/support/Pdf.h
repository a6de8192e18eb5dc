#pragma once

#include <QList>
#include <QRectF>
#include <QString>

// A PDF read back as pdftotext (poppler-utils) reads it.
namespace Pdf {

// The text, laid out as on the page; pages end with a form feed.
QString text(const QString& file);

// A word with its box in points from the page's top-left corner.
struct Word
{
    int page = 0;
    QRectF box;
    QString text;
};
QList<Word> words(const QString& file);

// Two words on one line of a page that overlap: what a value printed over the next column looks like.
QString overprinted(const QList<Word>& words);

} // namespace Pdf
