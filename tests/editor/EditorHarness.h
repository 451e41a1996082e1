#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QToolButton>
#include <QVector>

#include <cstring>
#include <memory>

#include "capture/editor/ImageViewer.h"

namespace editortest {

// The same size, format and pixels (24-bit pictures; row padding ignored).
inline bool samePixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.format() != b.format())
        return false;
    for (int y = 0; y < a.height(); ++y) {
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), static_cast<size_t>(a.width()) * 3) != 0)
            return false;
    }
    return true;
}

// Sizes `editor` so that the area above its tool bar is `area`.
inline void resizeArea(ImageViewer& editor, const QSize& area)
{
    editor.resize(area);
    editor.resize(area.width(), area.height() + area.height() - editor.pictureArea().height());
}

// An editor with an area of 800 x 400 above the tool bar holding `image`,
// fitted; not shown, so nothing waits for a window manager.
inline std::unique_ptr<ImageViewer> makeEditor(const QImage& image, int tool = ImageViewer::kMouse)
{
    auto editor = std::make_unique<ImageViewer>(nullptr, QString(), tool);
    resizeArea(*editor, QSize(800, 400));
    editor->setImage(image);
    editor->fitToWindow();
    return editor;
}

inline void sendMouse(QWidget* w, QEvent::Type type, const QPoint& at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, at, w->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

// Widget point of a picture pixel under the editor's current view.
inline QPoint onScreen(const ImageViewer& editor, const QPoint& pixel)
{
    return editor.viewMatrix().map(pixel);
}

// Press at `from`, move through `via` (if any) and `to`, release at `to`;
// all in picture pixels.
inline void dragPixels(ImageViewer& editor, const QPoint& from, const QPoint& to, const QVector<QPoint>& via = {})
{
    sendMouse(&editor, QEvent::MouseButtonPress, onScreen(editor, from), Qt::LeftButton, Qt::LeftButton);
    for (const QPoint& p : via)
        sendMouse(&editor, QEvent::MouseMove, onScreen(editor, p), Qt::NoButton, Qt::LeftButton);
    sendMouse(&editor, QEvent::MouseMove, onScreen(editor, to), Qt::NoButton, Qt::LeftButton);
    sendMouse(&editor, QEvent::MouseButtonRelease, onScreen(editor, to), Qt::LeftButton, Qt::NoButton);
}

// Press and release at one picture pixel, without a move.
inline void clickPixel(ImageViewer& editor, const QPoint& at)
{
    sendMouse(&editor, QEvent::MouseButtonPress, onScreen(editor, at), Qt::LeftButton, Qt::LeftButton);
    sendMouse(&editor, QEvent::MouseButtonRelease, onScreen(editor, at), Qt::LeftButton, Qt::NoButton);
}

// The tool-bar button with that text ("去红批", "右  转", ...).
inline QToolButton* toolButton(ImageViewer& editor, const QString& text)
{
    for (QToolButton* b : editor.findChildren<QToolButton*>()) {
        if (b->text() == text)
            return b;
    }
    return nullptr;
}

inline void clickButton(ImageViewer& editor, const QString& text)
{
    if (QToolButton* b = toolButton(editor, text))
        b->click();
}

}  // namespace editortest
