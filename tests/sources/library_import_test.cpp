// Copying chosen files into the library folder under the running number, and
// listing the library in page order.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdio>

#include "capture/sources/LibraryImport.h"
#include "core/Settings.h"
#include "sources/HeldCheck.h"
#include "support/ChildRun.h"
#include "support/HostilePictures.h"
#include "support/TestEnv.h"

namespace {

class LibraryImport : public ::testing::Test {
protected:
    void SetUp() override
    {
        data_ = testenv::prepareDataFolder();
        QDir(QStringLiteral("documents")).removeRecursively();
        QDir().mkpath(QStringLiteral("documents"));
        QDir(QStringLiteral("sources")).removeRecursively();
        QDir().mkpath(QStringLiteral("sources"));
        QFile::remove(QStringLiteral("Lorvane.ini"));
    }

    // A small picture of colour `color` at sources/<name>.
    QString source(const QString& name, Qt::GlobalColor color)
    {
        QImage image(16, 12, QImage::Format_RGB888);
        image.fill(color);
        const QString path = data_ + QStringLiteral("/sources/") + name;
        const QByteArray format = QFileInfo(name).suffix().toUpper() == QLatin1String("PNG") ? "PNG" : "JPG";
        EXPECT_TRUE(image.save(path, format.constData()));
        return path;
    }

    static QByteArray bytesOf(const QString& path)
    {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }

    QString data_;
};

}  // namespace

TEST_F(LibraryImport, RunningNumberAndSuffixes)
{
    setIniValue(QStringLiteral("import_index"), 7);
    const QString photo = source(QStringLiteral("photo.JPG"), Qt::red);
    const QString scan = source(QStringLiteral("scan.png"), Qt::blue);

    const QStringList copied = libraryimport::copyIntoLibrary({photo, scan});
    EXPECT_EQ(copied, (QStringList{"documents/7.JPG", "documents/8.png"}));
    EXPECT_EQ(bytesOf(QStringLiteral("documents/7.JPG")), bytesOf(photo));
    EXPECT_EQ(bytesOf(QStringLiteral("documents/8.png")), bytesOf(scan));
    EXPECT_EQ(getIniValue<int>(QStringLiteral("import_index"), 0), 9);

    QStringList listed;
    ASSERT_TRUE(libraryimport::listImages(QStringLiteral("documents"), listed));
    EXPECT_EQ(listed, copied);
}

TEST_F(LibraryImport, FirstImportWithoutSetting)
{
    const QStringList copied = libraryimport::copyIntoLibrary({source(QStringLiteral("a.bmp"), Qt::green)});
    EXPECT_EQ(copied, QStringList{"documents/1.bmp"});
    EXPECT_EQ(getIniValue<int>(QStringLiteral("import_index"), 0), 2);
}

TEST_F(LibraryImport, TakenNumberMovesToTheNextFreeOne)
{
    // Pages 7 and 8 are there already (under other suffixes); the running
    // number was lost (settings file replaced).
    QFile::copy(source(QStringLiteral("old7.png"), Qt::black), QStringLiteral("documents/7.png"));
    QFile::copy(source(QStringLiteral("old8.jpg"), Qt::black), QStringLiteral("documents/8.jpg"));
    setIniValue(QStringLiteral("import_index"), 7);
    const QString fresh = source(QStringLiteral("fresh.jpg"), Qt::yellow);

    const QStringList copied = libraryimport::copyIntoLibrary({fresh});
    ASSERT_EQ(copied, QStringList{"documents/9.jpg"});
    EXPECT_EQ(bytesOf(QStringLiteral("documents/9.jpg")), bytesOf(fresh));
    EXPECT_NE(bytesOf(QStringLiteral("documents/8.jpg")), bytesOf(fresh));
    EXPECT_EQ(getIniValue<int>(QStringLiteral("import_index"), 0), 10);
}

TEST_F(LibraryImport, UnreadableFileConsumesItsNumber)
{
    setIniValue(QStringLiteral("import_index"), 3);
    const QStringList copied = libraryimport::copyIntoLibrary(
        {data_ + QStringLiteral("/sources/missing.png"), source(QStringLiteral("b.png"), Qt::cyan)});
    EXPECT_EQ(copied, QStringList{"documents/4.png"});
    EXPECT_FALSE(QFile::exists(QStringLiteral("documents/3.png")));
    EXPECT_EQ(getIniValue<int>(QStringLiteral("import_index"), 0), 5);
}

TEST_F(LibraryImport, NothingChosenLeavesTheSettingAlone)
{
    setIniValue(QStringLiteral("import_index"), 4);
    EXPECT_TRUE(libraryimport::copyIntoLibrary({}).isEmpty());
    EXPECT_EQ(getIniValue<int>(QStringLiteral("import_index"), 0), 4);
}

TEST_F(LibraryImport, ListInNumericOrderAnyCase)
{
    for (const char* name : {"10.jpg", "2.png", "1.bmp", "3.JPEG", "x.png", "11.PNG", "5.txt", "4.gif"}) {
        QFile file(QStringLiteral("documents/") + QString::fromLatin1(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QDir().mkpath(QStringLiteral("documents/12.png"));  // a folder is no page
    QStringList listed{"stale"};
    ASSERT_TRUE(libraryimport::listImages(QStringLiteral("documents"), listed));
    EXPECT_EQ(listed, (QStringList{"documents/x.png", "documents/1.bmp", "documents/2.png", "documents/3.JPEG",
                                   "documents/10.jpg", "documents/11.PNG"}));
}

TEST_F(LibraryImport, MissingFolderIsNotListed)
{
    QStringList listed{"kept"};
    EXPECT_FALSE(libraryimport::listImages(QStringLiteral("no-such-folder"), listed));
    EXPECT_EQ(listed, QStringList{"kept"});
}

// What a pupil imports from a phone and what a hostile folder holds: a
// photo with a motion-photo video or metadata after its end enters the
// library byte for byte; a picture cut short (a JPEG with an end marker glued
// on, a BMP), and an ICO or SVG named .png, do not.
TEST_F(LibraryImport, PhonePhotosEnterAndCutOrForeignPicturesDoNot)
{
    const QByteArray photo = hostile::jpeg(320, 240);
    const QByteArray inner = hostile::png(500, 400);
    const QByteArray picture = hostile::bmp(200, 100);
    const QString damaged = QStringLiteral("不是图片或已损坏");
    struct Case {
        const char* name;
        QByteArray bytes;
        QString reason;  // empty: imported
    };
    const Case cases[] = {
        {"motion.jpg", photo + hostile::randomTrailer(3 << 20), QString()},
        {"trailer.JPG", photo + QByteArray("\xFF\xDA metadata block", 18), QString()},
        {"picture.bmp", picture, QString()},
        {"cut.jpg", hostile::jpegCutWithEnd(photo, 60), damaged},
        {"cut.bmp", hostile::cut(picture, picture.size() / 3), damaged},
        {"icon.png", hostile::icoHolding(inner), damaged},
        {"drawing.png", hostile::svgShowing(inner), damaged},
    };
    QStringList files;
    for (const Case& c : cases) {
        files.append(data_ + QStringLiteral("/sources/") + QString::fromLatin1(c.name));
        ASSERT_TRUE(hostile::write(files.last(), c.bytes));
        EXPECT_EQ(libraryimport::refusalReason(files.last()), c.reason) << c.name;
    }
    QStringList refused;
    const QStringList copied = libraryimport::copyIntoLibrary(files, libraryimport::libraryFolder(), &refused);
    EXPECT_EQ(copied, (QStringList{"documents/1.jpg", "documents/2.JPG", "documents/3.bmp"}));
    for (int i = 0; i < copied.size(); ++i)
        EXPECT_EQ(bytesOf(copied.at(i)), cases[i].bytes) << cases[i].name;
    EXPECT_EQ(refused, (QStringList{"cut.jpg（不是图片或已损坏）", "cut.bmp（不是图片或已损坏）",
                                    "icon.png（不是图片或已损坏）", "drawing.png（不是图片或已损坏）"}));
}

// Eight pictures of 100 megapixels imported at once, on eight workers, would
// take 3.2 GB decoded side by side; the checks share the decode budget
// instead. The import runs in a process of its own whose address space eight
// whole decodes would break.
TEST_F(LibraryImport, EightLargePicturesAtOnceStayWithinTheMemoryBudget)
{
    if (childrun::sanitized())
        GTEST_SKIP() << "address-space limits cannot be set under AddressSanitizer (its shadow memory)";
    const int count = 8;
    if (childrun::inChild()) {
        const QString folder = childrun::value(QStringLiteral("LARGE_DIR"));
        QStringList files;
        for (int i = 0; i < count; ++i)
            files.append(QStringLiteral("%1/large%2.png").arg(folder).arg(i));
        ASSERT_TRUE(childrun::limitAddressSpace(2300LL << 20));
        QStringList refused;
        // As many workers as the pictures, whatever the machine's cores: all
        // eight decodes would run side by side but for the budget.
        libraryimport::ImportChecks plan;
        plan.workers = count;
        const QStringList copied = libraryimport::copyIntoLibrary(files, libraryimport::libraryFolder(), &refused,
                                                                  plan);
        std::printf("peak resident memory %lld MiB\n", childrun::peakResidentBytes() >> 20);
        EXPECT_EQ(copied.size(), count);
        EXPECT_TRUE(refused.isEmpty()) << refused.join(QLatin1Char('\n')).toStdString();
        return;
    }
    const QString folder = data_ + QStringLiteral("/sources");
    ASSERT_TRUE(hostile::write(folder + QStringLiteral("/large0.png"), hostile::plainPng(10000, 10000)));
    for (int i = 1; i < count; ++i)
        ASSERT_TRUE(
            QFile::copy(folder + QStringLiteral("/large0.png"), QStringLiteral("%1/large%2.png").arg(folder).arg(i)));
    childrun::setValue(QStringLiteral("LARGE_DIR"), folder);
    QString output;
    EXPECT_EQ(childrun::runThisTest(&output), 0) << output.toStdString();
    for (const QString& line : output.split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral("peak")))
            std::printf("import of %d pictures of 100 megapixels: %s\n", count, line.toUtf8().constData());
    }
}

// While a check runs the window paints and the progress dialog answers; 取消
// ends the import before the file whose check it waited for. The files before
// it are in the library under their numbers, that file and the rest take no
// number and are neither copied nor named as refused, and no check starts
// after the press.
TEST_F(LibraryImport, TheWindowRunsDuringASlowCheckAndCancelStopsTheRest)
{
    setIniValue(QStringLiteral("import_index"), 5);
    QStringList files;
    for (const char* name : {"a.png", "b.png", "c.png", "d.png", "e.png"})
        files.append(source(QString::fromLatin1(name), Qt::magenta));
    heldcheck::HeldCheck held(files.at(1));
    heldcheck::CancellingUser user(held, files.at(1), QStringLiteral("导入图片"), 1);
    libraryimport::ImportChecks plan;
    plan.check = held.check();
    plan.workers = 1;  // checks in file order: none ahead of the held one

    QStringList refused;
    const QStringList copied = libraryimport::copyIntoLibrary(files, libraryimport::libraryFolder(), &refused, plan);
    EXPECT_TRUE(held.releasedInTime());  // by the timer: the loop ran meanwhile
    EXPECT_TRUE(user.painted());
    EXPECT_TRUE(user.pressed());
    EXPECT_EQ(copied, QStringList{"documents/5.png"});
    EXPECT_EQ(QDir(QStringLiteral("documents")).entryList(QDir::Files), QStringList{"5.png"});
    EXPECT_EQ(bytesOf(QStringLiteral("documents/5.png")), bytesOf(files.at(0)));
    EXPECT_TRUE(refused.isEmpty()) << refused.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(getIniValue<int>(QStringLiteral("import_index"), 0), 6);
    EXPECT_EQ(held.askedFiles(), files.mid(0, 2));
}
