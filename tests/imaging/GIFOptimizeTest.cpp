#include "imaging/uGIFOptimize.h"

#include "imaging/GIFTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace imaging {
namespace {

using test::AddFrame;
using test::AddGreys;

TGIFGraphicControlExtension& ControlOf(TGIFSubImage& frame) {
    if (!frame.GraphicControlExtension()) {
        auto control = std::make_unique<TGIFGraphicControlExtension>(&frame);
        frame.Extensions().Add(std::move(control));
    }
    return *frame.GraphicControlExtension();
}

void MakeTransparent(TGIFSubImage& frame, int index, int delay = 0) {
    TGIFGraphicControlExtension& control = ControlOf(frame);
    control.SetTransparent(true);
    control.SetTransparentColorIndex(index);
    control.SetDelay(delay);
}

class GIFOptimizeTest : public ::testing::Test {
protected:
    test::TWarnedImage warned;
    TGIFImage& image = warned.image;
    std::vector<std::pair<TProgressStage, int>> progress;

    void SetUp() override {
        AddGreys(image.Header().ColorMap(), 4);
        image.OnProgress = [this](const data::TPersistent*, TProgressStage stage, int percent, bool,
                                  const std::string& message) {
            EXPECT_EQ(message, "Optimizing...");
            progress.emplace_back(stage, percent);
        };
    }
};

TEST_F(GIFOptimizeTest, MergeAndCropShrinkTheSecondFrameToWhatChanged) {
    std::vector<uint8_t> first(8 * 6, 1);
    AddFrame(image, 8, 6, first);
    std::vector<uint8_t> second = first;
    second[2 * 8 + 3] = 2; // (3, 2) and (4, 3) change
    second[3 * 8 + 4] = 3;
    AddFrame(image, 8, 6, second);

    OptimizeFrames(image, {optMerge, optCrop}, redWeb216, 8, ditNearest);
    ASSERT_EQ(image.Images().Count(), 2);
    TGIFSubImage& changed = *image.Images().Frame(1);
    EXPECT_TRUE(changed.Transparent());
    EXPECT_EQ(changed.Left(), 3);
    EXPECT_EQ(changed.Top(), 2);
    EXPECT_EQ(changed.Width(), 2);
    EXPECT_EQ(changed.Height(), 2);
    const int t = changed.TransparentIndex();
    EXPECT_EQ(image.Header().ColorMap().ColorAt(t), ui::clBlack); // a colour appended for transparency
    EXPECT_EQ(changed.Pixels(),
              (std::vector<uint8_t>{2, static_cast<uint8_t>(t), static_cast<uint8_t>(t), 3}));
    EXPECT_EQ(image.Images().Frame(0)->Width(), 8);

    EXPECT_EQ(progress.front(), std::make_pair(psStarting, 0));
    EXPECT_EQ(progress.back(), std::make_pair(psEnding, 100));
}

TEST_F(GIFOptimizeTest, AnEntirelyTransparentFrameGoesAndLeavesItsDelayToThePreviousOne) {
    MakeTransparent(AddFrame(image, 2, 2, {0, 1, 1, 0}), 0, 60000);
    MakeTransparent(AddFrame(image, 2, 2, {0, 0, 0, 0}), 0, 10000);
    OptimizeFrames(image, {optCrop}, redWeb216, 8, ditNearest);
    ASSERT_EQ(image.Images().Count(), 1);
    EXPECT_EQ(image.Images().Frame(0)->GraphicControlExtension()->Delay(), 65535); // saturated, not wrapped
}

TEST_F(GIFOptimizeTest, CleanupDropsWhatASingleFrameDoesNotNeed) {
    TGIFSubImage& frame = AddFrame(image, 2, 1, {1, 2});
    ControlOf(frame).SetDelay(5);
    auto comment = std::make_unique<TGIFCommentExtension>(&frame);
    comment->Comment = {"made by hand"};
    frame.Extensions().Add(std::move(comment));
    frame.Extensions().Add(std::make_unique<TGIFAppExtNSLoop>(&frame));

    OptimizeFrames(image, {optSortColorMaps}, redWeb216, 8, ditNearest);
    EXPECT_EQ(frame.Extensions().Count(), 3); // without optCleanup everything stays

    OptimizeFrames(image, {optCleanup}, redWeb216, 8, ditNearest);
    EXPECT_EQ(frame.Extensions().Count(), 0);
    EXPECT_EQ(frame.GraphicControlExtension(), nullptr);
}

TEST_F(GIFOptimizeTest, CleanupKeepsTransparencyInUseAndDropsTheUnused) {
    TGIFSubImage& used = AddFrame(image, 2, 1, {3, 1});
    MakeTransparent(used, 3);
    TGIFSubImage& unused = AddFrame(image, 2, 1, {1, 2});
    MakeTransparent(unused, 3);
    OptimizeFrames(image, {optCleanup}, redWeb216, 8, ditNearest);
    EXPECT_TRUE(used.Transparent());
    EXPECT_FALSE(unused.Transparent());
    EXPECT_EQ(unused.GraphicControlExtension(), nullptr);
}

TEST_F(GIFOptimizeTest, AHiddenDisposalBecomesUnspecified) {
    const struct {
        int nextWidth;
        TDisposalMethod expected;
    } cases[] = {{4, dmNone}, {2, dmBackground}};
    for (const auto& c : cases) {
        image.Images().Clear();
        TGIFSubImage& first = AddFrame(image, 4, 4, std::vector<uint8_t>(16, 1));
        ControlOf(first).SetDisposal(dmBackground);
        ControlOf(first).SetDelay(10);
        AddFrame(image, c.nextWidth, 4, std::vector<uint8_t>(static_cast<size_t>(c.nextWidth) * 4, 2));
        OptimizeFrames(image, {optCleanup}, redWeb216, 8, ditNearest);
        EXPECT_EQ(ControlOf(*image.Images().Frame(0)).Disposal(), c.expected) << c.nextWidth;
    }
}

TEST_F(GIFOptimizeTest, ReducingColoursToACallersPaletteIsRefused) {
    AddFrame(image, 1, 1, {0});
    EXPECT_THROW(OptimizeFrames(image, {optReduceColors}, redPalette, 8, ditNearest), GIFException);
    EXPECT_EQ(progress.back(), std::make_pair(psEnding, 0));
    EXPECT_NO_THROW(OptimizeFrames(image, {optReduceColors, optCleanup}, redPalette, 8, ditNearest));
}

TEST_F(GIFOptimizeTest, MergingNeedsRoomForOneMoreColour) {
    TGIFSubImage& under = AddFrame(image, 2, 1, {1, 2});
    TGIFSubImage& over = AddFrame(image, 2, 1, {1, 3});
    AddGreys(over.ColorMap(), 256); // a full local table: nothing to make transparent with
    MergeWithPrevious(over, &under);
    EXPECT_FALSE(over.Transparent());
    EXPECT_EQ(over.Pixels(), (std::vector<uint8_t>{1, 3}));
    over.ColorMap().Clear();
    MergeWithPrevious(over, &under);
    EXPECT_TRUE(over.Transparent());
    EXPECT_EQ(over.Pixels()[1], 3);
    EXPECT_EQ(over.Pixels()[0], over.TransparentIndex());
}

} // namespace
} // namespace imaging
