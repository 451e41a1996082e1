#include <gtest/gtest.h>

#include <limits>

#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QLineEdit>

#include "library/MoveSubject.h"
#include "library/QuestionFixture.h"
#include "library/SearchWidget.h"
#include "ui/ModalRecorder.h"
#include "ui/QMessageBoxBase.h"

namespace {

class SearchAndMove : public ::testing::Test {
protected:
    void SetUp() override { fixture::openDatabase(); }
    ModalRecorder boxes;
};

TEST_F(SearchAndMove, SearchDialogChecks)
{
    const QDate today = QDate::currentDate();
    struct Case {
        const char* from;
        const char* to;
        int startDays;        // start date = today + startDays, end date = today
        const char* message;  // nullptr: accepted
        int numberFrom;
        int numberTo;
    };
    const Case cases[] = {
        {"5", "", -365, "结束编号不能为空", 0, 0},
        {"0", "4", -365, "开始编号不正确", 0, 0},
        {"9", "3", -365, "开始编号不能大于结束编号", 0, 0},
        {"", "", 1, "起始日期不能大于结束日期", 0, 0},
        {"3", "3", -365, nullptr, 3, 3},
        {"", "8", -365, nullptr, 0, 0},  // an end without a start gives no range
        {" 2 ", "12", 0, nullptr, 2, 12},
        {"12", "99999999999", -365, nullptr, 12, std::numeric_limits<int>::max()},  // too long for an int
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message ? c.message : "accepted");
        boxes.clear();
        SearchWidget dialog;
        dialog.startNumberEdit()->setText(QString::fromUtf8(c.from));
        dialog.endNumberEdit()->setText(QString::fromUtf8(c.to));
        dialog.startDateEdit()->setDate(today.addDays(c.startDays));
        dialog.endDateEdit()->setDate(today);
        dialog.btn_OK_clicked();
        int from = -1, to = -1, cls = -1, cause = -1, qtype = -1;
        std::string point = "x", source = "x", remark = "x", dateFrom, dateTo;
        dialog.getCondition(from, to, cls, point, cause, qtype, source, remark, dateFrom, dateTo);
        if (c.message) {
            ASSERT_EQ(boxes.count(), 1);
            EXPECT_EQ(boxes.last().title, QStringLiteral("提示"));
            EXPECT_EQ(boxes.last().text, QString::fromUtf8(c.message));
            EXPECT_EQ(dialog.result(), 0);
            EXPECT_EQ(from, 0);
            EXPECT_EQ(dateFrom, "");
        } else {
            EXPECT_EQ(boxes.count(), 0);
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
            EXPECT_EQ(from, c.numberFrom);
            EXPECT_EQ(to, c.numberTo);
            EXPECT_EQ(dateFrom, today.addDays(c.startDays).toString(QStringLiteral("yyyy-MM-dd")).toStdString());
            EXPECT_EQ(dateTo, today.toString(QStringLiteral("yyyy-MM-dd")).toStdString());
        }
    }
}

TEST_F(SearchAndMove, SearchDialogDefaultsAndChoices)
{
    const AppContext* ctx = AppContext::instance();
    SearchWidget dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("精确查询"));
    EXPECT_EQ(dialog.startDateEdit()->date(), QDate::currentDate().addYears(-1));
    EXPECT_EQ(dialog.endDateEdit()->date(), QDate::currentDate());
    EXPECT_EQ(dialog.classificationBox()->count(), static_cast<int>(ctx->classifications.size()) + 1);
    EXPECT_EQ(dialog.classificationBox()->itemText(0), QStringLiteral("全部"));

    // Typing a start number copies it to the end; the validator refuses a leading 0.
    dialog.startNumberEdit()->setText(QStringLiteral("42"));
    EXPECT_EQ(dialog.endNumberEdit()->text(), QStringLiteral("42"));
    int pos = 0;
    QString zero = QStringLiteral("07");
    EXPECT_EQ(dialog.startNumberEdit()->validator()->validate(zero, pos), QValidator::Invalid);

    // Boxes give the ids of the shown entries; blanks-only texts count as empty.
    ASSERT_GE(ctx->causes.size(), 2u);
    dialog.causeBox()->setCurrentIndex(2);
    dialog.pointEdit()->setText(QStringLiteral("   "));
    dialog.sourceEdit()->setText(QStringLiteral("  期中   考试 "));
    dialog.btn_OK_clicked();
    int from, to, cls, cause, qtype;
    std::string point, source, remark, dateFrom, dateTo;
    dialog.getCondition(from, to, cls, point, cause, qtype, source, remark, dateFrom, dateTo);
    EXPECT_EQ(from, 42);
    EXPECT_EQ(to, 42);
    EXPECT_EQ(cls, 0);
    EXPECT_EQ(cause, ctx->causes[1].id);
    EXPECT_EQ(qtype, 0);
    EXPECT_EQ(point, "");
    EXPECT_EQ(source, "期中 考试");
    EXPECT_EQ(remark, "");
}

TEST_F(SearchAndMove, MoveDialog)
{
    AppContext* ctx = AppContext::instance();
    ASSERT_GE(ctx->subjects.size(), 2u);

    // A hidden subject is not offered; every grade and term is.
    std::string err;
    _type_t hidden = ctx->subjects.back();
    hidden.state = 0;
    ASSERT_EQ(fixture::db()->updateType(hidden, err), 0) << err;
    std::map<int, _type_t> types;
    ASSERT_EQ(fixture::db()->getTypes(ctx->user.id, types, err), 0) << err;
    ctx->setBaseData(types);
    int grades = 0, terms = 0;
    for (const auto& [id, t] : types) {
        (void)id;
        grades += t.group == 1;
        terms += t.group == 2;
    }

    MoveSubject dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("移动到..."));
    EXPECT_EQ(dialog.gradeBox()->count(), grades);
    EXPECT_EQ(dialog.termBox()->count(), terms);
    EXPECT_EQ(dialog.subjectBox()->count(), static_cast<int>(ctx->subjects.size()));
    EXPECT_EQ(dialog.subjectBox()->findText(QString::fromUtf8(hidden.name.c_str())), -1);
    EXPECT_EQ(dialog.gradeBox()->currentText(), QString::fromUtf8(ctx->grade.name.c_str()));
    EXPECT_EQ(dialog.termBox()->currentText(), QString::fromUtf8(ctx->term.name.c_str()));
    EXPECT_EQ(dialog.subjectBox()->currentText(), QString::fromUtf8(ctx->subject.name.c_str()));

    dialog.btn_OK_clicked();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().text, QStringLiteral("不能移动到当前年级、学期和科目"));
    EXPECT_EQ(dialog.result(), 0);

    // Another subject only: accepted, the target keeps grade and term.
    const int other = dialog.subjectBox()->currentIndex() == 0 ? 1 : 0;
    dialog.subjectBox()->setCurrentIndex(other);
    dialog.btn_OK_clicked();
    EXPECT_EQ(boxes.count(), 1);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    int g = 0, t = 0, s = 0;
    dialog.getTarget(g, t, s);
    EXPECT_EQ(g, ctx->grade.id);
    EXPECT_EQ(t, ctx->term.id);
    EXPECT_EQ(s, ctx->subjects[other].id);

    hidden.state = 1;
    ASSERT_EQ(fixture::db()->updateType(hidden, err), 0) << err;
}

}  // namespace
