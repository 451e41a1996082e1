#pragma once

#include <QCursor>
#include <QImage>
#include <QRect>
#include <QString>
#include <QTransform>
#include <QWidget>

#include "capture/common/StateStack.h"
#include "capture/cutter/CutPipeline.h"
#include "capture/cutter/ScaledPage.h"

class imageCutBar;
class showRectWidget;

// The question cutter: shows one source page, processed by its pipeline
// (straighten, whiten the background, quarter turns: the tool bar at the
// bottom), lets the user pan and zoom it and draw a selection with eight
// handles, and turns the selection into a question image through the action
// bar that shows under it.
//
// Use from a host window:
//
//     auto* cutter = new imageCut(this);
//     connect(cutter, &imageCut::finished, this, [=] { makeQuestion(*cutter->getImage()); });
//     connect(cutter, &imageCut::next_page, strip, &Strip::nextPage);
//     connect(cutter, &imageCut::first_half_clicked, band, &half_image::setImage);
//     connect(cutter, &imageCut::first_half_hide, band, &QWidget::hide);
//     connect(band, &half_image::btn_hide, cutter, &imageCut::half_image_close);
//     cutter->loadImage(path);   // when a page is chosen
//     cutter->clear();           // when none is
//
// Contracts:
//  - loadImage(path) reads the picture (upright by its EXIF orientation),
//    keeps it as loaded, derives the display image from it with the options
//    in force, fits it to the width and drops the selection. It returns false
//    when the file cannot be read; the cutter is then empty (grey) and
//    ignores the mouse. A page that declares more pixels than the program
//    decodes (platform/PictureFile.h) is not decoded and a message box
//    "提示" names it. A pending upper half survives a new page.
//  - clear() empties the cutter: no page, no result, no pending upper half,
//    no selection, the action bar hidden and reset; first_half_hide is
//    emitted so the host hides the upper-half band.
//  - getImage() points to the result image, valid until the next question is
//    made or clear(); the image sent with first_half_clicked is a member too.
//    Receivers copy what they keep.
//  - The cut is taken from the display image at full resolution, whatever
//    the zoom, and only from the page: a selection that reaches past the
//    page (the arrow keys move it freely) is cut where it covers the page.
//  - The slow image operations wait behind the busy dialog; no user input
//    arrives meanwhile. A page loaded or cleared from a queued signal during
//    such a wait is processed once the running pass ends.
//  - Holding Space switches to the mouse tool until it is released (one
//    switch for the cutter and the image editor, SpaceBarSwitch).
//  - The composition mode is the setting "import_mode", read once here: 0
//    append to the previous question or make a new one (F2, F1); 1 upper and
//    lower halves or a new one (Return).
//
// GUI thread only.
class imageCut : public QWidget {
    Q_OBJECT
public:
    explicit imageCut(QWidget* parent = nullptr);
    ~imageCut() override;

    bool loadImage(QString path);
    void clear();
    QImage* getImage();

    // What the cutter holds, for the host and for tests.
    const QString& filePath() const { return filePath_; }
    const QImage& loadedImage() const { return pipeline_.page(); }
    const QImage& displayImage() const { return displayImage_; }
    const QImage& upperHalf() const { return upperHalf_; }
    QRect selection() const { return selection_; }
    const QTransform& viewMatrix() const { return viewMatrix_; }
    // The tool (0 mouse, 1 cut) and the pointer zone (0 to 9, or
    // state_names::kNull before the pointer first moved in cut mode).
    int toolState() const;
    int pointerState() const;
    CutOptions options() const;
    imageCutBar* toolBar() const { return toolBar_; }
    showRectWidget* actionBar() const { return rectBar_; }
    const ScaledPage& scaledPage() const { return scaledPage_; }

    // The zone of `point` (image coordinates) over `selection`: 1 to 8 the
    // handles, 9 inside, 0 elsewhere or when the selection is not shown.
    int hitTest(QPoint point, QRect selection) const;

signals:
    void matrix_changed();
    void finished();
    void next_page();
    void first_half_clicked(QImage* image);
    void first_half_hide();

public slots:
    void buttonClicked(int id);
    void RectBarClicked(int id);
    void RecifyClicked(bool checked);
    void deleteBackgroundClicked(bool checked);
    void rotateleftClicked();
    void rotaterightClicked();
    void horizontal_arrowClicked();
    void vertical_arrowClicked();
    void slot_matrix_changed();
    void half_image_close();
    void quick_change();
    void move_showRect(int type);
    void move_showRect_left();
    void move_showRect_right();
    void move_showRect_up();
    void move_showRect_down();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void setupToolBar();
    void setupMachines();
    void setupConnections();
    void setupActionBar();
    void setupShortcuts();

    void processImage();
    void fitImage(bool byHeight);
    void zoomIn();
    void zoomOut();
    void zoomBy(double factor);

    QPoint toImage(const QPoint& widgetPoint) const;
    void setPointerZone(int zone);
    void dropSelection();
    void placeActionBar();
    void showActionBar();
    void moveSelectionBy(int dx, int dy);
    void paintSelection(QPainter& painter);

    // The compositions of the action bar (RectBarClicked).
    void appendToPrevious(const QRect& cut);
    void keepUpperHalf(const QRect& cut);
    void joinHalves(const QRect& cut);
    void newQuestion(const QRect& cut);
    void finishComposition();

    StateStack toolMachine_;
    StateStack pointerMachine_;
    showRectWidget* rectBar_ = nullptr;
    QString filePath_;
    QImage displayImage_;
    QImage upperHalf_;
    QImage resultImage_;
    QTransform viewMatrix_;
    QPoint pressPoint_;
    bool pressed_ = false;
    bool straighten_ = false;
    bool removeBackground_ = false;
    int quarterTurns_ = 0;
    imageCutBar* toolBar_ = nullptr;
    QRect selection_;

    CutPipeline pipeline_;   // holds the page as loaded
    ScaledPage scaledPage_;  // the display image at the view's scale
    QCursor cutCursor_;
    bool processing_ = false;
    bool rerun_ = false;
};
