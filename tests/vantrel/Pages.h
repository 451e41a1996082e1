#pragma once
// Synthetic page images for the image-library tests, and small helpers to
// hand them to the library the way the program does.

#include "vantrel.h"

#include <opencv2/core.hpp>

#include <string>
#include <vector>

namespace pages {

// Light grey paper with horizontal rules, turned so that the rules fall
// towards the right by `skew` degrees (negative: rise).
cv::Mat ruled(cv::Size size, double skew);
// Paper with lines of printed text, turned the same way.
cv::Mat text(cv::Size size, double skew);
// Printed text with lines of handwriting between its lines (pen squiggles
// in blue ink) and the grain of scanned paper, drawn from `seed`.
cv::Mat handwritten(cv::Size size, unsigned seed = 11);
// Random noise (fixed seed).
cv::Mat noise(cv::Size size, unsigned seed = 7);
// One flat colour.
cv::Mat flat(cv::Size size, cv::Scalar colour);
// Turns a level page so that its lines fall to the right by `skew` degrees,
// the uncovered corners filled with `fill`.
cv::Mat skewed(const cv::Mat& level, double skew, cv::Scalar fill);

// An image held in a buffer whose rows are `step` bytes apart, the bytes
// after each row filled with a marker, as a 24-bit image with padded rows.
struct Buffer {
    std::vector<unsigned char> bytes;
    int width = 0, height = 0, step = 0;

    Buffer() = default;
    Buffer(const cv::Mat& img, int step = 0, unsigned char marker = 0xA5);
    Buffer(int width, int height, int step = 0, unsigned char fill = 0x5A);
    myMat mat();             // step as given (0 stays 0)
    cv::Mat pixels() const;  // copy of the pixels, without the padding
    bool paddingIs(unsigned char marker) const;
};

// Largest absolute difference of two images of the same size and type.
double maxDiff(const cv::Mat& a, const cv::Mat& b);
bool same(const cv::Mat& a, const cv::Mat& b);

}  // namespace pages
