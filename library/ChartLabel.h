#pragma once

#include <QLabel>

// The label a statistics page shows its chart in. The chart picture (800 x
// 400, see StatisticsChart.h) stays the label's pixmap as it was made; it is
// drawn whole in the label's top-left corner, scaled down with its
// proportions when the label is smaller and never enlarged.
//
// Neither the label's minimum nor its preferred size follows the picture:
// a chart never widens the window or takes width from the main window's
// left column, whichever page is shown.
class ChartLabel : public QLabel {
    Q_OBJECT
public:
    explicit ChartLabel(QWidget* parent = nullptr);
    ~ChartLabel() override;

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

    // Where the chart is drawn, in the label's coordinates; empty without a
    // picture.
    QRect chartRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
