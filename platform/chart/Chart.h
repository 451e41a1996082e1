#pragma once

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QPainter;

// A small chart library: pie charts and bar charts drawn in memory and handed
// out as image bytes that QPixmap loads.
//
// The calls follow the usual shape of a chart toolkit: create a chart of a
// given pixel size, configure it (pie geometry, plot area, axes, legend,
// colours, fonts), hand over the data as plain arrays, then makeChart().
// Drawing is done with QtCharts in a QImage; the legend box is drawn by us so
// that it sits exactly where it is asked to.
//
// Colours are 0xRRGGBB; a value with the high byte 0xff and the next byte
// 0xff is a palette entry (the low 16 bits are its index), and 0xff000000 is
// transparent. -1 means "the default" for the argument concerned.
// Texts are NUL-terminated UTF-8. Font names are font files or families; the
// usual Windows Chinese fonts ("simsun.ttc" and the like) and unknown names
// are drawn in the installed CJK font.
namespace chart {

constexpr int Transparent = static_cast<int>(0xff000000u);
constexpr int Palette = static_cast<int>(0xffff0000u);
constexpr int BackgroundColor = static_cast<int>(0xffff0000u);
constexpr int LineColor = static_cast<int>(0xffff0001u);
constexpr int TextColor = static_cast<int>(0xffff0002u);
constexpr int DataColor = static_cast<int>(0xffff0008u);

// Image formats of makeChart.
enum ImageFormat { PNG = 0, JPG = 1, GIF = 2, BMP = 4 };

// How the data sets of one bar layer are combined.
enum DataCombineMethod { Overlay = 0, Stack = 1, Depth = 2, Side = 3, Percentage = 4 };

// The family drawn for CJK text and for font names that are not installed.
QString cjkFontFamily();

// The font used for a font name at a size in points (pixel size size * 4 / 3).
QFont resolveFont(const char* name, double size);

struct MemBlock {
    const char* data = nullptr;
    int len = 0;
};

class Box {
public:
    virtual ~Box() = default;
    // Background colour, edge colour and raised effect (0 flat).
    void setBackground(int color, int edgeColor = -1, int raisedEffect = 0);

protected:
    friend class BaseChart;
    int background_ = Transparent;
    int edge_ = Transparent;
    int raised_ = 0;
};

class TextBox : public Box {};

class LegendBox : public TextBox {
public:
    LegendBox(int x, int y, bool vertical, const QFont& font) : x_(x), y_(y), vertical_(vertical), font_(font) {}

    int x() const { return x_; }
    int y() const { return y_; }
    bool vertical() const { return vertical_; }

private:
    friend class BaseChart;
    int x_;
    int y_;
    bool vertical_;
    QFont font_;
};

// Convenience casts in the toolkit's style.
inline TextBox* LegendBox2TextBox(LegendBox* legend)
{
    return legend;
}
inline Box* TextBox2Box(TextBox* box)
{
    return box;
}

class DataSet {
public:
    std::vector<double> values;
    int color = -1;
    QString name;
};

class Layer {
public:
    virtual ~Layer() = default;
    // One series: values in order, its colour and its name in the legend.
    DataSet* addDataSet(const double* data, int len, int color = -1, const char* name = nullptr);
    const std::vector<std::unique_ptr<DataSet>>& dataSets() const { return dataSets_; }

protected:
    std::vector<std::unique_ptr<DataSet>> dataSets_;
};

class BarLayer : public Layer {
public:
    explicit BarLayer(int combine, int depth) : combine_(combine), depth_(depth) {}
    int combineMethod() const { return combine_; }
    int depth() const { return depth_; }

private:
    int combine_;
    int depth_;
};

inline Layer* BarLayer2Layer(BarLayer* layer)
{
    return layer;
}

class Axis {
public:
    // A major tick about every majorTickSpacing pixels; minor ticks default.
    void setTickDensity(int majorTickSpacing, int minorTickSpacing = -1);
    // Pixels kept free above the highest and below the lowest value.
    void setMargin(int topMargin, int bottomMargin = 0);
    TextBox* setTitle(const char* text, const char* font = nullptr, double fontSize = 8, int fontColor = TextColor);
    // One label per data point in order.
    void setLabels(const char* const* labels, int count);

private:
    friend class XYChart;
    int tickSpacing_ = 50;
    int topMargin_ = 0;
    int bottomMargin_ = 0;
    QString title_;
    QFont titleFont_;
    int titleColor_ = TextColor;
    bool hasTitle_ = false;
    TextBox titleBox_;
    QStringList labels_;
};

class BaseChart {
public:
    virtual ~BaseChart();

    int width() const { return width_; }
    int height() const { return height_; }

    // A legend box with its top-left corner at (x, y), listing the sectors or
    // data sets in order.
    LegendBox* addLegend(int x, int y, bool vertical = true, const char* font = nullptr, double fontSize = 10);
    // Font of every text that names no font of its own.
    void setDefaultFonts(const char* normal, const char* bold = nullptr, const char* italic = nullptr,
                         const char* boldItalic = nullptr);
    // Palette entries from paletteEntry on take the given colours.
    void setColors(int paletteEntry, const int* colors, int count);
    void setColor(int paletteEntry, int color);

    // Draws the chart and keeps the encoded image, valid until the next
    // makeChart or until the chart is destroyed.
    MemBlock makeChart(int format);
    bool makeChart(int format, const char** data, int* len);

    // The drawn picture (draws it when needed).
    QImage image();

    // Colour value to a Qt colour (palette entries resolved); fallback for -1.
    QColor color(int value, int fallback) const;

    // Where the legend box is drawn (empty without a legend).
    QRect legendRect() const;

protected:
    BaseChart(int width, int height, int bgColor, int edgeColor, int raisedEffect);

    struct LegendEntry {
        QString text;
        QColor color;
    };

    struct LegendLayout {
        std::vector<LegendEntry> entries;
        std::vector<QRect> places;  // key and text of each entry
        QRect box;
        int key = 0;   // side of a colour key
        int line = 0;  // height of one entry
    };
    LegendLayout legendLayout() const;

    QFont textFont(double size) const;
    // Draws the chart's own content on a painter covering the whole chart.
    virtual void draw(QPainter& painter) = 0;
    virtual std::vector<LegendEntry> legendEntries() const = 0;

private:
    void drawLegend(QPainter& painter);

    int width_;
    int height_;
    int background_;
    int edge_;
    int raised_;
    std::vector<int> palette_;
    QString defaultFont_;
    std::unique_ptr<LegendBox> legend_;
    QByteArray encoded_;
};

class PieChart : public BaseChart {
public:
    PieChart(int width, int height, int bgColor = BackgroundColor, int edgeColor = Transparent, int raisedEffect = 0);

    void setPieSize(int x, int y, int r);
    // {percent}, {value} and {label} are replaced for each sector.
    void setLabelFormat(const char* format);
    void setLabelStyle(const char* font = nullptr, double fontSize = 8, int fontColor = TextColor);
    // One sector per value, in order, named by the label of the same index.
    void setData(const double* values, int valueCount, const char* const* labels = nullptr, int labelCount = 0);

    int centreX() const { return cx_; }
    int centreY() const { return cy_; }
    int radius() const { return radius_; }

    // Where each sector's label goes: outside the pie beside its sector,
    // joined to the rim by a line; where that place is taken (by the legend or
    // a label placed before it) inside the sector on a light box, or else
    // further up or down that side of the pie. Larger sectors are placed
    // first. Sectors without a positive value get no label.
    struct SectorLabel {
        int sector = 0;
        QString text;
        QRect rect;
        bool inside = false;
        QPoint rim;    // outside labels: where the join line leaves the pie
        QPoint elbow;  // and where it bends towards the text
    };
    std::vector<SectorLabel> labelLayout() const;

protected:
    void draw(QPainter& painter) override;
    std::vector<LegendEntry> legendEntries() const override;

private:
    QString sectorLabel(int i) const;
    QFont labelFont() const;

    int cx_;
    int cy_;
    int radius_;
    QString labelFormat_ = QStringLiteral("{label} ({percent}%)");
    QFont labelFont_;
    bool labelFontSet_ = false;
    int labelColor_ = TextColor;
    std::vector<double> values_;
    QStringList labels_;
};

class XYChart : public BaseChart {
public:
    XYChart(int width, int height, int bgColor = BackgroundColor, int edgeColor = Transparent, int raisedEffect = 0);
    ~XYChart() override;

    void setPlotArea(int x, int y, int width, int height, int bgColor = Transparent, int altBgColor = -1,
                     int edgeColor = -1, int hGridColor = 0xc0c0c0, int vGridColor = Transparent);
    Axis* xAxis() { return &xAxis_; }
    Axis* yAxis() { return &yAxis_; }
    BarLayer* addBarLayer2(int dataCombineMethod = Side, int depth3D = 0);

    int plotX() const { return plotX_; }
    int plotY() const { return plotY_; }
    int plotWidth() const { return plotW_; }
    int plotHeight() const { return plotH_; }
    // Width of one bar group as a share of its category.
    static constexpr double BarGroupShare = 0.8;

    // The value axis' top value, step and count of steps for the data.
    struct Scale {
        double top = 1;
        double step = 1;
        int steps = 1;
    };
    Scale valueScale() const;

protected:
    void draw(QPainter& painter) override;
    std::vector<LegendEntry> legendEntries() const override;

private:
    int plotX_ = 0;
    int plotY_ = 0;
    int plotW_ = 0;
    int plotH_ = 0;
    int plotBg_ = Transparent;
    int plotAltBg_ = -1;
    int plotEdge_ = -1;
    int hGrid_ = 0xc0c0c0;
    int vGrid_ = Transparent;
    Axis xAxis_;
    Axis yAxis_;
    std::vector<std::unique_ptr<BarLayer>> layers_;
};

inline BaseChart* PieChart2BaseChart(PieChart* c)
{
    return c;
}
inline BaseChart* XYChart2BaseChart(XYChart* c)
{
    return c;
}

}  // namespace chart
