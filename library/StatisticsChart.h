#pragma once

#include <QByteArray>

#include <vector>

#include "library/StatisticsData.h"

// The charts of the statistics pages, drawn in memory as image bytes that
// QPixmap loads (800 x 400 pixels).
namespace statistics {

constexpr int ChartWidth = 800;
constexpr int ChartHeight = 400;
// The pie's centre and radius in the chart.
constexpr int PieX = 200;
constexpr int PieY = 200;
constexpr int PieRadius = 100;
// The plot area of the monthly chart.
constexpr int PlotX = 50;
constexpr int PlotY = 20;
constexpr int PlotWidth = 700;
constexpr int PlotHeight = 300;

// The pie of the mastery and cause pages: sectors in order from twelve
// o'clock clockwise, labelled with their share, a vertical legend at
// (300, 50). ownColours: each sector is drawn in its own colour; otherwise
// the chart's default data colours are used.
QByteArray drawPie(const std::vector<Sector>& sectors, bool ownColours);

// The monthly bar chart: per month a red bar "题目收录" (0xff3333) and a
// green bar "已掌握" (0x33ff33) side by side.
QByteArray drawMonthly(const MonthlySeries& series);

}  // namespace statistics
