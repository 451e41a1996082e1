#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>

// Processes events until `condition` holds or `ms` pass; whether it holds.
inline bool waitFor(const std::function<bool()>& condition, int ms = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return condition();
}
