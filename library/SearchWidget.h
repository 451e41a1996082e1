#pragma once

#include <string>

#include "ui/QDialogBase.h"

class QComboBox;
class QDateEdit;
class QDialogButtonBox;
class QLineEdit;

// 精确查询: the advanced conditions of the question list (a number range, a
// classification, test point, cause, question type, source, remark and a range
// of change dates). The list takes them with getCondition after an accepted run.
class SearchWidget : public QDialogBase {
    Q_OBJECT
public:
    explicit SearchWidget(QWidget* parent = nullptr);
    ~SearchWidget() override;

    void getCondition(int& number_from, int& number_to, int& classification, std::string& point, int& cause,
                      int& questiontype, std::string& source, std::string& remark, std::string& date_from,
                      std::string& date_to) const;

    QLineEdit* startNumberEdit() const { return editNumberFrom; }
    QLineEdit* endNumberEdit() const { return editNumberTo; }
    QComboBox* classificationBox() const { return boxClassification; }
    QLineEdit* pointEdit() const { return editPoint; }
    QComboBox* causeBox() const { return boxCause; }
    QComboBox* questiontypeBox() const { return boxQuestiontype; }
    QLineEdit* sourceEdit() const { return editSource; }
    QLineEdit* remarkEdit() const { return editRemark; }
    QDateEdit* startDateEdit() const { return dateFrom; }
    QDateEdit* endDateEdit() const { return dateTo; }

public slots:
    void btn_OK_clicked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void resetConditions();

    QLineEdit* editNumberFrom = nullptr;
    QLineEdit* editNumberTo = nullptr;
    QComboBox* boxClassification = nullptr;
    QLineEdit* editPoint = nullptr;
    QComboBox* boxCause = nullptr;
    QComboBox* boxQuestiontype = nullptr;
    QLineEdit* editSource = nullptr;
    QLineEdit* editRemark = nullptr;
    QDateEdit* dateFrom = nullptr;
    QDateEdit* dateTo = nullptr;
    QDialogButtonBox* buttonBox = nullptr;

    int number_from = 0;
    int number_to = 0;
    int classification = 0;
    std::string point;
    int cause = 0;
    int questiontype = 0;
    std::string source;
    std::string remark;
    std::string date_from;
    std::string date_to;
};
