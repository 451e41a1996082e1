// The thumbnails as the strips show them: the icon of each entry, for
// pictures of every shape and pixel format, and the menu operations on the
// files behind the entries.

#include <QFileInfo>
#include <QListWidget>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "capture/window/ThumbnailCache.h"
#include "transfer/QThumbnail.h"
#include "ui/ModalRecorder.h"

namespace {

const QRgb kWhite = qRgb(255, 255, 255);

// A picture of `size` in `format`, filled with pure blue.
QImage bluePicture(QSize size, QImage::Format format)
{
    QImage rgb(size, QImage::Format_RGB32);
    rgb.fill(Qt::blue);
    if (format == QImage::Format_Indexed8)
        return rgb.convertToFormat(QImage::Format_Indexed8, {qRgb(0, 0, 255), qRgb(255, 0, 0)});
    if (format == QImage::Format_Mono)
        return rgb.convertToFormat(QImage::Format_Mono, {qRgb(0, 0, 255), qRgb(255, 255, 255)});
    return rgb.convertToFormat(format);
}

class ThumbnailIcon : public ::testing::Test {
protected:
    std::unique_ptr<QThumbnail> strip()
    {
        auto s = std::make_unique<QThumbnail>();
        s->resize(180, 500);
        s->show();
        return s;
    }
    static QImage icon(QThumbnail& s, int row)
    {
        return s.listWidget()->item(row)->icon().pixmap(140, 140).toImage().convertToFormat(QImage::Format_RGB32);
    }

    QTemporaryDir dir;
    ModalRecorder modals;
};

}  // namespace

TEST_F(ThumbnailIcon, PicturesAreDrawnLetterboxedInEveryFormat)
{
    struct Case {
        const char* name;
        QSize size;  // null: an unreadable file
        QImage::Format format;
        QRect picture;  // where the picture lands in the 140 square
    };
    const Case cases[] = {
        {"wide.png", {400, 100}, QImage::Format_RGB32, {0, 52, 140, 35}},
        {"tall.jpg", {100, 400}, QImage::Format_RGB888, {52, 0, 35, 140}},
        {"indexed.png", {300, 300}, QImage::Format_Indexed8, {0, 0, 140, 140}},
        {"mono.png", {280, 140}, QImage::Format_Mono, {0, 35, 140, 70}},
        {"alpha.png", {140, 70}, QImage::Format_ARGB32, {0, 35, 140, 70}},
        {"broken.jpg", {}, QImage::Format_Invalid, {}},
    };
    auto s = strip();
    for (const Case& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        if (c.size.isValid()) {
            ASSERT_TRUE(bluePicture(c.size, c.format).save(path)) << c.name;
        } else {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("not a picture");
        }
        s->addItem(path);
    }
    ASSERT_EQ(s->count(), 6);
    for (int row = 0; row < s->count(); ++row) {
        const Case& c = cases[row];
        SCOPED_TRACE(c.name);
        const QImage image = icon(*s, row);
        ASSERT_EQ(image.size(), QSize(140, 140));
        const QRect inner = c.picture.adjusted(2, 2, -2, -2);  // away from smoothed edges
        for (int y = 0; y < 140; y += 3) {
            for (int x = 0; x < 140; x += 3) {
                const QColor pixel = image.pixelColor(x, y);
                if (!c.picture.isEmpty() && inner.contains(x, y)) {
                    ASSERT_LT(pixel.red(), 60) << x << "," << y;
                    ASSERT_GT(pixel.blue(), 190) << x << "," << y;
                } else if (c.picture.isEmpty() || !c.picture.adjusted(-2, -2, 2, 2).contains(x, y)) {
                    ASSERT_EQ(image.pixel(x, y), kWhite) << x << "," << y;
                }
            }
        }
    }
}

TEST_F(ThumbnailIcon, MenuOperationsActOnFilesPathsAndSignals)
{
    struct Case {
        const char* name;
        int current;  // -1: none
        std::function<void(QThumbnail&)> run;
        QStringList left;    // names of the entries afterwards
        QList<int> emitted;  // rowChanged
        int currentAfter;
    };
    const Case cases[] = {
        {"delete the first", 0, [](QThumbnail& s) { s.menu_delete_triggered(); }, {"b", "c"}, {0}, 0},
        {"delete the middle", 1, [](QThumbnail& s) { s.menu_delete_triggered(); }, {"a", "c"}, {0}, 0},
        {"delete the last", 2, [](QThumbnail& s) { s.menu_delete_triggered(); }, {"a", "b"}, {1}, 1},
        {"delete with none chosen", -1, [](QThumbnail& s) { s.menu_delete_triggered(); }, {"a", "b", "c"}, {}, -1},
        {"clear", 1, [](QThumbnail& s) { s.menu_clear_triggered(); }, {}, {-1}, -1},
        {"move up", 2, [](QThumbnail& s) { s.menu_moveup_triggered(); }, {"a", "c", "b"}, {}, 1},
        {"move down the last", 2, [](QThumbnail& s) { s.menu_movedown_triggered(); }, {"a", "b", "c"}, {}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir files;
        auto s = strip();
        for (const char* n : {"a", "b", "c"}) {
            const QString path = files.filePath(QString::fromLatin1(n) + QStringLiteral(".png"));
            ASSERT_TRUE(bluePicture({20, 20}, QImage::Format_RGB32).save(path));
            s->addItem(path);
        }
        if (c.current >= 0)
            s->setCurrentItem(c.current);
        QSignalSpy rows(s.get(), &QThumbnail::rowChanged);
        c.run(*s);

        QStringList names;
        for (const QString& p : s->paths())
            names << QFileInfo(p).baseName();
        EXPECT_EQ(names, c.left);
        EXPECT_EQ(s->listWidget()->count(), c.left.size());
        for (const char* n : {"a", "b", "c"})
            EXPECT_EQ(QFileInfo::exists(files.filePath(QString::fromLatin1(n) + QStringLiteral(".png"))),
                      c.left.contains(QString::fromLatin1(n)))
                << n;
        QList<int> emitted;
        for (const auto& args : rows)
            emitted << args.at(0).toInt();
        EXPECT_EQ(emitted, c.emitted);
        EXPECT_EQ(s->listWidget()->currentRow(), c.currentAfter);
    }
}

TEST(ThumbnailCacheTest, UnchangedFilesAreReusedAndChangedOnesMadeAnew)
{
    QTemporaryDir files;
    QStringList paths;
    for (int i = 0; i < 12; ++i) {
        paths << files.filePath(QStringLiteral("%1.png").arg(i));
        ASSERT_TRUE(bluePicture({40 + i, 30}, QImage::Format_RGB32).save(paths.last()));
    }
    paths << files.filePath(QStringLiteral("missing.jpg"));

    ThumbnailCache cache;
    std::vector<QImage> first;
    cache.load(paths, 140, [&](int i, const QImage& picture) {
        EXPECT_EQ(i, static_cast<int>(first.size())) << "in order";
        first.push_back(picture);
    });
    ASSERT_EQ(first.size(), 13u);
    EXPECT_EQ(first[12].pixel(70, 70), kWhite);
    EXPECT_EQ(first[3].pixel(70, 70), qRgb(0, 0, 255));
    EXPECT_EQ(cache.size(), 12);

    // Page 3 becomes a red one; the others stay as they were.
    QImage red(300, 200, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(paths[3]));
    std::vector<QImage> second;
    cache.load(paths, 140, [&](int, const QImage& picture) { second.push_back(picture); });
    EXPECT_EQ(second[3].pixel(70, 70), qRgb(255, 0, 0));
    EXPECT_EQ(second[4].cacheKey(), first[4].cacheKey()) << "not decoded again";

    cache.retain(paths.mid(0, 2));
    EXPECT_EQ(cache.size(), 2);
}
