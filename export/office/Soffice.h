#pragma once

#include <QString>
#include <QStringList>

// LibreOffice started as a converter: `soffice --headless --convert-to`.
// Each process keeps a private LibreOffice profile folder of its own (in the
// temporary folder, removed at exit), so it never meets a LibreOffice the
// user has open, nor another process converting at the same time.
namespace office {

// The longest wait for a run converting `files` documents: three minutes
// for the first, two more for each further one. A run that takes longer is
// killed.
int convertTimeoutMs(int files);

// soffice beside the program, else on PATH (soffice, then libreoffice);
// empty when there is none.
QString findSoffice();

// The file that a conversion of `file` to `target` ("doc", "pdf",
// "txt:Text") writes into outDir.
QString convertedPath(const QString& file, const QString& target, const QString& outDir);

// Converts the files in one LibreOffice run, writing into outDir. True when
// the run ended normally with exit code 0 and every output file exists and
// is not empty; otherwise false with err (UTF-8 text for the pupil). Runs
// of one process wait for each other. timeoutMs < 0: convertTimeoutMs.
bool convert(const QStringList& files, const QString& target, const QString& outDir, QString& err, int timeoutMs = -1);

}  // namespace office
