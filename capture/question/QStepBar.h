#pragma once

#include <QProgressBar>
#include <QStringList>

// The wizard's progress: the step texts above a grey line through one
// numbered circle per step. The bar's value is the page shown (range 0 to 3):
// circle k is blue when the value is k, green before it and grey after it, so
// page 0 shows three grey circles. Draws itself entirely; the application
// style sheet gives it no border and a white background.
class QStepBar : public QProgressBar {
    Q_OBJECT
public:
    explicit QStepBar(QWidget* parent = nullptr);
    ~QStepBar() override;

    // Appends a step text; the first three are drawn.
    void addStep(QString text);
    const QStringList& steps() const { return steps_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList steps_;
};
