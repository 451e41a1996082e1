#pragma once

// Small helpers shared by the benchmark programs.

#include <QDir>
#include <QImage>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "core/AppContext.h"
#include "core/Sqlite.h"

namespace bench {

// The value at `fraction` (0.5 the median, 0.9 the 90th percentile) of the
// sorted samples; 0 for none.
// Before the application object is made: the offscreen platform unless one
// is chosen, and the data folder in appData (a temporary folder the caller
// keeps for the whole run).
inline void useOffscreenAndPrivateData(const QTemporaryDir& appData)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("APPDATA", appData.path().toLocal8Bit().constData(), 1);
}

inline double quantile(std::vector<double> samples, double fraction)
{
    if (samples.empty())
        return 0.0;
    std::sort(samples.begin(), samples.end());
    const auto index = static_cast<std::size_t>(static_cast<double>(samples.size()) * fraction);
    return samples[std::min(index, samples.size() - 1)];
}

inline double median(std::vector<double> samples)
{
    return quantile(std::move(samples), 0.5);
}

// Logs into the built-in account as start-up does, loads its base data into
// the context with the first subject current, and makes its question folder.
// Ends the program when the database refuses.
inline void loginBuiltInUser()
{
    std::string err;
    _user_t user;
    if (Singleton<sqlite>::instance()->login("lorvane", "704182", user, err) != 0) {
        std::fprintf(stderr, "login: %s\n", err.c_str());
        std::exit(1);
    }
    AppContext* ctx = AppContext::instance();
    ctx->user = user;
    ctx->user_folder = std::to_string(user.id);
    std::map<int, _type_t> types;
    Singleton<sqlite>::instance()->getTypes(user.id, types, err);
    ctx->setBaseData(types);
    ctx->subject = ctx->subjects.front();
    QDir().mkpath(QStringLiteral("item/") + QString::fromStdString(ctx->user_folder));
}

// Adds the grain of scanned paper to an RGB888 picture: every byte moves by
// -8..8, from a fixed pseudo-random sequence started at `seed`.
inline void addPaperNoise(QImage& image, quint32 seed)
{
    for (int y = 0; y < image.height(); ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < image.width() * 3; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int n = static_cast<int>((seed >> 24) % 17) - 8;
            line[x] = static_cast<uchar>(std::clamp(line[x] + n, 0, 255));
        }
    }
}

}  // namespace bench
