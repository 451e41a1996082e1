// What a killed export leaves in the export folder (a hidden partial
// document) goes with the next export into that folder, and nothing else.

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>

#include "ExportFixture.h"
#include "core/AppContext.h"
#include "core/Settings.h"
#include "export/QExportDialog.h"
#include "export/docx/Package.h"
#include "ui/ModalRecorder.h"

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// Sets the time an entry was last written, of a link itself when it is one.
void setWritten(const QString& path, const QDateTime& when)
{
    const qint64 ms = when.toMSecsSinceEpoch();
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(ms / 1000);
    times[0].tv_nsec = times[1].tv_nsec = static_cast<long>(ms % 1000) * 1000000;
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0)
        << path.toStdString();
}

enum class Kind { File, Link, Folder };

TEST(ExportLeftovers, OnlyOwnPartialDocumentsFromBeforeTheRunGo)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("岚溪错题本导出"));
    const QString outside = dir.filePath(QStringLiteral("outside.docx"));
    ASSERT_TRUE(QDir().mkpath(folder));
    writeFile(outside, "the user's own document");
    const QDateTime since = QDateTime::currentDateTimeUtc();
    const QDateTime before = since.addSecs(-3600);
    const QDateTime during = since.addSecs(1);

    struct Case {
        const char* name;
        Kind kind;
        bool old;
        bool removed;
    };
    const Case cases[] = {
        // Own naming, from before the run: what a killed export left.
        {".lorvane-AbCdEf.docx", Kind::File, true, true},
        {".lorvane-AbCdEf.docx.a1b2c3", Kind::File, true, true},
        {".lorvane-ZZZZZZ.docx.ZZ99zz", Kind::File, true, true},
        // Own naming, written since the run began: another write going on.
        {".lorvane-GhIjKl.docx", Kind::File, false, false},
        {".lorvane-GhIjKl.docx.x9y8z7", Kind::File, false, false},
        // Similar names that are not ours.
        {".lorvane-AbCdE.docx", Kind::File, true, false},
        {".lorvane-AbCdEfG.docx", Kind::File, true, false},
        {"lorvane-AbCdEf.docx", Kind::File, true, false},
        {".Lorvane-AbCdEf.docx", Kind::File, true, false},
        {".lorvane-AbCdEf.doc", Kind::File, true, false},
        {".lorvane-AbCdEf.docx.bak", Kind::File, true, false},
        {".lorvane-AbCdEf.docx.a1b2c3d", Kind::File, true, false},
        {".lorvane-Ab-dEf.docx", Kind::File, true, false},
        {"x.lorvane-AbCdEf.docx", Kind::File, true, false},
        {"题目.docx", Kind::File, true, false},
        // Our naming, but never made by us: a link (its target stays too) and
        // a folder.
        {".lorvane-LiNkEd.docx", Kind::Link, true, false},
        {".lorvane-FoLdEr.docx", Kind::Folder, true, false},
    };
    for (const Case& c : cases) {
        const QString path = QDir(folder).filePath(QString::fromUtf8(c.name));
        if (c.kind == Kind::File)
            writeFile(path, QByteArray(4096, 'p'));
        else if (c.kind == Kind::Link)
            ASSERT_TRUE(QFile::link(outside, path));
        else
            ASSERT_TRUE(QDir().mkpath(path + "/inside"));
        setWritten(path, c.old ? before : during);
    }

    int expected = 0;
    for (const Case& c : cases)
        expected += c.removed ? 1 : 0;
    EXPECT_EQ(docx::Package::removeLeftovers(folder, since), expected);
    for (const Case& c : cases) {
        const QFileInfo entry(QDir(folder).filePath(QString::fromUtf8(c.name)));
        EXPECT_EQ(entry.exists() || entry.isSymLink(), !c.removed) << c.name;
    }
    EXPECT_TRUE(QFileInfo(QDir(folder).filePath(".lorvane-FoLdEr.docx/inside")).isDir());
    QFile kept(outside);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "the user's own document");
}

// The export itself clears them from its folder before it writes.
TEST(ExportLeftovers, TheNextExportIntoTheFolderRemovesThem)
{
    exportfixture::openDatabase();
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    exportfixture::resetExportSettings(out.path());
    std::vector<_detail_t> list = {exportfixture::makeQuestion(1, exportfixture::typeId("选择题"), "k1")};

    const QString folder = out.filePath(QStringLiteral("岚溪错题本导出"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString leftover = QDir(folder).filePath(QStringLiteral(".lorvane-QwErTy.docx.k3j2h1"));
    const QString foreign = QDir(folder).filePath(QStringLiteral(".lorvane-QwErTy.docx.old"));
    writeFile(leftover, QByteArray(100000, 'z'));
    writeFile(foreign, "not ours");
    setWritten(leftover, QDateTime::currentDateTimeUtc().addSecs(-60));
    setWritten(foreign, QDateTime::currentDateTimeUtc().addSecs(-60));

    const AppContext* ctx = AppContext::instance();
    QExportDialog dialog(&list, ctx->grade, ctx->term, ctx->subject);
    ASSERT_TRUE(dialog.isReady());
    ModalRecorder modals;
    dialog.clicked_create();
    ASSERT_EQ(modals.count(), 1);
    EXPECT_EQ(modals.last().text, QStringLiteral("导出完成"));
    EXPECT_FALSE(QFileInfo::exists(leftover));
    EXPECT_TRUE(QFileInfo::exists(foreign));
    // Beside it only the two new documents: no partial one of this run stays.
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(names.size(), 3) << names.join(' ').toStdString();
    EXPECT_EQ(names.filter(QStringLiteral(".lorvane-")), QStringList{QFileInfo(foreign).fileName()})
        << names.join(' ').toStdString();
}

}  // namespace
