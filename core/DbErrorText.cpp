#include "core/DbErrorText.h"

namespace dberror {

std::string cause(int code)
{
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return "数据库正被其他程序使用，请稍后再试";
    case SQLITE_READONLY: return "数据库是只读的，无法保存修改";
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return "数据库文件已损坏";
    case SQLITE_FULL: return "磁盘已满，无法保存修改";
    case SQLITE_CANTOPEN: return "无法打开数据库文件";
    case SQLITE_IOERR: return "读写数据库文件时出错";
    case SQLITE_PERM:
    case SQLITE_AUTH: return "没有访问数据库文件的权限";
    case SQLITE_NOMEM: return "内存不足";
    default: return std::string();
    }
}

std::string describe(int code, const std::string& sqliteText)
{
    const std::string chinese = cause(code);
    if (chinese.empty())
        return sqliteText;
    if (sqliteText.compare(0, chinese.size(), chinese) == 0)
        return sqliteText;  // described already
    if (sqliteText.empty())
        return chinese;
    return chinese + "（" + sqliteText + "）";
}

std::string ofConnection(sqlite3* db)
{
    if (!db)
        return "open database failed";
    const char* msg = sqlite3_errmsg(db);
    return describe(sqlite3_extended_errcode(db), msg ? msg : "unknown error");
}

}  // namespace dberror
