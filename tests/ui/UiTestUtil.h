#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace uitest {

// Runs `action` on the application's modal window as soon as one shows (the
// dialog that the code under test runs with exec()); gives up after a few
// seconds so a failing test cannot hang.
inline void onModal(std::function<void(QWidget*)> action)
{
    auto* poll = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    QObject::connect(poll, &QTimer::timeout, [poll, clock, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible()) {
            poll->stop();
            poll->deleteLater();
            delete clock;
            action(modal);
        } else if (clock->elapsed() > 5000) {
            poll->stop();
            poll->deleteLater();
            delete clock;
        }
    });
    poll->start(5);
}

// The push button of `window` with that object name or text.
inline QPushButton* button(QWidget* window, const QString& nameOrText)
{
    for (QPushButton* b : window->findChildren<QPushButton*>()) {
        if (b->objectName() == nameOrText || b->text() == nameOrText)
            return b;
    }
    return nullptr;
}

}  // namespace uitest
