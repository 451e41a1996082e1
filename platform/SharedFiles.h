#pragma once

#include <QString>

// Finding the files the program ships beside itself (the Word templates, the
// phone's upload page, translations). In the build folder they lie beside the
// program; an installed program (bin/Lorvane under a prefix) finds them under
// the prefix's share folder, <prefix>/share/lorvane/.
namespace platform {

// The path of the shipped file or folder `name` (relative, "/" separated):
// "<program folder>/<name>" when it exists there, else
// "<program folder>/../share/lorvane/<name>" when that exists, else the first
// (so that messages about a missing file name the usual place).
// `programFolder` stands for the program's folder (empty: the running
// program's, QCoreApplication::applicationDirPath()).
QString findShared(const QString& name, const QString& programFolder = QString());

// The share folder the installed files live in, relative to the program's
// folder: "../share/lorvane".
inline constexpr const char* kShareFolder = "../share/lorvane";

}  // namespace platform
