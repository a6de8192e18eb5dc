// The child of the crash test: repeats the rounds of one loop on a store until it is killed, posting
// witness records between rounds. It tells the parent on stdout, one line each, written only after the
// fact: "ready", "posted ID" once a witness record is posted, "committed ROUND" once a round is stored.
//   crash_child LOOP DATA_DIR FIRST_ROUND FIRST_WITNESS_ID FILES_DIR
#include "CrashLoops.h"

#include "store/Clock.h"
#include "store/Store.h"
#include "store/engine/Errors.h"
#include "store/engine/FileModes.h"

#include <QCoreApplication>
#include <cstdio>
#include <unistd.h>

namespace {

// Straight to the pipe: nothing the parent is told waits in a buffer that a kill would lose.
void tell(const QByteArray& line)
{
    const QByteArray text = line + '\n';
    qsizetype written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, text.constData() + written, size_t(text.size() - written));
        if (n <= 0) std::_Exit(3);
        written += n;
    }
}

} // namespace

int main(int argc, char** argv)
{
    FileModes::keepPrivate(); // as the programs it stands in for
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 6) {
        std::fprintf(stderr, "usage: crash_child LOOP DATA_DIR FIRST_ROUND FIRST_WITNESS_ID FILES_DIR\n");
        return 2;
    }
    const CrashLoops::Loop* loop = CrashLoops::find(args.at(1));
    if (!loop) {
        std::fprintf(stderr, "no loop named %s\n", qPrintable(args.at(1)));
        return 2;
    }
    Clock::setToday(CrashLoops::Today);
    try {
        if (loop->closedRound) { // the loop replaces the store: it must not be open here
            tell("ready");
            for (int round = args.at(3).toInt();; ++round) {
                loop->closedRound(args.at(2), args.at(5), round);
                tell("committed " + QByteArray::number(round));
            }
        }
        Store store(args.at(2));
        qint64 witness = args.at(4).toLongLong();
        tell("ready");
        for (int round = args.at(3).toInt();; ++round) {
            for (int i = 0; i < 3 && !loop->witness.isEmpty(); ++i) {
                CrashLoops::postWitness(store, *loop, witness);
                tell("posted " + QByteArray::number(witness++));
            }
            loop->round(store, round);
            tell("committed " + QByteArray::number(round));
        }
    } catch (const MervanaError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
}
