// What a rich-text document (the answer editor, the older-style answers PDF)
// gets for each name its HTML may hold: a picture through the door, the
// refusal mark for what is no regular file (never opened, so a FIFO nobody
// writes cannot hang it) or what the door refuses, the missing-file icon for
// a missing file, and only the program's own resources left to Qt. Run in a
// child that must end on its own.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTextDocument>
#include <QUrl>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/DocumentPicture.h"
#include "support/ChildRun.h"
#include "support/HostilePictures.h"
#include "support/TestEnv.h"

namespace {

enum class Shows { Picture, Refused, Missing, LeftToQt };

const char* nameOf(Shows shows)
{
    switch (shows) {
    case Shows::Picture: return "picture";
    case Shows::Refused: return "refusal mark";
    case Shows::Missing: return "missing-file icon";
    case Shows::LeftToQt: return "left to Qt";
    }
    return "?";
}

Shows shown(const QImage& image)
{
    if (image.isNull())
        return Shows::LeftToQt;
    if (image == platform::refusedPictureMark())
        return Shows::Refused;
    if (image == platform::missingPictureMark())
        return Shows::Missing;
    return Shows::Picture;
}

}  // namespace

TEST(DocumentPicture, EachKindOfNameGetsItsPictureOrMarkWithoutHanging)
{
    if (childrun::ranInChild(60000))
        return;
    const QString data = testenv::prepareDataFolder();
    ASSERT_TRUE(QDir().mkpath(QStringLiteral("item/u/q")));
    ASSERT_TRUE(hostile::write(QStringLiteral("item/u/q/1.png"), hostile::png(60, 40)));
    ASSERT_TRUE(hostile::write(QStringLiteral("item/u/q/icon.png"), hostile::icoHolding(hostile::png(60, 40))));
    ASSERT_EQ(::mkfifo("item/u/q/2.jpg", 0600), 0);  // nobody writes it
    ASSERT_TRUE(QDir().mkpath(QStringLiteral("item/u/q/3.png")));
    EXPECT_NE(platform::missingPictureMark(), platform::refusedPictureMark());

    const QString picture = data + QStringLiteral("/item/u/q/1.png");
    const QString fifo = data + QStringLiteral("/item/u/q/2.jpg");
    struct Case {
        QUrl name;
        Shows shows;
    };
    const Case cases[] = {
        {QUrl(QStringLiteral("item/u/q/1.png")), Shows::Picture},  // as answers name them
        {QUrl::fromLocalFile(picture), Shows::Picture},
        {QUrl(picture), Shows::Picture},  // an absolute path
        {QUrl(QStringLiteral("data:image/png;base64,") + QString::fromLatin1(hostile::png(8, 8).toBase64())),
         Shows::Picture},
        {QUrl(QStringLiteral("item/u/q/icon.png")), Shows::Refused},  // the door refuses it
        {QUrl(QStringLiteral("item/u/q/2.jpg")), Shows::Refused},     // a FIFO
        {QUrl::fromLocalFile(fifo), Shows::Refused},
        {QUrl(fifo), Shows::Refused},
        {QUrl(QStringLiteral("/dev/zero")), Shows::Refused},  // a device: never read
        {QUrl(QStringLiteral("file:///dev/zero")), Shows::Refused},
        {QUrl(QStringLiteral("item/u/q/3.png")), Shows::Refused},            // a folder
        {QUrl(QStringLiteral("http://127.0.0.1:9/p.png")), Shows::Refused},  // nothing fetched
        {QUrl(QStringLiteral("item/u/q/9.png")), Shows::Missing},
        {QUrl::fromLocalFile(data + QStringLiteral("/no/such/folder/1.png")), Shows::Missing},
        {QUrl(QStringLiteral("qrc:/Lorvane/Resources/importtopic/folder.png")), Shows::LeftToQt},
        {QUrl(QStringLiteral(":/Lorvane/Resources/importtopic/folder.png")), Shows::LeftToQt},
    };
    for (const Case& c : cases) {
        const QImage image = platform::readDocumentPicture(c.name);
        EXPECT_STREQ(nameOf(shown(image)), nameOf(c.shows)) << c.name.toString().left(80).toStdString();
        if (c.shows == Shows::Picture) {
            EXPECT_FALSE(image.size() == QSize(16, 16)) << c.name.toString().left(80).toStdString();
        }
    }

    // Other resources of a local name (a style sheet) are never read; the
    // program's own go to Qt.
    const QVariant sheet = platform::documentResource(QTextDocument::StyleSheetResource, QUrl(fifo));
    EXPECT_TRUE(sheet.isValid());
    EXPECT_TRUE(sheet.toString().isEmpty());
    EXPECT_FALSE(
        platform::documentResource(QTextDocument::ImageResource, QUrl(QStringLiteral("qrc:/Lorvane/x.png"))).isValid());
}
