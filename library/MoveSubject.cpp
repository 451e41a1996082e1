#include "library/MoveSubject.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include <algorithm>

#include "core/AppContext.h"
#include "ui/QMessageBoxBase.h"

namespace {

QComboBox* fillBox(const std::vector<_type_t>& entries, int currentId, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    for (const _type_t& t : entries)
        box->addItem(QString::fromUtf8(t.name.c_str()));
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].id == currentId) {
            box->setCurrentIndex(static_cast<int>(i));
            break;
        }
    }
    return box;
}

bool idAt(const std::vector<_type_t>& entries, const QComboBox* box, int& id)
{
    const int i = box->currentIndex();
    if (i < 0 || i >= static_cast<int>(entries.size()))
        return false;
    id = entries[i].id;
    return true;
}

}  // namespace

MoveSubject::MoveSubject(QWidget* parent) : QDialogBase(parent)
{
    setWindowTitle(QStringLiteral("移动到..."));
    const AppContext* ctx = AppContext::instance();
    for (const auto& [id, t] : ctx->types) {
        (void)id;
        if (t.group == 1)
            grades.push_back(t);
        else if (t.group == 2)
            terms.push_back(t);
        else if (t.group == 3 && t.state == 1)
            subjects.push_back(t);
    }
    auto byOrder = [](const _type_t& a, const _type_t& b) { return a.order < b.order; };
    std::stable_sort(grades.begin(), grades.end(), byOrder);
    std::stable_sort(terms.begin(), terms.end(), byOrder);
    std::stable_sort(subjects.begin(), subjects.end(), byOrder);

    boxGrade = fillBox(grades, ctx->grade.id, this);
    boxTerm = fillBox(terms, ctx->term.id, this);
    boxSubject = fillBox(subjects, ctx->subject.id, this);

    auto* form = new QFormLayout;
    form->setContentsMargins(5, 0, 5, 0);
    form->addRow(QStringLiteral("年级"), boxGrade);
    form->addRow(QStringLiteral("学期"), boxTerm);
    form->addRow(QStringLiteral("科目"), boxSubject);

    buttonBox = new QDialogButtonBox(this);
    buttonBox->setContentsMargins(10, 10, 10, 10);
    buttonBox->addButton(QStringLiteral("移动"), QDialogButtonBox::AcceptRole);
    buttonBox->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(buttonBox, &QDialogButtonBox::accepted, this, &MoveSubject::btn_OK_clicked);
    connect(buttonBox, &QDialogButtonBox::rejected, this, &MoveSubject::reject);

    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(10);
    layout->addLayout(form);
    layout->addWidget(buttonBox);
    addLayout(layout);
}

MoveSubject::~MoveSubject() = default;

void MoveSubject::getTarget(int& grade, int& term, int& subject) const
{
    int g = 0, t = 0, s = 0;
    if (!idAt(grades, boxGrade, g) || !idAt(terms, boxTerm, t) || !idAt(subjects, boxSubject, s))
        return;
    grade = g;
    term = t;
    subject = s;
}

void MoveSubject::btn_OK_clicked()
{
    int g = 0, t = 0, s = 0;
    if (!idAt(grades, boxGrade, g) || !idAt(terms, boxTerm, t) || !idAt(subjects, boxSubject, s))
        return;
    const AppContext* ctx = AppContext::instance();
    if (g == ctx->grade.id && t == ctx->term.id && s == ctx->subject.id) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), QStringLiteral("不能移动到当前年级、学期和科目"));
        return;
    }
    accept();
}
