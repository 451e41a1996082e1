#pragma once

// A question folder made the way the capture window makes it (a fresh uuid
// folder under item/<user>/ holding "original.jpg"), its record, a database
// that fails on request, and a direct look at the stored rows.

#include <QColor>
#include <QDir>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QUuid>

#include <sqlite3.h>

#include <string>
#include <vector>

#include "core/Sqlite.h"
#include "question/FormFixture.h"

// A photographed worksheet question: paper, a few lines of text and a figure.
inline QImage questionPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(QColor(246, 244, 236));
    QPainter painter(&image);
    painter.setPen(QColor(25, 25, 30));
    QFont font = painter.font();
    font.setPixelSize(height / 20);
    painter.setFont(font);
    for (int line = 1; line <= 8; ++line)
        painter.drawText(width / 20, line * height / 10,
                         QStringLiteral("%1. 已知 x + %2 = %3，求 x 的值。").arg(line).arg(line * 3).arg(line * 7));
    painter.setPen(QPen(QColor(200, 30, 30), 5));
    painter.drawEllipse(QPoint(width * 3 / 4, height / 2), width / 8, height / 8);
    painter.end();
    return image;
}

// The database of the program on a connection of its own, failing the next
// inserts or id look-ups on request with a text of its own.
class FaultyDatabase : public sqlite {
public:
    FaultyDatabase() : sqlite(sqlite::kDefaultPath) {}

    int addDetail(_detail_t& detail, std::string& err) override
    {
        ++inserts;
        if (failInserts > 0) {
            --failInserts;
            err = "数据库已锁定";
            return -1;
        }
        return sqlite::addDetail(detail, err);
    }
    int getLastInsertId(int& id, std::string& err) override
    {
        ++lookUps;
        if (failLookUps > 0) {
            --failLookUps;
            err = "无法读取编号";
            return -1;
        }
        return sqlite::getLastInsertId(id, err);
    }

    int failInserts = 0;
    int failLookUps = 0;
    int inserts = 0;
    int lookUps = 0;
};

struct StoredRow {
    int id, number, subject, state, times;
    std::string point, source, remark;
};

class WizardTest : public FormTest {
protected:
    void SetUp() override
    {
        FormTest::SetUp();
        uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
        folder = QStringLiteral("item/%1/%2/").arg(QString::fromStdString(ctx()->user_folder), uuid);
        ASSERT_TRUE(QDir().mkpath(folder));
        ASSERT_TRUE(questionPicture(1300, 700).save(folder + QStringLiteral("original.jpg")));
    }

    // What the capture window hands the wizard.
    _detail_t newQuestion() const
    {
        _detail_t d;
        d.user_id = ctx()->user.id;
        d.grade = ctx()->grade.id;
        d.term = ctx()->term.id;
        d.subject = ctx()->subject.id;
        d.detail_path = uuid.toStdString();
        return d;
    }

    // The rows stored for this question's folder, read straight from the file.
    std::vector<StoredRow> rows() const
    {
        std::vector<StoredRow> out;
        sqlite3* raw = nullptr;
        if (sqlite3_open_v2(sqlite::kDefaultPath, &raw, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << "cannot open the database";
            sqlite3_close(raw);
            return out;
        }
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(raw,
                           "SELECT id, number, subject, state, times, point, source, remark FROM detail "
                           "WHERE detail_path = ? ORDER BY id",
                           -1, &st, nullptr);
        const std::string path = uuid.toStdString();
        sqlite3_bind_text(st, 1, path.c_str(), -1, SQLITE_TRANSIENT);
        auto text = [&](int col) {
            const unsigned char* t = sqlite3_column_text(st, col);
            return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
        };
        while (sqlite3_step(st) == SQLITE_ROW) {
            out.push_back({sqlite3_column_int(st, 0), sqlite3_column_int(st, 1), sqlite3_column_int(st, 2),
                           sqlite3_column_int(st, 3), sqlite3_column_int(st, 4), text(5), text(6), text(7)});
        }
        sqlite3_finalize(st);
        sqlite3_close(raw);
        return out;
    }

    QString uuid;
    QString folder;
};
