// The question list's operations: ticks and selection, the context menu,
// the bulk changes, the exports and the two windows of the capture layer.

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>

#include "capture/question/TextLimits.h"
#include "core/AppContext.h"
#include "core/Settings.h"
#include "core/Sqlite.h"
#include "export/QExportDialog.h"
#include "library/ClearDetail.h"
#include "library/DetailcListWidget.h"
#include "library/MoveSubject.h"
#include "library/QuestionWindows.h"
#include "ui/AwaitTask.h"
#include "ui/Modal.h"
#include "ui/QMessageBoxBase.h"

void DetailcListWidget::setupOperations()
{
    connect(btnImport, &QPushButton::clicked, this, &DetailcListWidget::btnImport_clicked);
    connect(btnExport, &QPushButton::clicked, this, &DetailcListWidget::btnExport_clicked);
    connect(checkSelectAll, &QCheckBox::stateChanged, this, &DetailcListWidget::select_all_stateChanged);
    connect(tableWidget, &QTableWidget::itemDoubleClicked, this, &DetailcListWidget::itemDoubleClicked);
}

std::vector<int> DetailcListWidget::targetRows() const
{
    std::vector<int> rows;
    for (int r = 0; r < tableWidget->rowCount(); ++r) {
        const QTableWidgetItem* check = tableWidget->item(r, 0);
        if (check && check->checkState() == Qt::Checked)
            rows.push_back(r);
    }
    if (!rows.empty())
        return rows;
    for (const QModelIndex& index : tableWidget->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<int> DetailcListWidget::idsOf(const std::vector<int>& rows) const
{
    std::vector<int> ids;
    for (const int r : rows)
        ids.push_back(pageDetails[static_cast<size_t>(r)].id);
    return ids;
}

void DetailcListWidget::select_all_stateChanged(int state)
{
    if (state == Qt::PartiallyChecked)
        return;
    const Qt::CheckState wanted = state == Qt::Checked ? Qt::Checked : Qt::Unchecked;
    for (int r = 0; r < tableWidget->rowCount(); ++r) {
        QTableWidgetItem* check = tableWidget->item(r, 0);
        if (check && check->checkState() != wanted)
            check->setCheckState(wanted);
    }
}

QMenu* DetailcListWidget::createContextMenu()
{
    const std::vector<int> rows = targetRows();
    const int questions = static_cast<int>(pageDetails.size());
    if (questions == 0 || rows.empty() || rows.back() >= questions)
        return nullptr;
    auto* menu = new QMenu(this);
    const auto add = [&](const QString& text, void (DetailcListWidget::*slot)()) {
        connect(menu->addAction(text), &QAction::triggered, this, slot);
    };
    add(QStringLiteral("预览"), &DetailcListWidget::menu_open_triggered);
    add(QStringLiteral("删除"), &DetailcListWidget::menu_delete_triggered);
    menu->addSeparator();
    add(QStringLiteral("设置为已掌握"), &DetailcListWidget::menu_mastered_triggered);
    add(QStringLiteral("修改题目来源"), &DetailcListWidget::menu_source_triggered);
    add(QStringLiteral("修改备注"), &DetailcListWidget::menu_remark_triggered);
    add(QStringLiteral("移动到..."), &DetailcListWidget::menu_move_triggered);
    menu->addSeparator();
    add(QStringLiteral("导出选中项"), &DetailcListWidget::menu_export_triggered);
    add(QStringLiteral("导出全部"), &DetailcListWidget::menu_exportAll_triggered);
    return menu;
}

void DetailcListWidget::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createContextMenu();
    if (!menu)
        return;
    menu->exec(event->globalPos());
    delete menu;
    event->accept();
}

bool DetailcListWidget::applyChange(const std::function<int(std::string&)>& change)
{
    std::string err;
    const int rc = awaitTask([&change, &err] { return change(err); }, err);
    if (rc != 0) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), QString::fromUtf8(err.c_str()));
        return false;
    }
    loadData();
    show_detail();
    return true;
}

void DetailcListWidget::itemDoubleClicked(QTableWidgetItem*)
{
    const int row = tableWidget->currentRow();
    if (row < 0 || row >= static_cast<int>(pageDetails.size()))
        return;
    const QuestionWindows::ViewerRunner& run = QuestionWindows::instance().runViewer;
    if (!run)
        return;  // the viewer is not part of this program
    run(
        &pageDetails, row,
        [this] {
            loadData();
            show_detail();
        },
        [this](int moved) { emit rowChanged(moved); });
}

void DetailcListWidget::menu_open_triggered()
{
    itemDoubleClicked(nullptr);
}

void DetailcListWidget::menu_delete_triggered()
{
    const std::vector<int> rows = targetRows();
    const auto notMastered = std::count_if(rows.begin(), rows.end(),
                                           [this](int r) { return pageDetails[static_cast<size_t>(r)].state == 0; });
    const QString question = QStringLiteral("是否将这%1道题目删除？其中%2道题目为未掌握")
                                 .arg(static_cast<int>(rows.size()))
                                 .arg(static_cast<int>(notMastered));
    if (QMessageBoxBase::question(this, QStringLiteral("题目删除"), question) != 1)
        return;
    const std::vector<int> ids = idsOf(rows);
    std::vector<std::string> folders;
    for (const int r : rows)
        folders.push_back(pageDetails[static_cast<size_t>(r)].detail_path);
    const std::string userFolder = AppContext::instance()->user_folder;
    applyChange([&](std::string& err) {
        const int result = Singleton<sqlite>::instance()->deleteDetails(ids, err);
        if (result == 0) {
            // Only plain folder names below the user's folder are removed.
            for (const std::string& folder : folders)
                ClearDetail::removeQuestionFolder(userFolder, folder);
        }
        return result;
    });
}

void DetailcListWidget::menu_mastered_triggered()
{
    const std::vector<int> rows = targetRows();
    const QString question = QStringLiteral("是否将这%1项更改为已掌握？").arg(static_cast<int>(rows.size()));
    if (QMessageBoxBase::question(this, QStringLiteral("更改确认"), question) != 1)
        return;
    const std::vector<int> ids = idsOf(rows);
    applyChange([&](std::string& err) { return Singleton<sqlite>::instance()->setDetailsState(ids, 1, err); });
}

void DetailcListWidget::changeText(const QString& title, const QString& label,
                                   int (IDatabase::*write)(std::vector<int>, std::string, std::string&), int maxLength)
{
    QInputDialog input(this, Qt::Dialog | Qt::WindowCloseButtonHint);
    input.setInputMode(QInputDialog::TextInput);
    input.setWindowTitle(title);
    input.setLabelText(label);
    // No longer than the question's form takes, so that the form shows and
    // saves what is written here as it is.
    if (auto* line = input.findChild<QLineEdit*>())
        line->setMaxLength(maxLength);
    input.setTextValue(QString());
    if (modal::exec(input) != QDialog::Accepted)
        return;
    const std::vector<int> rows = targetRows();
    const QString text = input.textValue().left(maxLength);
    const QString question = QStringLiteral("是否将这%1项更改为 %2？").arg(static_cast<int>(rows.size())).arg(text);
    if (QMessageBoxBase::question(this, QStringLiteral("更改确认"), question) != 1)
        return;
    const std::vector<int> ids = idsOf(rows);
    const std::string value = text.toUtf8().toStdString();
    applyChange([&](std::string& err) { return (Singleton<sqlite>::instance()->*write)(ids, value, err); });
}

void DetailcListWidget::menu_source_triggered()
{
    changeText(QStringLiteral("修改题目来源"), QStringLiteral("请输入题目来源"), &IDatabase::setDetailsSource,
               textlimits::kSource);
}

void DetailcListWidget::menu_remark_triggered()
{
    changeText(QStringLiteral("修改备注"), QStringLiteral("请输入备注"), &IDatabase::setDetailsRemark,
               textlimits::kRemark);
}

void DetailcListWidget::menu_move_triggered()
{
    const std::vector<int> rows = targetRows();
    MoveSubject dialog(nullptr);
    if (modal::exec(dialog) != 1)
        return;
    int grade = 0, term = 0, subject = 0;
    dialog.getTarget(grade, term, subject);
    std::vector<_detail_t> moving;
    for (const int r : rows)
        moving.push_back(pageDetails[static_cast<size_t>(r)]);
    applyChange([&](std::string& err) {
        IDatabase* db = Singleton<sqlite>::instance();
        for (const _detail_t& d : moving) {
            // Each move is its own transaction: those before a failure stay.
            const int result = db->moveDetail(d.id, d.user_id, grade, term, subject, err);
            if (result != 0)
                return result;
        }
        return 0;
    });
}

void DetailcListWidget::openExportDialog(const std::vector<_detail_t>& list, const QString& title)
{
    const int style = getIniValue<int>(QStringLiteral("export_style"), 0);
    const AppContext* ctx = AppContext::instance();
    QExportDialog dialog(&list, ctx->grade, ctx->term, ctx->subject, nullptr);
    dialog.setWindowTitle(style != 0 ? title + QStringLiteral("(旧版)") : title);
    if (dialog.isReady())
        modal::exec(dialog);
}

void DetailcListWidget::menu_export_triggered()
{
    std::vector<_detail_t> list;
    for (const int r : targetRows()) {
        if (r < static_cast<int>(pageDetails.size()))
            list.push_back(pageDetails[static_cast<size_t>(r)]);
    }
    if (list.empty())
        return;
    openExportDialog(list, QStringLiteral("导出选中项"));
}

void DetailcListWidget::menu_exportAll_triggered()
{
    std::string err;
    int count = 0;
    if (queryCount(count, err) != 0) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), QString::fromUtf8(err.c_str()));
        return;
    }
    std::vector<_detail_t> list;
    for (int offset = 0; offset < count; offset += kPageSize) {
        std::vector<_detail_t> page;
        if (queryPage(offset, page, err) != 0) {
            QMessageBoxBase::information(this, QStringLiteral("提示"), QString::fromUtf8(err.c_str()));
            return;
        }
        list.insert(list.end(), page.begin(), page.end());
    }
    if (list.empty())
        return;
    openExportDialog(list, QStringLiteral("导出全部"));
}

void DetailcListWidget::btnExport_clicked()
{
    menu_exportAll_triggered();
}

void DetailcListWidget::btnImport_clicked()
{
    if (const std::function<void()>& run = QuestionWindows::instance().runCapture)
        run();
    loadData();
    show_detail();
}
