#pragma once
// The backup program, run as a child process against the test's own data
// folder ($APPDATA/Lorvane) with the file dialogs and the result window
// replaced by environment variables. It runs from a program folder of the
// test's own, beside a stand-in notebook that it starts when it ends.

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <zip.h>

#include <list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/Sqlite.h"
#include "support/ProgramFolder.h"
#include "support/TestEnv.h"

namespace backuptest {

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

inline QByteArray randomBytes(int size, quint32 seed)
{
    QRandomGenerator gen(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(gen.bounded(256));
    return bytes;
}

// The program's own database (schema, base data, user) holding one question
// whose test point is `marker`, with the given schema version.
inline void makeDatabase(const QString& path, int version, const char* marker)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile::remove(path);
    {
        sqlite created(QFile::encodeName(path).toStdString());
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    const std::string sql =
        "INSERT INTO detail(number, grade, term, subject, state, classification, cause, questiontype, point,"
        " modify_date) VALUES(1, 12, 13, 15, 0, 24, 28, 32, '" +
        std::string(marker) +
        "', DATETIME());"
        "PRAGMA user_version = " +
        std::to_string(version) + ";";
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

// Every folder and file under root: relative path -> content ("<dir>" for folders).
inline std::map<QString, QByteArray> snapshot(const QString& root)
{
    std::map<QString, QByteArray> result;
    QDir base(root);
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QString rel = base.relativeFilePath(it.filePath());
        if (it.fileInfo().isDir()) {
            result[rel] = "<dir>";
        } else {
            QFile file(it.filePath());
            file.open(QIODevice::ReadOnly);
            result[rel] = file.readAll();
        }
    }
    return result;
}

struct Outcome {
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QString output;
};

class BackupProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(programs.isValid());
        data = testenv::prepareDataFolder();
        root = testenv::appDataRoot();
        populate();
    }

    // A data folder with a database, a phrase store, questions, a library
    // image and settings, and a folder for the archives beside it.
    void populate()
    {
        for (const char* sub : {"/database", "/documents", "/item", "/tmp"})
            QDir().mkpath(data + sub);
        makeDatabase(data + "/database/Lorvane.db", 4, "first");
        writeFile(data + "/database/phrase.db", randomBytes(3000, 1));
        writeFile(data + "/item/10000/6f1c-aa/original.jpg", randomBytes(200000, 2));
        writeFile(data + "/item/10000/6f1c-aa/answer_right.html",
                  QStringLiteral("<html><body>解析：x = 2</body></html>").toUtf8());
        writeFile(data + "/item/10000/77d0-bb/questions.jpg", randomBytes(40000, 3));
        writeFile(data + QStringLiteral("/documents/第1张.png"), randomBytes(1000, 4));
        writeFile(data + "/Lorvane.ini", "[General]\ndetail_order=1\n");
        QDir().mkpath(data + "/item/10000/empty-question");
        backups = root + "/backups";
        QDir().mkpath(backups);
    }

    void setArchive(const QString& path) { archive = path; }

    Outcome runProgram(const QString& mode, const std::vector<std::pair<QString, QString>>& env = {},
                       int waitMs = 60000)
    {
        QProcess process;
        startProgram(process, mode, env);
        Outcome run;
        if (!process.waitForFinished(waitMs)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "backup did not finish";
            return run;
        }
        run.exitCode = process.exitCode();
        run.status = process.exitStatus();
        run.output = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
        return run;
    }

    void startProgram(QProcess& process, const QString& mode, const std::vector<std::pair<QString, QString>>& env)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LORVANE_BACKUP_QUIET", "1");
        environment.insert("LORVANE_BACKUP_ARCHIVE", archive);
        for (const auto& entry : env)
            environment.insert(entry.first, entry.second);
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(data);
        process.start(programs.program(), {mode, data});
        ASSERT_TRUE(process.waitForStarted()) << process.errorString().toStdString();
    }

    // Restore folders left beside the data folder.
    QStringList leftovers() const { return QDir(root).entryList(QStringList{".Lorvane.*"}, QDir::Dirs | QDir::Hidden); }

    testenv::ProgramFolder programs;
    QString data;
    QString root;
    QString backups;
    QString archive;
};

// "/" is a folder).
inline void makeZip(const QString& path, const std::vector<std::pair<QByteArray, QByteArray>>& entries)
{
    int code = 0;
    zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    ASSERT_NE(za, nullptr);
    std::list<QByteArray> contents;  // libzip reads them when it closes
    for (const auto& entry : entries) {
        if (entry.first.endsWith('/')) {
            ASSERT_GE(zip_dir_add(za, entry.first.constData(), 0), 0);
            continue;
        }
        const QByteArray& copy = contents.emplace_back(entry.second);
        zip_source_t* src = zip_source_buffer(za, copy.constData(), static_cast<zip_uint64_t>(copy.size()), 0);
        ASSERT_NE(src, nullptr);
        ASSERT_GE(zip_file_add(za, entry.first.constData(), src, 0), 0) << zip_strerror(za);
    }
    ASSERT_EQ(zip_close(za), 0);
}

inline QByteArray databaseBytes(int version, const QString& scratch)
{
    makeDatabase(scratch, version, "archived");
    QFile file(scratch);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

}  // namespace backuptest
