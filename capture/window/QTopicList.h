#pragma once

#include <vector>

#include "core/Records.h"
#include "transfer/QThumbnail.h"

class IDatabase;
class QListWidgetItem;

// The column "题目列表" of the capture window: the questions saved while the
// window is open, one thumbnail of "questions.jpg" each, in the order of
// saving. Entry i always shows records()[i].
//
// A double click opens the question in the viewer (paging there moves the
// current entry along). "删除" and "清空" delete the questions' database rows
// - one id per call, through awaitTask - and keep their folders. The records
// and entries then drop exactly the questions whose rows were deleted, also
// when a later deletion fails (its error text is shown under "提示").
//
// GUI thread only.
class QTopicList : public QThumbnail {
    Q_OBJECT
public:
    explicit QTopicList(QWidget* parent = nullptr);
    ~QTopicList() override;

    // Adds a saved question at the end.
    void append(const _detail_t& detail);
    const std::vector<_detail_t>& records() const { return records_; }

    // The database the deletions go to (null: the program's own).
    void setDatabase(IDatabase* database) { database_ = database; }

signals:
    // Questions were deleted; the entries are rebuilt from the records.
    void fresh();

public slots:
    void itemDoubleClicked(QListWidgetItem* item);
    void menu_delete_triggered() override;
    void menu_clear_triggered() override;
    // Rebuilds the entries from the records, keeping the current row when it
    // still exists.
    void load_data();

private:
    // Deletes the rows of records_[rows[0]], records_[rows[1]], ... one call
    // each, stopping at the first failure, and drops the records deleted.
    void deleteRows(const std::vector<int>& rows);
    QString picturePath(const _detail_t& detail) const;
    IDatabase* database() const;

    std::vector<_detail_t> records_;
    IDatabase* database_ = nullptr;
};
