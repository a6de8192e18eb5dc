#include "store/engine/FileModes.h"
#include "tools/CommandLine.h"

int main(int argc, char* argv[])
{
    FileModes::keepPrivate();
    return CommandLine::run(argc, argv);
}
