// The one door for reading pictures: what a hostile file gets from each of
// its ways in (header, whole check, whole read, thumbnail read), and that no
// oversized declaration is ever decoded.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <sys/resource.h>

#include <cstdio>
#include <cstring>

#include "platform/DecodeBudget.h"
#include "platform/JpegCheck.h"
#include "platform/JpegWalk.h"
#include "platform/PictureFile.h"
#include "support/ChildRun.h"
#include "support/HostilePictures.h"
#include "support/JpegScans.h"
#include "support/TestEnv.h"

namespace {

using platform::PictureVerdict;

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The size a thumbnail of a picture of `upright` size fits in 64 x 64.
QSize fitted64(const QSize& upright)
{
    return upright.width() > upright.height() ? QSize(64, upright.height() * 64 / upright.width())
                                              : QSize(upright.width() * 64 / upright.height(), 64);
}

TEST(PictureSizeLimit, PixelsAndSides)
{
    EXPECT_TRUE(platform::pictureSizeAllowed(QSize(10000, 10000)));
    EXPECT_FALSE(platform::pictureSizeAllowed(QSize(10000, 10001)));
    EXPECT_TRUE(platform::pictureSizeAllowed(QSize(30000, 3000)));
    EXPECT_FALSE(platform::pictureSizeAllowed(QSize(30001, 1)));
    EXPECT_FALSE(platform::pictureSizeAllowed(QSize(1, 30001)));
    EXPECT_FALSE(platform::pictureSizeAllowed(QSize()));
}

TEST(PictureFile, HostileFilesTable)
{
    const QString dir = testenv::appDataRoot() + QStringLiteral("/picture-file");
    QDir(dir).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(dir + QStringLiteral("/folder.png")));
    const QByteArray wholePng = hostile::png(300, 200);
    const QByteArray wholeJpeg = hostile::jpeg(300, 200);
    const QByteArray progressive = hostile::jpegProgressive(300, 200);
    ASSERT_EQ(jpegscans::starts(progressive).size(), 10u) << "libjpeg's script for colour";
    const QByteArray wholeBmp = hostile::bmp(300, 200);
    const QByteArray rle = hostile::bmpRle8(300, 200);
    const QByteArray inner = hostile::png(600, 400);
    const QByteArray tiff = hostile::encoded(300, 200, "TIFF");
    const QByteArray webp = hostile::encoded(300, 200, "WEBP");
    ASSERT_FALSE(tiff.isEmpty());
    ASSERT_FALSE(webp.isEmpty());
    const QByteArray perComponent = hostile::jpegScanPerComponent(300, 200);
    const QByteArray arithmetic = hostile::jpegArithmetic(300, 200);
    const int kMaxScans = platform::jpeg::kMaxScans;

    struct Case {
        Case(const char* n, const QByteArray& b, PictureVerdict h, PictureVerdict w, QSize r, QSize u = QSize())
            : name(n), bytes(b), header(h), whole(w), read(r), upright(u.isEmpty() ? r : u)
        {
        }
        const char* name;
        QByteArray bytes;  // null: not written (a folder or nothing)
        PictureVerdict header;
        PictureVerdict whole;
        QSize read;     // of readPicture; empty: null
        QSize upright;  // turned by its EXIF orientation (thumbnails are)
    };
    const PictureVerdict Ok = PictureVerdict::Ok;
    const PictureVerdict Damaged = PictureVerdict::Damaged;
    const PictureVerdict NotPicture = PictureVerdict::NotPicture;
    const PictureVerdict TooLarge = PictureVerdict::TooLarge;
    const Case cases[] = {
        {"page.png", wholePng, Ok, Ok, {300, 200}},
        {"deep.png", hostile::png16(300, 200), Ok, Ok, {300, 200}},
        {"photo.jpg", wholeJpeg, Ok, Ok, {300, 200}},
        {"progressive.jpg", progressive, Ok, Ok, {300, 200}},
        {"cmyk.jpg", hostile::jpegCmyk(300, 200), Ok, Ok, {300, 200}},
        {"cmyk-progressive.jpg", hostile::jpegCmyk(300, 200, true), Ok, Ok, {300, 200}},
        {"grey-progressive.jpg", hostile::jpegGrey(300, 200, true), Ok, Ok, {300, 200}},
        {"grey.jpg", hostile::jpegGrey(300, 200), Ok, Ok, {300, 200}},
        {"per-component.jpg", perComponent, Ok, Ok, {300, 200}},
        // Odd bytes in a header that libjpeg warns of and decodes exactly, and
        // a band sent again as many times as the scan limit allows.
        {"zero-spectral.jpg", hostile::jpegZeroSpectral(300, 200), Ok, Ok, {300, 200}},
        {"scans-at-limit.jpg", hostile::jpegScans(300, 200, kMaxScans), Ok, Ok, {300, 200}},
        // Scans sent again up to the bounds of the work (JpegWorkIsBounded).
        {"dc-passes-at-limit.jpg", jpegscans::repeated(progressive, 0, 11), Ok, Ok, {300, 200}},
        {"sequential-passes-at-limit.jpg", jpegscans::repeated(perComponent, 0, 6), Ok, Ok, {300, 200}},
        // A phone photo stored sideways: its thumbnail stands upright.
        {"turned.jpg", hostile::jpegWithOrientation(hostile::jpeg(200, 100), 6), Ok, Ok, {200, 100}, {100, 200}},
        // Phones append a motion-photo video or a metadata block after the
        // end marker; it holds start-of-scan bytes by chance.
        {"motion.jpg", wholeJpeg + hostile::randomTrailer(3 << 20), Ok, Ok, {300, 200}},
        {"metadata.jpg", wholeJpeg + QByteArray("\0\0MakerTrailer\xFF\xDA\x01\x02", 18), Ok, Ok, {300, 200}},
        {"png-named.jpg", wholePng, Ok, Ok, {300, 200}},
        {"picture.bmp", wholeBmp, Ok, Ok, {300, 200}},
        {"top-down.bmp", hostile::bmpTopDown(300, 200), Ok, Ok, {300, 200}},
        {"rle.bmp", rle, Ok, Ok, {300, 200}},
        {"bomb.png", hostile::pngDeclaring(12000, 12000), TooLarge, TooLarge, {}},
        {"bomb.jpg", hostile::jpegDeclaring(12000, 12000), TooLarge, TooLarge, {}},
        {"long-side.png", hostile::pngDeclaring(30001, 2), TooLarge, TooLarge, {}},
        {"cut.png", hostile::cut(wholePng, wholePng.size() / 2), Ok, Damaged, {}},
        {"cut.jpg", hostile::cut(wholeJpeg, wholeJpeg.size() * 2 / 3), Ok, Damaged, {}},
        {"cut-with-end.jpg", hostile::jpegCutWithEnd(wholeJpeg, 60), Ok, Damaged, {}},
        {"cut-progressive.jpg", hostile::jpegCutWithEnd(progressive, 70), Ok, Damaged, {}},
        {"first-scan-only.jpg", hostile::jpegFirstScanOnly(progressive), Ok, Damaged, {}},
        {"first-component-only.jpg", hostile::jpegFirstScanOnly(perComponent), Ok, Damaged, {}},
        // One scan more than the limit: refused before any decoding.
        {"scan-bomb.jpg", hostile::jpegScans(300, 200, kMaxScans + 1), Ok, Damaged, {}},
        // One pass over the blocks or one refinement of the luma more than the
        // bounds allow: refused though the scans are few.
        {"dc-pass-bomb.jpg", jpegscans::repeated(progressive, 0, 12), Ok, Damaged, {}},
        {"refinement-bomb.jpg", jpegscans::repeated(progressive, 9, 13), Ok, Damaged, {}},
        {"sequential-pass-bomb.jpg", jpegscans::repeated(perComponent, 0, 7), Ok, Damaged, {}},
        // Arithmetic coding is not read, whole or cut (libjpeg pads a cut
        // one with zeros without a warning).
        {"arithmetic.jpg", arithmetic, NotPicture, NotPicture, {}},
        {"cut-arithmetic.jpg", hostile::jpegCutWithEnd(arithmetic, 50), NotPicture, NotPicture, {}},
        {"cut.bmp", hostile::cut(wholeBmp, wholeBmp.size() / 3), Ok, Damaged, {}},
        {"cut-rle.bmp", hostile::cut(rle, rle.size() / 2), Ok, Damaged, {}},
        // Containers that declare a small size and hold a larger PNG, and
        // the formats the door does not read, whatever their names.
        {"icon.png", hostile::icoHolding(inner), NotPicture, NotPicture, {}},
        {"drawing.png", hostile::svgShowing(inner), NotPicture, NotPicture, {}},
        {"animation.png", hostile::gif(), NotPicture, NotPicture, {}},
        {"scan.png", tiff, NotPicture, NotPicture, {}},
        {"web.jpg", webp, NotPicture, NotPicture, {}},
        {"empty.png", QByteArray(""), NotPicture, NotPicture, {}},
        {"text.png", QByteArray("not a picture\n"), NotPicture, NotPicture, {}},
        {"folder.png", QByteArray(), PictureVerdict::NotFound, PictureVerdict::NotFound, {}},
        {"missing.png", QByteArray(), PictureVerdict::NotFound, PictureVerdict::NotFound, {}},
    };

    const long before = peakKilobytes();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir + QLatin1Char('/') + QString::fromLatin1(c.name);
        if (!c.bytes.isNull()) {
            ASSERT_TRUE(hostile::write(path, c.bytes));
        }

        EXPECT_EQ(platform::inspectPicture(path).verdict, c.header);
        EXPECT_EQ(platform::verifyPicture(path), c.whole);
        if (!c.bytes.isNull()) {
            EXPECT_EQ(platform::inspectPictureData(c.bytes).verdict,
                      c.header == PictureVerdict::NotFound ? PictureVerdict::NotPicture : c.header);
            QImage decoded;
            EXPECT_EQ(platform::verifyPictureData(c.bytes, nullptr, &decoded), c.whole);
            EXPECT_EQ(decoded.isNull() ? QSize() : decoded.size(), c.read);
            const QImage fromBytes = platform::readPictureData(c.bytes, QString::fromLatin1(c.name));
            EXPECT_EQ(fromBytes.isNull() ? QSize() : fromBytes.size(), c.read);
        }

        QString refusal;
        const QImage whole = platform::readPicture(path, &refusal);
        EXPECT_EQ(whole.isNull() ? QSize() : whole.size(), c.read);
        // Only a refusal for size is the user's to hear of, and it names the file.
        EXPECT_EQ(refusal.isEmpty(), c.header != PictureVerdict::TooLarge) << refusal.toStdString();
        if (!refusal.isEmpty()) {
            EXPECT_TRUE(refusal.contains(path)) << refusal.toStdString();
        }

        const QImage thumbnail = platform::readPictureScaled(path, QSize(64, 64));
        EXPECT_EQ(thumbnail.isNull() ? QSize() : thumbnail.size(), c.upright.isEmpty() ? QSize() : fitted64(c.upright));
    }
    // 12000 x 12000 decoded would take 550 MB or more.
    EXPECT_LT(peakKilobytes() - before, 200 * 1024);
}

// A file found to be an ICO or SVG is never handed to a decoder, so the
// picture inside (here 5000 x 5000, 100 MB decoded) costs nothing. Measured
// in a process of its own, whose address space is bounded besides.
TEST(PictureFile, LyingContainersAreNeverDecoded)
{
    if (childrun::sanitized())
        GTEST_SKIP() << "peak memory and address-space limits mean nothing under AddressSanitizer";
    if (childrun::inChild()) {
        ASSERT_TRUE(childrun::limitAddressSpace(1LL << 30));
        const QString dir = childrun::value(QStringLiteral("PICTURE_DIR"));
        const long long before = childrun::peakResidentBytes();
        for (const char* name : {"icon.png", "drawing.png"}) {
            SCOPED_TRACE(name);
            const QString path = dir + QLatin1Char('/') + QString::fromLatin1(name);
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            EXPECT_EQ(platform::verifyPicture(path), PictureVerdict::NotPicture);
            EXPECT_EQ(platform::verifyPictureData(bytes), PictureVerdict::NotPicture);
            EXPECT_TRUE(platform::readPicture(path).isNull());
            EXPECT_TRUE(platform::readPictureData(bytes, path).isNull());
            EXPECT_TRUE(platform::readPictureScaled(path, QSize(64, 64)).isNull());
        }
        const long long grown = childrun::peakResidentBytes() - before;
        std::printf("peak memory grew by %lld KiB\n", grown / 1024);
        EXPECT_LT(grown, 32LL << 20);
        return;
    }
    const QString dir = testenv::appDataRoot() + QStringLiteral("/lying");
    const QByteArray inner = hostile::plainPng(5000, 5000);
    ASSERT_TRUE(hostile::write(dir + QStringLiteral("/icon.png"), hostile::icoHolding(inner)));
    ASSERT_TRUE(hostile::write(dir + QStringLiteral("/drawing.png"), hostile::svgShowing(inner)));
    childrun::setValue(QStringLiteral("PICTURE_DIR"), dir);
    QString output;
    EXPECT_EQ(childrun::runThisTest(&output), 0) << output.toStdString();
}

TEST(PictureFile, JpegCutShortIsDamagedThoughItsDecoderPadsIt)
{
    const QByteArray whole = hostile::jpeg(400, 300);
    const QByteArray cut = hostile::cut(whole, whole.size() * 2 / 3);
    // Qt's decoder alone pads the missing rows with grey and calls it a
    // picture; the door does not.
    QBuffer buffer;
    buffer.setData(cut);
    buffer.open(QIODevice::ReadOnly);
    EXPECT_FALSE(QImageReader(&buffer, "jpeg").read().isNull());
    EXPECT_TRUE(platform::readPictureData(cut, QStringLiteral("cut.jpg")).isNull());
    EXPECT_EQ(platform::verifyPictureData(cut), PictureVerdict::Damaged);
    EXPECT_EQ(platform::verifyPictureData(whole), PictureVerdict::Ok);
}

// The door decodes a JPEG itself, in one pass; the picture is the one Qt's
// reader gives, pixel for pixel: colour (subsampled chroma, an odd size),
// grey, CMYK (Adobe's inverted samples), progressive, a header libjpeg warns
// of, and a sideways photo turned upright.
TEST(PictureFile, JpegReadEqualsQtsReader)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        bool autoTransform;
    };
    const Case cases[] = {
        {"colour", hostile::jpeg(301, 203), false},
        {"grey", hostile::jpegGrey(300, 200), false},
        {"cmyk", hostile::jpegCmyk(300, 200), false},
        {"progressive", hostile::jpegProgressive(300, 200), false},
        {"zero-spectral", hostile::jpegZeroSpectral(300, 200), false},
        {"turned", hostile::jpegWithOrientation(hostile::jpeg(200, 100), 6), true},
    };
    const QString dir = testenv::appDataRoot() + QStringLiteral("/picture-equal");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir + QLatin1Char('/') + QString::fromLatin1(c.name) + QStringLiteral(".jpg");
        ASSERT_TRUE(hostile::write(path, c.bytes));
        QImageReader reader(path, "jpeg");
        reader.setAutoTransform(c.autoTransform);
        const QImage bare = reader.read();
        ASSERT_FALSE(bare.isNull());
        const QImage door = platform::readPicture(path, nullptr, c.autoTransform);
        ASSERT_EQ(door.format(), bare.format());
        ASSERT_EQ(door.size(), bare.size());
        const int rowBytes = bare.width() * bare.depth() / 8;
        for (int y = 0; y < bare.height(); ++y) {
            ASSERT_EQ(std::memcmp(door.constScanLine(y), bare.constScanLine(y), static_cast<size_t>(rowBytes)), 0)
                << "row " << y;
        }
    }
}

// The walk refuses a JPEG whose scans ask more work than real encoders write,
// before any decoding, and lets through what is at the bounds. Qt's
// progressive picture is libjpeg's script for a 4:2:0 picture: its two DC
// scans are two passes over the blocks, its refinements of the AC bands come
// to 5/3 of the picture's AC coefficients (each of the luma's two thirds).
TEST(PictureFile, JpegWorkIsBoundedBeforeDecoding)
{
    const QByteArray progressive = hostile::jpegProgressive(300, 200);
    const QByteArray perComponent = hostile::jpegScanPerComponent(300, 200);
    ASSERT_EQ(jpegscans::starts(progressive).size(), 10u);
    const QByteArray cmyk = hostile::jpegCmyk(300, 200, true);
    const QByteArray grey = hostile::jpegGrey(300, 200, true);
    ASSERT_EQ(jpegscans::starts(perComponent).size(), 3u);
    ASSERT_EQ(jpegscans::starts(cmyk).size(), 18u);
    ASSERT_EQ(jpegscans::starts(grey).size(), 6u);
    using platform::jpeg::Structure;
    const struct {
        const char* name;
        QByteArray bytes;
        Structure structure;
    } cases[] = {
        {"libjpeg's script", progressive, Structure::Whole},
        {"libjpeg's script for CMYK: each component refined twice", cmyk, Structure::Whole},
        {"libjpeg's script for grey: the luma refined twice", grey, Structure::Whole},
        {"a third DC pass", jpegscans::repeated(progressive, 0, 11), Structure::Whole},
        {"a fourth DC pass", jpegscans::repeated(progressive, 0, 12), Structure::TooManyScans},
        {"two luma refinements more: three in all", jpegscans::repeated(progressive, 9, 12), Structure::Whole},
        {"three luma refinements more", jpegscans::repeated(progressive, 9, 13), Structure::TooManyScans},
        {"first AC passes up to the scan limit", jpegscans::repeated(progressive, 4, platform::jpeg::kMaxScans),
         Structure::Whole},
        {"the luma sent four times: three passes", jpegscans::repeated(perComponent, 0, 6), Structure::Whole},
        {"the luma sent five times", jpegscans::repeated(perComponent, 0, 7), Structure::TooManyScans},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform::jpeg::Input input(c.bytes);
        EXPECT_EQ(platform::jpeg::walk(input, platform::jpeg::Extent::Whole).structure, c.structure);
    }
}

// The decode reads the file again after its walk; a file that gained scans
// in between (here: a walk that counted one fewer) is not decoded past the
// walk's count.
TEST(PictureFile, JpegDecodeStopsAtAScanBeyondItsWalk)
{
    const QByteArray bytes = hostile::jpegScans(300, 200, 12);
    QBuffer file;
    file.setData(bytes);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    platform::jpeg::Input input(&file);
    platform::jpeg::Layout layout = platform::jpeg::walk(input, platform::jpeg::Extent::Whole);
    ASSERT_EQ(layout.structure, platform::jpeg::Structure::Whole);
    ASSERT_EQ(layout.scans, 12);
    QImage image;
    platform::jpeg::Decode decode;
    decode.pixels = true;
    EXPECT_TRUE(platform::jpeg::decode(input, layout, decode, &image));
    EXPECT_EQ(image.size(), QSize(300, 200));
    layout.scans = 11;
    EXPECT_FALSE(platform::jpeg::decode(input, layout, decode, &image));
}

// A file changed after its walk into one of as many scans but more work
// (here: first AC passes become luma refinements) is not decoded past the
// bounds either. The picture is flat, so that every refinement sent again
// decodes without a warning.
TEST(PictureFile, JpegDecodeStopsAtWorkBeyondTheBounds)
{
    QImage flat(300, 200, QImage::Format_RGB32);
    flat.fill(QColor(200, 190, 170));
    QBuffer buffer;
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    ASSERT_TRUE(writer.write(flat));
    const QByteArray progressive = buffer.data();
    ASSERT_EQ(jpegscans::starts(progressive).size(), 10u);
    const QByteArray walked = jpegscans::repeated(progressive, 4, 14);   // first AC passes: within the bounds
    const QByteArray decoded = jpegscans::repeated(progressive, 9, 14);  // luma refinements: beyond them

    platform::jpeg::Decode decode;
    decode.pixels = true;
    QImage image;
    platform::jpeg::Input within(walked);
    const platform::jpeg::Layout layout = platform::jpeg::walk(within, platform::jpeg::Extent::Whole);
    ASSERT_EQ(layout.structure, platform::jpeg::Structure::Whole);
    EXPECT_TRUE(platform::jpeg::decode(within, layout, decode, &image));

    platform::jpeg::Input changed(decoded);
    platform::jpeg::Layout stale = layout;
    stale.end = decoded.size();
    EXPECT_FALSE(platform::jpeg::decode(changed, stale, decode, &image));
}

}  // namespace
