#pragma once

class QWidget;

// A spin box or combo box inside a scroll area takes the wheel for itself:
// a pupil scrolling a page of options whose pointer passes over one changes
// that value (stored at once) and the page stops moving. After this call the
// field takes the wheel only while it has the keyboard focus (a click or Tab
// gives it); otherwise the wheel goes on to the scroll area around it.
void passWheelUnlessFocused(QWidget* field);
