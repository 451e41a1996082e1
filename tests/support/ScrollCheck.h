#pragma once

#include <gtest/gtest.h>

#include <utility>

class QAbstractScrollArea;
class QScrollArea;
class QScrollBar;

// Checks of a scroll area as a pupil meets it: the wheel over it, and where
// its vertical bar's handle is drawn.
namespace scrollcheck {

// Turns the mouse wheel over the area's viewport by `notches` (negative:
// towards the pupil, which moves the content up and the handle down).
void wheel(QAbstractScrollArea* area, int notches);

// The rows of the bar (in its own pixels, top to bottom) where its handle is
// drawn: the run of rows, along the bar's middle, clearly darker than the
// groove. {-1, -1} when no part stands out.
std::pair<int, int> handleRows(QScrollBar* bar);

// The handle is drawn at the bar's top (value at its minimum), or at its
// bottom (maximum), within `slack` pixels.
::testing::AssertionResult handleAtTop(QScrollBar* bar, int slack = 4);
::testing::AssertionResult handleAtBottom(QScrollBar* bar, int slack = 4);

// The whole check, with gtest expectations, of a shown area whose content is
// taller than its viewport: at the top the bar is at its minimum and its
// handle drawn at the top; the wheel moves the content down one notch at a
// time, the bar's value agreeing with the content's offset, to the end
// (handle at the bottom) and back.
void expectScrollsLikeAnyScrollArea(QScrollArea* area);

}  // namespace scrollcheck
