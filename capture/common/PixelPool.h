#pragma once

#include <cstddef>

// Spare page-sized pixel buffers, kept for the next large picture.
//
// Writing into fresh memory costs a page fault per page the first time; on a
// 4000 x 3000 page that is more than a memcpy of it, even with huge pages. A
// buffer whose picture went away is therefore kept as a spare (at most
// kMaxSpares of them, kMaxSpareBytes together) and handed to the next picture
// that fits in it, its pages still mapped.
//
// One spare is enough: an editing step on a page takes one new buffer and
// lets at most one old picture go, which then serves the next step; more
// spares would only keep memory from the system. A picture of more than
// kMaxSpareBytes (a page of 5000 x 6000 and up) is not kept at all.
//
// A buffer is a spare only after give(): the pool never hands out memory that
// a live picture still uses. Thread-safe: pictures may go away on any thread.
namespace pixelpool {

constexpr std::size_t kMaxSpares = 1;
constexpr std::size_t kMaxSpareBytes = 96u * 1024 * 1024;

// A buffer of `bytes` or a little more (its size in `capacity`), aligned to
// and advised for huge pages: a spare when one fits, else fresh memory.
// nullptr when there is no memory.
void* take(std::size_t bytes, std::size_t& capacity);

// Hands a buffer from take() back once nothing uses it any more: kept as a
// spare while there is room, else freed.
void give(void* pixels, std::size_t capacity);

// Frees every spare (an editor that closes calls it).
void releaseSpares();

// The spares kept now and their bytes.
std::size_t spareCount();
std::size_t spareBytes();

}  // namespace pixelpool
