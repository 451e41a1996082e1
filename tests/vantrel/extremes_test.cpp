// Extreme sizes and angles at the library boundary, each call made by the
// small program vantrel_probe in a process of its own: a call that crashes,
// writes out of bounds or hangs shows as a failed row instead of ending the
// test run. Rows whose bytes do not fit, results that could not be described
// and angles that are no numbers are refused with cv::Exception before any
// pixel is touched or any large buffer made; rows whose channel sums pass 32
// bits are balanced correctly.
#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct ProbeRun {
    bool exited = false;  // false: killed by a signal (or the time ran out)
    int code = -1;        // exit code, or the signal
    std::string line;     // what the probe printed
};

ProbeRun runProbe(const std::string& name)
{
    ProbeRun run;
    int out[2];
    if (pipe(out) != 0)
        return run;
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(VANTREL_PROBE_FILE, VANTREL_PROBE_FILE, name.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char buffer[256];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0)
        run.line.append(buffer, static_cast<size_t>(n));
    close(out[0]);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    run.exited = WIFEXITED(status);
    run.code = run.exited ? WEXITSTATUS(status) : WTERMSIG(status);
    while (!run.line.empty() && run.line.back() == '\n')
        run.line.pop_back();
    return run;
}

std::string refused(int code)
{
    return "cv::Exception " + std::to_string(code);
}

TEST(VantrelExtremes, EveryCallEndsAsExpectedWithoutCrashing)
{
    const int outOfRange = cv::Error::StsOutOfRange;
    const int badArg = cv::Error::StsBadArg;
    struct Row {
        const char* probe;
        std::string outcome;
    };
    const std::vector<Row> rows = {
        // A row of 715,827,883 pixels: 3 * x no longer fits an int.
        {"threshold-wide", refused(outOfRange)},
        {"colorbalance-wide", refused(outOfRange)},
        {"deletered-wide", refused(outOfRange)},
        {"eraserrect-wide", refused(outOfRange)},
        {"calcdegree-wide", refused(outOfRange)},
        {"textheight-wide", refused(outOfRange)},
        {"rotate-wide", refused(outOfRange)},
        {"rotateangle-wide", refused(outOfRange)},
        {"rotatesize-wide", refused(outOfRange)},
        {"anglesize-wide", refused(outOfRange)},
        // Results that no caller could allocate or describe.
        {"rotatesize-tall", refused(outOfRange)},
        {"rotatesize-tall-half", "returned 1 800000000 3"},
        {"anglesize-huge", refused(outOfRange)},
        {"rotateangle-tall", refused(outOfRange)},
        {"calcdegree-long-row", refused(outOfRange)},
        // Angles.
        {"anglesize-nan", refused(badArg)},
        {"anglesize-inf", refused(badArg)},
        {"anglesize-minus-inf", refused(badArg)},
        {"anglesize-30", "returned 1216 1106 -1"},
        {"rotateangle-nan", refused(badArg)},
        {"rotateangle-inf", refused(badArg)},
        // Channel sums past 2^32 within one row.
        {"colorbalance-long-row", "returned uniform 128 128 128"},
        {"redmask-long-row", "returned no red"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.probe);
        const ProbeRun run = runProbe(row.probe);
        ASSERT_TRUE(run.exited) << "the call crashed or hung (signal " << run.code << ")";
        EXPECT_EQ(run.line, row.outcome);
    }
}

}  // namespace
