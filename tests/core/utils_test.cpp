#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTemporaryDir>

#include <cstring>
#include <fcntl.h>
#include <functional>
#include <string>
#include <unistd.h>

#include "core/Utils.h"

namespace {

// ---------------------------------------------------------------- text

TEST(GbkToUtf8, ConvertsGbkBytesAndPassesAsciiThrough)
{
    struct Case {
        const char* gbkHex;
        const char* utf8Hex;
    };
    const Case cases[] = {
        {"b4edcce2b1be", "e99499e9a298e69cac"},                              // 错题本
        {"6974656d2fb4edcce2b1be2f31", "6974656d2fe99499e9a298e69cac2f31"},  // item/错题本/1
        {"c4eabcb6", "e5b9b4e7baa7"},                                        // 年级
        {"a1a2", "e38081"},                                                  // 、
    };
    for (const Case& c : cases) {
        const QByteArray input = QByteArray::fromHex(c.gbkHex);
        GbkToUtf8 converted(input.constData());
        ASSERT_NE(converted.text(), nullptr);
        EXPECT_TRUE(converted.owned());
        EXPECT_EQ(QByteArray(converted.text()).toHex(), QByteArray(c.utf8Hex)) << c.gbkHex;
    }

    const char* ascii = "SELECT * FROM detail WHERE id IN (1,2) ";
    GbkToUtf8 same(ascii);
    EXPECT_EQ(same.text(), ascii) << "ASCII text must be the caller's own pointer";
    EXPECT_FALSE(same.owned());

    EXPECT_EQ(GbkToUtf8("").text(), nullptr);
    EXPECT_EQ(GbkToUtf8(nullptr).text(), nullptr);
}

TEST(Base64Decode, StandardAlphabetStopsAtPaddingOrForeignCharacter)
{
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"TWFu", "Man"},
        {"TWE=", "Ma"},
        {"TW", "M"},
        {"T", ""},
        {"", ""},
        {"TWFu TWFu", "Man"},
        {"TWFu\nTWFu", "Man"},
        {"TWFuTWFu", "ManMan"},
        {"TWE=TWFu", "Ma"},
        {"+/+/", "\xfb\xff\xbf"},
        {"-_-_", ""},  // the URL-safe alphabet is not ours
        {"AAAA", std::string(3, '\0')},
    };
    for (const Case& c : cases)
        EXPECT_EQ(base64Decode(c.in), c.out) << "input: " << c.in;

    // Every byte value through the whole alphabet.
    QByteArray all(256, '\0');
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<char>(i);
    const std::string encoded = all.toBase64().toStdString();
    EXPECT_EQ(base64Decode(encoded), all.toStdString());
}

TEST(ReplaceAll, ReplacesEveryOccurrenceOnceInPlace)
{
    struct Case {
        std::string text, from, to, expected;
    };
    const Case cases[] = {
        {"a/b/c", "/", "\\", "a\\b\\c"},
        {"aa", "a", "aa", "aaaa"},  // inserted text is not searched again
        {"abc", "", "x", "abc"},    // empty search text: unchanged, no endless loop
        {"item//10000/", "/", "", "item10000"},
        {"abab", "ab", "ba", "baba"},
        {"none", "/", "\\", "none"},
        {"", "/", "\\", ""},
    };
    for (Case c : cases) {
        std::string& result = replaceAll(c.text, c.from, c.to);
        EXPECT_EQ(&result, &c.text) << "must return the text itself";
        EXPECT_EQ(c.text, c.expected) << "from '" << c.from << "'";
    }
}

TEST(MachineIdentity, MacAddressFormatOrUntouched)
{
    std::string mac = "unchanged";
    const int rc = getMacAddress(mac);
    if (rc == 0) {
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^([0-9A-F]{2}-){5}[0-9A-F]{2}$"))
                        .match(QString::fromStdString(mac))
                        .hasMatch())
            << mac;
        EXPECT_NE(mac, "00-00-00-00-00-00");
        std::string again;
        EXPECT_EQ(getMacAddress(again), 0);
        EXPECT_EQ(again, mac) << "the same adapter every time";
    } else {
        EXPECT_EQ(mac, "unchanged");
    }
    EXPECT_EQ(QString::fromStdString(getComputerName()), QSysInfo::machineHostName());
}

// ---------------------------------------------------------------- images

// A photo-like image: smooth gradients with fine noise, so JPEG sizes differ
// clearly between the qualities.
QImage photoLike(int width, int height, quint32 seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int noise = static_cast<int>(random.bounded(64)) - 32;
            const int r = qBound(0, x * 255 / width + noise, 255);
            const int g = qBound(0, y * 255 / height + noise, 255);
            const int b = qBound(0, 128 + noise, 255);
            line[x] = qRgb(r, g, b);
        }
    }
    return image;
}

QByteArray jpeg(const QImage& image, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", quality);
    return bytes;
}

TEST(CompressImage, ScalesDownToMaxWidthOnly)
{
    struct Case {
        QSize in, out;
    };
    const Case cases[] = {
        {{2000, 1000}, {1024, 512}},
        {{800, 600}, {800, 600}},  // never enlarged
        {{1024, 3000}, {1024, 3000}},
        {{4000, 3000}, {1024, 768}},
        // The box height is rounded toward zero first; keeping the aspect
        // ratio inside that box then narrows the width by a pixel.
        {{3000, 2000}, {1023, 682}},
        {{3000, 2}, {1024, 1}},  // a thin strip keeps one row
    };
    for (const Case& c : cases) {
        QImage in(c.in, QImage::Format_RGB32);
        in.fill(Qt::white);
        QImage out;
        compressImage(in, out, 1024, 120);
        EXPECT_EQ(out.size(), c.out) << c.in.width() << "x" << c.in.height();
    }

    QImage out(10, 10, QImage::Format_RGB32);
    compressImage(QImage(), out, 1024, 120);
    EXPECT_TRUE(out.isNull());
}

TEST(CompressImage, KeepsTheFirstQualityThatFitsElseEighty)
{
    const QImage image = photoLike(1000, 700, 7);
    const QByteArray q100 = jpeg(image, 100), q90 = jpeg(image, 90), q80 = jpeg(image, 80);
    ASSERT_GT(q100.size(), q90.size() + 2048);
    ASSERT_GT(q90.size(), q80.size() + 2048);
    const int kb100 = (q100.size() + 1023) / 1024, kb90 = (q90.size() + 1023) / 1024, kb80 = (q80.size() + 1023) / 1024;

    struct Case {
        int maxKB;
        const QByteArray* chosen;
    };
    const Case cases[] = {
        {kb100, &q100},  // fits at once
        {kb100 - 1, &q90}, {kb90, &q90}, {kb90 - 1, &q80},
        {kb80, &q80},      {1, &q80},  // still too big at 80: the quality-80 encoding is kept
    };
    for (const Case& c : cases) {
        QImage out;
        compressImage(image, out, 1024, c.maxKB);
        const QImage expected = QImage::fromData(*c.chosen, "JPEG");
        ASSERT_FALSE(out.isNull());
        EXPECT_TRUE(out == expected) << "maxKB " << c.maxKB;
    }
}

TEST(CompressImage, FileVariantSavesInTheFormatOfTheSuffix)
{
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("原图.bmp"));
    ASSERT_TRUE(photoLike(2000, 1000, 3).save(src));

    for (const char* name : {"original.jpg", "questions.png"}) {
        const QString dst = dir.filePath(QString::fromLatin1(name));
        compressImageFile(src, dst, 1024, 120);
        QImageReader reader(dst);
        EXPECT_EQ(reader.size(), QSize(1024, 512)) << name;
        EXPECT_EQ(reader.format(), QFileInfo(dst).suffix() == "jpg" ? QByteArray("jpeg") : QByteArray("png"));
    }

    const QString none = dir.filePath(QStringLiteral("none.jpg"));
    compressImageFile(dir.filePath(QStringLiteral("missing.bmp")), none, 1024, 120);
    EXPECT_FALSE(QFile::exists(none));
}

// ---------------------------------------------------------------- folders

void writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

TEST(CopyDirectory, Cases)
{
    struct Case {
        const char* name;
        std::function<void(const QString& root)> prepare;
        const char* src;
        const char* dst;
        bool overwrite;
        bool result;
        std::function<void(const QString& root)> check;
    };
    const auto question = [](const QString& root) {
        writeFile(root + "/src/original.jpg", "jpg");
        writeFile(root + "/src/answer_right.html", "<html/>");
        writeFile(root + "/src/pics/1.png", "png");
        writeFile(root + "/src/.hidden", "secret");
        writeFile(root + "/src/题目.txt", "中文");
    };
    const Case cases[] = {
        {"whole tree, hidden files left out", question, "src", "dst", false, true,
         [](const QString& root) {
             EXPECT_EQ(readFile(root + "/dst/original.jpg"), "jpg");
             EXPECT_EQ(readFile(root + "/dst/answer_right.html"), "<html/>");
             EXPECT_EQ(readFile(root + "/dst/pics/1.png"), "png");
             EXPECT_EQ(readFile(root + "/dst/题目.txt"), "中文");
             EXPECT_FALSE(QFile::exists(root + "/dst/.hidden"));
         }},
        {"target and its parent missing", question, "src", "no/dst", false, false,
         [](const QString& root) { EXPECT_FALSE(QFile::exists(root + "/no")); }},
        {"existing target file without overwrite",
         [&](const QString& root) {
             question(root);
             writeFile(root + "/dst/original.jpg", "old");
         },
         "src", "dst", false, false,
         [](const QString& root) { EXPECT_EQ(readFile(root + "/dst/original.jpg"), "old"); }},
        {"existing target files with overwrite",
         [&](const QString& root) {
             question(root);
             writeFile(root + "/dst/original.jpg", "old");
             writeFile(root + "/dst/pics/1.png", "old");
             writeFile(root + "/dst/other", "kept");
         },
         "src", "dst", true, true,
         [](const QString& root) {
             EXPECT_EQ(readFile(root + "/dst/original.jpg"), "jpg");
             EXPECT_EQ(readFile(root + "/dst/pics/1.png"), "png");
             EXPECT_EQ(readFile(root + "/dst/other"), "kept");
         }},
        {"missing source", [](const QString&) {}, "src", "dst", false, false, [](const QString&) {}},
        {"empty source", [](const QString& root) { QDir().mkpath(root + "/src"); }, "src", "dst", false, true,
         [](const QString& root) { EXPECT_TRUE(QDir(root + "/dst").exists()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString root = dir.path();
        c.prepare(root);
        EXPECT_EQ(copyDirectory(root + "/" + c.src, root + "/" + c.dst, c.overwrite), c.result);
        c.check(root);
    }
}

TEST(GetDirectorySize, SparseHugeFileHiddenFileAndLinkLoop)
{
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("item"));
    writeFile(root + "/a/original.jpg", QByteArray(1000, 'x'));
    writeFile(root + "/a/.hidden", QByteArray(10, 'x'));
    writeFile(root + "/b/c/d/answer.html", QByteArray(7, 'x'));
    writeFile(dir.filePath("outside.bin"), QByteArray(100000, 'x'));

    // 5 GiB that take no disk space.
    const quint64 huge = quint64(5) << 30;
    const QByteArray hugePath = (root + "/b/huge.bin").toUtf8();
    const int fd = ::open(hugePath.constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(huge)), 0);
    ::close(fd);

    // A loop back to the top and a link to a file outside: neither is followed.
    ASSERT_TRUE(QFile::link(root, root + "/b/c/loop"));
    ASSERT_TRUE(QFile::link(dir.filePath("outside.bin"), root + "/a/outside.lnk"));

    const quint64 expected = 1000 + 10 + 7 + huge;
    uint64_t total = 0;
    getDirectorySize(root.toUtf8().constData(), &total);
    EXPECT_EQ(total, expected);

    // The total is added to, and a folder given through a link counts.
    ASSERT_TRUE(QFile::link(root, dir.filePath("item-link")));
    total = 5;
    getDirectorySize(dir.filePath("item-link").toUtf8().constData(), &total);
    EXPECT_EQ(total, expected + 5);

    // Relative to the working directory, as the summary page passes it.
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    total = 0;
    getDirectorySize("item/a", &total);
    QDir::setCurrent(previous);
    EXPECT_EQ(total, 1010u);

    total = 42;
    getDirectorySize(dir.filePath("missing").toUtf8().constData(), &total);
    getDirectorySize(dir.filePath("outside.bin").toUtf8().constData(), &total);
    EXPECT_EQ(total, 42u);
}

}  // namespace
