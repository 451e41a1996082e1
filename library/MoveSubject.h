#pragma once

#include <vector>

#include "core/Records.h"
#include "ui/QDialogBase.h"

class QComboBox;
class QDialogButtonBox;

// 移动到...: the grade, term and subject to which the chosen questions move.
// Every grade and term is offered, and the shown subjects; the boxes start on
// the current ones. The dialog itself does not touch the database.
class MoveSubject : public QDialogBase {
    Q_OBJECT
public:
    explicit MoveSubject(QWidget* parent = nullptr);
    ~MoveSubject() override;

    // Writes the chosen ids when all three boxes have a current item.
    void getTarget(int& grade, int& term, int& subject) const;

    QComboBox* gradeBox() const { return boxGrade; }
    QComboBox* termBox() const { return boxTerm; }
    QComboBox* subjectBox() const { return boxSubject; }

public slots:
    void btn_OK_clicked();

private:
    std::vector<_type_t> grades;
    std::vector<_type_t> terms;
    std::vector<_type_t> subjects;
    QComboBox* boxGrade = nullptr;
    QComboBox* boxTerm = nullptr;
    QComboBox* boxSubject = nullptr;
    QDialogButtonBox* buttonBox = nullptr;
};
