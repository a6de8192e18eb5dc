#include "reports/ReportFonts.h"

#include <QTextBoundaryFinder>

namespace {
// Glyphs measured at this many pixels to the em; one pixel is then em / Units millimetres.
constexpr int Units = 1000;
constexpr double MillimetresPerPoint = 25.4 / 72.0;
} // namespace

QFont ReportFonts::font(const ReportFont& f) const
{
    QFont font(m_family);
    font.setPointSizeF(f.pointSize);
    font.setItalic(f.style == ReportFont::Style::Italic);
    font.setBold(f.style == ReportFont::Style::Bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

const ReportFonts::Measure& ReportFonts::measure(const ReportFont& f)
{
    for (const Measure& m : m_measures)
        if (m.font == f) return m;
    QFont big = font(f);
    big.setPixelSize(Units);
    m_measures.push_back({f, QFontMetricsF(big), f.pointSize * MillimetresPerPoint / Units});
    return m_measures.back();
}

double ReportFonts::width(const ReportFont& f, const QString& text)
{
    const Measure& m = measure(f);
    return m.metrics.horizontalAdvance(text) * m.mmPerUnit;
}

double ReportFonts::ascent(const ReportFont& f)
{
    const Measure& m = measure(f);
    return m.metrics.ascent() * m.mmPerUnit;
}

double ReportFonts::height(const ReportFont& f)
{
    const Measure& m = measure(f);
    return m.metrics.height() * m.mmPerUnit;
}

double ReportFonts::lineSpacing(const ReportFont& f)
{
    const Measure& m = measure(f);
    return m.metrics.lineSpacing() * m.mmPerUnit;
}

QStringList ReportFonts::wrap(const ReportFont& f, const QString& line, double width, bool breakWords)
{
    if (this->width(f, line) <= width) return {line};
    QStringList parts;
    QString current;
    for (const QString& word : line.split(u' ', Qt::SkipEmptyParts)) {
        const QString candidate = current.isEmpty() ? word : current + u' ' + word;
        if (!current.isEmpty() && this->width(f, candidate) > width) {
            parts << current;
            current = word;
        } else {
            current = candidate;
        }
        // Only a word by itself can be too wide here: whatever it was added to fitted.
        if (breakWords && this->width(f, current) > width) {
            parts << pieces(f, current, width);
            current = parts.takeLast();
        }
    }
    if (!current.isEmpty() || parts.isEmpty()) parts << current;
    return parts;
}

QStringList ReportFonts::pieces(const ReportFont& f, const QString& word, double width)
{
    // Between whole characters as a reader sees them: an accent never parts from its letter.
    QTextBoundaryFinder letters(QTextBoundaryFinder::Grapheme, word);
    QStringList out;
    qsizetype start = 0, fitting = 0;
    for (qsizetype end = letters.toNextBoundary(); end > 0; end = letters.toNextBoundary()) {
        if (fitting > start && this->width(f, word.mid(start, end - start)) > width) {
            out << word.mid(start, fitting - start);
            start = fitting;
        }
        fitting = end;
    }
    out << word.mid(start);
    return out;
}
