// The one door for reading pictures: what a hostile file gets from each of
// its ways in (header, whole check, whole read, thumbnail read), and that no
// oversized declaration is ever decoded.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>

#include <sys/resource.h>

#include "platform/PictureFile.h"
#include "support/HostilePictures.h"
#include "support/TestEnv.h"

namespace {

using platform::PictureVerdict;

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
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

    struct Case {
        const char* name;
        QByteArray bytes;  // null: not written (a folder or nothing)
        PictureVerdict header;
        PictureVerdict whole;
        QSize read;  // of readPicture; empty: null
    };
    const Case cases[] = {
        {"page.png", wholePng, PictureVerdict::Ok, PictureVerdict::Ok, {300, 200}},
        {"photo.jpg", wholeJpeg, PictureVerdict::Ok, PictureVerdict::Ok, {300, 200}},
        {"png-named.jpg", wholePng, PictureVerdict::Ok, PictureVerdict::Ok, {300, 200}},
        {"bomb.png", hostile::pngDeclaring(12000, 12000), PictureVerdict::TooLarge, PictureVerdict::TooLarge, {}},
        {"bomb.jpg", hostile::jpegDeclaring(12000, 12000), PictureVerdict::TooLarge, PictureVerdict::TooLarge, {}},
        {"long-side.png", hostile::pngDeclaring(30001, 2), PictureVerdict::TooLarge, PictureVerdict::TooLarge, {}},
        {"cut.png", hostile::cut(wholePng, wholePng.size() / 2), PictureVerdict::Ok, PictureVerdict::Damaged, {}},
        {"empty.png", QByteArray(""), PictureVerdict::NotPicture, PictureVerdict::NotPicture, {}},
        {"text.png", QByteArray("not a picture\n"), PictureVerdict::NotPicture, PictureVerdict::NotPicture, {}},
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
            EXPECT_EQ(platform::verifyPictureData(c.bytes), c.whole);
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
        EXPECT_EQ(thumbnail.isNull() ? QSize() : thumbnail.size(), c.read.isEmpty() ? QSize() : QSize(64, 42));
    }
    // 12000 x 12000 decoded would take 550 MB or more.
    EXPECT_LT(peakKilobytes() - before, 200 * 1024);
}

TEST(PictureFile, JpegCutShortIsDamagedThoughItsDecoderPadsIt)
{
    const QByteArray whole = hostile::jpeg(400, 300);
    const QByteArray cut = hostile::cut(whole, whole.size() * 2 / 3);
    // The decoder pads the missing rows with grey and calls it a picture.
    EXPECT_FALSE(platform::readPictureData(cut, QStringLiteral("cut.jpg")).isNull());
    EXPECT_EQ(platform::verifyPictureData(cut), PictureVerdict::Damaged);
    EXPECT_EQ(platform::verifyPictureData(whole), PictureVerdict::Ok);
}

}  // namespace
