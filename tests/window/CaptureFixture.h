#pragma once

// The capture window, its lists and the viewer against the real question
// database in the test's private data folder: logged in (FormTest), the
// user's question folder item/<user>/ present, an empty library folder, no
// settings file. Stored questions are made the way the program makes them:
// a folder with its three files and a row inserted through the database.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTextStream>
#include <QUuid>

#include <memory>
#include <string>
#include <vector>

#include "capture/window/QuestionFolder.h"
#include "core/Sqlite.h"
#include "question/FormFixture.h"
#include "ui/ModalRecorder.h"

// A picture with a large number on it, so that two questions never look the
// same.
inline QImage numberedPicture(int width, int height, int number, QColor paper = QColor(250, 248, 240))
{
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(paper);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    QFont font = painter.font();
    font.setPixelSize(height / 3);
    painter.setFont(font);
    painter.drawText(image.rect(), Qt::AlignCenter, QString::number(number));
    painter.end();
    return image;
}

inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// The database of the program on a connection of its own whose deletions and
// updates fail on request: deleteDetails fails on call number failDeleteAt
// (counting from 1), updateDetail while failUpdates is set.
class FailingDatabase : public sqlite {
public:
    FailingDatabase() : sqlite(sqlite::kDefaultPath) {}

    int deleteDetails(std::vector<int> ids, std::string& err) override
    {
        deleteCalls.push_back(ids);
        if (static_cast<int>(deleteCalls.size()) == failDeleteAt) {
            err = "数据库已锁定";
            return -1;
        }
        return sqlite::deleteDetails(ids, err);
    }
    int updateDetail(int id, int state, int times, int classification, int cause, int questiontype, std::string point,
                     int score, std::string source, std::string remark, std::string& err) override
    {
        ++updates;
        if (failUpdates) {
            err = "磁盘已满";
            return -1;
        }
        return sqlite::updateDetail(id, state, times, classification, cause, questiontype, point, score, source, remark,
                                    err);
    }

    int failDeleteAt = 0;
    bool failUpdates = false;
    int updates = 0;
    std::vector<std::vector<int>> deleteCalls;
};

class CaptureTest : public FormTest {
protected:
    void SetUp() override
    {
        FormTest::SetUp();
        QFile::remove(QStringLiteral("Lorvane.ini"));
        QDir(QStringLiteral("documents")).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(QStringLiteral("documents")));
        userFolder = QStringLiteral("item/") + QString::fromStdString(ctx()->user_folder);
        QFileInfo user(userFolder);
        if (user.exists() && !user.isDir())
            QFile::remove(userFolder);
        ASSERT_TRUE(QDir().mkpath(userFolder));
        // Opened once the data folder is the working directory.
        failing = std::make_unique<FailingDatabase>();
    }

    // The program's database on a second connection, failing on request.
    FailingDatabase& database() { return *failing; }

    // Stores question `n`: a folder with questions.jpg and answer_wrong.jpg
    // of w x h (each with its own number), answer_right.html, and a row.
    _detail_t storeQuestion(int n, int w = 300, int h = 200, bool wrongAnswer = true)
    {
        _detail_t d;
        d.user_id = ctx()->user.id;
        d.grade = ctx()->grade.id;
        d.term = ctx()->term.id;
        d.subject = ctx()->subject.id;
        d.classification = ctx()->classifications[0].id;
        d.cause = ctx()->causes[0].id;
        d.questiontype = ctx()->questiontypes[0].id;
        d.point = "考点" + std::to_string(n);
        d.source = "来源" + std::to_string(n);
        d.detail_path = QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
        EXPECT_TRUE(QDir().mkpath(questionfolder::folder(ctx()->user_folder, d.detail_path)));
        EXPECT_TRUE(numberedPicture(w, h, n).save(file(d, questionfolder::kQuestion)));
        if (wrongAnswer) {
            EXPECT_TRUE(
                numberedPicture(w, h, 100 + n, QColor(230, 240, 255)).save(file(d, questionfolder::kWrongAnswer)));
        }
        writeText(
            file(d, questionfolder::kAnswer),
            QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body><p>答案%1</p></body></html>").arg(n));
        std::string err;
        EXPECT_EQ(db->addDetail(d, err), 0) << err;
        EXPECT_EQ(db->getLastInsertId(d.id, err), 0) << err;
        // What the list reads back: number, state, times and dates as stored.
        std::vector<_detail_t> all = storedQuestions();
        for (const _detail_t& s : all)
            if (s.id == d.id)
                return s;
        ADD_FAILURE() << "question " << n << " not stored";
        return d;
    }

    // Every stored question of the current selection, by number.
    std::vector<_detail_t> storedQuestions() const
    {
        query_data q;
        q.user_id = ctx()->user.id;
        q.grade = ctx()->grade.id;
        q.term = ctx()->term.id;
        q.subject = ctx()->subject.id;
        q.state = -1;
        q.times = -1;
        std::vector<_detail_t> out;
        std::string err;
        EXPECT_EQ(db->queryDetails(q, out, err), 0) << err;
        return out;
    }

    static QString file(const _detail_t& d, const char* name)
    {
        return questionfolder::file(d.user_id, d.detail_path, name);
    }

    static void writeText(const QString& path, const QString& text)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QTextStream out(&f);
        out.setCodec("UTF-8");
        out << text;
    }

    QString userFolder;
    ModalRecorder modals;
    std::unique_ptr<FailingDatabase> failing;
};
