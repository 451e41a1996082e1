#include "ui/WaiteDialog.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

#include "core/Singleton.h"

namespace {

qint64 steadyNowMs()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

}  // namespace

WaiteDialog::WaiteDialog(QWidget* parent) : QDialog(parent), now_(&steadyNowMs)
{
    setAttribute(Qt::WA_TranslucentBackground, true);
    setWindowFlags(Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint);
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch();
    textLabel_ = new QLabel(QStringLiteral("请稍后..."), this);
    textLabel_->setAlignment(Qt::AlignCenter);
    textLabel_->setStyleSheet(QStringLiteral("color:black;"));
    layout->addWidget(textLabel_);

    resize(step_ * 6 + 10, base_ + 40);

    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &WaiteDialog::time_update);
    timer_->start(30);

    for (int i = 0; i < 5; ++i)
        dots_.append(home(i));
}

WaiteDialog::~WaiteDialog() = default;

WaiteDialog* WaiteDialog::instance()
{
    // Deleted by a post routine at the start of the application object's
    // destructor, while widgets can still be deleted safely.
    return appOwnedInstance<WaiteDialog>();
}

QPointF WaiteDialog::home(int i)
{
    return QPointF(15 * (i + 1) + 5, 15);
}

void WaiteDialog::start()
{
    for (int i = 0; i < dots_.size(); ++i)
        dots_[i] = home(i);
    running_ = true;
    show();
    startMs_ = now_();
}

void WaiteDialog::stop()
{
    hide();
    running_ = false;
}

void WaiteDialog::setClock(std::function<qint64()> nowMs)
{
    now_ = nowMs ? std::move(nowMs) : std::function<qint64()>(&steadyNowMs);
}

void WaiteDialog::moveDots(qint64 elapsedMs)
{
    const qint64 t = elapsedMs % 2500;
    const int k = static_cast<int>(t / 500);
    const int w = static_cast<int>(t % 500);
    if (k == 0)
        return;  // the resting half second: leave the dots where they are
    for (int i = 0; i < dots_.size(); ++i)
        dots_[i] = home(i);
    if (w > 400)
        return;
    const double y = base_ + 5;
    const double x1 = step_ * k + 5;
    const double x2 = step_ * (k + 1) + 5;
    const double c = (x1 + x2) / 2;
    const double r = step_ / 2;
    const double a = w * 0.00787898;
    dots_[k - 1] = QPointF(c - r * std::cos(a), y - r * std::sin(a));
    dots_[k] = QPointF(c + r * std::cos(a), y + r * std::sin(a));
}

void WaiteDialog::time_update()
{
    if (!running_)
        return;
    moveDots(now_() - startMs_);
    update();
}

void WaiteDialog::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(QBrush(Qt::white, Qt::SolidPattern));
    painter.setPen(QPen(QBrush(Qt::gray), 1.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 5.0, 5.0, Qt::AbsoluteSize);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QBrush(QColor(255, 145, 0), Qt::SolidPattern));
    for (const QPointF& dot : dots_)
        painter.drawEllipse(dot, 5.0, 5.0);
}
