// svg2x <source.svg> <picture.png> <output.png> [scale]
//
// Renders the SVG source at `scale` (default 2) times the pixel size of the
// existing picture rendered from it, on a transparent background, and saves
// the result as PNG. Exit code 0 on success, 1 on wrong arguments, 2 when a
// file cannot be read or written.
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 4 || argc > 5) {
        std::fprintf(stderr, "usage: svg2x <source.svg> <picture.png> <output.png> [scale]\n");
        return 1;
    }
    // Fonts for the texts of a source need a GUI application; no display is
    // needed for drawing into an image.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString picture = QString::fromLocal8Bit(argv[2]);
    const QString output = QString::fromLocal8Bit(argv[3]);
    const int scale = argc == 5 ? std::atoi(argv[4]) : 2;
    if (scale < 1) {
        std::fprintf(stderr, "svg2x: the scale must be a positive whole number\n");
        return 1;
    }

    QSvgRenderer renderer(source);
    const QSize base = QImageReader(picture).size();
    if (!renderer.isValid() || !base.isValid()) {
        std::fprintf(stderr, "svg2x: cannot read %s or %s\n", argv[1], argv[2]);
        return 2;
    }
    QImage image(base * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
    }
    if (!image.convertToFormat(QImage::Format_ARGB32).save(output, "PNG")) {
        std::fprintf(stderr, "svg2x: cannot write %s\n", argv[3]);
        return 2;
    }
    return 0;
}
