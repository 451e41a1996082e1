#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>

#include "app/AboutDialog.h"

TEST(AboutDialog, TitleIsTheBoldNameFollowedByTheVersion)
{
    about dialog;
    EXPECT_EQ(dialog.titleLabel()->text(),
              QStringLiteral("<strong><font family=\"MicrosoftYaHei\"  size=\"5\">错题本</font></strong>2.0.8"));
}

TEST(AboutDialog, PageHasTheProgramNameForEveryPlaceholder)
{
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"<p>{title}</p><p>{title}!</p>", "<p>错题本</p><p>错题本!</p>"},
        {"<p>plain page</p>", "<p>plain page</p>"},
        {"{Title} {title", "{Title} {title"},  // case-sensitive, whole placeholder only
    };
    for (const Case& c : cases)
        EXPECT_EQ(about::pageText(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;

    about dialog;
    const QString page = dialog.pageLabel()->text();
    EXPECT_TRUE(page.contains(QStringLiteral("错题本")));
    EXPECT_FALSE(page.contains(QStringLiteral("{title}")));
    EXPECT_TRUE(dialog.pageLabel()->openExternalLinks());
    EXPECT_TRUE(dialog.pageLabel()->wordWrap());
}

TEST(AboutDialog, ShowsWithoutOpenGL)
{
    // Under the offscreen platform there is no OpenGL: the cube is left out
    // and the dialog still works.
    about dialog;
    dialog.show();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.cube() != nullptr, GLWidget::openGLAvailable());
    dialog.rotateOneStep();
}

TEST(AboutDialog, CubeTurnsAboutOneDegreePerTickAndFollowsTheMouse)
{
    GLWidget cube;                         // never shown: no GL context is needed for the angles
    for (int tick = 0; tick < 40; ++tick)  // one second of 25 ms ticks
        cube.rotateBy(16, 16, -16);
    EXPECT_EQ(cube.xRotation(), 40 * 16);
    EXPECT_EQ(cube.yRotation(), 40 * 16);
    EXPECT_EQ(cube.zRotation(), -40 * 16);

    struct Drag {
        Qt::MouseButtons buttons;
        QPoint move;
        int dx, dy, dz;  // expected change, sixteenths of a degree
    };
    const Drag drags[] = {
        {Qt::LeftButton, {10, 0}, 0, 80, 0},  // 10 px right: 5 degrees about y
        {Qt::LeftButton, {0, -4}, -32, 0, 0},
        {Qt::RightButton, {6, 2}, 16, 0, 48},
        {Qt::NoButton, {9, 9}, 0, 0, 0},
    };
    for (const Drag& d : drags) {
        const int x = cube.xRotation(), y = cube.yRotation(), z = cube.zRotation();
        const QPoint start(50, 50);
        QMouseEvent press(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&cube, &press);
        QMouseEvent move(QEvent::MouseMove, start + d.move, Qt::NoButton, d.buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(&cube, &move);
        EXPECT_EQ(cube.xRotation() - x, d.dx);
        EXPECT_EQ(cube.yRotation() - y, d.dy);
        EXPECT_EQ(cube.zRotation() - z, d.dz);
    }

    int clicks = 0;
    QObject::connect(&cube, &GLWidget::clicked, [&clicks] { ++clicks; });
    QMouseEvent release(QEvent::MouseButtonRelease, QPoint(1, 1), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&cube, &release);
    EXPECT_EQ(clicks, 1);
}

TEST(AboutDialog, ViewportIsTheLargestCentredSquare)
{
    struct Case {
        int w, h;
        QRect expected;
    };
    const Case cases[] = {
        {300, 120, QRect(90, 0, 120, 120)},
        {120, 301, QRect(0, 90, 120, 120)},
        {121, 120, QRect(0, 0, 120, 120)},  // odd remainder rounds down
        {100, 100, QRect(0, 0, 100, 100)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GLWidget::viewportFor(c.w, c.h), c.expected) << c.w << "x" << c.h;
}
