#include <gtest/gtest.h>

#include <QFile>

#include <memory>

#include "DbTestUtil.h"
#include "core/PhraseBook.h"

using namespace dbtest;

namespace {

class Phrases : public ::testing::Test {
protected:
    void SetUp() override
    {
        path_ = freshPath("phrase.db");
        book_ = std::make_unique<PhraseBook_db>(path_);
        raw_ = std::make_unique<RawDb>(path_);
        book_->setContext(kUser, kGrade12, kTermFirst, kMath);
    }
    std::vector<std::string> list(int type)
    {
        std::vector<std::string> out;
        book_->getList(type, out);
        return out;
    }

    std::string path_;
    std::unique_ptr<PhraseBook_db> book_;
    std::unique_ptr<RawDb> raw_;
};

using Strings = std::vector<std::string>;

}  // namespace

TEST_F(Phrases, TableAsCreated)
{
    std::vector<std::string> columns;
    for (const auto& row : raw_->rows("PRAGMA table_info(phrase)"))
        columns.push_back(row[1] + " " + row[2] + " " + row[3] + " " + row[4] + " " + row[5]);
    EXPECT_EQ(columns, (Strings{"id INTEGER 0 <null> 1", "user_id INT 1 <null> 0", "grade INT 1 <null> 0",
                                "term INT 1 <null> 0", "subject INT 1 <null> 0", "type INT 1 <null> 0",
                                "name TEXT 1 <null> 0", "times INT 1 0 0", "create_date DATETIME 0 <null> 0"}));
    // Opening again leaves the table and its rows.
    book_->add(PhraseBook_db::Source, "课本");
    PhraseBook_db again(path_);
    again.setContext(kUser, 0, 0, 0);
    std::vector<std::string> out;
    again.getList(PhraseBook_db::Source, out);
    EXPECT_EQ(out, (Strings{"课本"}));
}

TEST_F(Phrases, TestPointsBelongToTheSubject)
{
    for (int i = 0; i < 3; ++i)
        book_->add(PhraseBook_db::Point, "函数");
    book_->setContext(0, 0, 0, kPhysics);
    EXPECT_EQ(book_->subject(), kPhysics);
    EXPECT_EQ(book_->grade(), kGrade12) << "a 0 leaves the value";
    book_->add(PhraseBook_db::Point, "函数");

    EXPECT_EQ(raw_->rows("SELECT subject, times, create_date = DATE() FROM phrase ORDER BY subject"),
              (std::vector<Strings>{{"15", "3", "1"}, {"16", "1", "1"}}));
    EXPECT_EQ(list(PhraseBook_db::Point), (Strings{"函数"}));
    book_->removeAll(PhraseBook_db::Point);
    EXPECT_TRUE(list(PhraseBook_db::Point).empty());
    book_->setContext(0, 0, 0, kMath);
    EXPECT_EQ(list(PhraseBook_db::Point), (Strings{"函数"}));
}

TEST_F(Phrases, SourcesAndRemarksBelongToTheUser)
{
    book_->setContext(0, 5, 0, 0);
    book_->add(PhraseBook_db::Source, "期末考试");
    book_->add(PhraseBook_db::Remark, "重点");
    EXPECT_EQ(raw_->rows("SELECT grade, term, subject, type FROM phrase ORDER BY type"),
              (std::vector<Strings>{{"0", "0", "0", "1"}, {"0", "0", "0", "2"}}));
    book_->setContext(0, kGrade11, kTermSecond, kChemistry);
    EXPECT_EQ(list(PhraseBook_db::Source), (Strings{"期末考试"}));
    EXPECT_EQ(list(PhraseBook_db::Remark), (Strings{"重点"}));
    book_->setContext(10001, 0, 0, 0);
    EXPECT_TRUE(list(PhraseBook_db::Source).empty());
}

TEST_F(Phrases, MostAddedFirstAndSearch)
{
    for (auto [name, n] : {std::pair{"twice", 2}, std::pair{"four times", 4}, std::pair{"once", 1}})
        for (int i = 0; i < n; ++i)
            book_->add(PhraseBook_db::Remark, name);
    book_->add(PhraseBook_db::Remark, "");
    EXPECT_EQ(raw_->scalarInt("SELECT COUNT(*) FROM phrase"), 3) << "an empty name changes nothing";

    std::vector<std::string> out = {"kept"};
    book_->getList(PhraseBook_db::Remark, out);
    EXPECT_EQ(out, (Strings{"kept", "four times", "twice", "once"}));

    struct Case {
        const char* text;
        Strings found;
    };
    const Case cases[] = {
        {"", {"four times", "twice", "once"}},
        {"TW", {"twice"}},
        {"e", {"four times", "twice", "once"}},
        {"_n", {"once"}},         // '_' stands for any one character
        {"f%s", {"four times"}},  // '%' for any run
        {"none", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<std::string> found;
        book_->search(PhraseBook_db::Remark, c.text, found);
        EXPECT_EQ(found, c.found);
    }

    book_->remove(PhraseBook_db::Remark, "twice");
    EXPECT_EQ(list(PhraseBook_db::Remark), (Strings{"four times", "once"}));
}

TEST(PhraseStore, UnopenableFileIsSilent)
{
    const std::string folder = freshPath("phrase-plainfile");
    {
        QFile f(QString::fromStdString(folder));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    PhraseBook_db book(folder + "/phrase.db");
    book.setContext(kUser, 1, 2, 3);
    book.add(PhraseBook_db::Point, "x");
    book.remove(PhraseBook_db::Point, "x");
    book.removeAll(PhraseBook_db::Point);
    std::vector<std::string> out = {"kept"};
    book.getList(PhraseBook_db::Point, out);
    book.search(PhraseBook_db::Point, "x", out);
    EXPECT_EQ(out, (Strings{"kept"}));
    std::string err;
    EXPECT_TRUE(book.createTable(err));
}

TEST(PhraseStore, SingletonUsesTheDatabaseFolder)
{
    testenv::prepareDataFolder();
    PhraseBook_db* book = Singleton<PhraseBook_db>::instance();
    book->setContext(kUser, 0, 0, 0);
    book->add(PhraseBook_db::Source, "练习册");
    RawDb raw("database/phrase.db");
    EXPECT_EQ(raw.scalarText("SELECT name FROM phrase"), "练习册");
}
