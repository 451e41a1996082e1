#pragma once
// Internal interface of the image library: the straightforward OpenCV chains
// (namespace ref) and the fused, multi-threaded paths that give the same
// results (namespace fast). The exported functions pick one of them.

#include "vantrel.h"

#include <opencv2/core.hpp>

#include <climits>
#include <vector>

namespace vantrel {

// The longest row in bytes: an int, as myMat's step and OpenCV's own row
// sizes are. Images whose rows would be longer are refused up front, before
// anything is allocated or touched; within the limit every per-row byte index
// (3 * x for x < width) fits an int, and sums over rows or whole images are
// kept in 64 bits.
constexpr long long kMaxRowBytes = INT_MAX;

// Wraps the caller's pixels as a CV_8UC3 header without copying. Refuses
// negative sizes and strides (a negative stride would otherwise pass OpenCV's
// checks as a huge number) and rows longer than kMaxRowBytes
// (StsOutOfRange); a null pointer with a non-zero size is refused by OpenCV
// itself.
cv::Mat view(const myMat& m);

// Bounding-box size of a cols x rows image turned by `angle` degrees, with
// the single-precision arithmetic the size query promises. Refuses an angle
// that is NaN or infinite (StsBadArg) and a result whose rows would not fit kMaxRowBytes
// (StsOutOfRange).
cv::Size turnedSize(int cols, int rows, float angle);

// Size of a cols x rows image after quarter-turn `type` (1, 2 or 3), refused
// like turnedSize when its rows would not fit.
cv::Size quarterTurnedSize(int cols, int rows, int type);

// Geometry of the free-angle turn: the image is thought of in the middle of
// a black square work area, turned about that area's centre, and the
// centred outW x outH rectangle of the area is the result. A work area whose
// rows would not fit kMaxRowBytes is refused (StsOutOfRange).
struct TurnLayout {
    int padTop = 0, padLeft = 0;  // black rows above / columns left of the image
    int areaW = 0, areaH = 0;     // work area size
    int outW = 0, outH = 0;       // result size
    int cropX = 0, cropY = 0;     // top-left corner of the result in the area
};
TurnLayout turnLayout(int cols, int rows, float angle);

// The part of an image that EraserRect works on: rect with its origin moved
// into the image and its size cut to the image's width - 1 and height - 1
// and to the image's end. False when nothing is left.
bool eraseArea(cv::Size image, _myRect rect, cv::Rect& area);

// Skew in degrees from Hough lines: keeps the normals between pi/4 and 3pi/4,
// averages them in single precision in the given order.
double skewFromLines(const std::vector<cv::Vec2f>& lines);

// Hough accumulator thresholds tried in turn until one gives lines.
constexpr int kHoughThresholds[3] = {300, 200, 150};

namespace ref {
void threshold(cv::Mat& img);
void eraserRect(cv::Mat& img, _myRect rect);
// EraserRect's mask of an area: 255 on the dark strokes grown by two pixels.
void inkMask(const cv::Mat& area, cv::Mat& mask);
int colorBalance(cv::Mat& img);
int deleteRed(cv::Mat& img);
void redMask(const cv::Mat& img, cv::Mat& mask);  // before dilation
void rotate(const cv::Mat& src, cv::Mat& dst, int type);
void rotateAngle(const cv::Mat& src, cv::Mat& dst, float angle);
void canny(const cv::Mat& img, cv::Mat& edges);
std::vector<cv::Vec2f> houghLines(const cv::Mat& edges, int threshold);
double calcDegree(const cv::Mat& img);
int textHeight(const cv::Mat& img);
}  // namespace ref

namespace fast {
void threshold(cv::Mat& img);
void eraserRect(cv::Mat& img, _myRect rect);
// cv::inpaint(img, mask, img, radius, method), in place, with the same bytes.
void inpaint(cv::Mat& img, const cv::Mat& mask, double radius, int method);
int colorBalance(cv::Mat& img);
int deleteRed(cv::Mat& img);
// Red mask before dilation; returns false (mask left empty) when no pixel is red.
bool redMask(const cv::Mat& img, cv::Mat& mask);
void rotate(const cv::Mat& src, cv::Mat& dst, int type);
void rotateAngle(const cv::Mat& src, cv::Mat& dst, float angle);
void canny(const cv::Mat& img, cv::Mat& edges);

// Edge points of the skew measurement and their Hough votes, computed once
// and reused for every threshold.
struct EdgePoints {
    std::vector<float> x, y;
    int cols = 0, rows = 0;
};
void cannyPoints(const cv::Mat& img, EdgePoints& pts);
struct HoughVotes {
    int numAngle = 0, numRho = 0;
    float theta = 0.f;
    std::vector<int> accum;  // (numAngle + 2) x (numRho + 2), zero border
    std::vector<int> peaks;  // local maxima above the lowest threshold, in output order
};
// Votes of every edge point; keeps the peaks above `lowest`.
void vote(const EdgePoints& pts, HoughVotes& votes, int lowest);
std::vector<cv::Vec2f> linesAbove(const HoughVotes& votes, int threshold);
std::vector<cv::Vec2f> houghLines(const cv::Mat& edges, int threshold);
double calcDegree(const cv::Mat& img);
}  // namespace fast

}  // namespace vantrel
