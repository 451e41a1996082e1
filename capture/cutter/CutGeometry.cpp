#include "capture/cutter/CutGeometry.h"

#include <algorithm>
#include <cstring>

namespace cutgeo {

bool isShown(const QRect& selection)
{
    return selection.isValid() && selection.width() > kMinNewSide && selection.height() > kMinNewSide;
}

int handleHalf(double scale)
{
    if (!(scale > 0.0))
        return 0;
    return static_cast<int>(5.0 / scale);
}

std::array<QRect, 8> handles(const QRect& r, int d)
{
    const int x1 = r.left(), y1 = r.top(), x2 = r.right(), y2 = r.bottom();
    const int mx = (x1 + x2) / 2;
    const int my = (y1 + y2) / 2;
    const QPoint centres[8] = {{x1, my}, {x2, my}, {mx, y1}, {mx, y2}, {x1, y1}, {x2, y1}, {x1, y2}, {x2, y2}};
    std::array<QRect, 8> squares;
    for (int i = 0; i < 8; ++i)
        squares[static_cast<std::size_t>(i)] = QRect(centres[i].x() - d, centres[i].y() - d, 2 * d, 2 * d);
    return squares;
}

int hitZone(const QPoint& p, const QRect& selection, int d)
{
    // Nothing to grab on a selection that is not drawn (null, or collapsed
    // by the mouse tool): a press there starts a new selection.
    if (!isShown(selection))
        return kNowhere;
    const std::array<QRect, 8> squares = handles(selection, d);
    for (int i = 0; i < 8; ++i) {
        if (squares[static_cast<std::size_t>(i)].contains(p))
            return i + 1;
    }
    return selection.contains(p) ? kInside : kNowhere;
}

QRect dragged(int zone, const QPoint& m, const QPoint& press, const QRect& selection, const QSize& page)
{
    int x1 = selection.left(), y1 = selection.top(), x2 = selection.right(), y2 = selection.bottom();
    const int w = page.width(), h = page.height();
    const int gap = kMinEditedSide;
    switch (zone) {
    case kNowhere:
        // A new selection only grows to the right and downwards while the
        // button is held; release settles the other directions.
        x2 = std::max(m.x(), press.x());
        y2 = std::max(m.y(), press.y());
        break;
    case kLeft: x1 = std::min(std::max(m.x(), 0), x2 - gap); break;
    case kRight: x2 = std::min(std::max(m.x(), x1 + gap), w - 1); break;
    case kTop: y1 = std::min(std::max(m.y(), 0), y2 - gap); break;
    case kBottom: y2 = std::max(std::min(m.y(), h - 1), y1 + gap); break;
    case kTopLeft:
        x1 = std::max(std::min(m.x(), x2 - gap), 0);
        y1 = std::max(std::min(m.y(), y2 - gap), 0);
        break;
    case kTopRight:
        x2 = std::max(std::min(m.x(), w - 1), x1 + gap);
        y1 = std::max(std::min(m.y(), y2 - gap), 0);
        break;
    case kBottomLeft:
        x1 = std::max(std::min(m.x(), x2 - gap), 0);
        y2 = std::max(std::min(m.y(), h - 1), y1 + gap);
        break;
    case kBottomRight:
        x2 = std::max(std::min(m.x(), w - 1), x1 + gap);
        y2 = std::max(std::min(m.y(), h - 1), y1 + gap);
        break;
    default: return selection;
    }
    QRect r;
    r.setCoords(x1, y1, x2, y2);
    return r;
}

QRect moved(const QRect& selection, const QPoint& delta, const QSize& page)
{
    QRect r = selection.translated(delta);
    if (r.left() < 0)
        r.translate(-r.left(), 0);
    if (r.top() < 0)
        r.translate(0, -r.top());
    if (r.right() > page.width() - 1)
        r.translate(-(r.right() - (page.width() - 1)), 0);
    if (r.bottom() > page.height() - 1)
        r.translate(0, -(r.bottom() - (page.height() - 1)));
    return r;
}

QRect released(const QRect& selection, const QPoint& m, const QSize& page)
{
    QRect r;
    r.setCoords(selection.left(), selection.top(), m.x(), m.y());
    r = r.normalized();
    r.setCoords(std::max(r.left(), 0), std::max(r.top(), 0), std::min(r.right(), page.width() - 1),
                std::min(r.bottom(), page.height() - 1));
    return r;
}

QRect onPage(const QRect& selection, const QSize& page)
{
    if (!selection.isValid())
        return QRect();
    const QRect part = selection.intersected(QRect(QPoint(0, 0), page));
    return part.isEmpty() ? QRect() : part;
}

QImage stackOnWhite(const QImage& top, const QImage& bottom)
{
    const QImage a = top.format() == QImage::Format_RGB888 ? top : top.convertToFormat(QImage::Format_RGB888);
    const QImage b = bottom.format() == QImage::Format_RGB888 ? bottom : bottom.convertToFormat(QImage::Format_RGB888);
    const int width = std::max(a.width(), b.width());
    const int height = a.height() + b.height();
    if (width <= 0 || height <= 0)
        return QImage();
    QImage canvas(width, height, QImage::Format_RGB888);
    if (canvas.isNull())
        return QImage();
    canvas.fill(Qt::white);
    // Row copies: the pixels go over exactly as they are.
    auto place = [&canvas](const QImage& part, int y0) {
        const std::size_t bytes = static_cast<std::size_t>(part.width()) * 3;
        for (int y = 0; y < part.height(); ++y)
            std::memcpy(canvas.scanLine(y0 + y), part.constScanLine(y), bytes);
    };
    place(a, 0);
    place(b, a.height());
    return canvas;
}

}  // namespace cutgeo
