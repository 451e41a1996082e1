#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "ChartProbe.h"
#include "library/StatisticsChart.h"
#include "library/StatisticsData.h"

using statistics::Sector;

TEST(StatisticsData, StateSectorsTable)
{
    using Rows = std::vector<std::tuple<int, int, int>>;
    struct Case {
        Rows rows;
        std::vector<Sector> sectors;
    };
    const Case cases[] = {
        // The missing 重复出错 takes neither a sector nor a colour.
        {{{0, 1, 5}, {0, 3, 2}, {1, 1, 4}, {1, 2, 1}},
         {{"初次出错", 5, 0xff3333}, {"多次出错", 2, 0xb62424}, {"已掌握", 5, 0x33ff33}}},
        {{{1, 3, 2}, {0, 2, 7}, {0, 1, 1}, {0, 3, 3}},
         {{"初次出错", 1, 0xff3333}, {"重复出错", 7, 0xd62b2b}, {"多次出错", 3, 0xb62424}, {"已掌握", 2, 0x33ff33}}},
        // Rows of no sector: times 0 or above 3, unknown states.
        {{{0, 0, 4}, {0, 4, 1}, {2, 1, 3}}, {}},
        {{}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(statistics::stateSectors(c.rows), c.sectors);
}

TEST(StatisticsData, CauseSectorsFollowNameOrderAndKeepTheEmptyName)
{
    const std::map<std::string, int> counts = {{"粗心", 1}, {"", 4}, {"概念不清", 9}};
    const std::vector<Sector> sectors = statistics::causeSectors(counts);
    ASSERT_EQ(sectors.size(), 3u);
    EXPECT_EQ(sectors[0], (Sector{"", 4, -1}));
    EXPECT_EQ(sectors[1].label, "概念不清");
    EXPECT_EQ(sectors[2].label, "粗心");
}

namespace {
std::map<std::string, int> twelveFrom(int year, int month, std::map<std::string, int> set = {})
{
    std::map<std::string, int> m;
    for (int i = 0; i < 12; ++i) {
        m[statistics::monthKey(year, month)] = 0;
        if (++month > 12) {
            month = 1;
            ++year;
        }
    }
    for (const auto& e : set)
        m[e.first] = e.second;
    return m;
}
}  // namespace

TEST(StatisticsData, TwelveMonthWindowTable)
{
    struct Case {
        const char* name;
        std::map<std::string, int> in;
        int year, month;
        std::map<std::string, int> out;
    };
    const Case cases[] = {
        {"December runs January to December",
         {{"202412", 3}, {"202411", 1}},
         2024,
         12,
         twelveFrom(2024, 1, {{"202412", 3}, {"202411", 1}})},
        {"January runs from February a year back",
         {{"202401", 2}, {"202302", 5}, {"202301", 7}},
         2024,
         1,
         twelveFrom(2023, 2, {{"202401", 2}, {"202302", 5}})},
        {"mid-year", {{"202406", 2}}, 2024, 6, twelveFrom(2023, 7, {{"202406", 2}})},
        {"a future key stays at the end",
         {{"202501", 1}, {"202405", 2}},
         2024,
         6,
         twelveFrom(2023, 7, {{"202405", 2}, {"202501", 1}})},
        {"all old gives twelve zeros", {{"201901", 9}, {"202001", 3}}, 2024, 6, twelveFrom(2023, 7)},
        {"empty stays empty", {}, 2024, 6, {}},
    };
    for (const Case& c : cases) {
        std::map<std::string, int> m = c.in;
        statistics::applyMonthWindow(m, c.year, c.month);
        EXPECT_EQ(m, c.out) << c.name;
    }
}

TEST(StatisticsData, MonthlySeriesShareTheirMonths)
{
    // Nothing mastered: twelve red bars and no green series.
    statistics::MonthlySeries s = statistics::monthlySeries({{"202406", 2}}, {}, 2024, 6);
    ASSERT_EQ(s.months.size(), 12u);
    EXPECT_EQ(s.months.front(), "202307");
    EXPECT_EQ(s.months.back(), "202406");
    EXPECT_EQ(s.added.back(), 2);
    EXPECT_TRUE(s.mastered.empty());

    // A mastered month that the added map lacks (a question changed after
    // the clock was set back) still stands under its own label.
    s = statistics::monthlySeries({{"202406", 2}}, {{"202407", 1}, {"202405", 3}}, 2024, 6);
    ASSERT_EQ(s.months.size(), 13u);
    ASSERT_EQ(s.added.size(), 13u);
    ASSERT_EQ(s.mastered.size(), 13u);
    EXPECT_EQ(s.months[12], "202407");
    EXPECT_EQ(s.mastered[12], 1);
    EXPECT_EQ(s.added[12], 0);
    EXPECT_EQ(s.months[10], "202405");
    EXPECT_EQ(s.mastered[10], 3);
    EXPECT_EQ(s.added[11], 2);

    s = statistics::monthlySeries({}, {}, 2024, 6);
    EXPECT_TRUE(s.months.empty());
}

TEST(StatisticsData, SizeTextTable)
{
    struct Case {
        qulonglong bytes;
        const char* text;
        bool red;
    };
    const Case cases[] = {
        {0, "0.00K", false},
        {1536, "1.50K", false},
        {1048576, "1024.00K", false},
        {1572864, "1.50M", false},
        {524288000, "500.00M", false},
        {524288001, "500.00M", true},
        {1073741824, "1024.00M", true},
        {2147483648ull, "2.00G", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(statistics::sizeText(c.bytes), QString::fromUtf8(c.text)) << c.bytes;
        const QString label = statistics::sizeLabelText(c.bytes);
        if (c.red)
            EXPECT_EQ(label, QStringLiteral("<font color=\"red\">%1</font>").arg(c.text)) << c.bytes;
        else
            EXPECT_EQ(label, QString::fromUtf8(c.text)) << c.bytes;
    }
}

TEST(StatisticsData, ShareText)
{
    EXPECT_EQ(statistics::shareText(3, 8), QStringLiteral("37.50%"));
    EXPECT_EQ(statistics::shareText(0, 8), QStringLiteral("0.00%"));
    EXPECT_EQ(statistics::shareText(1, 3), QStringLiteral("33.33%"));
    EXPECT_EQ(statistics::shareText(5, 5), QStringLiteral("100.00%"));
}

TEST(StatisticsData, PointsRankByWeight)
{
    const auto ranked = statistics::rankPoints({{"a", 0.2}, {"b", 4.4}, {"c", 3}});
    ASSERT_EQ(ranked.size(), 3u);
    EXPECT_EQ(ranked[0].first, "b");
    EXPECT_EQ(ranked[1].first, "c");
    EXPECT_EQ(ranked[2].first, "a");
}

TEST(StatisticsData, PlainFolderNames)
{
    for (const char* ok : {"0b5c7c1e-uuid", "abc", "a.b", "...x"})
        EXPECT_TRUE(statistics::isPlainFolderName(ok)) << ok;
    for (const std::string& bad : {std::string(), std::string("."), std::string(".."), std::string("a/b"),
                                   std::string("/"), std::string("../x"), std::string("a\\b"), std::string("a\0b", 3)})
        EXPECT_FALSE(statistics::isPlainFolderName(bad)) << bad;
}

TEST(StatisticsCharts, MasterySectorsAreDrawnInTheirColours)
{
    const std::vector<Sector> sectors = statistics::stateSectors({{0, 1, 5}, {0, 3, 2}, {1, 1, 4}, {1, 2, 1}});
    const QByteArray bytes = statistics::drawPie(sectors, true);
    EXPECT_TRUE(bytes.startsWith("BM"));  // a BMP file image
    const QImage image = probe::decode(bytes);
    ASSERT_EQ(image.size(), QSize(800, 400));
    const std::vector<double> values = {5, 2, 5};
    const unsigned colours[] = {0xff3333, 0xb62424, 0x33ff33};
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(probe::sectorColour(image, values, i), colours[i]) << i;
}

TEST(StatisticsCharts, NoSectorsStillMakesAChart)
{
    const QImage image = probe::decode(statistics::drawPie({}, true));
    ASSERT_EQ(image.size(), QSize(800, 400));
    EXPECT_EQ(probe::rgb(image, 200, 200), 0xffffffu);
}

TEST(StatisticsCharts, MonthlyBarsStandUnderTheirMonths)
{
    std::map<std::string, int> added;
    std::map<std::string, int> mastered;
    for (int m = 1; m <= 12; ++m)
        added[statistics::monthKey(2024, m)] = m;
    mastered["202412"] = 6;
    const statistics::MonthlySeries series = statistics::monthlySeries(added, mastered, 2024, 12);
    const QImage image = probe::decode(statistics::drawMonthly(series));
    ASSERT_EQ(image.size(), QSize(800, 400));
    EXPECT_EQ(probe::barColour(image, 12, 11, 0), 0xff3333u);
    EXPECT_EQ(probe::barColour(image, 12, 11, 1), 0x33ff33u);
    EXPECT_EQ(probe::barColour(image, 12, 0, 0), 0xff3333u);
    EXPECT_EQ(probe::barColour(image, 12, 0, 1), 0xffffffu);
}
