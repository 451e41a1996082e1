#include "app/Lorvane.h"

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStackedLayout>
#include <QStyleOption>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <map>

#include "app/Navigation.h"
#include "app/Version.h"
#include "capture/question/QTopicInfo.h"
#include "core/AppContext.h"
#include "core/SettingsKeys.h"
#include "core/Sqlite.h"
#include "library/DetailcListWidget.h"
#include "library/dataStatistics.h"
#include "service/WorkerClient.h"
#include "ui/AwaitTask.h"
#include "ui/QMessageBoxBase.h"
#include "ui/StyledPaint.h"

namespace {

QSize availableSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry().size() : QSize(1024, 768);
}

}  // namespace

Lorvane::Lorvane(QWidget* parent) : QDialogBase(parent)
{
    AppContext* ctx = AppContext::instance();

    setButtons(buttons() | QTitleBar::kMaximizeBit | QTitleBar::kSettingsBit);
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowMaximizeButtonHint);

    // Three quarters of the desktop, rounded after each step.
    const QSize size = (availableSize() * 3.0) * 0.25;
    resize(size);
    if (getIniValue(ini::kMainWindow))
        setMaximized(true);

    auto* outer = new QVBoxLayout;
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* top = new QHBoxLayout;
    top->setContentsMargins(5, 5, 5, 5);
    top->setSpacing(5);
    auto* body = new QHBoxLayout;
    body->setContentsMargins(5, 5, 5, 5);
    body->setSpacing(5);
    outer->addLayout(top);
    outer->addLayout(body);

    setWindowTitle(QString::fromUtf8(programName()) + QString::fromLatin1(programVersion()));

    // Grade, term and subject buttons.
    auto linkButton = [this](void (Lorvane::*slot)()) {
        auto* b = new QPushButton(this);
        b->setFocusPolicy(Qt::NoFocus);
        b->setObjectName(QStringLiteral("btn_link_info"));
        b->setCursor(Qt::PointingHandCursor);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    btnGrade = linkButton(&Lorvane::on_btnGrade_clicked);
    btnTerm = linkButton(&Lorvane::on_btnTerm_clicked);
    btnSubject = linkButton(&Lorvane::on_btnSubject_clicked);
    top->addWidget(btnGrade);
    top->addWidget(btnTerm);
    top->addWidget(btnSubject);
    top->addStretch();

    // Left panel: subjects and the mastery tree under two tabs.
    listSubject = new QListWidget(this);
    listSubject->setFocusPolicy(Qt::NoFocus);
    listSubject->setSpacing(5);
    connect(listSubject, &QListWidget::itemClicked, this, &Lorvane::list_itemClicked);
    treeWidget = new myTreeWidget(this);
    connect(treeWidget, &myTreeWidget::item_clicked, this, &Lorvane::tree_itemClicked);
    tabbar = new myTabBar;
    tabbar->setParent(this);
    tabbar->addTab(QStringLiteral("科目"));
    tabbar->addTab(QStringLiteral("掌握情况"));
    auto* stack = new QStackedLayout;
    stack->addWidget(listSubject);
    stack->addWidget(treeWidget);
    connect(tabbar, &QTabBar::currentChanged, stack, &QStackedLayout::setCurrentIndex);
    auto* left = new QVBoxLayout;
    left->addWidget(tabbar);
    left->addLayout(stack);
    body->addLayout(left, 2);

    // The question list and the statistics.
    detailList = new DetailcListWidget(nullptr, false);
    connect(detailList, &DetailcListWidget::detailNumberChanged, this, &Lorvane::detailNumberChanged,
            Qt::QueuedConnection);
    statistics = createStatisticsTab();

    tabWidget = new QTabWidget(this);
    tabWidget->setTabShape(QTabWidget::Rounded);
    tabWidget->setIconSize(QSize(24, 24));
    tabWidget->addTab(detailList, QIcon(QStringLiteral(":/Lorvane/Resources/warehouse.png")), QStringLiteral("题库"));
    tabWidget->addTab(statistics, QIcon(QStringLiteral(":/Lorvane/Resources/barGraph.png")),
                      QStringLiteral("数据统计"));
    body->addWidget(tabWidget, 8);
    connect(tabWidget, &QTabWidget::currentChanged, this, &Lorvane::currentChanged);

    addLayout(outer);

    ctx->state = 0;
    // Counted from the event loop's first turn: the window is drawn, and the
    // start-up report made at that turn written, before the base data and
    // the start-up worker come.
    QTimer::singleShot(0, this, [this] { QTimer::singleShot(500, this, &Lorvane::animation_finished); });
    // Every question form built from now on tells this window of the subject
    // chosen in it.
    QTopicInfo::setMainObserver(this);
}

Lorvane::~Lorvane()
{
    if (QTopicInfo::mainObserver() == this)
        QTopicInfo::setMainObserver(nullptr);
    stopWorker();
}

void Lorvane::paintEvent(QPaintEvent*)
{
    paintStyledBackground(this);
}

int Lorvane::loadBaseData(std::string& err)
{
    AppContext* ctx = AppContext::instance();
    IDatabase* db = Singleton<sqlite>::instance();
    const int user = ctx->user.id;
    std::map<int, _type_t> types;
    const int rc = awaitTask([db, user, &types, &err] { return db->getTypes(user, types, err); }, err);
    if (rc != 0)
        return -1;
    ctx->setBaseData(types);
    return 0;
}

void Lorvane::animation_finished()
{
    std::string err;
    if (loadBaseData(err) != 0) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), QString::fromUtf8(err.c_str()));
        close();
        return;
    }
    update_grade_term_subject();
    listSubject->setCurrentRow(0);
    list_itemClicked(listSubject->currentItem());

    if (takeFirstRunBit(ini::kFirstRunMainTip))
        QTimer::singleShot(500, this, &Lorvane::timeout);

    startWorker();
}

void Lorvane::timeout()
{
    on_btnGrade_clicked();
    showFirstRunTip();
}

void Lorvane::showFirstRunTip()
{
    if (!labelTip) {
        labelTip = new QLabel(this);
        labelTip->setPixmap(QPixmap(QStringLiteral(":/Lorvane/Resources/set_tips.png")));
        labelTip->resize(labelTip->sizeHint());
        // The button moves inside the title bar when the window's width
        // changes (resized, maximised, restored).
        if (QWidget* settings = titleBar()->findChild<QPushButton*>(QStringLiteral("setButton")))
            settings->installEventFilter(this);
    }
    placeTip();
    labelTip->show();
    labelTip->raise();
    QTimer::singleShot(3000, labelTip, &QLabel::hide);
}

void Lorvane::placeTip()
{
    const QWidget* settings = titleBar()->findChild<QPushButton*>(QStringLiteral("setButton"));
    if (!labelTip || !settings)
        return;
    // The apex of the picture's arrow (set_tips.png, 150 x 75 px).
    const QPoint arrow(134, 2);
    const QPoint buttonBottom = settings->mapTo(this, QPoint(settings->width() / 2, settings->height()));
    labelTip->move(buttonBottom - arrow);
}

bool Lorvane::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
        placeTip();
    return QDialogBase::eventFilter(watched, event);
}

void Lorvane::titleBar_buttonClicked(int id)
{
    if (id == QTitleBar::Settings)
        set_clicked();
}

QMenu* Lorvane::buildSettingsMenu()
{
    auto* menu = new QMenu(this);
    connect(menu->addAction(QStringLiteral("个人帐户")), &QAction::triggered, this, &Lorvane::menu_userInfo_triggered);
    connect(menu->addAction(QStringLiteral("基础数据")), &QAction::triggered, this, &Lorvane::menu_basicData_triggered);
    connect(menu->addAction(QStringLiteral("短语预设")), &QAction::triggered, this, &Lorvane::menu_phraseSet_triggered);
    connect(menu->addAction(QStringLiteral("系统设置")), &QAction::triggered, this, &Lorvane::menu_systemSet_triggered);
    connect(menu->addAction(QStringLiteral("意见反馈")), &QAction::triggered, this, &Lorvane::userSuggestion_triggered);
    connect(menu->addAction(QStringLiteral("关于")), &QAction::triggered, this, &Lorvane::menu_about_triggered);
    return menu;
}

void Lorvane::set_clicked()
{
    QMenu* menu = buildSettingsMenu();
    menu->exec(QCursor::pos());
    delete menu;
}

// ---------------------------------------------------------------- navigation

void Lorvane::refreshCurrentTab()
{
    switch (tabWidget->currentIndex()) {
    case 0:
        detailList->loadData();
        detailList->show_detail();
        break;
    case 1: refreshStatisticsTab(); break;
    default: break;
    }
}

void Lorvane::currentChanged(int)
{
    refreshCurrentTab();
}

void Lorvane::list_itemClicked(QListWidgetItem*)
{
    AppContext* ctx = AppContext::instance();
    const int row = listSubject->currentRow();
    if (row < 0 || row >= static_cast<int>(ctx->subjects.size()))
        return;
    ctx->subject = ctx->subjects[row];
    btnSubject->setText(QString::fromUtf8(ctx->subject.name.c_str()));
    refreshCurrentTab();
}

void Lorvane::notify(int index)
{
    AppContext* ctx = AppContext::instance();
    listSubject->setCurrentRow(index);
    if (index < 0 || index >= static_cast<int>(ctx->subjects.size()))
        return;
    ctx->subject = ctx->subjects[index];
    btnSubject->setText(QString::fromUtf8(ctx->subject.name.c_str()));
    refreshCurrentTab();
}

void Lorvane::tree_itemClicked(int item)
{
    AppContext* ctx = AppContext::instance();
    int state = 0;
    int times = 0;
    if (myTreeWidget::filterOf(item, state, times)) {
        ctx->state = state;
        ctx->times = times;
    }
    refreshCurrentTab();
}

void Lorvane::update_grade_term_subject()
{
    const AppContext* ctx = AppContext::instance();
    btnGrade->setText(QString::fromUtf8(ctx->grade.name.c_str()));
    btnTerm->setText(QString::fromUtf8(ctx->term.name.c_str()));

    const int row = listSubject->currentRow();
    listSubject->clear();
    for (const _type_t& s : ctx->subjects)
        listSubject->addItem(QString::fromUtf8(s.name.c_str()));
    if (row == -1)
        return;
    listSubject->setCurrentRow(std::min(row, listSubject->count() - 1));
    list_itemClicked(listSubject->currentItem());
}

void Lorvane::detailNumberChanged(int once, int twice, int thrice)
{
    tabbar->setDot(1, once > 0 || twice > 0 || thrice > 0);
    treeWidget->setCount(3, once);
    treeWidget->setCount(4, twice);
    treeWidget->setCount(5, thrice);
}

void Lorvane::on_btnGrade_clicked()
{
    editBaseData(0);
}
void Lorvane::on_btnTerm_clicked()
{
    editBaseData(1);
}
void Lorvane::on_btnSubject_clicked()
{
    editBaseData(2);
}
void Lorvane::menu_basicData_triggered()
{
    on_btnGrade_clicked();
}

// ---------------------------------------------------------------- closing

void Lorvane::closeEvent(QCloseEvent* event)
{
    stopWorker();
    setIniValue(ini::kMainWindow, isMaximized());
    QWidget::closeEvent(event);
}

void Lorvane::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialogBase::keyPressEvent(event);
}

void Lorvane::stopWorker()
{
    if (!thread.isRunning())
        return;
    // The worker's call in progress ends at once, the rest are skipped and
    // the thread's loop ends: closing never waits for the web service.
    if (worker)
        worker->cancel();
    thread.requestInterruption();
    thread.quit();
    thread.wait();
}
