#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPixmap>

#include <algorithm>
#include <memory>
#include <vector>

#include "ChartProbe.h"
#include "platform/chart/Chart.h"

namespace {

QImage render(chart::BaseChart& c, int format)
{
    const chart::MemBlock block = c.makeChart(format);
    return probe::decode(QByteArray(block.data, block.len));
}

std::unique_ptr<chart::PieChart> pie(const std::vector<double>& values, const std::vector<int>& colours)
{
    auto p = std::make_unique<chart::PieChart>(800, 400, chart::BackgroundColor, chart::Transparent, 0);
    chart::PieChart& c = *p;
    c.setPieSize(200, 200, 100);
    c.addLegend(300, 50, true, "simsun.ttc", 10);
    c.setLabelFormat("{percent}%");
    if (!colours.empty())
        c.setColors(chart::DataColor, colours.data(), static_cast<int>(colours.size()));
    std::vector<const char*> labels(values.size(), "扇区");
    c.setData(values.data(), static_cast<int>(values.size()), labels.data(), static_cast<int>(labels.size()));
    return p;
}

}  // namespace

TEST(ChartLayer, ImageBytesInEveryFormatLoadAsPixmapOfTheChartSize)
{
    struct Case {
        int format;
        const char* magic;
    };
    for (const Case& c : {Case{chart::PNG, "\x89PNG"}, Case{chart::BMP, "BM"}, Case{chart::JPG, "\xff\xd8"}}) {
        auto p = pie({1, 2}, {});
        const chart::MemBlock block = p->makeChart(c.format);
        ASSERT_NE(block.data, nullptr) << c.format;
        EXPECT_TRUE(QByteArray(block.data, block.len).startsWith(c.magic)) << c.format;
        QPixmap pixmap;
        ASSERT_TRUE(pixmap.loadFromData(reinterpret_cast<const uchar*>(block.data), static_cast<uint>(block.len)));
        EXPECT_EQ(pixmap.size(), QSize(800, 400));
    }
}

TEST(ChartLayer, PieHasItsCentreAndRadiusAndDefaultWhiteBackground)
{
    auto p = pie({1}, {0x112233});
    const QImage image = render(*p, chart::PNG);
    EXPECT_EQ(probe::rgb(image, 200, 200), 0x112233u);
    // Inside the rim on all four sides, outside it just beyond.
    EXPECT_EQ(probe::rgb(image, 200 + 97, 200), 0x112233u);
    EXPECT_EQ(probe::rgb(image, 200 - 97, 200), 0x112233u);
    EXPECT_EQ(probe::rgb(image, 200, 200 + 97), 0x112233u);
    EXPECT_EQ(probe::rgb(image, 200 + 104, 200), 0xffffffu);
    EXPECT_EQ(probe::rgb(image, 200 - 104, 200), 0xffffffu);
    EXPECT_EQ(probe::rgb(image, 200, 200 - 104), 0xffffffu);
    EXPECT_EQ(probe::rgb(image, 5, 5), 0xffffffu);
    EXPECT_EQ(probe::rgb(image, 795, 395), 0xffffffu);
}

TEST(ChartLayer, SectorsRunClockwiseFromTwelveInPaletteColoursAndDefaultColours)
{
    const std::vector<double> values = {3, 1, 2, 6};
    auto own = pie(values, {0x0000ff, 0x00ff00, 0xff0000, 0x808000});
    const QImage ownImage = render(*own, chart::PNG);
    const unsigned expected[] = {0x0000ff, 0x00ff00, 0xff0000, 0x808000};
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(probe::sectorColour(ownImage, values, i), expected[i]) << i;

    // Without colours of its own the chart uses its data colours, each sector
    // a different one.
    auto plain = pie(values, {});
    const QImage plainImage = render(*plain, chart::PNG);
    std::vector<unsigned> seen;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const unsigned colour = probe::sectorColour(plainImage, values, i);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), colour), 0) << i;
        seen.push_back(colour);
    }
}

TEST(ChartLayer, VerticalLegendListsSectorKeysFromItsTopLeftCorner)
{
    auto p = pie({1, 1}, {0x0000ff, 0x00ff00});
    const QImage image = render(*p, chart::PNG);
    // The first key lies just inside the corner (300, 50), the second below it.
    auto find = [&](unsigned colour, int& top) {
        for (int y = 50; y < 90; ++y)
            for (int x = 300; x < 320; ++x)
                if (probe::rgb(image, x, y) == colour) {
                    top = y;
                    return true;
                }
        return false;
    };
    int first = -1, second = -1;
    ASSERT_TRUE(find(0x0000ffu, first));
    ASSERT_TRUE(find(0x00ff00u, second));
    EXPECT_LT(first, 62);
    EXPECT_GT(second, first);
    for (int y = 40; y < 90; ++y)
        for (int x = 280; x < 300; ++x)
            EXPECT_NE(probe::rgb(image, x, y), 0x00ff00u) << x << "," << y;
}

TEST(ChartLayer, SideBySideBarsStandInThePlotAreaOverTheGrid)
{
    chart::XYChart c(800, 400, chart::BackgroundColor, chart::Transparent, 0);
    c.setPlotArea(50, 20, 700, 300, chart::Transparent, -1, -1, 0xc0c0c0, chart::Transparent);
    c.yAxis()->setTickDensity(50);
    c.yAxis()->setMargin(30);
    const double red[] = {4, 0, 9};
    const double green[] = {2, 5, 0};
    const char* labels[] = {"a", "b", "c"};
    c.xAxis()->setLabels(labels, 3);
    chart::Layer* layer = chart::BarLayer2Layer(c.addBarLayer2(chart::Side, 0));
    layer->addDataSet(red, 3, 0xff0000, "r");
    layer->addDataSet(green, 3, 0x00ff00, "g");
    const QImage image = render(c, chart::PNG);

    EXPECT_EQ(probe::barColour(image, 3, 0, 0), 0xff0000u);
    EXPECT_EQ(probe::barColour(image, 3, 0, 1), 0x00ff00u);
    EXPECT_EQ(probe::barColour(image, 3, 1, 0), 0xffffffu);  // zero bar
    EXPECT_EQ(probe::barColour(image, 3, 1, 1), 0x00ff00u);
    EXPECT_EQ(probe::barColour(image, 3, 2, 0), 0xff0000u);

    // 30 pixels stay free above the highest bar; a major tick about every
    // 50 pixels.
    const chart::XYChart::Scale scale = c.valueScale();
    EXPECT_GE(scale.top * 270 / 300, 9.0);
    EXPECT_GE(scale.steps, 4);
    EXPECT_LE(scale.steps, 8);
    const int barTop = 320 - static_cast<int>(9 / scale.top * 300);
    const int x = 50 + static_cast<int>(2.3 * 700 / 3);
    EXPECT_EQ(probe::rgb(image, x, barTop + 3), 0xff0000u);
    EXPECT_NE(probe::rgb(image, x, barTop - 3), 0xff0000u);
    EXPECT_GE(barTop, 20 + 28);

    // Horizontal grid lines in 0xc0c0c0 cross the plot, at its top among them.
    int gridRows = 0;
    for (int y = 18; y < 322; ++y)
        if (probe::rgb(image, 60, y) == 0xc0c0c0u || probe::rgb(image, 400, y) == 0xc0c0c0u)
            ++gridRows;
    EXPECT_GE(gridRows, scale.steps - 1);
}

TEST(ChartLayer, PaletteEntriesAndTransparencyResolve)
{
    chart::PieChart c(10, 10);
    EXPECT_EQ(c.color(chart::BackgroundColor, 0).rgb() & 0xffffffu, 0xffffffu);
    EXPECT_EQ(c.color(chart::Transparent, 0).alpha(), 0);
    EXPECT_EQ(c.color(0x123456, 0).rgba(), 0xff123456u);
    const int colours[] = {0xabcdef};
    c.setColors(chart::DataColor + 2, colours, 1);
    EXPECT_EQ(c.color(chart::DataColor + 2, 0).rgb() & 0xffffffu, 0xabcdefu);
    EXPECT_EQ(c.color(-1, 0x00ff00).rgb() & 0xffffffu, 0x00ff00u);
}

TEST(ChartLayer, PieWithoutAnythingToShareDrawsNoSectors)
{
    for (const std::vector<double>& values :
         {std::vector<double>{0, 0}, std::vector<double>{-3}, std::vector<double>{}}) {
        auto p = pie(values, {0x0000ff, 0x00ff00});
        const QImage image = render(*p, chart::PNG);
        ASSERT_EQ(image.size(), QSize(800, 400));
        EXPECT_EQ(probe::rgb(image, 200, 200), 0xffffffu);
        EXPECT_EQ(probe::rgb(image, 200, 150), 0xffffffu);
    }
}

TEST(ChartLayer, SectorLabelsKeepClearOfTheLegendAndOfEachOther)
{
    struct Case {
        const char* name;
        std::vector<double> values;
    };
    const Case cases[] = {
        // The first sector's label would sit on the legend's entries.
        {"four near-equal sectors", {16, 15, 15, 15}},
        {"one large, one tiny", {99, 1}},
        {"twelve causes", {1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4}},
        {"many tiny ones", {40, 1, 1, 1, 1, 1, 1, 1, 1, 30}},
    };
    for (const Case& c : cases) {
        auto p = pie(c.values, {});
        const QRect legend = p->legendRect();
        ASSERT_FALSE(legend.isEmpty()) << c.name;
        EXPECT_EQ(legend.topLeft(), QPoint(300, 50)) << c.name;
        const std::vector<chart::PieChart::SectorLabel> labels = p->labelLayout();
        ASSERT_EQ(labels.size(), c.values.size()) << c.name;
        for (std::size_t i = 0; i < labels.size(); ++i) {
            const chart::PieChart::SectorLabel& label = labels[i];
            EXPECT_EQ(label.sector, static_cast<int>(i)) << c.name;
            EXPECT_TRUE(label.text.endsWith('%')) << c.name;
            EXPECT_TRUE(QRect(0, 0, 800, 400).contains(label.rect)) << c.name << " " << i;
            EXPECT_FALSE(label.rect.intersects(legend)) << c.name << " " << i;
            for (std::size_t k = i + 1; k < labels.size(); ++k)
                EXPECT_FALSE(label.rect.intersects(labels[k].rect)) << c.name << " " << i << "/" << k;
        }
    }
}

TEST(ChartLayer, ValueAxisTitleStaysInsideTheChartBesideWideLabels)
{
    chart::XYChart c(800, 400, chart::BackgroundColor, chart::Transparent, 0);
    c.setPlotArea(50, 20, 700, 300, chart::Transparent, -1, -1, 0xc0c0c0, chart::Transparent);
    c.yAxis()->setTickDensity(50);
    c.yAxis()->setMargin(30);
    c.yAxis()->setTitle("数量", "simsun.ttc", 10, chart::TextColor);
    const double values[] = {1800, 950};
    chart::BarLayer2Layer(c.addBarLayer2(chart::Side, 0))->addDataSet(values, 2, 0xff3333, "a");
    const QImage image = render(c, chart::PNG);
    auto inkIn = [&](int x0, int x1) {
        int ink = 0;
        for (int x = x0; x < x1; ++x)
            for (int y = 20; y < 320; ++y)
                if (qGray(image.pixel(x, y)) < 128)
                    ++ink;
        return ink;
    };
    EXPECT_EQ(inkIn(0, 1), 0);    // nothing cut at the left edge
    EXPECT_GT(inkIn(1, 18), 20);  // the title, left of the four-digit labels
}
