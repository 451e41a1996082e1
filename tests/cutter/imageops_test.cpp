#include <gtest/gtest.h>

#include <QImage>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

#include "capture/common/ImageOps.h"
#include "support/TestPages.h"
#include "ui/WaiteDialog.h"

namespace {

// Makes the named operation throw, as OpenCV does on a failure, for the life
// of the object.
class FailingOperation {
public:
    explicit FailingOperation(std::string name)
    {
        imageops::testing::setBeforeCall([name](const char* operation) {
            if (name == operation)
                throw std::runtime_error("injected failure");
        });
    }
    ~FailingOperation() { imageops::testing::setBeforeCall(nullptr); }
};

class ImageOpsTest : public ::testing::Test {
protected:
    void TearDown() override { imageops::testing::setBeforeCall(nullptr); }
    QImage page_ = testpages::ruledPage(QSize(640, 480), 3.0);
};

}  // namespace

TEST_F(ImageOpsTest, WorkerTaskRunsOnAnotherThreadAndIsAwaited)
{
    const std::thread::id gui = std::this_thread::get_id();
    std::thread::id worker;
    std::atomic<bool> done{false};
    imageops::testing::setBeforeCall([&](const char* operation) {
        if (std::string(operation) != "Threshold")
            return;
        worker = std::this_thread::get_id();
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        done = true;
    });
    QImage image = page_;
    ASSERT_TRUE(imageops::threshold(image));
    EXPECT_TRUE(done) << "the helper returned before its task ended";
    EXPECT_NE(worker, std::thread::id());
    EXPECT_NE(worker, gui);
    EXPECT_NE(image, page_) << "the whitened page was not taken over";
    EXPECT_FALSE(WaiteDialog::instance()->isVisible());
}

TEST_F(ImageOpsTest, FailingWorkerTasksLeaveTheImageAsItWas)
{
    struct Case {
        const char* operation;
        std::function<bool(QImage&)> run;
    };
    const Case cases[] = {
        {"Threshold", [](QImage& i) { return imageops::threshold(i); }},
        {"deleteRed", [](QImage& i) { return imageops::deleteRed(i); }},
        {"EraserRect", [](QImage& i) { return imageops::eraseRect(i, QRect(10, 10, 100, 80)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        FailingOperation failing(c.operation);
        QImage image = page_;
        const QImage before = page_.copy();
        EXPECT_FALSE(c.run(image));
        EXPECT_EQ(image, before);
        EXPECT_FALSE(WaiteDialog::instance()->isVisible());
    }
}

TEST_F(ImageOpsTest, FailingTurnsLeaveTheDestinationUntouched)
{
    struct Case {
        const char* operation;
        std::function<bool(const QImage&, QImage&)> run;
    };
    const auto angle = [](const QImage& in, QImage& out) { return imageops::rotateAngle(in, 3.0f, out); };
    const auto quarter = [](const QImage& in, QImage& out) { return imageops::rotate(in, 1, out); };
    const auto direct = [](const QImage& in, QImage& out) { return imageops::rotateDirect(in, 1, out); };
    const Case cases[] = {
        {"GetRotateAngleSize", angle}, {"RotateAngle", angle},    {"GetRotateSize", quarter},
        {"Rotate", quarter},           {"GetRotateSize", direct}, {"Rotate", direct},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        FailingOperation failing(c.operation);
        QImage out(7, 5, QImage::Format_RGB888);
        out.fill(Qt::green);
        const QImage before = out.copy();
        EXPECT_FALSE(c.run(page_, out));
        EXPECT_EQ(out, before);
    }
}

TEST_F(ImageOpsTest, FailingDirectMeasurementsDoNotEscape)
{
    {
        FailingOperation failing("CalcDegree");
        double angle = 42.0;
        EXPECT_FALSE(imageops::calcDegree(page_, angle));
        EXPECT_EQ(angle, 42.0);
        EXPECT_EQ(imageops::calcDegree(page_), 0.0);
    }
    {
        FailingOperation failing("getTextHeight");
        EXPECT_EQ(imageops::textHeight(page_), 0);
    }
}

TEST_F(ImageOpsTest, TurnsMatchTheSizeQueries)
{
    double angle = 0.0;
    ASSERT_TRUE(imageops::calcDegree(page_, angle));
    EXPECT_NEAR(std::abs(angle), 3.0, 0.6);
    QImage straight;
    ASSERT_TRUE(imageops::rotateAngle(page_, static_cast<float>(angle), straight));
    EXPECT_GT(straight.width(), page_.width());
    EXPECT_GT(straight.height(), page_.height());
    QImage turned;
    ASSERT_TRUE(imageops::rotate(page_, 1, turned));
    EXPECT_EQ(turned.size(), page_.size().transposed());
    // Four quarter turns give the page back.
    QImage round = page_;
    for (int i = 0; i < 4; ++i) {
        QImage next;
        ASSERT_TRUE(imageops::rotate(round, 3, next));
        round = next;
    }
    EXPECT_EQ(round, page_);
}
