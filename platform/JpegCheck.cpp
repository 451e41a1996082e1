#include "platform/JpegCheck.h"

#include <QIODevice>

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

// jpeglib.h needs FILE and size_t declared before it.
#include <jerror.h>
#include <jpeglib.h>

namespace platform::jpeg {

namespace {

constexpr int kChunk = 64 * 1024;

struct Source {
    jpeg_source_mgr manager;
    QIODevice* device;
    JOCTET buffer[kChunk];
};

void initSource(j_decompress_ptr) {}

boolean fillBuffer(j_decompress_ptr info)
{
    auto* source = reinterpret_cast<Source*>(info->src);
    const qint64 n = source->device->read(reinterpret_cast<char*>(source->buffer), kChunk);
    if (n <= 0) {
        // The library's own answer to a file that ends early: a warning and
        // a made-up end-of-image marker.
        WARNMS(info, JWRN_JPEG_EOF);
        source->buffer[0] = 0xFF;
        source->buffer[1] = JPEG_EOI;
        source->manager.bytes_in_buffer = 2;
    } else {
        source->manager.bytes_in_buffer = static_cast<size_t>(n);
    }
    source->manager.next_input_byte = source->buffer;
    return TRUE;
}

void skipInput(j_decompress_ptr info, long count)
{
    auto* source = reinterpret_cast<Source*>(info->src);
    while (count > static_cast<long>(source->manager.bytes_in_buffer)) {
        count -= static_cast<long>(source->manager.bytes_in_buffer);
        fillBuffer(info);
    }
    source->manager.next_input_byte += count;
    source->manager.bytes_in_buffer -= static_cast<size_t>(count);
}

void termSource(j_decompress_ptr) {}

struct Errors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    int damage;  // warnings that tell of missing or corrupt data
};

void failed(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<Errors*>(info->err)->jump, 1);
}

// Level -1 is a warning; the others are traces. Only warnings of missing or
// corrupt data count: an unknown JFIF revision or extra bytes before a
// marker leave the picture whole.
void message(j_common_ptr info, int level)
{
    if (level >= 0)
        return;
    auto* errors = reinterpret_cast<Errors*>(info->err);
    switch (errors->manager.msg_code) {
    case JWRN_HIT_MARKER:
    case JWRN_JPEG_EOF:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION: ++errors->damage; break;
    default: break;
    }
}

void setUp(jpeg_decompress_struct& info, Errors& errors, Source& source, QIODevice* device)
{
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = failed;
    errors.manager.emit_message = message;
    errors.damage = 0;
    jpeg_create_decompress(&info);
    source.device = device;
    source.manager.init_source = initSource;
    source.manager.fill_input_buffer = fillBuffer;
    source.manager.skip_input_data = skipInput;
    source.manager.resync_to_restart = jpeg_resync_to_restart;
    source.manager.term_source = termSource;
    source.manager.bytes_in_buffer = 0;
    source.manager.next_input_byte = nullptr;
    info.src = &source.manager;
}

// Every coefficient of every component was refined down to its last bit.
bool everyCoefficientComplete(const jpeg_decompress_struct& info)
{
    if (!info.progressive_mode)
        return true;
    if (!info.coef_bits)
        return false;
    for (int c = 0; c < info.num_components; ++c) {
        for (int k = 0; k < DCTSIZE2; ++k) {
            if (info.coef_bits[c][k] != 0)
                return false;
        }
    }
    return true;
}

// The functions that call setjmp hold only plain data, and nothing is
// changed between setjmp and a longjmp that is read after it.
bool headerOf(jpeg_decompress_struct& info, Errors& errors)
{
    if (setjmp(errors.jump))
        return false;
    return jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK;
}

bool decodeAll(jpeg_decompress_struct& info, Errors& errors, JSAMPROW row, size_t rowBytes)
{
    if (setjmp(errors.jump))
        return false;
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK)
        return false;
    info.scale_num = 1;
    info.scale_denom = 8;
    info.dct_method = JDCT_IFAST;
    info.do_fancy_upsampling = FALSE;
    // One output component is enough: every component is still decoded.
    switch (info.jpeg_color_space) {
    case JCS_CMYK:
    case JCS_YCCK: info.out_color_space = JCS_CMYK; break;
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB: info.out_color_space = JCS_GRAYSCALE; break;
    default: break;
    }
    if (!jpeg_start_decompress(&info))
        return false;
    if (static_cast<size_t>(info.output_width) * static_cast<size_t>(info.output_components) > rowBytes)
        return false;
    // A progressive picture has read all of its scans by now.
    if (!everyCoefficientComplete(info))
        return false;
    while (info.output_scanline < info.output_height) {
        if (jpeg_read_scanlines(&info, &row, 1) != 1)
            return false;
    }
    return jpeg_finish_decompress(&info) && errors.damage == 0;
}

}  // namespace

Header readHeader(QIODevice* device)
{
    Header header;
    if (!device)
        return header;
    auto source = std::make_unique<Source>();
    Errors errors;
    jpeg_decompress_struct info;
    setUp(info, errors, *source, device);
    if (headerOf(info, errors)) {
        header.ok = true;
        header.size = QSize(static_cast<int>(std::min<JDIMENSION>(info.image_width, INT_MAX)),
                            static_cast<int>(std::min<JDIMENSION>(info.image_height, INT_MAX)));
        header.components = info.num_components;
        header.progressive = info.progressive_mode;
    }
    jpeg_destroy_decompress(&info);
    return header;
}

qint64 coefficientBytes(const Header& header)
{
    if (!header.progressive)
        return 0;
    return static_cast<qint64>(header.size.width()) * header.size.height() * header.components * 2;
}

bool whole(QIODevice* device)
{
    if (!device)
        return false;
    auto source = std::make_unique<Source>();
    Errors errors;
    jpeg_decompress_struct info;
    setUp(info, errors, *source, device);
    // A row at an eighth of the widest JPEG (65535), in up to four components.
    std::vector<JSAMPLE> row(4 * (65535 / 8 + 1));
    const bool complete = decodeAll(info, errors, row.data(), row.size());
    jpeg_destroy_decompress(&info);
    return complete;
}

}  // namespace platform::jpeg
