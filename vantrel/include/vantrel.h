#pragma once
// Vantrel: the image operations shared by Lorvane.
//
// Every operation works on pixels owned by the caller, described by a myMat:
// 3 bytes a pixel (the program hands over 24-bit RGB images, byte 0 red),
// `step` bytes from one row to the next (0 means width * 3). Operations that
// change an image do so in place; Rotate and RotateAngle write into a second
// image that the caller has made at exactly the size of the matching size
// query. The library keeps no state and may be called from any thread; its
// only failure signal is OpenCV's exception (cv::Exception).

#if defined(_WIN32)
#if defined(VANTREL_BUILD)
#define VANTREL_API __declspec(dllexport)
#else
#define VANTREL_API __declspec(dllimport)
#endif
#else
#define VANTREL_API __attribute__((visibility("default")))
#endif

class myMat {
public:
    unsigned char* data;  // first byte of the top row
    int width;            // pixels per row
    int height;           // rows
    int step;             // bytes from one row to the next, 0 = width * 3
};

struct _myRect {
    int x;
    int y;
    int width;
    int height;
};

extern "C" {

// Does nothing.
VANTREL_API void EraserDot(myMat img, _myRect rect);
// Erases the ink inside rect, in place.
VANTREL_API void EraserRect(myMat img, _myRect rect);
// Size of src turned by `angle` degrees: writes out->width and out->height.
VANTREL_API void GetRotateAngleSize(myMat src, myMat* out, float angle);
// Turns src by `angle` degrees (positive: counter-clockwise on screen) into dst.
VANTREL_API void RotateAngle(myMat src, myMat dst, float angle);
// Whitens the paper behind the writing, in place.
VANTREL_API void Threshold(myMat img);
// Skew of the text lines in degrees (-45..45), 0.0 when no line is found.
VANTREL_API double CalcDegree(myMat img);
// Size and packed row stride of src after turn `type` (1 = 90 degrees
// clockwise, 2 = 180, 3 = 90 counter-clockwise); other types write nothing.
VANTREL_API void GetRotateSize(myMat src, myMat* out, int type);
// Turns src by a quarter or half turn into dst; other types do nothing.
VANTREL_API void Rotate(myMat src, myMat dst, int type);
// Most frequent height of the text shapes in pixels, 0 when there is none.
VANTREL_API int getTextHeight(myMat img);
// Removes red pen marks, in place. Returns 0.
VANTREL_API int deleteRed(myMat img);
// Grey-world colour balance, in place. Returns 0.
VANTREL_API int colorBalance(myMat img);

}  // extern "C"
