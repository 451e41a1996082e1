#include "service/Infomation.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "service/WebAddress.h"

Infomation::Infomation(QString title, std::vector<QString> lines, QString acceptText, QString rejectText,
                       QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint)
{
    layout_ = new QVBoxLayout(this);
    title_ = new QLabel(QStringLiteral("<h3>%1</h3>").arg(title), this);
    title_->setAlignment(Qt::AlignHCenter);
    layout_->addWidget(title_);
    layout_->addSpacing(10);

    lines_ = new QVBoxLayout();
    for (const QString& line : lines) {
        QLabel* label = new QLabel(QStringLiteral("%1").arg(line), this);
        label->setWordWrap(true);
        // A link opens only as a web address (http, https); any other kind
        // (file:, a program, javascript:) is refused like the title's link.
        label->setOpenExternalLinks(false);
        connect(label, &QLabel::linkActivated, this, [](const QString& link) { openWebAddress(link); });
        lines_->addWidget(label);
    }
    layout_->addLayout(lines_);
    layout_->addStretch();

    QDialogButtonBox* buttons = new QDialogButtonBox(this);
    if (!acceptText.isEmpty()) {
        buttons->addButton(acceptText, QDialogButtonBox::YesRole);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    }
    if (!rejectText.isEmpty()) {
        buttons->addButton(rejectText, QDialogButtonBox::NoRole);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    }
    layout_->addWidget(buttons);
}

Infomation::~Infomation() = default;

void Infomation::mousePressEvent(QMouseEvent* event)
{
    // Drag the frameless window by any point, as its caption would.
    if (event->button() == Qt::LeftButton)
        dragger_.press(window(), event->globalPos());
    event->ignore();
}

void Infomation::mouseMoveEvent(QMouseEvent* event)
{
    if (dragger_.isDragging())
        dragger_.move(event->globalPos());
    QDialog::mouseMoveEvent(event);
}

void Infomation::mouseReleaseEvent(QMouseEvent* event)
{
    dragger_.release();
    QDialog::mouseReleaseEvent(event);
}
