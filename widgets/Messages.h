#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>

#include <functional>

// Every message box of the program. Texts are shown exactly; "\r" inside a text is a line break.
// Tests script the answers and read what was shown.
class Messages
{
public:
    enum class Kind { Question, Information, Warning, Error, OkCancel };
    struct Shown
    {
        Kind kind;
        QString text;
    };

    // The program's name: the title of every box, and the end of the frame's title (no other window's).
    static QString programName();

    // Yes/No with the question icon; true for Yes.
    static bool question(const QString& text);
    // OK/Cancel confirmation (the grid's own "Delete record?"); true for OK.
    static bool confirmOkCancel(const QString& text);
    static void information(const QString& text);
    static void warning(const QString& text);
    static void error(const QString& text);

    // Test hooks: while scripted, no box is shown; questions take the queued answers (No when empty).
    static void setScripted(bool on);
    static bool scripted();
    static void pushAnswer(bool yes);
    // While scripted, runs action once when the next question is asked, before it is answered: what another
    // counter does while the clerk reads it.
    static void whileNextAsked(std::function<void()> action);
    static QList<Shown> takeShown();
    static QList<Shown>& shown();

private:
    static bool ask(Kind kind, const QString& text);
};
