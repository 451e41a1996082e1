#include "library/StatisticsData.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <set>

namespace statistics {

std::vector<Sector> stateSectors(const std::vector<std::tuple<int, int, int>>& counts)
{
    static const std::array<const char*, 4> labels = {"初次出错", "重复出错", "多次出错", "已掌握"};
    static const std::array<int, 4> colors = {0xff3333, 0xd62b2b, 0xb62424, 0x33ff33};
    std::array<double, 4> sums{};
    std::array<bool, 4> present{};
    for (const auto& [state, times, count] : counts) {
        int sector = -1;
        if (state == 0 && times >= 1 && times <= 3)
            sector = times - 1;
        else if (state == 1)
            sector = 3;
        if (sector < 0)
            continue;
        sums[static_cast<std::size_t>(sector)] += count;
        present[static_cast<std::size_t>(sector)] = true;
    }
    std::vector<Sector> sectors;
    for (std::size_t i = 0; i < sums.size(); ++i)
        if (present[i])
            sectors.push_back({labels[i], sums[i], colors[i]});
    return sectors;
}

std::vector<Sector> causeSectors(const std::map<std::string, int>& counts)
{
    std::vector<Sector> sectors;
    for (const auto& [name, count] : counts)
        sectors.push_back({name, static_cast<double>(count), -1});
    return sectors;
}

std::string monthKey(int year, int month)
{
    char key[32];
    std::snprintf(key, sizeof key, "%04d%02d", year, month);
    return key;
}

void applyMonthWindow(std::map<std::string, int>& counts, int year, int month)
{
    if (counts.empty())
        return;
    int y = month == 12 ? year : year - 1;
    int m = month == 12 ? 1 : month + 1;
    const std::string first = monthKey(y, m);
    counts.erase(counts.begin(), counts.lower_bound(first));
    for (int i = 0; i < 12; ++i) {
        counts.emplace(monthKey(y, m), 0);
        if (++m > 12) {
            m = 1;
            ++y;
        }
    }
}

MonthlySeries monthlySeries(std::map<std::string, int> added, std::map<std::string, int> mastered, int year, int month)
{
    applyMonthWindow(added, year, month);
    applyMonthWindow(mastered, year, month);
    std::set<std::string> months;
    for (const auto& entry : added)
        months.insert(entry.first);
    for (const auto& entry : mastered)
        months.insert(entry.first);
    MonthlySeries series;
    series.months.assign(months.begin(), months.end());
    auto fill = [&](const std::map<std::string, int>& counts, std::vector<double>& values) {
        if (counts.empty())
            return;
        for (const std::string& key : series.months) {
            const auto it = counts.find(key);
            values.push_back(it == counts.end() ? 0.0 : static_cast<double>(it->second));
        }
    };
    fill(added, series.added);
    fill(mastered, series.mastered);
    return series;
}

QString sizeText(qulonglong bytes)
{
    const double value = static_cast<double>(bytes);
    if (bytes > 1073741824ull)
        return QString::number(value / 1024 / 1024 / 1024, 'f', 2) + QLatin1Char('G');
    if (bytes > 1048576ull)
        return QString::number(value / 1024 / 1024, 'f', 2) + QLatin1Char('M');
    return QString::number(value / 1024, 'f', 2) + QLatin1Char('K');
}

QString sizeLabelText(qulonglong bytes)
{
    const QString text = sizeText(bytes);
    if (bytes > 524288000ull)
        return QStringLiteral("<font color=\"red\">") + text + QStringLiteral("</font>");
    return text;
}

QString shareText(int n, int count)
{
    const double share = count > 0 ? static_cast<double>(n) / count * 100.0 : 0.0;
    return QStringLiteral("%1%").arg(share, 0, 'f', 2);
}

std::vector<std::pair<std::string, double>> rankPoints(const std::map<std::string, double>& points)
{
    std::vector<std::pair<std::string, double>> ranked(points.begin(), points.end());
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    return ranked;
}

bool isPlainFolderName(const std::string& name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    return name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

}  // namespace statistics
