#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QTemporaryDir;

namespace office {

// One LibreOffice for a series of conversions (the documents of one export
// run): started at the first conversion, kept running with an empty
// document open, and stopped when the session ends. Each conversion is a
// `soffice --convert-to` run on the same private profile, which hands its
// files to the running office and waits until they are written, so every
// conversion keeps its own result, error and time limit while LibreOffice
// starts once. When the office cannot be started or has gone, a conversion
// runs as a converter of its own, as convert() does.
//
// One thread at a time; the session may end on another thread than the one
// that converted.
class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // As office::convert.
    bool convert(const QStringList& files, const QString& target, const QString& outDir, QString& err,
                 int timeoutMs = -1);

    // The process id of the session's running office; 0 when none runs.
    qint64 processId() const;

private:
    void start(const QString& soffice, const QString& profile);
    bool waitUntilReady() const;
    void stop();

    std::unique_ptr<QTemporaryDir> work_;  // the open empty document and its lock file
    qint64 pid_ = 0;                       // leader of the office's process group
};

}  // namespace office
