#pragma once

#include <QByteArray>
#include <QImage>
#include <QPixmap>

#include <cmath>
#include <vector>

#include "library/StatisticsChart.h"

// Reading colours back from drawn charts.
namespace probe {

inline QImage decode(const QByteArray& bytes)
{
    QPixmap pixmap;
    pixmap.loadFromData(bytes);
    return pixmap.toImage();
}

inline unsigned rgb(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0xffffffu;
}

// The colour at radius 50 from the pie's centre, at the middle angle of
// sector i (sectors run clockwise from twelve o'clock).
inline unsigned sectorColour(const QImage& image, const std::vector<double>& values, std::size_t i)
{
    double total = 0;
    for (double v : values)
        total += v;
    double before = 0;
    for (std::size_t k = 0; k < i; ++k)
        before += values[k];
    const double angle = (before + values[i] / 2) / total * 2 * M_PI;
    const int x = static_cast<int>(std::lround(statistics::PieX + 50 * std::sin(angle)));
    const int y = static_cast<int>(std::lround(statistics::PieY - 50 * std::cos(angle)));
    return rgb(image, x, y);
}

// A point inside bar `set` (0 first data set, 1 second) of group `group` of
// `groups`, a few pixels above the x axis.
inline unsigned barColour(const QImage& image, int groups, int group, int set)
{
    const double width = static_cast<double>(statistics::PlotWidth) / groups;
    const double centre = statistics::PlotX + (group + 0.5) * width;
    const double x = set == 0 ? centre - width * 0.2 : centre + width * 0.2;
    return rgb(image, static_cast<int>(std::lround(x)), statistics::PlotY + statistics::PlotHeight - 4);
}

}  // namespace probe
