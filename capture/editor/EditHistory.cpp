#include "capture/editor/EditHistory.h"

#include <algorithm>
#include <new>
#include <utility>

void EditHistory::reset(const QImage& image)
{
    clear();
    Entry first;
    first.code = kLoaded;
    entries_.push_back(std::move(first));
    current_ = image;
}

void EditHistory::clear()
{
    inPlace_ = false;
    entries_.clear();
    redo_.clear();
    current_ = QImage();
}

std::vector<int> EditHistory::codes() const
{
    std::vector<int> out;
    for (const Entry& e : entries_)
        out.push_back(e.code);
    return out;
}

std::vector<int> EditHistory::redoCodes() const
{
    std::vector<int> out;
    for (const Entry& e : redo_)
        out.push_back(e.code);
    return out;
}

bool EditHistory::contains(int code) const
{
    return std::any_of(entries_.begin(), entries_.end(), [code](const Entry& e) { return e.code == code; });
}

void EditHistory::clearRedo()
{
    redo_.clear();
}

void EditHistory::push(Entry entry)
{
    endInPlace();
    entries_.push_back(std::move(entry));
}

void EditHistory::pushWhole(int code, const QImage& next)
{
    if (entries_.empty())
        return;
    Entry entry;
    entry.code = code;
    entry.whole = true;
    entry.image = current_;
    current_ = next;
    push(std::move(entry));
}

void EditHistory::pushChanges(int code, const QImage& next)
{
    if (entries_.empty())
        return;
    Entry entry;
    entry.code = code;
    try {
        entry.patch = ImagePatch::difference(current_, next);
    } catch (const std::bad_alloc&) {
        entry.patch = ImagePatch();  // no room for the tiles: keep the whole image instead
    }
    if (!entry.patch.isValid()) {
        pushWhole(code, next);
        return;
    }
    if (!takeChangedTiles(entry.patch, next))
        current_ = next;
    push(std::move(entry));
}

bool EditHistory::takeChangedTiles(const ImagePatch& patch, const QImage& next)
{
    // Writing the tiles costs more than it saves once they are most of the
    // picture.
    if (!current_.isDetached() || patch.bytes() > static_cast<std::size_t>(current_.sizeInBytes()) / 2)
        return false;
    return patch.copyTiles(next, current_);
}

void EditHistory::beginInPlace(int code)
{
    if (entries_.empty())
        return;
    const bool paintable = current_.format() == QImage::Format_RGB888 && !current_.isNull();
    Entry entry;
    entry.code = code;
    if (paintable)
        entry.patch = ImagePatch(current_.size());
    push(std::move(entry));
    inPlace_ = paintable;
}

void EditHistory::endInPlace()
{
    if (!inPlace_)
        return;
    inPlace_ = false;
    if (!entries_.empty())
        entries_.back().patch.squeeze();
}

bool EditHistory::touch(const QRect& area)
{
    if (!inPlace_ || entries_.empty())
        return false;
    try {
        return entries_.back().patch.save(current_, area);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void EditHistory::dropLast()
{
    if (entries_.size() < 2)
        return;
    endInPlace();
    exchange(entries_.back());
    entries_.pop_back();
}

void EditHistory::exchange(Entry& entry)
{
    if (entry.whole)
        std::swap(current_, entry.image);
    else
        entry.patch.swapWith(current_);
}

bool EditHistory::undo()
{
    if (entries_.size() < 2)
        return false;
    endInPlace();
    Entry entry = std::move(entries_.back());
    entries_.pop_back();
    exchange(entry);
    redo_.push_back(std::move(entry));
    return true;
}

bool EditHistory::redo()
{
    if (redo_.empty() || entries_.empty())
        return false;
    endInPlace();
    Entry entry = std::move(redo_.back());
    redo_.pop_back();
    exchange(entry);
    entries_.push_back(std::move(entry));
    return true;
}

std::size_t EditHistory::keptBytes() const
{
    std::size_t total = 0;
    auto add = [&total](const Entry& e) {
        total += e.whole ? static_cast<std::size_t>(e.image.sizeInBytes()) : e.patch.bytes();
    };
    std::for_each(entries_.begin(), entries_.end(), add);
    std::for_each(redo_.begin(), redo_.end(), add);
    return total;
}
