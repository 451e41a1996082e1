// The answer editor reads what an answer names only through the picture
// door: a FIFO nobody writes (as an archive restored from elsewhere may hold
// under a picture's name) shows as the refusal mark instead of hanging the
// editor when 答案与解析 opens, while real pictures and the program's own
// resources show. Run in a child that must end on its own.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QTextDocument>
#include <QTextEdit>
#include <QUrl>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "capture/question/AnswerTextArea.h"
#include "capture/question/TextEdit.h"
#include "support/ChildRun.h"
#include "support/HostilePictures.h"
#include "support/TestEnv.h"

TEST(AnswerTextArea, AFifoNamedInTheAnswerShowsTheMarkAndTheEditorGoesOn)
{
    if (childrun::ranInChild(60000))
        return;
    const QString data = testenv::prepareDataFolder();
    ASSERT_TRUE(QDir().mkpath(QStringLiteral("item/u/q")));
    ASSERT_TRUE(hostile::write(QStringLiteral("item/u/q/1.png"), hostile::png(120, 80)));
    ASSERT_EQ(::mkfifo("item/u/q/2.jpg", 0600), 0);
    const QString absolute = data + QStringLiteral("/item/u/q/2.jpg");
    const QString own = QStringLiteral(":/Lorvane/Resources/importtopic/folder.png");
    ASSERT_FALSE(QImage(own).isNull());
    QFile answer(QStringLiteral("item/u/q/answer_right.html"));
    ASSERT_TRUE(answer.open(QIODevice::WriteOnly));
    answer.write(QStringLiteral("<html><head><meta charset=\"utf-8\"/>"
                                "<link rel=\"stylesheet\" href=\"item/u/q/2.jpg\"/></head><body>"
                                "<p>答案<img src=\"item/u/q/1.png\"/></p>"
                                "<p><img src=\"item/u/q/2.jpg\"/><img src=\"%1\"/><img src=\"%2\"/></p>"
                                "<p><img src=\"%3\"/></p></body></html>")
                     .arg(absolute, QUrl::fromLocalFile(absolute).toString(), own)
                     .toUtf8());
    answer.close();

    // As the viewer opens 答案与解析.
    TextEdit edit(nullptr, QStringLiteral("item/u/q/answer_right.html"), QStringLiteral("q"));
    edit.resize(600, 400);
    edit.show();
    edit.textEdit()->grab();  // lays out and paints every picture
    QTextDocument* document = edit.textEdit()->document();
    EXPECT_TRUE(document->toPlainText().contains(QStringLiteral("答案")));
    const auto picture = [document](const QString& name) {
        const QVariant shown = document->resource(QTextDocument::ImageResource, QUrl(name));
        return shown.userType() == QMetaType::QPixmap ? qvariant_cast<QPixmap>(shown).toImage()
                                                      : qvariant_cast<QImage>(shown);
    };
    EXPECT_EQ(picture(QStringLiteral("item/u/q/1.png")).size(), QSize(120, 80));
    for (const QString& fifo : {QStringLiteral("item/u/q/2.jpg"), absolute, QUrl::fromLocalFile(absolute).toString()})
        EXPECT_EQ(picture(fifo), AnswerTextArea::placeholder()) << fifo.toStdString();
    const QImage shownOwn = picture(QStringLiteral("qrc") + own);
    EXPECT_EQ(shownOwn.isNull() ? QSize() : shownOwn.size(), QImage(own).size());
}
