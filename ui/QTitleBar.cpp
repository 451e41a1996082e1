#include "ui/QTitleBar.h"

#include <QButtonGroup>
#include <QDialog>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include "ui/StyledPaint.h"

namespace {

QPushButton* makeButton(QWidget* parent, const char* name, const QString& tip)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(tip);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    return button;
}

}  // namespace

QTitleBar::QTitleBar(QWidget* parent) : QWidget(parent)
{
    iconLabel_ = new QLabel(this);
    iconLabel_->setObjectName(QStringLiteral("IconLabel"));
    iconLabel_->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    iconLabel_->setScaledContents(true);
    titleLabel_ = new QLabel(this);
    titleLabel_->setObjectName(QStringLiteral("titleLabel"));

    closeButton_ = makeButton(this, "closeButton", QStringLiteral("关闭"));
    maximizeButton_ = makeButton(this, "maximizeButton", QStringLiteral("最大化"));
    minimizeButton_ = makeButton(this, "minimizeButton", QStringLiteral("最小化"));
    setButton_ = makeButton(this, "setButton", QStringLiteral("设置"));
    helpButton_ = makeButton(this, "helpButton", QStringLiteral("帮助"));

    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(0);
    layout->setContentsMargins(5, 0, 0, 0);
    layout->addWidget(iconLabel_);
    layout->addWidget(titleLabel_, 1);
    layout->addWidget(helpButton_);
    layout->addWidget(setButton_);
    layout->addWidget(minimizeButton_);
    layout->addWidget(maximizeButton_);
    layout->addWidget(closeButton_);

    group_ = new QButtonGroup(this);
    group_->addButton(closeButton_, Close);
    group_->addButton(maximizeButton_, Maximize);
    group_->addButton(minimizeButton_, Minimize);
    group_->addButton(setButton_, Settings);
    group_->addButton(helpButton_, Help);
    connect(group_, &QButtonGroup::idClicked, this, &QTitleBar::buttonClicked);

    setButtons(kDefaultButtons);
}

QTitleBar::~QTitleBar() = default;

void QTitleBar::setButtons(int mask)
{
    closeButton_->setVisible(mask & kCloseBit);
    maximizeButton_->setVisible(mask & kMaximizeBit);
    minimizeButton_->setVisible(mask & kMinimizeBit);
    setButton_->setVisible(mask & kSettingsBit);
    helpButton_->setVisible(mask & kHelpBit);
    mask_ = mask;
}

void QTitleBar::setNormalSize(int width, int height)
{
    normalWidth_ = width;
    normalHeight_ = height;
}

void QTitleBar::setMaximized(bool on)
{
    if (on == maximized_)
        return;
    QWidget* window = dialog();
    const QRect area = platform::primaryAvailableGeometry();
    const int w = area.width();
    const int h = area.height();
    // Within the free area, which starts below or beside a panel of the
    // desktop where there is one.
    if (on) {
        if (window) {
            window->move(area.topLeft());
            window->resize(w, h);
        }
        maximized_ = true;
    } else {
        if (window) {
            window->move(area.x() + (w - normalWidth_) / 2, area.y() + (h - normalHeight_) / 2);
            window->resize(normalWidth_, normalHeight_);
        }
        maximized_ = false;
    }
}

void QTitleBar::buttonClicked(int id)
{
    QWidget* window = dialog();
    if (!window || !window->isWindow())
        return;  // embedded in another widget: the buttons do nothing
    switch (id) {
    case Close:
        if (auto* d = qobject_cast<QDialog*>(window))
            d->reject();  // ends a running exec() with 0
        else
            window->close();
        break;
    case Maximize: setMaximized(!maximized_); break;
    case Minimize: window->showMinimized(); break;
    default: break;
    }
    emit button_clicked(id);
}

bool QTitleBar::eventFilter(QObject* watched, QEvent* event)
{
    if (!watched || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::WindowTitleChange: titleLabel_->setText(widget->windowTitle()); return true;
    case QEvent::WindowIconChange:
        iconLabel_->setPixmap(widget->windowIcon().pixmap(iconLabel_->size(), QIcon::Normal, QIcon::Off));
        return true;
    default: return false;
    }
}

void QTitleBar::mousePressEvent(QMouseEvent* event)
{
    QWidget* window = dialog();
    if (event->button() == Qt::LeftButton && window && window->isWindow()) {
        dragger_.press(window, event->globalPos());
        if (dragger_.isDragging()) {
            // No system move here: keep the press so the moves come to us.
            event->accept();
            return;
        }
    }
    // The system moves the window (or nothing to do): let the dialog see the
    // press as well.
    event->ignore();
}

void QTitleBar::mouseMoveEvent(QMouseEvent* event)
{
    if (dragger_.isDragging() && (event->buttons() & Qt::LeftButton)) {
        dragger_.move(event->globalPos());
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void QTitleBar::mouseReleaseEvent(QMouseEvent* event)
{
    dragger_.release();
    QWidget::mouseReleaseEvent(event);
}

void QTitleBar::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Deliberately nothing: a double click neither maximizes nor drags.
    event->accept();
}

void QTitleBar::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    paintStyledBackground(this);
}
