#include "library/ClearDetail.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/AppContext.h"
#include "core/Format.h"
#include "core/Sqlite.h"
#include "library/StatisticsData.h"
#include "platform/RemoveTree.h"
#include "ui/AwaitTask.h"
#include "ui/QMessageBoxBase.h"

namespace {

QTableWidgetItem* cell(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return item;
}

}  // namespace

ClearDetail::ClearDetail(std::vector<std::tuple<int, int, int>> counts, QWidget* parent)
    : QDialogBase(parent), counts_(std::move(counts))
{
    setWindowTitle(QStringLiteral("清理"));
    setMinimumSize(400, 400);

    auto* layout = new QVBoxLayout();
    auto* hint = new QLabel(QStringLiteral("<font color=gray>只能清理非当前年级和学期的题目</font>"), this);
    hint->setTextFormat(Qt::RichText);
    layout->addWidget(hint);

    table_ = new QTableWidget(static_cast<int>(counts_.size()), 3, this);
    table_->setHorizontalHeaderLabels({QStringLiteral("年级"), QStringLiteral("学期"), QStringLiteral("题目数量")});
    table_->setFocusPolicy(Qt::NoFocus);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->setVisible(false);

    const AppContext* context = AppContext::instance();
    for (int row = 0; row < static_cast<int>(counts_.size()); ++row) {
        const auto& [grade, term, count] = counts_[static_cast<std::size_t>(row)];
        const std::string gradeName = context->typeName(grade);
        const std::string termName = context->typeName(term);
        QTableWidgetItem* first = cell(QString::fromStdString(gradeName));
        first->setCheckState(Qt::Unchecked);
        if (gradeName == context->grade.name && termName == context->term.name)
            first->setFlags(first->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
        table_->setItem(row, 0, first);
        table_->setItem(row, 1, cell(QString::fromStdString(termName)));
        table_->setItem(row, 2, cell(QString::number(count)));
    }
    layout->addWidget(table_);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("清理"), QDialogButtonBox::YesRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::NoRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &ClearDetail::on_clear_clicked);
    connect(buttons, &QDialogButtonBox::rejected, this, &ClearDetail::reject);
    layout->addWidget(buttons);

    addLayout(layout);
}

ClearDetail::~ClearDetail() = default;

void ClearDetail::removeQuestionFolder(const std::string& userFolder, const std::string& path)
{
    // A question's folder is one plain name below the user's folder; anything
    // else (empty, ".", "..", a nested or absolute path) removes nothing.
    if (!statistics::isPlainFolderName(userFolder) || !statistics::isPlainFolderName(path))
        return;
    platform::removeTree(format("item/{0}/{1}", userFolder, path));
}

void ClearDetail::on_clear_clicked()
{
    std::vector<std::tuple<int, int, int>> chosen;
    for (int row = 0; row < table_->rowCount(); ++row) {
        const QTableWidgetItem* first = table_->item(row, 0);
        if (first && (first->flags() & Qt::ItemIsEnabled) && first->checkState() == Qt::Checked)
            chosen.push_back(counts_[static_cast<std::size_t>(row)]);
    }
    if (chosen.empty())
        return;

    const int userId = AppContext::instance()->user.id;
    const std::string userFolder = std::to_string(userId);
    std::string err;
    const int rc = awaitTask(
        [&]() -> int {
            IDatabase* db = Singleton<sqlite>::instance();
            for (const auto& [grade, term, count] : chosen) {
                (void)count;
                std::vector<std::string> paths;
                const int result = db->clearDetails(userId, grade, term, paths, err);
                if (result != 0)
                    return result;
                for (const std::string& path : paths)
                    removeQuestionFolder(userFolder, path);
            }
            return 0;
        },
        err);
    if (rc == 0) {
        accept();
        return;
    }
    QMessageBoxBase::information(this, QStringLiteral("提示"), QString::fromUtf8(err.c_str()));
}
