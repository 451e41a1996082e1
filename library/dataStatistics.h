#pragma once

#include <QWidget>

class QButtonGroup;
class QStackedLayout;
class statisticsPoint;
class statisticsState;
class statisticsCause;
class statisticsImportNumber;
class statisticsSummary;

// The statistics tab "数据统计": five radio buttons choose one of five pages
// (易错考点, 掌握情况, 错误原因, 题目收录, 题目汇总); the chosen page fetches its
// figures for the current selection when it is chosen and whenever the main
// window refreshes the tab (StartStatistical). A page is built when it is
// first chosen or asked for: the five pages of tables and charts are a good
// part of the main window, and the tab shows one at a time.
class dataStatistics : public QWidget {
    Q_OBJECT
public:
    explicit dataStatistics(QWidget* parent = nullptr);
    ~dataStatistics() override;

    // The page whose figures StartStatistical fetches; -1 none.
    int currentPage() const { return currentPage_; }
    // The page of that index (built on the first call); null outside 0 to 4.
    QWidget* page(int index);
    QButtonGroup* buttons() const { return group_; }
    QStackedLayout* stack() const { return stack_; }

    // Each page, built on the first call.
    statisticsPoint* pointPage();
    statisticsState* statePage();
    statisticsCause* causePage();
    statisticsImportNumber* importPage();
    statisticsSummary* summaryPage();

public slots:
    void buttonClicked(int id);
    void StartStatistical();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    template <typename Page>
    Page* built(Page*& page, int index);

    statisticsPoint* point_ = nullptr;
    statisticsState* state_ = nullptr;
    statisticsCause* cause_ = nullptr;
    statisticsImportNumber* import_ = nullptr;
    statisticsSummary* summary_ = nullptr;
    // One per page, in the stack; each holds its page once it is built.
    QWidget* holders_[5] = {};
    QStackedLayout* stack_;
    QButtonGroup* group_;
    int currentPage_ = 0;
};
