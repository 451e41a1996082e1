#include "capture/window/ThumbnailCache.h"

#include <QFileInfo>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "transfer/QThumbnail.h"

namespace {

QImage whiteSquare(int side)
{
    QImage canvas(side, side, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    return canvas;
}

// The pictures of one load: workers take the files to decode in order and
// mark each picture ready; the caller waits for picture i only.
class Decoding {
public:
    Decoding(std::vector<QString> paths, int side) : paths_(std::move(paths)), side_(side)
    {
        pictures_.resize(paths_.size());
        ready_.assign(paths_.size(), 0);
    }
    Decoding(const Decoding&) = delete;
    Decoding& operator=(const Decoding&) = delete;

    // Already made (from the cache).
    void preset(size_t i, const QImage& picture)
    {
        pictures_[i] = picture;
        ready_[i] = 1;
    }
    // Starts up to `count` workers on every picture not preset.
    void start(int count)
    {
        for (size_t i = 0; i < paths_.size(); ++i)
            if (!ready_[i])
                jobs_.push_back(i);
        const size_t wanted = std::min(jobs_.size(), static_cast<size_t>(std::max(1, count)));
        for (size_t w = 0; w < wanted; ++w) {
            try {
                workers_.emplace_back([this] { work(); });
            } catch (...) {
                break;  // no thread to be had: the caller makes what is left
            }
        }
    }
    // Picture i, once it is made.
    QImage take(size_t i)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (workers_.empty() && !ready_[i]) {
            // No worker runs: made here.
            lock.unlock();
            return QThumbnail::makeThumbnail(paths_[i], side_);
        }
        done_.wait(lock, [this, i] { return ready_[i] != 0; });
        return pictures_[i];
    }
    ~Decoding()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        for (std::thread& worker : workers_)
            worker.join();
    }

private:
    void work()
    {
        for (;;) {
            size_t i = 0;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (stop_ || next_ >= jobs_.size())
                    return;
                i = jobs_[next_++];
            }
            QImage picture;
            try {
                picture = QThumbnail::makeThumbnail(paths_[i], side_);
            } catch (...) {
                picture = QImage();
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                pictures_[i] = picture;
                ready_[i] = 1;
            }
            done_.notify_all();
        }
    }

    const std::vector<QString> paths_;
    const int side_;
    std::vector<QImage> pictures_;
    std::vector<char> ready_;
    std::vector<size_t> jobs_;
    size_t next_ = 0;
    bool stop_ = false;
    std::mutex mutex_;
    std::condition_variable done_;
    std::vector<std::thread> workers_;
};

}  // namespace

int ThumbnailCache::workerCount()
{
    return std::max(1, QThread::idealThreadCount());
}

void ThumbnailCache::load(const QStringList& paths, int side, const Take& take)
{
    std::vector<QFileInfo> infos;
    infos.reserve(static_cast<size_t>(paths.size()));
    Decoding decoding(std::vector<QString>(paths.begin(), paths.end()), side);
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
