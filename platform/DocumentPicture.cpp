#include "platform/DocumentPicture.h"

#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QTextDocument>
#include <QUrl>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/PictureFile.h"

namespace platform {

namespace {

// An open descriptor, closed when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

bool missing(int error)
{
    return error == ENOENT || error == ENOTDIR;
}

// The local file a document names; empty when the name is no local file.
QString localFile(const QUrl& name)
{
    if (name.isLocalFile())
        return name.toLocalFile();
    if (name.scheme().isEmpty())
        return name.path();
    return QString();
}

QImage readLocalPicture(const QString& file)
{
    const QByteArray native = QFile::encodeName(file);
    struct stat named {};
    if (::stat(native.constData(), &named) != 0)
        return missing(errno) ? missingPictureMark() : refusedPictureMark();
    if (!S_ISREG(named.st_mode))
        return refusedPictureMark();  // never opened
    // Without blocking: a name swapped for a FIFO since the look above
    // neither hangs the open nor is read.
    const Descriptor opened(::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (opened.fd() < 0)
        return missing(errno) ? missingPictureMark() : refusedPictureMark();
    struct stat held {};
    if (::fstat(opened.fd(), &held) != 0 || !S_ISREG(held.st_mode))
        return refusedPictureMark();
    // The door reads the very file opened here, by the name the system gives
    // the descriptor (where /proc is missing, by the document's name).
    const QString handle = QStringLiteral("/proc/self/fd/%1").arg(opened.fd());
    const QImage picture = readPicture(QFileInfo::exists(handle) ? handle : file);
    return picture.isNull() ? refusedPictureMark() : picture;
}

// The bytes of a data: URL ("data:image/png;base64,...").
QByteArray dataBytes(const QUrl& name)
{
    const QString body = name.path(QUrl::FullyDecoded);
    const int comma = body.indexOf(QLatin1Char(','));
    if (comma < 0)
        return QByteArray();
    const QByteArray payload = body.mid(comma + 1).toLatin1();
    if (body.left(comma).endsWith(QLatin1String(";base64"), Qt::CaseInsensitive))
        return QByteArray::fromBase64(payload);
    return payload;
}

}  // namespace

bool isProgramResource(const QUrl& name)
{
    if (name.scheme().compare(QLatin1String("qrc"), Qt::CaseInsensitive) == 0)
        return true;
    return name.scheme().isEmpty() && name.path().startsWith(QLatin1String(":/"));
}

QImage refusedPictureMark()
{
    QImage square(16, 16, QImage::Format_RGB32);
    square.fill(QColor(220, 220, 220));
    return square;
}

QImage missingPictureMark()
{
    // The icon QTextDocument shows for a picture it cannot load, from the
    // program's own (Qt's) resources.
    const QImage icon(QStringLiteral(":/qt-project.org/styles/commonstyle/images/file-16.png"));
    return icon.isNull() ? refusedPictureMark() : icon;
}

QImage readDocumentPicture(const QUrl& name)
{
    if (isProgramResource(name))
        return QImage();
    if (name.scheme().compare(QLatin1String("data"), Qt::CaseInsensitive) == 0) {
        const QImage picture = readPictureData(dataBytes(name), QStringLiteral("data"));
        return picture.isNull() ? refusedPictureMark() : picture;
    }
    const QString file = localFile(name);
    if (file.isEmpty())
        return name.isEmpty() ? missingPictureMark() : refusedPictureMark();
    return readLocalPicture(file);
}

QVariant documentResource(int type, const QUrl& name)
{
    if (isProgramResource(name))
        return QVariant();
    if (type == QTextDocument::ImageResource)
        return readDocumentPicture(name);
    return QString::fromLatin1("");  // not null: the document reads nothing itself
}

}  // namespace platform
