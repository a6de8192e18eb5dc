#pragma once

#include "windows/print/DateDialog.h"

// "Dátum expirácie": the day whose due contracts "&OK" prints.
class TForm16 : public DateDialog
{
    Q_OBJECT
public:
    explicit TForm16(Frame* main);

    QLabel* Label1 = nullptr;      // "Dátum expirácie"
    MaskEdit* MaskEdit1 = nullptr; // the day
    QToolButton* SpeedButton1 = nullptr;

    // The box read as a date and the report of the contracts due that day previewed; the dialog stays open.
    // A box that is no date gives the conversion message and nothing else happens.
    void BitBtn2Click() override;
};
