#include "app/AboutDialog.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QMatrix4x4>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLShaderProgram>
#include <QOpenGLTexture>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "app/Version.h"
#include "ui/StyledPaint.h"

namespace {

// Corners of the six faces (x, y, z), four per face in drawing order.
// clang-format off
const int kCorners[6][4][3] = {
    {{+1, -1, -1}, {-1, -1, -1}, {-1, +1, -1}, {+1, +1, -1}},
    {{+1, +1, -1}, {-1, +1, -1}, {-1, +1, +1}, {+1, +1, +1}},
    {{+1, -1, +1}, {+1, -1, -1}, {+1, +1, -1}, {+1, +1, +1}},
    {{-1, -1, -1}, {-1, -1, +1}, {-1, +1, +1}, {-1, +1, -1}},
    {{+1, -1, +1}, {-1, -1, +1}, {-1, -1, -1}, {+1, -1, -1}},
    {{-1, -1, +1}, {+1, -1, +1}, {+1, +1, +1}, {-1, +1, +1}},
};
// clang-format on

const char* const kVertexShader = "attribute highp vec4 vertex;\n"
                                  "attribute mediump vec4 texCoord;\n"
                                  "varying mediump vec4 texc;\n"
                                  "uniform mediump mat4 matrix;\n"
                                  "void main(void)\n"
                                  "{\n"
                                  "    gl_Position = matrix * vertex;\n"
                                  "    texc = texCoord;\n"
                                  "}\n";

const char* const kFragmentShader = "uniform sampler2D texture;\n"
                                    "varying mediump vec4 texc;\n"
                                    "void main(void)\n"
                                    "{\n"
                                    "    gl_FragColor = texture2D(texture, texc.st);\n"
                                    "}\n";

}  // namespace

// ---- GLWidget ---------------------------------------------------------

GLWidget::GLWidget(QWidget* parent) : QOpenGLWidget(parent) {}

GLWidget::~GLWidget()
{
    makeCurrent();
    vbo_.destroy();
    for (QOpenGLTexture*& texture : textures_) {
        delete texture;
        texture = nullptr;
    }
    delete program_;
    program_ = nullptr;
    doneCurrent();
}

QSize GLWidget::sizeHint() const
{
    return QSize(120, 120);
}

QSize GLWidget::minimumSizeHint() const
{
    return QSize(100, 100);
}

void GLWidget::rotateBy(int xAngle, int yAngle, int zAngle)
{
    xRot_ += xAngle;
    yRot_ += yAngle;
    zRot_ += zAngle;
    update();
}

void GLWidget::setClearColor(const QColor& color)
{
    clearColor_ = color;
    update();
}

QRect GLWidget::viewportFor(int width, int height)
{
    const int side = std::min(width, height);
    return QRect((width - side) / 2, (height - side) / 2, side, side);
}

bool GLWidget::openGLAvailable()
{
    QOpenGLContext probe;
    return probe.create();
}

void GLWidget::initializeGL()
{
    initializeOpenGLFunctions();
    makeObject();

    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);

    auto* vertex = new QOpenGLShader(QOpenGLShader::Vertex, this);
    vertex->compileSourceCode(kVertexShader);
    auto* fragment = new QOpenGLShader(QOpenGLShader::Fragment, this);
    fragment->compileSourceCode(kFragmentShader);

    program_ = new QOpenGLShaderProgram;
    program_->addShader(vertex);
    program_->addShader(fragment);
    program_->bindAttributeLocation("vertex", 0);
    program_->bindAttributeLocation("texCoord", 1);
    program_->link();
    program_->bind();
    program_->setUniformValue("texture", 0);
}

void GLWidget::makeObject()
{
    const QImage logo = QImage(QStringLiteral(":/Lorvane/Resources/logo/logo3.png")).mirrored();
    for (QOpenGLTexture*& texture : textures_)
        texture = new QOpenGLTexture(logo);  // mipmaps generated

    QVector<GLfloat> vertices;
    vertices.reserve(6 * 4 * 5);
    for (int f = 0; f < 6; ++f) {
        for (int c = 0; c < 4; ++c) {
            vertices.append(0.3f * kCorners[f][c][0]);
            vertices.append(0.3f * kCorners[f][c][1]);
            vertices.append(0.3f * kCorners[f][c][2]);
            vertices.append(c == 0 || c == 3 ? 1.0f : 0.0f);
            vertices.append(c == 0 || c == 1 ? 1.0f : 0.0f);
        }
    }
    vbo_.create();
    vbo_.bind();
    vbo_.allocate(vertices.constData(), vertices.count() * int(sizeof(GLfloat)));
}

void GLWidget::paintGL()
{
    glClearColor(clearColor_.redF(), clearColor_.greenF(), clearColor_.blueF(), clearColor_.alphaF());
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!program_)
        return;

    QMatrix4x4 m;
    m.ortho(-0.5f, +0.5f, +0.5f, -0.5f, 4.0f, 15.0f);
    m.translate(0.0f, 0.0f, -10.0f);
    m.rotate(xRot_ / 16.0f, 1.0f, 0.0f, 0.0f);
    m.rotate(yRot_ / 16.0f, 0.0f, 1.0f, 0.0f);
    m.rotate(zRot_ / 16.0f, 0.0f, 0.0f, 1.0f);

    program_->bind();
    program_->setUniformValue("matrix", m);
    vbo_.bind();
    program_->enableAttributeArray(0);
    program_->enableAttributeArray(1);
    program_->setAttributeBuffer(0, GL_FLOAT, 0, 3, 5 * sizeof(GLfloat));
    program_->setAttributeBuffer(1, GL_FLOAT, 3 * sizeof(GLfloat), 2, 5 * sizeof(GLfloat));

    for (int f = 0; f < 6; ++f) {
        textures_[f]->bind();
        glDrawArrays(GL_TRIANGLE_FAN, f * 4, 4);
    }
}

void GLWidget::resizeGL(int width, int height)
{
    const QRect view = viewportFor(width, height);
    glViewport(view.x(), view.y(), view.width(), view.height());
}

void GLWidget::mousePressEvent(QMouseEvent* event)
{
    lastPos_ = event->pos();
}

void GLWidget::mouseMoveEvent(QMouseEvent* event)
{
    const int dx = event->x() - lastPos_.x();
    const int dy = event->y() - lastPos_.y();
    if (event->buttons() & Qt::LeftButton)
        rotateBy(8 * dy, 8 * dx, 0);
    else if (event->buttons() & Qt::RightButton)
        rotateBy(8 * dy, 0, 8 * dx);
    lastPos_ = event->pos();
}

void GLWidget::mouseReleaseEvent(QMouseEvent* event)
{
    emit clicked();
    event->accept();
}

// ---- about ------------------------------------------------------------

about::about(QWidget* parent) : QDialogBase(parent)
{
    auto* outer = new QVBoxLayout;
    auto* head = new QHBoxLayout;
    auto* page = new QVBoxLayout;

    titleLabel_ = new QLabel(this);
    if (GLWidget::openGLAvailable()) {
        cube_ = new GLWidget;
        cube_->setClearColor(QColor(240, 240, 240, 255));
    }
    pageLabel_ = new QLabel(this);
    pageLabel_->setWordWrap(true);
    pageLabel_->setOpenExternalLinks(true);

    titleLabel_->setText(QStringLiteral("<strong><font family=\"MicrosoftYaHei\"  size=\"5\">%1</font></strong>%2")
                             .arg(QString::fromUtf8(programName()), QString::fromLatin1(programVersion())));

    if (cube_)
        head->addWidget(cube_);
    head->addWidget(titleLabel_);
    head->addStretch();

    QFile file(QStringLiteral(":/Lorvane/Resources/html/about.html"));
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        pageLabel_->setTextFormat(Qt::RichText);
        pageLabel_->setText(pageText(QString::fromUtf8(file.readAll())));
    }
    page->addWidget(pageLabel_);

    outer->addLayout(head);
    outer->addLayout(page);
    addLayout(outer);

    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &about::rotateOneStep);
    timer->start(25);
}

about::~about() = default;

QString about::pageText(QString html)
{
    return html.replace(QStringLiteral("{title}"), QString::fromUtf8(programName()), Qt::CaseSensitive);
}

void about::rotateOneStep()
{
    if (cube_)
        cube_->rotateBy(16, 16, -16);
}

void about::paintEvent(QPaintEvent* event)
{
    paintStyledBackground(this);
    QDialogBase::paintEvent(event);
}
