#pragma once

#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>

// Thumbnails of many files for the library strip, which is rebuilt whole
// after every import:
//  - a file unchanged since its thumbnail was made (same size, same time of
//    last change) is not decoded again;
//  - the others are decoded at thumbnail size (QThumbnail::makeThumbnail) by
//    worker threads, one per core, that run ahead of the caller. A
//    photographed page spends most of its decoding time reading the JPEG
//    data, which no scaled decode avoids; spreading the files over the cores
//    is what keeps a strip of hundreds of pages quick.
//
//     cache.load(files, strip->thumbnailSide(), [&](int i, const QImage& picture) {
//         strip->addItem(files.at(i), picture);
//         progress->setValue(i + 1);             // the event loop runs here
//     });
//     cache.retain(files);
//
// GUI thread only. The workers touch nothing but their own file and picture,
// never throw (a file that fails for any reason gives a white square), and
// have ended when load() returns, whatever `take` did.
class ThumbnailCache {
public:
    using Take = std::function<void(int index, const QImage& picture)>;

    // Hands QThumbnail::makeThumbnail(paths[i], side) to take(i, ...) for
    // every i, in order, each as soon as it is ready. The caller's thread
    // waits only when the next picture is not made yet.
    void load(const QStringList& paths, int side, const Take& take);
    // Forgets the thumbnails of every file not in `paths`.
    void retain(const QStringList& paths);
    int size() const { return entries_.size(); }

    // The number of worker threads: the number of cores.
    static int workerCount();

private:
    struct Entry {
        qint64 bytes = -1;
        QDateTime modified;
        int side = 0;
        QImage picture;
    };

    QHash<QString, Entry> entries_;
};
