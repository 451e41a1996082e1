#pragma once

#include <QtGlobal>

#include <condition_variable>
#include <mutex>

namespace platform {

// The memory that the pictures being decoded at one time may take together,
// by their DECLARED sizes: checks of many pictures run side by side on worker
// threads (a library import, phone uploads), and eight whole 100-megapixel
// pictures would take gigabytes. A decode waits here until its share fits;
// one larger than the whole budget waits until nothing else is decoded and
// then runs alone.
//
//     DecodeBudget::Hold hold(DecodeBudget::shared(), bytes);   // waits
//     decode();                                                 // released at scope end
//
// Safe on any thread. A thread must not take a second hold while it keeps one.
class DecodeBudget {
public:
    explicit DecodeBudget(qint64 capacity) : capacity_(capacity) {}

    // About 1 GiB of decoded pixels for the whole program.
    static DecodeBudget& shared();
    static constexpr qint64 kSharedCapacity = 1LL << 30;

    qint64 capacity() const { return capacity_; }
    // The bytes held now, and the holds waiting for their share (for tests).
    qint64 inUse() const;
    int waiting() const;

    class Hold {
    public:
        Hold(DecodeBudget& budget, qint64 bytes);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        DecodeBudget& budget_;
        qint64 bytes_;
    };

private:
    void take(qint64 bytes);
    void give(qint64 bytes);

    const qint64 capacity_;
    mutable std::mutex mutex_;
    std::condition_variable freed_;
    qint64 inUse_ = 0;
    int waiting_ = 0;
};

}  // namespace platform
