// Speed of the main window on a large collection (100,000 questions; the
// current bucket 高三 / 上学期 / 数学 holds about 7,200):
//  - a navigation click (mastery tree, subject list, page buttons) until the
//    question list's page is painted, in the running window;
//  - the start-up of the real program until its main window is shown, on the
//    large collection and, side by side, on a fresh data folder.
// Figures are medians over the repetitions.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QToolButton>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "QuestionCollection.h"
#include "app/Lorvane.h"
#include "app/Navigation.h"
#include "app/Startup.h"
#include "core/AppContext.h"
#include "core/Settings.h"
#include "library/DetailcListWidget.h"

extern char** environ;

namespace {

QString g_collection;  // the generated database file
QString g_programDir;  // where the Lorvane program lies
Lorvane* g_window = nullptr;

// A data folder under root whose database is a copy of the collection (or
// none: a fresh start), whose settings show no first-run tip and point the
// web-service client at a closed loopback port.
void prepareDataFolder(const QString& root, bool large)
{
    const QString data = root + QStringLiteral("/Lorvane");
    QDir().mkpath(data + QStringLiteral("/database"));
    if (large) {
        QFile::remove(data + QStringLiteral("/database/Lorvane.db"));
        QFile::copy(g_collection, data + QStringLiteral("/database/Lorvane.db"));
    }
    QSettings ini(data + QStringLiteral("/Lorvane.ini"), QSettings::IniFormat);
    ini.setValue(QStringLiteral("first_run"), 6);
    ini.setValue(QStringLiteral("auto_update"), 0);
    ini.setValue(QStringLiteral("host"), QStringLiteral("127.0.0.1"));
    ini.setValue(QStringLiteral("port"), QStringLiteral("9"));
    ini.setValue(QStringLiteral("project"), QStringLiteral("svc"));
}

// ---------------------------------------------------------------- clicks

// A left click as the window system delivers it.
void mouseClick(QWidget* widget, QPoint at = QPoint())
{
    if (at.isNull())
        at = widget->rect().center();
    const QPoint global = widget->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

void pressReturn(QWidget* widget)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

template <typename Ready>
bool waitFor(Ready ready, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!ready()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// What the event loop does after the click: the replaced cells' widgets go,
// and the list is painted.
void paintList()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    g_window->questionList()->repaint();
}

void clickTreeItem(int item)
{
    myTreeWidget* tree = g_window->tree();
    const QRect r = tree->visualItemRect(tree->treeItem(item));
    mouseClick(tree->viewport(), r.center());
    paintList();
}

// 全部 and 未掌握 in turn: a reload of the whole bucket and of its not-mastered part.
void TreeClick(benchmark::State& state)
{
    g_window->tabBar()->setCurrentIndex(1);
    int n = 0;
    for (auto _ : state)
        clickTreeItem((n++ % 2) ? 0 : 2);
    state.counters["questions"] = g_window->questionList()->total();
}

// 数学 and 物理 in turn.
void SubjectClick(benchmark::State& state)
{
    g_window->tabBar()->setCurrentIndex(0);
    QListWidget* list = g_window->subjectList();
    int n = 0;
    for (auto _ : state) {
        const int row = (n++ % 2) ? 0 : 1;
        const QRect r = list->visualItemRect(list->item(row));
        mouseClick(list->viewport(), r.center());
        paintList();
    }
    list->setCurrentRow(0);
    g_window->list_itemClicked(list->item(0));
}

// Next page, then previous page, in the middle of the bucket.
void PageClick(benchmark::State& state)
{
    DetailcListWidget* list = g_window->questionList();
    auto* next = list->findChild<QToolButton*>(QStringLiteral("next_page"));
    auto* previous = list->findChild<QToolButton*>(QStringLiteral("previous_page"));
    clickTreeItem(2);
    for (int i = 0; i < 100; ++i)
        next->click();
    int n = 0;
    for (auto _ : state) {
        mouseClick((n++ % 2) ? previous : next);
        paintList();
    }
    state.counters["offset"] = list->offset();
}

// The database's part of a page click at the same place: count and page.
void PageQueries(benchmark::State& state)
{
    DetailcListWidget* list = g_window->questionList();
    IDatabase* db = Singleton<sqlite>::instance();
    std::vector<_detail_t> page;
    std::string err;
    int count = 0;
    int n = 0;
    for (auto _ : state) {
        const query_data q = list->makeQuery(list->offset() + ((n++ % 2) ? 0 : 20));
        db->countSearchDetails(q, count, err);
        db->searchDetails(q, page, err);
    }
    state.counters["offset"] = list->offset();
}

// A keyword search over the bucket.
void KeywordSearch(benchmark::State& state)
{
    DetailcListWidget* list = g_window->questionList();
    clickTreeItem(2);
    int n = 0;
    for (auto _ : state) {
        list->searchLine()->setText((n++ % 2) ? QStringLiteral("函数") : QStringLiteral("期中"));
        pressReturn(list->searchLine());
        paintList();
    }
    list->searchLine()->clear();
}

// ---------------------------------------------------------------- start-up

// In the running program: a main window built and shown, its start-up slot
// run at once (base data, first subject, first page), the page painted.
void WindowFirstPage(benchmark::State& state)
{
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        auto window = std::make_unique<Lorvane>(nullptr);
        window->show();
        window->animation_finished();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        window->repaint();
        state.SetIterationTime(clock.nsecsElapsed() / 1e9);
        window->close();
    }
}

// Runs the program on a data folder until it reports its main window shown;
// returns the milliseconds from the spawn to the report.
double startProgram(const QString& root)
{
    const QString report = root + QStringLiteral("/started.txt");
    QFile::remove(report);
    const std::string program = (g_programDir + QStringLiteral("/Lorvane")).toStdString();
    const std::string appdata = "APPDATA=" + root.toStdString();
    const std::string reportVar = "LORVANE_STARTUP_REPORT=" + report.toStdString();
    std::string platform = "QT_QPA_PLATFORM=offscreen";
    std::string quit = "LORVANE_QUIT_AFTER_STARTUP=1";
    std::string locale = "LC_ALL=C.UTF-8";
    std::string path = std::string("PATH=") + (std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin");
    const QString runtimeDir = root + QStringLiteral("/runtime");
    QDir().mkpath(runtimeDir);
    QFile::setPermissions(runtimeDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    std::string runtime = "XDG_RUNTIME_DIR=" + runtimeDir.toStdString();
    char* env[] = {const_cast<char*>(appdata.c_str()),
                   const_cast<char*>(reportVar.c_str()),
                   platform.data(),
                   quit.data(),
                   locale.data(),
                   path.data(),
                   runtime.data(),
                   nullptr};
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};

    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, env) != 0)
        return -1;
    double shown = -1;
    while (true) {
        if (shown < 0 && QFile(report).size() > 0)
            shown = clock.nsecsElapsed() / 1e6;
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            if (shown < 0 && QFile(report).size() > 0)
                shown = clock.nsecsElapsed() / 1e6;
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return shown;
}

void StartUp(benchmark::State& state, bool large)
{
    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/lorvane-bench-start-XXXXXX"));
    prepareDataFolder(root.path(), large);
    startProgram(root.path());  // the first run creates a fresh database
    for (auto _ : state) {
        const double ms = startProgram(root.path());
        if (ms < 0) {
            state.SkipWithError("the program did not report its window");
            break;
        }
        state.SetIterationTime(ms / 1000.0);
    }
}

void StartUpLarge(benchmark::State& state)
{
    StartUp(state, true);
}
void StartUpFresh(benchmark::State& state)
{
    StartUp(state, false);
}

void clicks(benchmark::internal::Benchmark* b)
{
    b->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(9)->ReportAggregatesOnly(true)->UseRealTime();
}
void starts(benchmark::internal::Benchmark* b)
{
    b->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(11)->ReportAggregatesOnly(true)->UseManualTime();
}

BENCHMARK(TreeClick)->Apply(clicks);
BENCHMARK(SubjectClick)->Apply(clicks);
BENCHMARK(PageClick)->Apply(clicks);
BENCHMARK(PageQueries)->Apply(clicks);
BENCHMARK(KeywordSearch)->Apply(clicks);
BENCHMARK(WindowFirstPage)->Apply(starts);
BENCHMARK(StartUpLarge)->Apply(starts);
BENCHMARK(StartUpFresh)->Apply(starts);

}  // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/lorvane-bench-main-XXXXXX"));
    setenv("APPDATA", work.path().toLocal8Bit().constData(), 1);

    g_collection = work.path() + QStringLiteral("/collection.db");
    std::fprintf(stderr, "generating %d questions in %s\n", collection::kQuestions, qPrintable(g_collection));
    collection::generate(g_collection.toStdString());

    int result = 0;
    {
        QApplication app(argc, argv);
        g_programDir = QCoreApplication::applicationDirPath();

        // The window under test, on its own copy of the collection.
        prepareDataFolder(work.path(), true);
        createDataFolders();
        IDatabase* db = Singleton<sqlite>::instance();
        std::string err;
        _user_t user;
        if (db->login("lorvane", "704182", user, err) != 0) {
            std::fprintf(stderr, "login: %s\n", err.c_str());
            return 1;
        }
        AppContext::instance()->user = user;
        AppContext::instance()->user_folder = std::to_string(user.id);

        g_window = Singleton<Lorvane>::instance();
        g_window->show();
        waitFor([] { return g_window->subjectList()->count() > 0; }, 10000);
        waitFor([] { return false; }, 200);

        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv))
            return 1;
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        g_window->close();
        QDir::setCurrent(QDir::tempPath());
    }
    return result;
}
