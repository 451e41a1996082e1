#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>

// The arithmetic of the cutter's selection, in image coordinates. A
// selection is a QRect read through its inclusive corners x1 = left(),
// y1 = top(), x2 = right(), y2 = bottom(); the null selection is QRect()
// (0, 0, -1, -1).
namespace cutgeo {

// Pointer zones over a selection.
enum Zone {
    kNowhere = 0,  // outside the selection: a press starts a new one
    kLeft = 1,     // handle at the middle of the left edge
    kRight = 2,    // ... of the right edge
    kTop = 3,      // ... of the top edge
    kBottom = 4,   // ... of the bottom edge
    kTopLeft = 5,  // corner handles
    kTopRight = 6,
    kBottomLeft = 7,
    kBottomRight = 8,
    kInside = 9,  // inside: a drag moves the selection
};

// Smallest width and height (exclusive) of a new selection, and of one
// resized or moved by its handles; smaller ones are dropped on release.
constexpr int kMinNewSide = 5;
constexpr int kMinEditedSide = 30;

// A selection is shown (drawn, with handles to grab) when it is valid and
// both sides exceed kMinNewSide.
bool isShown(const QRect& selection);

// Half the side of a handle square in image pixels for the view scale
// `scale`: handles are about ten screen pixels wide at any zoom.
int handleHalf(double scale);

// The eight handle squares of zones 1 to 8, in that order; each is 2d x 2d
// with its top-left corner at (cx - d, cy - d).
std::array<QRect, 8> handles(const QRect& selection, int d);

// The zone under `p`: the first handle (1 to 8) containing it, else 9 when
// the selection contains it, else 0. Edges count as inside. A selection that
// is not shown has no zones: always 0.
int hitZone(const QPoint& p, const QRect& selection, int d);

// The selection while the pointer, now at `m`, drags a handle (zones 1 to 8)
// or grows a new selection from its press point (zone 0). Handles keep the
// selection kMinEditedSide pixels apart and inside the page of `page` size.
QRect dragged(int zone, const QPoint& m, const QPoint& press, const QRect& selection, const QSize& page);

// The selection shifted by `delta`, then pushed back onto the page (left and
// top edges first), its size unchanged.
QRect moved(const QRect& selection, const QPoint& delta, const QSize& page);

// The selection between the press point (x1, y1 of `selection`) and the
// release point `m`, normalized and clamped to the page.
QRect released(const QRect& selection, const QPoint& m, const QSize& page);

// The part of `selection` that lies on the page: what a cut takes. Null when
// the selection is null or entirely off the page (the arrow keys may move it
// there).
QRect onPage(const QRect& selection, const QSize& page);

// `top` over `bottom`, both flush left, no gap, on a white canvas as wide as
// the wider one; Format_RGB888.
QImage stackOnWhite(const QImage& top, const QImage& bottom);

}  // namespace cutgeo
