#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>

// Processes events until `condition` holds or `ms` pass; whether it holds.
// The bound is generous: it only ends a wait for a state that never comes,
// and a busy machine may take many seconds to reach one that does.
inline bool waitFor(const std::function<bool()>& condition, int ms = 30000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!condition())
            QThread::msleep(2);  // leave the processor to the work waited for
    }
    return condition();
}
