#include "platform/JpegCheck.h"

#include <QColorSpace>
#include <QIODevice>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>

// jpeglib.h needs FILE and size_t declared before it.
#include <jerror.h>
#include <jpeglib.h>

namespace platform::jpeg {

namespace {

constexpr int kRead = 64 * 1024;

// The JPEG read again from a device, up to its end-of-image marker.
struct Stream {
    jpeg_source_mgr manager;
    QIODevice* device;
    qint64 left;  // bytes up to the end-of-image marker not read yet
    JOCTET buffer[kRead];
};

void initSource(j_decompress_ptr) {}

boolean fillBuffer(j_decompress_ptr info)
{
    auto* stream = reinterpret_cast<Stream*>(info->src);
    const qint64 n = stream->left > 0 ? stream->device->read(reinterpret_cast<char*>(stream->buffer),
                                                             std::min<qint64>(kRead, stream->left))
                                      : 0;
    if (n <= 0) {
        // The library's own answer to bytes that end early: a warning and a
        // made-up end-of-image marker.
        WARNMS(info, JWRN_JPEG_EOF);
        stream->buffer[0] = 0xFF;
        stream->buffer[1] = JPEG_EOI;
        stream->manager.bytes_in_buffer = 2;
    } else {
        stream->left -= n;
        stream->manager.bytes_in_buffer = static_cast<size_t>(n);
    }
    stream->manager.next_input_byte = stream->buffer;
    return TRUE;
}

void skipInput(j_decompress_ptr info, long count)
{
    auto* stream = reinterpret_cast<Stream*>(info->src);
    while (count > static_cast<long>(stream->manager.bytes_in_buffer)) {
        count -= static_cast<long>(stream->manager.bytes_in_buffer);
        fillBuffer(info);
    }
    stream->manager.next_input_byte += count;
    stream->manager.bytes_in_buffer -= static_cast<size_t>(count);
}

void termSource(j_decompress_ptr) {}

void streamFrom(jpeg_decompress_struct& info, Stream& stream, QIODevice* device, qint64 length)
{
    stream.device = device;
    stream.left = length;
    stream.manager.init_source = initSource;
    stream.manager.fill_input_buffer = fillBuffer;
    stream.manager.skip_input_data = skipInput;
    stream.manager.resync_to_restart = jpeg_resync_to_restart;
    stream.manager.term_source = termSource;
    stream.manager.bytes_in_buffer = 0;
    stream.manager.next_input_byte = nullptr;
    info.src = &stream.manager;
}

// Called by libjpeg before it reads on (each row, each scan), so before the
// first row of each scan: a scan beyond the number the walk counted, or one
// whose work goes beyond the bounds (a file changed since its walk), ends
// the decode.
struct Progress {
    jpeg_progress_mgr manager;
    int scans;
    int seen;  // the scans whose work was added
    ScanWork work;
};

void watchScans(j_common_ptr info)
{
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    auto* progress = reinterpret_cast<Progress*>(info->progress);
    const int scan = decompress->input_scan_number;
    if (scan > progress->scans)
        (*info->err->error_exit)(info);
    if (scan <= progress->seen)
        return;
    progress->seen = scan;
    int blocks = 0;
    for (int c = 0; c < decompress->comps_in_scan; ++c)
        blocks += decompress->cur_comp_info[c]->h_samp_factor * decompress->cur_comp_info[c]->v_samp_factor;
    if (!progress->work.add(blocks, decompress->Ss, decompress->Se, decompress->Ah))
        (*info->err->error_exit)(info);
}

// The bounds of the work start from the frame header that libjpeg read.
void startWork(const jpeg_decompress_struct& info, Progress& progress)
{
    int allBlocks = 0;
    for (int c = 0; c < info.num_components; ++c)
        allBlocks += info.comp_info[c].h_samp_factor * info.comp_info[c].v_samp_factor;
    progress.work.start(info.progressive_mode, allBlocks);
}

struct Errors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    int lost;  // warnings that tell of lost data
};

void failed(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<Errors*>(info->err)->jump, 1);
}

void quiet(j_common_ptr) {}

// Level -1 is a warning; the others are traces. Only warnings of lost data
// count. Others leave the picture exact: an unknown JFIF revision, extra
// bytes before a marker, odd spectral bytes in the header of a sequential
// scan ("Invalid SOS parameters", decoded whole all the same), a progression
// that refines a band again (the scan limit bounds what that costs).
void message(j_common_ptr info, int level)
{
    if (level >= 0)
        return;
    auto* errors = reinterpret_cast<Errors*>(info->err);
    switch (errors->manager.msg_code) {
    case JWRN_HIT_MARKER:     // a scan cut short: "premature end of data segment"
    case JWRN_JPEG_EOF:       // the data ends before its end-of-image marker
    case JWRN_HUFF_BAD_CODE:  // corrupt coded data
    case JWRN_MUST_RESYNC:    // a restart marker lost: rows skipped or repeated
        ++errors->lost;
        break;
    default: break;
    }
}

// The colour the decoder writes: 4 bytes in QImage::Format_RGB32's order
// (0xFFRRGGBB in memory order) for colour, one byte for grey, the CMYK
// samples for CMYK and YCCK (converted row by row).
J_COLOR_SPACE outputSpace(const jpeg_decompress_struct& info, bool pixels)
{
    switch (info.jpeg_color_space) {
    case JCS_CMYK:
    case JCS_YCCK: return JCS_CMYK;
    case JCS_GRAYSCALE: return JCS_GRAYSCALE;
    default: break;
    }
    if (!pixels)
        return JCS_GRAYSCALE;  // one channel to judge: every component is still decoded
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    return JCS_EXT_BGRX;
#else
    return JCS_EXT_XRGB;
#endif
}

// The functions that call setjmp hold only plain data, and nothing they
// change between setjmp and a longjmp is read after it.

bool prepare(jpeg_decompress_struct& info, Errors& errors, const Decode& decode)
{
    if (setjmp(errors.jump))
        return false;
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK)
        return false;
    info.out_color_space = outputSpace(info, decode.pixels);
    info.scale_num = 1;
    if (decode.pixels) {
        // What Qt's JPEG reader uses at its default quality (libjpeg's
        // defaults): the accurate integer DCT and smooth upsampling.
        info.scale_denom = static_cast<unsigned int>(decode.scaleDenom);
        info.dct_method = JDCT_ISLOW;
        info.do_fancy_upsampling = TRUE;
    } else {
        info.scale_denom = 8;
        info.dct_method = JDCT_IFAST;
        info.do_fancy_upsampling = FALSE;
    }
    jpeg_calc_output_dimensions(&info);
    return true;
}

// Every coefficient of every component was refined down to its last bit.
bool everyCoefficientComplete(const jpeg_decompress_struct& info)
{
    if (!info.progressive_mode)
        return true;  // the walk saw every component in a scan
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

// CMYK as Qt's reader turns it into RGB: the samples as libjpeg gives them
// (Adobe's files store them inverted), each channel times black / 255.
void cmykToRgb(const JSAMPLE* in, QRgb* out, JDIMENSION width)
{
    for (JDIMENSION x = 0; x < width; ++x, in += 4) {
        const int k = in[3];
        out[x] = qRgb(k * in[0] / 255, k * in[1] / 255, k * in[2] / 255);
    }
}

// Decodes every row: into `bits` (rows `stride` apart) when given, else into
// a row of the library's own that is dropped.
bool readRows(jpeg_decompress_struct& info, Errors& errors, uchar* bits, qsizetype stride)
{
    if (setjmp(errors.jump))
        return false;
    if (!jpeg_start_decompress(&info))
        return false;
    // A progressive picture has read all of its scans by now.
    if (!everyCoefficientComplete(info))
        return false;
    const bool convert = info.out_color_space == JCS_CMYK && bits;
    JSAMPARRAY scratch = nullptr;
    if (convert || !bits)
        scratch = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                            info.output_width * static_cast<JDIMENSION>(info.output_components), 1);
    while (info.output_scanline < info.output_height) {
        const JDIMENSION y = info.output_scanline;
        JSAMPROW row = scratch ? scratch[0] : reinterpret_cast<JSAMPROW>(bits + static_cast<qsizetype>(y) * stride);
        if (jpeg_read_scanlines(&info, &row, 1) != 1)
            return false;
        if (convert)
            cmykToRgb(row, reinterpret_cast<QRgb*>(bits + static_cast<qsizetype>(y) * stride), info.output_width);
    }
    return jpeg_finish_decompress(&info) && errors.lost == 0;
}

// Dots per metre from the JFIF density, as Qt's reader sets them.
void setDensity(const jpeg_decompress_struct& info, QImage& image)
{
    if (info.density_unit == 1) {
        image.setDotsPerMeterX(static_cast<int>(100. * info.X_density / 2.54));
        image.setDotsPerMeterY(static_cast<int>(100. * info.Y_density / 2.54));
    } else if (info.density_unit == 2) {
        image.setDotsPerMeterX(static_cast<int>(100. * info.X_density));
        image.setDotsPerMeterY(static_cast<int>(100. * info.Y_density));
    }
}

// The picture libjpeg will write, allocated; null when it cannot be.
QImage outputImage(const jpeg_decompress_struct& info)
{
    const QImage::Format format = info.out_color_space == JCS_GRAYSCALE ? QImage::Format_Grayscale8
                                                                        : QImage::Format_RGB32;
    if (info.output_components != (format == QImage::Format_Grayscale8 ? 1 : 4))
        return QImage();
    return QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height), format);
}

}  // namespace

QSize scaledSize(const QSize& size, int denom)
{
    return QSize((size.width() + denom - 1) / denom, (size.height() + denom - 1) / denom);
}

qint64 decodeBytes(const Layout& layout, const Decode& decode)
{
    const QSize out = scaledSize(layout.size, decode.pixels ? decode.scaleDenom : 8);
    const qint64 output = static_cast<qint64>(out.width()) * out.height() * (decode.pixels ? 4 : 1);
    if (!layout.progressive && layout.scans <= 1)
        return output;
    return output + static_cast<qint64>(layout.size.width()) * layout.size.height() * layout.components * 2;
}

bool decode(const Input& input, const Layout& layout, const Decode& decode, QImage* image)
{
    if (layout.structure != Structure::Whole || layout.end <= 0 || (decode.pixels && !image))
        return false;
    if (!input.device() && layout.end > input.bytes().size())
        return false;
    if (input.device() && !input.device()->seek(input.start()))
        return false;
    Errors errors;
    jpeg_decompress_struct info;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = failed;
    errors.manager.emit_message = message;
    errors.manager.output_message = quiet;
    errors.lost = 0;
    jpeg_create_decompress(&info);
    auto stream = std::make_unique<Stream>();
    if (input.device())
        streamFrom(info, *stream, input.device(), layout.end);
    else
        jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(input.bytes().constData()),
                     static_cast<unsigned long>(layout.end));
    Progress progress{};
    progress.manager.progress_monitor = watchScans;
    progress.scans = layout.scans;
    info.progress = &progress.manager;

    bool whole = prepare(info, errors, decode);
    if (whole)
        startWork(info, progress);
    QImage picture;
    if (whole && decode.pixels) {
        picture = outputImage(info);
        whole = !picture.isNull();
    }
    if (whole)
        whole = readRows(info, errors, decode.pixels ? picture.bits() : nullptr, picture.bytesPerLine());
    if (whole && decode.pixels) {
        setDensity(info, picture);
        if (!layout.iccProfile.isEmpty())
            picture.setColorSpace(QColorSpace::fromIccProfile(layout.iccProfile));
        *image = picture;
    }
    jpeg_destroy_decompress(&info);
    return whole;
}

}  // namespace platform::jpeg
