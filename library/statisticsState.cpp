#include "library/statisticsState.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "core/Sqlite.h"
#include "library/StatisticsChart.h"
#include "library/StatisticsData.h"
#include "library/StatisticsPage.h"
#include "ui/StyledPaint.h"

// ---- mastery ---------------------------------------------------------------

statisticsState::statisticsState(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout();
    label_ = statistics::newChartLabel(this);
    row->addWidget(label_);
    layout->addLayout(row);
}

statisticsState::~statisticsState() = default;

void statisticsState::paintEvent(QPaintEvent* event)
{
    paintStyledBackground(this);
    QWidget::paintEvent(event);
}

void statisticsState::doWork()
{
    const statistics::Selection s = statistics::currentSelection();
    counts_.clear();
    std::vector<std::tuple<int, int, int>> fetched;
    const bool ok = statistics::fetchFigures(this, [&](std::string& err) {
        return Singleton<sqlite>::instance()->getStateCounts(s.user, s.grade, s.term, s.subject, fetched, err);
    });
    if (!ok)
        return;
    counts_ = fetched;
    resultReady();
}

void statisticsState::resultReady()
{
    if (counts_.empty()) {
        label_->clear();
        return;
    }
    statistics::showChartImage(label_, statistics::drawPie(statistics::stateSectors(counts_), true));
    update();
}
