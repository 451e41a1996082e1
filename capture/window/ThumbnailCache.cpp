#include "capture/window/ThumbnailCache.h"

#include <QFileInfo>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <vector>

#include "capture/common/WorkAhead.h"
#include "transfer/QThumbnail.h"

namespace {

QImage whiteSquare(int side)
{
    QImage canvas(side, side, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    return canvas;
}

}  // namespace

int ThumbnailCache::workerCount()
{
    return std::max(1, QThread::idealThreadCount());
}

void ThumbnailCache::load(const QStringList& paths, int side, const Take& take)
{
    std::vector<QFileInfo> infos;
    infos.reserve(static_cast<size_t>(paths.size()));
    // A file that fails for any reason (a null picture) gives a white square.
    WorkAhead<QImage> decoding(static_cast<size_t>(paths.size()), [&paths, side](size_t i) {
        return QThumbnail::makeThumbnail(paths.at(static_cast<int>(i)), side);
    });
    for (int i = 0; i < paths.size(); ++i) {
        infos.emplace_back(paths.at(i));
        const QFileInfo& info = infos.back();
        const auto found = entries_.constFind(paths.at(i));
        if (found != entries_.constEnd() && found->side == side && found->bytes == info.size() &&
            found->modified == info.lastModified())
            decoding.preset(static_cast<size_t>(i), found->picture);
    }
    decoding.start(workerCount());

    for (int i = 0; i < paths.size(); ++i) {
        QImage picture = decoding.take(static_cast<size_t>(i));
        if (picture.isNull())
            picture = whiteSquare(side);
        const QFileInfo& info = infos[static_cast<size_t>(i)];
        if (info.isFile())
            entries_.insert(paths.at(i), Entry{info.size(), info.lastModified(), side, picture});
        take(i, picture);
    }
}

void ThumbnailCache::retain(const QStringList& paths)
{
    const QSet<QString> keep(paths.begin(), paths.end());
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (keep.contains(it.key()))
            ++it;
        else
            it = entries_.erase(it);
    }
}
