#pragma once

#include <QWidget>

#include <map>
#include <string>
#include <tuple>
#include <vector>

class QLabel;

// Page "掌握情况": a pie of the current selection's questions by mastery.
class statisticsState : public QWidget {
    Q_OBJECT
public:
    explicit statisticsState(QWidget* parent = nullptr);
    ~statisticsState() override;

    QLabel* chartLabel() const { return label_; }
    const std::vector<std::tuple<int, int, int>>& counts() const { return counts_; }

public slots:
    void doWork();
    void resultReady();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* label_;
    std::vector<std::tuple<int, int, int>> counts_;
};
