#include "library/statisticsPoint.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QVBoxLayout>

#include "core/Sqlite.h"
#include "library/DetailcListWidget_statisticsPoint.h"
#include "library/StatisticsData.h"
#include "library/StatisticsPage.h"
#include "ui/StyledPaint.h"

statisticsPoint::statisticsPoint(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* row = new QHBoxLayout();
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    layout->addLayout(row);

    auto* left = new QVBoxLayout();
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    list_ = new QListWidget(this);
    list_->setMaximumWidth(200);
    list_->setFocusPolicy(Qt::NoFocus);
    list_->setSpacing(5);
    left->addSpacing(40);
    left->addWidget(list_);
    left->addSpacing(30);

    questions_ = new DetailcListWidget_statisticsPoint(this);
    row->addLayout(left);
    row->addWidget(questions_);

    connect(list_, &QListWidget::currentRowChanged, this, &statisticsPoint::list_subject_currentRowChanged);
}

statisticsPoint::~statisticsPoint() = default;

void statisticsPoint::paintEvent(QPaintEvent* event)
{
    paintStyledBackground(this);
    QWidget::paintEvent(event);
}

void statisticsPoint::doWork()
{
    const statistics::Selection s = statistics::currentSelection();
    points_.clear();
    if (!statistics::fetchFigures(this, [&](std::string& err) {
            return Singleton<sqlite>::instance()->getHotPoints(s.user, s.grade, s.term, s.subject, points_, err);
        }))
        return;
    resultReady();
}

void statisticsPoint::resultReady()
{
    questions_->clearContents();
    // Refilling must not load the questions of every row on its way.
    {
        const QSignalBlocker blocker(list_);
        list_->clear();
    }
    questions_->hotPoints.clear();
    if (points_.empty())
        return;
    for (const auto& [point, weight] : statistics::rankPoints(points_)) {
        (void)weight;
        const QString text = QString::fromUtf8(point.c_str(), static_cast<int>(point.size()));
        list_->addItem(text);
        // The list is narrow: a long point shows whole in its tip.
        list_->item(list_->count() - 1)->setToolTip(text);
        questions_->hotPoints.push_back(point);
    }
    if (list_->count() > 0) {
        if (list_->currentRow() == 0)
            list_subject_currentRowChanged(0);
        else
            list_->setCurrentRow(0);
    }
}

void statisticsPoint::list_subject_currentRowChanged(int row)
{
    if (row < 0 || row >= list_->count())
        return;
    questions_->setPoint(list_->item(row)->text().toStdString());
    questions_->setSearchMode(true);
    questions_->loadData();
    questions_->show_detail();
}
