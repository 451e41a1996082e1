#pragma once

#include <QChar>
#include <QColor>
#include <QLabel>
#include <QList>
#include <QRandomGenerator>

// A picture captcha: four characters (digits twice as likely as capital or
// small letters) in dark colours on white, under light noise points. A press
// on it draws a new code.
class VerificationCodeLabel : public QLabel {
    Q_OBJECT
public:
    explicit VerificationCodeLabel(QWidget* parent = nullptr);

    // The code characters, in order (case matters).
    QString codeText() const;

    void makeCode();
    void makeColors();

    int noisePoints() const { return noiseCount; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int draw(int bound) { return static_cast<int>(random_.bounded(bound)); }

    int count = 4;
    int noiseCount = 0;
    QList<QChar> code;
    QList<QColor> textColors;
    QList<QColor> noiseColors;
    QRandomGenerator random_;
};
