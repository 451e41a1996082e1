// Every window of the capture road opens whole on the screens pupils have: a
// 1280 x 720 laptop, and a 1920 x 1080 one at 150 % scaling. Each window's
// frame lies inside the screen's available area and no visible control of it
// lies outside the window. In the wizard's steps 1 and 2 the question
// picture (a real cut, three times as wide as high) shows whole above the
// editor's tool bar, and at least 200 pixels high at the window's opening
// size and maximized.
//
// No check depends on the machine's speed: each waits (bounded) for the
// state it needs, and the main window's first-run tip, a transient that
// covers part of the title bar for three seconds, is turned off beforehand.
//
// Window placement needs a real X server: the test starts a private Xvfb per
// screen and runs the window checks (ScreenFitChild) in a copy of this
// program that draws on it (DISPLAY, QT_QPA_PLATFORM=xcb, QT_SCALE_FACTOR).

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLayout>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/Lorvane.h"
#include "app/QDataBaseSet.h"
#include "app/QSystemSet.h"
#include "app/Startup.h"
#include "capture/common/AdaptiveToolBar.h"
#include "capture/cutter/imageCut.h"
#include "capture/cutter/showRectWidget.h"
#include "capture/editor/ImageViewer.h"
#include "capture/question/QFillInfo.h"
#include "capture/question/QTopicEdit.h"
#include "capture/sources/QVideoView.h"
#include "capture/viewer/QViewItem.h"
#include "capture/window/QImportTopic.h"
#include "core/Settings.h"
#include "core/SettingsKeys.h"
#include "export/QExportDialog.h"
#include "platform/camera/FileFeed.h"
#include "service/httpUtil.h"
#include "support/ScriptedServer.h"
#include "transfer/QThumbnail.h"
#include "window/CaptureFixture.h"

namespace {

const char* const kChildFlag = "LORVANE_SCREENFIT_CHILD";

// ------------------------------------------------------------ the windows

// The widget's rectangle in the coordinates of its window.
QRect rectInWindow(const QWidget* widget)
{
    return QRect(widget->mapTo(widget->window(), QPoint(0, 0)), widget->size());
}

// Inside a scroll area's viewport widgets may lie anywhere: the viewport
// clips and scrolls them.
bool insideScrolledArea(const QWidget* widget)
{
    for (const QWidget* p = widget->parentWidget(); p && !p->isWindow(); p = p->parentWidget()) {
        const QWidget* grand = p->parentWidget();
        const auto* area = grand ? qobject_cast<const QAbstractScrollArea*>(grand) : nullptr;
        if (area && area->viewport() == p)
            return true;
    }
    return false;
}

bool inLayout(const QLayout* layout, const QWidget* widget)
{
    for (int i = 0; layout && i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (item->widget() == widget || inLayout(item->layout(), widget))
            return true;
    }
    return false;
}

bool isControl(const QWidget* w)
{
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QTabBar*>(w);
}

// A widget that floats over its parent (placed by hand, outside the
// parent's layout), not one of the inner parts of a control.
bool isFloating(const QWidget* w)
{
    const QWidget* parent = w->parentWidget();
    if (!parent || !parent->layout())
        return false;
    for (const QWidget* p = parent; p && !p->isWindow(); p = p->parentWidget())
        if (isControl(p))
            return false;
    return !inLayout(parent->layout(), w);
}

// What is wrong with `window` now, one line each; empty when it is whole:
// its frame inside the available area, every visible control inside it, no
// widget placed by hand over a control, and every image editor's picture
// whole above its tool bar (at least `minPicture` pixels high, when given,
// in the editor that shows).
std::vector<std::string> problems(const char* name, QWidget* window, int minPicture)
{
    std::vector<std::string> out;
    auto add = [&out, name](const std::string& text) { out.push_back(std::string(name) + ": " + text); };
    auto rectText = [](const QRectF& r) {
        return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" +
               std::to_string(r.height());
    };
    const QScreen* screen = window->screen();
    if (!screen) {
        add("no screen");
        return out;
    }
    const QRect area = screen->availableGeometry();
    const QRect frame = window->frameGeometry();
    if (!area.contains(frame))
        add("frame " + rectText(frame) + " outside the available area " + rectText(area));
    const QRect inside = window->rect();
    const QList<QWidget*> all = window->findChildren<QWidget*>();
    for (QWidget* child : all) {
        if (child->isWindow() || !child->isVisible() || insideScrolledArea(child))
            continue;
        const QRect r = rectInWindow(child);
        if (!inside.contains(r))
            add(std::string(child->metaObject()->className()) + " \"" + child->objectName().toStdString() + "\" at " +
                rectText(r) + " outside the window " + rectText(inside));
    }
    // Nothing placed by hand covers a control.
    for (QWidget* floating : all) {
        if (floating->isWindow() || !floating->isVisible() || insideScrolledArea(floating) || !isFloating(floating))
            continue;
        const QRect f = rectInWindow(floating);
        for (QWidget* control : all) {
            if (control == floating || !control->isVisible() || !isControl(control) || control->isWindow() ||
                floating->isAncestorOf(control) || control->isAncestorOf(floating) || insideScrolledArea(control))
                continue;
            if (f.intersects(rectInWindow(control)))
                add(std::string(floating->metaObject()->className()) + " \"" + floating->objectName().toStdString() +
                    "\" covers " + control->metaObject()->className() + " \"" + control->objectName().toStdString() +
                    "\" (" + control->property("text").toString().toStdString() + ")");
        }
    }
    // Image editors show their fitted picture whole above their tool bar.
    bool pictureShown = false;
    for (ImageViewer* editor : window->findChildren<ImageViewer*>()) {
        if (!editor->isVisible() || editor->getImage().isNull())
            continue;
        pictureShown = true;
        const QRectF shown = editor->viewMatrix().mapRect(QRectF(QPointF(0, 0), QSizeF(editor->getImage().size())));
        const QRectF room = QRectF(editor->pictureArea()).adjusted(-0.5, -0.5, 0.5, 0.5);
        const QRect bar = editor->toolBar()->geometry();
        if (!room.contains(shown) || shown.bottom() > bar.top() + 0.5 || shown.height() <= 0)
            add("the picture " + rectText(shown) + " is not whole above the tool bar at " + std::to_string(bar.top()) +
                " (room " + rectText(editor->pictureArea()) + ")");
        if (shown.height() < minPicture)
            add("the picture shows " + std::to_string(shown.height()) + " px high, less than " +
                std::to_string(minPicture));
    }
    if (minPicture > 0 && !pictureShown)
        add("no picture shows");
    return out;
}

// Waits (bounded) until the window is exposed and whole, so that the X
// server's placement and the layouts have run whatever the machine's speed;
// then reports what is still wrong.
void expectWhole(const char* name, QWidget* window, int minPicture)
{
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window, 10000)) << name;
    // The report below tells what did not come right.
    (void)QTest::qWaitFor([&] { return problems(name, window, minPicture).empty(); }, 10000);
    const QRect area = window->screen() ? window->screen()->availableGeometry() : QRect();
    const QRect frame = window->frameGeometry();
    std::cout << "[fit] " << name << ": " << frame.width() << "x" << frame.height() << " at " << frame.x() << ","
              << frame.y() << " (minimum " << window->minimumSizeHint().width() << "x"
              << window->minimumSizeHint().height() << ") on " << area.width() << "x" << area.height() << std::endl;
    for (ImageViewer* editor : window->findChildren<ImageViewer*>()) {
        if (editor->isVisible() && !editor->getImage().isNull()) {
            const QRectF shown = editor->viewMatrix().mapRect(QRectF(QPointF(0, 0), QSizeF(editor->getImage().size())));
            std::cout << "[fit] " << name << ": picture " << qRound(shown.width()) << "x" << qRound(shown.height())
                      << " in an editor of " << editor->width() << "x" << editor->height() << std::endl;
        }
    }
    for (const std::string& problem : problems(name, window, minPicture))
        ADD_FAILURE() << problem;
}

// A scanned page, portrait, as the library holds them, with a question of
// three lines in kQuestion, three times as wide as high.
const QRect kQuestion(100, 200, 900, 300);

QImage pagePicture()
{
    QImage page = numberedPicture(1240, 1754, 1);
    QPainter painter(&page);
    painter.fillRect(kQuestion, Qt::white);
    painter.setPen(Qt::black);
    QFont font = painter.font();
    font.setPixelSize(48);
    painter.setFont(font);
    painter.drawText(kQuestion.adjusted(20, 20, -20, -20), Qt::AlignLeft | Qt::TextWordWrap,
                     QStringLiteral("1. 已知 3x + 7 = 22，求 x 的值，并计算 2x² - 5x + 1。 A) 26 B) 31 C) 36"));
    return page;
}

// Cuts kQuestion out of the page in the cutter as a pupil does (drag, then
// 新建题目): the wizard opens on it.
void cutQuestion(imageCut* cutter)
{
    const QTransform& view = cutter->viewMatrix();
    const QPoint from = view.map(kQuestion.topLeft());
    const QPoint to = view.map(kQuestion.bottomRight());
    auto send = [cutter](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(at), QPointF(cutter->mapToGlobal(at)), button, held, Qt::NoModifier);
        QApplication::sendEvent(cutter, &event);
    };
    send(QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton);
    send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    for (int i = 1; i <= 4; ++i)
        send(QEvent::MouseMove, from + (to - from) * i / 4, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    ASSERT_TRUE(cutter->actionBar()->button(3)->isVisible());
    cutter->actionBar()->button(3)->click();
}

void clickMaximize(QDialogBase* window)
{
    auto* button = window->titleBar()->findChild<QAbstractButton*>(QStringLiteral("maximizeButton"));
    ASSERT_TRUE(button && button->isVisible());
    button->click();
}

class ScreenFitChild : public CaptureTest {
protected:
    void SetUp() override
    {
        if (!qEnvironmentVariableIsSet(kChildFlag))
            GTEST_SKIP() << "run by ScreenFit.EveryWindowInsideTheScreen under its own X server";
        CaptureTest::SetUp();
        // The program's look: its style sheet sets many of the sizes.
        applyStyleAndTranslation();
        {
            QSettings ini(QStringLiteral("Lorvane.ini"), QSettings::IniFormat);
            ini.setValue(QStringLiteral("host"), QStringLiteral("127.0.0.1"));
            ini.setValue(QStringLiteral("port"), QString::number(closedLoopbackPort()));
            ini.setValue(QStringLiteral("project"), QStringLiteral("svc"));
        }
        Singleton<httpUtil>::instance()->loadAddress();
        // The first-run tip (set_tips.png) covers the title bar's buttons for
        // three seconds from half a second after start: a transient that
        // the whole-window check must not meet.
        setIniValue(ini::kFirstRun, getIniValue(ini::kFirstRun) & ~ini::kFirstRunMainTip);
        camera::setBackendFactory([] {
            auto backend = std::make_unique<camera::FileFeedBackend>();
            backend->plugIn("cam", std::vector<QImage>{numberedPicture(640, 480, 7)}, 30.0);
            return backend;
        });
    }
    void TearDown() override { camera::setBackendFactory({}); }

    std::unique_ptr<Lorvane> mainWindow;
    std::unique_ptr<QImportTopic> capture;
    std::unique_ptr<QVideoView> cameraView;
    std::unique_ptr<QViewItem> viewer;
    std::unique_ptr<QExportDialog> exporter;
    std::unique_ptr<QDataBaseSet> baseData;
    std::unique_ptr<QSystemSet> settings;
    std::vector<_detail_t> stored;
};

// Each row opens (or moves on) one window and hands it back for the check;
// the rows run in order, so 题目收录 goes from the cutter through the three
// wizard steps.
struct WindowCase {
    const char* name;
    std::function<QWidget*()> open;
    // The least height of the picture in the editor that shows (0: any).
    int minPicture = 0;
};

constexpr int kRoom = QTopicEdit::kQuestionRoom.height();

}  // namespace

TEST_F(ScreenFitChild, EveryWindowIsWhole)
{
    const QImage page = pagePicture();
    ASSERT_TRUE(page.save(QStringLiteral("documents/1.png")));

    const std::vector<WindowCase> windows = {
        {"main window",
         [this] {
             mainWindow = std::make_unique<Lorvane>(nullptr);
             mainWindow->show();
             // Its start ends (timer of half a second) by starting the worker.
             EXPECT_TRUE(QTest::qWaitFor([&] { return mainWindow->workerThread()->isRunning(); }, 30000));
             return mainWindow.get();
         }},
        {"capture window, page in the cutter",
         [this] {
             capture = std::make_unique<QImportTopic>(nullptr);
             capture->show();
             EXPECT_TRUE(QTest::qWaitFor([&] { return capture->libraryStrip()->count() == 1; }, 10000));
             // Too small at three quarters of these screens for the wizard.
             EXPECT_TRUE(capture->isMaximized());
             return capture.get();
         }},
        {"capture window, wizard step 1",
         [this] {
             cutQuestion(capture->cutter());
             EXPECT_EQ(capture->wizard()->step(), QTopicEdit::QuestionStep);
             const QImage cut = capture->wizard()->fillInfo()->getImage();
             EXPECT_NEAR(double(cut.width()) / std::max(1, cut.height()), 3.0, 0.2)
                 << cut.width() << "x" << cut.height();
             return capture.get();
         },
         kRoom},
        {"capture window, wizard step 2",
         [this] {
             capture->wizard()->clicked_next_step();
             EXPECT_EQ(capture->wizard()->step(), QTopicEdit::WrongAnswerStep);
             return capture.get();
         },
         kRoom},
        {"capture window, wizard step 2, restored",
         [this] {
             clickMaximize(capture.get());
             EXPECT_FALSE(capture->isMaximized());
             return capture.get();
         }},
        {"capture window, wizard step 1, restored",
         [this] {
             capture->wizard()->clicked_last_step();
             EXPECT_EQ(capture->wizard()->step(), QTopicEdit::QuestionStep);
             return capture.get();
         }},
        {"capture window, wizard step 1, maximized",
         [this] {
             clickMaximize(capture.get());
             EXPECT_TRUE(capture->isMaximized());
             return capture.get();
         },
         kRoom},
        {"capture window, wizard step 2, maximized",
         [this] {
             capture->wizard()->clicked_next_step();
             EXPECT_EQ(capture->wizard()->step(), QTopicEdit::WrongAnswerStep);
             return capture.get();
         },
         kRoom},
        {"capture window, wizard step 3",
         [this] {
             capture->wizard()->clicked_next_step();
             EXPECT_EQ(capture->wizard()->step(), QTopicEdit::AnswerStep);
             return capture.get();
         }},
        {"camera window",
         [this] {
             // Opened the way the capture window opens it.
             cameraView = std::make_unique<QVideoView>(capture.get());
             cameraView->showFullScreen();
             auto* shoot = cameraView->findChild<QToolButton*>(QStringLiteral("toolScan"));
             EXPECT_TRUE(QTest::qWaitFor([&] { return shoot && shoot->isEnabled(); }, 10000));
             return cameraView.get();
         }},
        {"viewer",
         [this] {
             cameraView.reset();
             capture.reset();
             stored.push_back(storeQuestion(1, 900, 1300));
             viewer = std::make_unique<QViewItem>(stored, 0, nullptr);
             viewer->show();
             // The arrows to the previous and next question show while the
             // pointer is over the window.
             QEvent enter(QEvent::Enter);
             QApplication::sendEvent(viewer.get(), &enter);
             auto* next = viewer->findChild<QToolButton*>(QStringLiteral("topic_next"));
             EXPECT_TRUE(next && next->isVisible());
             return viewer.get();
         }},
        {"export dialog",
         [this] {
             viewer.reset();
             const AppContext* c = ctx();
             exporter = std::make_unique<QExportDialog>(&stored, c->grade, c->term, c->subject);
             exporter->setWindowTitle(QStringLiteral("导出"));
             EXPECT_TRUE(exporter->isReady());
             exporter->show();
             return exporter.get();
         }},
        {"base-data dialog",
         [this] {
             exporter.reset();
             baseData = std::make_unique<QDataBaseSet>(0, nullptr);
             baseData->show();
             return baseData.get();
         }},
        {"settings dialog",
         [this] {
             baseData.reset();
             settings = std::make_unique<QSystemSet>(nullptr);
             // Sized as the main window's menu sizes it.
             settings->resize(settings->screen()->availableGeometry().size() * 0.5);
             settings->show();
             return settings.get();
         }},
    };
    for (const WindowCase& w : windows) {
        QWidget* window = w.open();
        ASSERT_NE(window, nullptr) << w.name;
        expectWhole(w.name, window, w.minPicture);
    }
}

// ----------------------------------------------------------- the screens

namespace {

// A private X server of one screen, `size` pixels, 24 bits; it ends with
// this object.
class XServer {
public:
    explicit XServer(QSize size)
    {
        // -displayfd 1: the server picks a free display and writes its
        // number on its standard output once it accepts clients.
        process_.start(QStandardPaths::findExecutable(QStringLiteral("Xvfb")),
                       {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                        QStringLiteral("0"), QStringLiteral("%1x%2x24").arg(size.width()).arg(size.height()),
                        QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        QElapsedTimer timer;
        timer.start();
        QByteArray out;
        while (!out.contains('\n') && timer.elapsed() < 15000 && process_.state() != QProcess::NotRunning) {
            process_.waitForReadyRead(200);
            out += process_.readAllStandardOutput();
        }
        bool ok = false;
        const int number = out.trimmed().toInt(&ok);
        if (ok)
            display_ = QStringLiteral(":%1").arg(number);
    }
    ~XServer()
    {
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    // ":<n>", empty when the server did not start.
    const QString& display() const { return display_; }

private:
    QProcess process_;
    QString display_;
};

struct ScreenCase {
    QSize size;
    const char* scale;
};

}  // namespace

TEST(ScreenFit, EveryWindowInsideTheScreen)
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
        GTEST_SKIP() << "Xvfb (package xvfb) is not installed: windows cannot be placed on a real X server here";
    const ScreenCase screens[] = {{QSize(1280, 720), "1"}, {QSize(1920, 1080), "1.5"}};
    for (const ScreenCase& s : screens) {
        const std::string label = std::to_string(s.size.width()) + "x" + std::to_string(s.size.height()) +
                                  " at scale " + s.scale;
        XServer server(s.size);
        ASSERT_FALSE(server.display().isEmpty()) << label << ": Xvfb did not start";

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChildFlag), QStringLiteral("1"));
        env.insert(QStringLiteral("DISPLAY"), server.display());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::fromLatin1(s.scale));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("APPDATA"));  // the child makes its own
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=ScreenFitChild.EveryWindowIsWhole")});
        ASSERT_TRUE(child.waitForStarted(10000)) << label;
        const bool ended = child.waitForFinished(180000);
        if (!ended) {
            child.kill();
            child.waitForFinished(5000);
        }
        const QString output = QString::fromUtf8(child.readAll());
        // The sizes seen, for the log.
        for (const QString& line : output.split(QLatin1Char('\n')))
            if (line.startsWith(QLatin1String("[fit]")))
                std::cout << label << " " << line.toStdString() << std::endl;
        EXPECT_TRUE(ended) << label << ": the window checks did not end in time";
        EXPECT_EQ(child.exitCode(), 0) << label << ":\n" << output.toStdString();
        EXPECT_TRUE(output.contains(QLatin1String("[  PASSED  ] 1 test")))
            << label << ": the window checks did not run:\n"
            << output.toStdString();
    }
}
