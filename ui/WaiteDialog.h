#pragma once

#include <QDialog>
#include <QPointF>
#include <QVector>

#include <functional>

class QLabel;
class QTimer;

// The program's one busy indicator: a small frameless, translucent,
// always-on-top box with five orange dots and "请稍后...". While it is shown
// it is modal to the whole application.
//
// Callers do not use it directly: awaitTask() (ui/AwaitTask.h) shows and
// hides it around a worker task. start() and stop() are not counted: one
// stop() hides it whatever number of start() calls came before, and a start()
// while running restarts the animation.
//
// Animation: in every 2.5 s cycle the dots rest for 0.5 s, then neighbouring
// dots trade places by turning half a circle about their midpoint, left to
// right, four times.
class WaiteDialog : public QDialog {
    Q_OBJECT
public:
    explicit WaiteDialog(QWidget* parent = nullptr);
    ~WaiteDialog() override;

    // The program's busy dialog, built without parent on the first call (on
    // the GUI thread) and deleted just before the application object dies.
    static WaiteDialog* instance();

    // Puts the dots home, shows the dialog and starts the clock.
    void start();
    // Hides the dialog.
    void stop();
    bool isRunning() const { return running_; }

    const QVector<QPointF>& dots() const { return dots_; }
    // Home of dot i (0..4): (15 * (i + 1) + 5, 15).
    static QPointF home(int i);
    // Moves the dots for `elapsedMs` milliseconds since start().
    void moveDots(qint64 elapsedMs);

    // The clock in milliseconds (default: a steady clock); for tests.
    void setClock(std::function<qint64()> nowMs);

public slots:
    // The 30 ms tick: when running, moves the dots and repaints.
    void time_update();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int step_ = 15;
    int base_ = 10;
    QLabel* textLabel_;
    bool running_ = false;
    qint64 startMs_ = 0;
    QVector<QPointF> dots_;
    QTimer* timer_;
    std::function<qint64()> now_;
};
