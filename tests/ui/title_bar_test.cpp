#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <vector>

#include "UiTestUtil.h"
#include "platform/WindowSystem.h"
#include "ui/QDialogBase.h"
#include "ui/QTitleBar.h"

namespace {

// The ids and mask bits keep the numbers the masks of the program are made of.
static_assert(QTitleBar::kCloseBit == 1 && QTitleBar::kMaximizeBit == 2 && QTitleBar::kMinimizeBit == 4 &&
              QTitleBar::kSettingsBit == 8 && QTitleBar::kHelpBit == 16 && QTitleBar::kDefaultButtons == 5);

class RecordingDialog : public QDialogBase {
public:
    explicit RecordingDialog(QWidget* parent = nullptr) : QDialogBase(parent) {}
    void titleBar_buttonClicked(int id) override
    {
        clicks.push_back(id);
        visibleWhenReported.push_back(isVisible());
    }
    void closeEvent(QCloseEvent* event) override
    {
        ++closeEvents;
        QDialogBase::closeEvent(event);
    }
    std::vector<int> clicks;
    std::vector<bool> visibleWhenReported;
    int closeEvents = 0;
};

bool shown(QDialogBase& dialog, const char* name)
{
    return !uitest::button(&dialog, QLatin1String(name))->isHidden();
}

}  // namespace

TEST(TitleBar, MaskShowsExactlyTheChosenButtons)
{
    struct Case {
        int mask;
        bool close, maximize, minimize, settings, help;
    };
    const Case cases[] = {
        {5, true, false, true, false, false},   // a new title bar
        {1, true, false, false, false, false},  // message box
        {15, true, true, true, true, false},    // main window
        {21, true, false, true, false, true},   // help added
        {0, false, false, false, false, false},
    };
    for (const Case& c : cases) {
        RecordingDialog dialog;
        if (c.mask != QTitleBar::kDefaultButtons)
            dialog.setButtons(c.mask);
        SCOPED_TRACE(c.mask);
        EXPECT_EQ(dialog.buttons(), c.mask);
        EXPECT_EQ(shown(dialog, "closeButton"), c.close);
        EXPECT_EQ(shown(dialog, "maximizeButton"), c.maximize);
        EXPECT_EQ(shown(dialog, "minimizeButton"), c.minimize);
        EXPECT_EQ(shown(dialog, "setButton"), c.settings);
        EXPECT_EQ(shown(dialog, "helpButton"), c.help);
    }

    RecordingDialog dialog;
    dialog.setButtons(dialog.buttons() | QTitleBar::kHelpBit);
    EXPECT_EQ(dialog.buttons(), 21);
}

TEST(TitleBar, FrameIsFramelessWithTitleBarOnTop)
{
    RecordingDialog dialog;
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(dialog.isWindow());
    auto* layout = qobject_cast<QVBoxLayout*>(dialog.layout());
    ASSERT_NE(layout, nullptr);
    EXPECT_EQ(layout->itemAt(0)->widget(), dialog.titleBar());
    EXPECT_EQ(uitest::button(&dialog, "closeButton")->toolTip(), QStringLiteral("关闭"));
    EXPECT_EQ(uitest::button(&dialog, "helpButton")->focusPolicy(), Qt::NoFocus);
}

TEST(TitleBar, CloseEndsExecWithZeroAndStillReportsTheClick)
{
    RecordingDialog dialog;
    uitest::onModal([](QWidget* modal) { uitest::button(modal, "closeButton")->click(); });
    EXPECT_EQ(dialog.exec(), 0);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.clicks, std::vector<int>{QTitleBar::Close});
    EXPECT_EQ(dialog.closeEvents, 1);
}

TEST(TitleBar, AcceptAlsoClosesTheWindow)
{
    RecordingDialog dialog;
    uitest::onModal([](QWidget* modal) { static_cast<QDialog*>(modal)->accept(); });
    EXPECT_EQ(dialog.exec(), 1);
    EXPECT_EQ(dialog.closeEvents, 1);
    EXPECT_TRUE(dialog.clicks.empty());
}

TEST(TitleBar, MaximizeTwiceRestoresCentredOnTheFirstScreen)
{
    RecordingDialog dialog;
    dialog.setButtons(dialog.buttons() | QTitleBar::kMaximizeBit);
    dialog.resize(400, 300);
    dialog.show();
    const QRect area = platform::primaryAvailableGeometry();
    ASSERT_FALSE(area.isEmpty());

    QPushButton* maximize = uitest::button(&dialog, "maximizeButton");
    maximize->click();
    EXPECT_TRUE(dialog.isMaximized());
    EXPECT_EQ(dialog.pos(), QPoint(0, 0));
    EXPECT_EQ(dialog.size(), area.size());

    maximize->click();
    EXPECT_FALSE(dialog.isMaximized());
    EXPECT_EQ(dialog.size(), QSize(400, 300));
    EXPECT_EQ(dialog.pos(), QPoint((area.width() - 400) / 2, (area.height() - 300) / 2));
    EXPECT_EQ(dialog.clicks, (std::vector<int>{QTitleBar::Maximize, QTitleBar::Maximize}));

    // Maximizing an already maximized window changes nothing.
    dialog.setMaximized(true);
    dialog.move(10, 10);
    dialog.setMaximized(true);
    EXPECT_EQ(dialog.pos(), QPoint(10, 10));
}

TEST(TitleBar, TitleAndIconFollowTheWindow)
{
    RecordingDialog dialog;
    auto* title = dialog.findChild<QLabel*>(QStringLiteral("titleLabel"));
    auto* icon = dialog.findChild<QLabel*>(QStringLiteral("IconLabel"));
    ASSERT_NE(title, nullptr);
    ASSERT_NE(icon, nullptr);
    // The program's logo is the icon from the start.
    EXPECT_FALSE(icon->pixmap(Qt::ReturnByValue).isNull());

    dialog.setWindowTitle(QStringLiteral("基础数据"));
    EXPECT_EQ(title->text(), QStringLiteral("基础数据"));
    dialog.setWindowTitle(QStringLiteral("<b>关于</b>"));
    EXPECT_EQ(title->text(), QStringLiteral("<b>关于</b>"));
    EXPECT_EQ(title->textFormat(), Qt::AutoText);  // markup shows formatted

    QPixmap red(16, 16);
    red.fill(Qt::red);
    dialog.setWindowIcon(QIcon(red));
    EXPECT_EQ(icon->pixmap(Qt::ReturnByValue).toImage().pixelColor(2, 2), QColor(Qt::red));
}

TEST(TitleBar, ButtonsOfAnEmbeddedDialogDoNothing)
{
    QWidget host;
    RecordingDialog embedded(&host);  // a parent makes it a child widget
    ASSERT_FALSE(embedded.isWindow());
    host.show();
    embedded.show();
    uitest::button(&embedded, "closeButton")->click();
    embedded.titleBar()->buttonClicked(QTitleBar::Maximize);
    EXPECT_TRUE(embedded.isVisible());
    EXPECT_FALSE(embedded.isMaximized());
    EXPECT_TRUE(embedded.clicks.empty());
}

TEST(TitleBar, SettingsAndHelpAreOnlyReported)
{
    RecordingDialog dialog;
    dialog.setButtons(QTitleBar::kCloseBit | QTitleBar::kMaximizeBit | QTitleBar::kMinimizeBit |
                      QTitleBar::kSettingsBit | QTitleBar::kHelpBit);
    dialog.show();
    uitest::button(&dialog, "setButton")->click();
    uitest::button(&dialog, "helpButton")->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.clicks, (std::vector<int>{QTitleBar::Settings, QTitleBar::Help}));
}

TEST(TitleBar, WindowFadesInFromPointThree)
{
    RecordingDialog dialog;
    EXPECT_NEAR(dialog.windowOpacity(), 0.3, 0.15);
    dialog.show();
    QElapsedTimer clock;
    clock.start();
    while (dialog.windowOpacity() < 1.0 && clock.elapsed() < 3000)
        QTest::qWait(10);
    EXPECT_DOUBLE_EQ(dialog.windowOpacity(), 1.0);
}

TEST(TitleBar, DraggingTheTitleBarMovesTheWindow)
{
    // Where the platform offers no system move (offscreen), the title bar
    // moves the window itself.
    RecordingDialog dialog;
    dialog.resize(300, 200);
    dialog.move(100, 100);
    dialog.show();
    QTitleBar* bar = dialog.titleBar();
    const QPoint grab(60, 10);
    const QPoint globalGrab = bar->mapToGlobal(grab);
    auto send = [bar](QEvent::Type type, QPoint local, QPoint global, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, local, local, global, button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(bar, &event);
    };
    send(QEvent::MouseButtonPress, grab, globalGrab, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, grab + QPoint(30, 20), globalGrab + QPoint(30, 20), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(dialog.pos(), QPoint(130, 120));
    send(QEvent::MouseButtonRelease, grab + QPoint(30, 20), globalGrab + QPoint(30, 20), Qt::LeftButton, Qt::NoButton);
    // After the release the pointer no longer drags the window.
    send(QEvent::MouseMove, grab, globalGrab + QPoint(80, 80), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(dialog.pos(), QPoint(130, 120));

    // A double click does nothing.
    send(QEvent::MouseButtonDblClick, grab, dialog.mapToGlobal(grab), Qt::LeftButton, Qt::LeftButton);
    EXPECT_FALSE(dialog.isMaximized());
    EXPECT_EQ(dialog.pos(), QPoint(130, 120));
}
