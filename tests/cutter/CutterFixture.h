#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWheelEvent>

#include <memory>
#include <string>
#include <vector>

#include "capture/common/ImageOps.h"
#include "capture/cutter/imageCut.h"
#include "core/Settings.h"
#include "support/TestEnv.h"
#include "support/TestPages.h"

// A shown cutter of 800 x 600 in a data folder of its own, pages written as
// files, and the mouse, wheel and keys sent to it directly.
class CutterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::prepareDataFolder();
        ASSERT_TRUE(dir_.isValid());
    }

    void TearDown() override { imageops::testing::setBeforeCall(nullptr); }

    // A new cutter (the setting "import_mode" is read now), shown.
    imageCut& makeCutter(int importMode = 0)
    {
        setIniValue(QStringLiteral("import_mode"), importMode);
        cutter_ = std::make_unique<imageCut>();
        cutter_->resize(800, 600);
        cutter_->show();
        QApplication::processEvents();
        recordSignals();
        return *cutter_;
    }

    QString writePage(const QImage& page, const QString& name = QStringLiteral("page.png"))
    {
        const QString path = dir_.filePath(name);
        EXPECT_TRUE(page.save(path));
        return path;
    }

    void mouse(QEvent::Type type, const QPoint& at, Qt::MouseButtons buttons)
    {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(at), QPointF(cutter_->mapToGlobal(at)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(cutter_.get(), &event);
    }
    void hover(const QPoint& at) { mouse(QEvent::MouseMove, at, Qt::NoButton); }
    // Moves to `from`, presses, moves to `to` in a few steps, releases there.
    void drag(const QPoint& from, const QPoint& to)
    {
        hover(from);
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
        for (int i = 1; i <= 4; ++i)
            mouse(QEvent::MouseMove, from + (to - from) * i / 4, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, to, Qt::NoButton);
    }

    void wheel(int delta)
    {
        const QPointF at(400, 300);
        QWheelEvent event(at, QPointF(cutter_->mapToGlobal(at.toPoint())), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(cutter_.get(), &event);
    }

    void key(QEvent::Type type, int key, bool autoRepeat = false)
    {
        QKeyEvent event(type, key, Qt::NoModifier, QString(), autoRepeat);
        QApplication::sendEvent(cutter_.get(), &event);
    }

    // The cutter's signals, in the order they came.
    void recordSignals()
    {
        signals_.clear();
        QObject::connect(cutter_.get(), &imageCut::finished, [this] { signals_.push_back("finished"); });
        QObject::connect(cutter_.get(), &imageCut::next_page, [this] { signals_.push_back("next_page"); });
        QObject::connect(cutter_.get(), &imageCut::first_half_clicked,
                         [this](QImage*) { signals_.push_back("first_half_clicked"); });
        QObject::connect(cutter_.get(), &imageCut::first_half_hide, [this] { signals_.push_back("first_half_hide"); });
    }

    QTemporaryDir dir_;
    std::unique_ptr<imageCut> cutter_;
    std::vector<std::string> signals_;
};
