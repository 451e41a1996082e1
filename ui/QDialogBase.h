#pragma once

#include <QDialog>

class QTitleBar;
class QVBoxLayout;
class QLayout;

// Base of the program's dialogs (and of the main window): a frameless window
// with the title bar QTitleBar on top of a content area.
//
//     class MyDialog : public QDialogBase {
//     public:
//         MyDialog() : QDialogBase(nullptr) {
//             setWindowTitle("...");            // shows in the title bar
//             setButtons(buttons() | 16);       // add the help button
//             auto* layout = new QVBoxLayout;
//             ...
//             addLayout(layout);                // the one place for content
//         }
//     protected:
//         void titleBar_buttonClicked(int id) override { if (id == 4) showHelp(); }
//     };
//     MyDialog dialog; modal::exec(dialog);     // ui/Modal.h
//
// Title-bar buttons (mask bit / id): close 1 / 0 rejects the dialog,
// maximize 2 / 1 toggles the title bar's maximized state, minimize 4 / 2,
// settings 8 / 3 and help 16 / 4 are only reported. The default mask is 5.
//
// The window flags carry no window type, so a dialog built WITH a parent
// becomes a child widget of that parent (an embedded panel whose title-bar
// buttons do nothing); dialogs meant as windows are built without parent.
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

private:
    QTitleBar* titleBar_;
    QVBoxLayout* outerLayout_;
    QVBoxLayout* contentLayout_;
};
