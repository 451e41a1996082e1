#include "library/dataStatistics.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QStackedLayout>
#include <QVBoxLayout>

#include "library/statisticsCause.h"
#include "library/statisticsImportNumber.h"
#include "library/statisticsPoint.h"
#include "library/statisticsState.h"
#include "library/statisticsSummary.h"
#include "ui/StyledPaint.h"

dataStatistics::dataStatistics(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(10);
    layout->setContentsMargins(5, 5, 5, 5);

    const QString captions[] = {QStringLiteral("易错考点"), QStringLiteral("掌握情况"), QStringLiteral("错误原因"),
                                QStringLiteral("题目收录"), QStringLiteral("题目汇总")};
    auto* row = new QHBoxLayout();
    row->addStretch();
    QRadioButton* radios[5];
    for (int i = 0; i < 5; ++i) {
        radios[i] = new QRadioButton(captions[i], this);
        row->addWidget(radios[i]);
    }
    row->addStretch();
    layout->addSpacing(10);
    layout->addLayout(row);

    point_ = new statisticsPoint(this);
    state_ = new statisticsState(this);
    cause_ = new statisticsCause(this);
    import_ = new statisticsImportNumber(this);
    summary_ = new statisticsSummary(this);
    stack_ = new QStackedLayout();
    stack_->addWidget(point_);
    stack_->addWidget(state_);
    stack_->addWidget(cause_);
    stack_->addWidget(import_);
    stack_->addWidget(summary_);
    layout->addLayout(stack_);

    group_ = new QButtonGroup();
    group_->setExclusive(true);
    for (int i = 0; i < 5; ++i)
        group_->addButton(radios[i], i);
    radios[0]->setChecked(true);

    // The page is shown before its figures are fetched.
    connect(group_, &QButtonGroup::idClicked, stack_, &QStackedLayout::setCurrentIndex);
    connect(group_, &QButtonGroup::idClicked, this, &dataStatistics::buttonClicked);
}

dataStatistics::~dataStatistics()
{
    delete group_;
}

void dataStatistics::paintEvent(QPaintEvent* event)
{
    paintStyledBackground(this);
    QWidget::paintEvent(event);
}

QWidget* dataStatistics::page(int index) const
{
    return stack_->widget(index);
}

void dataStatistics::buttonClicked(int id)
{
    if (id == -1)
        return;
    currentPage_ = id;
    StartStatistical();
}

void dataStatistics::StartStatistical()
{
    switch (currentPage_) {
    case 0: point_->doWork(); break;
    case 1: state_->doWork(); break;
    case 2: cause_->doWork(); break;
    case 3: import_->doWork(); break;
    case 4: summary_->doWork(); break;
    default: break;
    }
}
