#include "tools/backup/QuestionCount.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sqlite3.h>

#include "tools/backup/Archive.h"

namespace questioncount {

namespace {

// The built-in local account that the notebook logs into at start.
const char* const kLocalAccount = "lorvane";

// The int in column 0 of the statement's first row, or -1.
int readInt(sqlite3* db, const char* sql, const char* text, int number)
{
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        return -1;
    if (text)
        sqlite3_bind_text(stmt, 1, text, -1, SQLITE_STATIC);
    else
        sqlite3_bind_int(stmt, 1, number);
    const int value = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int(stmt, 0) : -1;
    sqlite3_finalize(stmt);
    return value;
}

}  // namespace

int inDatabase(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return -1;
    sqlite3* db = nullptr;
    // Read-only: no journal is made and nothing is written, not even the
    // roll-back of a transaction a crash left unfinished (then the count
    // fails and is left out).
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return -1;
    }
    sqlite3_busy_timeout(db, 1000);
    // The first account of that name is the one the login takes.
    const int user = readInt(db, "SELECT id FROM user WHERE userID = ? ORDER BY rowid LIMIT 1", kLocalAccount, 0);
    const int count = user < 0 ? -1 : readInt(db, "SELECT COUNT(*) FROM detail WHERE user_id = ?", nullptr, user);
    sqlite3_close(db);
    return count;
}

int inArchive(const QString& archivePath, const QString& scratchTemplate)
{
    QTemporaryDir scratch(scratchTemplate);
    if (!scratch.isValid())
        return -1;
    const QString copy = QDir(scratch.path()).filePath(QStringLiteral("Lorvane.db"));
    QString error;
    if (!archive::extractDatabase(archivePath, copy, error))
        return -1;
    return inDatabase(copy);
}

QString restoreQuestion(const QString& archiveFileName, int archived, int current)
{
    const auto count = [](int n) { return n < 0 ? QString() : QStringLiteral("（%1 道题）").arg(n); };
    return QStringLiteral("还原将用备份 %1%2替换当前的全部错题%3，是否继续？")
        .arg(archiveFileName, archived < 0 ? QStringLiteral(" ") : count(archived), count(current));
}

}  // namespace questioncount
