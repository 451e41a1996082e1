#include "capture/common/ImageOps.h"

#include <utility>

#include "ui/AwaitTask.h"

double fwd_CalcDegree(myMat img)
{
    return CalcDegree(img);
}
void fwd_EraserRect(myMat img, _myRect rect)
{
    EraserRect(img, rect);
}
void fwd_GetRotateAngleSize(myMat src, myMat* out, float angle)
{
    GetRotateAngleSize(src, out, angle);
}
void fwd_GetRotateSize(myMat src, myMat* out, int type)
{
    GetRotateSize(src, out, type);
}
void fwd_Rotate(myMat src, myMat dst, int type)
{
    Rotate(src, dst, type);
}
void fwd_RotateAngle(myMat src, myMat dst, float angle)
{
    RotateAngle(src, dst, angle);
}
void fwd_Threshold(myMat img)
{
    Threshold(img);
}
int fwd_deleteRed(myMat img)
{
    return deleteRed(img);
}
int fwd_getTextHeight(myMat img)
{
    return getTextHeight(img);
}

namespace imageops {

myMat readOnlyMat(const QImage& image);

namespace {

std::function<void(const char*)>& beforeCall()
{
    static std::function<void(const char*)> hook;
    return hook;
}

void announce(const char* operation)
{
    if (beforeCall())
        beforeCall()(operation);
}

// Runs `op` on a worker task behind the busy dialog; true when it finished
// without an exception.
template <typename Op>
bool onWorker(Op&& op)
{
    std::string err;
    return awaitTask(std::forward<Op>(op), err) == 0;
}

myMat emptyMat()
{
    return myMat{nullptr, 0, 0, 0};
}

// The size of a quarter turn's destination, asked directly; false when the
// library refuses or gives an empty size.
bool quarterTurnSize(const QImage& source, int type, myMat& size)
{
    if (type < 1 || type > 3)
        return false;
    try {
        announce("GetRotateSize");
        size = emptyMat();
        fwd_GetRotateSize(readOnlyMat(source), &size, type);
    } catch (...) {
        return false;
    }
    return size.width > 0 && size.height > 0;
}

// Applies an in-place operation to a private copy and takes it over on
// success.
template <typename Op>
bool inPlace(QImage& image, Op&& op)
{
    QImage work = toRgb888(image);
    if (!work.isDetached())
        work = copyPixels(work);  // it shares the caller's pixels
    if (work.isNull())
        return false;
    myMat mat = toMyMat(work);
    if (!onWorker([&] { op(mat); }))
        return false;
    image = std::move(work);
    return true;
}

}  // namespace

myMat toMyMat(QImage& image)
{
    myMat mat;
    mat.data = image.bits();
    mat.width = image.width();
    mat.height = image.height();
    mat.step = image.bytesPerLine();
    return mat;
}

// A myMat over pixels that the library only reads (a source): no detaching
// copy is made. The QImage handed in keeps the pixels alive.
myMat readOnlyMat(const QImage& image)
{
    myMat mat;
    mat.data = const_cast<uchar*>(image.constBits());
    mat.width = image.width();
    mat.height = image.height();
    mat.step = image.bytesPerLine();
    return mat;
}

QImage toRgb888(const QImage& image)
{
    if (image.format() == QImage::Format_RGB888)
        return image;
    return image.convertToFormat(QImage::Format_RGB888);
}

bool calcDegree(const QImage& image, double& angle)
{
    QImage work = toRgb888(image);
    if (work.isNull())
        return false;
    try {
        announce("CalcDegree");
        angle = fwd_CalcDegree(readOnlyMat(work));
    } catch (...) {
        return false;
    }
    return true;
}

double calcDegree(const QImage& image)
{
    double angle = 0.0;
    return calcDegree(image, angle) ? angle : 0.0;
}

namespace {

// Makes the destination of a turn from the size the library gave (false for
// an empty size or no memory), runs `turn(src, dst)` on a worker task behind
// the busy dialog or directly, and hands the destination out only when the
// library finished without an exception.
template <typename Turn>
bool turnInto(const QImage& source, const myMat& size, bool direct, Turn turn, QImage& out)
{
    if (size.width <= 0 || size.height <= 0)
        return false;
    QImage destination = newPixels(QSize(size.width, size.height), QImage::Format_RGB888);
    if (destination.isNull())
        return false;
    const myMat src = readOnlyMat(source);
    const myMat dst = toMyMat(destination);
    if (direct) {
        try {
            turn(src, dst);
        } catch (...) {
            return false;
        }
    } else if (!onWorker([=] { turn(src, dst); })) {
        return false;
    }
    out = std::move(destination);
    return true;
}

bool quarterTurn(const QImage& image, int type, bool direct, QImage& out)
{
    QImage source = toRgb888(image);
    myMat size = emptyMat();
    if (source.isNull() || !quarterTurnSize(source, type, size))
        return false;
    return turnInto(
        source, size, direct,
        [type](myMat src, myMat dst) {
            announce("Rotate");
            fwd_Rotate(src, dst, type);
        },
        out);
}

}  // namespace

int turnType(int quarterTurns)
{
    // The remainder keeps the dividend's sign: -1 is a quarter turn
    // counter-clockwise (type 3), -3 a quarter turn clockwise (type 1).
    switch (quarterTurns % 4) {
    case 1:
    case -3: return 1;
    case 2:
    case -2: return 2;
    case 3:
    case -1: return 3;
    default: return 0;
    }
}

bool rotateAngle(const QImage& image, float angle, QImage& out)
{
    QImage source = toRgb888(image);
    if (source.isNull())
        return false;
    myMat size = emptyMat();
    try {
        announce("GetRotateAngleSize");
        fwd_GetRotateAngleSize(readOnlyMat(source), &size, angle);
    } catch (...) {
        return false;
    }
    return turnInto(
        source, size, false,
        [angle](myMat src, myMat dst) {
            announce("RotateAngle");
            fwd_RotateAngle(src, dst, angle);
        },
        out);
}

bool rotate(const QImage& image, int type, QImage& out)
{
    return quarterTurn(image, type, false, out);
}

bool rotateDirect(const QImage& image, int type, QImage& out)
{
    return quarterTurn(image, type, true, out);
}

bool threshold(QImage& image)
{
    return inPlace(image, [](myMat mat) {
        announce("Threshold");
        fwd_Threshold(mat);
    });
}

bool deleteRed(QImage& image)
{
    return inPlace(image, [](myMat mat) {
        announce("deleteRed");
        fwd_deleteRed(mat);
    });
}

bool eraseRect(QImage& image, const QRect& rect)
{
    const _myRect r{rect.x(), rect.y(), rect.width(), rect.height()};
    return inPlace(image, [r](myMat mat) {
        announce("EraserRect");
        fwd_EraserRect(mat, r);
    });
}

int textHeight(const QImage& image)
{
    QImage work = toRgb888(image);
    if (work.isNull())
        return 0;
    myMat mat = readOnlyMat(work);
    int height = 0;
    std::string err;
    const int rc = awaitTask(
        [&] {
            announce("getTextHeight");
            height = fwd_getTextHeight(mat);
        },
        err);
    return rc == 0 ? height : 0;
}

namespace testing {
void setBeforeCall(std::function<void(const char*)> hook)
{
    beforeCall() = std::move(hook);
}
}  // namespace testing

}  // namespace imageops
