// The mastery row of the viewer's form: the state machine behind 已掌握 and
// 又做错了, seen through the form's record and the row's text and buttons.

#include <QComboBox>
#include <QFile>
#include <QPixmap>
#include <QToolButton>

#include <memory>

#include "capture/question/QTopicInfo.h"
#include "capture/question/StateChangeWidget.h"
#include "question/FormFixture.h"

namespace {

struct MasteryCase {
    int state, times;
    const char* clicks;  // M 已掌握, A 又做错了 (each must be shown); a: 又做错了's slot, shown or not
    const char* text;
    bool masteredShown, mistakeAgainShown;
    int stateOut, timesOut;
};

void PrintTo(const MasteryCase& c, std::ostream* os)
{
    *os << "state " << c.state << " times " << c.times << " clicks '" << c.clicks << "'";
}

class Mastery : public FormTest, public ::testing::WithParamInterface<MasteryCase> {};

TEST_P(Mastery, ButtonsMoveStateAndTimes)
{
    const MasteryCase& c = GetParam();
    _detail_t in = record();
    in.state = c.state;
    in.times = c.times;
    QTopicInfo form(nullptr, QTopicInfo::ViewerMode, &in);
    StateChangeWidget* row = form.stateWidget();
    for (const char* k = c.clicks; *k; ++k) {
        if (*k == 'a') {
            form.btn_mistakeAgain_clicked();
            continue;
        }
        const int which = *k == 'M' ? 0 : 1;
        ASSERT_TRUE(row->buttonShown(which)) << "click " << (k - c.clicks) << " on a hidden button";
        (which == 0 ? row->masteredButton() : row->mistakeAgainButton())->click();
    }
    EXPECT_EQ(row->text(), QString::fromUtf8(c.text));
    EXPECT_EQ(row->buttonShown(0), c.masteredShown);
    EXPECT_EQ(row->buttonShown(1), c.mistakeAgainShown);
    _detail_t out;
    form.getData(out);
    EXPECT_EQ(out.state, c.stateOut);
    EXPECT_EQ(out.times, c.timesOut);
    EXPECT_EQ(form.isModified(in), c.stateOut != c.state || c.timesOut != c.times);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Mastery,
    ::testing::Values(
        MasteryCase{0, 1, "", "初次出错", true, true, 0, 1}, MasteryCase{0, 1, "A", "重复出错", true, true, 0, 2},
        MasteryCase{0, 1, "AA", "多次出错", true, false, 0, 3},
        MasteryCase{0, 3, "a", "多次出错", true, false, 0, 3},  // 3 does not take 又做错了
        MasteryCase{0, 1, "M", "已掌握", false, true, 1, 1}, MasteryCase{0, 2, "M", "已掌握", false, true, 1, 2},
        MasteryCase{0, 3, "M", "已掌握", false, true, 1, 3}, MasteryCase{1, 1, "A", "重复出错", true, true, 0, 2},
        MasteryCase{1, 2, "A", "多次出错", true, false, 0, 3},
        MasteryCase{1, 3, "", "已掌握", false, true, 1, 3},     // mastered after many mistakes
        MasteryCase{1, 3, "A", "多次出错", true, false, 0, 3},  // times stays 3
        MasteryCase{1, 3, "AM", "已掌握", false, true, 1, 3}, MasteryCase{0, 1, "AAMA", "多次出错", true, false, 0, 3},
        MasteryCase{1, 0, "A", "已掌握", true, true, 1, 0},  // no count to go back to
        MasteryCase{0, 0, "a", "", true, true, 0, 0},        // no state: untouched
        MasteryCase{2, 1, "", "", true, true, 2, 1}));

TEST_F(FormTest, RecordWithoutStateLeavesThePreviousRowShown)
{
    _detail_t twice = record();
    twice.times = 2;
    QTopicInfo form(nullptr, QTopicInfo::ViewerMode, &twice);
    _detail_t odd = record();
    odd.times = 0;
    form.setData(odd);
    EXPECT_EQ(form.stateWidget()->text(), QStringLiteral("重复出错"));
    EXPECT_TRUE(form.stateWidget()->buttonShown(0));
    EXPECT_TRUE(form.stateWidget()->buttonShown(1));
    // The record is the new one all the same.
    _detail_t out;
    form.getData(out);
    EXPECT_EQ(out.times, 0);
}

TEST_F(FormTest, StateButtonsAreTwentyPixelSquaresFromTheStyleSheet)
{
    QFile qss(QStringLiteral(":/Lorvane/Resources/ui/lorvane.qss"));
    ASSERT_TRUE(qss.open(QFile::ReadOnly));
    StateChangeWidget row(nullptr);
    row.setStyleSheet(QString::fromUtf8(qss.readAll()));
    row.show();
    for (QToolButton* b : {row.masteredButton(), row.mistakeAgainButton()}) {
        EXPECT_EQ(b->size(), QSize(20, 20)) << b->objectName().toStdString();
        EXPECT_TRUE(b->text().isEmpty());
    }
    EXPECT_EQ(row.masteredButton()->toolTip(), QStringLiteral("已掌握"));
    EXPECT_EQ(row.mistakeAgainButton()->toolTip(), QStringLiteral("又做错了"));
    EXPECT_FALSE(QPixmap(QStringLiteral(":/Lorvane/Resources/state_0.png")).isNull());
    EXPECT_FALSE(QPixmap(QStringLiteral(":/Lorvane/Resources/state_1.png")).isNull());
}

TEST_F(FormTest, WizardFormHasNoMasteryRow)
{
    QTopicInfo form(nullptr, QTopicInfo::WizardMode);
    form.show();
    EXPECT_FALSE(form.stateWidget()->isVisible());
    EXPECT_TRUE(form.subjectBox()->isVisible());
    _detail_t in = record();
    form.setData(in);
    EXPECT_EQ(form.masteryState(), state_names::kNull);
    _detail_t out;
    form.getData(out);
    EXPECT_EQ(out.state, 0);
    EXPECT_EQ(out.times, 1);
}

}  // namespace
