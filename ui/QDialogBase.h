#pragma once

#include <QDialog>

#include "ui/QTitleBar.h"  // the button ids and mask bits subclasses use

class QVBoxLayout;
class QLayout;

// Base of the program's dialogs (and of the main window): a frameless window
// with the title bar QTitleBar on top of a content area.
//
//     class MyDialog : public QDialogBase {
//     public:
//         MyDialog() : QDialogBase(nullptr) {
//             setWindowTitle("...");            // shows in the title bar
//             setButtons(buttons() | QTitleBar::kHelpBit);  // add the help button
//             auto* layout = new QVBoxLayout;
//             ...
//             addLayout(layout);                // the one place for content
//         }
//     protected:
//         void titleBar_buttonClicked(int id) override { if (id == QTitleBar::Help) showHelp(); }
//     };
//     MyDialog dialog; modal::exec(dialog);     // ui/Modal.h
//
// Title-bar buttons (QTitleBar::Button ids and their k...Bit mask bits):
// Close rejects the dialog, Maximize toggles the title bar's maximized state,
// Minimize minimizes, Settings and Help are only reported. The default mask is
// QTitleBar::kDefaultButtons (close and minimize).
//
// The window flags carry no window type, so a dialog built WITH a parent
// becomes a child widget of that parent (an embedded panel whose title-bar
// buttons do nothing); dialogs meant as windows are built without parent.
//
// A window that would not fit the free area of its screen is made to fit
// when it is shown (ui/ScreenFit.h), as far as its minimum size allows.
//
// done() also closes the window, so accept(), reject() and Escape pass
// through closeEvent. The window fades in from opacity 0.3 to 1 (250 ms)
// from the moment it is built.
class QDialogBase : public QDialog {
    Q_OBJECT
public:
    explicit QDialogBase(QWidget* parent = nullptr);
    ~QDialogBase() override;

    // Appends a layout to the content area under the title bar.
    void addLayout(QLayout* layout);

    void setButtons(int mask);
    int buttons() const;

    // The title bar's maximized state (not Qt's window state).
    void setMaximized(bool on);
    bool isMaximized() const;

    // QWidget::resize, also recorded as the size to restore to after maximizing.
    void resize(int width, int height);
    void resize(const QSize& size);

    void done(int result) override;

    QTitleBar* titleBar() const { return titleBar_; }

    // Called for every title-bar click after the title bar's own action, with
    // the button id (0 close, 1 maximize, 2 minimize, 3 settings, 4 help).
    virtual void titleBar_buttonClicked(int id);

public slots:
    void buttonClicked(int id);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QTitleBar* titleBar_;
    QVBoxLayout* outerLayout_;
    QVBoxLayout* contentLayout_;
};
