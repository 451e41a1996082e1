#include "capture/question/QTopicInfo.h"

#include <QAction>
#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include "capture/question/StateChangeWidget.h"
#include "capture/question/TextLimits.h"
#include "core/AppContext.h"
#include "core/IObserver.h"

namespace {

IObserver*& mainObserverSlot()
{
    static IObserver* observer = nullptr;
    return observer;
}

// The entry's id behind a box index; false for no current item or an index
// outside the list.
bool idAt(const std::vector<_type_t>& list, int index, int& id)
{
    if (index < 0 || index >= static_cast<int>(list.size()))
        return false;
    id = list[static_cast<size_t>(index)].id;
    return true;
}

// The position of the entry with that id, -1 when it is not listed.
int indexOf(const std::vector<_type_t>& list, int id)
{
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].id == id)
            return static_cast<int>(i);
    }
    return -1;
}

void fillBox(QComboBox* box, const std::vector<_type_t>& list)
{
    box->clear();
    for (const _type_t& t : list)
        box->addItem(QString::fromStdString(t.name));
}

// No current item first, so that an id missing from the list leaves none.
void selectId(QComboBox* box, const std::vector<_type_t>& list, int id)
{
    box->setCurrentIndex(-1);
    box->setCurrentIndex(indexOf(list, id));
}

// Shows a stored text whole: a text longer than the typing limit (an older
// file, a restore) widens the line to its own length instead of being cut.
void showWhole(QLineEdit* line, int limit, const std::string& stored)
{
    const QString text = QString::fromStdString(stored);
    line->setMaxLength(std::max(limit, static_cast<int>(text.size())));
    line->setText(text);
}

// The line's text as the record takes it. While the line still shows the
// stored text (all of it the line can hold), the stored bytes are kept as
// they are: a long or oddly encoded text is never cut or rewritten by a save
// that did not touch it.
std::string lineValue(const QLineEdit* line, const std::string& stored)
{
    const QString text = line->text();
    const QString shown = QString::fromStdString(stored);
    if (text == shown || (shown.size() > line->maxLength() && text == shown.left(line->maxLength())))
        return stored;
    return text.toStdString();
}

}  // namespace

void QTopicInfo::setMainObserver(IObserver* observer)
{
    mainObserverSlot() = observer;
}

IObserver* QTopicInfo::mainObserver()
{
    return mainObserverSlot();
}

QTopicInfo::QTopicInfo(QWidget* parent, int mode, const _detail_t* detail)
    : QWidget(parent), mode_(mode), mastery_(_state_t(state_names::kNull))
{
    createControls();
    layoutRows();
    setStyleSheet(QStringLiteral("QComboBox QAbstractItemView::item{ height:40px;}"));
    connectSignals();
    loadBaseData();
    setupMastery();
    if (IObserver* observer = mainObserver())
        observers_.append(observer);
    if (detail)
        setData(*detail);
}

QTopicInfo::~QTopicInfo() = default;

void QTopicInfo::createControls()
{
    labelState_ = new QLabel(QStringLiteral("掌握状态"), this);
    stateWidget_ = new StateChangeWidget(this);

    labelSubject_ = new QLabel(QStringLiteral("科目"), this);
    labelSubject_->setMinimumWidth(50);
    boxSubject_ = new QComboBox(this);
    boxSubject_->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);

    labelQuestiontype_ = new QLabel(QStringLiteral("题型"), this);
    boxQuestiontype_ = new QComboBox(this);
    boxQuestiontype_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);

    labelScore_ = new QLabel(QStringLiteral("分值"), this);
    spinScore_ = new QSpinBox(this);
    spinScore_->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
    spinScore_->setRange(0, 100);
    spinScore_->setSingleStep(1);
    spinScore_->setValue(0);

    labelCause_ = new QLabel(QStringLiteral("错误原因"), this);
    boxCause_ = new QComboBox(this);
    boxCause_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);

    labelClassification_ = new QLabel(QStringLiteral("类别"), this);
    boxClassification_ = new QComboBox(this);
    boxClassification_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);

    labelPoint_ = new QLabel(QStringLiteral("考点"), this);
    linePoint_ = createPhraseLine(textlimits::kPoint, actionPoint_);
    labelSource_ = new QLabel(QStringLiteral("题目来源"), this);
    lineSource_ = createPhraseLine(textlimits::kSource, actionSource_);
    labelRemark_ = new QLabel(QStringLiteral("备注"), this);
    lineRemark_ = createPhraseLine(textlimits::kRemark, actionRemark_);
}

QLineEdit* QTopicInfo::createPhraseLine(int maxLength, QAction*& action)
{
    auto* line = new QLineEdit(this);
    line->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    line->setMaxLength(maxLength);
    action = new QAction(QIcon(QStringLiteral(":/Lorvane/Resources/book.png")), QString(), line);
    line->addAction(action, QLineEdit::TrailingPosition);
    // The line owns its completer, so a form leaves nothing behind.
    auto* completer = new QCompleter(line);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    line->setCompleter(completer);
    return line;
}

QHBoxLayout* QTopicInfo::row(QLabel* label, QWidget* control, bool stretch)
{
    auto* layout = new QHBoxLayout;
    layout->setSpacing(10);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(control);
    if (stretch)
        layout->addStretch();
    return layout;
}

void QTopicInfo::layoutRows()
{
    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(20);
    grid->setVerticalSpacing(5);

    // Cell (0, 0) holds the mastery row in the viewer and the subject row in
    // the wizard; the other row's widgets stay hidden.
    const bool viewer = mode_ == ViewerMode;
    const bool wizard = mode_ == WizardMode;
    if (viewer)
        grid->addLayout(row(labelState_, stateWidget_, true), 0, 0);
    if (wizard)
        grid->addLayout(row(labelSubject_, boxSubject_, true), 0, 0);
    labelState_->setVisible(viewer);
    stateWidget_->setVisible(viewer);
    labelSubject_->setVisible(wizard);
    boxSubject_->setVisible(wizard);

    grid->addLayout(row(labelQuestiontype_, boxQuestiontype_, true), 0, 1);
    grid->addLayout(row(labelScore_, spinScore_, true), 0, 2);
    grid->addLayout(row(labelCause_, boxCause_, true), 1, 0);
    grid->addLayout(row(labelClassification_, boxClassification_, true), 1, 1);
    grid->addLayout(row(labelPoint_, linePoint_, false), 1, 2);
    grid->addLayout(row(labelSource_, lineSource_, false), 2, 0);
    grid->addLayout(row(labelRemark_, lineRemark_, false), 2, 1);

    auto* outer = new QVBoxLayout(this);
    outer->addLayout(grid);
}

void QTopicInfo::connectSignals()
{
    connect(stateWidget_, &StateChangeWidget::mastered_clicked, this, &QTopicInfo::btn_mastered_clicked);
    connect(stateWidget_, &StateChangeWidget::mistakeAgain_clicked, this, &QTopicInfo::btn_mistakeAgain_clicked);
    connect(boxSubject_, QOverload<int>::of(&QComboBox::activated), this, &QTopicInfo::boxSubject_currentIndexChanged);
    connect(boxQuestiontype_, QOverload<int>::of(&QComboBox::activated), this,
            &QTopicInfo::boxQuestiontype_currentIndexChanged);
    connect(spinScore_, &QSpinBox::textChanged, this, &QTopicInfo::spinScore_valueChanged);
    connect(boxCause_, QOverload<int>::of(&QComboBox::activated), this, &QTopicInfo::boxCause_currentIndexChanged);
    connect(boxClassification_, QOverload<int>::of(&QComboBox::activated), this,
            &QTopicInfo::boxclassification_currentIndexChanged);
    connect(linePoint_, &QLineEdit::textChanged, this, &QTopicInfo::lineEditPoint_textChanged);
    connect(lineSource_, &QLineEdit::textChanged, this, &QTopicInfo::lineEditSource_textChanged);
    connect(lineRemark_, &QLineEdit::textChanged, this, &QTopicInfo::lineEditRemark_textChanged);
    connect(actionPoint_, &QAction::triggered, this, &QTopicInfo::actionPoint_triggered);
    connect(actionSource_, &QAction::triggered, this, &QTopicInfo::actionSource_triggered);
    connect(actionRemark_, &QAction::triggered, this, &QTopicInfo::actionRemark_triggered);
}

void QTopicInfo::loadBaseData()
{
    const AppContext* ctx = AppContext::instance();
    fillBox(boxSubject_, ctx->subjects);
    boxSubject_->setCurrentIndex(indexOf(ctx->subjects, ctx->subject.id));
    fillBox(boxClassification_, ctx->classifications);
    fillBox(boxCause_, ctx->causes);
    fillBox(boxQuestiontype_, ctx->questiontypes);
}

void QTopicInfo::setData(const _detail_t& detail)
{
    detail_ = detail;
    if (mode_ == WizardMode) {
        boxClassification_->setCurrentIndex(0);
        boxCause_->setCurrentIndex(0);
        linePoint_->clear();
    } else if (mode_ == ViewerMode) {
        const AppContext* ctx = AppContext::instance();
        selectId(boxSubject_, ctx->subjects, detail.subject);
        selectId(boxClassification_, ctx->classifications, detail.classification);
        selectId(boxCause_, ctx->causes, detail.cause);
        selectId(boxQuestiontype_, ctx->questiontypes, detail.questiontype);
        spinScore_->setValue(detail.score);
        showWhole(linePoint_, textlimits::kPoint, detail.point);
        showWhole(lineRemark_, textlimits::kRemark, detail.remark);
        showWhole(lineSource_, textlimits::kSource, detail.source);
        enterMastery(detail);
    }
}

void QTopicInfo::getData(_detail_t& detail)
{
    const AppContext* ctx = AppContext::instance();
    idAt(ctx->subjects, boxSubject_->currentIndex(), detail_.subject);
    idAt(ctx->classifications, boxClassification_->currentIndex(), detail_.classification);
    idAt(ctx->causes, boxCause_->currentIndex(), detail_.cause);
    idAt(ctx->questiontypes, boxQuestiontype_->currentIndex(), detail_.questiontype);
    // A stored score outside the box's range shows clamped; left as shown,
    // it is kept as stored.
    const int shownScore = std::clamp(detail_.score, spinScore_->minimum(), spinScore_->maximum());
    if (spinScore_->value() != shownScore)
        detail_.score = spinScore_->value();
    detail_.point = lineValue(linePoint_, detail_.point);
    detail_.source = lineValue(lineSource_, detail_.source);
    detail_.remark = lineValue(lineRemark_, detail_.remark);
    detail = detail_;
}

bool QTopicInfo::isModified(const _detail_t& stored)
{
    _detail_t now;
    getData(now);
    return now.subject != stored.subject || now.state != stored.state || now.times != stored.times ||
           now.classification != stored.classification || now.cause != stored.cause ||
           now.questiontype != stored.questiontype || now.point != stored.point || now.score != stored.score ||
           now.source != stored.source || now.remark != stored.remark;
}

void QTopicInfo::addObserver(IObserver* observer)
{
    if (observer)
        observers_.append(observer);
}

void QTopicInfo::notifyObservers(int index)
{
    // A copy: an observer may register another one while it is told.
    const QVector<IObserver*> observers = observers_;
    for (IObserver* observer : observers)
        observer->notify(index);
}

void QTopicInfo::boxSubject_currentIndexChanged(int index)
{
    notifyObservers(index);
}

// Connected so that owners and tests see the form react; the values are read
// when getData is called.
void QTopicInfo::boxclassification_currentIndexChanged(int) {}
void QTopicInfo::boxCause_currentIndexChanged(int) {}
void QTopicInfo::boxQuestiontype_currentIndexChanged(int) {}
void QTopicInfo::spinScore_valueChanged(const QString&) {}
