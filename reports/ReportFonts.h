#pragma once

#include "reports/Report.h"

#include <QFont>
#include <QFontMetricsF>
#include <QString>
#include <QStringList>
#include <vector>

// The fonts of a report and their measures in millimetres, the same on every device: measured unhinted
// at a large size and scaled, so the layout does not depend on the printer's resolution.
class ReportFonts
{
public:
    explicit ReportFonts(const QString& family) : m_family(family) {}

    // The font to paint with; the painter sizes its points for the device.
    QFont font(const ReportFont& f) const;

    double width(const ReportFont& f, const QString& text);
    double ascent(const ReportFont& f);
    double height(const ReportFont& f); // of one line of text, ascent and descent
    double lineSpacing(const ReportFont& f);
    // The line broken at blanks into parts no wider than width; a word wider than that stands alone, or with
    // breakWords is broken between letters as well.
    QStringList wrap(const ReportFont& f, const QString& line, double width, bool breakWords = false);

private:
    struct Measure
    {
        ReportFont font;
        QFontMetricsF metrics;
        double mmPerUnit;
    };
    const Measure& measure(const ReportFont& f);
    // The word cut into pieces no wider than width, each at least one letter.
    QStringList pieces(const ReportFont& f, const QString& word, double width);

    QString m_family;
    std::vector<Measure> m_measures;
};
