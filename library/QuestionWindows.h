#pragma once

#include <functional>
#include <vector>

#include "core/Records.h"

// The two windows of the capture layer that the question list opens: the
// capture window "题目收录" and the question viewer. The list reaches them
// only through these two functions, which the program sets at start once
// that layer is linked in; while one is not set the list's button, double
// click and 预览 open nothing.
struct QuestionWindows {
    // Runs the capture window modally; returns when it is closed.
    std::function<void()> runCapture;

    // Runs the viewer modally on (*page)[row]. The viewer reads the page
    // through the pointer for as long as it is open (the list refills the
    // same vector when saved() runs), calls saved() after each successful
    // save and moved(row) after each move to another question.
    using ViewerRunner = std::function<void(std::vector<_detail_t>* page, int row, std::function<void()> saved,
                                            std::function<void(int)> moved)>;
    ViewerRunner runViewer;

    static QuestionWindows& instance();
};
