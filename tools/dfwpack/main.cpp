// dfwpack <output> <folder>...
//
// Writes the files below the folders into one zip file, each under its path
// relative to its folder; a file of a later folder replaces one of the same
// path from an earlier folder (the templates share a common set of parts and
// add their own). "[Content_Types].xml" comes first, pictures are stored,
// everything else is deflated. Exit code 0 on success.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStringList>

#include <zip.h>

#include <cstdio>

namespace {

bool isPicture(const QString& name)
{
    const QString suffix = QFileInfo(name).suffix().toLower();
    return suffix == QLatin1String("png") || suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg") ||
           suffix == QLatin1String("gif") || suffix == QLatin1String("bmp");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: dfwpack <output> <folder>...\n");
        return 2;
    }
    QMap<QString, QString> files;  // entry name -> source file
    for (int i = 2; i < argc; ++i) {
        const QDir root(QString::fromLocal8Bit(argv[i]));
        if (!root.exists()) {
            std::fprintf(stderr, "dfwpack: no folder %s\n", argv[i]);
            return 1;
        }
        QDirIterator it(root.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            files[root.relativeFilePath(path)] = path;
        }
    }
    QStringList order = files.keys();
    const QString types = QStringLiteral("[Content_Types].xml");
    if (order.removeAll(types) > 0)
        order.prepend(types);

    const QByteArray output = QFile::encodeName(QString::fromLocal8Bit(argv[1]));
    QFile::remove(QString::fromLocal8Bit(argv[1]));
    int code = 0;
    zip_t* archive = zip_open(output.constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive) {
        std::fprintf(stderr, "dfwpack: cannot create %s\n", output.constData());
        return 1;
    }
    for (const QString& name : order) {
        zip_source_t* source = zip_source_file(archive, QFile::encodeName(files[name]).constData(), 0, -1);
        const zip_int64_t index = source ? zip_file_add(archive, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8)
                                         : -1;
        if (index < 0) {
            std::fprintf(stderr, "dfwpack: %s: %s\n", qPrintable(name), zip_strerror(archive));
            if (source)
                zip_source_free(source);
            zip_discard(archive);
            return 1;
        }
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                                 isPicture(name) ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
    }
    if (zip_close(archive) != 0) {
        std::fprintf(stderr, "dfwpack: %s\n", zip_strerror(archive));
        zip_discard(archive);
        return 1;
    }
    return 0;
}
