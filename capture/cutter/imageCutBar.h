#pragma once

#include "capture/common/AdaptiveToolBar.h"

class QButtonGroup;
class QToolButton;

// The cutter's tool bar, at the bottom middle of the cutter: the two tools
// "鼠  标" (group id 0) and "裁  剪" (group id 1), exclusive; the page options
// "扶  正" and "去底色" (checkable); the quarter turns "左  转" and "右  转";
// and the fits "水平扩展" and "垂直扩展". The cutter connects the buttons to its
// slots; the bar itself only shows them. In a narrow cutter the icons shrink
// (AdaptiveToolBar).
class imageCutBar : public AdaptiveToolBar {
    Q_OBJECT
public:
    // Indexes of button().
    enum Button {
        kMouse = 0,
        kCut,
        kStraighten,
        kBackground,
        kTurnLeft,
        kTurnRight,
        kFitWidth,
        kFitHeight,
        kButtonCount
    };

    explicit imageCutBar(QWidget* parent = nullptr);
    ~imageCutBar() override;

    QToolButton* button(int index) const;
    // The exclusive group of the two tools (ids 0 and 1).
    QButtonGroup* group() const { return group_; }

protected:
    // Centres the bar at the bottom of its parent.
    void showEvent(QShowEvent* event) override;

private:
    void setupButtons();
    QToolButton* makeButton(const QString& text, int picture, bool checkable);

    QToolButton* btnMouse_ = nullptr;
    QToolButton* btnCut_ = nullptr;
    QToolButton* btnStraighten_ = nullptr;
    QToolButton* btnBackground_ = nullptr;
    QToolButton* btnLeft_ = nullptr;
    QToolButton* btnRight_ = nullptr;
    QToolButton* btnHorizontal_ = nullptr;
    QToolButton* btnVertical_ = nullptr;
    QButtonGroup* group_ = nullptr;
};
