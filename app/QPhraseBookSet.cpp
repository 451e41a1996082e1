#include "app/QPhraseBookSet.h"

#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStandardPaths>
#include <QTextCodec>
#include <QVBoxLayout>

#include <string>
#include <vector>

#include "core/AppContext.h"
#include "core/IObserver.h"
#include "core/PhraseBook.h"
#include "ui/Modal.h"
#include "ui/QMessageBoxBase.h"

namespace {

PhraseBook_db* phrases()
{
    return Singleton<PhraseBook_db>::instance();
}

constexpr int kMaxLength = 20;

}  // namespace

QPhraseBookSet::QPhraseBookSet(QWidget* parent) : QDialogBase(parent)
{
    setWindowTitle(QStringLiteral("短语预设"));
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setMinimumHeight(screen->availableGeometry().height() / 2);

    list_type_ = new QListWidget(this);
    list_type_->setObjectName(QStringLiteral("list_type"));
    list_type_->setFocusPolicy(Qt::NoFocus);
    list_type_->setFixedWidth(120);
    list_phrase_ = new QListWidget(this);
    list_phrase_->setObjectName(QStringLiteral("list_phrase"));
    list_phrase_->setFocusPolicy(Qt::NoFocus);
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("edit_phrase"));
    edit_->setMaxLength(kMaxLength);
    edit_->setPlaceholderText(QStringLiteral("输入新短语，按enter添加"));
    btn_add_ = new QPushButton(QStringLiteral("增加"), this);
    btn_batchIncrease_ = new QPushButton(QStringLiteral("批量增加"), this);
    btn_delete_ = new QPushButton(QStringLiteral("删除"), this);
    btn_delete_all_ = new QPushButton(QStringLiteral("清空"), this);
    btn_add_->setObjectName(QStringLiteral("btn_add"));
    btn_batchIncrease_->setObjectName(QStringLiteral("btn_batchIncrease"));
    btn_delete_->setObjectName(QStringLiteral("btn_delete"));
    btn_delete_all_->setObjectName(QStringLiteral("btn_delete_all"));
    // Return belongs to the shortcut below, never to a default button.
    for (QPushButton* button : {btn_add_, btn_batchIncrease_, btn_delete_, btn_delete_all_})
        button->setAutoDefault(false);
    label_subject_ = new QLabel(QStringLiteral("科目"), this);
    box_subject_ = new QComboBox(this);
    box_subject_->setObjectName(QStringLiteral("box_subject"));

    auto* outer = new QVBoxLayout;
    outer->setContentsMargins(1, 1, 1, 1);
    auto* subjectRow = new QHBoxLayout;
    subjectRow->setContentsMargins(5, 0, 5, 0);
    subjectRow->addWidget(label_subject_);
    subjectRow->addWidget(box_subject_);
    subjectRow->addStretch();
    auto* listRow = new QHBoxLayout;
    listRow->setContentsMargins(5, 5, 5, 5);
    listRow->addWidget(list_type_);
    auto* phraseRow = new QHBoxLayout;
    phraseRow->setContentsMargins(0, 0, 0, 0);
    phraseRow->addWidget(list_phrase_);
    listRow->addLayout(phraseRow);
    auto* inputRow = new QHBoxLayout;
    inputRow->setContentsMargins(5, 0, 5, 0);
    inputRow->addWidget(edit_);
    for (QPushButton* button : {btn_add_, btn_batchIncrease_, btn_delete_, btn_delete_all_})
        inputRow->addWidget(button);
    outer->addLayout(subjectRow);
    outer->addLayout(listRow);
    outer->addLayout(inputRow);
    addLayout(outer);

    list_type_->addItems({QStringLiteral("考点"), QStringLiteral("题目来源"), QStringLiteral("备注")});
    list_type_->setCurrentRow(0);

    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_Return), this);
    shortcut->setAutoRepeat(false);
    connect(shortcut, &QShortcut::activated, this, &QPhraseBookSet::Shortcut1);

    AppContext* context = AppContext::instance();
    for (const _type_t& subject : context->subjects) {
        box_subject_->addItem(QString::fromStdString(subject.name));
        if (subject.id == context->subject.id)
            box_subject_->setCurrentIndex(box_subject_->count() - 1);
    }

    connect(box_subject_, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &QPhraseBookSet::lost_currentIndexChanged);
    connect(list_type_, &QListWidget::itemClicked, this, &QPhraseBookSet::left_itemClicked);
    connect(btn_add_, &QPushButton::clicked, this, &QPhraseBookSet::on_btn_add_clicked);
    connect(btn_batchIncrease_, &QPushButton::clicked, this, &QPhraseBookSet::on_btn_batchIncrease_clicked);
    connect(btn_delete_, &QPushButton::clicked, this, &QPhraseBookSet::on_btn_delete_clicked);
    connect(btn_delete_all_, &QPushButton::clicked, this, &QPhraseBookSet::on_btn_delete_all_clicked);

    phrases()->setContext(context->user.id, context->grade.id, context->term.id, context->subject.id);
    loadPhrases(0);
}

void QPhraseBookSet::addObserver(IObserver* observer)
{
    observers_.append(observer);
}

void QPhraseBookSet::notifyObservers(int index)
{
    for (IObserver* observer : observers_)
        observer->notify(index);
}

void QPhraseBookSet::loadPhrases(int type)
{
    const bool points = type == 0;
    label_subject_->setVisible(points);
    box_subject_->setVisible(points);
    if (type < 0 || type > 2)
        return;
    list_phrase_->clear();
    std::vector<std::string> list;
    phrases()->getList(type, list);
    for (const std::string& phrase : list)
        list_phrase_->addItem(QString::fromStdString(phrase));
}

void QPhraseBookSet::Shortcut1()
{
    emit btn_add_->clicked();
}

void QPhraseBookSet::lost_currentIndexChanged(int index)
{
    notifyObservers(index);
    phrases()->setContext(0, 0, 0, AppContext::instance()->subject.id);
    const int row = list_type_->currentRow();
    if (row != -1)
        loadPhrases(row);
}

void QPhraseBookSet::left_itemClicked(QListWidgetItem* /*item*/)
{
    const int row = list_type_->currentRow();
    if (row != -1)
        loadPhrases(row);
}

void QPhraseBookSet::on_btn_add_clicked()
{
    const int type = list_type_->currentRow();
    if (type == -1)
        return;
    const QString text = edit_->text().simplified();
    if (text.size() > kMaxLength) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), QStringLiteral("不能超过20个字符"));
        return;
    }
    if (text.isEmpty())
        return;
    phrases()->add(type, text.toStdString());
    loadPhrases(type);
    edit_->clear();
}

QStringList QPhraseBookSet::decodeLines(const QByteArray& bytes)
{
    QTextCodec::ConverterState state;
    QTextCodec* utf8 = QTextCodec::codecForName("UTF-8");
    QString text = utf8->toUnicode(bytes.constData(), bytes.size(), &state);
    if (state.invalidChars > 0 || state.remainingChars > 0) {
        if (QTextCodec* gb = QTextCodec::codecForName("GB18030"))
            text = gb->toUnicode(bytes);
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QStringList lines = text.split(QLatin1Char('\n'));
    // A last line ending in a line break leaves nothing after it.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void QPhraseBookSet::on_btn_batchIncrease_clicked()
{
    const int type = list_type_->currentRow();
    if (type == -1)
        return;
    QMessageBoxBase::information(this, QStringLiteral("提示"),
                                 QStringLiteral("请选择文本文件(txt)，每个考点占一行，且不超过20个字符"));
    const QString path = modal::openFileName(this, QStringLiteral("选择文件"),
                                             QStandardPaths::writableLocation(QStandardPaths::DesktopLocation),
                                             QStringLiteral("plain Files (*.txt)"));
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;

    QString refused;
    for (const QString& line : decodeLines(file.readAll())) {
        const QString phrase = line.simplified();
        if (phrase.isEmpty())
            continue;
        if (phrase.size() > kMaxLength) {
            refused += phrase + QStringLiteral("\r\n");
            continue;
        }
        phrases()->add(type, phrase.toStdString());
    }
    if (!refused.isEmpty()) {
        QMessageBoxBase::information(this, QStringLiteral("提示"),
                                     QStringLiteral("以下短语没有导入，原因：长度超过20个字符") +
                                         QStringLiteral("\r\n") + refused);
    }
    loadPhrases(type);
}

void QPhraseBookSet::on_btn_delete_clicked()
{
    const int type = list_type_->currentRow();
    QListWidgetItem* item = list_phrase_->currentItem();
    if (type == -1 || !item)
        return;
    if (QMessageBoxBase::question(this, QStringLiteral("删除"), QStringLiteral("是否要删除该短语?")) != 1)
        return;
    phrases()->remove(type, item->text().toStdString());
    loadPhrases(type);
}

void QPhraseBookSet::on_btn_delete_all_clicked()
{
    const int type = list_type_->currentRow();
    if (type == -1 || list_phrase_->count() == 0)
        return;
    if (QMessageBoxBase::question(this, QStringLiteral("清空"), QStringLiteral("是否要清空所有短语?")) != 1)
        return;
    phrases()->removeAll(type);
    loadPhrases(type);
}
