#pragma once

#include <QDate>
#include <QLineEdit>

// A masked date box: day, month and year with "." between them; empty it reads "  .  .    ".
// text() returns the box as shown, blanks included, which the date conversions accept.
class MaskEdit : public QLineEdit
{
    Q_OBJECT
public:
    enum class Mask {
        DayMonthOptional, // first digit of day and month may be blank
        AllOptional       // every digit may be blank
    };
    explicit MaskEdit(Mask mask = Mask::AllOptional, QWidget* parent = nullptr);

    QString text() const;              // as shown: " 6. 1.2027", "  .  .    "
    void setText(const QString& text); // a date text d.M.yyyy is right-aligned into the mask
    bool isEmptyDate() const;          // no digit in the box
    void setDate(const QDate& date);   // empty for an invalid date
    static QString emptyText() { return QStringLiteral("  .  .    "); }
};
