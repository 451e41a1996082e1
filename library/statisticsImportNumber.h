#pragma once

#include <QWidget>

#include <map>
#include <string>

class QLabel;

// Page "题目收录": per month of the last twelve, the questions added and the
// questions mastered, as side-by-side bars.
class statisticsImportNumber : public QWidget {
    Q_OBJECT
public:
    explicit statisticsImportNumber(QWidget* parent = nullptr);
    ~statisticsImportNumber() override;

    QLabel* chartLabel() const { return label_; }

public slots:
    void doWork();
    void resultReady();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* label_;
    std::map<std::string, int> added_;
    std::map<std::string, int> mastered_;
};
