#pragma once

#include <QString>
#include <QStringList>

#include <string>

#include "capture/sources/PictureChecks.h"

// Turning the pages of a PDF file into PNG files with the outside converter
// "mutool" (package mupdf-tools):
//
//     mutool convert -o tmp/<T>_%d.png -O width=1024 <pdf>
//
// started with an argument list (no shell) from beside the program when it is
// there, else from PATH, in the working directory (the data folder), and
// awaited for a bounded time. T is the start time in seconds since 1970
// (moved on to a number no earlier conversion left pages under); %d is the
// page number counted from 1. The pages stay in tmp/.
namespace pdfimport {

struct Conversion {
    // 0: `pages` holds the converted pages. Otherwise `message` says why not,
    // for a message box under "提示": "错误码：<n>" when the converter cannot
    // be started (2: not found, followed by the line "未找到 mutool，请安装
    // mupdf-tools"), or a text of its own for a conversion that timed out,
    // failed or gave no page (a damaged or encrypted file). A converter that
    // failed after writing pages (kFailed) still leaves in `pages` those it
    // wrote whole, in order (pagesBeforeFailure), and the message says after
    // how many it failed (partialMessage); the caller imports them and shows
    // the message.
    int code = 0;
    QString message;
    QStringList pages;  // "tmp/<T>_<page>.png", in page order
    QString stamp;      // T
};

// Converts `pdfPath` on a worker task behind the busy dialog (awaitTask),
// then collects the pages with the progress dialog "加载图片". GUI thread.
Conversion convert(const QString& pdfPath, int timeoutMs = 10 * 60 * 1000);

// The converter's file name and where it is found (empty when nowhere).
QString converterName();
QString converterPath();
// Tests: use this program instead (empty: the normal search).
void setConverter(const QString& path);

// Worker side: runs `program` with `arguments` in the working directory with
// output discarded, waits at most `timeoutMs`. 0 when it ran to its end with
// exit code 0; kFailed when it crashed or ended with another exit code (in
// `exitCode`, -1 for a crash); kTimedOut after killing it; else a system
// error code for a start that failed (2 not found, 13 not executable, 8
// otherwise), with `err` describing it.
constexpr int kTimedOut = -2;
constexpr int kFailed = -3;
int runConverter(const QString& program, const QStringList& arguments, int timeoutMs, std::string& err, int& exitCode);

// The pages of conversion `stamp` found in `folder`: the files named
// <stamp>_<number>.png, as "<folder>/<name>" sorted by pageLess, with the
// progress dialog "加载图片".
QStringList collectPages(const QString& stamp, const QString& folder = QStringLiteral("tmp"));

// The pages of conversion `stamp` that a failed converter wrote in `folder`:
// pages 1, 2, ... in order up to the first that is missing or does not pass
// the picture door (platform::verifyPicture; `check`, when given, instead:
// empty for a page that passes); that page and the rest are removed. The
// checks run on worker threads behind the progress dialog "加载图片", the
// window painting meanwhile; its 取消 keeps the pages found whole before the
// one whose check was awaited and removes the rest. GUI thread.
QStringList pagesBeforeFailure(const QString& stamp, const QString& folder = QStringLiteral("tmp"),
                               const PictureChecks::Check& check = PictureChecks::Check());

// Strict total order of page file names: names whose base name (up to the
// first dot) has a number after its first "_" come first, by that number;
// the others after them; equal keys by name.
bool pageLess(const QString& a, const QString& b);

// Message texts.
QString startFailedMessage(int code);
QString timedOutMessage();
QString failedMessage(int exitCode);
// "PDF转换失败（mutool 退出码：<n>），已导入前 <pages> 页"
QString partialMessage(int exitCode, int pages);
QString noPagesMessage();

}  // namespace pdfimport
