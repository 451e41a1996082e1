#include "ExportFixture.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QSettings>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include "core/AppContext.h"
#include "core/Format.h"
#include "core/Settings.h"
#include "library/QuestionFixture.h"

namespace exportfixture {

void openDatabase()
{
    fixture::openDatabase();
}

void resetExportSettings(const QString& folder)
{
    QSettings settings(QString::fromLatin1(settingsFileName()), QSettings::IniFormat);
    for (const char* key : {"export_type", "export_order", "export_options", "export_title", "export_style"})
        settings.remove(QString::fromLatin1(key));
    setIniValue(QStringLiteral("first_run"), 3);
    setIniValue(QStringLiteral("export_topic_path"), folder);
}

bool writePicture(const QString& path, int w, int h, const QColor& colour, const QString& text, const char* format)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    QFont font;
    font.setPixelSize(std::max(12, h / 8));
    painter.setFont(font);
    painter.drawRect(0, 0, w - 1, h - 1);
    painter.drawText(image.rect(), Qt::AlignCenter, text);
    painter.end();
    QDir().mkpath(QFileInfo(path).absolutePath());
    return image.save(path, format);
}

QString answerHtml(const QString& heading, const QString& pictureSrc)
{
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextBlockFormat centre;
    centre.setAlignment(Qt::AlignHCenter);
    c.setBlockFormat(centre);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    bold.setFontPointSize(14);
    c.insertText(heading, bold);

    c.insertBlock(QTextBlockFormat(), QTextCharFormat());
    QTextCharFormat red;
    red.setForeground(QColor(QStringLiteral("#ff0000")));
    red.setFontItalic(true);
    red.setFontUnderline(true);
    c.insertText(QStringLiteral("红色斜体下划线"), red);

    c.insertBlock(QTextBlockFormat(), QTextCharFormat());
    c.insertText(QStringLiteral("图："), QTextCharFormat());
    QTextImageFormat picture;
    picture.setName(pictureSrc);
    picture.setWidth(120);
    c.insertImage(picture);

    c.insertBlock(QTextBlockFormat(), QTextCharFormat());
    QTextTableFormat table;
    table.setBorder(1);
    table.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    QTextTable* t = c.insertTable(2, 2, table);
    const char* cells[] = {"表格甲", "表格乙", "表格丙", "表格丁"};
    for (int i = 0; i < 4; ++i)
        t->cellAt(i / 2, i % 2).firstCursorPosition().insertText(QString::fromUtf8(cells[i]));
    return doc.toHtml("utf-8");
}

int typeId(const char* name)
{
    for (const auto& [id, type] : AppContext::instance()->types) {
        if (type.name == name)
            return id;
    }
    return 0;
}

QString questionFile(const _detail_t& q, const char* name)
{
    const AppContext* ctx = AppContext::instance();
    return QString::fromUtf8(
        format("{0}/item/{1}/{2}/{3}", ctx->data_path, ctx->user_folder, q.detail_path, name).c_str());
}

_detail_t makeQuestion(int number, int questiontype, const std::string& path, const QuestionFiles& files)
{
    const AppContext* ctx = AppContext::instance();
    _detail_t q;
    q.user_id = ctx->user.id;
    q.number = number;
    q.grade = ctx->grade.id;
    q.term = ctx->term.id;
    q.subject = ctx->subject.id;
    q.questiontype = questiontype;
    q.classification = typeId("易错题");
    q.cause = typeId("计算错误");
    q.point = "考点" + std::to_string(number);
    q.score = 5;
    q.source = "来源" + std::to_string(number);
    q.remark = "备注" + std::to_string(number);
    q.detail_path = path;

    const QString folder = questionFile(q, "");
    QDir().mkpath(folder);
    if (files.questionPicture)
        writePicture(questionFile(q, "questions.jpg"), files.pictureWidth, files.pictureHeight, QColor(230, 240, 255),
                     QStringLiteral("题目 %1").arg(number));
    if (files.wrongPicture)
        writePicture(questionFile(q, "answer_wrong.jpg"), files.pictureWidth, files.pictureHeight,
                     QColor(255, 235, 230), QStringLiteral("错解 %1").arg(number));
    if (files.answer) {
        writePicture(questionFile(q, "answer.png"), 160, 90, QColor(230, 255, 230), QStringLiteral("答 %1").arg(number),
                     "PNG");
        const QString src = QString::fromUtf8(format("item/{0}/{1}/answer.png", ctx->user_folder, path).c_str());
        QFile html(questionFile(q, "answer_right.html"));
        html.open(QIODevice::WriteOnly | QIODevice::Truncate);
        html.write(answerHtml(QStringLiteral("第%1题解析").arg(number), src).toUtf8());
    }
    return q;
}

}  // namespace exportfixture
