#pragma once

#include <QLayout>
#include <QList>

// A row of widgets that wraps: items are placed left to right at their size
// hints and a new line starts where the next item would pass the right edge.
// Each line is as high as its highest item; smaller items are centred in it.
// The spacing is used between items and between lines.
//
// Its minimum width is that of its widest item; the height it needs at a
// given width is heightForWidth(), which a QBoxLayout above it honours.
class WrapLayout : public QLayout {
public:
    explicit WrapLayout(QWidget* parent = nullptr);
    ~WrapLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;

    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Places the items in `rect` (only measures when `place` is false);
    // returns the height used.
    int arrange(const QRect& rect, bool place) const;

    QList<QLayoutItem*> items_;
};
