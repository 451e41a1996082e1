#pragma once

#include <QCoreApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

// Types any text into a widget as key presses carrying the characters (QTest's
// key clicks take ASCII only). A surrogate pair travels as one key press.
inline void typeText(QWidget* widget, const QString& text)
{
    for (int i = 0; i < text.size(); ++i) {
        QString one(text[i]);
        if (text[i].isHighSurrogate() && i + 1 < text.size())
            one += text[++i];
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, one);
        QCoreApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, one);
        QCoreApplication::sendEvent(widget, &release);
    }
}
