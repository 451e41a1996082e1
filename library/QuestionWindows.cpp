#include "library/QuestionWindows.h"

#include "capture/window/CaptureWindows.h"

QuestionWindows& QuestionWindows::instance()
{
    static QuestionWindows windows;
    return windows;
}

std::function<void()> QuestionWindows::defaultCapture()
{
    return capturewindows::runCapture;
}

QuestionWindows::ViewerRunner QuestionWindows::defaultViewer()
{
    return capturewindows::runViewer;
}
