#include "export/QExportDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QVBoxLayout>

#include "core/AppContext.h"
#include "core/Format.h"
#include "core/Settings.h"
#include "core/Utils.h"
#include "export/DetailSpaceWidget.h"
#include "export/ExportPlan.h"
#include "export/TempFolder.h"
#include "ui/Modal.h"
#include "ui/QMessageBoxBase.h"

namespace {

QString documentsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QHBoxLayout* radioRow(QButtonGroup* group, const QStringList& texts, QWidget* parent)
{
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    for (int id = 0; id < texts.size(); ++id) {
        auto* button = new QRadioButton(texts[id], parent);
        group->addButton(button, id);
        row->addWidget(button);
    }
    row->addStretch();
    return row;
}

bool hasHighByte(const std::string& text)
{
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    }
    return false;
}

}  // namespace

QExportDialog::QExportDialog(const std::vector<_detail_t>* list, _type_t gradeType, _type_t termType,
                             _type_t subjectType, QWidget* parent)
    : QDialogBase(parent), questions(list), grade(std::move(gradeType)), term(std::move(termType)),
      subject(std::move(subjectType))
{
    setMinimumWidth(600);
    setButtons(buttons() | QTitleBar::kHelpBit);
    exportStyle = getIniValue<int>(QStringLiteral("export_style"), 0);
    buildForm();
    restoreChoices();
    if (!prepareDataRoot()) {
        ready_ = false;
        return;
    }
    if (takeFirstRunBit(4))
        showHelp();
}

QExportDialog::~QExportDialog()
{
    // The temporary copy goes with the dialog.
    if (tempDir_)
        tempDir_->remove();
}

void QExportDialog::buildForm()
{
    auto* form = new QFormLayout;
    form->setContentsMargins(10, 10, 10, 10);
    form->setVerticalSpacing(10);
    form->setHorizontalSpacing(20);

    typeGroup_ = new QButtonGroup(this);
    typeGroup_->setExclusive(true);
    form->addRow(QStringLiteral("导出类型"),
                 radioRow(typeGroup_, {QStringLiteral("原题重做"), QStringLiteral("错题再现")}, this));
    connect(typeGroup_, &QButtonGroup::idClicked, this, &QExportDialog::buttonClicked_type);

    optionGroup_ = new QButtonGroup(this);
    optionGroup_->setExclusive(false);
    auto* grid = new QGridLayout;
    const QStringList options{QStringLiteral("分值"),     QStringLiteral("类别"),     QStringLiteral("考点"),
                              QStringLiteral("错误原因"), QStringLiteral("题目来源"), QStringLiteral("备注")};
    for (int id = 0; id < options.size(); ++id) {
        auto* box = new QCheckBox(options[id], this);
        optionGroup_->addButton(box, id);
        grid->addWidget(box, id / 3, id % 3);
    }
    form->addRow(QStringLiteral("可选项"), grid);
    connect(optionGroup_, &QButtonGroup::idClicked, this, &QExportDialog::buttonClicked_option);

    orderGroup_ = new QButtonGroup(this);
    orderGroup_->setExclusive(true);
    form->addRow(QStringLiteral("顺序"), radioRow(orderGroup_, {QStringLiteral("默认"), QStringLiteral("随机")}, this));
    connect(orderGroup_, &QButtonGroup::idClicked, this, &QExportDialog::buttonClicked_order);

    auto* spaceRow = new QHBoxLayout;
    spaceRow->setSpacing(10);
    auto* spaceButton = new QPushButton(QStringLiteral("设置"), this);
    spaceButton->setObjectName(QStringLiteral("btn_link"));
    spaceButton->setCursor(Qt::PointingHandCursor);
    connect(spaceButton, &QPushButton::clicked, this, &QExportDialog::clicked_btn_space);
    spaceRow->addWidget(spaceButton);
    spaceRow->addStretch();
    form->addRow(QStringLiteral("题目间隔"), spaceRow);

    titleEdit_ = new QLineEdit(this);
    connect(titleEdit_, &QLineEdit::textChanged, this, &QExportDialog::title_textChanged);
    form->addRow(QStringLiteral("标题"), titleEdit_);

    fileNameEdit_ = new QLineEdit(this);
    fileNameEdit_->setText(exportplan::defaultFileName(grade.name, term.name, subject.name, *questions));
    fileNameEdit_->setReadOnly(true);
    form->addRow(QStringLiteral("文件名"), fileNameEdit_);

    auto* pathRow = new QHBoxLayout;
    pathRow->setSpacing(5);
    pathEdit_ = new QLineEdit(this);
    pathEdit_->setReadOnly(true);
    auto* changeButton = new QPushButton(QStringLiteral("更改"), this);
    connect(changeButton, &QPushButton::clicked, this, &QExportDialog::clicked_path);
    pathRow->addWidget(pathEdit_);
    pathRow->addWidget(changeButton);
    form->addRow(QStringLiteral("保存路径"), pathRow);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->setContentsMargins(5, 5, 5, 5);
    auto* viewButton = new QPushButton(QStringLiteral("查看文件"), this);
    auto* exportButton = new QPushButton(QStringLiteral("导出"), this);
    auto* cancelButton = new QPushButton(QStringLiteral("取消"), this);
    connect(viewButton, &QPushButton::clicked, this, &QExportDialog::clicked_view);
    connect(exportButton, &QPushButton::clicked, this, &QExportDialog::clicked_create);
    connect(cancelButton, &QPushButton::clicked, this, &QExportDialog::reject);
    buttonRow->addWidget(viewButton);
    buttonRow->addStretch();
    buttonRow->addWidget(exportButton);
    buttonRow->addWidget(cancelButton);

    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(form);
    layout->addLayout(buttonRow);
    addLayout(layout);
}

void QExportDialog::restoreChoices()
{
    // A stored kind or order that has no button falls back to the first.
    const auto clickStored = [](QButtonGroup* group, const QString& key) {
        QAbstractButton* button = group->button(getIniValue<int>(key, 0));
        (button ? button : group->button(0))->click();
    };
    clickStored(typeGroup_, QStringLiteral("export_type"));
    clickStored(orderGroup_, QStringLiteral("export_order"));
    titleEdit_->setText(getIniValue<QString>(QStringLiteral("export_title"), QString()));
    pathEdit_->setText(getIniValue<QString>(QStringLiteral("export_topic_path"), documentsFolder()));
    const int mask = getIniValue<int>(QStringLiteral("export_options"), 15);
    const QList<QAbstractButton*> boxes = optionGroup_->buttons();
    for (int i = 0; i < boxes.size(); ++i)
        boxes[i]->setChecked((mask >> i) & 1);
}

bool QExportDialog::prepareDataRoot()
{
    dataRoot = AppContext::instance()->data_path;
    if (!hasHighByte(dataRoot))
        return true;
    tempCopied = true;
    const QString pattern = temporaryFolderPattern("lorvane-export");
    tempDir_ = std::make_unique<QTemporaryDir>(pattern);
    if (!tempDir_->isValid()) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), QStringLiteral("创建目录失败 %1").arg(pattern));
        return false;
    }
    dataRoot = QDir::cleanPath(tempDir_->path()).toUtf8().toStdString();
    return copyQuestions();
}

bool QExportDialog::copyQuestions()
{
    const std::string& userFolder = AppContext::instance()->user_folder;
    QProgressDialog progress;
    progress.setWindowModality(Qt::WindowModal);
    progress.setWindowFlags(Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    progress.setWindowTitle(QStringLiteral("数据准备中..."));
    progress.setRange(0, static_cast<int>(questions->size()));
    progress.setMinimumDuration(0);
    progress.setValue(0);

    QStringList failed;
    int done = 0;
    for (const _detail_t& q : *questions) {
        const QString from = QString::fromUtf8(format("item/{0}/{1}", userFolder, q.detail_path).c_str());
        const QString to = QString::fromUtf8(format("{0}/item/{1}/{2}", dataRoot, userFolder, q.detail_path).c_str());
        if (!QDir().mkpath(to)) {
            progress.close();
            QMessageBoxBase::information(this, QStringLiteral("提示"), QStringLiteral("创建目录失败 %1").arg(to));
            return false;
        }
        if (!copyDirectory(from, to, true)) {
            copyFailed_.insert(q.detail_path);
            failed << QString::number(q.number);
        }
        progress.setValue(++done);
    }
    progress.close();
    if (!failed.isEmpty()) {
        QMessageBoxBase::information(this, QStringLiteral("提示"),
                                     QStringLiteral("以下题目的文件未能复制，导出时将从数据文件夹读取：编号 %1")
                                         .arg(failed.join(QStringLiteral("、"))));
    }
    return true;
}

int QExportDialog::optionMask() const
{
    int mask = 0;
    const QList<QAbstractButton*> boxes = optionGroup_->buttons();
    for (int i = 0; i < boxes.size(); ++i) {
        if (boxes[i]->isChecked())
            mask |= 1 << i;
    }
    return mask;
}

void QExportDialog::titleBar_buttonClicked(int id)
{
    if (id == QTitleBar::Help)
        showHelp();
}

void QExportDialog::showHelp()
{
    QDialogBase help(nullptr);
    help.setWindowTitle(QStringLiteral("使用帮助"));
    auto* label = new QLabel(&help);
    label->setObjectName(QStringLiteral("helpText"));
    label->setWordWrap(true);
    label->setOpenExternalLinks(true);
    label->setContentsMargins(10, 10, 10, 10);
    QFile page(QStringLiteral(":/Lorvane/Resources/html/word_export.html"));
    if (page.open(QIODevice::ReadOnly))
        label->setText(QString::fromUtf8(page.readAll()));
    auto* scroll = new QScrollArea(&help);
    scroll->setWidget(label);
    scroll->setWidgetResizable(true);
    auto* layout = new QHBoxLayout;
    layout->addWidget(scroll);
    help.addLayout(layout);
    help.resize(560, 520);
    modal::exec(help);
}

std::vector<std::string> QExportDialog::questionTypeNames() const
{
    std::vector<std::string> names;
    for (const int id : exportplan::questionTypeIds(*questions))
        names.push_back(AppContext::instance()->typeName(id));
    return names;
}

void QExportDialog::buttonClicked_type(int id)
{
    setIniValue(QStringLiteral("export_type"), id);
}

void QExportDialog::buttonClicked_order(int id)
{
    setIniValue(QStringLiteral("export_order"), id);
}

void QExportDialog::buttonClicked_option(int)
{
    setIniValue(QStringLiteral("export_options"), optionMask());
}

void QExportDialog::title_textChanged(QString text)
{
    setIniValue(QStringLiteral("export_title"), text);
}

void QExportDialog::clicked_btn_space()
{
    DetailSpaceWidget dialog(questionTypeNames(), nullptr);
    modal::exec(dialog);
}

void QExportDialog::clicked_path()
{
    const QString start = getIniValue<QString>(QStringLiteral("export_topic_path"), documentsFolder());
    const QString chosen = modal::existingDirectory(this, QStringLiteral("选择目录"), start);
    if (chosen.isNull() || chosen.isEmpty())
        return;
    setIniValue(QStringLiteral("export_topic_path"), chosen);
    pathEdit_->setText(chosen);
}

void QExportDialog::clicked_view()
{
    const QString folder = pathEdit_->text() + QStringLiteral("/岚溪错题本导出");
    QDir().mkpath(folder);
    modal::openUrl(QUrl::fromLocalFile(folder));
}
