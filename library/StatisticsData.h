#pragma once

#include <QString>
#include <QtGlobal>

#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

// The figures of the statistics pages as plain data: chart sectors, the
// monthly window, size and share texts. No widgets, no database.
namespace statistics {

// One pie sector. color -1 leaves the colour to the chart's data colours.
struct Sector {
    std::string label;  // UTF-8
    double value = 0;
    int color = -1;

    bool operator==(const Sector& o) const { return label == o.label && value == o.value && color == o.color; }
};

// Mastery sectors from (state, times, count) rows, in the order 初次出错
// (state 0, times 1), 重复出错 (times 2), 多次出错 (times 3), 已掌握 (state 1,
// any times). A sector appears only when a row fell into it; rows of no
// sector are left out.
std::vector<Sector> stateSectors(const std::vector<std::tuple<int, int, int>>& counts);

// One sector per cause name in the map's (byte) order, default colours.
std::vector<Sector> causeSectors(const std::map<std::string, int>& counts);

// Month key "%04d%02d".
std::string monthKey(int year, int month);

// Lays the twelve months up to (year, month) over a non-empty map: keys older
// than the first month are dropped, missing months are added with 0, later
// keys stay. An empty map stays empty.
void applyMonthWindow(std::map<std::string, int>& counts, int year, int month);

// The two bar series of the monthly chart over one list of months (the keys
// of both windowed maps). A map that is empty after the window gives an empty
// series; otherwise every month has a value (0 when missing).
struct MonthlySeries {
    std::vector<std::string> months;
    std::vector<double> added;
    std::vector<double> mastered;
};
MonthlySeries monthlySeries(std::map<std::string, int> added, std::map<std::string, int> mastered, int year, int month);

// A folder size as "1.50M": G above 1073741824 bytes, M above 1048576, else K;
// two decimals.
QString sizeText(qulonglong bytes);
// sizeText, wrapped in a red font element above 524288000 bytes.
QString sizeLabelText(qulonglong bytes);
// The share n of count in per cent with two decimals and "%" ("37.50%").
QString shareText(int n, int count);

// The exam points ranked by weight, the heaviest first (equal weights in text
// order).
std::vector<std::pair<std::string, double>> rankPoints(const std::map<std::string, double>& points);

// True when name is one plain folder name: not empty, not "." or "..", no
// path separator and no NUL.
bool isPlainFolderName(const std::string& name);

}  // namespace statistics
