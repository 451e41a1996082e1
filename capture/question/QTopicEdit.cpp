#include "capture/question/QTopicEdit.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedLayout>
#include <QVBoxLayout>

#include "capture/editor/ImageViewer.h"
#include "capture/question/QFillInfo.h"
#include "capture/question/QStepBar.h"
#include "capture/question/TextEdit.h"
#include "core/AppContext.h"
#include "core/Format.h"
#include "core/PhraseBook.h"

namespace {

constexpr int kEraser = 2;

}  // namespace

QTopicEdit::QTopicEdit(QWidget* parent) : QWidget(parent), steps_(_state_t(state_names::kNull))
{
    auto* outer = new QVBoxLayout(this);
    outer->setSpacing(1);
    outer->setContentsMargins(1, 1, 1, 1);
    createStepBar();
    outer->addWidget(stepBar_);
    createPages();
    outer->addLayout(pages_);
    createButtons();
    setupSteps();

    // Test points are kept under the selection current when the wizard opens.
    const AppContext* ctx = AppContext::instance();
    PhraseBook_db::instance()->setContext(ctx->user.id, ctx->grade.id, ctx->term.id, ctx->subject.id);
}

QTopicEdit::~QTopicEdit() = default;

void QTopicEdit::createStepBar()
{
    stepBar_ = new QStepBar(this);
    stepBar_->setRange(0, 3);
    stepBar_->setValue(0);
    stepBar_->addStep(QStringLiteral("题干"));
    stepBar_->addStep(QStringLiteral("错解"));
    stepBar_->addStep(QStringLiteral("答案与解析"));
    stepBar_->setMinimumHeight(60);
}

void QTopicEdit::createPages()
{
    pages_ = new QStackedLayout;
    pages_->setContentsMargins(0, 0, 0, 0);
    pages_->setSpacing(0);
    labelEmpty_ = new QLabel(QStringLiteral("<center><font size=\"5\" color=\"gray\">请抽取题目</font></center>"),
                             this);
    fillInfo_ = new QFillInfo(this);
    wrongEditor_ = new ImageViewer(this, QString(), kEraser);
    textEdit_ = new TextEdit(this, QString(), QString());
    pages_->addWidget(labelEmpty_);
    pages_->addWidget(fillInfo_);
    pages_->addWidget(wrongEditor_);
    pages_->addWidget(textEdit_);
    connect(pages_, &QStackedLayout::currentChanged, stepBar_, &QStepBar::setValue);
    connect(pages_, &QStackedLayout::currentChanged, this, &QTopicEdit::currentChanged);
}

void QTopicEdit::createButtons()
{
    checkInfo_ = new QCheckBox(QStringLiteral("题目信息"), this);
    checkInfo_->setFocusPolicy(Qt::NoFocus);
    checkInfo_->setChecked(true);
    connect(checkInfo_, &QCheckBox::stateChanged, this, &QTopicEdit::stateChanged);

    btnLast_ = new QPushButton(QStringLiteral("上一步"), this);
    btnNext_ = new QPushButton(QStringLiteral("下一步"), this);
    btnComplete_ = new QPushButton(QStringLiteral("完成"), this);
    connect(btnLast_, &QPushButton::clicked, this, &QTopicEdit::clicked_last_step);
    connect(btnNext_, &QPushButton::clicked, this, &QTopicEdit::clicked_next_step);
    connect(btnComplete_, &QPushButton::clicked, this, &QTopicEdit::clicked_complete);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(5, 5, 5, 5);
    row->setSpacing(5);
    row->addWidget(checkInfo_);
    row->addStretch();
    row->addWidget(btnLast_);
    row->addWidget(btnNext_);
    row->addWidget(btnComplete_);
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

// Each step's 'init' shows its page and buttons.
void QTopicEdit::setupSteps()
{
    for (int step = NoQuestion; step <= AnswerStep; ++step)
        steps_.on(step, state_names::kInit) = [this, step](const std::vector<std::string>&) { showStep(step); };
    steps_.set(NoQuestion);
}

// step:      0      1      2      3
// 题目信息    hidden shown  hidden (kept)
// 上一步      hidden hidden shown  shown
// 下一步      hidden shown  shown  hidden
// 完成        hidden hidden hidden shown
void QTopicEdit::showStep(int step)
{
    showControls(step);
    pages_->setCurrentIndex(step);
}

void QTopicEdit::showControls(int step)
{
    if (step != AnswerStep)
        checkInfo_->setVisible(step == QuestionStep);
    btnLast_->setVisible(step == WrongAnswerStep || step == AnswerStep);
    btnNext_->setVisible(step == QuestionStep || step == WrongAnswerStep);
    btnComplete_->setVisible(step == AnswerStep);
}

QRect QTopicEdit::questionAreaAt(const QSize& size)
{
    const QSize before = this->size();
    const bool infoShown = checkInfo_->isVisibleTo(this);
    showControls(QuestionStep);
    resize(size);
    layout()->invalidate();
    layout()->activate();
    // The page stack places only its current page (and keeps no rectangle of
    // its own): step 1's page gets the rectangle the current page got.
    fillInfo_->setGeometry(pages_->currentWidget()->geometry());
    fillInfo_->layout()->invalidate();
    fillInfo_->layout()->activate();
    const QRect area = fillInfo_->editor()->pictureArea();

    resize(before);
    showControls(step());
    if (step() == AnswerStep)
        checkInfo_->setVisible(infoShown);
    layout()->invalidate();
    return area;
}

bool QTopicEdit::hasQuestionRoomAt(const QSize& size)
{
    const QRect area = questionAreaAt(size);
    return area.width() >= kQuestionRoom.width() && area.height() >= kQuestionRoom.height();
}

int QTopicEdit::step() const
{
    return steps_.get_state(-1).name;
}

void QTopicEdit::setData(_detail_t detail)
{
    detail_ = detail;
    rowStored_ = false;
    fillInfo_->setData(detail);
    const std::string path = format("item/{0}/{1}/{2}", AppContext::instance()->user_folder, detail.detail_path,
                                    "original.jpg");
    fillInfo_->loadImage(path);
    wrongEditor_->loadImage(QString::fromStdString(path));
    // A visible editor keeps its view on loading: the last question's scale
    // would show this one cut off or under the tool bar.
    fillInfo_->editor()->fitToWindow();
    wrongEditor_->fitToWindow();
    // The previous question's answer (and its pictures in another folder)
    // must not show in this one.
    textEdit_->clear();
    textEdit_->setPath(QString::fromStdString(detail.detail_path));
    steps_.set(QuestionStep);
    fillInfo_->setTool(kEraser);
    wrongEditor_->setTool(kEraser);
}

void QTopicEdit::getData(_detail_t& detail)
{
    _detail_t form;
    fillInfo_->getData(form);
    detail_.subject = form.subject;
    detail_.state = form.state;
    detail_.classification = form.classification;
    detail_.cause = form.cause;
    detail_.questiontype = form.questiontype;
    detail_.score = form.score;
    detail_.point = form.point;
    detail_.source = form.source;
    detail_.remark = form.remark;
    detail = detail_;
}

void QTopicEdit::reset()
{
    wrongEditor_->clearHistory();
    textEdit_->clear();
    steps_.set(NoQuestion);
}

void QTopicEdit::stateChanged(int state)
{
    fillInfo_->setInfoVisible(state == Qt::Checked);
}

// The pages and the steps always agree: showing a page sets its step (its
// 'init' selects the page already shown, which changes nothing).
void QTopicEdit::currentChanged(int index)
{
    if (index >= NoQuestion && index <= AnswerStep)
        steps_.set(index);
}

void QTopicEdit::clicked_last_step()
{
    const int current = step();
    if (current == WrongAnswerStep || current == AnswerStep)
        steps_.set(current - 1);
}

void QTopicEdit::clicked_next_step()
{
    switch (step()) {
    case QuestionStep:
        fillInfo_->getData(detail_);
        if (!writePicture(fillInfo_->getImage(), "questions.jpg"))
            return;
        steps_.set(WrongAnswerStep);
        storePhrases();
        break;
    case WrongAnswerStep:
        if (!writePicture(wrongEditor_->getImage(), "answer_wrong.jpg"))
            return;
        steps_.set(AnswerStep);
        break;
    default: break;
    }
}

void QTopicEdit::clicked_complete()
{
    if (step() != AnswerStep)
        return;
    if (!writeAnswer())
        return;
    if (save() == 0) {
        steps_.set(NoQuestion);
        emit complete();
    }
}
