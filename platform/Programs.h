#pragma once

#include <QString>

// Finding the outside programs the program starts (the PDF converter, the
// screen-capture helper, ...). They are always started with an argument list,
// never through a shell, and always with a bounded wait.
namespace platform {

// The full path of the program `name`: the executable file of that name beside
// the running program (QCoreApplication::applicationDirPath()) when there is
// one, else the first one on PATH; empty when neither exists.
QString findProgram(const QString& name);

}  // namespace platform
