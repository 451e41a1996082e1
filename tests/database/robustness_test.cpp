#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <signal.h>

#include <atomic>
#include <thread>

#include "DbTestUtil.h"

using namespace dbtest;

namespace {

// Whether some connection still holds a lock on the file: a third connection
// tries to take it exclusively without waiting.
bool fileIsFree(const std::string& path)
{
    RawDb probe(path);
    if (probe.exec("BEGIN EXCLUSIVE") != SQLITE_OK)
        return false;
    probe.exec("ROLLBACK");
    return true;
}

// Every question of a bucket has its own number, the numbers are 1..n, and
// the bucket's serial is n (nothing was ever deleted).
void expectNumberingConsistent(RawDb& raw)
{
    const auto buckets = raw.rows(
        "SELECT s.grade, s.term, s.subject, s.number, COUNT(d.id), COUNT(DISTINCT d.number), "
        "IFNULL(MIN(d.number), 0), IFNULL(MAX(d.number), 0) FROM serial s LEFT JOIN detail d "
        "ON d.user_id = s.user_id AND d.grade = s.grade AND d.term = s.term AND d.subject = s.subject "
        "GROUP BY s.id");
    for (const auto& b : buckets) {
        SCOPED_TRACE("bucket " + b[0] + "/" + b[1] + "/" + b[2]);
        EXPECT_EQ(b[3], b[4]) << "serial against questions";
        EXPECT_EQ(b[4], b[5]) << "numbers are unique";
        if (b[4] != "0") {
            EXPECT_EQ(b[6], "1");
            EXPECT_EQ(b[7], b[4]);
        }
    }
    EXPECT_EQ(raw.scalarInt("SELECT COUNT(*) FROM detail d WHERE NOT EXISTS (SELECT 1 FROM serial s WHERE "
                            "d.user_id = s.user_id AND d.grade = s.grade AND d.term = s.term AND "
                            "d.subject = s.subject)"),
              0);
}

}  // namespace

// Another connection holds the file: the insert fails as a whole, leaves no
// transaction open and no serial counted up, and works once the file is free.
TEST(DatabaseBusy, AddFailsCleanlyWhileAnotherConnectionHoldsTheFile)
{
    struct Case {
        const char* name;
        const char* lock;  // what the other connection holds (until its ROLLBACK)
    };
    const Case cases[] = {
        {"other writer: the write fails", "BEGIN IMMEDIATE"},
        {"other reader: the commit fails", "BEGIN; SELECT COUNT(*) FROM detail"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = freshPath("busy.db");
        sqlite db(path);
        db.setBusyTimeout(50);
        addQuestion(db, NewQuestion());
        {
            RawDb other(path);
            ASSERT_EQ(other.exec(c.lock), SQLITE_OK);
            _detail_t d;
            d.user_id = kUser;
            d.grade = kGrade12;
            d.term = kTermFirst;
            d.subject = kMath;
            std::string err;
            EXPECT_EQ(db.addDetail(d, err), -1);
            EXPECT_EQ(err, "数据库正被其他程序使用，请稍后再试（database is locked）");
            err.clear();
            EXPECT_EQ(db.moveDetail(1, kUser, kGrade12, kTermFirst, kPhysics, err), -1);
            EXPECT_EQ(err, "数据库正被其他程序使用，请稍后再试（database is locked）");

            ASSERT_EQ(other.exec("ROLLBACK"), SQLITE_OK);
        }
        EXPECT_TRUE(fileIsFree(path)) << "a transaction of the failed insert is still open";
        RawDb raw(path);
        EXPECT_EQ(raw.scalarInt("SELECT number FROM serial WHERE subject = 15"), 1);
        EXPECT_EQ(raw.scalarInt("SELECT COUNT(*) FROM serial"), 1);
        EXPECT_EQ(raw.scalarInt("SELECT COUNT(*) FROM detail"), 1);

        const int id = addQuestion(db, NewQuestion());
        EXPECT_EQ(raw.scalarInt("SELECT number FROM detail WHERE id = " + std::to_string(id)), 2);
        EXPECT_TRUE(fileIsFree(path));
    }
}

// A writer killed at a random moment leaves a sound file: every committed
// question is there with its own number and the serials agree.
TEST(DatabaseCrash, KilledWriterLeavesAConsistentFile)
{
    const std::string path = freshPath("crash.db");
    {
        sqlite create(path);
    }
    const QString writer = testenv::binDir() + QStringLiteral("/lorvane_db_writer");
    ASSERT_TRUE(QFileInfo(writer).isExecutable()) << writer.toStdString();

    int reported = 0;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        QProcess child;
        child.start(writer, {QString::fromStdString(path)});
        ASSERT_TRUE(child.waitForStarted(10000));
        // Let it commit a few dozen questions, then kill it mid-flight.
        QByteArray out;
        int lines = 0;
        QElapsedTimer timer;
        timer.start();
        while (lines < 40 + 25 * round && timer.elapsed() < 60000) {
            child.waitForReadyRead(100);
            out += child.readAllStandardOutput();
            lines = out.count('\n');
            ASSERT_EQ(child.state(), QProcess::Running) << child.readAllStandardError().toStdString();
        }
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        ASSERT_TRUE(child.waitForFinished(10000));
        out += child.readAllStandardOutput();
        reported += out.count('\n');

        RawDb raw(path);
        EXPECT_EQ(raw.scalarText("PRAGMA integrity_check"), "ok");
        expectNumberingConsistent(raw);
        // Every insert the writer saw committed is there (at most the one in
        // flight more).
        const int stored = raw.scalarInt("SELECT COUNT(*) FROM detail");
        EXPECT_GE(stored, reported);
        EXPECT_LE(stored, reported + 1);
        reported = stored;
    }

    sqlite db(path);
    const int before = RawDb(path).scalarInt("SELECT COUNT(*) FROM detail");
    addQuestion(db, NewQuestion());
    RawDb raw(path);
    EXPECT_EQ(raw.scalarInt("SELECT COUNT(*) FROM detail"), before + 1);
    expectNumberingConsistent(raw);
}

// The question list counts on a pool thread while the GUI thread writes: both
// go through the one connection without failing each other.
TEST(DatabaseThreads, ReadsAndWritesOfTwoThreadsDoNotInterleave)
{
    const std::string path = freshPath("threads.db");
    sqlite db(path);
    std::atomic<bool> done{false};
    std::atomic<int> readFailures{0};
    std::thread reader([&] {
        while (!done) {
            std::vector<std::tuple<int, int, int>> states;
            std::string err;
            if (db.getStateCounts(kUser, kGrade12, kTermFirst, kMath, states, err) != 0)
                ++readFailures;
            query_data q;
            q.user_id = kUser;
            q.grade = kGrade12;
            q.term = kTermFirst;
            q.subject = kMath;
            int count = 0;
            if (db.countSearchDetails(q, count, err) != 0)
                ++readFailures;
        }
    });
    int writeFailures = 0;
    for (int i = 0; i < 150; ++i) {
        NewQuestion q;
        q.subject = i % 2 ? kMath : kPhysics;
        q.point = "p" + std::to_string(i % 7);
        _detail_t d;
        d.user_id = q.user_id;
        d.grade = q.grade;
        d.term = q.term;
        d.subject = q.subject;
        d.point = q.point;
        std::string err;
        if (db.addDetail(d, err) != 0)
            ++writeFailures;
    }
    done = true;
    reader.join();
    EXPECT_EQ(writeFailures, 0);
    EXPECT_EQ(readFailures, 0);
    RawDb raw(path);
    EXPECT_EQ(raw.scalarInt("SELECT COUNT(*) FROM detail"), 150);
    expectNumberingConsistent(raw);
}

// The program's first start creates the database and logs in: the user's
// question folder appears under the data folder.
TEST(DatabaseStartup, FirstStartCreatesTheDatabaseAndTheUserFolder)
{
    const QString appData = testenv::appDataRoot() + QStringLiteral("/first-start");
    QDir(appData).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(appData));
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("APPDATA"), appData);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(testenv::binDir() + QStringLiteral("/Lorvane"), QStringList());
    ASSERT_TRUE(program.waitForStarted(10000));

    const QString userFolder = appData + QStringLiteral("/Lorvane/item/10000");
    QElapsedTimer timer;
    timer.start();
    while (!QFileInfo(userFolder).isDir() && timer.elapsed() < 30000 && program.state() == QProcess::Running)
        program.waitForFinished(50);
    const bool made = QFileInfo(userFolder).isDir();
    // Stop it at once: the database work is done when the folder exists, and
    // the main window would go on to contact the web service.
    program.kill();
    program.waitForFinished(10000);
    ASSERT_TRUE(made) << program.readAllStandardError().toStdString();

    RawDb raw((appData + QStringLiteral("/Lorvane/database/Lorvane.db")).toStdString());
    EXPECT_EQ(raw.scalarInt("PRAGMA user_version"), 4);
    EXPECT_EQ(raw.scalarInt("SELECT COUNT(*) FROM type"), 36);
    EXPECT_EQ(raw.scalarText("SELECT userID FROM user WHERE id = 10000"), "lorvane");
}
