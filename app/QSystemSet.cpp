#include "app/QSystemSet.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/AppContext.h"
#include "core/SettingsKeys.h"
#include "ui/QMessageBoxBase.h"
#include "ui/StyledPaint.h"
#include "ui/WheelPassThrough.h"

namespace {

// A stored value outside its choices shows, and writes back, the default.
int choice(const SettingKey<int>& key, int low, int high)
{
    const int value = getIniValue(key);
    return value < low || value > high ? key.defaultValue() : value;
}

QString& backupProgramPath()
{
    static QString path;
    return path;
}

QHBoxLayout* rowOf(std::initializer_list<QWidget*> widgets)
{
    auto* row = new QHBoxLayout;
    for (QWidget* widget : widgets)
        row->addWidget(widget);
    row->addStretch();
    return row;
}

}  // namespace

QSystemSetChild::QSystemSetChild(QWidget* parent) : QWidget(parent)
{
    box_update_ = new QCheckBox(QStringLiteral("开启"), this);
    box_update_->setObjectName(QStringLiteral("box_update"));

    btn_ascending_ = new QRadioButton(QStringLiteral("按编号升序"), this);
    btn_descending_ = new QRadioButton(QStringLiteral("按编号降序"), this);
    group_order_ = new QButtonGroup(this);
    group_order_->setExclusive(true);
    group_order_->addButton(btn_ascending_, 0);
    group_order_->addButton(btn_descending_, 1);

    group_state_ = new QButtonGroup(this);
    group_state_->setExclusive(true);
    const QStringList styles{QStringLiteral("文字"), QStringLiteral("红叉"), QStringLiteral("数字"),
                             QStringLiteral("红星")};
    for (int i = 0; i < styles.size(); ++i) {
        auto* button = new QRadioButton(styles.at(i), this);
        btn_states_.append(button);
        group_state_->addButton(button, i);
    }
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("label_state_%1").arg(i));
        label_states_.append(label);
    }

    btn_export_new_ = new QRadioButton(QStringLiteral("新版"), this);
    btn_export_old_ = new QRadioButton(QStringLiteral("旧版（依赖LibreOffice）"), this);
    group_export_ = new QButtonGroup(this);
    group_export_->setExclusive(true);
    group_export_->addButton(btn_export_new_, 0);
    group_export_->addButton(btn_export_old_, 1);

    group_merge_ = new QButtonGroup(this);
    group_merge_->setExclusive(true);
    const QStringList merges{QStringLiteral("前后拼接"), QStringLiteral("同屏拼接")};
    for (int i = 0; i < merges.size(); ++i) {
        auto* button = new QRadioButton(merges.at(i), this);
        btn_merges_.append(button);
        group_merge_->addButton(button, i);
    }
    label_merge_ = new QLabel(this);
    label_merge_->setObjectName(QStringLiteral("label_merge"));
    label_merge_->setMinimumSize(100, 100);

    box_image_value_ = new QSpinBox(this);
    box_image_value_->setObjectName(QStringLiteral("box_image_value"));
    box_image_value_->setMinimumWidth(100);
    box_image_value_->setRange(10, 72);
    passWheelUnlessFocused(box_image_value_);

    auto* form = new QFormLayout;
    form->setSpacing(10);
    form->addRow(QStringLiteral("自动检测更新"), box_update_);
    form->addRow(QStringLiteral("题目列表排序"), rowOf({btn_ascending_, btn_descending_}));
    form->addRow(QStringLiteral("掌握情况图标"),
                 rowOf({btn_states_[0], btn_states_[1], btn_states_[2], btn_states_[3]}));
    auto* previews = new QFormLayout;
    const QStringList levels{QStringLiteral("初次出错"), QStringLiteral("重复出错"), QStringLiteral("多次出错"),
                             QStringLiteral("已掌握")};
    for (int i = 0; i < levels.size(); ++i)
        previews->addRow(levels.at(i), label_states_[i]);
    form->addRow(new QLabel(this), previews);
    form->addRow(QStringLiteral("题目导出"), rowOf({btn_export_new_, btn_export_old_}));
    form->addRow(QStringLiteral("题目拼接"), rowOf({btn_merges_[0], btn_merges_[1]}));
    form->addRow(new QLabel(this), label_merge_);
    form->addRow(QStringLiteral("题目编辑"),
                 rowOf({new QLabel(QStringLiteral("自动调整图片大小（字体大小）"), this), box_image_value_}));
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(form);

    connect(box_update_, &QCheckBox::stateChanged, this, &QSystemSetChild::update_stateChanged);
    connect(group_order_, &QButtonGroup::idClicked, this, &QSystemSetChild::group_order_clicked);
    connect(group_state_, &QButtonGroup::idClicked, this, &QSystemSetChild::group_state_clicked);
    connect(group_export_, &QButtonGroup::idClicked, this, &QSystemSetChild::export_style_buttonClicked);
    connect(group_merge_, &QButtonGroup::idClicked, this, &QSystemSetChild::group_merge_clicked);
    connect(box_image_value_, qOverload<int>(&QSpinBox::valueChanged), this, &QSystemSetChild::image_auto_valueChanged);

    // Showing the stored values writes them back, and stores the defaults of
    // missing keys.
    box_update_->setChecked(getIniValue(ini::kAutoUpdate) != Qt::Unchecked);
    group_order_->button(choice(ini::kDetailOrder, 0, 1))->click();
    const int style = choice(ini::kStateIcon, 0, 3);
    btn_states_[style]->setChecked(true);
    group_state_clicked(style);
    const int merge = choice(ini::kImportMode, 0, 1);
    btn_merges_[merge]->setChecked(true);
    group_merge_clicked(merge);
    group_export_->button(choice(ini::kExportStyle, 0, 1))->click();
    box_image_value_->setValue(choice(ini::kImageAutoValue, 10, 72));
}

void QSystemSetChild::update_stateChanged(int state)
{
    setIniValue(ini::kAutoUpdate, state);
}

void QSystemSetChild::group_order_clicked(int id)
{
    setIniValue(ini::kDetailOrder, id);
    emit detail_order_changed(id);
}

void QSystemSetChild::group_state_clicked(int id)
{
    setIniValue(ini::kStateIcon, id);
    for (int level = 0; level < label_states_.size(); ++level) {
        label_states_[level]->setPixmap(
            QPixmap(QStringLiteral(":/Lorvane/Resources/state/%1-%2.png").arg(id).arg(level)));
    }
    emit state_cion_changed(id);
}

void QSystemSetChild::export_style_buttonClicked(int id)
{
    setIniValue(ini::kExportStyle, id);
}

void QSystemSetChild::group_merge_clicked(int id)
{
    setIniValue(ini::kImportMode, id);
    const QPixmap picture(id == 0 ? QStringLiteral(":/Lorvane/Resources/merge-1.png")
                                  : QStringLiteral(":/Lorvane/Resources/merge-2.png"));
    label_merge_->setPixmap(picture.scaledToWidth(100, Qt::FastTransformation));
}

void QSystemSetChild::image_auto_valueChanged(int value)
{
    setIniValue(ini::kImageAutoValue, value);
}

QString QSystemSet::backupProgram()
{
    if (!backupProgramPath().isEmpty())
        return backupProgramPath();
    return QCoreApplication::applicationDirPath() + QStringLiteral("/backup");
}

void QSystemSet::setBackupProgram(const QString& path)
{
    backupProgramPath() = path;
}

QSystemSet::QSystemSet(QWidget* parent) : QDialogBase(parent)
{
    setWindowTitle(QStringLiteral("系统设置"));

    scrollArea_ = new QScrollArea(this);
    scrollArea_->setWidget(new QSystemSetChild(nullptr));
    btn_export_ = new QPushButton(QStringLiteral("备份"), this);
    btn_import_ = new QPushButton(QStringLiteral("还原"), this);
    for (QPushButton* button : {btn_export_, btn_import_}) {
        button->setObjectName(QStringLiteral("btn_link"));
        button->setCursor(Qt::PointingHandCursor);
        // Enter must never start a backup and close the program.
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    auto* outer = new QVBoxLayout;
    outer->setContentsMargins(1, 1, 1, 1);
    outer->addWidget(scrollArea_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btn_export_);
    buttons->addWidget(btn_import_);
    outer->addLayout(buttons);
    addLayout(outer);

    connect(btn_export_, &QPushButton::clicked, this, &QSystemSet::btn_export_clicked);
    connect(btn_import_, &QPushButton::clicked, this, &QSystemSet::btn_import_clicked);
    auto* child = static_cast<QSystemSetChild*>(scrollArea_->widget());
    connect(child, &QSystemSetChild::detail_order_changed, this, &QSystemSet::detail_order_changed);
    connect(child, &QSystemSetChild::state_cion_changed, this, &QSystemSet::state_cion_changed);
}

void QSystemSet::paintEvent(QPaintEvent* /*event*/)
{
    paintStyledBackground(this);
}

void QSystemSet::closeEvent(QCloseEvent* /*event*/) {}

void QSystemSet::btn_export_clicked()
{
    startBackup(QStringLiteral("0"), QStringLiteral("启动备份失败 "));
}

void QSystemSet::btn_import_clicked()
{
    startBackup(QStringLiteral("1"), QStringLiteral("启动还原失败 "));
}

void QSystemSet::startBackup(const QString& mode, const QString& failureText)
{
    const QString dataFolder = QString::fromLocal8Bit(AppContext::instance()->data_path.c_str());
    if (QProcess::startDetached(backupProgram(), {mode, dataFolder}, QStringLiteral("./"))) {
        // The backup program waits for this program to end before it works:
        // once back in the event loop, every window closes (the main window
        // with its own close handling) and the program ends.
        QMetaObject::invokeMethod(qApp, &QApplication::closeAllWindows, Qt::QueuedConnection);
        return;
    }
    QProcess process;
    QMessageBoxBase::information(this, QStringLiteral("提示"), failureText + process.errorString());
}
