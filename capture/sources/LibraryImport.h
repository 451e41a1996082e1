#pragma once

#include <QString>
#include <QStringList>

// The library folder "documents" of the data folder: every imported page
// (image files, PDF pages, camera shots, phone uploads) is copied there as
// <n>.<suffix>, n taken from the running number kept in the setting
// "import_index".
namespace libraryimport {

// "documents", relative to the working directory (the data folder).
QString libraryFolder();

// Copies `files`, in order, into `folder` (created when missing), showing the
// progress dialog "导入图片":
//  - the running number is read from "import_index" (default 1) at the start;
//  - each file takes the current number and its own suffix (case kept); when
//    a page of that number is already in the folder (under any suffix) it
//    takes the next free number instead, so an import never hides behind an
//    older page;
//  - the number then grows by one, whether or not the copy succeeded (a file
//    that cannot be read is skipped);
//  - "import_index" is stored after the copies (only when `files` is not
//    empty).
// Returns the library paths ("documents/7.JPG") of the files copied, in
// order. GUI thread.
QStringList copyIntoLibrary(const QStringList& files, const QString& folder = libraryFolder());

// The pictures of `folder` (files matching *.bmp, *.png, *.jpeg, *.jpg in
// any case) as "<folder>/<name>", in ascending order of the number before
// the first dot (a name that is no number counts as 0; equal numbers by
// name). False, `out` untouched, when the folder does not exist.
bool listImages(const QString& folder, QStringList& out);

// The number a library file name stands for: the integer value of the name
// up to its first dot; 0 when that is not a number.
int pageNumberOf(const QString& fileName);

}  // namespace libraryimport
