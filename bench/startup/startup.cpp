// Start-up time of the program against a bare Qt widgets program: both are
// spawned alternately, each run timed from the spawn to the process's exit
// (both quit once their main window is shown and the event loop has run), and
// the medians and their ratio are printed.
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
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

struct Program {
    const char* label;
    std::string path;
    std::vector<std::string> environment;
    std::vector<double> samples;
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

// Milliseconds from the spawn to the exit; negative when the program could
// not be started or did not end normally.
double runOnce(const Program& program)
{
    std::vector<char*> env;
    for (const std::string& e : program.environment)
        env.push_back(const_cast<char*>(e.c_str()));
    env.push_back(nullptr);
    char* argv[] = {const_cast<char*>(program.path.c_str()), nullptr};
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
    if (spawned != 0)
        return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return -1;
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ms : -1;
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

    std::vector<std::string> env = baseEnvironment();
    env.push_back("XDG_RUNTIME_DIR=" + runtime.toStdString());
    Program bare{"bare Qt widgets program", (bin + QStringLiteral("/bench_bare_window")).toStdString(), env, {}};
    env.push_back("APPDATA=" + data.path().toStdString());
    env.emplace_back("LORVANE_QUIT_AFTER_STARTUP=1");
    env.push_back("LORVANE_MESSAGE_LOG=" + data.path().toStdString() + "/messages.log");
    const std::string lorvanePath = argc > 2 ? argv[2] : (bin + QStringLiteral("/Lorvane")).toStdString();
    Program lorvane{"Lorvane", lorvanePath, env, {}};

    // Untimed: the first start creates the database; one more of each warms
    // the file cache.
    for (Program* p : {&lorvane, &bare, &lorvane}) {
        if (runOnce(*p) < 0) {
            std::fprintf(stderr, "%s did not start and quit cleanly\n", p->path.c_str());
            return 1;
        }
    }
    for (int i = 0; i < runs; ++i) {
        for (Program* p : {&bare, &lorvane}) {
            const double ms = runOnce(*p);
            if (ms < 0) {
                std::fprintf(stderr, "%s did not start and quit cleanly\n", p->path.c_str());
                return 1;
            }
            p->samples.push_back(ms);
        }
    }
    std::printf("start to quit, %d runs each (ms):      median    p10    p90\n", runs);
    for (const Program* p : {&bare, &lorvane}) {
        std::printf("  %-36s %7.1f %6.1f %6.1f\n", p->label, quantile(p->samples, 0.5), quantile(p->samples, 0.1),
                    quantile(p->samples, 0.9));
    }
    std::printf("ratio Lorvane / bare (medians): %.2f\n", quantile(lorvane.samples, 0.5) / quantile(bare.samples, 0.5));
    return 0;
}
