#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <cstdlib>

#include "UiTestUtil.h"
#include "ui/ModalRecorder.h"
#include "ui/QMessageBoxBase.h"

namespace {

struct SeenBox {
    bool topLevel = false;
    QString title;
    QStringList buttons;
    int buttonsMask = -1;
};

// Shows a real box; `press` is the object name or text of the button to click.
int answerBox(int kind, const QString& press, SeenBox* seen, QWidget* parent = nullptr)
{
    uitest::onModal([press, seen](QWidget* modal) {
        if (seen) {
            seen->topLevel = modal->isWindow() && modal->parentWidget() == nullptr;
            seen->title = modal->windowTitle();
            seen->buttonsMask = static_cast<QDialogBase*>(modal)->buttons();
            for (QPushButton* b : modal->findChildren<QPushButton*>())
                if (!b->isHidden() && !b->text().isEmpty())
                    seen->buttons << b->text();
        }
        uitest::button(modal, press)->click();
    });
    return kind == 0 ? QMessageBoxBase::information(parent, QStringLiteral("提示"), QStringLiteral("正文"))
                     : QMessageBoxBase::question(parent, QStringLiteral("删除"), QStringLiteral("是否要删除?"));
}

}  // namespace

TEST(MessageBox, AnswersByButton)
{
    struct Case {
        int kind;
        const char* press;
        int expected;
    };
    const Case cases[] = {
        {0, "确定", 1}, {0, "closeButton", 0}, {1, "是", 1}, {1, "否", 0}, {1, "closeButton", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.press) + " kind " + std::to_string(c.kind));
        SeenBox seen;
        EXPECT_EQ(answerBox(c.kind, QString::fromUtf8(c.press), &seen), c.expected);
        EXPECT_EQ(seen.buttonsMask, 1);
        const QStringList expected = c.kind == 0 ? QStringList{QStringLiteral("确定")}
                                                 : QStringList{QStringLiteral("是"), QStringLiteral("否")};
        EXPECT_EQ(seen.buttons, expected);
    }
}

TEST(MessageBox, OpensAsItsOwnWindowEvenWithAParent)
{
    QWidget parent;
    parent.show();
    SeenBox seen;
    EXPECT_EQ(answerBox(0, QStringLiteral("确定"), &seen, &parent), 1);
    EXPECT_TRUE(seen.topLevel);
    EXPECT_EQ(seen.title, QStringLiteral("提示"));
}

TEST(MessageBox, ShowsTextAndIcon)
{
    QMessageBoxBase box(nullptr, QStringLiteral("提示"), QStringLiteral("数据版本不匹配 version = 3"), 1);
    bool textFound = false;
    bool iconFound = false;
    for (QLabel* label : box.findChildren<QLabel*>()) {
        if (label->text() == QStringLiteral("数据版本不匹配 version = 3"))
            textFound = true;
        if (label->size() == QSize(60, 60) && !label->pixmap(Qt::ReturnByValue).isNull())
            iconFound = true;
    }
    EXPECT_TRUE(textFound);
    EXPECT_TRUE(iconFound);
    EXPECT_EQ(box.sizeHint(), QSize(100, 50));
}

TEST(MessageBox, TestHookAnswersWithoutShowing)
{
    {
        ModalRecorder boxes(1);
        EXPECT_EQ(QMessageBoxBase::question(nullptr, QStringLiteral("删除"), QStringLiteral("是否要全部删除?")), 1);
        boxes.setAnswer(0);
        EXPECT_EQ(QMessageBoxBase::information(nullptr, QStringLiteral("提示"), QStringLiteral("失败")), 0);
        ASSERT_EQ(boxes.count(), 2);
        EXPECT_EQ(boxes.boxes()[0].messageKind, 1);
        EXPECT_EQ(boxes.boxes()[0].title, QStringLiteral("删除"));
        EXPECT_EQ(boxes.last().messageKind, 0);
        EXPECT_EQ(boxes.last().text, QStringLiteral("失败"));
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
    // Gone with the recorder: a real box shows again.
    EXPECT_EQ(answerBox(0, QStringLiteral("确定"), nullptr), 1);
}

TEST(MessageBox, EnvironmentLogAnswersZeroAndAppends)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("boxes.log"));
    setenv("LORVANE_MESSAGE_LOG", path.toLocal8Bit().constData(), 1);
    const int first = QMessageBoxBase::information(nullptr, QStringLiteral("提示"),
                                                   QStringLiteral("软件已启动，请勿重复开启"));
    const int second = QMessageBoxBase::question(nullptr, QStringLiteral("删除"), QStringLiteral("是否?"));
    unsetenv("LORVANE_MESSAGE_LOG");
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 0);
    QFile log(path);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(log.readAll()), QStringLiteral("提示\t软件已启动，请勿重复开启\n删除\t是否?\n"));
}
