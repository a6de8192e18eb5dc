#pragma once

#include <QDialog>

class Frame;
class QLabel;
class QPushButton;

// The about window: the program's name, the version text of the installation, the version of the
// program file and the addresses of its support.
class TForm21 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm21(Frame* main);

    QLabel* Label1 = nullptr;       // "Program"
    QLabel* Label2 = nullptr;       // the program's name
    QLabel* Image1 = nullptr;       // the small picture beside it
    QLabel* Label12 = nullptr;      // the version text of MERVANA.VER
    QLabel* Label13 = nullptr;      // "(EXE " + the program file's version + ")"
    QLabel* Label14 = nullptr;      // the support's e-mail address
    QLabel* Label15 = nullptr;      // the support's web address
    QPushButton* BitBtn1 = nullptr; // "&OK"

    // Fills the version texts and the addresses, then shows the window (not modal).
    void ShowAbout(const QString& versionText);

    // "(EXE 1.1.0.1)" from a version of up to four numbers (missing ones are 0); "(EXE )" when version
    // holds no such numbers.
    static QString ExeVersionText(const QString& version);

    // The version of this build (the project's version).
    static QString BuildVersion();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* link(const QString& name);
    void openLink(const QLabel* label);
};
