#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>

// Processes events until `condition` holds or `ms` pass; whether it holds.
// The bound only limits a wait for a state that should come: it is generous
// so that a loaded machine (a whole suite run in parallel beside other
// work) still gets there, and a passing test never waits it out.
inline bool waitFor(const std::function<bool()>& condition, int ms = 30000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return condition();
}
