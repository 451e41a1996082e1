#include "library/StatisticsChart.h"

#include <memory>
#include <string>

#include "platform/chart/Chart.h"

namespace statistics {

namespace {

const char* const kFont = "simsun.ttc";

// The chart as a BMP file image in memory; QPixmap tells the format from the
// bytes.
QByteArray take(chart::BaseChart& c)
{
    const chart::MemBlock image = c.makeChart(chart::BMP);
    return image.data ? QByteArray(image.data, image.len) : QByteArray();
}

}  // namespace

QByteArray drawPie(const std::vector<Sector>& sectors, bool ownColours)
{
    std::vector<double> values;
    std::vector<const char*> labels;
    std::vector<int> colors;
    for (const Sector& sector : sectors) {
        values.push_back(sector.value);
        labels.push_back(sector.label.c_str());
        colors.push_back(sector.color);
    }
    auto c = std::make_unique<chart::PieChart>(ChartWidth, ChartHeight, chart::BackgroundColor, chart::Transparent, 0);
    c->setPieSize(PieX, PieY, PieRadius);
    c->addLegend(300, 50, true, kFont, 10);
    c->setLabelFormat("{percent}%");
    c->setLabelStyle(kFont, 10, chart::TextColor);
    c->setDefaultFonts(kFont);
    if (ownColours)
        c->setColors(chart::DataColor, colors.data(), static_cast<int>(colors.size()));
    c->setData(values.data(), static_cast<int>(values.size()), labels.data(), static_cast<int>(labels.size()));
    return take(*c);
}

QByteArray drawMonthly(const MonthlySeries& series)
{
    std::vector<const char*> labels;
    for (const std::string& month : series.months)
        labels.push_back(month.c_str());
    auto c = std::make_unique<chart::XYChart>(ChartWidth, ChartHeight, chart::BackgroundColor, chart::Transparent, 0);
    c->setPlotArea(PlotX, PlotY, PlotWidth, PlotHeight, chart::Transparent, -1, -1, 0xc0c0c0, chart::Transparent);
    c->yAxis()->setTickDensity(50);
    c->yAxis()->setMargin(30);
    c->addLegend(55, 18, false, kFont, 10)->setBackground(chart::Transparent, -1, 0);
    c->xAxis()->setTitle("月份", kFont, 10, chart::TextColor);
    c->yAxis()->setTitle("数量", kFont, 10, chart::TextColor);
    c->xAxis()->setLabels(labels.data(), static_cast<int>(labels.size()));
    chart::Layer* layer = chart::BarLayer2Layer(c->addBarLayer2(chart::Side, 0));
    layer->addDataSet(series.added.data(), static_cast<int>(series.added.size()), 0xff3333, "题目收录");
    layer->addDataSet(series.mastered.data(), static_cast<int>(series.mastered.size()), 0x33ff33, "已掌握");
    return take(*c);
}

}  // namespace statistics
