// The compiled-in pictures drawn from SVG sources come also at 2x, under the
// name Qt looks for on a screen scaled to 200 % ("<name>@2x.png" beside
// "<name>.png"), at exactly twice the size and with something drawn.

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QIcon>
#include <QImage>
#include <QSet>

namespace {

const QString kRoot = QStringLiteral(":/Lorvane/Resources");

QStringList doublePictures()
{
    QStringList out;
    QDirIterator it(kRoot, {QStringLiteral("*@2x.png")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        out.append(it.next());
    return out;
}

bool hasInk(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                return true;
    return false;
}

}  // namespace

TEST(HiDpiPictures, EverySvgDrawnPictureHasItsDoubleSize)
{
    const QStringList doubles = doublePictures();
    const QSet<QString> found(doubles.begin(), doubles.end());
    // A few of each family: title bar, source buttons, editor, answer editor,
    // states, profile pictures, pictures given by alias.
    for (const char* name : {"titlebar/close", "logo/logo3", "importtopic/webcam", "imageviewer/imageviewer_01",
                             "textEdit/textbold", "state/2-3", "man_student", "merge-1", "cursor"}) {
        EXPECT_TRUE(found.contains(kRoot + QLatin1Char('/') + QLatin1String(name) + QStringLiteral("@2x.png"))) << name;
    }

    for (const QString& path : doubles) {
        SCOPED_TRACE(path.toStdString());
        QString base = path;
        base.replace(QStringLiteral("@2x.png"), QStringLiteral(".png"));
        const QImage one(base);
        const QImage two(path);
        ASSERT_FALSE(one.isNull());
        ASSERT_FALSE(two.isNull());
        EXPECT_EQ(two.size(), one.size() * 2);
        EXPECT_TRUE(hasInk(two));

        // The file Qt itself picks for the 1x name on a screen at 200 %.
        qreal ratio = 1;
        EXPECT_EQ(qt_findAtNxFile(base, 2.0, &ratio), path);
        EXPECT_EQ(ratio, 2.0);
    }
}
