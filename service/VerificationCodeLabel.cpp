#include "service/VerificationCodeLabel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QTime>

VerificationCodeLabel::VerificationCodeLabel(QWidget* parent) : QLabel(parent)
{
    const QTime now = QTime::currentTime();
    random_.seed(static_cast<quint32>(now.msec() + now.second() * 1000));
    // A child that has not been laid out yet is 100 pixels wide: 400 points.
    noiseCount = 4 * width();
    makeCode();
    makeColors();
}

QString VerificationCodeLabel::codeText() const
{
    QString text;
    for (const QChar& c : code)
        text += c;
    return text;
}

void VerificationCodeLabel::makeCode()
{
    code.clear();
    for (int i = 0; i < count; ++i) {
        const int kind = draw(count);
        if (kind == 1)
            code.append(QChar(65 + draw(26)));
        else if (kind == 2)
            code.append(QChar(97 + draw(26)));
        else
            code.append(QChar(48 + draw(10)));
    }
}

void VerificationCodeLabel::makeColors()
{
    textColors.clear();
    noiseColors.clear();
    for (int i = 0; i < count; ++i) {
        const int r = draw(155);
        const int g = draw(100);
        const int b = draw(155);
        textColors.append(QColor(r, g, b));
        const int nr = 100 + draw(155);
        const int ng = 100 + draw(155);
        const int nb = 100 + draw(155);
        noiseColors.append(QColor(nr, ng, nb));
    }
}

void VerificationCodeLabel::mousePressEvent(QMouseEvent* event)
{
    Q_UNUSED(event);
    makeCode();
    makeColors();
    update();
}

void VerificationCodeLabel::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    const int w = width();
    const int h = height();
    painter.fillRect(rect(), Qt::white);
    for (int i = 0; i < code.size(); ++i) {
        painter.setPen(QPen(QBrush(textColors.value(i)), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawText(QPoint(w / 16 + (w / count) * i, static_cast<int>(h / 1.5)), QString(code[i]));
    }
    if (w <= 0 || h <= 0)
        return;
    for (int j = 0; j < noiseCount; ++j) {
        painter.setPen(QPen(QBrush(noiseColors.value(j % count)), 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        painter.drawPoint(draw(w), draw(h));
    }
}
