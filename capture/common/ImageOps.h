#pragma once

#include <QImage>
#include <QRect>

#include <functional>
#include <string>

#include "vantrel.h"

// How the program calls the image library.
//
// One forwarder per imported operation, with exactly the import's signature;
// worker tasks bind these rather than the imports. The forwarders may throw
// OpenCV's exception (cv::Exception, a std::exception) like the library.
double fwd_CalcDegree(myMat img);
void fwd_EraserRect(myMat img, _myRect rect);
void fwd_GetRotateAngleSize(myMat src, myMat* out, float angle);
void fwd_GetRotateSize(myMat src, myMat* out, int type);
void fwd_Rotate(myMat src, myMat dst, int type);
void fwd_RotateAngle(myMat src, myMat dst, float angle);
void fwd_Threshold(myMat img);
int fwd_deleteRed(myMat img);
int fwd_getTextHeight(myMat img);

// The operations as the windows use them, on QImages of Format_RGB888 (any
// other format is converted first). None of them throws.
//
// The slow ones run as a worker task through awaitTask (busy dialog, events
// every 30 ms, user input held back). Each works on a private copy of the
// pixels that nothing else touches during the task, and hands its result back
// only when the library finished without an exception: a failed operation
// leaves the caller's image exactly as it was.
namespace imageops {

// A myMat over the image's own pixels (bits() detaches it from any shared
// copy). The image must be Format_RGB888 and outlive every use of the record.
myMat toMyMat(QImage& image);

// A myMat over pixels the library only reads: no copy is made. The image must
// be Format_RGB888 and stay alive and unwritten while the record is used.
myMat readOnlyMat(const QImage& image);

// `image` in Format_RGB888 (the same image when it already is).
QImage toRgb888(const QImage& image);

// A deep copy of the pixels of `image` (size, format and pixels only; a null
// image when there is no memory for it). Large pictures are copied by a few
// threads side by side: most of the time of such a copy goes into the fresh
// pages of the new buffer, and the threads fault them in in parallel.
QImage copyPixels(const QImage& image);

// A new image of `size` and `format` with uninitialised pixels (a null image
// when there is no memory for it). Large ones (from 8 MB) come from the pool
// of page buffers (PixelPool.h): a buffer whose picture went away serves the
// next one with its pages still mapped, and fresh ones lie in memory that the
// system may back with huge pages, faulted in 2 MB at a time instead of 4 KB;
// on a page of 4000 x 3000 the faults are most of the cost of a copy or a
// turn. The buffer returns to the pool only when the image's last copy goes
// away, so no two live images ever share it. Copies of the image made later
// are ordinary images.
QImage newPixels(const QSize& size, QImage::Format format);

// Makes one pooled buffer for a picture like `like` ready, its pages faulted
// in, unless the pool has one already or `like` is not large: an editor
// handed a page calls it, so that its first operation, which always needs a
// new page, does not wait for fresh memory. The buffer stays a spare until
// the next picture of that size takes it.
void prepareSpareFor(const QImage& like);

// Skew of the text lines in degrees, measured directly on the GUI thread;
// 0.0 when the library fails.
double calcDegree(const QImage& image);
// The same, telling a failure (false, `angle` untouched) from a measured 0.0.
bool calcDegree(const QImage& image, double& angle);

// Turns `image` by `angle` degrees into `out` (worker task). False, `out`
// untouched, when the size query gives an empty size or the library fails.
bool rotateAngle(const QImage& image, float angle, QImage& out);

// Turns `image` by a quarter or half turn (1 = 90 degrees clockwise, 2 = 180,
// 3 = 90 counter-clockwise) into `out` (worker task). False, `out` untouched,
// on failure or another type.
bool rotate(const QImage& image, int type, QImage& out);

// The library's turn type for a number of quarter turns (positive:
// clockwise, the remainder by 4 keeping its sign): 1 clockwise, 2 half,
// 3 counter-clockwise, 0 none.
int turnType(int quarterTurns);

// The same, directly on the calling thread (no busy dialog): for the camera's
// shots, which are turned as they are saved.
bool rotateDirect(const QImage& image, int type, QImage& out);

// In-place operations (worker task): true and `image` replaced by the result
// on success; false and `image` unchanged on failure.
bool threshold(QImage& image);
bool deleteRed(QImage& image);
// Erases the ink inside `rect` (clamped by the library to the image).
bool eraseRect(QImage& image, const QRect& rect);

// The most frequent text height in pixels (worker task); 0 when there is no
// text or the library fails.
int textHeight(const QImage& image);

namespace testing {
// Runs before every library call made through this interface, on the thread
// that makes it, with the operation's name ("Rotate", "Threshold", ...). A
// test makes an operation fail by throwing from it. Empty: nothing runs.
void setBeforeCall(std::function<void(const char* operation)> hook);
}  // namespace testing

}  // namespace imageops
