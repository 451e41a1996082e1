#include "transfer/QThumbnail.h"

#include <QContextMenuEvent>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

#include "platform/PictureFile.h"
#include "ui/QMessageBoxBase.h"

QThumbnail::QThumbnail(QWidget* parent) : QWidget(parent)
{
    setupList();
    connect(list_, &QListWidget::currentRowChanged, this, &QThumbnail::currentRowChanged);
}

QThumbnail::~QThumbnail() = default;

void QThumbnail::setupList()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    list_ = new QListWidget(this);
    list_->setFocusPolicy(Qt::NoFocus);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setViewMode(QListView::IconMode);
    list_->setResizeMode(QListView::Adjust);
    list_->setMovement(QListView::Static);
    list_->setSpacing(5);
    list_->setContentsMargins(0, 0, 0, 0);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list_->verticalScrollBar()->setSingleStep(50);
    layout->addWidget(list_);
}

void QThumbnail::fixItemSide()
{
    if (itemWidth_ >= 0 && itemHeight_ >= 0)
        return;
    const int side = std::max(1, std::min(width(), 150) - 10);
    itemWidth_ = side;
    itemHeight_ = side;
    list_->setIconSize(QSize(side, side));
}

void QThumbnail::showEvent(QShowEvent* event)
{
    fixItemSide();
    QWidget::showEvent(event);
}

QImage QThumbnail::makeThumbnail(const QString& path, int side)
{
    QImage canvas(side, side, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    const QImage picture = platform::readPictureScaled(path, QSize(side, side));
    if (picture.isNull())
        return canvas;
    QPainter painter(&canvas);
    painter.drawImage((side - picture.width()) / 2, (side - picture.height()) / 2, picture);
    return canvas;
}

void QThumbnail::addItem(QString path)
{
    fixItemSide();
    addItem(path, makeThumbnail(path, itemWidth_));
}

int QThumbnail::thumbnailSide()
{
    fixItemSide();
    return itemWidth_;
}

void QThumbnail::addItem(QString path, const QImage& thumbnail)
{
    fixItemSide();
    paths_.append(path);
    auto* item = new QListWidgetItem;
    item->setBackground(QBrush(Qt::white));
    item->setSizeHint(QSize(itemWidth_ + 10, itemHeight_ + 10));
    item->setTextAlignment(Qt::AlignCenter);
    item->setIcon(QIcon(QPixmap::fromImage(thumbnail)));
    list_->addItem(item);
}

QString QThumbnail::getPath(int index) const
{
    if (index < 0 || index >= paths_.size())
        return QString();
    return paths_.at(index);
}

void QThumbnail::clear()
{
    const QSignalBlocker blocker(list_);
    paths_.clear();
    list_->clear();
}

void QThumbnail::setCurrentItem(int index)
{
    if (index >= 0 && index < paths_.size())
        list_->setCurrentRow(index);
}

void QThumbnail::setNextItem()
{
    const int row = list_->currentRow();
    if (row >= 0 && row + 1 < paths_.size())
        list_->setCurrentRow(row + 1);
}

void QThumbnail::currentRowChanged(int currentRow)
{
    if (currentRow != -1)
        emit rowChanged(currentRow);
}

QMenu* QThumbnail::createContextMenu()
{
    auto* menu = new QMenu;
    if (paths_.isEmpty()) {
        menu->addAction(QStringLiteral("增加"));  // offered, does nothing
        return menu;
    }
    if (movable_) {
        connect(menu->addAction(QStringLiteral("上移")), &QAction::triggered, this,
                [this] { menu_moveup_triggered(); });
        connect(menu->addAction(QStringLiteral("下移")), &QAction::triggered, this,
                [this] { menu_movedown_triggered(); });
    }
    if (!list_->selectedItems().isEmpty())
        connect(menu->addAction(QStringLiteral("删除")), &QAction::triggered, this,
                [this] { menu_delete_triggered(); });
    connect(menu->addAction(QStringLiteral("清空")), &QAction::triggered, this, [this] { menu_clear_triggered(); });
    return menu;
}

void QThumbnail::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    std::unique_ptr<QMenu> menu(createContextMenu());
    menu->exec(event->globalPos());
}

void QThumbnail::menu_clear_triggered()
{
    if (QMessageBoxBase::question(this, QStringLiteral("清空"), QStringLiteral("是否要清空列表?")) != 1)
        return;
    for (const QString& path : paths_)
        QFile::remove(path);
    clear();
    emit rowChanged(-1);
}

void QThumbnail::menu_delete_triggered()
{
    QList<int> rows;
    for (QListWidgetItem* item : list_->selectedItems())
        rows.append(list_->row(item));
    std::sort(rows.begin(), rows.end());
    if (QMessageBoxBase::question(this, QStringLiteral("删除"), QStringLiteral("是否要从列表中删除?")) != 1)
        return;
    for (int i = rows.size() - 1; i >= 0; --i) {
        const int row = rows.at(i);
        int next = -1;
        {
            // One rowChanged per removed entry, after the list and the paths agree.
            const QSignalBlocker blocker(list_);
            QFile::remove(paths_.at(row));
            delete list_->takeItem(row);
            paths_.removeAt(row);
            if (!paths_.isEmpty()) {
                next = std::max(row - 1, 0);
                list_->setCurrentRow(next);
            }
        }
        emit rowChanged(next);
    }
}

void QThumbnail::swapWith(int offset)
{
    const int row = list_->currentRow();
    const int other = row + offset;
    if (paths_.isEmpty() || row < 0 || other < 0 || other >= paths_.size())
        return;
    // The page shown stays the same, so no rowChanged.
    const QSignalBlocker blocker(list_);
    paths_.swapItemsAt(row, other);
    QListWidgetItem* item = list_->takeItem(row);
    list_->insertItem(other, item);
    list_->setCurrentRow(other);
}

void QThumbnail::menu_moveup_triggered()
{
    swapWith(-1);
}

void QThumbnail::menu_movedown_triggered()
{
    swapWith(1);
}
