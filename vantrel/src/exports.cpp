// The eleven exported operations. Each wraps the caller's pixels and runs
// the fast path where there is one; failures leave as cv::Exception.
#include "internal.h"

#include <new>

namespace {

// Our own working buffers can run out of memory; callers only know
// OpenCV's exception, so that is what leaves the library.
template <typename F>
auto guarded(F&& f) -> decltype(f())
{
    try {
        return f();
    } catch (const std::bad_alloc&) {
        CV_Error(cv::Error::StsNoMem, "out of memory");
    }
}

void checkOut(const myMat* out)
{
    if (!out)
        CV_Error(cv::Error::StsNullPtr, "no record for the size");
}

}  // namespace

using namespace vantrel;

extern "C" {

VANTREL_API void EraserDot(myMat, _myRect) {}

VANTREL_API void EraserRect(myMat img, _myRect rect)
{
    cv::Mat m = view(img);
    guarded([&] { fast::eraserRect(m, rect); });
}

VANTREL_API void GetRotateAngleSize(myMat src, myMat* out, float angle)
{
    const cv::Mat s = view(src);
    checkOut(out);
    const cv::Size size = turnedSize(s.cols, s.rows, angle);
    out->width = size.width;
    out->height = size.height;
}

VANTREL_API void RotateAngle(myMat src, myMat dst, float angle)
{
    const cv::Mat s = view(src);
    cv::Mat d = view(dst);
    guarded([&] { fast::rotateAngle(s, d, angle); });
}

VANTREL_API void Threshold(myMat img)
{
    cv::Mat m = view(img);
    guarded([&] { fast::threshold(m); });
}

VANTREL_API double CalcDegree(myMat img)
{
    const cv::Mat m = view(img);
    return guarded([&] { return fast::calcDegree(m); });
}

VANTREL_API void GetRotateSize(myMat src, myMat* out, int type)
{
    if (type < 1 || type > 3)
        return;
    const cv::Mat s = view(src);
    checkOut(out);
    const cv::Size size = quarterTurnedSize(s.cols, s.rows, type);
    out->width = size.width;
    out->height = size.height;
    out->step = size.width * 3;
}

VANTREL_API void Rotate(myMat src, myMat dst, int type)
{
    if (type < 1 || type > 3)
        return;
    const cv::Mat s = view(src);
    cv::Mat d = view(dst);
    guarded([&] { fast::rotate(s, d, type); });
}

VANTREL_API int getTextHeight(myMat img)
{
    const cv::Mat m = view(img);
    return guarded([&] { return ref::textHeight(m); });
}

VANTREL_API int deleteRed(myMat img)
{
    cv::Mat m = view(img);
    return guarded([&] { return fast::deleteRed(m); });
}

VANTREL_API int colorBalance(myMat img)
{
    cv::Mat m = view(img);
    return guarded([&] { return fast::colorBalance(m); });
}

}  // extern "C"
