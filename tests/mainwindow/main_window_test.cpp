#include <QAction>
#include <QButtonGroup>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>

#include "MainWindowFixture.h"
#include "app/Navigation.h"
#include "library/dataStatistics.h"
#include "support/ChildRun.h"

namespace {

// Set in the child that runs the tip's test at a scale factor.
const char kTipScale[] = "LORVANE_TIP_TEST_SCALE";

QRect inWindow(const QWidget* window, const QWidget* child)
{
    return QRect(child->mapTo(window, QPoint(0, 0)), child->size());
}

// Where the first-run tip's arrow points, in the window: the topmost point of
// the picture's opaque pixels (the arrow's apex), found in the picture shown.
QPoint tipArrow(const Lorvane& window)
{
    const QLabel* tip = window.tipLabel();
    const QImage picture = tip->pixmap(Qt::ReturnByValue).toImage();
    for (int y = 0; y < picture.height(); ++y) {
        int sum = 0;
        int count = 0;
        for (int x = 0; x < picture.width(); ++x) {
            if (qAlpha(picture.pixel(x, y)) > 128) {
                sum += x;
                ++count;
            }
        }
        if (count > 0)
            return tip->mapTo(&window, QPoint(sum / count, y));
    }
    return QPoint(-1, -1);
}

// Whether the tip's arrow touches the middle of the settings button's lower
// edge (and so not the minimise button beside it).
::testing::AssertionResult pointsAtSettings(const Lorvane& window)
{
    const QTitleBar* bar = window.titleBar();
    const QRect settings = inWindow(&window, bar->findChild<QPushButton*>(QStringLiteral("setButton")));
    const QRect minimise = inWindow(&window, bar->findChild<QPushButton*>(QStringLiteral("minimizeButton")));
    const QPoint arrow = tipArrow(window);
    const bool below = arrow.y() >= settings.bottom() - 2 && arrow.y() <= settings.bottom() + 6;
    if (below && std::abs(arrow.x() - settings.center().x()) <= 3 && arrow.x() < minimise.left())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "arrow at (" << arrow.x() << ", " << arrow.y() << "), settings button "
                                         << settings.left() << ".." << settings.right() << " x " << settings.top()
                                         << ".." << settings.bottom() << ", window " << window.width() << " x "
                                         << window.height();
}

TEST_F(MainWindowTest, StartsWithTheDefaultBaseDataAndTheFirstRunTipOnce)
{
    ASSERT_EQ(getIniValue<int>(QStringLiteral("first_run"), 7), 7);
    start();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("错题本2.0.8"));
    EXPECT_EQ(window->gradeButton()->text(), QStringLiteral("高三"));
    EXPECT_EQ(window->termButton()->text(), QStringLiteral("上学期"));
    EXPECT_EQ(window->subjectButton()->text(), QStringLiteral("数学"));
    EXPECT_EQ(window->subjectList()->currentRow(), 0);
    EXPECT_EQ(AppContext::instance()->subject.name, "数学");
    EXPECT_EQ(window->mainTabs()->tabText(0), QStringLiteral("题库"));
    EXPECT_EQ(window->mainTabs()->tabText(1), QStringLiteral("数据统计"));
    EXPECT_EQ(window->tabBar()->tabText(0), QStringLiteral("科目"));
    EXPECT_EQ(window->tabBar()->tabText(1), QStringLiteral("掌握情况"));

    // Half a second later: the base-data dialog, then the tip (made when it
    // is first shown), which hides itself.
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->tipLabel() != nullptr; }, 30000));
    EXPECT_EQ(shown, QStringList{QStringLiteral("QDataBaseSet")});
    EXPECT_EQ(getIniValue<int>(QStringLiteral("first_run"), 7), 6);
    EXPECT_EQ(window->tipLabel()->size(), QSize(150, 75));
    EXPECT_TRUE(pointsAtSettings(*window));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->tipLabel()->isVisible(); }, 30000));
    EXPECT_EQ(boxes.count(), 0);
    waitForWorker();

    // The next start shows no tip: the worker starts after the tip's turn.
    window->close();
    window.reset();
    shown.clear();
    start();
    waitForWorker();
    QCoreApplication::processEvents();
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(window->tipLabel(), nullptr);
    EXPECT_EQ(getIniValue<int>(QStringLiteral("first_run"), 7), 6);
    waitForWorker();
}

// The tip is placed from the settings button at every size, and follows it
// when the window is resized while the tip is shown. Run again at a scale
// factor by FirstRunTipPointsAtTheSettingsButtonAtAScale.
TEST_F(MainWindowTest, FirstRunTipPointsAtTheSettingsButton)
{
    if (qEnvironmentVariableIsSet(kTipScale)) {
        EXPECT_EQ(qApp->devicePixelRatio(), qEnvironmentVariable(kTipScale).toDouble());
    }
    setIniValue(QStringLiteral("first_run"), 6);  // no tip of the start's own
    start();
    for (const QSize size : {QSize(900, 560), QSize(1260, 700)}) {
        window->resize(size);
        window->showFirstRunTip();
        EXPECT_TRUE(window->tipLabel()->isVisible());
        EXPECT_TRUE(QTest::qWaitFor([&] { return pointsAtSettings(*window); }, 10000)) << pointsAtSettings(*window);
    }
    window->setMaximized(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return pointsAtSettings(*window); }, 10000)) << pointsAtSettings(*window);
    window->resize(700, 500);
    EXPECT_TRUE(QTest::qWaitFor([&] { return pointsAtSettings(*window); }, 10000)) << pointsAtSettings(*window);
    waitForWorker();
}

TEST(MainWindowScaled, FirstRunTipPointsAtTheSettingsButtonAtAScale)
{
    childrun::setValue(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("1.5"));
    childrun::setValue(QString::fromLatin1(kTipScale), QStringLiteral("1.5"));
    QString output;
    EXPECT_EQ(childrun::runTest(QStringLiteral("MainWindowTest.FirstRunTipPointsAtTheSettingsButton"), &output, 180000),
              0)
        << output.toStdString();
    EXPECT_TRUE(output.contains(QLatin1String("[  PASSED  ] 1 test"))) << output.toStdString();
}

TEST_F(MainWindowTest, TreeChoosesTheMasteryFilterAndReloads)
{
    setIniValue(QStringLiteral("first_run"), 6);
    fixture::clearQuestions();
    fixture::addQuestions(2, {0, 1, "", "", "", 0});
    fixture::addQuestions(1, {0, 2, "", "", "", 0});
    fixture::addQuestions(3, {1, 3, "", "", "", 0});
    start();
    DetailcListWidget* list = window->questionList();
    EXPECT_EQ(list->total(), 3);  // 未掌握 at start

    // The counts arrive from the background: badges on 初次出错 and 重复出错.
    myTreeWidget* tree = window->tree();
    EXPECT_TRUE(QTest::qWaitFor([&] { return tree->label(3)->getCount() == 2; }, 5000));
    EXPECT_EQ(tree->label(4)->getCount(), 1);
    EXPECT_EQ(tree->label(5)->getCount(), 0);
    EXPECT_TRUE(window->tabBar()->hasDot(1));

    window->tabBar()->setCurrentIndex(1);
    struct Case {
        int item;
        int state;
        int times;
        int total;
    };
    const Case cases[] = {
        {2, -1, -1, 6}, {1, 1, -1, 3}, {8, 1, 3, 3}, {7, 1, 2, 0}, {0, 0, -1, 3},
        {3, 0, 1, 2},   {4, 0, 2, 1},  {5, 0, 3, 0}, {6, 1, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        const QRect r = tree->visualItemRect(tree->treeItem(c.item));
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
        EXPECT_EQ(AppContext::instance()->state, c.state);
        EXPECT_EQ(AppContext::instance()->times, c.times);
        EXPECT_EQ(list->total(), c.total);
    }
    // Counts ignore the tree's filter (they come through a queued signal).
    EXPECT_TRUE(QTest::qWaitFor([&] { return tree->label(3)->getCount() == 2; }, 10000)) << tree->label(3)->getCount();
    waitForWorker();
}

TEST_F(MainWindowTest, BadgesAndDotFromCounts)
{
    setIniValue(QStringLiteral("first_run"), 6);
    start();
    struct Case {
        int once, twice, thrice;
        bool dot;
    };
    const Case cases[] = {{0, 2, 0, true}, {0, 0, 0, false}, {5, 0, 120, true}, {0, 0, 1, true}};
    for (const Case& c : cases) {
        window->detailNumberChanged(c.once, c.twice, c.thrice);
        EXPECT_EQ(window->tabBar()->hasDot(1), c.dot);
        EXPECT_FALSE(window->tabBar()->hasDot(0));
        EXPECT_EQ(window->tree()->label(3)->getCount(), c.once);
        EXPECT_EQ(window->tree()->label(4)->getCount(), c.twice);
        EXPECT_EQ(window->tree()->label(5)->getCount(), c.thrice);
        for (int other : {0, 1, 2, 6, 7, 8})
            EXPECT_EQ(window->tree()->label(other)->getCount(), 0);
    }
    waitForWorker();
}

TEST_F(MainWindowTest, HidingTheSelectedSubjectMovesTheSelection)
{
    setIniValue(QStringLiteral("first_run"), 6);
    start();
    AppContext* ctx = AppContext::instance();
    const std::vector<_type_t> subjects = ctx->subjects;
    ASSERT_GE(subjects.size(), 3u);

    // Select the last subject, then hide it in the base-data dialog.
    const int last = static_cast<int>(subjects.size()) - 1;
    window->subjectList()->setCurrentRow(last);
    window->list_itemClicked(window->subjectList()->currentItem());
    ASSERT_EQ(ctx->subject.id, subjects[last].id);

    auto setShown = [](const _type_t& subject, int state) {
        _type_t t = subject;
        t.state = state;
        std::string err;
        EXPECT_EQ(fixture::db()->updateType(t, err), 0) << err;
    };
    onDialog = [&](QDialog&) {
        setShown(subjects[last], 0);
        return 0;
    };
    QTest::mouseClick(window->subjectButton(), Qt::LeftButton);
    EXPECT_EQ(shown.last(), QStringLiteral("QDataBaseSet"));
    EXPECT_EQ(window->subjectList()->count(), last);
    EXPECT_EQ(window->subjectList()->currentRow(), last - 1);
    EXPECT_EQ(ctx->subject.id, subjects[last - 1].id);
    EXPECT_EQ(window->subjectButton()->text(), QString::fromUtf8(subjects[last - 1].name.c_str()));

    // Hiding every subject empties the list; the context keeps its subject.
    onDialog = [&](QDialog&) {
        for (const _type_t& s : subjects)
            setShown(s, 0);
        return 0;
    };
    window->on_btnGrade_clicked();
    EXPECT_EQ(window->subjectList()->count(), 0);
    EXPECT_EQ(window->subjectList()->currentRow(), -1);
    EXPECT_EQ(ctx->subject.id, subjects[last - 1].id);

    // Showing them again: nothing is selected until the user picks one.
    onDialog = [&](QDialog&) {
        for (const _type_t& s : subjects)
            setShown(s, 1);
        return 0;
    };
    window->menu_basicData_triggered();
    EXPECT_EQ(window->subjectList()->count(), static_cast<int>(subjects.size()));
    EXPECT_EQ(window->subjectList()->currentRow(), -1);

    // A dialog that changes the subject notifies the window.
    window->notify(2);
    EXPECT_EQ(window->subjectList()->currentRow(), 2);
    EXPECT_EQ(ctx->subject.id, subjects[2].id);
    window->notify(99);
    EXPECT_EQ(ctx->subject.id, subjects[2].id);
    waitForWorker();
}

TEST_F(MainWindowTest, SettingsMenuOpensTheDialogs)
{
    setIniValue(QStringLiteral("first_run"), 6);
    start();
    std::unique_ptr<QMenu> menu(window->buildSettingsMenu());
    QStringList entries;
    for (QAction* a : menu->actions())
        entries << a->text();
    EXPECT_EQ(entries, (QStringList{QStringLiteral("个人帐户"), QStringLiteral("基础数据"), QStringLiteral("短语预设"),
                                    QStringLiteral("系统设置"), QStringLiteral("意见反馈"), QStringLiteral("关于")}));

    struct Case {
        int entry;
        const char* dialog;
    };
    const Case cases[] = {
        {0, "UserInfomation"}, {1, "QDataBaseSet"},   {2, "QPhraseBookSet"},
        {3, "QSystemSet"},     {4, "UserSuggestion"}, {5, "about"},
    };
    for (const Case& c : cases) {
        shown.clear();
        menu->actions().at(c.entry)->trigger();
        EXPECT_EQ(shown, QStringList{QString::fromLatin1(c.dialog)}) << c.entry;
    }
    EXPECT_EQ(shownTitles.last(), QStringLiteral("关于"));
    waitForWorker();
}

TEST_F(MainWindowTest, SettingsDialogChangesReachTheList)
{
    setIniValue(QStringLiteral("first_run"), 6);
    start();
    DetailcListWidget* list = window->questionList();
    onDialog = [](QDialog& dialog) {
        QMetaObject::invokeMethod(&dialog, "state_cion_changed", Q_ARG(int, 1));
        QMetaObject::invokeMethod(&dialog, "detail_order_changed", Q_ARG(int, 1));
        return 0;
    };
    window->menu_systemSet_triggered();
    EXPECT_EQ(list->iconStyle(), 1);
    EXPECT_EQ(list->order(), 1);
    waitForWorker();
}

TEST_F(MainWindowTest, MaximizedStateIsKept)
{
    setIniValue(QStringLiteral("first_run"), 6);
    setIniValue(QStringLiteral("mainWindow"), 1);
    start();
    EXPECT_TRUE(window->isMaximized());
    waitForWorker();
    window->close();
    EXPECT_TRUE(getIniValue<bool>(QStringLiteral("mainWindow"), false));
    window.reset();

    setIniValue(QStringLiteral("mainWindow"), false);
    start();
    EXPECT_FALSE(window->isMaximized());
    waitForWorker();
    window->close();
    EXPECT_FALSE(getIniValue<bool>(QStringLiteral("mainWindow"), true));
}

TEST_F(MainWindowTest, EscapeDoesNotCloseTheMainWindow)
{
    setIniValue(QStringLiteral("first_run"), 6);
    start();
    // Pressed on the window and on a widget inside it (the key travels up).
    QTest::keyClick(window.get(), Qt::Key_Escape);
    QTest::keyClick(window->subjectList(), Qt::Key_Escape);
    QTest::qWait(50);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->result(), 0);
    waitForWorker();
    window->close();
    EXPECT_FALSE(window->isVisible());
}

// The left column (the 科目 / 掌握情况 tabs over the subject list) keeps its
// width whatever the main tabs and the statistics pages show.
TEST_F(MainWindowTest, TheLeftColumnKeepsItsWidthOnEveryTab)
{
    setIniValue(QStringLiteral("first_run"), 6);
    fixture::clearQuestions();
    fixture::addQuestions(3, {0, 1, "", "", "", 0});
    start();
    QTest::qWait(50);
    const int windowWidth = window->width();
    const int width = window->subjectList()->width();
    const int tabsWidth = window->tabBar()->width();
    auto* statistics = qobject_cast<dataStatistics*>(window->mainTabs()->widget(1));
    ASSERT_NE(statistics, nullptr);
    QButtonGroup* pages = statistics->buttons();

    window->mainTabs()->setCurrentIndex(1);
    for (int page = 0; page < 5; ++page) {
        pages->button(page)->click();
        QTest::qWait(50);
        EXPECT_EQ(window->subjectList()->width(), width) << "statistics page " << page;
        EXPECT_EQ(window->tabBar()->width(), tabsWidth) << "statistics page " << page;
        EXPECT_EQ(window->width(), windowWidth) << "statistics page " << page;
    }
    window->mainTabs()->setCurrentIndex(0);
    QTest::qWait(50);
    EXPECT_EQ(window->subjectList()->width(), width);
    waitForWorker();
}

}  // namespace
