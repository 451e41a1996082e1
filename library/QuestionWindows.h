#pragma once

#include <functional>
#include <vector>

#include "core/Records.h"

// The two windows of the capture layer that the question list opens: the
// capture window "题目收录" and the question viewer. The list reaches them
// only through these two functions: by default the real windows; tests put
// stand-ins in their place. While one is empty the list's button, double
// click and 预览 open nothing.
struct QuestionWindows {
    // Runs the capture window modally; returns when it is closed.
    std::function<void()> runCapture = defaultCapture();

    // Runs the viewer modally on (*page)[row]. The viewer reads the page
    // through the pointer for as long as it is open (the list refills the
    // same vector when saved() runs), calls saved() after each successful
    // save and moved(row) after each move to another question.
    using ViewerRunner = std::function<void(std::vector<_detail_t>* page, int row, std::function<void()> saved,
                                            std::function<void(int)> moved)>;
    ViewerRunner runViewer = defaultViewer();

    static QuestionWindows& instance();

private:
    static std::function<void()> defaultCapture();
    static ViewerRunner defaultViewer();
};
