// The spare page buffers behind large pictures: a buffer serves a new
// picture only after every copy of its old one went away.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "EditorHarness.h"
#include "capture/common/ImageOps.h"
#include "capture/common/PixelPool.h"
#include "support/SyntheticPictures.h"

using editortest::clickButton;
using editortest::makeEditor;

using editortest::samePixels;

namespace {

// 9.5 MB and 36 MB: both above the size from which pictures are pooled.
const QSize kSheet(2100, 1500);
const QSize kPage(4000, 3000);

class PixelPool : public ::testing::Test {
protected:
    void SetUp() override { pixelpool::releaseSpares(); }
    void TearDown() override { pixelpool::releaseSpares(); }
};

}  // namespace

TEST_F(PixelPool, ABufferServesANewPictureOnlyAfterItsLastCopyWentAway)
{
    QImage first = imageops::newPixels(kPage, QImage::Format_RGB888);
    ASSERT_FALSE(first.isNull());
    first.fill(QColor(10, 20, 30));
    const uchar* buffer = first.constBits();
    QImage kept = first;
    first = QImage();  // one copy still lives

    QImage second = imageops::newPixels(kPage, QImage::Format_RGB888);
    ASSERT_FALSE(second.isNull());
    EXPECT_NE(second.constBits(), buffer);
    second.fill(Qt::white);
    EXPECT_EQ(kept.pixelColor(3999, 2999), QColor(10, 20, 30));

    kept = QImage();
    EXPECT_EQ(pixelpool::spareCount(), 1u);
    // The turned page has the same bytes: it gets the spare.
    const QImage turned = imageops::newPixels(kPage.transposed(), QImage::Format_RGB888);
    EXPECT_EQ(turned.constBits(), buffer);
    EXPECT_EQ(pixelpool::spareCount(), 0u);
}

TEST_F(PixelPool, KeepsOneSpareOfBoundedSizeAndHandsItOutOnlyForAboutItsSize)
{
    // Far beyond the bound: freed at once, never kept.
    QImage huge = imageops::newPixels(QSize(6000, 6000), QImage::Format_RGB888);
    ASSERT_FALSE(huge.isNull());
    huge = QImage();
    EXPECT_EQ(pixelpool::spareCount(), 0u);

    std::vector<QImage> pages;
    for (int i = 0; i < 3; ++i)
        pages.push_back(imageops::newPixels(kPage, QImage::Format_RGB888));
    pages.clear();
    EXPECT_EQ(pixelpool::spareCount(), pixelpool::kMaxSpares);
    EXPECT_LE(pixelpool::spareBytes(), pixelpool::kMaxSpareBytes);

    // A sheet of a quarter of a page's bytes leaves the page buffer alone.
    const QImage sheet = imageops::newPixels(kSheet, QImage::Format_RGB888);
    ASSERT_FALSE(sheet.isNull());
    EXPECT_EQ(pixelpool::spareCount(), pixelpool::kMaxSpares);

    pixelpool::releaseSpares();
    EXPECT_EQ(pixelpool::spareCount(), 0u);
    EXPECT_EQ(pixelpool::spareBytes(), 0u);
}

TEST_F(PixelPool, PicturesTakenFromAnEditorKeepTheirPixelsWhileItEditsTheNext)
{
    const QImage sheet = pictures::blueInkOnGrey(kSheet.width(), kSheet.height());
    auto editor = makeEditor(sheet);
    clickButton(*editor, QStringLiteral("去底色"));
    clickButton(*editor, QStringLiteral("右  转"));
    const QImage taken = editor->getImage();  // as the picture dialog's owner takes it
    const QImage takenPixels = taken.copy();

    // The editor's history goes and with it the whitened page, which becomes
    // the spare; the turned one is still taken and must not.
    editor->setImage(sheet);
    clickButton(*editor, QStringLiteral("去底色"));
    clickButton(*editor, QStringLiteral("右  转"));
    clickButton(*editor, QStringLiteral("撤  销"));
    clickButton(*editor, QStringLiteral("右  转"));  // the turn undone above goes back to the pool
    EXPECT_NE(editor->getImage().constBits(), taken.constBits());
    EXPECT_TRUE(samePixels(taken, takenPixels));
    EXPECT_TRUE(samePixels(editor->getImage(), takenPixels));

    clickButton(*editor, QStringLiteral("撤  销"));
    clickButton(*editor, QStringLiteral("撤  销"));
    EXPECT_TRUE(samePixels(editor->getImage(), sheet));
    clickButton(*editor, QStringLiteral("重  做"));
    clickButton(*editor, QStringLiteral("重  做"));
    EXPECT_TRUE(samePixels(editor->getImage(), takenPixels));

    // A closing editor gives the spares back to the system.
    editor.reset();
    EXPECT_EQ(pixelpool::spareCount(), 0u);
    EXPECT_TRUE(samePixels(taken, takenPixels));
}

// An editor handed a page has a buffer of its size ready, so that its first
// operation does not wait for fresh memory; a small picture gets none.
TEST_F(PixelPool, AnEditorHandedAPageHasABufferReadyForItsFirstOperation)
{
    auto editor = makeEditor(pictures::blueInkOnGrey(kPage.width(), kPage.height()));
    ASSERT_EQ(pixelpool::spareCount(), 1u);
    const std::size_t pageBytes = static_cast<std::size_t>(editor->getImage().sizeInBytes());
    EXPECT_GE(pixelpool::spareBytes(), pageBytes);

    // The whitened page takes that buffer; the page before it stays in the
    // history for undo.
    clickButton(*editor, QStringLiteral("去底色"));
    EXPECT_EQ(pixelpool::spareCount(), 0u);

    editor->setImage(pictures::blueInkOnGrey(400, 300));
    EXPECT_LE(pixelpool::spareCount(), 1u);
    editor.reset();
    EXPECT_EQ(pixelpool::spareCount(), 0u);
}
