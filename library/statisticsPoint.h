#pragma once

#include <QWidget>

#include <map>
#include <string>

class QListWidget;
class DetailcListWidget_statisticsPoint;

// Page "易错考点": the ten heaviest exam points of the current selection on
// the left, the questions of the chosen point on the right.
class statisticsPoint : public QWidget {
    Q_OBJECT
public:
    explicit statisticsPoint(QWidget* parent = nullptr);
    ~statisticsPoint() override;

    QListWidget* pointList() const { return list_; }
    DetailcListWidget_statisticsPoint* questionList() const { return questions_; }

public slots:
    void doWork();
    void resultReady();
    void list_subject_currentRowChanged(int row);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QListWidget* list_;
    DetailcListWidget_statisticsPoint* questions_;
    std::map<std::string, double> points_;
};
