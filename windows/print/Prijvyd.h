#pragma once

#include "windows/print/DateDialog.h"

// "Štatistika": the period whose cash statement "&OK" prints.
class TForm8 : public DateDialog
{
    Q_OBJECT
public:
    explicit TForm8(Frame* main);

    QLabel* Label1 = nullptr;      // "Dátum odkedy"
    MaskEdit* MaskEdit1 = nullptr; // from
    QToolButton* SpeedButton1 = nullptr;
    QLabel* Label2 = nullptr;      // "Dátum dokedy"
    MaskEdit* MaskEdit2 = nullptr; // to
    QToolButton* SpeedButton2 = nullptr;

    // Both boxes read as dates, from and to, and the statement of the period previewed; the dialog stays
    // open. A box that is no date gives the conversion message and the work table keeps its rows.
    void BitBtn2Click() override;
};
