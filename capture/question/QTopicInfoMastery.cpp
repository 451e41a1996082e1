// The form's mastery machine: states 1 to 3 (not mastered, got wrong once,
// twice, three or more times) and 4 (mastered); triggers 5 (又做错了) and
// 6 (已掌握). It acts on the form's record only; the viewer stores it.

#include <QStringList>

#include "capture/question/QTopicInfo.h"
#include "capture/question/StateChangeWidget.h"

namespace {

constexpr int kOnce = 1;
constexpr int kTwice = 2;
constexpr int kOften = 3;
constexpr int kMastered = 4;
constexpr int kMistakeAgain = 5;
constexpr int kMasteredClick = 6;

constexpr int kMasteredButton = 0;
constexpr int kMistakeAgainButton = 1;

bool countedTimes(int times)
{
    return times >= 1 && times <= 3;
}

}  // namespace

void QTopicInfo::setupMastery()
{
    using state_names::kInit;
    for (int state = kOnce; state <= kMastered; ++state)
        mastery_.on(state, kInit) = [this, state](const std::vector<std::string>&) { showMastery(state); };

    // 已掌握 from any not-mastered state: mastered, times kept.
    for (int state = kOnce; state <= kOften; ++state) {
        mastery_.on(state, kMasteredClick) = [this](const std::vector<std::string>&) {
            mastery_.set(kMastered);
            detail_.state = 1;
        };
    }
    // 又做错了 while not mastered: one more wrong attempt.
    mastery_.on(kOnce, kMistakeAgain) = [this](const std::vector<std::string>&) {
        mastery_.set(kTwice);
        detail_.state = 0;
        detail_.times = (detail_.times + 1) % 4;
    };
    mastery_.on(kTwice, kMistakeAgain) = [this](const std::vector<std::string>&) {
        mastery_.set(kOften);
        detail_.state = 0;
        detail_.times = (detail_.times + 1) % 4;
    };
    // 又做错了 on a mastered question: back to not mastered, at most three.
    mastery_.on(kMastered, kMistakeAgain) = [this](const std::vector<std::string>&) {
        if (!countedTimes(detail_.times))
            return;
        const int times = detail_.times == 1 ? 2 : 3;
        mastery_.set(times);
        detail_.state = 0;
        detail_.times = times;
    };
}

// The 'init' of a state: what the mastery row shows.
void QTopicInfo::showMastery(int state)
{
    static const QStringList texts = {QStringLiteral("初次出错"), QStringLiteral("重复出错"),
                                      QStringLiteral("多次出错"), QStringLiteral("已掌握")};
    stateWidget_->setText(texts.at(state - 1));
    if (state == kMastered) {
        if (countedTimes(detail_.times)) {
            stateWidget_->setButtonVisible(kMasteredButton, false);
            stateWidget_->setButtonVisible(kMistakeAgainButton, true);
        }
        return;
    }
    stateWidget_->setButtonVisible(kMasteredButton, true);
    stateWidget_->setButtonVisible(kMistakeAgainButton, state != kOften);
}

// Sets the machine from a record just shown; a record whose state and times
// name no machine state leaves the row as it was.
void QTopicInfo::enterMastery(const _detail_t& detail)
{
    if (detail.state == 0 && countedTimes(detail.times))
        mastery_.set(detail.times);
    else if (detail.state == 1)
        mastery_.set(kMastered);
}

int QTopicInfo::masteryState() const
{
    return mastery_.get_state(-1).name;
}

void QTopicInfo::btn_mastered_clicked()
{
    mastery_.command(kMasteredClick);
}

void QTopicInfo::btn_mistakeAgain_clicked()
{
    mastery_.command(kMistakeAgain);
}
