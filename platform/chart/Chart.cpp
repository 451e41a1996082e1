#include "platform/chart/Chart.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QPainter>
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QChart>
#include <QtCharts/QPieSeries>
#include <QtCharts/QPieSlice>
#include <QtCharts/QStackedBarSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>

using namespace QtCharts;

namespace chart {

namespace {

// Palette: 0 background, 1 lines and edges, 2 texts, 3 to 7 reserved, then
// the data colours.
const int kDefaultPalette[] = {
    0xffffff, 0x000000, 0x000000, 0x808080, 0xc0c0c0, 0xe0e0e0, 0x404040, 0xa0a0a0, 0xff3333, 0x33ff33,
    0x6666ff, 0xffff00, 0xff66ff, 0x99ffff, 0xffcc33, 0xcccccc, 0xcc9999, 0x339966, 0x999900, 0xcc3300,
    0x669999, 0x993333, 0x006600, 0x990099, 0xff9966, 0x99ff99, 0x9999ff, 0xcc6600, 0x33cc33, 0xcc99ff,
    0xff6666, 0x99cc66, 0x009999, 0xcc3333, 0x9933ff, 0xff0000, 0x0000ff, 0x00ff00, 0xffcc99, 0x999999,
};
constexpr int kDataIndex = 8;
constexpr double kDefaultFontSize = 8;

bool isPaletteEntry(int value)
{
    return (static_cast<unsigned>(value) & 0xffff0000u) == 0xffff0000u;
}

QString utf8(const char* text)
{
    return text ? QString::fromUtf8(text) : QString();
}

// The step of 1, 2 or 5 times a power of ten nearest to raw (on a log scale).
double niceStep(double raw)
{
    if (raw <= 0)
        return 1;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double best = magnitude;
    for (double factor : {1.0, 2.0, 5.0, 10.0}) {
        const double step = factor * magnitude;
        if (std::fabs(std::log(step / raw)) < std::fabs(std::log(best / raw)))
            best = step;
    }
    return best;
}

// Draws a finished QChart (owned by the scene) on the painter.
void renderChart(QChart* qchart, int width, int height, QPainter& painter)
{
    QGraphicsScene scene;
    scene.setSceneRect(0, 0, width, height);
    scene.addItem(qchart);
    qchart->setGeometry(0, 0, width, height);
    // Lay the chart out now; nothing of it is ever shown on screen.
    QCoreApplication::sendPostedEvents(qchart, QEvent::LayoutRequest);
    if (qchart->layout())
        qchart->layout()->activate();
    scene.render(&painter, QRectF(0, 0, width, height), QRectF(0, 0, width, height));
}

QChart* newChart()
{
    auto* qchart = new QChart();
    qchart->setAnimationOptions(QChart::NoAnimation);
    qchart->setBackgroundVisible(false);
    qchart->setBackgroundRoundness(0);
    qchart->setDropShadowEnabled(false);
    qchart->setMargins(QMargins(0, 0, 0, 0));
    qchart->layout()->setContentsMargins(0, 0, 0, 0);
    qchart->legend()->hide();
    return qchart;
}

}  // namespace

QString cjkFontFamily()
{
    // Looked up once: the first installed of the usual CJK families, else any
    // family that writes Simplified Chinese.
    static const QString family = [] {
        const QFontDatabase fonts;
        const QStringList installed = fonts.families();
        for (const char* name :
             {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Source Han Sans SC", "Droid Sans Fallback", "AR PL UMing CN"})
            if (installed.contains(QLatin1String(name), Qt::CaseInsensitive))
                return QString::fromLatin1(name);
        const QStringList chinese = fonts.families(QFontDatabase::SimplifiedChinese);
        return chinese.isEmpty() ? QStringLiteral("WenQuanYi Micro Hei") : chinese.front();
    }();
    return family;
}

QFont resolveFont(const char* name, double size)
{
    QString family = utf8(name).trimmed();
    const int slash = std::max(family.lastIndexOf('/'), family.lastIndexOf('\\'));
    if (slash >= 0)
        family = family.mid(slash + 1);
    const QString lower = family.toLower();
    if (lower.endsWith(QLatin1String(".ttc")) || lower.endsWith(QLatin1String(".ttf")) ||
        lower.endsWith(QLatin1String(".otf")))
        family.chop(4);
    if (family.isEmpty() || !QFontDatabase().families().contains(family, Qt::CaseInsensitive))
        family = cjkFontFamily();
    QFont font(family);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(size * 4.0 / 3.0))));
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

// ---- boxes, layers, axes ---------------------------------------------------

void Box::setBackground(int color, int edgeColor, int raisedEffect)
{
    background_ = color;
    edge_ = edgeColor;
    raised_ = raisedEffect;
}

DataSet* Layer::addDataSet(const double* data, int len, int color, const char* name)
{
    auto set = std::make_unique<DataSet>();
    if (data && len > 0)
        set->values.assign(data, data + len);
    set->color = color;
    set->name = utf8(name);
    dataSets_.push_back(std::move(set));
    return dataSets_.back().get();
}

void Axis::setTickDensity(int majorTickSpacing, int /*minorTickSpacing*/)
{
    if (majorTickSpacing > 0)
        tickSpacing_ = majorTickSpacing;
}

void Axis::setMargin(int topMargin, int bottomMargin)
{
    topMargin_ = std::max(0, topMargin);
    bottomMargin_ = std::max(0, bottomMargin);
}

TextBox* Axis::setTitle(const char* text, const char* font, double fontSize, int fontColor)
{
    title_ = utf8(text);
    titleFont_ = resolveFont(font, fontSize);
    titleColor_ = fontColor;
    hasTitle_ = true;
    return &titleBox_;
}

void Axis::setLabels(const char* const* labels, int count)
{
    labels_.clear();
    for (int i = 0; labels && i < count; ++i)
        labels_ << utf8(labels[i]);
}

// ---- base chart ------------------------------------------------------------

BaseChart::BaseChart(int width, int height, int bgColor, int edgeColor, int raisedEffect)
    : width_(std::max(1, width)), height_(std::max(1, height)), background_(bgColor), edge_(edgeColor),
      raised_(raisedEffect), palette_(std::begin(kDefaultPalette), std::end(kDefaultPalette))
{
}

BaseChart::~BaseChart() = default;

LegendBox* BaseChart::addLegend(int x, int y, bool vertical, const char* font, double fontSize)
{
    legend_ = std::make_unique<LegendBox>(x, y, vertical, font ? resolveFont(font, fontSize) : textFont(fontSize));
    return legend_.get();
}

void BaseChart::setDefaultFonts(const char* normal, const char*, const char*, const char*)
{
    defaultFont_ = utf8(normal);
}

void BaseChart::setColors(int paletteEntry, const int* colors, int count)
{
    for (int i = 0; colors && i < count; ++i)
        setColor(paletteEntry + i, colors[i]);
}

void BaseChart::setColor(int paletteEntry, int color)
{
    if (!isPaletteEntry(paletteEntry))
        return;
    const std::size_t index = static_cast<unsigned>(paletteEntry) & 0xffffu;
    if (index >= palette_.size())
        palette_.resize(index + 1, 0x000000);
    palette_[index] = color;
}

QColor BaseChart::color(int value, int fallback) const
{
    for (int depth = 0; depth < 4; ++depth) {
        if (value == -1)
            value = fallback;
        if (!isPaletteEntry(value))
            break;
        std::size_t index = static_cast<unsigned>(value) & 0xffffu;
        if (index >= palette_.size()) {
            // Data colours beyond the list repeat it.
            const std::size_t dataCount = palette_.size() - kDataIndex;
            index = index >= static_cast<std::size_t>(kDataIndex) && dataCount > 0
                        ? kDataIndex + (index - kDataIndex) % dataCount
                        : 0;
        }
        value = palette_[index];
        fallback = 0x000000;
    }
    const unsigned v = static_cast<unsigned>(value);
    const int alpha = 255 - static_cast<int>((v >> 24) & 0xff);
    return QColor(static_cast<int>((v >> 16) & 0xff), static_cast<int>((v >> 8) & 0xff), static_cast<int>(v & 0xff),
                  alpha);
}

QFont BaseChart::textFont(double size) const
{
    return resolveFont(defaultFont_.isEmpty() ? nullptr : defaultFont_.toUtf8().constData(), size);
}

QImage BaseChart::image()
{
    QImage picture(width_, height_, QImage::Format_ARGB32_Premultiplied);
    picture.fill(color(background_, BackgroundColor));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    draw(painter);
    drawLegend(painter);
    const QColor edge = color(edge_, LineColor);
    if (edge.alpha() > 0) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(edge);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(0, 0, width_ - 1, height_ - 1);
    }
    if (raised_ > 0) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        for (int i = 0; i < raised_ && i < width_ / 2 && i < height_ / 2; ++i) {
            painter.setPen(QColor(255, 255, 255, 160));
            painter.drawLine(i, i, width_ - 1 - i, i);
            painter.drawLine(i, i, i, height_ - 1 - i);
            painter.setPen(QColor(0, 0, 0, 96));
            painter.drawLine(i, height_ - 1 - i, width_ - 1 - i, height_ - 1 - i);
            painter.drawLine(width_ - 1 - i, i, width_ - 1 - i, height_ - 1 - i);
        }
    }
    painter.end();
    return picture;
}

MemBlock BaseChart::makeChart(int format)
{
    const char* data = nullptr;
    int len = 0;
    makeChart(format, &data, &len);
    return MemBlock{data, len};
}

bool BaseChart::makeChart(int format, const char** data, int* len)
{
    const QImage picture = image();
    const char* kind = "PNG";
    switch (format) {
    case JPG: kind = "JPG"; break;
    case BMP: kind = "BMP"; break;
    default: break;  // PNG, and GIF, which Qt cannot write
    }
    encoded_.clear();
    QBuffer buffer(&encoded_);
    buffer.open(QIODevice::WriteOnly);
    const bool ok = format == BMP || format == JPG ? picture.convertToFormat(QImage::Format_RGB32).save(&buffer, kind)
                                                   : picture.save(&buffer, kind);
    buffer.close();
    if (!ok)
        encoded_.clear();
    if (data)
        *data = encoded_.isEmpty() ? nullptr : encoded_.constData();
    if (len)
        *len = encoded_.size();
    return ok;
}

BaseChart::LegendLayout BaseChart::legendLayout() const
{
    LegendLayout layout;
    if (!legend_)
        return layout;
    layout.entries = legendEntries();
    const QFontMetrics metrics(legend_->font_);
    layout.key = std::max(8, metrics.height() * 3 / 4);
    layout.line = std::max(layout.key, metrics.height()) + 2;
    const int padding = 4;
    const int gap = 6;

    int x = legend_->x_ + padding;
    int y = legend_->y_ + padding;
    int right = x;
    for (const LegendEntry& entry : layout.entries) {
        const int w = layout.key + gap + metrics.horizontalAdvance(entry.text);
        layout.places.emplace_back(x, y, w, layout.line);
        right = std::max(right, x + w);
        if (legend_->vertical_)
            y += layout.line;
        else
            x += w + 3 * gap;
    }
    const int bottom = legend_->vertical_ ? y : y + layout.line;
    layout.box = QRect(legend_->x_, legend_->y_, right - legend_->x_ + padding,
                       std::max(layout.line, bottom - legend_->y_) + padding);
    return layout;
}

QRect BaseChart::legendRect() const
{
    return legendLayout().box;
}

void BaseChart::drawLegend(QPainter& painter)
{
    if (!legend_)
        return;
    const LegendLayout layout = legendLayout();
    const int gap = 6;

    const QColor background = color(legend_->background_, Transparent);
    const QColor edge = color(legend_->edge_, Transparent);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(edge.alpha() > 0 ? QPen(edge) : QPen(Qt::NoPen));
    painter.setBrush(background.alpha() > 0 ? QBrush(background) : QBrush(Qt::NoBrush));
    if (edge.alpha() > 0 || background.alpha() > 0)
        painter.drawRect(layout.box.adjusted(0, 0, -1, -1));

    painter.setFont(legend_->font_);
    for (std::size_t i = 0; i < layout.entries.size(); ++i) {
        const QRect& place = layout.places[i];
        const QRect swatch(place.x(), place.y() + (layout.line - layout.key) / 2, layout.key, layout.key);
        painter.setPen(layout.entries[i].color.darker(150));
        painter.setBrush(layout.entries[i].color);
        painter.drawRect(swatch.adjusted(0, 0, -1, -1));
        painter.setPen(color(TextColor, TextColor));
        painter.drawText(QRect(place.x() + layout.key + gap, place.y(), place.width() - layout.key - gap, layout.line),
                         Qt::AlignLeft | Qt::AlignVCenter, layout.entries[i].text);
    }
    painter.restore();
}

// ---- pie chart -------------------------------------------------------------

PieChart::PieChart(int width, int height, int bgColor, int edgeColor, int raisedEffect)
    : BaseChart(width, height, bgColor, edgeColor, raisedEffect), cx_(width / 2), cy_(height / 2),
      radius_(std::min(width, height) * 2 / 5)
{
}

void PieChart::setPieSize(int x, int y, int r)
{
    cx_ = x;
    cy_ = y;
    radius_ = std::max(0, r);
}

void PieChart::setLabelFormat(const char* format)
{
    labelFormat_ = utf8(format);
}

void PieChart::setLabelStyle(const char* font, double fontSize, int fontColor)
{
    if (font) {
        labelFont_ = resolveFont(font, fontSize);
        labelFontSet_ = true;
    }
    labelColor_ = fontColor;
}

void PieChart::setData(const double* values, int valueCount, const char* const* labels, int labelCount)
{
    values_.clear();
    labels_.clear();
    for (int i = 0; values && i < valueCount; ++i)
        values_.push_back(values[i]);
    for (int i = 0; labels && i < labelCount; ++i)
        labels_ << utf8(labels[i]);
}

QString PieChart::sectorLabel(int i) const
{
    double total = 0;
    for (double v : values_)
        total += std::max(0.0, v);
    const double value = values_[static_cast<std::size_t>(i)];
    const double percent = total > 0 ? value * 100.0 / total : 0;
    QString text = labelFormat_;
    text.replace(QLatin1String("{percent}"), QString::number(percent, 'f', 2));
    text.replace(QLatin1String("{value}"), QString::number(value, 'g', 10));
    text.replace(QLatin1String("{label}"), i < labels_.size() ? labels_[i] : QString());
    return text;
}

void PieChart::draw(QPainter& painter)
{
    double total = 0;
    for (double v : values_)
        total += std::max(0.0, v);
    // Nothing to share out: no sectors.
    if (total <= 0 || radius_ <= 0)
        return;
    QChart* qchart = newChart();
    auto* series = new QPieSeries();
    // A whole disk has no edges between sectors to draw.
    const bool whole = std::count_if(values_.begin(), values_.end(), [](double v) { return v > 0; }) == 1;
    for (std::size_t i = 0; i < values_.size(); ++i) {
        const int index = static_cast<int>(i);
        QPieSlice* slice = series->append(QString(), std::max(0.0, values_[i]));
        const QColor fill = color(DataColor + index, DataColor);
        slice->setColor(fill);
        slice->setBorderColor(whole ? fill : fill.darker(130));
        slice->setBorderWidth(1);
        slice->setLabelVisible(false);  // the labels are placed below
    }
    // The plot area is the whole chart, so the pie's place and size are
    // shares of it.
    const int side = std::min(width(), height());
    series->setPieSize(std::min(1.0, 2.0 * radius_ / side));
    series->setHorizontalPosition(static_cast<double>(cx_) / width());
    series->setVerticalPosition(static_cast<double>(cy_) / height());
    qchart->addSeries(series);
    qchart->setPlotArea(QRectF(0, 0, width(), height()));
    renderChart(qchart, width(), height(), painter);

    const QColor text = color(labelColor_, TextColor);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setFont(labelFont());
    for (const SectorLabel& label : labelLayout()) {
        if (label.inside) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(255, 255, 255, 210));
            painter.drawRoundedRect(QRectF(label.rect), 3, 3);
        } else {
            const QPoint end(label.rect.center().x() > label.elbow.x() ? label.rect.left() : label.rect.right() + 1,
                             label.rect.center().y());
            painter.setPen(QPen(text, 1));
            painter.drawLine(label.rim, label.elbow);
            painter.drawLine(label.elbow, end);
        }
        painter.setPen(text);
        painter.drawText(label.rect, Qt::AlignCenter, label.text);
    }
    painter.restore();
}

QFont PieChart::labelFont() const
{
    return labelFontSet_ ? labelFont_ : textFont(kDefaultFontSize);
}

namespace {

constexpr double kTurn = 6.283185307179586;

// Angle of p seen from c, clockwise from twelve o'clock, in [0, 2 pi).
double clockAngle(const QPointF& c, const QPointF& p)
{
    const double a = std::atan2(p.x() - c.x(), c.y() - p.y());
    return a < 0 ? a + kTurn : a;
}

// True when no point of r lies within radius of c.
bool clearOfDisk(const QRect& r, const QPointF& c, double radius)
{
    const double nx = std::clamp(c.x(), static_cast<double>(r.left()), static_cast<double>(r.right() + 1));
    const double ny = std::clamp(c.y(), static_cast<double>(r.top()), static_cast<double>(r.bottom() + 1));
    return std::hypot(nx - c.x(), ny - c.y()) > radius;
}

// True when the corners of r lie inside the sector from angle a0 to a1 of the
// disk (c, radius).
bool insideSector(const QRect& r, const QPointF& c, double radius, double a0, double a1)
{
    for (const QPointF corner : {QPointF(r.left(), r.top()), QPointF(r.right() + 1, r.top()),
                                 QPointF(r.left(), r.bottom() + 1), QPointF(r.right() + 1, r.bottom() + 1)}) {
        if (std::hypot(corner.x() - c.x(), corner.y() - c.y()) > radius)
            return false;
        const double a = clockAngle(c, corner);
        if (a < a0 || a > a1)
            return false;
    }
    return true;
}

}  // namespace

std::vector<PieChart::SectorLabel> PieChart::labelLayout() const
{
    std::vector<SectorLabel> labels;
    double total = 0;
    for (double v : values_)
        total += std::max(0.0, v);
    if (total <= 0 || radius_ <= 0)
        return labels;

    struct Span {
        int sector;
        double from;
        double to;
    };
    std::vector<Span> spans;
    double before = 0;
    for (std::size_t i = 0; i < values_.size(); ++i) {
        const double v = std::max(0.0, values_[i]);
        if (v <= 0)
            continue;
        spans.push_back({static_cast<int>(i), before / total * kTurn, (before + v) / total * kTurn});
        before += v;
    }
    std::stable_sort(spans.begin(), spans.end(),
                     [](const Span& a, const Span& b) { return a.to - a.from > b.to - b.from; });

    const QFontMetrics metrics(labelFont());
    const int h = metrics.height() + 2;
    const QRect legend = legendRect();
    const QRect avoid = legend.isEmpty() ? QRect() : legend.adjusted(-3, -3, 3, 3);
    const QRect bounds(2, 2, width() - 4, height() - 4);
    const QPointF centre(cx_, cy_);
    std::vector<QRect> taken;
    auto isFree = [&](const QRect& r) {
        if (!bounds.contains(r) || (!avoid.isNull() && r.intersects(avoid)))
            return false;
        for (const QRect& t : taken)
            if (r.intersects(t.adjusted(-1, -1, 1, 1)))
                return false;
        return true;
    };

    for (const Span& span : spans) {
        SectorLabel label;
        label.sector = span.sector;
        label.text = sectorLabel(span.sector);
        const int w = metrics.horizontalAdvance(label.text) + 6;
        const double mid = (span.from + span.to) / 2;
        const QPointF dir(std::sin(mid), -std::cos(mid));
        label.rim = (centre + dir * radius_).toPoint();
        label.elbow = (centre + dir * (radius_ + 12)).toPoint();
        const bool right = dir.x() >= 0;
        auto outside = [&](int y) {
            return QRect(right ? label.elbow.x() + 10 : label.elbow.x() - 10 - w, y - h / 2, w, h);
        };
        auto outsideFree = [&](const QRect& r) { return isFree(r) && clearOfDisk(r, centre, radius_ + 3); };

        QRect place = outside(label.elbow.y());
        bool placed = outsideFree(place);
        if (!placed) {
            // Inside, near the rim, leaving the middle of the sector clear.
            const double extent = std::fabs(dir.x()) * w / 2 + std::fabs(dir.y()) * h / 2;
            const QPointF at = centre + dir * (radius_ * 0.5 + extent + 4);
            const QRect inner(static_cast<int>(std::lround(at.x() - w / 2.0)),
                              static_cast<int>(std::lround(at.y() - h / 2.0)), w, h);
            if (isFree(inner) && insideSector(inner, centre, radius_ - 2, span.from, span.to)) {
                place = inner;
                placed = label.inside = true;
            }
        }
        for (int step = 1; !placed && step * h / 2 < height(); ++step) {
            for (int sign : {1, -1}) {
                const QRect moved = outside(label.elbow.y() + sign * step * (h / 2));
                if (outsideFree(moved)) {
                    place = moved;
                    placed = true;
                    break;
                }
            }
        }
        label.rect = place;
        taken.push_back(place);
        labels.push_back(label);
    }
    std::sort(labels.begin(), labels.end(),
              [](const SectorLabel& a, const SectorLabel& b) { return a.sector < b.sector; });
    return labels;
}

std::vector<BaseChart::LegendEntry> PieChart::legendEntries() const
{
    std::vector<LegendEntry> entries;
    for (std::size_t i = 0; i < values_.size(); ++i) {
        const int index = static_cast<int>(i);
        entries.push_back({index < labels_.size() ? labels_[index] : QString(), color(DataColor + index, DataColor)});
    }
    return entries;
}

// ---- XY chart --------------------------------------------------------------

XYChart::XYChart(int width, int height, int bgColor, int edgeColor, int raisedEffect)
    : BaseChart(width, height, bgColor, edgeColor, raisedEffect)
{
    plotX_ = width / 10;
    plotY_ = height / 10;
    plotW_ = width * 8 / 10;
    plotH_ = height * 8 / 10;
}

XYChart::~XYChart() = default;

void XYChart::setPlotArea(int x, int y, int width, int height, int bgColor, int altBgColor, int edgeColor,
                          int hGridColor, int vGridColor)
{
    plotX_ = x;
    plotY_ = y;
    plotW_ = std::max(1, width);
    plotH_ = std::max(1, height);
    plotBg_ = bgColor;
    plotAltBg_ = altBgColor;
    plotEdge_ = edgeColor;
    hGrid_ = hGridColor;
    vGrid_ = vGridColor;
}

BarLayer* XYChart::addBarLayer2(int dataCombineMethod, int depth3D)
{
    layers_.push_back(std::make_unique<BarLayer>(dataCombineMethod, depth3D));
    return layers_.back().get();
}

XYChart::Scale XYChart::valueScale() const
{
    double highest = 0;
    bool whole = true;
    for (const auto& layer : layers_) {
        if (layer->combineMethod() == Stack) {
            std::vector<double> sums;
            for (const auto& set : layer->dataSets()) {
                if (sums.size() < set->values.size())
                    sums.resize(set->values.size(), 0);
                for (std::size_t i = 0; i < set->values.size(); ++i)
                    sums[i] += set->values[i];
            }
            for (double v : sums)
                highest = std::max(highest, v);
        }
        for (const auto& set : layer->dataSets()) {
            for (double v : set->values) {
                highest = std::max(highest, v);
                whole = whole && v == std::floor(v);
            }
        }
    }
    // The highest value stays topMargin pixels below the top of the plot.
    const int usable = std::max(1, plotH_ - yAxis_.topMargin_ - yAxis_.bottomMargin_);
    double needed = highest > 0 ? highest * plotH_ / usable : 1;
    const int intervals = std::max(1, plotH_ / std::max(1, yAxis_.tickSpacing_));
    Scale scale;
    scale.step = niceStep(needed / intervals);
    if (whole)
        scale.step = std::max(1.0, scale.step);
    scale.steps = std::max(1, static_cast<int>(std::ceil(needed / scale.step - 1e-9)));
    scale.top = scale.steps * scale.step;
    return scale;
}

void XYChart::draw(QPainter& painter)
{
    // Crisp grid lines and bar edges.
    painter.setRenderHint(QPainter::Antialiasing, false);
    QChart* qchart = newChart();

    const QColor plotBg = color(plotBg_, Transparent);
    if (plotBg.alpha() > 0) {
        qchart->setPlotAreaBackgroundVisible(true);
        qchart->setPlotAreaBackgroundBrush(plotBg);
        const QColor edge = color(plotEdge_, Transparent);
        qchart->setPlotAreaBackgroundPen(edge.alpha() > 0 ? QPen(edge) : QPen(Qt::NoPen));
    }

    // Category axis: one label per bar group.
    std::size_t points = static_cast<std::size_t>(xAxis_.labels_.size());
    for (const auto& layer : layers_)
        for (const auto& set : layer->dataSets())
            points = std::max(points, set->values.size());
    QStringList categories = xAxis_.labels_;
    while (static_cast<std::size_t>(categories.size()) < points)
        categories << QString(categories.size() + 1, QChar(' '));  // categories must differ

    auto* axisX = new QBarCategoryAxis();
    axisX->append(categories);
    auto* axisY = new QValueAxis();
    const Scale scale = valueScale();
    axisY->setRange(0, scale.top);
    axisY->setTickCount(scale.steps + 1);
    axisY->setMinorTickCount(0);
    const QString valueFormat = scale.step == std::floor(scale.step) ? QStringLiteral("%.0f") : QStringLiteral("%g");
    axisY->setLabelFormat(valueFormat);

    const QFont axisFont = textFont(kDefaultFontSize);
    const QColor text = color(TextColor, TextColor);
    const QColor line = color(LineColor, LineColor);
    for (QAbstractAxis* axis : {static_cast<QAbstractAxis*>(axisX), static_cast<QAbstractAxis*>(axisY)}) {
        axis->setLabelsFont(axisFont);
        axis->setLabelsColor(text);
        axis->setLinePenColor(line);
        axis->setShadesVisible(false);
    }
    const QColor hGrid = color(hGrid_, Transparent);
    axisY->setGridLineVisible(hGrid.alpha() > 0);
    axisY->setGridLineColor(hGrid);
    const QColor vGrid = color(vGrid_, Transparent);
    axisX->setGridLineVisible(vGrid.alpha() > 0);
    axisX->setGridLineColor(vGrid);
    const QColor altBg = color(plotAltBg_, Transparent);
    if (altBg.alpha() > 0) {
        axisY->setShadesVisible(true);
        axisY->setShadesBrush(altBg);
        axisY->setShadesPen(Qt::NoPen);
    }
    auto applyTitle = [](QAbstractAxis* axis, const Axis& source, const QColor& titleColor) {
        if (!source.hasTitle_)
            return;
        axis->setTitleText(source.title_);
        axis->setTitleFont(source.titleFont_);
        axis->setTitleBrush(titleColor);
    };
    applyTitle(axisX, xAxis_, color(xAxis_.titleColor_, TextColor));
    // The y axis title is drawn below, where it cannot leave the chart.

    qchart->addAxis(axisX, Qt::AlignBottom);
    qchart->addAxis(axisY, Qt::AlignLeft);

    int colourIndex = 0;
    for (const auto& layer : layers_) {
        QAbstractBarSeries* series = nullptr;
        if (layer->combineMethod() == Stack)
            series = new QStackedBarSeries();
        else
            series = new QBarSeries();
        series->setBarWidth(BarGroupShare);
        for (const auto& set : layer->dataSets()) {
            auto* bars = new QBarSet(set->name);
            for (double v : set->values)
                bars->append(v);
            const QColor fill = color(set->color, DataColor + colourIndex);
            bars->setColor(fill);
            bars->setBorderColor(fill.darker(130));
            series->append(bars);
            ++colourIndex;
        }
        qchart->addSeries(series);
        series->attachAxis(axisX);
        series->attachAxis(axisY);
    }
    qchart->setPlotArea(QRectF(plotX_, plotY_, plotW_, plotH_));
    renderChart(qchart, width(), height(), painter);

    if (yAxis_.hasTitle_ && !yAxis_.title_.isEmpty()) {
        // Turned a quarter left, left of the widest value label, but never
        // beyond the chart's left edge.
        const QFontMetrics labelMetrics(axisFont);
        int labelWidth = 0;
        for (int k = 0; k <= scale.steps; ++k)
            labelWidth = std::max(labelWidth, labelMetrics.horizontalAdvance(QString::asprintf(
                                                  valueFormat.toLatin1().constData(), k * scale.step)));
        const QFontMetrics titleMetrics(yAxis_.titleFont_);
        const int thickness = titleMetrics.height();
        const int length = titleMetrics.horizontalAdvance(yAxis_.title_) + 4;
        const int right = plotX_ - labelWidth - 12;
        const int left = std::max(1, right - thickness);
        painter.save();
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        painter.translate(left, plotY_ + plotH_ / 2.0 + length / 2.0);
        painter.rotate(-90);
        painter.setFont(yAxis_.titleFont_);
        painter.setPen(color(yAxis_.titleColor_, TextColor));
        painter.drawText(QRect(0, 0, length, thickness), Qt::AlignCenter, yAxis_.title_);
        painter.restore();
    }
}

std::vector<BaseChart::LegendEntry> XYChart::legendEntries() const
{
    std::vector<LegendEntry> entries;
    int colourIndex = 0;
    for (const auto& layer : layers_) {
        for (const auto& set : layer->dataSets()) {
            entries.push_back({set->name, color(set->color, DataColor + colourIndex)});
            ++colourIndex;
        }
    }
    return entries;
}

}  // namespace chart
