// The editing operations of the image editor: cut, erase, whiten, remove
// red, turn right, text, pen, undo and redo. Each works on the current
// picture and adds one history entry; all but undo and redo first empty the
// redo list. The slow ones run in the image library through the calls of
// capture/common/ImageOps.h (worker task, busy dialog, no exception).
#include "capture/editor/ImageViewer.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>

#include <algorithm>

#include "capture/common/ImageOps.h"
#include "capture/editor/textinputDialog.h"
#include "ui/Modal.h"

namespace {

constexpr int kMinSelection = 5;
// Text height used when the picture shows no text to measure.
constexpr int kDefaultTextHeight = 30;
// How far a pen piece may reach beyond its points: half the pen width plus
// the antialiasing fringe, with room to spare.
constexpr int kPenReach = 3;
// How far drawn text may reach beyond its font's bounding rectangle (bold
// and antialiasing), with room to spare.
constexpr int kTextReach = 4;

}  // namespace

bool ImageViewer::selection(QRect& rect) const
{
    const QPoint p1 = imagePoint(pressPoint_);
    const QPoint p2 = imagePoint(currentPoint_);
    int x1 = std::min(p1.x(), p2.x());
    int y1 = std::min(p1.y(), p2.y());
    int x2 = std::max(p1.x(), p2.x());
    int y2 = std::max(p1.y(), p2.y());
    if (x2 - x1 + 1 < kMinSelection || y2 - y1 + 1 < kMinSelection)
        return false;
    const QImage& image = history_.image();
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, image.width() - 1);
    y2 = std::min(y2, image.height() - 1);
    rect = QRect(QPoint(x1, y1), QPoint(x2, y2));  // empty when outside the picture
    return true;
}

void ImageViewer::image_process_cut()
{
    if (!hasPicture())
        return;
    history_.clearRedo();
    QRect r;
    if (!selection(r) || r.isEmpty())
        return;  // too small, or wholly outside the picture: nothing to keep
    history_.pushWhole(EditHistory::kCut, history_.image().copy(r));
    // Keep the part where it was on screen: its top-left pixel becomes the
    // picture's origin.
    const QPoint shift = (view_.map(r.topLeft()) - view_.map(QPoint(0, 0))) / view_.m11();
    view_.translate(shift.x(), shift.y());
    update();
}

void ImageViewer::image_process_erase()
{
    if (!hasPicture())
        return;
    history_.clearRedo();
    QRect r;
    if (!selection(r))
        return;
    QImage next = history_.image();
    imageops::eraseRect(next, r);  // on failure `next` stays the picture as it was
    history_.pushChanges(EditHistory::kEraseOrTurn, next);
    update();
}

void ImageViewer::image_process_remove_background()
{
    if (!hasPicture())
        return;
    history_.clearRedo();
    if (history_.contains(EditHistory::kWhiten))
        return;  // applied once already
    QImage next = history_.image();
    imageops::threshold(next);
    // Whitening changes nearly every pixel: the whole picture is kept.
    history_.pushWhole(EditHistory::kWhiten, next);
    update();
}

void ImageViewer::image_process_deleteRed()
{
    runDeleteRed();
}

void ImageViewer::runDeleteRed()
{
    if (!hasPicture())
        return;
    history_.clearRedo();
    if (history_.contains(EditHistory::kRemoveRed))
        return;  // applied once already
    QImage next = history_.image();
    imageops::deleteRed(next);
    history_.pushChanges(EditHistory::kRemoveRed, next);
    update();
}

void ImageViewer::image_process_rotate()
{
    if (!hasPicture())
        return;
    history_.clearRedo();
    QImage turned;
    if (!imageops::rotate(history_.image(), 1, turned))
        return;  // the turn failed: the picture stays as it was
    history_.pushWhole(EditHistory::kEraseOrTurn, turned);
    update();
}

void ImageViewer::image_process_text()
{
    if (!hasPicture())
        return;
    history_.clearRedo();
    const QRect shown = view_.mapRect(QRect(QPoint(0, 0), history_.image().size()));
    if (!shown.contains(pressPoint_))
        return;

    textinputDialog entry;
    entry.move(mapToGlobal(pressPoint_));
    const int result = modal::exec(entry);
    const QString text = entry.text().simplified();
    if (result != QDialog::Accepted || text.isEmpty())
        return;

    int height = imageops::textHeight(history_.image());
    if (height <= 0)
        height = kDefaultTextHeight;
    const QPoint at = imagePoint(mapFromGlobal(entry.pos()));

    QFont font;
    font.setPixelSize(height);
    font.setWeight(QFont::Bold);
    const QPoint baseline(at.x(), at.y() + height);
    // Painted in place like the pen: only the tiles under the text are kept
    // for undo, and nothing outside the area they cover is painted.
    const QRect area = QFontMetrics(font).boundingRect(text).translated(baseline).adjusted(-kTextReach, -kTextReach,
                                                                                           kTextReach, kTextReach);
    history_.beginInPlace(EditHistory::kText);
    if (!history_.isPaintingInPlace() || !history_.touch(area)) {
        history_.dropLast();  // nothing was painted
        return;
    }
    {
        QPainter painter(&history_.paintTarget());
        painter.setClipRect(area);
        painter.setFont(font);
        if (entry.isRed()) {
            QPen pen = painter.pen();
            pen.setColor(Qt::red);
            painter.setPen(pen);
        }
        painter.drawText(baseline, text);
    }
    history_.endInPlace();
    update();
}

void ImageViewer::image_process_line() {}

void ImageViewer::startStroke()
{
    if (!hasPicture())
        return;
    penPoints_.clear();
    history_.clearRedo();
    history_.beginInPlace(EditHistory::kPen);
    stroking_ = true;
}

void ImageViewer::extendStroke()
{
    if (!stroking_)
        return;
    penPoints_.append(imagePoint(currentPoint_));
    const int count = penPoints_.size();
    if (count % 3 != 0)
        return;
    // Pieces of three new points, each joined to the piece before it.
    const int first = count == 3 ? 0 : count - 4;
    const QVector<QPoint> piece = penPoints_.mid(first);
    const QRect area = QPolygon(piece).boundingRect().adjusted(-kPenReach, -kPenReach, kPenReach, kPenReach);
    if (!history_.touch(area)) {
        stroking_ = false;  // the history changed under the stroke: stop drawing
        return;
    }
    {
        QPainter painter(&history_.paintTarget());
        painter.setClipRect(area);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QBrush(Qt::black), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPolyline(piece.constData(), piece.size());
    }
    update();
}

void ImageViewer::endStroke()
{
    if (!stroking_)
        return;
    stroking_ = false;
    if (penPoints_.isEmpty() && history_.isPaintingInPlace())
        history_.dropLast();  // a click without a move draws nothing
    else
        history_.endInPlace();
}

void ImageViewer::image_process_revoke()
{
    stroking_ = false;
    if (history_.undo())
        update();
}

void ImageViewer::image_process_recovery()
{
    stroking_ = false;
    if (history_.redo())
        update();
}
