// One call into the image library with extreme sizes or angles, in a process
// of its own so that a crash or an out-of-bounds write ends only this probe:
//
//     vantrel_probe <case>
//
// Prints one line and ends with 0 when the call returned ("returned ..."),
// 10 for cv::Exception ("cv::Exception <code>"), 11 for another exception,
// 2 for an unknown case. The probe's address space is bounded (outside
// sanitizer builds), so a call that tries to take gigabytes fails here
// instead of taking the machine's memory.
#include "internal.h"
#include "vantrel.h"

#include <opencv2/core.hpp>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define PROBE_SANITIZED 1
#endif

namespace {

// A row one pixel longer than the longest whose bytes fit an int.
constexpr int kTooWide = 715827883;
// Rows of this many pixels wrap a 32-bit sum of 255s (255 * 16843009 = 2^32 - 1).
constexpr int kWrapsSums = 16843010;

// A few real bytes behind records that claim far more: a call that respects
// its limits never reads or writes them.
unsigned char g_bytes[64];

myMat header(int width, int height)
{
    return myMat{g_bytes, width, height, 0};
}

std::string sizeText(const myMat& m)
{
    return std::to_string(m.width) + " " + std::to_string(m.height) + " " + std::to_string(m.step);
}

// A uniform row of `width` pixels; after `op` tells whether every pixel is
// (r, g, b), or the first one that is not.
std::string uniformRow(int width, const unsigned char rgb[3], const unsigned char want[3],
                       const std::function<void(myMat)>& op)
{
    std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
    for (size_t i = 0; i < row.size(); i += 3)
        std::memcpy(&row[i], rgb, 3);
    op(myMat{row.data(), width, 1, 0});
    for (size_t i = 0; i < row.size(); i += 3) {
        if (std::memcmp(&row[i], want, 3) != 0)
            return "pixel " + std::to_string(i / 3) + " is " + std::to_string(row[i]) + " " +
                   std::to_string(row[i + 1]) + " " + std::to_string(row[i + 2]);
    }
    return "uniform " + std::to_string(want[0]) + " " + std::to_string(want[1]) + " " + std::to_string(want[2]);
}

std::string angleSize(float angle)
{
    myMat out{nullptr, -1, -1, -1};
    const myMat src = header(1000, 700);  // a size query never reads pixels
    GetRotateAngleSize(src, &out, angle);
    return sizeText(out);
}

std::string turnTinyBuffer(float angle)
{
    unsigned char src[10 * 10 * 3] = {};
    unsigned char dst[10 * 10 * 3];
    std::memset(dst, 7, sizeof dst);
    RotateAngle(myMat{src, 10, 10, 0}, myMat{dst, 10, 10, 0}, angle);
    return "dst " + std::string(dst[0] == 7 ? "untouched" : "written");
}

const std::map<std::string, std::function<std::string()>>& cases()
{
    static const std::map<std::string, std::function<std::string()>> all = {
        // Every operation refuses a row whose bytes do not fit an int.
        {"threshold-wide",
         [] {
             Threshold(header(kTooWide, 1));
             return std::string();
         }},
        {"colorbalance-wide",
         [] {
             colorBalance(header(kTooWide, 1));
             return std::string();
         }},
        {"deletered-wide",
         [] {
             deleteRed(header(kTooWide, 1));
             return std::string();
         }},
        {"eraserrect-wide",
         [] {
             EraserRect(header(kTooWide, 1), _myRect{0, 0, 10, 1});
             return std::string();
         }},
        {"calcdegree-wide", [] { return std::to_string(CalcDegree(header(kTooWide, 1))); }},
        {"textheight-wide", [] { return std::to_string(getTextHeight(header(kTooWide, 1))); }},
        {"rotate-wide",
         [] {
             Rotate(header(kTooWide, 1), header(1, kTooWide), 1);
             return std::string();
         }},
        {"rotateangle-wide",
         [] {
             RotateAngle(header(kTooWide, 1), header(1, 1), 10.f);
             return std::string();
         }},
        {"rotatesize-wide",
         [] {
             myMat out{};
             GetRotateSize(header(kTooWide, 1), &out, 2);
             return sizeText(out);
         }},
        {"anglesize-wide",
         [] {
             myMat out{};
             GetRotateAngleSize(header(kTooWide, 1), &out, 0.f);
             return sizeText(out);
         }},
        // Results whose rows would not fit: a quarter turn of a tall column,
        // a free turn of a huge header, the work area of a tall column.
        {"rotatesize-tall",
         [] {
             myMat out{};
             GetRotateSize(header(1, 800000000), &out, 1);
             return sizeText(out);
         }},
        {"rotatesize-tall-half",
         [] {
             myMat out{};
             GetRotateSize(header(1, 800000000), &out, 2);
             return sizeText(out);
         }},
        {"anglesize-huge",
         [] {
             myMat out{};
             GetRotateAngleSize(header(700000000, 2000000000), &out, 45.f);
             return sizeText(out);
         }},
        {"rotateangle-tall",
         [] {
             RotateAngle(header(1, 1600000000), header(1, 1), 10.f);
             return std::string();
         }},
        // The line search's accumulator would need 8.7 GB.
        {"calcdegree-long-row",
         [] {
             std::vector<unsigned char> row(6000000 * 3, 255);
             return std::to_string(CalcDegree(myMat{row.data(), 6000000, 1, 0}));
         }},
        // Angles that are no numbers.
        {"anglesize-nan", [] { return angleSize(std::numeric_limits<float>::quiet_NaN()); }},
        {"anglesize-inf", [] { return angleSize(std::numeric_limits<float>::infinity()); }},
        {"anglesize-minus-inf", [] { return angleSize(-std::numeric_limits<float>::infinity()); }},
        {"anglesize-30", [] { return angleSize(30.f); }},
        {"rotateangle-nan", [] { return turnTinyBuffer(std::numeric_limits<float>::quiet_NaN()); }},
        {"rotateangle-inf", [] { return turnTinyBuffer(std::numeric_limits<float>::infinity()); }},
        // Rows whose channel sums wrap 32 bits: (255, 128, 1) balances to grey
        // 128; (255, 150, 150) balances to grey, so deleteRed's mask (which
        // uses the same averages) finds no red in it.
        {"colorbalance-long-row",
         [] {
             const unsigned char in[3] = {255, 128, 1}, want[3] = {128, 128, 128};
             return uniformRow(kWrapsSums, in, want, [](myMat m) { colorBalance(m); });
         }},
        {"redmask-long-row",
         [] {
             std::vector<unsigned char> row(static_cast<size_t>(kWrapsSums) * 3, 150);
             for (size_t i = 0; i < row.size(); i += 3)
                 row[i] = 255;
             const cv::Mat image(1, kWrapsSums, CV_8UC3, row.data());
             cv::Mat mask;
             return std::string(vantrel::fast::redMask(image, mask) ? "red found" : "no red");
         }},
    };
    return all;
}

void boundThisProcess()
{
    alarm(120);
#ifndef PROBE_SANITIZED
    const rlim_t limit = rlim_t(3) << 30;
    const rlimit bound{limit, limit};
    setrlimit(RLIMIT_AS, &bound);
#endif
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || !cases().count(argv[1])) {
        std::printf("unknown case\n");
        return 2;
    }
    boundThisProcess();
    try {
        const std::string detail = cases().at(argv[1])();
        std::printf("returned %s\n", detail.c_str());
        return 0;
    } catch (const cv::Exception& e) {
        std::printf("cv::Exception %d\n", e.code);
        return 10;
    } catch (const std::exception& e) {
        std::printf("exception %s\n", e.what());
        return 11;
    }
}
