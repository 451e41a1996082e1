#include "capture/sources/ScreenReport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextCodec>

#include "platform/PictureFile.h"
#include "platform/System.h"

namespace {

constexpr int kHeaderSize = 4;

QString refused(const QString& path, const QString& reason)
{
    return QStringLiteral("截屏图片无效，未使用：%1（%2）").arg(path, reason);
}

// Whether `path` (canonical) lies inside `folder` (canonical).
bool inside(const QString& path, const QString& folder)
{
    return !folder.isEmpty() && path.startsWith(folder + QLatin1Char('/'));
}

// The checks that need no reading; an empty text when they pass.
QString placeRefusal(const QString& path, const QFileInfo& info, const QString& tmpFolder)
{
    if (info.isSymLink())
        return refused(path, QStringLiteral("是链接"));
    if (!info.exists())
        return QStringLiteral("找不到图片文件：") + path;
    const QString tmp = QFileInfo(tmpFolder).canonicalFilePath();
    if (!inside(info.canonicalFilePath(), tmp))
        return refused(path, QStringLiteral("不在截屏临时目录中"));
    if (!info.isFile())
        return refused(path, QStringLiteral("不是文件"));
    if (info.size() > kMaxScreenShotBytes)
        return refused(path, QStringLiteral("文件过大"));
    return QString();
}

// The path bytes as text: null when they are not valid UTF-8.
bool decodeUtf8(const QByteArray& bytes, QString& text)
{
    QTextCodec* codec = QTextCodec::codecForName("UTF-8");
    QTextCodec::ConverterState state(QTextCodec::ConvertInvalidToNull);
    text = codec->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
}

}  // namespace

ScreenReport parseScreenReport(const QByteArray& buffer)
{
    ScreenReport report;
    if (buffer.isEmpty())
        return report;

    report.kind = ScreenReport::Kind::Malformed;
    const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.constData());
    const int size = buffer.size();
    if (size < 3 || bytes[0] != 0x7E || bytes[1] != 0x00)
        return report;
    if (bytes[2] != 0x01) {
        report.kind = ScreenReport::Kind::NotSaved;
        return report;
    }
    if (size < kHeaderSize)
        return report;
    const int length = bytes[3];
    if (size < kHeaderSize + length)
        return report;  // the path would run past the bytes received

    QByteArray path = buffer.mid(kHeaderSize, length);
    const int zero = path.indexOf('\0');
    if (zero >= 0) {
        // A terminator may end the path; a zero byte with more path after it
        // would make the file opened differ from the file reported.
        for (int i = zero; i < path.size(); ++i) {
            if (path.at(i) != '\0')
                return report;
        }
        path.truncate(zero);
    }
    if (path.isEmpty())
        return report;
    QString text;
    if (!decodeUtf8(path, text))
        return report;
    report.kind = ScreenReport::Kind::Saved;
    report.path = text;
    return report;
}

ScreenShot readScreenShot(const QString& reportedPath, const QString& tmpFolder)
{
    ScreenShot shot;
    const QString folder = tmpFolder.isEmpty() ? QString::fromStdString(platform::dataFolder()) + QStringLiteral("/tmp")
                                               : tmpFolder;
    const QFileInfo info(reportedPath);
    shot.refusal = placeRefusal(reportedPath, info, folder);
    if (!shot.refusal.isEmpty())
        return shot;

    QFile file(info.absoluteFilePath());
    if (!file.open(QIODevice::ReadOnly)) {
        shot.refusal = refused(reportedPath, file.errorString());
        return shot;
    }
    // Read once, at most one byte over the limit: a file that grew after the
    // check is refused all the same.
    QByteArray bytes = file.read(kMaxScreenShotBytes + 1);
    if (bytes.size() > kMaxScreenShotBytes) {
        shot.refusal = refused(reportedPath, QStringLiteral("文件过大"));
        return shot;
    }
    platform::PictureHeader header;
    QImage image;
    const platform::PictureVerdict verdict = platform::verifyPictureData(bytes, &header, &image);
    if (verdict == platform::PictureVerdict::TooLarge) {
        shot.refusal = platform::pictureTooLargeMessage(reportedPath, header.size);
        return shot;
    }
    if (verdict != platform::PictureVerdict::Ok) {
        shot.refusal = refused(reportedPath, QStringLiteral("不是图片或已损坏"));
        return shot;
    }
    shot.bytes = std::move(bytes);
    shot.image = std::move(image);
    return shot;
}
