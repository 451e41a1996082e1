#pragma once

#include <functional>
#include <vector>

#include "core/Records.h"

// The two windows of this layer that the question list opens, as plain
// calls that fit the list's hooks:
//
//     capturewindows::runCapture();                 // "题目收录"
//     capturewindows::runViewer(&page, row,
//                               [&] { reload(); },   // after each save; may refill page
//                               [&](int r) { emit rowChanged(r); });
namespace capturewindows {

// Runs the capture window "题目收录" modally (no parent); returns when it
// was closed.
void runCapture();

// Runs the question viewer modally on (*page)[row] (a row inside the page).
// It reads the page through the pointer while it is open; saved() runs after
// each successful save (the caller may refill or empty *page there), and
// moved(row) after each move to the previous or next question.
void runViewer(std::vector<_detail_t>* page, int row, std::function<void()> saved, std::function<void(int)> moved);

}  // namespace capturewindows
