#include "library/SearchWidget.h"

#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyleOption>
#include <QVBoxLayout>

#include <limits>

#include "core/AppContext.h"
#include "ui/QMessageBoxBase.h"
#include "ui/StyledPaint.h"

namespace {

QComboBox* typeBox(const std::vector<_type_t>& entries, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->addItem(QStringLiteral("全部"));
    for (const _type_t& t : entries)
        box->addItem(QString::fromUtf8(t.name.c_str()));
    return box;
}

QLineEdit* textEdit(QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(50);
    edit->setPlaceholderText(QStringLiteral("全部"));
    return edit;
}

// A question number typed as digits; a number too long for an int counts
// as the largest one, so a wide range is never taken for a reversed one.
int numberOf(const QString& digits)
{
    bool ok = false;
    const qlonglong value = digits.toLongLong(&ok);
    if (!ok || value > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    return static_cast<int>(value);
}

int typeIdAt(const std::vector<_type_t>& entries, int boxIndex)
{
    if (boxIndex <= 0 || boxIndex > static_cast<int>(entries.size()))
        return 0;
    return entries[boxIndex - 1].id;
}

}  // namespace

SearchWidget::SearchWidget(QWidget* parent) : QDialogBase(parent)
{
    setWindowTitle(QStringLiteral("精确查询"));
    const AppContext* ctx = AppContext::instance();

    auto* form = new QFormLayout;
    form->setContentsMargins(5, 0, 5, 0);
    form->setVerticalSpacing(10);

    // Number range: digits only, the first not 0.
    auto* validatorFrom = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[1-9][0-9]+$")), this);
    editNumberFrom = new QLineEdit(this);
    editNumberFrom->setPlaceholderText(QStringLiteral("开始编号"));
    editNumberFrom->setValidator(validatorFrom);
    editNumberFrom->setAttribute(Qt::WA_InputMethodEnabled, false);
    editNumberTo = new QLineEdit(this);
    editNumberTo->setPlaceholderText(QStringLiteral("结束编号"));
    editNumberTo->setValidator(validatorFrom);
    editNumberTo->setAttribute(Qt::WA_InputMethodEnabled, false);
    connect(editNumberFrom, &QLineEdit::textChanged, editNumberTo, &QLineEdit::setText);
    auto* numberRow = new QHBoxLayout;
    numberRow->addWidget(editNumberFrom);
    numberRow->addWidget(new QLabel(QStringLiteral("到"), this));
    numberRow->addWidget(editNumberTo);
    numberRow->addSpacing(10);
    numberRow->addStretch();
    form->addRow(QStringLiteral("编号"), numberRow);

    boxClassification = typeBox(ctx->classifications, this);
    form->addRow(QStringLiteral("类别"), boxClassification);
    editPoint = textEdit(this);
    form->addRow(QStringLiteral("考点"), editPoint);
    boxCause = typeBox(ctx->causes, this);
    form->addRow(QStringLiteral("错误原因"), boxCause);
    boxQuestiontype = typeBox(ctx->questiontypes, this);
    form->addRow(QStringLiteral("题型"), boxQuestiontype);
    editSource = textEdit(this);
    form->addRow(QStringLiteral("来源"), editSource);
    editRemark = textEdit(this);
    form->addRow(QStringLiteral("备注"), editRemark);

    const QDate today = QDate::currentDate();
    dateFrom = new QDateEdit(today.addYears(-1), this);
    dateFrom->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    dateFrom->setCalendarPopup(true);
    dateTo = new QDateEdit(today, this);
    dateTo->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    dateTo->setCalendarPopup(true);
    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(dateFrom);
    dateRow->addWidget(new QLabel(QStringLiteral("到"), this));
    dateRow->addWidget(dateTo);
    dateRow->addSpacing(10);
    dateRow->addStretch();
    form->addRow(QStringLiteral("日期"), dateRow);

    buttonBox = new QDialogButtonBox(this);
    buttonBox->setContentsMargins(10, 10, 10, 10);
    buttonBox->addButton(QStringLiteral("查询"), QDialogButtonBox::AcceptRole);
    buttonBox->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(buttonBox, &QDialogButtonBox::accepted, this, &SearchWidget::btn_OK_clicked);
    connect(buttonBox, &QDialogButtonBox::rejected, this, &SearchWidget::reject);

    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(5);
    layout->addLayout(form);
    layout->addWidget(buttonBox);
    addLayout(layout);
}

SearchWidget::~SearchWidget() = default;

void SearchWidget::paintEvent(QPaintEvent* event)
{
    paintStyledBackground(this);
    QWidget::paintEvent(event);
}

void SearchWidget::resetConditions()
{
    number_from = number_to = 0;
    classification = cause = questiontype = 0;
    point.clear();
    source.clear();
    remark.clear();
    date_from.clear();
    date_to.clear();
}

void SearchWidget::btn_OK_clicked()
{
    resetConditions();

    const QString from = editNumberFrom->text().simplified();
    const QString to = editNumberTo->text().simplified();
    const QString pointText = editPoint->text().simplified();
    const QString sourceText = editSource->text().simplified();
    const QString remarkText = editRemark->text().simplified();
    const int classificationIndex = boxClassification->currentIndex();
    const int causeIndex = boxCause->currentIndex();
    const int questiontypeIndex = boxQuestiontype->currentIndex();
    const QDate start = dateFrom->date();
    const QDate end = dateTo->date();

    auto refuse = [this](const QString& text) { QMessageBoxBase::information(this, QStringLiteral("提示"), text); };

    if (!from.isEmpty()) {
        if (to.isEmpty()) {
            refuse(QStringLiteral("结束编号不能为空"));
            return;
        }
        const int first = numberOf(from);
        const int last = numberOf(to);
        if (first < 1) {
            refuse(QStringLiteral("开始编号不正确"));
            return;
        }
        if (first > last) {
            refuse(QStringLiteral("开始编号不能大于结束编号"));
            return;
        }
        number_from = first;
        number_to = last;
    }
    if (start > end) {
        refuse(QStringLiteral("起始日期不能大于结束日期"));
        return;
    }
    date_from = start.toString(QStringLiteral("yyyy-MM-dd")).toStdString();
    date_to = end.toString(QStringLiteral("yyyy-MM-dd")).toStdString();

    const AppContext* ctx = AppContext::instance();
    classification = typeIdAt(ctx->classifications, classificationIndex);
    cause = typeIdAt(ctx->causes, causeIndex);
    questiontype = typeIdAt(ctx->questiontypes, questiontypeIndex);

    if (!pointText.isEmpty())
        point = pointText.toUtf8().toStdString();
    if (!sourceText.isEmpty())
        source = sourceText.toUtf8().toStdString();
    if (!remarkText.isEmpty())
        remark = remarkText.toUtf8().toStdString();
    accept();
}

void SearchWidget::getCondition(int& number_from_, int& number_to_, int& classification_, std::string& point_,
                                int& cause_, int& questiontype_, std::string& source_, std::string& remark_,
                                std::string& date_from_, std::string& date_to_) const
{
    number_from_ = number_from;
    number_to_ = number_to;
    classification_ = classification;
    point_ = point;
    cause_ = cause;
    questiontype_ = questiontype;
    source_ = source;
    remark_ = remark;
    date_from_ = date_from;
    date_to_ = date_to;
}
