// The phrase-preset dialog against the real phrase store.

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTextCodec>

#include <memory>

#include "app/QPhraseBookSet.h"
#include "core/IObserver.h"
#include "core/PhraseBook.h"
#include "settings/SettingsFixture.h"
#include "ui/ModalRecorder.h"
#include "ui/QMessageBoxBase.h"

namespace {

// Does what the main window does when told: the chosen subject becomes current.
class SubjectFollower : public IObserver {
public:
    void notify(int index) override
    {
        indexes.push_back(index);
        AppContext::instance()->subject = AppContext::instance()->subjects.at(static_cast<size_t>(index));
    }
    std::vector<int> indexes;
};

class PhraseDialog : public DataFolderTest {
protected:
    void open()
    {
        dialog = std::make_unique<QPhraseBookSet>(nullptr);
        dialog->addObserver(&follower);
    }
    QListWidget* types() { return dialog->findChild<QListWidget*>("list_type"); }
    QListWidget* phrases() { return dialog->findChild<QListWidget*>("list_phrase"); }
    QComboBox* subjects() { return dialog->findChild<QComboBox*>("box_subject"); }
    QLineEdit* edit() { return dialog->findChild<QLineEdit*>("edit_phrase"); }
    void click(const char* button) { dialog->findChild<QPushButton*>(button)->click(); }
    void chooseType(int row)
    {
        types()->setCurrentRow(row);
        emit types()->itemClicked(types()->item(row));
    }
    QStringList shown()
    {
        QStringList list;
        for (int row = 0; row < phrases()->count(); ++row)
            list << phrases()->item(row)->text();
        return list;
    }
    void type(const QString& text)
    {
        edit()->setText(text);
        click("btn_add");
    }

    SubjectFollower follower;
    std::unique_ptr<QPhraseBookSet> dialog;
};

TEST_F(PhraseDialog, AddedPhrasesAreSimplifiedAndCountedOnce)
{
    open();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("短语预设"));
    EXPECT_EQ(types()->currentRow(), 0);
    type(QStringLiteral("  二次函数   的  顶点 "));
    type(QStringLiteral("   "));
    type(QStringLiteral("勾股定理"));
    type(QStringLiteral("勾股定理"));
    EXPECT_EQ(shown(), (QStringList{QStringLiteral("勾股定理"), QStringLiteral("二次函数 的 顶点")}));
    EXPECT_TRUE(edit()->text().isEmpty());
    EXPECT_EQ(edit()->maxLength(), 20);
}

TEST_F(PhraseDialog, ReturnAddsTheTypedPhrase)
{
    open();
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    edit()->setFocus();
    edit()->setText(QStringLiteral("相似三角形"));
    QTest::keyClick(edit(), Qt::Key_Return);
    EXPECT_EQ(shown(), QStringList{QStringLiteral("相似三角形")});
}

TEST_F(PhraseDialog, SubjectBoxMovesTheCurrentSubjectAndShowsItsTestPoints)
{
    AppContext* context = AppContext::instance();
    ASSERT_GE(context->subjects.size(), 2u);
    open();
    EXPECT_EQ(subjects()->count(), static_cast<int>(context->subjects.size()));
    EXPECT_EQ(subjects()->currentIndex(), 0);
    type(QStringLiteral("数学考点"));

    subjects()->setCurrentIndex(1);
    EXPECT_EQ(follower.indexes, std::vector<int>{1});
    EXPECT_EQ(context->subject.id, context->subjects[1].id);
    EXPECT_EQ(Singleton<PhraseBook_db>::instance()->subject(), context->subjects[1].id);
    EXPECT_TRUE(shown().isEmpty());
    type(QStringLiteral("物理考点"));

    subjects()->setCurrentIndex(0);
    EXPECT_EQ(shown(), QStringList{QStringLiteral("数学考点")});

    // Sources and remarks are per user: no subject row.
    chooseType(1);
    EXPECT_TRUE(subjects()->isHidden());
    EXPECT_TRUE(shown().isEmpty());
    chooseType(0);
    EXPECT_FALSE(subjects()->isHidden());
}

TEST_F(PhraseDialog, BatchImportTakesGoodLinesAndReportsLongOnesInAnyEncoding)
{
    const QString twentyOne = QStringLiteral("一二三四五六七八九十一二三四五六七八九十超");
    const QString text = QStringLiteral("\n期中考试卷\n") + twentyOne + QStringLiteral("\n  课后  练习 \n");
    QTextCodec* gbk = QTextCodec::codecForName("GBK");
    ASSERT_NE(gbk, nullptr);
    const struct {
        const char* label;
        QByteArray bytes;
    } files[] = {
        {"UTF-8", text.toUtf8()},
        {"UTF-8 with BOM and CRLF", QByteArray("\xEF\xBB\xBF") + QString(text).replace("\n", "\r\n").toUtf8()},
        {"GBK", gbk->fromUnicode(text)},
    };
    ModalRecorder boxes(1);
    open();
    chooseType(1);
    int n = 0;
    for (const auto& file : files) {
        SCOPED_TRACE(file.label);
        const QString chosenFile = QStringLiteral("%1/list%2.txt").arg(testenv::appDataRoot()).arg(n++);
        boxes.setPaths({chosenFile});
        QFile out(chosenFile);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(file.bytes);
        out.close();

        boxes.clear();
        click("btn_batchIncrease");
        QStringList list = shown();
        list.sort();
        EXPECT_EQ(list, (QStringList{QStringLiteral("期中考试卷"), QStringLiteral("课后 练习")}));
        ASSERT_EQ(boxes.count(), 2);
        EXPECT_EQ(boxes.boxes()[0].text, QStringLiteral("请选择文本文件(txt)，每个考点占一行，且不超过20个字符"));
        const auto chooser = boxes.ofKind(modal::Kind::OpenFile);
        ASSERT_EQ(chooser.size(), 1u);
        EXPECT_EQ(chooser[0].title, QStringLiteral("选择文件"));
        EXPECT_EQ(chooser[0].filter, QStringLiteral("plain Files (*.txt)"));
        EXPECT_EQ(boxes.last().title, QStringLiteral("提示"));
        EXPECT_EQ(boxes.last().text,
                  QStringLiteral("以下短语没有导入，原因：长度超过20个字符\r\n") + twentyOne + QStringLiteral("\r\n"));

        Singleton<PhraseBook_db>::instance()->removeAll(1);
        dialog->loadPhrases(1);
    }

    // No file chosen, or one that cannot be opened: nothing more happens.
    for (const QString& path : {QString(), testenv::appDataRoot() + "/missing.txt"}) {
        boxes.setPaths(path.isEmpty() ? QStringList() : QStringList{path});
        boxes.clear();
        click("btn_batchIncrease");
        EXPECT_EQ(boxes.count(), 1);
        EXPECT_TRUE(shown().isEmpty());
    }
}

TEST_F(PhraseDialog, DeleteAndClearAskFirst)
{
    ModalRecorder boxes(0);
    open();
    chooseType(2);
    click("btn_delete_all");  // empty list: nothing asked
    EXPECT_EQ(boxes.count(), 0);

    type(QStringLiteral("粗心"));
    type(QStringLiteral("要复习"));
    click("btn_delete");  // nothing selected
    EXPECT_EQ(boxes.count(), 0);

    phrases()->setCurrentRow(shown().indexOf(QStringLiteral("粗心")));
    click("btn_delete");
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, QStringLiteral("删除"));
    EXPECT_EQ(boxes.last().text, QStringLiteral("是否要删除该短语?"));
    EXPECT_EQ(shown().size(), 2);
    boxes.setAnswer(1);
    phrases()->setCurrentRow(shown().indexOf(QStringLiteral("粗心")));
    click("btn_delete");
    EXPECT_EQ(shown(), QStringList{QStringLiteral("要复习")});

    click("btn_delete_all");
    EXPECT_EQ(boxes.last().title, QStringLiteral("清空"));
    EXPECT_EQ(boxes.last().text, QStringLiteral("是否要清空所有短语?"));
    EXPECT_TRUE(shown().isEmpty());
}

}  // namespace
