// Start-up time of the program against a bare Qt widgets program: both are
// spawned alternately and each run is timed from the spawn to the moment its
// main window is shown (the first turn of the event loop after show(), when
// both append a line to the file named by LORVANE_STARTUP_REPORT) and to the
// process's exit (both quit right after that turn). The medians and their
// ratios are printed; the ratio to the window shown is the start-up a pupil
// waits for, the one to the exit adds each program's tear-down.
//
// Then the close: each program is started again with
// LORVANE_CLOSE_AFTER_STARTUP, closes its main window as the close button
// does 1.5 s after it is shown (the program's start-up worker is at work by
// then) and reports "closing" to the same file; the time from that report to
// the process's exit is what a pupil waits after the ×. The program runs once
// with no web service configured (calls fail at once) and once against a
// service on 127.0.0.1 that takes the connection and never answers.
//
//     bench_startup [runs] [program]
//
// runs: of each program (default 21); program: the Lorvane to time (default
// the one beside this benchmark; another build gives a before/after).
//
// Both run with the calling environment, on the offscreen platform unless a
// platform or a display is given; the program gets a data folder of its own,
// created by one untimed first run.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

struct Program {
    const char* label;
    std::string path;
    std::vector<std::string> environment;
    std::string report;  // the file it appends to once its window is shown
    std::vector<double> shown;
    std::vector<double> ended;
    bool closes = false;          // closes its window (LORVANE_CLOSE_AFTER_STARTUP)
    std::vector<double> closing;  // ms from the "closing" report to the exit
};

struct Run {
    double shown = -1;    // ms from the spawn to the report written
    double closing = -1;  // ms from the spawn to the "closing" report
    double ended = -1;    // ms from the spawn to the exit
};

std::vector<std::string> baseEnvironment()
{
    std::vector<std::string> env;
    bool platformGiven = false;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        if (entry.rfind("QT_QPA_PLATFORM=", 0) == 0 || entry.rfind("DISPLAY=", 0) == 0)
            platformGiven = true;
        env.push_back(entry);
    }
    if (!platformGiven)
        env.emplace_back("QT_QPA_PLATFORM=offscreen");
    return env;
}

// One start of the program; negative times when it could not be started,
// wrote no report or did not end normally.
Run runOnce(const Program& program)
{
    Run run;
    std::vector<char*> env;
    for (const std::string& e : program.environment)
        env.push_back(const_cast<char*>(e.c_str()));
    env.push_back(nullptr);
    char* argv[] = {const_cast<char*>(program.path.c_str()), nullptr};
    ::unlink(program.report.c_str());
    // The report is written and closed once: its closing marks the window shown.
    const int watch = inotify_init1(IN_CLOEXEC);
    const std::string folder = program.report.substr(0, program.report.rfind('/'));
    const std::string name = program.report.substr(program.report.rfind('/') + 1);
    if (watch < 0 || inotify_add_watch(watch, folder.c_str(), IN_CLOSE_WRITE) < 0) {
        if (watch >= 0)
            ::close(watch);
        return run;
    }
    QElapsedTimer clock;
    clock.start();
    // Their output (platform warnings) would only bury the figures.
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.path.c_str(), &quiet, nullptr, argv, env.data());
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0) {
        ::close(watch);
        return run;
    }
    // At most a minute: a program that never shows its window ends the wait.
    // The first write of the report is the window shown, the second (when
    // the program closes its window) the close beginning.
    int writes = 0;
    const int wanted = program.closes ? 2 : 1;
    for (int waited = 0; writes < wanted && waited < 600; ++waited) {
        pollfd ready{watch, POLLIN, 0};
        if (::poll(&ready, 1, 100) <= 0)
            continue;
        alignas(inotify_event) char events[4096];
        const ssize_t got = ::read(watch, events, sizeof events);
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            if (event->len > 0 && name == event->name) {
                const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
                (++writes == 1 ? run.shown : run.closing) = ms;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    ::close(watch);
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return Run{};
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        run.ended = ms;
    return run;
}

// A web service on 127.0.0.1 that takes every connection and never answers;
// the port, or 0. Its thread holds the connections until the process ends.
int startStalledService()
{
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener, 16) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    std::thread([listener] {
        std::vector<int> held;
        for (;;) {
            const int fd = ::accept(listener, nullptr, nullptr);
            if (fd >= 0)
                held.push_back(fd);
        }
    }).detach();
    return ntohs(address.sin_port);
}

// A data folder for the close runs: no first-run tip (whose base-data dialog
// would wait for the pupil), and the web service's address when given.
bool prepareCloseData(const QString& appData, int servicePort)
{
    const QString folder = appData + QStringLiteral("/Lorvane");
    QDir().mkpath(folder);
    QFile ini(folder + QStringLiteral("/Lorvane.ini"));
    if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray text = "[General]\nfirst_run=6\nauto_update=2\n";
    if (servicePort > 0)
        text += "host=127.0.0.1\nport=" + QByteArray::number(servicePort) + "\nproject=svc\n";
    return ini.write(text) == text.size();
}

double quantile(std::vector<double> samples, double fraction)
{
    std::sort(samples.begin(), samples.end());
    const auto index = static_cast<std::size_t>(static_cast<double>(samples.size()) * fraction);
    return samples[std::min(index, samples.size() - 1)];
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    const QString bin = QCoreApplication::applicationDirPath();

    QTemporaryDir data(QDir::tempPath() + QStringLiteral("/lorvane-bench-startup-XXXXXX"));
    const QString runtime = data.path() + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const std::string reports = data.path().toStdString() + "/reports";
    QDir().mkpath(QString::fromStdString(reports));
    std::vector<std::string> env = baseEnvironment();
    env.push_back("XDG_RUNTIME_DIR=" + runtime.toStdString());
    std::vector<std::string> bareEnv = env;
    bareEnv.push_back("LORVANE_STARTUP_REPORT=" + reports + "/bare");
    Program bare{"bare Qt widgets program",
                 (bin + QStringLiteral("/bench_bare_window")).toStdString(),
                 bareEnv,
                 reports + "/bare",
                 {},
                 {},
                 false,
                 {}};
    env.push_back("APPDATA=" + data.path().toStdString());
    env.emplace_back("LORVANE_QUIT_AFTER_STARTUP=1");
    env.push_back("LORVANE_MESSAGE_LOG=" + data.path().toStdString() + "/messages.log");
    env.push_back("LORVANE_STARTUP_REPORT=" + reports + "/lorvane");
    const std::string lorvanePath = argc > 2 ? argv[2] : (bin + QStringLiteral("/Lorvane")).toStdString();
    Program lorvane{"Lorvane", lorvanePath, env, reports + "/lorvane", {}, {}, false, {}};

    // Untimed: the first start creates the database; one more of each warms
    // the file cache.
    for (Program* p : {&lorvane, &bare, &lorvane}) {
        const Run run = runOnce(*p);
        if (run.shown < 0 || run.ended < 0) {
            std::fprintf(stderr, "%s did not start, show its window and quit cleanly\n", p->path.c_str());
            return 1;
        }
    }
    for (int i = 0; i < runs; ++i) {
        for (Program* p : {&bare, &lorvane}) {
            const Run run = runOnce(*p);
            if (run.shown < 0 || run.ended < 0) {
                std::fprintf(stderr, "%s did not start, show its window and quit cleanly\n", p->path.c_str());
                return 1;
            }
            p->shown.push_back(run.shown);
            p->ended.push_back(run.ended);
        }
    }
    std::printf("%d runs each (ms)                          median    p10    p90\n", runs);
    for (const Program* p : {&bare, &lorvane}) {
        std::printf("  %-24s window shown %7.1f %6.1f %6.1f\n", p->label, quantile(p->shown, 0.5),
                    quantile(p->shown, 0.1), quantile(p->shown, 0.9));
        std::printf("  %-24s exit         %7.1f %6.1f %6.1f\n", "", quantile(p->ended, 0.5), quantile(p->ended, 0.1),
                    quantile(p->ended, 0.9));
    }
    std::printf("ratio Lorvane / bare, window shown (medians): %.2f\n",
                quantile(lorvane.shown, 0.5) / quantile(bare.shown, 0.5));
    std::printf("ratio Lorvane / bare, exit (medians):         %.2f\n",
                quantile(lorvane.ended, 0.5) / quantile(bare.ended, 0.5));

    // The close: × to the process's exit.
    const int closeRuns = std::max(3, runs / 3);
    const int port = startStalledService();
    const QString quietData = data.path() + QStringLiteral("/close-quiet");
    const QString stalledData = data.path() + QStringLiteral("/close-stalled");
    if (port == 0 || !prepareCloseData(quietData, 0) || !prepareCloseData(stalledData, port)) {
        std::fprintf(stderr, "cannot prepare the close runs\n");
        return 1;
    }
    const std::string closeAfter = "LORVANE_CLOSE_AFTER_STARTUP=1500";
    auto closingEnv = [&](const std::vector<std::string>& from, const QString& appData) {
        std::vector<std::string> out;
        for (const std::string& e : from)
            if (e.rfind("LORVANE_QUIT_AFTER_STARTUP=", 0) != 0 && e.rfind("APPDATA=", 0) != 0)
                out.push_back(e);
        if (!appData.isEmpty())
            out.push_back("APPDATA=" + appData.toStdString());
        out.push_back(closeAfter);
        return out;
    };
    Program bareClose{
        "bare Qt widgets program", bare.path, closingEnv(bareEnv, QString()), bare.report, {}, {}, true, {}};
    Program quietClose{
        "Lorvane, no service", lorvanePath, closingEnv(env, quietData), lorvane.report, {}, {}, true, {}};
    Program stalledClose{
        "Lorvane, stalled service", lorvanePath, closingEnv(env, stalledData), lorvane.report, {}, {}, true, {}};
    for (int i = 0; i < closeRuns; ++i) {
        for (Program* p : {&bareClose, &quietClose, &stalledClose}) {
            const Run run = runOnce(*p);
            if (run.closing < 0 || run.ended < 0) {
                std::fprintf(stderr, "%s did not close its window and end cleanly\n", p->label);
                return 1;
            }
            p->closing.push_back(run.ended - run.closing);
        }
    }
    std::printf("%d closes each, x to exit (ms)              median    p10    p90\n", closeRuns);
    for (const Program* p : {&bareClose, &quietClose, &stalledClose}) {
        std::printf("  %-37s %7.1f %6.1f %6.1f\n", p->label, quantile(p->closing, 0.5), quantile(p->closing, 0.1),
                    quantile(p->closing, 0.9));
    }
    return 0;
}
