#pragma once

#include <QFont>
#include <QWidget>

class Frame;
class QPlainTextEdit;
class QPushButton;
class QPrinter;

// The contract print window: the template filled from the contracts window, editable, then printed
// line by line in the box's font.
class TForm6 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm6(Frame* main);
    ~TForm6() override;

    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* BitBtn1 = nullptr; // "&Tlač"
    QPushButton* BitBtn2 = nullptr; // "&Storno", always disabled
    QPushButton* BitBtn3 = nullptr; // "&Font"
    QPushButton* BitBtn4 = nullptr; // "&Nastavenia"

    // Rebuilt from ZMLUVA.TXT in the working directory and the contracts window on every activation.
    void BuildContractText();
    // Writes the box's lines to the printer, a new page when a line no longer fits.
    void PrintLines(QPrinter& printer);

    void BitBtn1Click(); // print dialog, print, close
    void BitBtn3Click(); // font dialog
    void BitBtn4Click(); // printer setup

    QPrinter& printer();
    // The printer's page margins raised to what it can print (10 mm each where it does not say).
    static void keepPrintableMargins(QPrinter& printer);

private:
    Frame* m_main;
    QPrinter* m_printer = nullptr;
    QFont m_dialogFont;
};

// "&Text zmluvy": the template in the system's text editor, without waiting for it; the clerk is told when
// no editor could take it.
void OpenTemplateInEditor();
