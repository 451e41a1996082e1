#include "library/statisticsImportNumber.h"

#include <QDate>
#include <QLabel>
#include <QVBoxLayout>

#include "core/Sqlite.h"
#include "library/StatisticsChart.h"
#include "library/StatisticsData.h"
#include "library/StatisticsPage.h"
#include "ui/StyledPaint.h"

statisticsImportNumber::statisticsImportNumber(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    label_ = statistics::newChartLabel(this);
    layout->addWidget(label_);
}

statisticsImportNumber::~statisticsImportNumber() = default;

void statisticsImportNumber::paintEvent(QPaintEvent* event)
{
    paintStyledBackground(this);
    QWidget::paintEvent(event);
}

void statisticsImportNumber::doWork()
{
    const statistics::Selection s = statistics::currentSelection();
    added_.clear();
    mastered_.clear();
    if (!statistics::fetchFigures(this, [&](std::string& err) {
            IDatabase* db = Singleton<sqlite>::instance();
            const int rc = db->getMonthlyAdded(s.user, s.grade, s.term, s.subject, added_, err);
            if (rc != 0)
                return rc;
            return db->getMonthlyMastered(s.user, s.grade, s.term, s.subject, mastered_, err);
        }))
        return;
    resultReady();
}

void statisticsImportNumber::resultReady()
{
    if (added_.empty() && mastered_.empty()) {
        label_->clear();
        return;
    }
    const QDate today = QDate::currentDate();
    // Both series over the same months, so every bar stands under its label.
    const statistics::MonthlySeries series = statistics::monthlySeries(added_, mastered_, today.year(), today.month());
    statistics::showChartImage(label_, statistics::drawMonthly(series));
    update();
}
