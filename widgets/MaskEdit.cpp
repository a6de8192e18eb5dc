#include "widgets/MaskEdit.h"

#include "store/Values.h"

#include <QStyle>

using namespace Qt::Literals::StringLiterals;

MaskEdit::MaskEdit(Mask mask, QWidget* parent) : QLineEdit(parent)
{
    // In Qt's mask '0' is an optional digit and '9' a required one.
    setInputMask(mask == Mask::DayMonthOptional ? u"09.09.9999; "_s : u"00.00.0000; "_s);
    setText(QString());
    // Never narrower than a whole date, whatever the layout around it.
    setMinimumWidth(fontMetrics().horizontalAdvance(u"88.88.88888"_s) +
                    2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 8);
}

QString MaskEdit::text() const
{
    return displayText();
}

void MaskEdit::setText(const QString& text)
{
    const auto date = Values::parseDate(text);
    if (date) {
        setDate(*date);
        return;
    }
    QLineEdit::setText(text);
}

bool MaskEdit::isEmptyDate() const
{
    return Values::isEmptyDateText(text());
}

void MaskEdit::setDate(const QDate& date)
{
    if (!date.isValid()) {
        QLineEdit::setText(QString());
        return;
    }
    QLineEdit::setText(Values::monthStepDateText(date));
}
