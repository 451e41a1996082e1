#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

#include "capture/common/WorkAhead.h"

// Runs one check per file on worker threads (by default one per core) that
// work ahead of the caller, who takes the results in file order: a library
// import of many pages decodes each one to check it, and spread over the
// cores that costs little more than the copy.
//
//     PictureChecks checks(files, libraryimport::refusalReason);
//     for (int i = 0; i < files.size(); ++i)
//         use(checks.result(i));          // waits for file i only
//
// The GUI thread waits in slices (ready) and may give up early (stop). The
// check must be safe on any thread. A check that throws gives `failure`, and
// so does a file whose check stop() kept from running. The workers have
// ended when the object is destroyed.
class PictureChecks {
public:
    using Check = std::function<QString(const QString& file)>;

    // `workers` < 1: one per core.
    PictureChecks(const QStringList& files, Check check, QString failure = QString(), int workers = 0);

    // The result for files[i], once it is there.
    QString result(int i);

    // Whether result(i) returns at once, after waiting at most `slice`.
    bool ready(int i, std::chrono::milliseconds slice);

    // No other check starts; waits for those running to end (each is
    // bounded by the picture door) on a worker task, the window painting
    // meanwhile (awaitTask without the busy dialog). result() of a check that
    // never started gives `failure`.
    void stop();

private:
    WorkAhead<QString> work_;
};
