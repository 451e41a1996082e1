#include "capture/question/QStepBar.h"

#include <QPainter>

QStepBar::QStepBar(QWidget* parent) : QProgressBar(parent) {}

QStepBar::~QStepBar() = default;

void QStepBar::addStep(QString text)
{
    steps_ << text;
}

// Geometry in whole-number divisions of the width w and height h: circle k
// (k = 1, 2, 3) is centred at (k * (w / 4), 3h / 4) with the side 2 * (h / 4);
// its text box, w / 3 by h / 2, is centred at (k * (w / 4), h / 4).
void QStepBar::paintEvent(QPaintEvent*)
{
    const int w = width();
    const int h = height();
    const int side = 2 * (h / 4);
    const int lineY = (3 * h) / 4;
    auto circleAt = [&](int k) { return QRect(k * (w / 4) - side / 2, lineY - side / 2, side, side); };
    auto textAt = [&](int k) { return QRect(k * (w / 4) - (w / 3) / 2, h / 4 - (h / 2) / 2, w / 3, h / 2); };

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);

    painter.setPen(Qt::black);
    for (int k = 1; k <= 3 && k <= steps_.size(); ++k)
        painter.drawText(textAt(k), Qt::AlignCenter, steps_[k - 1]);

    painter.setPen(Qt::gray);
    painter.drawLine(0, lineY, w, lineY);

    painter.setPen(Qt::white);
    for (int k = 1; k <= 3; ++k) {
        const int v = value();
        painter.setBrush(v == k ? Qt::blue : (v < k ? Qt::gray : Qt::green));
        painter.drawEllipse(circleAt(k));
        painter.drawText(circleAt(k), Qt::AlignCenter, QString::number(k));
    }
}
