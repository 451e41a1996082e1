#pragma once

#include <QString>
#include <QStringList>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

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
    ~PictureChecks();

    // The result for files[i], once it is there.
    QString result(int i);

private:
    PictureChecks(const PictureChecks&) = delete;
    PictureChecks& operator=(const PictureChecks&) = delete;
    void work();
    QString run(int i) const;

    const QStringList files_;
    const Check check_;
    const QString failure_;
    std::vector<QString> results_;
    std::vector<char> ready_;
    int next_ = 0;
    bool stop_ = false;
    std::mutex mutex_;
    std::condition_variable done_;
    std::vector<std::thread> workers_;
};
