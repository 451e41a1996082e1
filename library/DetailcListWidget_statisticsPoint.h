#pragma once

#include <string>
#include <vector>

#include "library/DetailcListWidget.h"

// The compact question list of the exam-point page: columns 7 to 10 hidden,
// no import button and no search controls; its export buttons read
// "导出当前考点" and "导出全部考点".
class DetailcListWidget_statisticsPoint : public DetailcListWidget {
    Q_OBJECT
public:
    explicit DetailcListWidget_statisticsPoint(QWidget* parent = nullptr);
    ~DetailcListWidget_statisticsPoint() override;

    // The exam points (UTF-8) listed by the exam-point page, in its row order.
    std::vector<std::string> hotPoints;

public slots:
    // "导出全部考点": every question of the listed points (under the list's
    // grade, term, subject and mastery filter), by number ascending.
    void btnexport_hotPoints_clicked() override;
};
