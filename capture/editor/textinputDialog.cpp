#include "capture/editor/textinputDialog.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace {

constexpr int kMaxLength = 20;
constexpr int kMovePictureRoom = 26;

}  // namespace

textinputDialog::textinputDialog() : QDialog(nullptr), outside_(this, [this] { endByPressOutside(); })
{
    // No pop-up: a pop-up grabs the pointer, and a click on an input
    // method's candidate window would end the entry with the word unwritten.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    // exec() makes a dialog modal; window-modal without a parent blocks no
    // window, so that presses on the others reach outside_, which holds their
    // input in place of the modality.
    setWindowModality(Qt::WindowModal);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    lineEdit_ = new QLineEdit(this);
    lineEdit_->setMaxLength(kMaxLength);
    lineEdit_->setContentsMargins(0, 0, 0, 0);
    lineEdit_->setToolTip(QStringLiteral("Enter:完成\r\nEsc:取消\r\n箭头:移动\r\nTab:红色"));
    lineEdit_->setStyleSheet(QStringLiteral("border:1px solid green;"));
    layout->addWidget(lineEdit_);
    layout->addSpacing(kMovePictureRoom);

    setStyleSheet(QStringLiteral("border:1px solid gray;"));
    lineEdit_->installEventFilter(this);
    lineEdit_->setFocus();
}

textinputDialog::~textinputDialog() = default;

QString textinputDialog::text() const
{
    return lineEdit_->text();
}

bool textinputDialog::entryKey(int key)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: accept(); return false;
    case Qt::Key_Escape: reject(); return false;
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down: {
        if (!lineEdit_->text().isEmpty())
            return false;  // the entry moves its text cursor
        const int dx = key == Qt::Key_Left ? -1 : key == Qt::Key_Right ? 1 : 0;
        const int dy = key == Qt::Key_Up ? -1 : key == Qt::Key_Down ? 1 : 0;
        move(x() + dx, y() + dy);
        return true;
    }
    case Qt::Key_Tab:
        red_ = !red_;
        lineEdit_->setStyleSheet(red_ ? QStringLiteral("color:red") : QStringLiteral("color:black"));
        return false;
    default: return false;
    }
}

bool textinputDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lineEdit_ && event->type() == QEvent::KeyPress) {
        if (entryKey(static_cast<QKeyEvent*>(event)->key()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void textinputDialog::endByPressOutside()
{
    if (text().simplified().isEmpty())
        reject();
    else
        accept();
}

void textinputDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    outside_.start();
    activateWindow();
    lineEdit_->setFocus();
}

void textinputDialog::hideEvent(QHideEvent* event)
{
    outside_.stop();
    QDialog::hideEvent(event);
}

void textinputDialog::mousePressEvent(QMouseEvent* event)
{
    if (isWindow()) {
        dragger_.press(this, event->globalPos());
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}

void textinputDialog::mouseMoveEvent(QMouseEvent* event)
{
    if (dragger_.isDragging() && event->buttons() != Qt::NoButton) {
        dragger_.move(event->globalPos());
        event->accept();
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void textinputDialog::mouseReleaseEvent(QMouseEvent* event)
{
    dragger_.release();
    QDialog::mouseReleaseEvent(event);
}

void textinputDialog::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(lineEdit_->geometry().topRight(),
                       QPixmap(QStringLiteral(":/Lorvane/Resources/imageviewer/text-move.png")));
}
