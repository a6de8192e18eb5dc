#pragma once

#include "core/ArchiveMove.h"

#include <QDialog>

class Frame;
class QDate;
class MaskEdit;
class QFrame;
class QLabel;
class QPushButton;
class QToolButton;
class Table;

// The archive window: a period of finished contracts moved out of the register into the archive, or
// the whole archive brought back. Not modal; made on first use and kept.
class TForm18 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm18(Frame* main);
    ~TForm18() override;

    QFrame* Panel1 = nullptr;
    QLabel* Label1 = nullptr;      // "Dátum od"
    QLabel* Label2 = nullptr;      // "Dátum do"
    MaskEdit* MaskEdit1 = nullptr; // from
    MaskEdit* MaskEdit2 = nullptr; // to
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QPushButton* BitBtn1 = nullptr; // "&Storno"
    QPushButton* BitBtn2 = nullptr; // "&OK"

    // The archive tables, each closed except while an operation or a count runs. Other commands (the
    // record counts, the keeping of the data) open and close them through these names.
    Table* Table1 = nullptr; // Xzmluvy.DBF
    Table* Table2 = nullptr; // Xpredlz.DBF
    Table* Table3 = nullptr; // Xinvent.DBF

    // false: moving finished contracts out; true: moving the archive back.
    bool RestoreMode = false;

    // The menu's setting before it shows the window: the mode, the caption ("Archivácia" /
    // "Dearchivácia"), both dates today, the date boxes and their buttons usable only for moving out.
    void setMode(bool restore);

    void BitBtn2Click(); // "&OK": checks the dates, then moves out or back

protected:
    bool event(QEvent* event) override;

private:
    // The register windows' own tables: the live side of both moves.
    ArchiveMove::Tables liveTables() const;
    void moveOut(const QDate& from, const QDate& to);
    void moveBack();
    // The contracts, goods and extensions windows closed, which minimises them in the frame.
    void closeRegisterWindows();

    Frame* m_main;
};
