// A phone-transfer server in a process of its own, for the limits that hold
// for a whole process (its descriptor limit):
//
//   transfer_probe <root> <descriptor limit> [hog]
//
// Lowers RLIMIT_NOFILE to the limit, serves <root> on 127.0.0.1 (a port the
// system picks) and prints "port <n>". With "hog" it then opens /dev/null
// until no descriptor is left. Each line on standard input is a command,
// answered with one line:
//
//   open     "open ok" when a file can be opened now, else "open failed"
//   release  closes the hogged descriptors: "released"
//   count    the server's open connections
//   cpu      the CPU time the process has used so far, in ms
//
// The end of its input stops the server; the exit status is 0 then.
#include <QCoreApplication>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "transfer/libevent.h"

namespace {

long long cpuMilliseconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& tv) { return tv.tv_sec * 1000LL + tv.tv_usec / 1000; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

bool canOpenAFile()
{
    const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: transfer_probe <root> <descriptor limit> [hog]\n");
        return 2;
    }
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(std::atoi(argv[2]));
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) {
        std::perror("setrlimit");
        return 2;
    }
    QCoreApplication app(argc, argv);
    libevent server;
    server.setBindAddress("127.0.0.1");
    if (server.start(argv[1], 0) != 0)
        return 3;
    for (int i = 0; i < 1000 && server.port() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (server.port() == 0)
        return 3;
    std::vector<int> hogged;
    if (argc > 3 && std::string(argv[3]) == "hog") {
        for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
            hogged.push_back(fd);
    }
    std::cout << "port " << server.port() << std::endl;

    std::string line;
    while (std::getline(std::cin, line)) {
        if (line == "open") {
            std::cout << (canOpenAFile() ? "open ok" : "open failed") << std::endl;
        } else if (line == "release") {
            for (int fd : hogged)
                ::close(fd);
            hogged.clear();
            std::cout << "released" << std::endl;
        } else if (line == "count") {
            std::cout << server.openConnections() << std::endl;
        } else if (line == "cpu") {
            std::cout << cpuMilliseconds() << std::endl;
        } else {
            std::cout << "unknown" << std::endl;
        }
    }
    server.stop();
    return 0;
}
