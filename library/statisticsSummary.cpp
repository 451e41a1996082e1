#include "library/statisticsSummary.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <mutex>
#include <string>

#include "core/AppContext.h"
#include "core/Sqlite.h"
#include "core/Utils.h"
#include "library/ClearDetail.h"
#include "library/RowlessFolders.h"
#include "library/StatisticsData.h"
#include "library/StatisticsPage.h"
#include "platform/RemoveTree.h"
#include "ui/AwaitTask.h"
#include "ui/Modal.h"
#include "ui/QMessageBoxBase.h"
#include "ui/StyledPaint.h"

namespace {

QTableWidget* newTable(QWidget* parent, const QStringList& headers)
{
    auto* table = new QTableWidget(0, 3, parent);
    table->setHorizontalHeaderLabels(headers);
    table->setFocusPolicy(Qt::NoFocus);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->setVisible(false);
    return table;
}

QTableWidgetItem* cell(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return item;
}

QString typeName(int id)
{
    return QString::fromStdString(AppContext::instance()->typeName(id));
}

// Empties the cache folder and keeps it. A cache folder that is a link is
// removed as a link, and a real folder takes its place: what the link points
// to is never touched, nor is anything a link inside the folder points to.
void clearCache(const QString& folder)
{
    const std::string path = QFile::encodeName(folder).toStdString();
    if (!platform::isLink(path)) {
        platform::emptyFolder(path);
        return;
    }
    if (platform::removeTree(path))
        QDir().mkdir(folder);
}

// Size threads are never waited for, so one may finish while the program
// ends. They post their reports to the application object only while it
// lives: the gate closes first thing in its destructor. The gate itself is
// never destroyed, so a late thread can still look at it.
struct ReportGate {
    std::mutex mutex;
    bool open = false;
};

ReportGate& reportGate()
{
    static ReportGate* gate = new ReportGate;
    return *gate;
}

void closeReportGate()
{
    ReportGate& gate = reportGate();
    std::lock_guard<std::mutex> lock(gate.mutex);
    gate.open = false;
}

// On the GUI thread, before the first size thread starts.
void openReportGate()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    {
        ReportGate& gate = reportGate();
        std::lock_guard<std::mutex> lock(gate.mutex);
        gate.open = QCoreApplication::instance() != nullptr;
    }
    qAddPostRoutine(closeReportGate);
}

// From any thread: runs fn on the GUI thread later, unless the application
// object is gone or going.
template <typename Fn>
void postToApplication(Fn fn)
{
    ReportGate& gate = reportGate();
    std::lock_guard<std::mutex> lock(gate.mutex);
    if (gate.open)
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(fn), Qt::QueuedConnection);
}

}  // namespace

statisticsSummary::statisticsSummary(QWidget* parent) : QWidget(parent)
{
    layout_ = new QVBoxLayout(this);

    auto* grid = new QGridLayout();
    grid->addWidget(new QLabel(QStringLiteral("本学期："), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("所有年级："), this), 0, 1);
    subjectTable_ = newTable(this, {QStringLiteral("科目"), QStringLiteral("题目数量"), QStringLiteral("未掌握")});
    gradeTermTable_ = newTable(this, {QStringLiteral("年级"), QStringLiteral("学期"), QStringLiteral("题目数量")});
    grid->addWidget(subjectTable_, 1, 0);
    grid->addWidget(gradeTermTable_, 1, 1);

    auto* row = new QHBoxLayout();
    questionSize_ = new QLabel(this);
    btnClear1_ = new QPushButton(QStringLiteral("清理题目"), this);
    cacheSize_ = new QLabel(this);
    btnClear2_ = new QPushButton(QStringLiteral("清理缓存"), this);
    row->addWidget(questionSize_);
    row->addWidget(btnClear1_);
    row->addWidget(cacheSize_);
    row->addWidget(btnClear2_);
    row->addStretch();

    layout_->addLayout(grid);
    layout_->addLayout(row);

    connect(this, &statisticsSummary::getFileSizeFinished, this, &statisticsSummary::showDirctorySize);
    connect(btnClear1_, &QPushButton::clicked, this, &statisticsSummary::on_btn_clear1_clicked);
    connect(btnClear2_, &QPushButton::clicked, this, &statisticsSummary::on_btn_clear2_clicked);

    startDirectorySize();
}

statisticsSummary::~statisticsSummary() = default;

void statisticsSummary::paintEvent(QPaintEvent* event)
{
    paintStyledBackground(this);
    QWidget::paintEvent(event);
}

void statisticsSummary::doWork()
{
    const statistics::Selection s = statistics::currentSelection();
    gradeTermCounts_.clear();
    subjectCounts_.clear();
    notMasteredCounts_.clear();
    std::vector<std::tuple<int, int, int>> gradeTerms, subjects, notMastered;
    if (!statistics::fetchFigures(this, [&](std::string& err) {
            IDatabase* db = Singleton<sqlite>::instance();
            int rc = db->getGradeTermCounts(s.user, gradeTerms, err);
            if (rc == 0)
                rc = db->getSubjectCounts(s.user, s.grade, s.term, false, subjects, err);
            if (rc == 0)
                rc = db->getSubjectCounts(s.user, s.grade, s.term, true, notMastered, err);
            return rc;
        }))
        return;
    gradeTermCounts_ = gradeTerms;
    subjectCounts_ = subjects;
    notMasteredCounts_ = notMastered;
    resultReady();
}

void statisticsSummary::resultReady()
{
    gradeTermTable_->clearContents();
    gradeTermTable_->setRowCount(static_cast<int>(gradeTermCounts_.size()));
    for (int i = 0; i < static_cast<int>(gradeTermCounts_.size()); ++i) {
        const auto& [grade, term, count] = gradeTermCounts_[static_cast<std::size_t>(i)];
        gradeTermTable_->setItem(i, 0, cell(typeName(grade)));
        gradeTermTable_->setItem(i, 1, cell(typeName(term)));
        gradeTermTable_->setItem(i, 2, cell(QString::number(count)));
    }

    subjectTable_->clearContents();
    subjectTable_->setRowCount(static_cast<int>(subjectCounts_.size()));
    for (int i = 0; i < static_cast<int>(subjectCounts_.size()); ++i) {
        const auto& [subject, order, count] = subjectCounts_[static_cast<std::size_t>(i)];
        (void)order;
        int notMastered = 0;
        for (const auto& [id, o, n] : notMasteredCounts_) {
            (void)o;
            if (id == subject) {
                notMastered = n;
                break;
            }
        }
        subjectTable_->setItem(i, 0, cell(typeName(subject)));
        subjectTable_->setItem(i, 1, cell(QStringLiteral("%1").arg(count)));
        subjectTable_->setItem(i, 2, cell(statistics::shareText(notMastered, count)));
    }
    update();
}

void statisticsSummary::startDirectorySize()
{
    btnClear1_->hide();
    btnClear2_->hide();
    questionSize_->setText(QStringLiteral("正在计算..."));
    cacheSize_->setText(QStringLiteral("正在计算..."));

    const unsigned run = ++sizeRun_;
    pendingReports_ = 2;
    const std::string items =
        QDir::current().absoluteFilePath(QStringLiteral("item/%1").arg(AppContext::instance()->user.id)).toStdString();
    const std::string cache = QDir::current().absoluteFilePath(QStringLiteral("tmp")).toStdString();

    // The thread may outlive the page (it is never waited for): it reports by
    // posting to the application object, and the report reaches the page only
    // while the page is alive.
    openReportGate();
    QPointer<statisticsSummary> page(this);
    auto report = [page, run](int which, qlonglong bytes) {
        postToApplication([page, run, which, bytes] {
            if (page)
                page->deliverSize(run, which, bytes);
        });
    };
    try {
        sizeThread_ = std::thread([items, cache, report] {
            try {
                uint64_t questions = 0;
                getDirectorySize(items.c_str(), &questions);
                report(0, static_cast<qlonglong>(questions));
                uint64_t cached = 0;
                getDirectorySize(cache.c_str(), &cached);
                report(1, static_cast<qlonglong>(cached));
            } catch (...) {
                // Nothing to report; the labels keep "正在计算...".
            }
        });
        sizeThread_.detach();
    } catch (const std::exception&) {
        pendingReports_ = 0;
    }
}

void statisticsSummary::deliverSize(unsigned run, int which, qlonglong bytes)
{
    // A report of an older run is dropped: a newer one is on its way.
    if (run != sizeRun_)
        return;
    if (pendingReports_ > 0)
        --pendingReports_;
    emit getFileSizeFinished(which, bytes);
}

void statisticsSummary::showDirctorySize(int which, qlonglong bytes)
{
    const QString text = statistics::sizeLabelText(static_cast<qulonglong>(bytes));
    if (which == 0) {
        questionSize_->setText(QStringLiteral("题目：") + text);
        btnClear1_->show();
    } else {
        cacheSize_->setText(QStringLiteral("缓存：") + text);
        btnClear2_->show();
    }
}

void statisticsSummary::on_btn_clear1_clicked()
{
    if (gradeTermCounts_.empty())
        return;
    ClearDetail dialog(gradeTermCounts_, nullptr);
    if (modal::exec(dialog) == 1) {
        doWork();
        startDirectorySize();
    }
}

void statisticsSummary::on_btn_clear2_clicked()
{
    const QString cache = QDir::current().absoluteFilePath(QStringLiteral("tmp"));
    const bool hasCache = QFileInfo(cache).isDir() || platform::isLink(QFile::encodeName(cache).toStdString());
    const int userId = AppContext::instance()->user.id;

    QProgressDialog progress;
    progress.setLabelText(QStringLiteral("正在清理缓存，请勿中止..."));
    progress.setCancelButton(nullptr);
    progress.setRange(0, 0);
    progress.setWindowTitle(QStringLiteral("清理缓存"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    progress.show();

    // The cache folder stays: other parts of the program write into it. What
    // the removal achieved shows in the new size. Besides the cache, the
    // question folders that no row names (a save cut short) go. The progress
    // box is the only sign of the wait: no busy dialog over it.
    int removed = 0;
    std::string err;
    const int rc = awaitTask(
        [&]() -> int {
            if (hasCache)
                clearCache(cache);
            return rowless::removeRowlessFolders(*Singleton<sqlite>::instance(), userId, removed, err);
        },
        err, BusyDialog::Hidden);
    progress.hide();

    if (hasCache || removed > 0)
        startDirectorySize();
    if (rc != 0)
        QMessageBoxBase::information(this, QStringLiteral("提示"), QString::fromUtf8(err.c_str()));
    else if (removed > 0)
        QMessageBoxBase::information(this, QStringLiteral("提示"),
                                     QStringLiteral("已删除%1个没有记录的题目文件夹").arg(removed));
}
