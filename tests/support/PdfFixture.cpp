#include "support/PdfFixture.h"

#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace testpdf {

QColor pageColor(int page)
{
    static const QColor colors[] = {QColor(220, 40, 40), QColor(40, 180, 60), QColor(40, 70, 220),
                                    QColor(230, 200, 30)};
    return colors[(page - 1) % 4];
}

bool write(const QString& path, int pages)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(72);
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            writer.newPage();
        const QRect area = painter.viewport();
        painter.fillRect(area, pageColor(page));
        QFont font = painter.font();
        font.setPixelSize(120);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(area, Qt::AlignCenter, QString::number(page));
    }
    return painter.end();
}

}  // namespace testpdf
