#include "reports/ReportFonts.h"

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

QStringList ReportFonts::wrap(const ReportFont& f, const QString& line, double width)
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
    }
    if (!current.isEmpty() || parts.isEmpty()) parts << current;
    return parts;
}
