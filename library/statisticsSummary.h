#pragma once

#include <QWidget>

#include <memory>
#include <thread>
#include <tuple>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;
class QVBoxLayout;

// Page "题目汇总": question counts of the current grade and term by subject
// and of every grade and term, the disk space of the user's question folders
// and of the cache folder, and the two clean-up buttons.
class statisticsSummary : public QWidget {
    Q_OBJECT
public:
    explicit statisticsSummary(QWidget* parent = nullptr);
    ~statisticsSummary() override;

    QTableWidget* subjectTable() const { return subjectTable_; }
    QTableWidget* gradeTermTable() const { return gradeTermTable_; }
    QLabel* questionSizeLabel() const { return questionSize_; }
    QLabel* cacheSizeLabel() const { return cacheSize_; }
    QPushButton* clearQuestionsButton() const { return btnClear1_; }
    QPushButton* clearCacheButton() const { return btnClear2_; }
    const std::vector<std::tuple<int, int, int>>& gradeTermCounts() const { return gradeTermCounts_; }

    // Starts summing the folder sizes on a thread of its own: both labels read
    // "正在计算..." and both buttons hide until their folder's report arrives.
    // Only the latest run reports; a report that arrives after the page is
    // gone is dropped.
    void startDirectorySize();
    // True while a run started by startDirectorySize has not reported both sizes.
    bool sizing() const { return pendingReports_ > 0; }

signals:
    // which: 0 the question folders, 1 the cache.
    void getFileSizeFinished(int which, qlonglong bytes);

public slots:
    void doWork();
    void resultReady();
    void showDirctorySize(int which, qlonglong bytes);
    void on_btn_clear1_clicked();
    // 清理缓存: empties tmp and removes the user's question folders that no
    // row names (RowlessFolders.h); says how many when there were any, and
    // shows the database's text when the rows could not be read (then no
    // folder is touched).
    void on_btn_clear2_clicked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void deliverSize(unsigned run, int which, qlonglong bytes);

    QVBoxLayout* layout_;
    QTableWidget* gradeTermTable_;
    QTableWidget* subjectTable_;
    QLabel* questionSize_;
    QPushButton* btnClear1_;
    QLabel* cacheSize_;
    QPushButton* btnClear2_;
    std::thread sizeThread_;
    unsigned sizeRun_ = 0;
    int pendingReports_ = 0;
    std::vector<std::tuple<int, int, int>> gradeTermCounts_;
    std::vector<std::tuple<int, int, int>> subjectCounts_;
    std::vector<std::tuple<int, int, int>> notMasteredCounts_;
};
