#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The library folder "documents" of the data folder: every imported page
// (image files, PDF pages, camera shots, phone uploads) is copied there as
// <n>.<suffix>, n taken from the running number kept in the setting
// "import_index".
namespace libraryimport {

// "documents", relative to the working directory (the data folder).
QString libraryFolder();

// Why `file` may not enter the library (empty when it may): "不是文件",
// "不是支持的图片类型", "图片尺寸过大（W×H 像素）", "不是图片或已损坏".
QString refusalReason(const QString& file);

// How an import checks its files: `check` (empty: refusalReason) gives the
// reason a file may not enter the library, on `workers` threads at once
// (< 1: one per core).
struct ImportChecks {
    std::function<QString(const QString& file)> check;
    int workers = 0;
};

// Copies `files`, in order, into `folder` (created when missing), showing the
// progress dialog "导入图片" with its button "取消":
//  - the running number is read from "import_index" (default 1) at the start;
//  - each file takes the current number and its own suffix (case kept); when
//    a page of that number is already in the folder (under any suffix) it
//    takes the next free number instead, so an import never hides behind an
//    older page;
//  - only a picture enters the library: a regular file whose suffix is one
//    the library lists (bmp, png, jpeg, jpg, any case) and whose content
//    decodes whole as a PNG, JPEG or BMP picture within the program's size
//    limits (platform::verifyPicture, run ahead on worker threads: see
//    PictureChecks.h); any other file is not copied, and
//    `refused` (when given) receives one line for it, its file name and the
//    reason;
//  - the number then grows by one, whether or not the copy succeeded (a
//    refused file and a failed copy consume their numbers too);
//  - the window keeps painting while a check or a copy runs; 取消 can be
//    pressed during a check (during a copy, which runs on a worker task and
//    leaves the target whole or absent, the press counts once it ends). It
//    ends the import before the file whose check is awaited: that file and
//    those after it are neither copied nor refused and take no number, and
//    no check starts any more (those running end first, the window painting);
//  - "import_index" is stored after the copies (only when `files` is not
//    empty): the number after the last file handled.
// Returns the library paths ("documents/7.JPG") of the files copied, in
// order. GUI thread.
QStringList copyIntoLibrary(const QStringList& files, const QString& folder = libraryFolder(),
                            QStringList* refused = nullptr, const ImportChecks& plan = ImportChecks());

// The one message that names the refused files of an import (the lines
// copyIntoLibrary gave); empty when there are none.
QString refusedMessage(const QStringList& refused);

// The pictures of `folder` (files matching *.bmp, *.png, *.jpeg, *.jpg in
// any case) as "<folder>/<name>", in ascending order of the number before
// the first dot (a name that is no number counts as 0; equal numbers by
// name). False, `out` untouched, when the folder does not exist.
bool listImages(const QString& folder, QStringList& out);

// The number a library file name stands for: the integer value of the name
// up to its first dot; 0 when that is not a number.
int pageNumberOf(const QString& fileName);

}  // namespace libraryimport
