#include "capture/viewer/QViewItem.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

#include "capture/editor/ImageViewer.h"
#include "capture/question/QTopicInfo.h"
#include "capture/question/TextEdit.h"
#include "capture/window/QuestionFolder.h"
#include "core/AppContext.h"
#include "core/PhraseBook.h"
#include "core/Settings.h"
#include "ui/Modal.h"
#include "ui/QMessageBoxBase.h"

namespace {

const char* const kWindowKey = "viewWindow";
constexpr int kArrowSide = 60;
constexpr int kMessageMs = 2000;
enum BottomButton { kPrevious = 0, kNext = 1, kSave = 2 };
// The current tab stands out in the program's accent colour. The tab's own
// sheet wins over the application's button rules, also while hovered.
const char* const kTabStyle = "QPushButton:checked { color: #ffffff; background-color: #4a7fb5; "
                              "border: 1px solid #4a7fb5; }";

// Shows the picture file in the editor, fitted; an editor whose file is
// missing shows nothing.
void loadPicture(ImageViewer* editor, const QString& path)
{
    if (QFileInfo(path).isFile()) {
        editor->loadImage(path);
        editor->fitToWindow();
    } else {
        editor->clearHistory();
    }
}

}  // namespace

QViewItem::QViewItem(std::vector<_detail_t>& list, int index, QWidget* parent)
    : QDialogBase(parent), list_(&list), index_(index)
{
    setupWindow();
    auto* content = new QVBoxLayout;
    content->setContentsMargins(1, 1, 1, 1);
    content->setSpacing(5);

    auto* top = new QVBoxLayout;
    top->setContentsMargins(5, 0, 5, 0);
    top->addLayout(createTabRow());
    createPages();
    top->addWidget(stack_);
    content->addLayout(top);
    content->addSpacing(10);

    auto* formRow = new QHBoxLayout;
    formRow->setContentsMargins(5, 0, 5, 0);
    form_ = new QTopicInfo(this, QTopicInfo::ViewerMode);
    formRow->addWidget(form_);
    content->addLayout(formRow);
    content->addSpacing(10);

    content->addLayout(createBottomRow());
    addLayout(content);
    createArrowButtons();
    connectParts();

    // The form's phrases and the phrases a save stores belong to the current
    // selection.
    const AppContext* ctx = AppContext::instance();
    PhraseBook_db::instance()->setContext(ctx->user.id, ctx->grade.id, ctx->term.id, ctx->subject.id);
    showItem(index_);
}

QViewItem::QViewItem(std::vector<_detail_t>* list, int index, QWidget* parent) : QViewItem(*list, index, parent) {}

QViewItem::~QViewItem() = default;

void QViewItem::setupWindow()
{
    setButtons(buttons() | QTitleBar::kMaximizeBit);
    setWindowTitle(QStringLiteral("题目"));
    const QList<QScreen*> screens = QGuiApplication::screens();
    const QRect area = screens.isEmpty() ? QRect(0, 0, 1280, 800) : screens.first()->availableGeometry();
    resize(area.width() * 3 / 4, area.height() * 3 / 4);
    if (getIniValue<bool>(QString::fromLatin1(kWindowKey), false))
        setMaximized(true);
}

QLayout* QViewItem::createTabRow()
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    tabGroup_ = new QButtonGroup(this);
    tabGroup_->setExclusive(true);
    const QString names[] = {QStringLiteral("原题"), QStringLiteral("错解"), QStringLiteral("答案与解析")};
    for (int id = 0; id < 3; ++id) {
        auto* tab = new QPushButton(names[id], this);
        tab->setCheckable(true);
        tab->setObjectName(QStringLiteral("view_tab"));
        tab->setStyleSheet(QString::fromLatin1(kTabStyle));
        tab->setFocusPolicy(Qt::NoFocus);
        tabGroup_->addButton(tab, id);
        row->addWidget(tab);
    }
    tabGroup_->button(0)->setChecked(true);
    row->addStretch();
    return row;
}

void QViewItem::createPages()
{
    stack_ = new QStackedWidget(this);
    questionEditor_ = new ImageViewer(this, QString(), ImageViewer::kMouse);
    wrongEditor_ = new ImageViewer(this, QString(), ImageViewer::kMouse);
    textEdit_ = new TextEdit(this);
    stack_->addWidget(questionEditor_);
    stack_->addWidget(wrongEditor_);
    stack_->addWidget(textEdit_);
}

QLayout* QViewItem::createBottomRow()
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(5, 0, 5, 5);
    labelStatus_ = new QLabel(this);
    btnSave_ = new QPushButton(QStringLiteral("保存修改"), this);
    btnSave_->setToolTip(QStringLiteral("保存修改"));
    btnSave_->setObjectName(QStringLiteral("topic_save"));
    btnSave_->setMinimumSize(36, 36);
    btnSave_->hide();
    row->addStretch();
    row->addWidget(labelStatus_);
    row->addStretch();
    row->addWidget(btnSave_);

    messageTimer_ = new QTimer(this);
    messageTimer_->setSingleShot(true);
    messageTimer_->setInterval(kMessageMs);
    connect(messageTimer_, &QTimer::timeout, labelStatus_, &QLabel::clear);
    return row;
}

void QViewItem::createArrowButtons()
{
    // Children of the window outside every layout: they float over the pages.
    btnLast_ = new QToolButton(this);
    btnLast_->setToolTip(QStringLiteral("上一题"));
    btnLast_->setObjectName(QStringLiteral("topic_last"));
    btnNext_ = new QToolButton(this);
    btnNext_->setToolTip(QStringLiteral("下一题"));
    btnNext_->setObjectName(QStringLiteral("topic_next"));
    for (QToolButton* b : {btnLast_, btnNext_}) {
        b->setFixedSize(kArrowSide, kArrowSide);
        b->setFocusPolicy(Qt::NoFocus);
    }
    bottomGroup_ = new QButtonGroup(this);
    bottomGroup_->setExclusive(false);
    bottomGroup_->addButton(btnLast_, kPrevious);
    bottomGroup_->addButton(btnNext_, kNext);
    bottomGroup_->addButton(btnSave_, kSave);
}

void QViewItem::connectParts()
{
    connect(tabGroup_, &QButtonGroup::idClicked, stack_, &QStackedWidget::setCurrentIndex);
    connect(stack_, &QStackedWidget::currentChanged, this, &QViewItem::currentChanged);
    connect(stack_, &QStackedWidget::currentChanged, this, &QViewItem::placeArrowButtons);
    connect(bottomGroup_, &QButtonGroup::idClicked, this, &QViewItem::buttonClicked);
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL + Qt::Key_F1), this);
    shortcut->setAutoRepeat(false);
    connect(shortcut, &QShortcut::activated, this, &QViewItem::showDetailPath);
}

bool QViewItem::inRange(int index) const
{
    return index >= 0 && index < static_cast<int>(list_->size());
}

void QViewItem::showItem(int index)
{
    if (!inRange(index))
        return;
    index_ = index;
    const _detail_t& detail = (*list_)[static_cast<size_t>(index)];
    if (detail.number > 0)
        setWindowTitle(QStringLiteral("题目-%1").arg(detail.number));

    loadPicture(questionEditor_, questionfolder::file(detail.user_id, detail.detail_path, questionfolder::kQuestion));
    loadPicture(wrongEditor_, questionfolder::file(detail.user_id, detail.detail_path, questionfolder::kWrongAnswer));
    const QString answer = questionfolder::file(detail.user_id, detail.detail_path, questionfolder::kAnswer);
    answerLoaded_ = QFileInfo(answer).isFile() && textEdit_->loadHtml(answer);
    if (!answerLoaded_)
        textEdit_->clear();
    // Pictures inserted into the answer belong to this question's folder.
    textEdit_->setPath(QString::fromStdString(detail.detail_path));
    form_->setData(detail);
}

bool QViewItem::isModified()
{
    return form_->isModified((*list_)[static_cast<size_t>(index_)]) || questionEditor_->canUndo() ||
           wrongEditor_->canUndo() || textEdit_->isModified();
}

bool QViewItem::maybeSave()
{
    if (!inRange(index_) || !isModified())
        return true;
    if (QMessageBoxBase::question(this, QStringLiteral("提示"), QStringLiteral("题目已修改，是否保存？")) != 1)
        return true;
    return save();
}

void QViewItem::navigate(int step)
{
    if (!inRange(index_))
        return;
    gap_ = -1;
    // A failed save keeps the question and its edits on screen.
    if (!maybeSave())
        return;
    // The caller may have emptied or refilled its vector during the save.
    if (!inRange(index_))
        return;
    const int target = stepTarget(step);
    if (inRange(target))
        index_ = target;
    else
        showMessage(step < 0 ? QStringLiteral("已经是第一条") : QStringLiteral("已经是最后一条"));
    showItem(index_);
    emit rowChanged(index_);
}

int QViewItem::stepTarget(int step) const
{
    if (gap_ < 0)
        return index_ + step;
    // The gap lies between gap_ - 1 and gap_: the question that followed the
    // removed one now stands at gap_.
    return step > 0 ? gap_ : gap_ - 1;
}

void QViewItem::buttonClicked(int id)
{
    switch (id) {
    case kPrevious: navigate(-1); break;
    case kNext: navigate(1); break;
    case kSave: maybeSave(); break;
    default: break;
    }
}

void QViewItem::showMessage(QString text)
{
    labelStatus_->setText(QStringLiteral("<font size=\"4\">") + text + QStringLiteral("</font>"));
    labelStatus_->show();
    messageTimer_->start();
}

void QViewItem::tell(const QString& text)
{
    QMessageBoxBase::information(this, QStringLiteral("提示"), text);
}

void QViewItem::showDetailPath()
{
    if (!inRange(index_))
        return;
    const _detail_t& detail = (*list_)[static_cast<size_t>(index_)];
    QMessageBoxBase::information(this, QString(), QString::fromStdString(detail.detail_path));
    const QString folder = questionfolder::folder(std::to_string(detail.user_id), detail.detail_path);
    modal::openUrl(QUrl::fromLocalFile(QDir(folder).absolutePath()));
}

void QViewItem::currentChanged(int)
{
    btnLast_->raise();
    btnNext_->raise();
}

void QViewItem::setArrowsVisible(bool visible)
{
    for (QToolButton* b : {btnLast_, btnNext_}) {
        b->setVisible(visible);
        if (visible)
            b->raise();
    }
    placeArrowButtons();
}

void QViewItem::placeArrowButtons()
{
    int y = height() / 2 - kArrowSide / 2;
    // Never over a picture editor's tool bar: in a low window the arrows
    // rise to sit just above it.
    if (const auto* editor = qobject_cast<const ImageViewer*>(stack_->currentWidget())) {
        const int barTop = editor->mapTo(this, QPoint(0, editor->pictureArea().bottom() + 1)).y();
        y = std::min(y, barTop - kArrowSide);
    }
    if (btnLast_->isVisible())
        btnLast_->move(0, y);
    if (btnNext_->isVisible())
        btnNext_->move(width() - 1 - btnNext_->width(), y);
}

void QViewItem::enterEvent(QEvent* event)
{
    setArrowsVisible(true);
    QDialogBase::enterEvent(event);
}

void QViewItem::leaveEvent(QEvent* event)
{
    setArrowsVisible(false);
    QDialogBase::leaveEvent(event);
}

void QViewItem::resizeEvent(QResizeEvent* event)
{
    QDialogBase::resizeEvent(event);
    placeArrowButtons();
}

void QViewItem::showEvent(QShowEvent* event)
{
    QDialogBase::showEvent(event);
    placeArrowButtons();
}

void QViewItem::done(int result)
{
    // Every way out (the title bar, Escape, accept and reject) passes here
    // before the window hides: a question whose save failed stays open.
    if (!leaving_ && !maybeSave())
        return;
    leaving_ = true;
    QDialogBase::done(result);
}

void QViewItem::closeEvent(QCloseEvent* event)
{
    if (!leaving_ && !maybeSave()) {
        event->ignore();
        return;
    }
    leaving_ = true;
    setIniValue(QString::fromLatin1(kWindowKey), isMaximized());
    QDialogBase::closeEvent(event);
}
