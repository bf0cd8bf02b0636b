#include "imaging/uGIFPainter.h"

#include "imaging/GIFTestSupport.h"

#include <gtest/gtest.h>

#include "platform/ui/Clock.h"
#include "support/UiTest.h"

#include <memory>
#include <vector>

namespace imaging {
namespace {

using test::AddFrame;

class GIFPainterTest : public uitest::UiTest {
protected:
    ui::TManualClockScope clock;
    TGIFImage image;
    ui::TBitmap target{4, 2, ui::pf24bit};
    std::vector<int> shown;

    void SetUp() override {
        image.Header().ColorMap().AppendColor(ui::clRed);
        image.Header().ColorMap().AppendColor(ui::clLime);
        image.PaintOptions.Exclude(pntDither);
    }
    TGIFSubImage& Frame(uint8_t color, int delay) {
        TGIFSubImage& frame = AddFrame(image, 4, 2, std::vector<uint8_t>(8, color));
        auto control = std::make_unique<TGIFGraphicControlExtension>(&frame);
        control->SetDelay(delay);
        frame.Extensions().Add(std::move(control));
        return frame;
    }
    std::unique_ptr<TGIFPainter> Painter(TGIFPaintOptions options = DefaultPaintOptions) {
        auto painter = std::make_unique<TGIFPainter>(image, *target.Canvas(), ui::TRect{0, 0, 4, 2}, options);
        painter->OnFrameShown = [this](data::TPersistent* sender) {
            shown.push_back(static_cast<TGIFPainter*>(sender)->ActiveImage());
        };
        return painter;
    }
};

TEST_F(GIFPainterTest, AOneFramePictureIsDrawnAtOnceWithoutTiming) {
    Frame(1, 50);
    auto painter = Painter();
    painter->BeginPainting();
    EXPECT_FALSE(painter->Painting());
    EXPECT_EQ(shown, std::vector<int>{0});
    EXPECT_EQ(target.Canvas()->Pixel(3, 1), ui::clLime);
}

TEST_F(GIFPainterTest, EachFrameWaitsItsDelayAtLeastTheMinimum) {
    Frame(0, 1);
    Frame(1, 0);
    Frame(0, 7);
    auto painter = Painter({pntThreaded, pntAnimate});
    painter->BeginPainting();
    EXPECT_EQ(shown, std::vector<int>{0});
    EXPECT_EQ(target.Canvas()->Pixel(0, 0), ui::clRed);
    EXPECT_EQ(painter->LastWait(), 3 * FrameDelayUnitMs); // delay 1 waits the minimum of 3 units
    clock->Advance(35);
    EXPECT_EQ(shown.size(), 1u);
    clock->Advance(1);
    EXPECT_EQ(shown, (std::vector<int>{0, 1}));
    EXPECT_EQ(target.Canvas()->Pixel(0, 0), ui::clLime);
    EXPECT_EQ(painter->LastWait(), 10 * FrameDelayUnitMs); // delay 0 waits the default 10 units
    clock->Advance(120);
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 2}));
    EXPECT_FALSE(painter->Painting()); // one pass without pntLoop, over with its last frame
}

TEST_F(GIFPainterTest, DoubleSpeedHalvesEveryWait) {
    Frame(0, 10);
    Frame(1, 10);
    image.AnimationSpeed = 200;
    auto painter = Painter({pntThreaded, pntAnimate});
    painter->BeginPainting();
    EXPECT_EQ(painter->LastWait(), 60);
    clock->Advance(60);
    EXPECT_EQ(shown.size(), 2u);
}

TEST_F(GIFPainterTest, ALoopCountOfThreePlaysThreePasses) {
    TGIFSubImage& first = Frame(0, 5);
    auto loop = std::make_unique<TGIFAppExtNSLoop>(&first);
    loop->Loops = 3;
    first.Extensions().Add(std::move(loop));
    Frame(1, 5);
    int restarts = 0;
    auto painter = Painter({pntThreaded, pntAnimate, pntLoop});
    painter->OnLoopRestart = [&](data::TPersistent*) { ++restarts; };
    painter->BeginPainting();
    clock->Advance(10 * 5 * FrameDelayUnitMs);
    EXPECT_FALSE(painter->Painting());
    EXPECT_EQ(painter->Passes(), 3);
    EXPECT_EQ(restarts, 2);
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 0, 1, 0, 1}));
}

TEST_F(GIFPainterTest, StoppingEndsTheWaitAtOnce) {
    Frame(0, 5);
    Frame(1, 5);
    image.AnimationSpeed = 0; // waits until stopped
    int ends = 0;
    auto painter = Painter({pntThreaded, pntAnimate});
    painter->OnPaintEnd = [&](data::TPersistent*) { ++ends; };
    painter->BeginPainting();
    clock->Advance(100000);
    EXPECT_EQ(shown.size(), 1u);
    painter->StopPainting();
    EXPECT_FALSE(painter->Painting());
    EXPECT_EQ(ends, 1);
}

TEST_F(GIFPainterTest, AnAnimatedImageRedrawsEachFrameAsAChange) {
    Frame(0, 5);
    Frame(1, 5);
    int changes = 0;
    image.OnChange = [&](ui::TObject*) { ++changes; };
    target.Canvas()->Draw(0, 0, &image);
    EXPECT_EQ(target.Canvas()->Pixel(0, 0), ui::clRed);
    ASSERT_NE(image.DrawPainter(), nullptr);
    clock->Advance(5 * FrameDelayUnitMs);
    EXPECT_EQ(changes, 2);
    target.Canvas()->Draw(0, 0, &image);
    EXPECT_EQ(target.Canvas()->Pixel(0, 0), ui::clLime);
    image.StopAllPainters();
    EXPECT_EQ(image.DrawPainter(), nullptr);
}

TEST_F(GIFPainterTest, TransparentPixelsLetTheTargetShowThrough) {
    TGIFSubImage& frame = Frame(0, 0);
    frame.GraphicControlExtension()->SetTransparent(true);
    frame.GraphicControlExtension()->SetTransparentColorIndex(0);
    frame.Pixels()[1] = 1;
    target.Canvas()->Brush()->SetColor(ui::clBlue);
    target.Canvas()->FillRect({0, 0, 4, 2});
    DrawFrame(frame, *target.Canvas(), {0, 0, 4, 2}, false, true);
    EXPECT_EQ(target.Canvas()->Pixel(0, 0), ui::clBlue);
    EXPECT_EQ(target.Canvas()->Pixel(1, 0), ui::clLime);
    EXPECT_EQ(MapToTarget(frame, {10, 10, 18, 14}).Right, 18);
}

} // namespace
} // namespace imaging
