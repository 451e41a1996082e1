// The compositions of the action bar: a new question, an appended
// continuation, and the two halves of a question stacked on white.
#include "capture/cutter/CutGeometry.h"
#include "capture/cutter/imageCut.h"
#include "capture/cutter/showRectWidget.h"

void imageCut::RectBarClicked(int id)
{
    setPointerZone(0);
    // No page (the last one was deleted, or none is chosen): nothing to cut,
    // whatever the keyboard asks for.
    if (displayImage_.isNull())
        return;
    // Only the part of the selection that covers the page is cut.
    const QRect cut = cutgeo::onPage(selection_, displayImage_.size());
    switch (id) {
    case 0: appendToPrevious(cut); break;
    case 1: keepUpperHalf(cut); break;
    case 2: joinHalves(cut); break;
    case 3: newQuestion(cut); break;
    default: break;
    }
}

void imageCut::finishComposition()
{
    dropSelection();
    update();
}

void imageCut::appendToPrevious(const QRect& cut)
{
    if (cut.isNull() || resultImage_.isNull())
        return;
    const QImage previous = resultImage_.copy();
    resultImage_ = cutgeo::stackOnWhite(previous, displayImage_.copy(cut));
    finishComposition();
    emit first_half_hide();
    emit finished();
    upperHalf_ = QImage();
}

void imageCut::keepUpperHalf(const QRect& cut)
{
    if (!cut.isNull()) {
        upperHalf_ = displayImage_.copy(cut);
        emit first_half_clicked(&upperHalf_);
        emit next_page();
    }
    finishComposition();
}

void imageCut::joinHalves(const QRect& cut)
{
    if (cut.isNull() || upperHalf_.isNull())
        return;
    resultImage_ = cutgeo::stackOnWhite(upperHalf_, displayImage_.copy(cut));
    finishComposition();
    upperHalf_ = QImage();
    emit first_half_hide();
    emit finished();
}

void imageCut::newQuestion(const QRect& cut)
{
    if (cut.isNull())
        return;
    resultImage_ = displayImage_.copy(cut);
    finishComposition();
    emit finished();
}

void imageCut::half_image_close()
{
    upperHalf_ = QImage();
    if (rectBar_)
        rectBar_->reset();
}
