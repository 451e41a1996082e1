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

    stack_ = new QStackedLayout();
    for (QWidget*& holder : holders_) {
        holder = new QWidget(this);
        auto* fill = new QVBoxLayout(holder);
        fill->setContentsMargins(0, 0, 0, 0);
        stack_->addWidget(holder);
    }
    layout->addLayout(stack_);

    group_ = new QButtonGroup();
    group_->setExclusive(true);
    for (int i = 0; i < 5; ++i)
        group_->addButton(radios[i], i);
    radios[0]->setChecked(true);

    // The page is built and shown before its figures are fetched.
    connect(group_, &QButtonGroup::idClicked, this, &dataStatistics::page);
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

template <typename Page>
Page* dataStatistics::built(Page*& page, int index)
{
    if (!page) {
        page = new Page(holders_[index]);
        holders_[index]->layout()->addWidget(page);
    }
    return page;
}

statisticsPoint* dataStatistics::pointPage()
{
    return built(point_, 0);
}

statisticsState* dataStatistics::statePage()
{
    return built(state_, 1);
}

statisticsCause* dataStatistics::causePage()
{
    return built(cause_, 2);
}

statisticsImportNumber* dataStatistics::importPage()
{
    return built(import_, 3);
}

statisticsSummary* dataStatistics::summaryPage()
{
    return built(summary_, 4);
}

QWidget* dataStatistics::page(int index)
{
    switch (index) {
    case 0: return pointPage();
    case 1: return statePage();
    case 2: return causePage();
    case 3: return importPage();
    case 4: return summaryPage();
    default: return nullptr;
    }
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
    case 0: pointPage()->doWork(); break;
    case 1: statePage()->doWork(); break;
    case 2: causePage()->doWork(); break;
    case 3: importPage()->doWork(); break;
    case 4: summaryPage()->doWork(); break;
    default: break;
    }
}
