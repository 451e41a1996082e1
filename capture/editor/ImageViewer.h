#pragma once

#include <QImage>
#include <QPoint>
#include <QTransform>
#include <QVector>
#include <QWidget>

#include <vector>

#include "capture/common/StateStack.h"
#include "capture/editor/EditHistory.h"

class AdaptiveToolBar;
class QButtonGroup;
class QLabel;
class QMenu;
class QToolButton;
class QVBoxLayout;

// The image editor of the capture and editing windows: one picture shown
// fitted, zoomed and panned above a tool bar, edited with the tools mouse
// (pan, wheel zoom), cut, erase, text and pen, the one-click operations
// whiten background, remove red marks and turn right, and undo and redo.
//
// Use by owners (the edit wizard, the question viewer, the picture dialog):
//
//     auto* editor = new ImageViewer(parent, QString(), 2);  // no picture, eraser
//     editor->loadImage(path);          // or setImage(image)
//     editor->fitToWindow();            // fit now (a show or resize fits too)
//                                       // into pictureArea(), above the bar
//     ...
//     if (editor->canUndo())            // the picture was edited
//         save(editor->getImage());     // a copy of the current picture
//     editor->clearHistory();           // show nothing again
//
// The picture is always kept as Format_RGB888. Loading makes it the only
// history entry; every edit adds one entry (undo never takes back the first
// one), and getImage() is the picture of the last entry. The slow operations
// run in the image library on a worker task behind the busy dialog; a failing
// library call never shows a message and never throws out of the editor.
//
// Tools: 0 mouse, 1 cut, 2 erase, 3 text, 4 pen. Holding the space bar
// switches any tool to the mouse until it is released (SpaceBarSwitch, shared
// with the cutter). Ctrl+Z and Ctrl+Y undo and redo in whichever editor is
// visible in a window that no modal dialog blocks; Ctrl++ and Ctrl+- zoom.
//
// GUI thread only.
class ImageViewer : public QWidget {
    Q_OBJECT
public:
    enum Tool { kMouse = 0, kCut = 1, kErase = 2, kText = 3, kPen = 4 };

    // `fileName` null: no picture (the history is empty). Otherwise the file
    // is read and becomes the only entry, a null image when it cannot be read
    // (the editor then shows its grey background). Starts with `tool`.
    // A picture that declares more pixels than the program decodes
    // (platform/PictureFile.h) is not decoded; a message box "提示" names it
    // (here and in loadImage).
    ImageViewer(QWidget* parent, QString fileName, int tool);
    ~ImageViewer() override;

    // Reads the file (format guessed from its contents) and calls setImage.
    void loadImage(QString path);
    // Makes `image` the only entry (converted to Format_RGB888) and empties
    // the redo list. Keeps the zoom and position until the next fit.
    void setImage(const QImage& image);
    // The current picture (a shared copy: later edits do not change it); a
    // null image when there is none.
    QImage getImage() const;
    // True when the history holds 2 entries or more: the picture was edited.
    bool canUndo() const;
    // Forgets the picture and both lists; the editor shows nothing.
    void clearHistory();
    // Chooses a tool (checks its button, sets its cursor).
    void setTool(int tool);
    int currentTool() const;

    // For owners and tests: the state of the view and of the history.
    // The view maps picture pixels to widget pixels (a uniform scale m11 and
    // a translation).
    const QTransform& viewMatrix() const { return view_; }
    void setViewMatrix(const QTransform& view) { view_ = view; }
    // The picture pixel under widget point `p` (the view's translation
    // truncated, then divided by the scale and rounded).
    QPoint imagePoint(const QPoint& p) const;
    int historySize() const { return history_.size(); }
    int redoSize() const { return history_.redoSize(); }
    std::vector<int> historyCodes() const { return history_.codes(); }
    const EditHistory& history() const { return history_; }
    // The context menu (实际大小, 适应窗口, 放大, 缩小), without parent; the
    // caller deletes it.
    QMenu* createContextMenu();
    // The area above the tool bar, in widget pixels, at the present size:
    // where a fit places the picture.
    QRect pictureArea() const;
    AdaptiveToolBar* toolBar() const { return bar_; }

public slots:
    void zoomIn();
    void zoomOut();
    void normalSize();
    void fitToWindow();
    void quick_change();
    void on_mouse_clicked();
    void on_cut_clicked();
    void on_erase_clicked();
    void on_rotate_clicked();
    void on_remove_background_clicked();
    void on_text_clicked();
    void on_pen_clicked();
    void on_correct_clicked();
    void on_revoke_clicked();
    void on_recovery_clicked();
    void image_process_cut();
    void image_process_erase();
    void image_process_rotate();
    void image_process_remove_background();
    void image_process_text();
    void image_process_line();
    void image_process_deleteRed();
    void image_process_revoke();
    void image_process_recovery();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Construction (ImageViewer.cpp, ImageViewerBar.cpp).
    void setupToolBar();
    QToolButton* addToolButton(int number, const QString& text);
    void setupShortcuts();
    void setupToolMachine();
    // The picture of `path` through the program's size guard; a refused one
    // is named in a message box.
    QImage readTold(const QString& path);

    // The picture exists and is not null: there is something to edit.
    bool hasPicture() const;
    void zoomBy(double factor);
    void pan();

    // The selection of cut and erase (ImageViewerOps.cpp): false when it is
    // smaller than 5 x 5 pixels; else `rect` is clamped to the picture and
    // may be empty when the selection lies outside it.
    bool selection(QRect& rect) const;
    void startStroke();
    void extendStroke();
    void endStroke();
    void runDeleteRed();

    StateStack tools_;
    QTransform view_;
    QTransform pressView_;
    bool pressed_ = false;
    QPoint pressPoint_;
    QPoint currentPoint_;
    EditHistory history_;
    QVector<QPoint> penPoints_;
    bool stroking_ = false;

    QLabel* imageArea_ = nullptr;
    AdaptiveToolBar* bar_ = nullptr;
    QToolButton* mouseButton_ = nullptr;
    QToolButton* cutButton_ = nullptr;
    QToolButton* rotateButton_ = nullptr;
    QToolButton* eraseButton_ = nullptr;
    QToolButton* whitenButton_ = nullptr;
    QToolButton* removeRedButton_ = nullptr;
    QToolButton* textButton_ = nullptr;
    QToolButton* penButton_ = nullptr;
    QToolButton* undoButton_ = nullptr;
    QToolButton* redoButton_ = nullptr;
    QButtonGroup* toolGroup_ = nullptr;
    QVBoxLayout* mainLayout_ = nullptr;
};
