// The metadata form: what it shows and hands back in both modes, the phrase
// menus and completion against the real phrase store, and the subject box
// telling the observers.

#include <QAbstractItemModel>
#include <QAction>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QTest>

#include <functional>
#include <memory>

#include "capture/question/QTopicInfo.h"
#include "core/IObserver.h"
#include "question/FormFixture.h"
#include "question/Typing.h"

namespace {

// The user picks an entry of a base-data box (what activated(int) reports).
void choose(QComboBox* box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}

struct FormCase {
    const char* name;
    int mode;
    std::function<void(_detail_t&)> recordIn;     // changes to record()
    std::function<void(QTopicInfo&)> actions;     // what the user does
    std::function<void(_detail_t&)> expectedOut;  // changes to the record in
    bool modified;
};

void PrintTo(const FormCase& c, std::ostream* os)
{
    *os << c.name;
}

class Form : public FormTest, public ::testing::WithParamInterface<FormCase> {};

TEST_P(Form, HandsBackTheRecordAsEdited)
{
    const FormCase& c = GetParam();
    _detail_t in = record();
    if (c.recordIn)
        c.recordIn(in);
    QTopicInfo form(nullptr, c.mode, &in);
    if (c.actions)
        c.actions(form);
    _detail_t expected = in;
    c.expectedOut(expected);

    _detail_t out;
    form.getData(out);
    EXPECT_EQ(out.id, expected.id);
    EXPECT_EQ(out.number, expected.number);
    EXPECT_EQ(out.subject, expected.subject);
    EXPECT_EQ(out.state, expected.state);
    EXPECT_EQ(out.times, expected.times);
    EXPECT_EQ(out.classification, expected.classification);
    EXPECT_EQ(out.cause, expected.cause);
    EXPECT_EQ(out.questiontype, expected.questiontype);
    EXPECT_EQ(out.score, expected.score);
    EXPECT_EQ(out.point, expected.point);
    EXPECT_EQ(out.source, expected.source);
    EXPECT_EQ(out.remark, expected.remark);
    EXPECT_EQ(out.detail_path, expected.detail_path);
    EXPECT_EQ(out.create_date, expected.create_date);
    EXPECT_EQ(form.isModified(in), c.modified);
}

const AppContext& c()
{
    return *AppContext::instance();
}

INSTANTIATE_TEST_SUITE_P(
    Table, Form,
    ::testing::Values(FormCase{"viewer shows the record as stored", QTopicInfo::ViewerMode, nullptr, nullptr,
                               [](_detail_t&) {}, false},
                      FormCase{"viewer keeps an id missing from its list", QTopicInfo::ViewerMode,
                               [](_detail_t& d) { d.classification = 987654; },
                               [](QTopicInfo& f) { EXPECT_EQ(f.classificationBox()->currentIndex(), -1); },
                               [](_detail_t&) {}, false},
                      FormCase{"viewer edits every field", QTopicInfo::ViewerMode, nullptr,
                               [](QTopicInfo& f) {
                                   choose(f.causeBox(), 0);
                                   choose(f.classificationBox(), 0);
                                   choose(f.questiontypeBox(), 0);
                                   f.scoreBox()->setValue(99);
                                   f.pointLine()->setText(QStringLiteral("it's"));
                                   f.sourceLine()->setText(QStringLiteral("C:\\试卷\\\"期末\""));
                                   f.remarkLine()->setText(QStringLiteral("再看一遍 😀"));
                               },
                               [](_detail_t& d) {
                                   d.cause = c().causes[0].id;
                                   d.classification = c().classifications[0].id;
                                   d.questiontype = c().questiontypes[0].id;
                                   d.score = 99;
                                   d.point = "it's";
                                   d.source = "C:\\试卷\\\"期末\"";
                                   d.remark = "再看一遍 😀";
                               },
                               true},
                      FormCase{"viewer counts a mastery change", QTopicInfo::ViewerMode, nullptr,
                               [](QTopicInfo& f) { f.btn_mastered_clicked(); }, [](_detail_t& d) { d.state = 1; },
                               true},
                      FormCase{"wizard resets category, cause and test point", QTopicInfo::WizardMode, nullptr, nullptr,
                               [](_detail_t& d) {
                                   d.subject = c().subject.id;
                                   d.classification = c().classifications[0].id;
                                   d.cause = c().causes[0].id;
                                   d.questiontype = c().questiontypes[0].id;
                                   d.score = 0;
                                   d.point.clear();
                                   d.source.clear();
                                   d.remark.clear();
                               },
                               true},
                      FormCase{"wizard takes the chosen subject", QTopicInfo::WizardMode, nullptr,
                               [](QTopicInfo& f) {
                                   choose(f.subjectBox(), 1);
                                   f.pointLine()->setText(QStringLiteral("it's"));
                               },
                               [](_detail_t& d) {
                                   d.subject = c().subjects[1].id;
                                   d.classification = c().classifications[0].id;
                                   d.cause = c().causes[0].id;
                                   d.questiontype = c().questiontypes[0].id;
                                   d.score = 0;
                                   d.point = "it's";
                                   d.source.clear();
                                   d.remark.clear();
                               },
                               true}));

TEST_F(FormTest, ViewerIgnoresNumberAndDates)
{
    _detail_t in = record();
    QTopicInfo form(nullptr, QTopicInfo::ViewerMode, &in);
    _detail_t stored = in;
    stored.number = 99;
    stored.create_date = "2020-01-01";
    stored.modify_date = "2020-01-02";
    stored.id = 1234;
    EXPECT_FALSE(form.isModified(stored));
    stored.point += " ";
    EXPECT_TRUE(form.isModified(stored));
}

TEST_F(FormTest, WizardCarriesFieldsToTheNextQuestion)
{
    QTopicInfo form(nullptr, QTopicInfo::WizardMode);
    _detail_t first = record();
    form.setData(first);
    choose(form.subjectBox(), 1);
    choose(form.questiontypeBox(), 1);
    choose(form.causeBox(), 1);
    choose(form.classificationBox(), 1);
    form.scoreBox()->setValue(5);
    form.pointLine()->setText(QStringLiteral("点"));
    form.sourceLine()->setText(QStringLiteral("源"));
    form.remarkLine()->setText(QStringLiteral("注"));

    _detail_t second = record();
    second.detail_path = "next";
    form.setData(second);
    _detail_t out;
    form.getData(out);
    EXPECT_EQ(out.subject, c().subjects[1].id);
    EXPECT_EQ(out.questiontype, c().questiontypes[1].id);
    EXPECT_EQ(out.score, 5);
    EXPECT_EQ(out.source, "源");
    EXPECT_EQ(out.remark, "注");
    EXPECT_EQ(out.cause, c().causes[0].id);
    EXPECT_EQ(out.classification, c().classifications[0].id);
    EXPECT_EQ(out.point, "");
    EXPECT_EQ(out.detail_path, "next");
}

TEST_F(FormTest, LinesRefuseTextBeyondTheirLength)
{
    QTopicInfo form(nullptr, QTopicInfo::WizardMode);
    const QString longText(120, QChar(0x9898));
    const struct {
        QLineEdit* line;
        int max;
    } lines[] = {{form.pointLine(), 20}, {form.sourceLine(), 100}, {form.remarkLine(), 100}};
    for (const auto& l : lines) {
        QTest::keyClicks(l.line, QStringLiteral("x").repeated(l.max + 5));
        EXPECT_EQ(l.line->text().size(), l.max);
        l.line->setText(longText);
        EXPECT_EQ(l.line->text().size(), l.max);
    }
}

// ------------------------------------------------------------------ phrases

class Phrases : public FormTest {
protected:
    void TearDown() override { QTopicInfo::setMenuRunner(nullptr); }

    // Runs the phrase menu of a line, answering it with the entry `pick`
    // (-1: none); returns the texts it offered.
    QStringList runMenu(QAction* action, int pick, int* runs = nullptr)
    {
        QStringList offered;
        QTopicInfo::setMenuRunner([&](QMenu& menu) -> QAction* {
            if (runs)
                ++*runs;
            for (QAction* a : menu.actions())
                offered << a->text();
            return pick >= 0 ? menu.actions().value(pick) : nullptr;
        });
        action->trigger();
        return offered;
    }

    static QStringList completions(QLineEdit* line)
    {
        QStringList list;
        QAbstractItemModel* model = line->completer()->model();
        for (int row = 0; model && row < model->rowCount(); ++row)
            list << model->index(row, 0).data().toString();
        return list;
    }
};

TEST_F(Phrases, MenuOffersTwentyMostUsedFirstAndReplacesTheLine)
{
    PhraseBook_db* store = PhraseBook_db::instance();
    for (int i = 0; i < 25; ++i) {
        for (int n = 0; n <= i; ++n)
            store->add(QTopicInfo::SourcePhrase, "来源" + std::to_string(i));
    }
    store->add(QTopicInfo::PointPhrase, "不是来源");
    QTopicInfo form(nullptr, QTopicInfo::WizardMode);
    form.sourceLine()->setText(QStringLiteral("旧的文字"));
    const QStringList offered = runMenu(form.sourceAction(), 2);
    ASSERT_EQ(offered.size(), QTopicInfo::kMenuLimit);
    EXPECT_EQ(offered.first(), QStringLiteral("来源24"));
    EXPECT_EQ(offered.last(), QStringLiteral("来源5"));
    EXPECT_EQ(form.sourceLine()->text(), QStringLiteral("来源22"));

    runMenu(form.sourceAction(), -1);  // dismissed
    EXPECT_EQ(form.sourceLine()->text(), QStringLiteral("来源22"));
}

TEST_F(Phrases, EmptyStoreShowsNoMenu)
{
    QTopicInfo form(nullptr, QTopicInfo::WizardMode);
    int runs = 0;
    for (QAction* action : {form.pointAction(), form.sourceAction(), form.remarkAction()})
        runMenu(action, 0, &runs);
    EXPECT_EQ(runs, 0);
}

TEST_F(Phrases, EachLineOffersItsOwnType)
{
    PhraseBook_db* store = PhraseBook_db::instance();
    store->add(QTopicInfo::PointPhrase, "点");
    store->add(QTopicInfo::SourcePhrase, "源");
    store->add(QTopicInfo::RemarkPhrase, "注");
    QTopicInfo form(nullptr, QTopicInfo::WizardMode);
    EXPECT_EQ(runMenu(form.pointAction(), 0), QStringList{QStringLiteral("点")});
    EXPECT_EQ(runMenu(form.sourceAction(), 0), QStringList{QStringLiteral("源")});
    EXPECT_EQ(runMenu(form.remarkAction(), 0), QStringList{QStringLiteral("注")});
    EXPECT_EQ(form.pointLine()->text(), QStringLiteral("点"));
    EXPECT_EQ(form.remarkLine()->text(), QStringLiteral("注"));
}

TEST_F(Phrases, TypingOffersStoredPhrasesContainingTheText)
{
    PhraseBook_db* store = PhraseBook_db::instance();
    store->add(QTopicInfo::RemarkPhrase, "xabcx");
    store->add(QTopicInfo::RemarkPhrase, "ABC again");
    store->add(QTopicInfo::RemarkPhrase, "ABC again");
    store->add(QTopicInfo::RemarkPhrase, "other");
    store->add(QTopicInfo::RemarkPhrase, "it's");
    store->add(QTopicInfo::RemarkPhrase, "路径\\含\"引号\" 😀");
    store->add(QTopicInfo::PointPhrase, "abc point");
    QTopicInfo form(nullptr, QTopicInfo::WizardMode);
    QLineEdit* line = form.remarkLine();

    typeText(line, QStringLiteral("abc"));
    EXPECT_EQ(completions(line), (QStringList{QStringLiteral("ABC again"), QStringLiteral("xabcx")}));
    EXPECT_EQ(line->completer()->completionMode(), QCompleter::UnfilteredPopupCompletion);
    EXPECT_EQ(line->completer()->caseSensitivity(), Qt::CaseInsensitive);

    line->setText(QStringLiteral("   "));  // only spaces: the list stays
    EXPECT_EQ(completions(line), (QStringList{QStringLiteral("ABC again"), QStringLiteral("xabcx")}));

    line->setText(QStringLiteral("it's"));
    EXPECT_EQ(completions(line), QStringList{QStringLiteral("it's")});
    line->setText(QStringLiteral("\\含\""));
    EXPECT_EQ(completions(line), QStringList{QStringLiteral("路径\\含\"引号\" 😀")});
}

// ---------------------------------------------------------------- observers

class Recorder : public IObserver {
public:
    explicit Recorder(std::vector<std::string>& log, std::string name) : log_(log), name_(std::move(name)) {}
    void notify(int index) override { log_.push_back(name_ + std::to_string(index)); }

private:
    std::vector<std::string>& log_;
    std::string name_;
};

TEST_F(FormTest, ChosenSubjectTellsEveryObserverInOrder)
{
    std::vector<std::string> log;
    Recorder mainWindow(log, "main:");
    Recorder other(log, "other:");
    QTopicInfo::setMainObserver(&mainWindow);
    QTopicInfo form(nullptr, QTopicInfo::WizardMode);
    QTopicInfo::setMainObserver(nullptr);
    form.addObserver(&other);

    EXPECT_EQ(form.subjectBox()->count(), static_cast<int>(ctx()->subjects.size()));
    EXPECT_EQ(form.subjectBox()->currentIndex(), 0);
    form.setData(record());  // not a choice of the user
    EXPECT_TRUE(log.empty());

    choose(form.subjectBox(), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"main:1", "other:1"}));

    QTopicInfo later(nullptr, QTopicInfo::WizardMode);  // no main observer installed
    choose(later.subjectBox(), 0);
    EXPECT_EQ(log.size(), 2u);
}

}  // namespace
