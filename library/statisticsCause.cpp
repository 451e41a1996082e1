#include "library/statisticsCause.h"

#include <QLabel>
#include <QVBoxLayout>

#include "core/Sqlite.h"
#include "library/StatisticsChart.h"
#include "library/StatisticsData.h"
#include "library/StatisticsPage.h"
#include "ui/StyledPaint.h"

statisticsCause::statisticsCause(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    label_ = statistics::newChartLabel(this);
    layout->addWidget(label_);
}

statisticsCause::~statisticsCause() = default;

void statisticsCause::paintEvent(QPaintEvent* event)
{
    paintStyledBackground(this);
    QWidget::paintEvent(event);
}

void statisticsCause::doWork()
{
    const statistics::Selection s = statistics::currentSelection();
    counts_.clear();
    if (!statistics::fetchFigures(this, [&](std::string& err) {
            return Singleton<sqlite>::instance()->getCauseCounts(s.user, s.grade, s.term, s.subject, counts_, err);
        }))
        return;
    resultReady();
}

void statisticsCause::resultReady()
{
    if (counts_.empty()) {
        label_->clear();
        return;
    }
    statistics::showChartImage(label_, statistics::drawPie(statistics::causeSectors(counts_), false));
    update();
}
