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
// window refreshes the tab (StartStatistical).
class dataStatistics : public QWidget {
    Q_OBJECT
public:
    explicit dataStatistics(QWidget* parent = nullptr);
    ~dataStatistics() override;

    // The page whose figures StartStatistical fetches; -1 none.
    int currentPage() const { return currentPage_; }
    QWidget* page(int index) const;
    QButtonGroup* buttons() const { return group_; }
    QStackedLayout* stack() const { return stack_; }

    statisticsPoint* pointPage() const { return point_; }
    statisticsState* statePage() const { return state_; }
    statisticsCause* causePage() const { return cause_; }
    statisticsImportNumber* importPage() const { return import_; }
    statisticsSummary* summaryPage() const { return summary_; }

public slots:
    void buttonClicked(int id);
    void StartStatistical();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    statisticsPoint* point_;
    statisticsState* state_;
    statisticsCause* cause_;
    statisticsImportNumber* import_;
    statisticsSummary* summary_;
    QStackedLayout* stack_;
    QButtonGroup* group_;
    int currentPage_ = 0;
};
