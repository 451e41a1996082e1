#pragma once

#include <QWidget>

#include <map>
#include <string>

class QLabel;

// Page "错误原因": a pie of the current selection's questions by the cause of
// the error.
class statisticsCause : public QWidget {
    Q_OBJECT
public:
    explicit statisticsCause(QWidget* parent = nullptr);
    ~statisticsCause() override;

    QLabel* chartLabel() const { return label_; }
    const std::map<std::string, int>& counts() const { return counts_; }

public slots:
    void doWork();
    void resultReady();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* label_;
    std::map<std::string, int> counts_;
};
