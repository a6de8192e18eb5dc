#include "tools/CommandLine.h"

#include "core/ErrorText.h"
#include "reports/ReportCatalog.h"
#include "store/engine/Errors.h"
#include "store/engine/FileModes.h"

#include <QCommandLineParser>
#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace CommandLine {

namespace {

constexpr qsizetype Width = 100;

// The text's lines folded at Width; a folded line keeps the indentation of its first.
QString wrapped(const QString& text, const QString& indent = {})
{
    QString out;
    for (const QString& line : text.split(u'\n')) {
        const qsizetype lead = std::find_if(line.begin(), line.end(), [](QChar c) { return c != u' '; }) - line.begin();
        const QString margin = indent + QString(lead, u' ');
        QString current = margin;
        for (const QString& word : line.mid(lead).split(u' ', Qt::SkipEmptyParts)) {
            if (current.size() > margin.size() && current.size() + 1 + word.size() > Width) {
                out += current + u'\n';
                current = margin;
            }
            current += (current.size() > margin.size() ? u" "_s : QString()) + word;
        }
        out += current + u'\n';
    }
    return out;
}

// Two columns: a name and its help, the help folded under itself.
QString columns(const QList<std::pair<QString, QString>>& rows, qsizetype width)
{
    QString out;
    for (const auto& [name, help] : rows) {
        const QString head = u"  "_s + name.leftJustified(width) + u"  "_s;
        out += head + wrapped(help, QString(head.size(), u' ')).mid(head.size());
    }
    return out;
}

QString optionName(const Option& o)
{
    return u"--"_s + o.name + (o.value.isEmpty() ? QString() : u' ' + o.value);
}

qsizetype distance(const QString& a, const QString& b)
{
    QList<qsizetype> row(b.size() + 1);
    for (qsizetype j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (qsizetype i = 1; i <= a.size(); ++i) {
        qsizetype diagonal = row[0];
        row[0] = i;
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const qsizetype above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

const Command* current = nullptr;

// The man page's text: roff takes a backslash, a leading dot or apostrophe and a minus as its own.
QString roff(const QString& text)
{
    QString out;
    for (const QString& line : text.split(u'\n')) {
        QString l = line;
        l.replace(u'\\', u"\\e"_s).replace(u'-', u"\\-"_s);
        if (l.startsWith(u'.') || l.startsWith(u'\'')) l.prepend(u"\\&"_s);
        out += l + u'\n';
    }
    return out;
}

QString manCommand(const Command& c)
{
    QString out = u".SS "_s + roff(c.name) + roff(c.summary);
    out += u".PP\n.nf\n"_s;
    for (const QString& s : c.synopsis)
        out += u"\\fBmervana\\-admin\\fR "_s + roff(s);
    out += u".fi\n"_s;
    for (const Argument& a : c.arguments)
        out += u".TP\n\\fI"_s + roff(a.name).trimmed() + u"\\fR\n"_s + roff(a.help);
    for (const Option& o : c.options)
        out += u".TP\n\\fB\\-\\-"_s + roff(o.name).trimmed() + u"\\fR"_s +
               (o.value.isEmpty() ? QString() : u" \\fI"_s + roff(o.value).trimmed() + u"\\fR"_s) + u'\n' +
               roff(o.help);
    for (const QString& paragraph : c.description.trimmed().split(u'\n')) {
        if (paragraph.startsWith(u' '))
            out += u".br\n"_s + roff(paragraph.trimmed()); // a list under the paragraph before
        else
            out += u".PP\n"_s + roff(paragraph);
    }
    out += u".PP\nExample:\n.nf\n"_s;
    for (const QString& e : c.examples)
        out += u"    mervana\\-admin "_s + roff(e);
    return out + u".fi\n"_s;
}

QString words(const QStringList& list)
{
    return list.join(u' ');
}

int unknownCommand(const QString& name)
{
    Admin::print(stderr, u"mervana-admin: unknown command: %1; did you mean %2?"_s.arg(name, nearest(name)));
    Admin::print(stderr, u"'mervana-admin help' lists the commands"_s);
    return Admin::Usage;
}

// The usage error of a line QCommandLineParser refused: the option it does not know or the one without a value.
int refused(const QCommandLineParser& parser, const Command& c, const QStringList& args)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty())
        return Admin::usage(
            u"unknown option: %1%2"_s.arg(unknown.first().size() == 1 ? u"-"_s : u"--"_s, unknown.first()));
    const QString last = args.last();
    for (const Option& o : c.options)
        if (!o.value.isEmpty() && (last == u"--"_s + o.name || last == u'-' + o.name))
            return Admin::usage(u"--%1 needs %2"_s.arg(o.name, o.needs));
    return Admin::usage(parser.errorText());
}

// XDG_RUNTIME_DIR names a folder as Qt takes it: the user's own, open to nobody else.
bool privateRuntimeFolder()
{
    const QByteArray dir = qgetenv("XDG_RUNTIME_DIR");
#ifdef Q_OS_UNIX
    struct stat st
    {
    };
    return !dir.isEmpty() && ::stat(dir.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 0777) == 0700;
#else
    return true;
#endif
}

void sayRestricted()
{
    for (const QString& file : FileModes::takeRestricted())
        Admin::print(stderr, u"mervana-admin: %1 was open to other accounts of this computer; their access was "
                             u"taken away"_s.arg(QDir::toNativeSeparators(file)));
}

} // namespace

const Command* find(const QString& name)
{
    for (const Command& c : commands())
        if (c.name == name) return &c;
    return nullptr;
}

QString nearest(const QString& name)
{
    const Command* best = nullptr;
    for (const Command& c : commands())
        if (!best || distance(name, c.name) < distance(name, best->name)) best = &c;
    return best ? best->name : QString();
}

QString commandList()
{
    QString out = u"usage: mervana-admin COMMAND [ARGUMENTS] [OPTIONS]\n"
                  u"       mervana-admin help [COMMAND]    (or mervana-admin COMMAND --help)\n"
                  u"       mervana-admin --version\n\n"
                  u"The register's commands without a window. Commands:\n"_s;
    QList<std::pair<QString, QString>> rows;
    for (const Command& c : commands())
        rows.append({c.name, c.summary});
    out += columns(rows, 12);
    return out + u'\n' + wrapped(commonNotes());
}

QString usageLines(const Command& c)
{
    QString out;
    for (const QString& s : c.synopsis)
        out += (out.isEmpty() ? u"usage: "_s : u"       "_s) + u"mervana-admin "_s + s + u'\n';
    return out;
}

QString commandHelp(const Command& c)
{
    QString out = usageLines(c) + u'\n' + wrapped(u"mervana-admin "_s + c.name + u": "_s + c.summary);
    QList<std::pair<QString, QString>> rows;
    for (const Argument& a : c.arguments)
        rows.append({a.name, a.help});
    if (!rows.isEmpty()) out += u"\nArguments:\n"_s + columns(rows, 12);
    rows.clear();
    for (const Option& o : c.options)
        rows.append({optionName(o), o.help});
    rows.append({u"-h, --help"_s, u"this help"_s});
    out += u"\nOptions:\n"_s + columns(rows, 16);
    out += u'\n' + wrapped(c.description.trimmed());
    out += u"\nExample:\n"_s;
    for (const QString& e : c.examples)
        out += u"  mervana-admin "_s + e + u'\n';
    return out;
}

QString manPage()
{
    QString out = u".TH MERVANA\\-ADMIN 1 \"\" \"mervana %1\" \"Mervana\"\n"_s.arg(QStringLiteral(MERVANA_VERSION));
    out += u".SH NAME\nmervana\\-admin \\- the pawnshop register's commands without a window\n"_s;
    out += u".SH SYNOPSIS\n.nf\n\\fBmervana\\-admin\\fR \\fICOMMAND\\fR [\\fIARGUMENTS\\fR] [\\fIOPTIONS\\fR]\n"
           u"\\fBmervana\\-admin help\\fR [\\fICOMMAND\\fR]\n\\fBmervana\\-admin\\fR \\fICOMMAND\\fR \\-\\-help\n"
           u"\\fBmervana\\-admin \\-\\-version\\fR\n.fi\n"_s;
    out += u".SH DESCRIPTION\n"_s +
           roff(u"mervana-admin creates, fills, reports on, moves, backs up and checks the store of the register "
                u"mervana, on SQLite or on a PostgreSQL server, without a window."_s);
    out += u".SH COMMANDS\n"_s;
    for (const Command& c : commands())
        out += manCommand(c);
    out += u".SH NOTES\n"_s;
    for (const QString& paragraph : commonNotes().split(u'\n'))
        out += u".PP\n"_s + roff(paragraph);
    out += u".SH SEE ALSO\n\\fBmervana\\fR, the register itself\n"_s;
    return out;
}

QString bashCompletion()
{
    QStringList names;
    for (const Command& c : commands())
        names << c.name;
    QString out = u"# bash completion for mervana-admin: its commands, their options and the report names.\n"
                  u"# Written by mervana-admin from its own help texts.\n"
                  u"_mervana_admin()\n{\n"
                  u"    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
                  u"    local commands=\"%1\"\n"
                  u"    COMPREPLY=()\n"
                  u"    if [ \"$COMP_CWORD\" -le 1 ]; then\n"
                  u"        COMPREPLY=($(compgen -W \"$commands help --help --version\" -- \"$cur\"))\n"
                  u"        return 0\n    fi\n"
                  u"    local command=${COMP_WORDS[1]} options=\"--help\" values=\"\"\n"
                  u"    case $command in\n"
                  u"    help)\n"
                  u"        [ \"$COMP_CWORD\" -eq 2 ] && COMPREPLY=($(compgen -W \"$commands\" -- \"$cur\"))\n"
                  u"        return 0 ;;\n"_s.arg(words(names));
    QString choices;
    for (const Command& c : commands()) {
        QStringList options{u"--help"_s}, values;
        for (const Option& o : c.options) {
            options << u"--"_s + o.name;
            if (!o.value.isEmpty()) values << u"--"_s + o.name;
            if (!o.words.isEmpty())
                choices += u"    \"%1 --%2\") COMPREPLY=($(compgen -W \"%3\" -- \"$cur\")); return 0 ;;\n"_s.arg(
                    c.name, o.name, words(o.words));
            else if (o.value == u"FILE"_s)
                choices +=
                    u"    \"%1 --%2\") COMPREPLY=($(compgen -f -- \"$cur\")); return 0 ;;\n"_s.arg(c.name, o.name);
        }
        out += u"    %1) options=\"%2\"; values=\"%3\" ;;\n"_s.arg(c.name, words(options), words(values));
    }
    out += u"    *) return 0 ;;\n    esac\n"
           u"    # the value of an option\n"
           u"    case \"$command $prev\" in\n"_s +
           choices +
           u"    esac\n"
           u"    case \" $values \" in *\" $prev \"*) return 0 ;; esac\n"
           u"    if [[ $cur == -* ]]; then\n"
           u"        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
           u"        return 0\n    fi\n"
           u"    # the arguments before this one: neither options nor their values\n"
           u"    local i word arguments=()\n"
           u"    for ((i = 2; i < COMP_CWORD; i++)); do\n"
           u"        word=${COMP_WORDS[i]}\n"
           u"        if [[ $word == -* ]]; then\n"
           u"            [[ $word != *=* && \" $values \" == *\" $word \"* ]] && ((i++))\n"
           u"            continue\n"
           u"        fi\n"
           u"        arguments+=(\"$word\")\n"
           u"    done\n"
           u"    case \"$command ${#arguments[@]}\" in\n"_s;
    QStringList reports;
    QString views;
    for (const ReportCatalog::Entry& e : ReportCatalog::entries()) {
        reports << e.name;
        if (e.arguments.contains(u'|'))
            views += u"        %1) COMPREPLY=($(compgen -W \"%2\" -- \"$cur\")) ;;\n"_s.arg(
                e.name, QString(e.arguments).replace(u'|', u' '));
    }
    out += u"    \"report 1\") COMPREPLY=($(compgen -W \"%1\" -- \"$cur\")); return 0 ;;\n"_s.arg(words(reports));
    out += u"    \"report 2\")\n        case ${arguments[1]} in\n"_s + views + u"        esac\n        return 0 ;;\n"_s;
    out += u"    \"clerk 0\") COMPREPLY=($(compgen -W \"add list password disable\" -- \"$cur\")); return 0 ;;\n"
           u"    \"report 0\") ;;\n"
           u"    \"search 1\" | \"clerk 2\" | \"report \"*) return 0 ;;\n"
           u"    esac\n"
           u"    COMPREPLY=($(compgen -f -- \"$cur\"))\n"
           u"}\n"
           u"complete -F _mervana_admin mervana-admin\n"_s;
    return out;
}

int run(int& argc, char* argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.isEmpty()) return Admin::usage();
    const QString first = args.first();
    if (first == u"--help"_s || first == u"-h"_s || first == u"help"_s) {
        if (args.size() == 1) {
            Admin::print(stdout, commandList().chopped(1));
            return Admin::Ok;
        }
        const Command* c = find(args.at(1));
        if (!c) return unknownCommand(args.at(1));
        if (args.size() > 2) return Admin::usage(u"unexpected argument: "_s + args.at(2));
        Admin::print(stdout, commandHelp(*c).chopped(1));
        return Admin::Ok;
    }
    // --man and --completion are for the build, which writes the man page and the completion from them.
    const std::pair<QString, QString (*)()> texts[] = {
        {u"--version"_s, [] { return u"mervana-admin " MERVANA_VERSION ""_s; }},
        {u"--man"_s, manPage},
        {u"--completion"_s, bashCompletion}};
    for (const auto& [option, text] : texts) {
        if (first != option) continue;
        if (args.size() > 1) return Admin::usage(u"unexpected argument: "_s + args.at(1));
        Admin::print(stdout, text().trimmed());
        return Admin::Ok;
    }
    const Command* c = find(first);
    if (!c) return unknownCommand(first);
    current = c;

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const Option& o : c->options)
        parser.addOption(QCommandLineOption(o.name, o.help, o.value));
    parser.addOption(QCommandLineOption(QStringList{u"h"_s, u"help"_s}));
    if (!parser.parse(args)) return refused(parser, *c, args);
    if (parser.isSet(u"help"_s)) {
        Admin::print(stdout, commandHelp(*c).chopped(1));
        return Admin::Ok;
    }
    Admin::Args line;
    line.args = parser.positionalArguments();
    for (const Option& o : c->options)
        if (parser.isSet(o.name)) line.options.insert(o.name, o.value.isEmpty() ? QString() : parser.value(o.name));
    const qsizetype required =
        std::count_if(c->arguments.begin(), c->arguments.end(), [](const Argument& a) { return !a.optional; });
    if (line.args.size() < required) {
        const Argument& missing = c->arguments.at(line.args.size());
        return Admin::usage(u"%1 needs %2, %3"_s.arg(c->name, missing.name, missing.help));
    }
    if ((c->arguments.isEmpty() || !c->arguments.last().repeats) && line.args.size() > c->arguments.size())
        return Admin::usage(u"unexpected argument: "_s + line.args.at(c->arguments.size()));

    // Reports measure and paint text: they need the fonts of a GUI application, though never a screen.
    const bool paints = c->paints && c->paints(line);
    if (paints && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Choosing its platform, the GUI application looks for a display's socket in the runtime folder; where the
    // session set none (su, cron, ssh) or one it may not use, it warns and falls back to a folder in /tmp shared by
    // the user's runs. A folder of this run's own (0700) instead, removed after the application.
    std::unique_ptr<QTemporaryDir> runtime;
    if (paints && !privateRuntimeFolder()) {
        runtime = std::make_unique<QTemporaryDir>(QDir::tempPath() + u"/mervana-runtime-XXXXXX"_s);
        if (runtime->isValid()) qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime->path()));
    }
    const std::unique_ptr<QCoreApplication> app =
        paints ? std::make_unique<QGuiApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    try {
        const int status = c->run(line);
        sayRestricted();
        return status;
    } catch (const MervanaError& e) {
        sayRestricted();
        return Admin::fail(errorText(e));
    }
}

} // namespace CommandLine

namespace Admin {

int usage(const QString& problem)
{
    if (!problem.isEmpty()) print(stderr, u"mervana-admin: "_s + problem);
    if (!CommandLine::current) {
        print(stderr, CommandLine::commandList().chopped(1));
        return Usage;
    }
    print(stderr, CommandLine::usageLines(*CommandLine::current) +
                      u"'mervana-admin help %1' tells more"_s.arg(CommandLine::current->name));
    return Usage;
}

} // namespace Admin
