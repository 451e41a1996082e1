#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace screenfit {

// `window` (a frame geometry) made to lie inside `area`: narrowed and
// lowered to the area's size, but never below `minimum`, then moved by the
// least amount that brings it inside (its top-left corner first where it is
// still larger than the area).
QRect fitted(const QRect& window, const QSize& minimum, const QRect& area);

// The available area (without panels and docks) of the screen that holds
// the centre of `window`, else of the primary screen; empty without screens.
QRect availableArea(const QWidget* window);

// Moves and resizes the top-level `window` so that it opens whole inside
// its screen's available area. Maximized and full-screen windows are left
// alone. Returns true when it changed the geometry.
bool fitIntoScreen(QWidget* window);

}  // namespace screenfit
