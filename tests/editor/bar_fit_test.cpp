// The editor's tool bar and the fitted picture: the fit uses the area that
// the layout really leaves above the bar, whatever the editor's size, and a
// narrow editor keeps every button of its bar whole.
#include <gtest/gtest.h>

#include <QApplication>
#include <QToolButton>

#include "capture/common/AdaptiveToolBar.h"
#include "capture/editor/ImageViewer.h"
#include "support/SyntheticPictures.h"

namespace {

// Lets the layouts of the editor and of its bar run (each posts the next).
void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// The picture as the view shows it, in editor pixels.
QRectF shownPicture(const ImageViewer& editor)
{
    return editor.viewMatrix().mapRect(QRectF(QPointF(0, 0), QSizeF(editor.getImage().size())));
}

}  // namespace

TEST(EditorBarFit, TheFittedPictureNeverMeetsTheBar)
{
    for (const QSize picture : {QSize(1000, 3000), QSize(3000, 1000), QSize(400, 300)}) {
        ImageViewer editor(nullptr, QString(), ImageViewer::kMouse);
        editor.setImage(pictures::flat(picture.width(), picture.height(), Qt::white));
        // The narrowest editor (small icons, as in the wizard) and a wide one
        // (large icons, as in the viewer), each at three heights.
        const int narrow = editor.toolBar()->minimumSizeHint().width();
        const struct {
            QSize editor;
            int iconSide;
        } sizes[] = {{{narrow, 470}, AdaptiveToolBar::kSmallIcon}, {{narrow, 240}, AdaptiveToolBar::kSmallIcon},
                     {{narrow, 900}, AdaptiveToolBar::kSmallIcon}, {{1400, 900}, AdaptiveToolBar::kLargeIcon},
                     {{1400, 240}, AdaptiveToolBar::kLargeIcon},   {{1400, 470}, AdaptiveToolBar::kLargeIcon}};
        editor.show();
        for (const auto& s : sizes) {
            editor.resize(s.editor);
            const std::string label = std::to_string(s.editor.width()) + "x" + std::to_string(s.editor.height()) +
                                      " picture " + std::to_string(picture.width()) + "x" +
                                      std::to_string(picture.height());
            // At once, before any posted layout request: the bar that changed
            // its icons already stands where the fit left it room.
            EXPECT_EQ(editor.toolBar()->geometry().top(), editor.pictureArea().bottom() + 1) << label;
            settle();
            const QRect bar = editor.toolBar()->geometry();
            ASSERT_EQ(editor.size(), s.editor) << label;
            EXPECT_EQ(editor.toolBar()->iconSide(), s.iconSide) << label;
            // The fit's area is exactly what the layout left above the bar.
            EXPECT_EQ(editor.pictureArea(), QRect(0, 0, s.editor.width(), bar.top())) << label;
            EXPECT_EQ(bar.bottom(), s.editor.height() - 1) << label;
            const QRectF shown = shownPicture(editor);
            EXPECT_FALSE(shown.intersects(QRectF(bar))) << label;
            EXPECT_GE(shown.top(), 0.0) << label;
            EXPECT_LE(shown.right(), double(s.editor.width())) << label;
            // Every button whole inside the editor.
            for (QToolButton* b : editor.toolBar()->findChildren<QToolButton*>())
                EXPECT_TRUE(editor.rect().contains(QRect(b->mapTo(&editor, QPoint(0, 0)), b->size())))
                    << label << " " << b->text().toStdString();
        }
    }
}

TEST(EditorBarFit, TheNarrowBarIsTheEditorsMinimumWidth)
{
    ImageViewer editor(nullptr, QString(), ImageViewer::kMouse);
    AdaptiveToolBar* bar = editor.toolBar();
    const int narrow = bar->minimumSizeHint().width();
    // Small icons exactly down to that width; large ones need more room.
    EXPECT_EQ(bar->iconSideFor(narrow), AdaptiveToolBar::kSmallIcon);
    EXPECT_GT(bar->heightFor(2000), bar->heightFor(narrow));
    EXPECT_EQ(bar->iconSideFor(2000), AdaptiveToolBar::kLargeIcon);
    EXPECT_LE(editor.minimumSizeHint().width(), narrow);
    editor.show();
    editor.resize(narrow, 400);
    settle();
    for (QToolButton* b : bar->findChildren<QToolButton*>())
        EXPECT_TRUE(editor.rect().contains(QRect(b->mapTo(&editor, QPoint(0, 0)), b->size())))
            << b->text().toStdString();
}
