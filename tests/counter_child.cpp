// One counter of a shop: the whole program on a store on a server, driven line by line from its standard
// input as a clerk would drive it, answering on its standard output (tst_counters runs two side by side).
//   counter_child PROGRAM_DIR TODAY HOST PORT DATABASE USER SCHEMA
// Commands, each answered by lines ending with a line ".":
//   grid                 "grid ROWS NUMBER": the contracts grid's rows and the contract the clerk stands on
//   select NUMBER        clicks that contract's row
//   new BIRTHNUM AMOUNT  picks the person, presses "&Nový" and types the amount; "number NUMBER" proposed
//   write                presses "Z&apíš"; "number NUMBER" in the box afterwards
//   type BOX TEXT        clicks into the contracts window's box (Edit3, Edit4, ...) and types TEXT over it
//   box BOX              "box BOX TEXT": what that box shows
//   delete               presses "&Zmaž" and answers Yes
//   view ACTION TIMES    runs the contract view of that menu item so many times; "view COUNT HASH" each time
//   shown                "view COUNT HASH" of what the contracts window shows now
//   changes              "changes N": how often the contracts table was changed, here or elsewhere
// Every message box shown meanwhile is reported first as "message KIND TEXT" (line breaks as \r and \n).
#include "app/Main.h"
#include "app/StartProgram.h"
#include "core/Shop.h"
#include "store/Clock.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/TableModel.h"
#include "store/admin/EngineConfig.h"
#include "store/engine/FileModes.h"
#include "widgets/Messages.h"
#include "windows/register/Osoby.h"
#include "windows/register/Zmluvy.h"

#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QLineEdit>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTableView>
#include <QTest>
#include <cstdio>
#include <memory>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

void say(const QString& line)
{
    std::fputs(line.toUtf8().append('\n').constData(), stdout);
}

void sayMessages()
{
    for (const Messages::Shown& m : Messages::takeShown()) {
        QString text = m.text;
        text.replace(u'\r', u"\\r"_s).replace(u'\n', u"\\n"_s);
        say(u"message %1 %2"_s.arg(int(m.kind)).arg(text));
    }
}

class Counter
{
public:
    explicit Counter(TForm1* main) : m_main(main), f(main->form2())
    {
        QObject::connect(&main->shop().store(), &Store::tableChanged, [this](const QString& table) {
            if (table == u"Zmluvy"_s) ++m_changes;
        });
    }

    void run(const QStringList& words)
    {
        const QString command = words.value(0);
        if (command == u"grid"_s) {
            QCoreApplication::processEvents(); // a notice that just arrived reaches the grid first
            say(u"grid %1 %2"_s.arg(f->model->rowCount()).arg(f->Table1->field(u"NUMBER"_s).asString()));
        } else if (command == u"select"_s) {
            select(words.value(1));
        } else if (command == u"new"_s) {
            Table& persons = *m_main->form3()->Table1;
            persons.setIndexName(u"BIRTHNUM"_s);
            if (!persons.findKey(words.value(1))) say(u"no person "_s + words.value(1));
            persons.setIndexName(u"LASTNAME"_s);
            QTest::mouseClick(f->BitBtn2, Qt::LeftButton);
            f->Edit3->setText(words.value(2));
        } else if (command == u"write"_s) {
            QTest::mouseClick(f->BitBtn4, Qt::LeftButton);
        } else if (command == u"type"_s) {
            if (auto* box = f->findChild<QLineEdit*>(words.value(1))) {
                QTest::mouseClick(box, Qt::LeftButton); // leaving the grid fills the panel first
                box->setText(words.value(2));
            }
        } else if (command == u"box"_s) {
            auto* box = f->findChild<QLineEdit*>(words.value(1));
            say(u"box %1 %2"_s.arg(words.value(1), box ? box->text() : u"(none)"_s));
        } else if (command == u"delete"_s) {
            Messages::pushAnswer(true);
            QTest::mouseClick(f->BitBtn5, Qt::LeftButton);
        } else if (command == u"changes"_s) {
            QCoreApplication::processEvents();
            say(u"changes %1"_s.arg(m_changes));
        } else if (command == u"shown"_s) {
            QCoreApplication::processEvents();
            view();
        } else if (command == u"view"_s) {
            QAction* action = m_main->action(words.value(1));
            for (int i = 0, times = words.value(2).toInt(); action && i < times; ++i) {
                action->trigger();
                view();
            }
        }
        // What the command left for the event loop (a grid read again after a write, which then finds its row
        // again) is part of it: it runs before the answer, so that what it shows is told with this command and
        // the test goes on only once the program is at rest. Each round sends what the one before posted.
        for (int round = 0; round < 3; ++round)
            QCoreApplication::sendPostedEvents();
        sayMessages();
        if (command == u"new"_s || command == u"write"_s) say(u"number "_s + f->Edit1->text());
        say(u"."_s);
        std::fflush(stdout);
    }

private:
    void select(const QString& number)
    {
        QCoreApplication::processEvents();
        const int column = f->model->columnOf(u"NUMBER"_s);
        for (int r = 0; r < f->model->rowCount(); ++r) {
            if (f->model->index(r, column).data().toString() != number) continue;
            const QRect cell = f->DBGrid1->visualRect(f->model->index(r, 1));
            QTest::mouseClick(f->DBGrid1->viewport(), Qt::LeftButton, {}, cell.center());
            return;
        }
        say(u"no row "_s + number);
    }

    // The contracts the view shows, as the clerk would list them.
    void view()
    {
        QStringList numbers;
        Table& t = *f->Table1;
        for (t.first(); !t.eof(); t.next())
            numbers << t.field(u"NUMBER"_s).asString();
        numbers.sort();
        const QByteArray hash = QCryptographicHash::hash(numbers.join(u',').toUtf8(), QCryptographicHash::Md5);
        say(u"view %1 %2"_s.arg(numbers.size()).arg(QString::fromLatin1(hash.toHex())));
    }

    TForm1* m_main;
    TForm2* f;
    int m_changes = 0;
};

} // namespace

int main(int argc, char** argv)
{
    FileModes::keepPrivate(); // as the register itself
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 8) {
        std::fputs("usage: counter_child PROGRAM_DIR TODAY HOST PORT DATABASE USER SCHEMA\n", stderr);
        return 2;
    }
    Messages::setScripted(true);
    EngineConfig::ensureDatabaseName(args.at(1));
    EngineConfig::defineServer(args.at(3), args.at(4), args.at(5), args.at(6), args.at(7));
    Clock::setToday(QDate::fromString(args.at(2), Qt::ISODate));
    std::unique_ptr<TForm1> main(StartProgram(args.at(1)));
    sayMessages();
    if (!main) return 1;
    main->show();
    main->showChild(main->form2());
    // What start-up left for the event loop (the daily backup) is done before the clerk's first command.
    QCoreApplication::processEvents();
    Counter counter(main.get());
    say(u"ready"_s);
    std::fflush(stdout);

    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) return QCoreApplication::quit();
        pending.append(buffer, n);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1))
            counter.run(QString::fromUtf8(pending.left(end)).split(u' ', Qt::SkipEmptyParts));
    });
    const int status = app.exec();
    main.reset(); // the windows close their tables before the application goes
    return status;
}
