#include "platform/JpegWalk.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>

namespace platform::jpeg {

namespace {

// What a device is read in: the window holds a segment (up to 64 KiB) and a
// read ahead.
constexpr qint64 kRead = 64 * 1024;
// An ICC profile is a few kilobytes, rarely a megabyte; one larger than this
// is ignored (its blocks could fill the memory otherwise).
constexpr int kMostIccBytes = 16 << 20;

enum Marker : uchar {
    kTem = 0x01,
    kSof0 = 0xC0,  // baseline
    kSof1 = 0xC1,  // extended sequential, Huffman
    kSof2 = 0xC2,  // progressive, Huffman
    kDht = 0xC4,
    kJpg = 0xC8,
    kDac = 0xCC,
    kRst0 = 0xD0,
    kRst7 = 0xD7,
    kSoi = 0xD8,
    kEoi = 0xD9,
    kSos = 0xDA,
    kApp1 = 0xE1,
    kApp2 = 0xE2,
};

// Frame headers the decoder does not read: lossless (C3), hierarchical (C5 to
// C7) and arithmetic-coded ones (C9 to CB, CD to CF).
bool unsupportedFrame(uchar marker)
{
    return marker >= 0xC3 && marker <= 0xCF && marker != kDht && marker != kJpg && marker != kDac;
}

bool restart(uchar byte)
{
    return byte >= kRst0 && byte <= kRst7;
}

quint16 be16(const uchar* p)
{
    return static_cast<quint16>((p[0] << 8) | p[1]);
}

class Walker {
public:
    Walker(Input& input, Extent extent) : input_(input), extent_(extent) {}

    Layout run()
    {
        if (!input_.reach(2) || *input_.at(0) != 0xFF || *input_.at(1) != kSoi)
            return layout_;
        pos_ = 2;
        for (;;) {
            const int marker = nextMarker();
            if (marker < 0) {
                finish(Structure::Damaged);
                return layout_;
            }
            if (!segment(static_cast<uchar>(marker)))
                return layout_;
        }
    }

private:
    // The marker at or after pos_ between segments, as libjpeg finds it:
    // other bytes and stuffed zeros (FF 00) skipped, fill bytes (FF FF)
    // swallowed. pos_ is left after the marker; -1 at the end of the input.
    int nextMarker()
    {
        for (;;) {
            if (!findByte(0xFF))
                return -1;
            do {
                input_.release(pos_);
                if (!input_.reach(pos_ + 2))
                    return -1;
                ++pos_;
            } while (*input_.at(pos_) == 0xFF);
            const uchar code = *input_.at(pos_++);
            if (code != 0)
                return code;
        }
    }

    // Moves pos_ to the next `byte` at or after it; false when there is none.
    // The bytes passed are released.
    bool findByte(uchar byte)
    {
        for (;;) {
            const qint64 have = input_.available();
            if (pos_ < have) {
                const uchar* from = input_.at(pos_);
                const void* hit = std::memchr(from, byte, static_cast<size_t>(have - pos_));
                if (hit) {
                    pos_ += static_cast<const uchar*>(hit) - from;
                    return true;
                }
                pos_ = have;
            }
            input_.release(pos_);
            if (!input_.reach(have + 1))
                return false;
        }
    }

    // Skips the coded data of a scan: pos_ is left on the 0xFF of the marker
    // that ends it. Stuffed zeros, restart markers and fill bytes are data.
    bool skipCodedData()
    {
        for (;;) {
            if (!findByte(0xFF))
                return false;
            input_.release(pos_);
            if (!input_.reach(pos_ + 2))
                return false;
            const uchar next = *input_.at(pos_ + 1);
            if (next == 0 || restart(next)) {
                pos_ += 2;
            } else if (next == 0xFF) {
                pos_ += 1;
            } else {
                return true;
            }
        }
    }

    // Handles the marker just read; false when the walk ends here.
    bool segment(uchar marker)
    {
        if (marker == kSoi)
            return finish(Structure::Damaged);
        if (marker == kEoi)
            return endOfImage();
        if (marker == kTem || restart(marker))
            return true;  // markers without a segment
        input_.release(pos_);
        if (!input_.reach(pos_ + 2))
            return finish(Structure::Damaged);
        const qint64 length = be16(input_.at(pos_));
        if (length < 2 || !input_.reach(pos_ + length))
            return finish(Structure::Damaged);
        const uchar* body = input_.at(pos_ + 2);
        const qint64 bodyLength = length - 2;
        pos_ += length;
        if (marker == kSof0 || marker == kSof1 || marker == kSof2)
            return frame(marker, body, bodyLength);
        if (unsupportedFrame(marker))
            return finish(Structure::Unsupported);
        if (marker == kSos)
            return scan(body, bodyLength);
        if (layout_.scans == 0)
            metadata(marker, body, bodyLength);
        return true;
    }

    bool frame(uchar marker, const uchar* body, qint64 length)
    {
        if (framed_ || length < 6)
            return finish(Structure::Damaged);
        const int precision = body[0];
        const int height = be16(body + 1);
        const int width = be16(body + 3);
        const int components = body[5];
        if (length != 6 + 3 * components)
            return finish(Structure::Damaged);
        framed_ = true;
        layout_.size = QSize(width, height);
        layout_.components = components;
        layout_.progressive = marker == kSof2;
        if (precision != 8 || (components != 1 && components != 3 && components != 4))
            return finish(Structure::Unsupported);
        if (width == 0 || height == 0) {
            framed_ = false;  // a height given later (DNL): no size to check
            return finish(Structure::NoFrame);
        }
        int allBlocks = 0;
        for (int c = 0; c < components; ++c) {
            ids_[c] = body[6 + 3 * c];
            // A component's share of the picture's blocks: its horizontal
            // times its vertical sampling factor (0 is refused by libjpeg).
            const int sampling = body[7 + 3 * c];
            blocks_[c] = std::max(1, sampling >> 4) * std::max(1, sampling & 0x0F);
            allBlocks += blocks_[c];
        }
        work_.start(layout_.progressive, allBlocks);
        if (extent_ == Extent::Frame)
            return finish(Structure::Whole);
        return true;
    }

    bool scan(const uchar* body, qint64 length)
    {
        if (!framed_ || length < 1 || length != 4 + 2 * body[0])
            return finish(Structure::Damaged);
        if (++layout_.scans > kMaxScans)
            return finish(Structure::TooManyScans);
        int blocks = 0;  // the scan's share of the picture's blocks
        for (int s = 0; s < body[0]; ++s) {
            const uchar id = body[1 + 2 * s];
            for (int c = 0; c < layout_.components; ++c) {
                if (ids_[c] == id) {
                    scanned_[c] = true;
                    blocks += blocks_[c];
                }
            }
        }
        const uchar* spectral = body + 1 + 2 * body[0];  // Ss, Se, Ah/Al
        if (!work_.add(blocks, spectral[0], spectral[1], spectral[2] >> 4))
            return finish(Structure::TooManyScans);
        if (!skipCodedData())
            return finish(Structure::Damaged);
        return true;
    }

    bool endOfImage()
    {
        if (!framed_ || layout_.scans == 0)
            return finish(Structure::Damaged);
        // Each component of a sequential JPEG is sent whole in one scan: a
        // component in no scan was cut off. (A progressive JPEG's bands are
        // checked by the decoder, coefficient by coefficient.)
        if (!layout_.progressive) {
            for (int c = 0; c < layout_.components; ++c) {
                if (!scanned_[c])
                    return finish(Structure::Damaged);
            }
        }
        layout_.end = pos_;
        return finish(Structure::Whole);
    }

    // The blocks before the first scan that the picture's reader uses: the
    // EXIF orientation and the ICC profile, as Qt's JPEG reader takes them.
    void metadata(uchar marker, const uchar* body, qint64 length)
    {
        if (marker == kApp1 && !exifSeen_ && length >= 6 && std::memcmp(body, "Exif\0\0", 6) == 0) {
            exifSeen_ = true;
            const int orientation = exifOrientation(body + 6, length - 6);
            if (orientation > 0)
                layout_.orientation = orientation;
        } else if (marker == kApp2 && length > 128 + 4 + 14 && std::memcmp(body, "ICC_PROFILE\0", 12) == 0) {
            if (iccTooLarge_ || layout_.iccProfile.size() + length > kMostIccBytes) {
                iccTooLarge_ = true;
                layout_.iccProfile.clear();
            } else {
                layout_.iccProfile.append(reinterpret_cast<const char*>(body) + 14, static_cast<int>(length - 14));
            }
        }
    }

    // Ends the walk with `structure`: what breaks off before a frame header
    // leaves no size to check.
    bool finish(Structure structure)
    {
        layout_.structure = !framed_ && structure == Structure::Damaged ? Structure::NoFrame : structure;
        return false;
    }

    Input& input_;
    const Extent extent_;
    Layout layout_;
    qint64 pos_ = 0;
    bool framed_ = false;
    bool exifSeen_ = false;
    bool iccTooLarge_ = false;
    uchar ids_[4] = {};
    bool scanned_[4] = {};
    // Sampling factors multiplied, per component.
    int blocks_[4] = {};
    ScanWork work_;
};

}  // namespace

void ScanWork::start(bool progressive, int allBlocks)
{
    progressive_ = progressive;
    allBlocks_ = allBlocks;
    blockPasses_ = 0;
    refinedCoefficients_ = 0;
}

bool ScanWork::add(int blocks, int first, int last, int ah)
{
    last = std::min(last, 63);
    if (!progressive_ || first == 0) {
        blockPasses_ += blocks;
        return blockPasses_ <= kMaxBlockPasses * allBlocks_;
    }
    if (ah != 0 && last >= first)
        refinedCoefficients_ += static_cast<qint64>(blocks) * (last - first + 1);
    return refinedCoefficients_ <= kMaxRefinements * 63 * allBlocks_;
}

Input::Input(const QByteArray& bytes) : window_(bytes) {}

Input::Input(QIODevice* device) : device_(device), start_(device ? device->pos() : 0) {}

bool Input::reach(qint64 end)
{
    if (end <= available())
        return true;
    if (!device_ || end > kMaxBytes)
        return false;
    // The released bytes leave the window; it keeps its room.
    if (released_ > base_) {
        const qint64 drop = std::min<qint64>(released_ - base_, window_.size());
        window_.remove(0, static_cast<int>(drop));
        base_ += drop;
    }
    while (available() < end) {
        const int have = window_.size();
        const qint64 want = std::max(end - available(), kRead);
        window_.resize(have + static_cast<int>(want));
        const qint64 n = device_->read(window_.data() + have, want);
        window_.resize(have + static_cast<int>(std::max<qint64>(0, n)));
        if (n <= 0)
            return false;
    }
    return true;
}

Layout walk(Input& input, Extent extent)
{
    return Walker(input, extent).run();
}

int exifOrientation(const uchar* tiff, qint64 length)
{
    if (length < 8)
        return 0;
    bool little;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        little = true;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        little = false;
    else
        return 0;
    auto u16 = [&](qint64 at) -> int {
        return little ? tiff[at] | (tiff[at + 1] << 8) : (tiff[at] << 8) | tiff[at + 1];
    };
    auto u32 = [&](qint64 at) -> qint64 {
        return little ? static_cast<qint64>(u16(at)) | (static_cast<qint64>(u16(at + 2)) << 16)
                      : (static_cast<qint64>(u16(at)) << 16) | u16(at + 2);
    };
    if (u16(2) != 42)
        return 0;
    qint64 read = 8;  // where the reader stands: directories only go forward
    qint64 offset = u32(4);
    // EXIF 2.3 has at most 5 directories; a few more are allowed.
    for (int directory = 0; directory < 10; ++directory) {
        if (offset < read || offset + 2 > length)
            return 0;
        const int entries = u16(offset);
        qint64 at = offset + 2;
        for (int e = 0; e < entries; ++e, at += 12) {
            if (at + 12 > length)
                return 0;
            if (u16(at) != 0x0112)
                continue;
            const int type = u16(at + 2);
            const qint64 count = u32(at + 4);
            const int value = u16(at + 8);
            return type == 3 && count == 1 && value >= 1 && value <= 8 ? value : 0;
        }
        if (at + 4 > length)
            return 0;
        read = at + 4;
        offset = u32(at);
        if (offset == 0)
            return 0;
    }
    return 0;
}

}  // namespace platform::jpeg
