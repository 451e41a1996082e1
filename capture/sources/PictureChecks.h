#pragma once

#include <QString>
#include <QStringList>

#include <functional>

#include "capture/common/WorkAhead.h"

// Runs one check per file on worker threads (at most one per core) that work
// ahead of the caller, who takes the results in file order: a library import
// of many pages decodes each one to check it, and spread over the cores that
// costs little more than the copy.
//
//     PictureChecks checks(files, libraryimport::refusalReason);
//     for (int i = 0; i < files.size(); ++i)
//         use(checks.result(i));          // waits for file i only
//
// The check must be safe on any thread. A check that throws gives
// `failure`. The workers have ended when the object is destroyed.
class PictureChecks {
public:
    using Check = std::function<QString(const QString& file)>;

    PictureChecks(const QStringList& files, Check check, QString failure = QString());

    // The result for files[i], once it is there.
    QString result(int i);

private:
    WorkAhead<QString> work_;
};
