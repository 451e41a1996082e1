#include <csignal>

#include "app/Startup.h"

int main(int argc, char** argv)
{
    // A phone that drops a connection in the middle of a file must not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    return runLorvane(argc, argv);
}
