#include "widgets/Messages.h"

#include <QApplication>
#include <QQueue>

#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {
bool isScripted = false;
QQueue<bool> answers;
std::function<void()> meanwhile;
QList<Messages::Shown> history;

QString display(const QString& text)
{
    QString t = text;
    t.replace(u"\r\n"_s, u"\n"_s);
    t.replace(u'\r', u'\n');
    return t;
}

QWidget* parentWindow()
{
    return QApplication::activeWindow();
}
} // namespace

void Messages::setScripted(bool on)
{
    isScripted = on;
    answers.clear();
    meanwhile = {};
    history.clear();
}

bool Messages::scripted()
{
    return isScripted;
}

void Messages::pushAnswer(bool yes)
{
    answers.enqueue(yes);
}

void Messages::whileNextAsked(std::function<void()> action)
{
    meanwhile = std::move(action);
}

QList<Messages::Shown> Messages::takeShown()
{
    QList<Shown> out;
    out.swap(history);
    return out;
}

QList<Messages::Shown>& Messages::shown()
{
    return history;
}

QString Messages::programName()
{
    return QStringLiteral("Mervana KORVEL!");
}

bool Messages::ask(Kind kind, const QString& text)
{
    history << Shown{kind, text};
    if (isScripted) {
        if ((kind == Kind::Question || kind == Kind::OkCancel) && meanwhile) std::exchange(meanwhile, {})();
        const bool yes =
            kind == Kind::Question || kind == Kind::OkCancel ? (answers.isEmpty() ? false : answers.dequeue()) : true;
        return yes;
    }
    const QString title = programName();
    switch (kind) {
    case Kind::Question:
        return QMessageBox::question(parentWindow(), title, display(text), QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    case Kind::OkCancel:
        return QMessageBox::question(parentWindow(), title, display(text), QMessageBox::Ok | QMessageBox::Cancel,
                                     QMessageBox::Cancel) == QMessageBox::Ok;
    case Kind::Information:
        QMessageBox::information(parentWindow(), title, display(text));
        return true;
    case Kind::Warning:
        QMessageBox::warning(parentWindow(), title, display(text));
        return true;
    case Kind::Error:
        QMessageBox::critical(parentWindow(), title, display(text));
        return true;
    }
    return false;
}

bool Messages::question(const QString& text)
{
    return ask(Kind::Question, text);
}

bool Messages::confirmOkCancel(const QString& text)
{
    return ask(Kind::OkCancel, text);
}

void Messages::information(const QString& text)
{
    ask(Kind::Information, text);
}

void Messages::warning(const QString& text)
{
    ask(Kind::Warning, text);
}

void Messages::error(const QString& text)
{
    ask(Kind::Error, text);
}
