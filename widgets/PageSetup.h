#pragma once

#include <QDialog>

class QComboBox;
class QDoubleSpinBox;
class QPrinter;
class QRadioButton;

// The page setup for printers the desktop's own dialog refuses (the PDF writer, the only printer of a
// machine without one): paper, orientation and margins, applied to the printer on "&OK".
class PageSetup : public QDialog
{
    Q_OBJECT
public:
    PageSetup(QPrinter& printer, QWidget* parent);

    QComboBox* PaperBox = nullptr;
    QRadioButton* Portrait = nullptr;
    QRadioButton* Landscape = nullptr;
    QDoubleSpinBox* LeftMargin = nullptr;
    QDoubleSpinBox* TopMargin = nullptr;
    QDoubleSpinBox* RightMargin = nullptr;
    QDoubleSpinBox* BottomMargin = nullptr;

    // The page layout as the dialog shows it, onto the printer.
    void apply();

private:
    QPrinter& m_printer;
};

// The desktop's page setup dialog for a native printer, ours for any other; a dialog either way.
void ShowPageSetup(QPrinter& printer, QWidget* parent);
