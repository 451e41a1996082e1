#include "library/DetailcListWidget.h"

#include <QCheckBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QResizeEvent>
#include <QStyleOption>
#include <QTableWidget>
#include <QThreadPool>
#include <QToolButton>
#include <QVBoxLayout>

#include <mutex>
#include <tuple>

#include "core/AppContext.h"
#include "core/SettingsKeys.h"
#include "core/Sqlite.h"
#include "library/SearchWidget.h"
#include "service/Infomation.h"
#include "service/WebAddress.h"
#include "ui/AwaitTask.h"
#include "ui/Modal.h"
#include "ui/QMessageBoxBase.h"
#include "ui/StyledPaint.h"

struct DetailcListWidget::CountChannel {
    std::mutex mutex;
    DetailcListWidget* owner = nullptr;  // null once the list is gone
};

namespace {

QTableWidgetItem* textItem(const QString& text, Qt::Alignment alignment)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(alignment);
    return item;
}

const Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
const Qt::Alignment kCentre = Qt::AlignCenter;

}  // namespace

DetailcListWidget::DetailcListWidget(QWidget* parent, bool compactForm)
    : QWidget(parent), compact(compactForm), countChannel(std::make_shared<CountChannel>())
{
    countChannel->owner = this;

    // Top row: the buttons and the search controls.
    auto* top = new QHBoxLayout;
    top->setContentsMargins(6, 0, 6, 0);
    top->addStretch();
    btnImport = new QPushButton(QStringLiteral("题目收录"), this);
    btnExport = new QPushButton(QStringLiteral("导出全部"), this);
    btnExportPoints = new QPushButton(QStringLiteral("导出全部考点"), this);
    for (QPushButton* b : {btnImport, btnExport, btnExportPoints})
        b->setFocusPolicy(Qt::NoFocus);
    btnExportPoints->hide();
    connect(btnExportPoints, &QPushButton::clicked, this, [this] { btnexport_hotPoints_clicked(); });

    editSearch = new QLineEdit(this);
    editSearch->setObjectName(QStringLiteral("editSearch"));
    editSearch->setPlaceholderText(QStringLiteral("编号/类别/考点/错误原因/题型/来源/备注"));
    editSearch->setClearButtonEnabled(true);
    connect(editSearch, &QLineEdit::textChanged, this, &DetailcListWidget::textChanged);
    connect(editSearch, &QLineEdit::returnPressed, this, &DetailcListWidget::btnSearch_clicked);

    btnSearch = new QToolButton(this);
    btnSearch->setObjectName(QStringLiteral("tool_search"));
    btnSearch->setToolTip(QStringLiteral("查询"));
    btnSearch->setMinimumSize(24, 24);
    connect(btnSearch, &QToolButton::clicked, this, &DetailcListWidget::btnSearch_clicked);
    btnSearch->setFocus(Qt::OtherFocusReason);

    btnSearchMore = new QPushButton(QStringLiteral("精确查询"), this);
    btnSearchMore->setToolTip(QStringLiteral("精确查询"));
    btnSearchMore->setFocusPolicy(Qt::NoFocus);
    connect(btnSearchMore, &QPushButton::clicked, this, &DetailcListWidget::btnSearch_clicked_more);

    top->addWidget(btnImport);
    top->addWidget(btnExport);
    top->addWidget(btnExportPoints);
    top->addWidget(editSearch);
    top->addWidget(btnSearch);
    top->addWidget(btnSearchMore);

    // The table.
    tableWidget = new QTableWidget(kPageSize, kColumns, this);
    tableWidget->setFocusPolicy(Qt::NoFocus);
    tableWidget->setSelectionMode(QAbstractItemView::SingleSelection);
    tableWidget->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableWidget->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tableWidget->setAlternatingRowColors(true);
    tableWidget->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tableWidget->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tableWidget->verticalHeader()->hide();
    // The scroll bars are hidden, so the twenty rows share the table's
    // height: a page is seen whole on a small screen as well.
    tableWidget->verticalHeader()->setMinimumSectionSize(18);
    tableWidget->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    tableWidget->setHorizontalHeaderLabels({QString(), QStringLiteral("编号"), QStringLiteral("掌握情况"),
                                            QStringLiteral("类别"), QStringLiteral("考点"), QStringLiteral("错误原因"),
                                            QStringLiteral("题型"), QStringLiteral("分值"), QStringLiteral("题目来源"),
                                            QStringLiteral("备注"), QStringLiteral("修改日期")});
    QHeaderView* header = tableWidget->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignHCenter);
    for (int c : {0, 1, 7, 10})
        header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    for (int c : {4, 5, 8, 9})
        header->setSectionResizeMode(c, QHeaderView::Stretch);

    // Bottom row: select-all, the notice, the paging.
    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(6, 0, 6, 0);
    checkSelectAll = new QCheckBox(QStringLiteral("全选"), this);
    checkSelectAll->setObjectName(QStringLiteral("select_all"));
    labelAdvertiseIcon = new QLabel(this);
    labelAdvertiseIcon->setFixedSize(24, 24);
    labelAdvertise = new QLabel(this);
    labelAdvertise->setTextFormat(Qt::RichText);
    connect(labelAdvertise, &QLabel::linkActivated, this, &DetailcListWidget::labelAdvertise_linkActivated);
    btnPrevious = new QToolButton(this);
    btnPrevious->setObjectName(QStringLiteral("previous_page"));
    btnPrevious->setFixedSize(24, 24);
    btnPrevious->setToolTip(QStringLiteral("上一页"));
    connect(btnPrevious, &QToolButton::clicked, this, &DetailcListWidget::previous_page_clicked);
    labelPage = new QLabel(this);
    labelPage->setObjectName(QStringLiteral("page_number"));
    btnNext = new QToolButton(this);
    btnNext->setObjectName(QStringLiteral("next_page"));
    btnNext->setFixedSize(24, 24);
    btnNext->setToolTip(QStringLiteral("下一页"));
    connect(btnNext, &QToolButton::clicked, this, &DetailcListWidget::next_page_clicked);
    bottom->addWidget(checkSelectAll);
    bottom->addStretch();
    bottom->addWidget(labelAdvertiseIcon);
    bottom->addWidget(labelAdvertise);
    bottom->addStretch();
    bottom->addWidget(btnPrevious);
    bottom->addWidget(labelPage);
    bottom->addWidget(btnNext);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->addLayout(top);
    layout->addWidget(tableWidget);
    layout->addLayout(bottom);

    if (compact) {
        for (int c = 7; c < kColumns; ++c)
            tableWidget->hideColumn(c);
    }

    stateIconStyle = getIniValue(ini::kStateIcon);
    detailOrder = getIniValue(ini::kDetailOrder);
    setupOperations();
}

DetailcListWidget::~DetailcListWidget()
{
    // A count still running must not report to a list that is gone.
    std::lock_guard<std::mutex> lock(countChannel->mutex);
    countChannel->owner = nullptr;
}

void DetailcListWidget::paintEvent(QPaintEvent* event)
{
    paintStyledBackground(this);
    QWidget::paintEvent(event);
}

query_data DetailcListWidget::makeQuery(int offset) const
{
    const AppContext* ctx = AppContext::instance();
    query_data q;
    q.user_id = ctx->user.id;
    q.grade = ctx->grade.id;
    q.term = ctx->term.id;
    q.subject = ctx->subject.id;
    q.state = ctx->state;
    q.times = ctx->times;
    q.order = detailOrder;
    q.offset = offset;
    if (!exactMode) {
        q.keyword = editSearch->text().toUtf8().toStdString();
    } else {
        q.number_from = number_from;
        q.number_to = number_to;
        q.classification = classification;
        q.point = point;
        q.cause = cause;
        q.questiontype = questiontype;
        q.source = source;
        q.remark = remark;
        q.date_from = date_from;
        q.date_to = date_to;
    }
    return q;
}

int DetailcListWidget::queryCount(int& count, std::string& err)
{
    const query_data q = makeQuery(pageOffset);
    IDatabase* db = Singleton<sqlite>::instance();
    int found = 0;
    const bool exact = exactMode;
    const int rc = awaitTask(
        [db, q, exact, &found, &err] {
            return exact ? db->countDetails(q, found, err) : db->countSearchDetails(q, found, err);
        },
        err);
    if (rc != 0)
        return -1;
    count = found;
    return 0;
}

int DetailcListWidget::queryPage(int offset, std::vector<_detail_t>& list, std::string& err)
{
    const query_data q = makeQuery(offset);
    IDatabase* db = Singleton<sqlite>::instance();
    std::vector<_detail_t> page;
    const bool exact = exactMode;
    const int rc = awaitTask(
        [db, q, exact, &page, &err] {
            return exact ? db->queryDetails(q, page, err) : db->searchDetails(q, page, err);
        },
        err);
    if (rc != 0)
        return -1;
    list.swap(page);
    return 0;
}

void DetailcListWidget::loadData()
{
    // Counts started by earlier reloads no longer matter.
    ++reloadGeneration;

    std::string err;
    int count = 0;
    if (queryCount(count, err) != 0) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), QString::fromUtf8(err.c_str()));
    } else {
        totalCount = count;
        if (pageOffset >= count)
            pageOffset = 0;
        if (queryPage(pageOffset, pageDetails, err) != 0)
            QMessageBoxBase::information(this, QStringLiteral("提示"), QString::fromUtf8(err.c_str()));
    }
    countStates();
}

void DetailcListWidget::countStates()
{
    const AppContext* ctx = AppContext::instance();
    const int user = ctx->user.id;
    const int grade = ctx->grade.id;
    const int term = ctx->term.id;
    const int subject = ctx->subject.id;
    const int generation = reloadGeneration;
    std::shared_ptr<CountChannel> channel = countChannel;

    QThreadPool::globalInstance()->start(QRunnable::create([=] {
        std::vector<std::tuple<int, int, int>> counts;
        std::string err;
        int rc = -1;
        try {
            rc = Singleton<sqlite>::instance()->getStateCounts(user, grade, term, subject, counts, err);
        } catch (...) {
            rc = -1;
        }
        if (rc != 0)
            return;
        int once = 0, twice = 0, thrice = 0;
        for (const auto& [state, times, count] : counts) {
            if (state != 0)
                continue;
            if (times == 1)
                once = count;
            else if (times == 2)
                twice = count;
            else if (times == 3)
                thrice = count;
        }
        std::lock_guard<std::mutex> lock(channel->mutex);
        DetailcListWidget* owner = channel->owner;
        if (!owner)
            return;
        // Delivered on the list's thread; dropped with the list, and dropped
        // when another reload has started since.
        QMetaObject::invokeMethod(
            owner,
            [owner, generation, once, twice, thrice] {
                if (generation == owner->reloadGeneration)
                    emit owner->detailNumberChanged(once, twice, thrice);
            },
            Qt::QueuedConnection);
    }));
}

QString DetailcListWidget::pageText(int offset, int total)
{
    return QStringLiteral("第%1/%2页(共%3道题)")
        .arg(offset / kPageSize + 1)
        .arg((total - 1) / kPageSize + 1)
        .arg(total);
}

QString DetailcListWidget::statePicture(int style, const _detail_t& detail)
{
    const int n = detail.state == 1 ? 3 : detail.times - 1;
    return QStringLiteral(":/Lorvane/Resources/state/%1-%2.png").arg(style).arg(n);
}

void DetailcListWidget::show_detail()
{
    checkSelectAll->setChecked(false);
    labelPage->setText(pageText(pageOffset, totalCount));
    clearContents();

    const AppContext* ctx = AppContext::instance();
    const int rows = std::min<int>(static_cast<int>(pageDetails.size()), kPageSize);
    for (int i = 0; i < rows; ++i) {
        const _detail_t& d = pageDetails[i];
        auto* check = new QTableWidgetItem;
        check->setFlags(check->flags() | Qt::ItemIsUserCheckable);
        check->setCheckState(Qt::Unchecked);
        check->setTextAlignment(kLeft);
        tableWidget->setItem(i, 0, check);
        tableWidget->setItem(i, 1, textItem(QString::number(d.number), kLeft));

        auto* picture = new QLabel;
        picture->setAlignment(Qt::AlignCenter);
        const QString file = statePicture(stateIconStyle, d);
        if (QFile::exists(file))
            picture->setPixmap(QPixmap(file));
        tableWidget->setCellWidget(i, 2, picture);

        tableWidget->setItem(i, 3, textItem(QString::fromUtf8(ctx->typeName(d.classification).c_str()), kCentre));
        tableWidget->setItem(i, 4, textItem(QString::fromUtf8(d.point.c_str()), kLeft));
        tableWidget->setItem(i, 5, textItem(QString::fromUtf8(ctx->typeName(d.cause).c_str()), kLeft));
        tableWidget->setItem(i, 6, textItem(QString::fromUtf8(ctx->typeName(d.questiontype).c_str()), kCentre));
        if (!compact) {
            tableWidget->setItem(i, 7, textItem(QString::number(d.score), kCentre));
            tableWidget->setItem(i, 8, textItem(QString::fromUtf8(d.source.c_str()), kCentre));
            tableWidget->setItem(i, 9, textItem(QString::fromUtf8(d.remark.c_str()), kLeft));
            tableWidget->setItem(i, 10, textItem(QString::fromUtf8(d.modify_date.c_str()), kCentre));
        }
    }
}

void DetailcListWidget::clearContents()
{
    // clearContents() drops the items; the cell widgets go one by one. The
    // table deletes them later, so they are hidden at once: an old picture
    // must never show over the next page.
    for (int r = 0; r < tableWidget->rowCount(); ++r) {
        for (int c = 0; c < tableWidget->columnCount(); ++c) {
            if (QWidget* widget = tableWidget->cellWidget(r, c)) {
                widget->hide();
                tableWidget->removeCellWidget(r, c);
            }
        }
    }
    tableWidget->clearContents();
}

void DetailcListWidget::setPoint(std::string value)
{
    point = std::move(value);
}

void DetailcListWidget::setSearchMode(bool bExact)
{
    exactMode = bExact;
}

void DetailcListWidget::hideHeader()
{
    btnImport->hide();
    editSearch->hide();
    btnSearch->hide();
    btnSearchMore->hide();
    btnExportPoints->show();
}

void DetailcListWidget::btnexport_hotPoints_clicked() {}

void DetailcListWidget::detail_order_changed(int index)
{
    detailOrder = index;
    loadData();
    show_detail();
}

void DetailcListWidget::state_cion_changed(int index)
{
    stateIconStyle = index;
    loadData();
    show_detail();
}

void DetailcListWidget::textChanged(const QString& text)
{
    if (!text.isEmpty())
        return;
    exactMode = false;
    btnSearch->click();
}

void DetailcListWidget::btnSearch_clicked()
{
    loadData();
    show_detail();
}

void DetailcListWidget::btnSearch_clicked_more()
{
    SearchWidget dialog(nullptr);
    if (modal::exec(dialog) == 0)
        return;
    dialog.getCondition(number_from, number_to, classification, point, cause, questiontype, source, remark, date_from,
                        date_to);
    exactMode = true;
    editSearch->setText(QStringLiteral("精确查询"));
    loadData();
    show_detail();
}

void DetailcListWidget::previous_page_clicked()
{
    if (pageDetails.empty() || pageOffset - kPageSize < 0)
        return;
    pageOffset -= kPageSize;
    loadData();
    show_detail();
}

void DetailcListWidget::next_page_clicked()
{
    if (pageDetails.empty() || pageOffset + kPageSize >= totalCount)
        return;
    pageOffset += kPageSize;
    loadData();
    show_detail();
}

void DetailcListWidget::setAdvertisement(_advertisement_t notice)
{
    advertisement = std::move(notice);
    labelAdvertiseIcon->setPixmap(QPixmap(QStringLiteral(":/Lorvane/Resources/new.png")));
    // The title is the service's text, shown as it is (never as markup).
    const QString title = QString::fromUtf8(advertisement.title.c_str());
    labelAdvertise->setText(QStringLiteral("<a href=\"url\">%1</a>").arg(title.toHtmlEscaped()));
}

void DetailcListWidget::labelAdvertise_linkActivated(const QString&)
{
    std::vector<QString> lines;
    for (const std::string& line : advertisement.information)
        lines.push_back(QString::fromUtf8(line.c_str()));
    Infomation dialog(QString::fromUtf8(advertisement.title.c_str()).toHtmlEscaped(), lines, QStringLiteral("详情"),
                      QStringLiteral("关闭"), nullptr);
    if (modal::exec(dialog) == 1)
        openWebAddress(QString::fromUtf8(advertisement.url.c_str()));
}

void DetailcListWidget::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    show_detail();
}

void DetailcListWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int w = tableWidget->width();
    for (int c = 0; c < kColumns; ++c)
        tableWidget->setColumnWidth(c, w / kColumns - 5);
    // The mastery pictures are never cut off on a narrow window.
    if (tableWidget->columnWidth(2) < kStatePictureWidth + 6)
        tableWidget->setColumnWidth(2, kStatePictureWidth + 6);
}
