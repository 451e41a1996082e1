#include "app/QDataBaseSet.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "core/AppContext.h"
#include "core/Sqlite.h"
#include "ui/AwaitTask.h"
#include "ui/Modal.h"
#include "ui/QMessageBoxBase.h"

namespace {

IDatabase* database()
{
    return Singleton<sqlite>::instance();
}

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.c_str(), static_cast<int>(text.size()));
}

// Names are kept to 20 UTF-16 code units, without splitting a surrogate pair.
std::string entryName(const QString& text)
{
    QString name = text.left(20);
    if (name.size() == 20 && name.at(19).isHighSurrogate())
        name.chop(1);
    return name.toStdString();
}

}  // namespace

QDataBaseSet::QDataBaseSet(int page, QWidget* parent) : QDialogBase(parent)
{
    setWindowTitle(QStringLiteral("基础数据"));
    setMinimumHeight(500);

    list_group_ = new QListWidget(this);
    list_group_->setObjectName(QStringLiteral("list_group"));
    list_group_->setFocusPolicy(Qt::NoFocus);
    list_group_->setFixedWidth(120);
    list_entry_ = new QListWidget(this);
    list_entry_->setObjectName(QStringLiteral("list_entry"));
    list_entry_->setFocusPolicy(Qt::NoFocus);

    btn_add_ = new QPushButton(QStringLiteral("增加"), this);
    btn_modify_ = new QPushButton(QStringLiteral("修改"), this);
    btn_delete_ = new QPushButton(QStringLiteral("删除"), this);
    btn_up_ = new QPushButton(QStringLiteral("上移"), this);
    btn_down_ = new QPushButton(QStringLiteral("下移"), this);
    btn_add_->setObjectName(QStringLiteral("btn_add"));
    btn_modify_->setObjectName(QStringLiteral("btn_modify"));
    btn_delete_->setObjectName(QStringLiteral("btn_delete"));
    btn_up_->setObjectName(QStringLiteral("btn_up"));
    btn_down_->setObjectName(QStringLiteral("btn_down"));

    auto* outer = new QVBoxLayout;
    outer->setContentsMargins(1, 1, 1, 1);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(5, 5, 5, 5);
    row->addWidget(list_group_);
    auto* right = new QHBoxLayout;
    right->setContentsMargins(0, 0, 0, 0);
    right->addWidget(list_entry_);
    auto* buttons = new QVBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addStretch();
    for (QPushButton* button : {btn_add_, btn_modify_, btn_delete_, btn_up_, btn_down_})
        buttons->addWidget(button);
    buttons->addStretch();
    right->addLayout(buttons);
    row->addLayout(right);
    outer->addLayout(row);
    addLayout(outer);

    captions_ << QStringLiteral("年级") << QStringLiteral("学期") << QStringLiteral("科目") << QStringLiteral("类别")
              << QStringLiteral("错误原因") << QStringLiteral("题型");
    list_group_->addItems(captions_);
    list_group_->setCurrentRow(0);

    group_ = new QButtonGroup(this);
    group_->setExclusive(true);

    connect(list_group_, &QListWidget::itemClicked, this, &QDataBaseSet::left_itemClicked);
    connect(list_entry_, &QListWidget::itemClicked, this, &QDataBaseSet::right_itemClicked);
    connect(btn_add_, &QPushButton::clicked, this, &QDataBaseSet::on_btn_add_clicked);
    connect(btn_modify_, &QPushButton::clicked, this, &QDataBaseSet::on_btn_modify_clicked);
    connect(btn_delete_, &QPushButton::clicked, this, &QDataBaseSet::on_btn_delete_clicked);
    connect(btn_up_, &QPushButton::clicked, this, &QDataBaseSet::on_btn_up_clicked);
    connect(btn_down_, &QPushButton::clicked, this, &QDataBaseSet::on_btn_down_clicked);

    if (loadTypes() == 0) {
        showPage(page);
        if (page >= 0 && page < captions_.size())
            list_group_->setCurrentRow(page);
    }
}

int QDataBaseSet::loadTypes()
{
    types_.clear();
    const int user_id = AppContext::instance()->user.id;
    std::string err;
    std::map<int, _type_t> read;
    const int result = awaitTask([&] { return database()->getTypes(user_id, read, err); }, err);
    types_ = std::move(read);
    return result == 0 ? 0 : -1;
}

std::vector<_type_t> QDataBaseSet::pageList(int group) const
{
    std::vector<_type_t> list;
    for (const auto& entry : types_) {
        if (entry.second.group == group)
            list.push_back(entry.second);
    }
    // The copy is ordered by id, so entries of equal order keep that sequence.
    std::stable_sort(list.begin(), list.end(), [](const _type_t& a, const _type_t& b) { return a.order < b.order; });
    return list;
}

void QDataBaseSet::showPage(int page)
{
    if (page < 0 || page > 5)
        return;
    const std::vector<_type_t> list = pageList(page + 1);

    list_entry_->clear();
    checkBoxes_.clear();
    for (QAbstractButton* button : group_->buttons())
        group_->removeButton(button);

    for (const _type_t& entry : list) {
        auto* item = new QListWidgetItem(list_entry_);
        auto* box = new QCheckBox(fromUtf8(entry.name));
        box->setChecked(entry.state != 0);
        list_entry_->setItemWidget(item, box);
        checkBoxes_.append(box);
        if (page == 0 || page == 1)
            group_->addButton(box);
        connect(box, &QCheckBox::stateChanged, this, &QDataBaseSet::checkBox_stateChanged);
    }
}

void QDataBaseSet::left_itemClicked(QListWidgetItem* /*item*/)
{
    const int row = list_group_->currentRow();
    if (row != -1)
        showPage(row);
}

void QDataBaseSet::right_itemClicked(QListWidgetItem* item)
{
    list_entry_->setCurrentItem(item);
}

bool QDataBaseSet::prompt(const QString& title, const QString& label, QString& text)
{
    QInputDialog dialog(this, Qt::Dialog | Qt::WindowCloseButtonHint);
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setTextValue(QString());
    if (modal::exec(dialog) != QDialog::Accepted)
        return false;
    text = dialog.textValue();
    return true;
}

void QDataBaseSet::on_btn_add_clicked()
{
    const int row = list_group_->currentRow();
    if (row < 0 || row >= captions_.size())
        return;
    QString text;
    if (!prompt(QStringLiteral("增加"), QStringLiteral("请输入新") + captions_.at(row), text))
        return;

    const std::vector<_type_t> list = pageList(row + 1);
    _type_t entry;
    entry.id = 0;
    entry.user_id = AppContext::instance()->user.id;
    entry.group = row + 1;
    entry.name = entryName(text);
    // An empty group starts at order 0.
    entry.order = list.empty() ? 0 : list.back().order + 1;
    entry.state = 0;

    std::string err;
    if (awaitTask([&] { return database()->addType(entry, err); }, err) != 0) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), fromUtf8(err));
        return;
    }
    if (loadTypes() == 0)
        showPage(row);
    list_entry_->setCurrentRow(list_entry_->count() - 1);
}

void QDataBaseSet::on_btn_modify_clicked()
{
    const int row = list_group_->currentRow();
    const int entryRow = list_entry_->currentRow();
    if (row < 0 || row >= captions_.size() || entryRow < 0)
        return;
    const std::vector<_type_t> list = pageList(row + 1);
    if (entryRow >= static_cast<int>(list.size()))
        return;
    QString text;
    if (!prompt(QStringLiteral("修改"), QStringLiteral("请编辑") + captions_.at(row), text))
        return;

    _type_t entry = list[static_cast<size_t>(entryRow)];
    entry.name = entryName(text);
    std::string err;
    if (awaitTask([&] { return database()->updateType(entry, err); }, err) != 0) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), fromUtf8(err));
        return;
    }
    if (loadTypes() == 0)
        showPage(row);
    list_entry_->setCurrentRow(entryRow);
}

void QDataBaseSet::on_btn_delete_clicked()
{
    const int row = list_group_->currentRow();
    const int entryRow = list_entry_->currentRow();
    if (row < 0 || row >= captions_.size() || entryRow < 0)
        return;
    const std::vector<_type_t> list = pageList(row + 1);
    if (entryRow >= static_cast<int>(list.size()))
        return;
    const _type_t entry = list[static_cast<size_t>(entryRow)];
    const QString name = fromUtf8(entry.name);

    if (entry.state == 1) {
        QMessageBoxBase::information(this, QStringLiteral("删除"),
                                     QStringLiteral("无法删除\"%2\"，正在使用中").replace(QLatin1String("%2"), name));
        return;
    }
    if (QMessageBoxBase::question(this, QStringLiteral("删除"),
                                  QStringLiteral("是否要删除，\"%2\"？").replace(QLatin1String("%2"), name)) != 1)
        return;

    std::string err;
    int count = 0;
    const int id = entry.id;
    if (awaitTask([&] { return database()->getTypeUsage(id, count, err); }, err) != 0) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), fromUtf8(err));
        return;
    }
    if (count > 0) {
        QMessageBoxBase::information(this, QStringLiteral("提示"),
                                     QStringLiteral("无法删除，有%1道题目使用了 ").arg(count) + QLatin1Char('"') +
                                         name + QLatin1Char('"'));
        return;
    }
    if (awaitTask([&] { return database()->deleteType(id, err); }, err) != 0) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), fromUtf8(err));
        return;
    }
    if (loadTypes() == 0)
        showPage(row);
    list_entry_->setCurrentRow(-1);
}

void QDataBaseSet::on_btn_up_clicked()
{
    move(-1);
}

void QDataBaseSet::on_btn_down_clicked()
{
    move(1);
}

// Swaps the order values of the selected entry and its neighbour.
void QDataBaseSet::move(int step)
{
    const int row = list_group_->currentRow();
    const int entryRow = list_entry_->currentRow();
    if (row < 0 || row >= captions_.size() || entryRow < 0)
        return;
    const std::vector<_type_t> list = pageList(row + 1);
    const int other = entryRow + step;
    if (list.size() < 2 || entryRow >= static_cast<int>(list.size()) || other < 0 ||
        other >= static_cast<int>(list.size()))
        return;

    _type_t selected = list[static_cast<size_t>(entryRow)];
    _type_t neighbour = list[static_cast<size_t>(other)];
    std::swap(selected.order, neighbour.order);
    std::string err;
    if (database()->updateType(selected, err) != 0 || database()->updateType(neighbour, err) != 0) {
        showStoredState(row, fromUtf8(err));
        return;
    }
    if (loadTypes() == 0)
        showPage(row);
    list_entry_->setCurrentRow(other);
}

void QDataBaseSet::checkBox_stateChanged(int state)
{
    // A box that an earlier failed write made stale is shown anew anyway.
    if (reloadPending_)
        return;
    const int index = checkBoxes_.indexOf(qobject_cast<QCheckBox*>(sender()));
    const int row = list_group_->currentRow();
    if (index < 0 || row < 0 || row >= captions_.size())
        return;
    const std::vector<_type_t> list = pageList(row + 1);
    if (index >= static_cast<int>(list.size()))
        return;
    _type_t entry = list[static_cast<size_t>(index)];
    entry.state = state == Qt::Checked ? 1 : 0;
    std::string err;
    if (database()->updateType(entry, err) != 0) {
        // The other box of a grade or term group changes too; it must not
        // write (or report) again before the page is shown anew.
        showStoredState(row, fromUtf8(err));
        return;
    }
    // The copy follows what was written, so a later rename, move or delete
    // judges and writes the entry as it now stands.
    types_[entry.id].state = entry.state;
}

void QDataBaseSet::showStoredState(int page, const QString& message)
{
    if (reloadPending_)
        return;
    reloadPending_ = true;
    QTimer::singleShot(0, this, [this, page, message] {
        if (!message.isEmpty())
            QMessageBoxBase::information(this, QStringLiteral("提示"), message);
        const std::map<int, _type_t> known = types_;
        if (loadTypes() != 0)
            types_ = known;  // the last state known to be stored
        showPage(page);
        reloadPending_ = false;
    });
}
