#pragma once

#include "tools/Admin.h"

#include <QList>
#include <QString>
#include <QStringList>

// mervana-admin's commands with their help: one table (tools/Commands.cpp) from which the line is parsed, the
// help and usage texts are printed, and the man page and the bash completion are written. A new command is one
// entry there plus its function.
namespace CommandLine {

struct Argument
{
    QString name = {}; // "DIR"; "[ARGS...]" style markers come from optional and repeats
    QString help = {};
    bool optional = false;
    bool repeats = false; // takes every argument left (the last one only)
};

struct Option
{
    QString name = {};  // without dashes: "pdf"
    QString value = {}; // "FILE"; empty for a flag
    QString help = {};
    QString needs = {};     // the usage error of a missing value: "--pdf needs " + needs
    QStringList words = {}; // the values it takes, when they are few (for the completion)
};

struct Command
{
    QString name = {};
    QString summary = {};           // one line in the command list
    QStringList synopsis = {};      // what follows "mervana-admin " in the usage lines
    QList<Argument> arguments = {}; // in order
    QList<Option> options = {};
    QString description = {};  // paragraphs of the help and the man page
    QStringList examples = {}; // command lines after "mervana-admin "
    int (*run)(const Admin::Args&) = nullptr;
    // Whether the command paints text (a PDF): it gets a GUI application for the fonts, on no screen.
    bool (*paints)(const Admin::Args&) = nullptr;
};

const QList<Command>& commands();
const Command* find(const QString& name);
// The command whose name is nearest to a mistyped one (fewest letters to change).
QString nearest(const QString& name);

// Notes that concern every command (locations on a server, the owner's commands, exit statuses).
QString commonNotes();

// The texts, each ending with a line break.
QString commandList();
QString commandHelp(const Command& c);
QString usageLines(const Command& c);
QString manPage();
QString bashCompletion();

// mervana-admin's main: parses argv, makes the application the command needs, runs it; the exit status.
int run(int& argc, char* argv[]);

} // namespace CommandLine
