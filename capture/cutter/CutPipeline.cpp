#include "capture/cutter/CutPipeline.h"

#include "capture/common/ImageOps.h"

void CutPipeline::setPage(const QImage& page)
{
    page_ = page.isNull() ? QImage() : imageops::toRgb888(page);
    ++generation_;
    skewKnown_ = false;
    skew_ = 0.0;
    straightened_ = QImage();
    whitened_[0] = QImage();
    whitened_[1] = QImage();
}

void CutPipeline::clear()
{
    setPage(QImage());
}

QImage CutPipeline::straightened(bool& turned)
{
    turned = false;
    if (!skewKnown_) {
        // Measured directly, on the page as loaded; a failed measurement
        // counts as a level page and is tried again next time.
        double angle = 0.0;
        if (!imageops::calcDegree(page_, angle))
            return page_;
        skew_ = angle;
        skewKnown_ = true;
    }
    if (skew_ == 0.0)
        return page_;
    if (straightened_.isNull()) {
        const std::uint64_t generation = generation_;
        const QImage source = page_;
        QImage out;
        const bool ok = imageops::rotateAngle(source, static_cast<float>(skew_), out);
        // A new page arrived during the wait: this turn is not its own.
        if (generation != generation_ || !ok)
            return source;
        straightened_ = out;
    }
    turned = true;
    return straightened_;
}

QImage CutPipeline::whitened(const QImage& work, bool turned)
{
    QImage& cached = whitened_[turned ? 1 : 0];
    if (!cached.isNull())
        return cached;
    const std::uint64_t generation = generation_;
    QImage result = work;
    const bool ok = imageops::threshold(result);
    if (generation != generation_ || !ok)
        return work;
    cached = result;
    return cached;
}

QImage CutPipeline::run(const CutOptions& options)
{
    if (page_.isNull())
        return QImage();
    const std::uint64_t generation = generation_;
    QImage work = page_;
    bool turned = false;
    if (options.straighten) {
        work = straightened(turned);
        if (generation != generation_)
            return QImage();
    }
    if (options.removeBackground) {
        work = whitened(work, turned);
        if (generation != generation_)
            return QImage();
    }
    const int type = imageops::turnType(options.quarterTurns);
    if (type != 0) {
        // A failed turn keeps the picture as it was before the turn.
        QImage out;
        const bool ok = imageops::rotate(work, type, out);
        if (generation != generation_)
            return QImage();
        if (ok)
            work = out;
    }
    return work;
}
