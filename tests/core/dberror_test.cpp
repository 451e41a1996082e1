// The database layer's error texts for the pupil.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <string>

#include "core/DbErrorText.h"

namespace {

TEST(DbErrorText, CommonCausesAreSaidInChineseWithSqlitesTextAfterIt)
{
    struct Case {
        int code;
        const char* sqlite;
        std::string shown;
    };
    const Case cases[] = {
        {SQLITE_BUSY, "database is locked", "数据库正被其他程序使用，请稍后再试（database is locked）"},
        {SQLITE_LOCKED, "database table is locked", "数据库正被其他程序使用，请稍后再试（database table is locked）"},
        {SQLITE_READONLY, "attempt to write a readonly database",
         "数据库是只读的，无法保存修改（attempt to write a readonly database）"},
        {SQLITE_READONLY_DIRECTORY, "attempt to write a readonly database",
         "数据库是只读的，无法保存修改（attempt to write a readonly database）"},
        {SQLITE_CORRUPT, "database disk image is malformed", "数据库文件已损坏（database disk image is malformed）"},
        {SQLITE_NOTADB, "file is not a database", "数据库文件已损坏（file is not a database）"},
        {SQLITE_FULL, "database or disk is full", "磁盘已满，无法保存修改（database or disk is full）"},
        {SQLITE_CANTOPEN, "unable to open database file", "无法打开数据库文件（unable to open database file）"},
        {SQLITE_IOERR_WRITE, "disk I/O error", "读写数据库文件时出错（disk I/O error）"},
        // Other failures keep SQLite's text.
        {SQLITE_ERROR, "no such table: detail", "no such table: detail"},
        {SQLITE_CONSTRAINT, "NOT NULL constraint failed: type.name", "NOT NULL constraint failed: type.name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sqlite);
        EXPECT_EQ(dberror::describe(c.code, c.sqlite), c.shown);
        // Described once only, whoever passes the text on.
        EXPECT_EQ(dberror::describe(c.code, dberror::describe(c.code, c.sqlite)), c.shown);
    }
}

TEST(DbErrorText, TheConnectionsLastFailureIsDescribed)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("text.db"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("this is not a database, only some text of more than a hundred bytes, so that SQLite reads "
                   "its header and finds no magic string in it");
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    EXPECT_NE(sqlite3_exec(db, "SELECT * FROM sqlite_master", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(dberror::ofConnection(db), "数据库文件已损坏（file is not a database）");
    sqlite3_close(db);
    EXPECT_EQ(dberror::ofConnection(nullptr), "open database failed");
}

}  // namespace
