#pragma once

#include "windows/print/DateDialog.h"

class QDate;

// A date dialog asking for a period: from and to, each a masked date box with its calendar button.
class PeriodDialog : public DateDialog
{
    Q_OBJECT
public:
    QLabel* Label1 = nullptr;      // "Dátum odkedy"
    MaskEdit* MaskEdit1 = nullptr; // from
    QToolButton* SpeedButton1 = nullptr;
    QLabel* Label2 = nullptr;      // "Dátum dokedy"
    MaskEdit* MaskEdit2 = nullptr; // to
    QToolButton* SpeedButton2 = nullptr;

    // Both boxes read as dates, from and to, and the period's report started; the dialog stays open. A box
    // that is no date gives the conversion message and nothing else happens.
    void BitBtn2Click() override;

protected:
    PeriodDialog(Frame* main, const QString& name, const QString& caption);
    // Previews the report of the period; returns when the preview is closed.
    virtual void printPeriod(const QDate& from, const QDate& to) = 0;
};
