#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QStackedLayout>
#include <QTableWidget>

#include "ChartProbe.h"
#include "StatsFixture.h"
#include "library/ChartLabel.h"
#include "library/DetailcListWidget_statisticsPoint.h"
#include "library/StatisticsChart.h"
#include "library/StatisticsData.h"
#include "library/dataStatistics.h"
#include "library/statisticsCause.h"
#include "library/statisticsImportNumber.h"
#include "library/statisticsPoint.h"
#include "library/statisticsState.h"
#include "ui/ModalRecorder.h"
#include "ui/QMessageBoxBase.h"

namespace {

QImage shown(QLabel* label)
{
    return label->pixmap(Qt::ReturnByValue).toImage();
}

std::string monthsAgo(int months)
{
    return QDate::currentDate().addMonths(-months).toString(QStringLiteral("yyyy-MM-15")).toStdString();
}

}  // namespace

using StatisticsPages = StatsDb;

TEST_F(StatisticsPages, TabFrameShowsThePageThenFetchesIt)
{
    insert(Row().state(0).times(1).point("函数"));
    ModalRecorder boxes;
    dataStatistics tab;
    const char* captions[] = {"易错考点", "掌握情况", "错误原因", "题目收录", "题目汇总"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(tab.buttons()->button(i)->text(), QString::fromUtf8(captions[i]));
    EXPECT_TRUE(tab.buttons()->button(0)->isChecked());
    EXPECT_EQ(tab.currentPage(), 0);
    EXPECT_EQ(tab.stack()->currentIndex(), 0);

    // The first refresh fetches page 0.
    tab.StartStatistical();
    EXPECT_EQ(tab.pointPage()->pointList()->count(), 1);

    // Another button: that page is shown and fetched.
    tab.buttons()->button(1)->click();
    EXPECT_EQ(tab.currentPage(), 1);
    EXPECT_EQ(tab.stack()->currentIndex(), 1);
    EXPECT_EQ(shown(tab.statePage()->chartLabel()).size(), QSize(800, 400));

    tab.buttons()->button(3)->click();
    EXPECT_EQ(shown(tab.importPage()->chartLabel()).size(), QSize(800, 400));
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(StatisticsPages, MasteryPieDrawsPresentSectorsInTheirColours)
{
    for (int i = 0; i < 5; ++i)
        insert(Row().state(0).times(1));
    for (int i = 0; i < 2; ++i)
        insert(Row().state(0).times(3));
    for (int i = 0; i < 4; ++i)
        insert(Row().state(1).times(1));
    insert(Row().state(1).times(2));
    // Another subject does not count.
    insert(Row().subject(context->subjects.at(1).id).state(0).times(2));

    statisticsState page;
    page.doWork();
    const QImage image = shown(page.chartLabel());
    ASSERT_EQ(image.size(), QSize(800, 400));
    const std::vector<double> values = {5, 2, 5};
    const unsigned colours[] = {0xff3333, 0xb62424, 0x33ff33};
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(probe::sectorColour(image, values, i), colours[i]) << i;
}

TEST_F(StatisticsPages, MasteryRowsOfNoSectorDrawAChartWithoutSectorsAndNoRowsClearTheLabel)
{
    statisticsState page;
    page.doWork();
    EXPECT_TRUE(shown(page.chartLabel()).isNull());

    insert(Row().state(0).times(0));
    page.doWork();
    const QImage image = shown(page.chartLabel());
    ASSERT_EQ(image.size(), QSize(800, 400));
    EXPECT_EQ(probe::rgb(image, 200, 200), 0xffffffu);

    exec("DELETE FROM detail");
    page.doWork();
    EXPECT_TRUE(shown(page.chartLabel()).isNull());
}

TEST_F(StatisticsPages, FailedFetchShowsOneBoxAndKeepsThePicture)
{
    insert(Row().state(0).times(1));
    statisticsState page;
    page.doWork();
    const qint64 before = page.chartLabel()->pixmap(Qt::ReturnByValue).cacheKey();

    exec("ALTER TABLE detail RENAME TO detail_gone");
    ModalRecorder boxes;
    page.doWork();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, QStringLiteral("提示"));
    EXPECT_FALSE(boxes.last().text.isEmpty());
    EXPECT_EQ(page.chartLabel()->pixmap(Qt::ReturnByValue).cacheKey(), before);
}

TEST_F(StatisticsPages, CausePieHasASectorPerCauseNameIncludingUnknownCauses)
{
    const int careless = typeId(5, "计算错误");
    insert(Row().cause(careless));
    insert(Row().cause(careless));
    insert(Row().cause(99999));
    statisticsCause page;
    page.doWork();
    const std::map<std::string, int> expected = {{"", 1}, {"计算错误", 2}};
    EXPECT_EQ(page.counts(), expected);
    const QImage image = shown(page.chartLabel());
    ASSERT_EQ(image.size(), QSize(800, 400));
    // Two sectors in two different colours, in name order.
    const std::vector<double> values = {1, 2};
    EXPECT_NE(probe::sectorColour(image, values, 0), probe::sectorColour(image, values, 1));
    EXPECT_NE(probe::sectorColour(image, values, 0), 0xffffffu);
}

TEST_F(StatisticsPages, MonthlyChartShowsTheLastTwelveMonths)
{
    statisticsImportNumber page;
    page.doWork();
    EXPECT_TRUE(shown(page.chartLabel()).isNull());

    for (int i = 0; i < 6; ++i)
        insert(Row());
    insert(Row().state(1).created(monthsAgo(2)).modified(monthsAgo(2)));
    insert(Row().state(1).created(monthsAgo(2)).modified(monthsAgo(1)));
    insert(Row().created(monthsAgo(11)));
    insert(Row().created(monthsAgo(30)));  // older than the window
    page.doWork();
    const QImage image = shown(page.chartLabel());
    ASSERT_EQ(image.size(), QSize(800, 400));
    // Last month: six added, none mastered; the month before: one mastered.
    EXPECT_EQ(probe::barColour(image, 12, 11, 0), 0xff3333u);
    EXPECT_EQ(probe::barColour(image, 12, 11, 1), 0xffffffu);
    EXPECT_EQ(probe::barColour(image, 12, 10, 0), 0xffffffu);
    EXPECT_EQ(probe::barColour(image, 12, 10, 1), 0x33ff33u);
    EXPECT_EQ(probe::barColour(image, 12, 9, 0), 0xff3333u);
    EXPECT_EQ(probe::barColour(image, 12, 0, 0), 0xff3333u);
}

TEST_F(StatisticsPages, ExamPointsRankByWeightAndTheHeaviestIsLoaded)
{
    // 函数: 1 + 3 + 0.4 = 4.4; 几何: 3; 数列: 0.2.
    insert(Row().state(0).times(1).point("函数"));
    insert(Row().state(0).times(3).point("函数"));
    insert(Row().state(1).times(2).point("函数"));
    insert(Row().state(0).times(3).point("几何"));
    insert(Row().state(1).times(1).point("数列"));
    insert(Row().state(0).times(2).point(""));
    context->state = -1;

    statisticsPoint page;
    page.doWork();
    QListWidget* list = page.pointList();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("函数"));
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("几何"));
    EXPECT_EQ(list->item(2)->text(), QStringLiteral("数列"));
    EXPECT_EQ(list->currentRow(), 0);
    const std::vector<std::string> points = {"函数", "几何", "数列"};
    EXPECT_EQ(page.questionList()->hotPoints, points);

    DetailcListWidget_statisticsPoint* questions = page.questionList();
    EXPECT_TRUE(questions->isExactMode());
    ASSERT_EQ(questions->details().size(), 3u);
    for (const _detail_t& d : questions->details())
        EXPECT_EQ(d.point, "函数");

    list->setCurrentRow(1);
    ASSERT_EQ(questions->details().size(), 1u);
    EXPECT_EQ(questions->details()[0].point, "几何");

    // A refetch that finds the same points loads the heaviest again.
    page.doWork();
    EXPECT_EQ(list->currentRow(), 0);
    ASSERT_EQ(questions->details().size(), 3u);

    // Another subject without points: both lists empty.
    context->subject = context->subjects.at(1);
    page.doWork();
    EXPECT_EQ(list->count(), 0);
    EXPECT_TRUE(questions->hotPoints.empty());
    for (int row = 0; row < questions->table()->rowCount(); ++row)
        EXPECT_EQ(questions->table()->item(row, 1), nullptr) << row;
}

// A chart is drawn whole in whatever room its label gets, scaled down with
// its proportions, never enlarged; the picture itself stays as made and the
// label's sizes do not follow it.
TEST(ChartLabel, DrawsTheWholeChartInTheRoomItGets)
{
    ChartLabel label;
    QPixmap chart(800, 400);
    chart.fill(Qt::red);
    label.setPixmap(chart);
    EXPECT_LT(label.minimumSizeHint().width(), 800);
    EXPECT_LT(label.sizeHint().width(), 800);

    struct Case {
        QSize room;
        QRect drawn;
    };
    const Case cases[] = {{QSize(400, 300), QRect(0, 0, 400, 200)},
                          {QSize(1000, 300), QRect(0, 0, 600, 300)},
                          {QSize(1000, 600), QRect(0, 0, 800, 400)}};
    for (const Case& c : cases) {
        label.resize(c.room);
        EXPECT_EQ(label.chartRect(), c.drawn) << c.room.width() << "x" << c.room.height();
        const QImage image = label.grab().toImage();
        const QPoint corner = c.drawn.bottomRight() - QPoint(1, 1);
        EXPECT_EQ(image.pixelColor(corner), QColor(Qt::red));
        EXPECT_EQ(label.pixmap(Qt::ReturnByValue).size(), QSize(800, 400));
    }
}
