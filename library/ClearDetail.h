#pragma once

#include <string>
#include <tuple>
#include <vector>

#include "ui/QDialogBase.h"

class QTableWidget;

// The dialog "清理": deletes, in one go, every question of the ticked grades
// and terms together with the questions' folders. The current grade and term
// cannot be ticked.
class ClearDetail : public QDialogBase {
    Q_OBJECT
public:
    // counts: (grade id, term id, question count), one table row each.
    explicit ClearDetail(std::vector<std::tuple<int, int, int>> counts, QWidget* parent = nullptr);
    ~ClearDetail() override;

    QTableWidget* table() const { return table_; }

    // Removes the folder item/<userFolder>/<path> (relative to the working
    // directory) with everything in it. Only a plain folder name is taken; a
    // link, the folder itself or one inside it, is removed itself, never what
    // it points to.
    static void removeQuestionFolder(const std::string& userFolder, const std::string& path);

public slots:
    void on_clear_clicked();

private:
    std::vector<std::tuple<int, int, int>> counts_;
    QTableWidget* table_;
};
