// The private copy that the in-place image operations work on.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "EditorHarness.h"
#include "capture/common/ImageOps.h"
#include "support/SyntheticPictures.h"

using editortest::samePixels;

TEST(ImageCopy, SmallAndLargePicturesAreCopiedWhole)
{
    // 1000 x 700 stays on one thread; 2100 x 1500 (9.5 MB) is copied in bands.
    for (const QSize size : {QSize(1000, 700), QSize(2100, 1500)}) {
        const QImage source = pictures::gradient(size.width(), size.height());
        const QImage copy = imageops::copyPixels(source);
        ASSERT_EQ(copy.size(), size);
        EXPECT_NE(copy.constBits(), source.constBits());
        EXPECT_TRUE(samePixels(copy, source)) << size.width();
    }
}

TEST(ImageCopy, RowsWiderThanThePixelsAreCopiedRowByRow)
{
    const int width = 2001, height = 1500, stride = width * 3 + 64;
    const QImage pattern = pictures::gradient(width, height);
    std::vector<uchar> buffer(static_cast<size_t>(stride) * height, 0xA5);
    for (int y = 0; y < height; ++y)
        std::memcpy(buffer.data() + static_cast<size_t>(y) * stride, pattern.constScanLine(y), width * 3);
    const QImage padded(buffer.data(), width, height, stride, QImage::Format_RGB888);
    const QImage copy = imageops::copyPixels(padded);
    EXPECT_TRUE(samePixels(copy, pattern));
}

TEST(ImageCopy, AnOperationLeavesEveryCopyOfThePicturesPixelsAlone)
{
    const QImage start = pictures::blueInkOnGrey(2400, 1800);  // 13 MB: copied in bands
    QImage edited = start;                                     // shares the pixels
    ASSERT_TRUE(imageops::threshold(edited));
    EXPECT_FALSE(samePixels(edited, start));
    EXPECT_EQ(start.pixelColor(5, 5), QColor(200, 198, 190));  // the shared copy kept its paper

    imageops::testing::setBeforeCall([](const char*) { throw std::runtime_error("injected"); });
    QImage failing = start;
    EXPECT_FALSE(imageops::threshold(failing));
    imageops::testing::setBeforeCall(nullptr);
    EXPECT_EQ(failing.constBits(), start.constBits());  // untouched, still shared
}

TEST(ImageCopy, NewPixelsAreLaidOutAsQtsOwnAndLiveAsLongAsTheirLastCopy)
{
    struct Case {
        QSize size;
        QImage::Format format;
    };
    // Small ones come from Qt; large ones (from 8 MB) from memory of their
    // own; an odd width pads the rows; a colour table is Qt's business.
    const Case cases[] = {
        {{300, 200}, QImage::Format_RGB888},       {{2001, 1500}, QImage::Format_RGB888},
        {{4000, 3000}, QImage::Format_RGB888},     {{1800, 1500}, QImage::Format_ARGB32},
        {{4000, 3000}, QImage::Format_Grayscale8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size.width());
        QImage image = imageops::newPixels(c.size, c.format);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), c.size);
        EXPECT_EQ(image.format(), c.format);
        EXPECT_EQ(image.bytesPerLine(), QImage(c.size, c.format).bytesPerLine());
        const uchar* before = image.constBits();
        image.fill(Qt::white);
        EXPECT_EQ(image.bits(), before) << "writing must not copy the pixels";
        image.setPixelColor(c.size.width() - 1, c.size.height() - 1, QColor(9, 9, 9));

        QImage kept = image;  // outlives the first handle
        image = QImage();
        EXPECT_EQ(kept.pixelColor(c.size.width() - 1, c.size.height() - 1), QColor(9, 9, 9));
        EXPECT_EQ(kept.pixelColor(0, c.size.height() / 2), QColor(Qt::white));
    }
    EXPECT_TRUE(imageops::newPixels(QSize(0, 10), QImage::Format_RGB888).isNull());
}

TEST(ImageCopy, LargeCopiesAreWholeAndIndependent)
{
    const QImage source = pictures::gradient(4000, 3000);
    QImage copy = imageops::copyPixels(source);
    ASSERT_TRUE(samePixels(copy, source));
    copy.setPixelColor(10, 10, QColor(1, 2, 3));
    EXPECT_NE(source.pixelColor(10, 10), QColor(1, 2, 3));
}
