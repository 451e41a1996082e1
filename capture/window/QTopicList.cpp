#include "capture/window/QTopicList.h"

#include <QListWidget>

#include <algorithm>
#include <string>

#include "capture/viewer/QViewItem.h"
#include "capture/window/QuestionFolder.h"
#include "core/AppContext.h"
#include "core/Sqlite.h"
#include "ui/AwaitTask.h"
#include "ui/Modal.h"
#include "ui/QMessageBoxBase.h"

QTopicList::QTopicList(QWidget* parent) : QThumbnail(parent)
{
    connect(listWidget(), &QListWidget::itemDoubleClicked, this, &QTopicList::itemDoubleClicked);
    connect(this, &QTopicList::fresh, this, &QTopicList::load_data);
}

QTopicList::~QTopicList() = default;

IDatabase* QTopicList::database() const
{
    return database_ ? database_ : Singleton<sqlite>::instance();
}

QString QTopicList::picturePath(const _detail_t& detail) const
{
    return questionfolder::file(AppContext::instance()->user_folder, detail.detail_path, questionfolder::kQuestion);
}

void QTopicList::append(const _detail_t& detail)
{
    records_.push_back(detail);
    addItem(picturePath(detail));
}

void QTopicList::itemDoubleClicked(QListWidgetItem*)
{
    const int row = listWidget()->currentRow();
    if (row < 0 || row >= static_cast<int>(records_.size()))
        return;
    // The viewer reads and updates the records in place.
    QViewItem viewer(records_, row, nullptr);
    connect(&viewer, &QViewItem::rowChanged, this, &QTopicList::setCurrentItem);
    modal::exec(viewer);
}

void QTopicList::load_data()
{
    const int row = listWidget()->currentRow();
    clear();
    for (const _detail_t& detail : records_)
        addItem(picturePath(detail));
    if (row >= 0 && row < static_cast<int>(records_.size()))
        setCurrentItem(row);
}

void QTopicList::deleteRows(const std::vector<int>& rows)
{
    std::vector<int> ids;
    for (int row : rows)
        ids.push_back(records_.at(static_cast<size_t>(row)).id);

    IDatabase* db = database();
    size_t deleted = 0;
    std::string err;
    const int rc = awaitTask(
        [db, &ids, &deleted, &err] {
            for (int id : ids) {
                const int result = db->deleteDetails({id}, err);
                if (result != 0)
                    return result;
                ++deleted;
            }
            return 0;
        },
        err);

    // The rows deleted before a failure are gone from the database: their
    // records go too, from the last to the first so the positions hold.
    for (size_t i = deleted; i-- > 0;)
        records_.erase(records_.begin() + rows.at(i));
    if (rc != 0)
        QMessageBoxBase::information(this, QStringLiteral("提示"), QString::fromUtf8(err.c_str()));
    if (deleted > 0)
        emit fresh();
}

void QTopicList::menu_delete_triggered()
{
    std::vector<int> rows;
    for (QListWidgetItem* item : listWidget()->selectedItems())
        rows.push_back(listWidget()->row(item));
    std::sort(rows.begin(), rows.end());
    if (QMessageBoxBase::question(this, QStringLiteral("删除"), QStringLiteral("是否要从列表中删除?")) != 1)
        return;
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [this](int row) { return row < 0 || row >= static_cast<int>(records_.size()); }),
               rows.end());
    if (!rows.empty())
        deleteRows(rows);
}

void QTopicList::menu_clear_triggered()
{
    std::vector<int> rows;
    for (int row = 0; row < static_cast<int>(records_.size()); ++row)
        rows.push_back(row);
    if (QMessageBoxBase::question(this, QStringLiteral("删除"), QStringLiteral("是否要全部删除?")) != 1)
        return;
    if (!rows.empty())
        deleteRows(rows);
}
