#pragma once

#include <QColor>
#include <QOpenGLBuffer>
#include <QOpenGLFunctions>
#include <QOpenGLWidget>
#include <QPoint>
#include <QRect>

#include "ui/QDialogBase.h"

class QLabel;
class QOpenGLShaderProgram;
class QOpenGLTexture;

// The turning cube with the program's logo on its six faces. Angles are kept
// in sixteenths of a degree; the left mouse button turns it about x and y,
// the right one about x and z.
class GLWidget : public QOpenGLWidget, protected QOpenGLFunctions {
    Q_OBJECT
public:
    explicit GLWidget(QWidget* parent = nullptr);
    ~GLWidget() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    void rotateBy(int xAngle, int yAngle, int zAngle);
    void setClearColor(const QColor& color);

    int xRotation() const { return xRot_; }
    int yRotation() const { return yRot_; }
    int zRotation() const { return zRot_; }
    QColor clearColor() const { return clearColor_; }

    // The largest centred square of a width x height area (the GL viewport).
    static QRect viewportFor(int width, int height);
    // True when this platform can give the widget an OpenGL context (not so
    // under the offscreen platform without a display).
    static bool openGLAvailable();

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;

private:
    void makeObject();

    QColor clearColor_ = Qt::black;
    QPoint lastPos_;
    int xRot_ = 0;
    int yRot_ = 0;
    int zRot_ = 0;
    QOpenGLTexture* textures_[6] = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    QOpenGLShaderProgram* program_ = nullptr;
    QOpenGLBuffer vbo_;
};

// The about dialog: the program's name and version beside the logo cube,
// and below them the page html/about.html with "{title}" replaced by the
// program's name. Opened by the main window, title "关于".
class about : public QDialogBase {
    Q_OBJECT
public:
    explicit about(QWidget* parent = nullptr);
    ~about() override;

    // The page text with every "{title}" replaced by the program's name.
    static QString pageText(QString html);

    // Null where the platform offers no OpenGL (the dialog shows without it).
    GLWidget* cube() const { return cube_; }
    QLabel* titleLabel() const { return titleLabel_; }
    QLabel* pageLabel() const { return pageLabel_; }

public slots:
    void rotateOneStep();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    GLWidget* cube_ = nullptr;
    QLabel* titleLabel_ = nullptr;
    QLabel* pageLabel_ = nullptr;
};
