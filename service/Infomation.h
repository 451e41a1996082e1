#pragma once

#include <QDialog>
#include <QString>

#include <vector>

#include "platform/WindowSystem.h"

class QLabel;
class QVBoxLayout;

// A small frameless message: a title, lines of rich text whose http and https
// links open in the system browser, and up to two buttons. exec() gives 1 when the accept
// button was pressed. A press anywhere on it drags the window.
class Infomation : public QDialog {
    Q_OBJECT
public:
    Infomation(QString title, std::vector<QString> lines, QString acceptText, QString rejectText,
               QWidget* parent = nullptr);
    ~Infomation() override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QVBoxLayout* layout_ = nullptr;
    QLabel* title_ = nullptr;
    QVBoxLayout* lines_ = nullptr;
    platform::WindowDragger dragger_;
};
