#include "docking/vzMaskForms.h"

#include <gtest/gtest.h>

#include <vector>

namespace docking::mask {
namespace {

TEST(FrameBorderTest, TheBorderFollowsEveryEdgeOfTheShape) {
    // A page with a tab hanging below its left part.
    const ui::TRegion shape = ui::TRegion({0, 0, 40, 30}) | ui::TRegion({5, 30, 25, 40});
    const ui::TRegion border = FrameBorder(shape, 2);
    const struct {
        ui::TPoint at;
        bool inBorder;
    } cases[] = {
        {{0, 0}, true},    {{1, 15}, true},   {{2, 15}, false},  {{39, 15}, true}, {{37, 15}, false},
        {{20, 28}, false}, {{30, 28}, true},  {{5, 35}, true},   {{7, 35}, false}, {{24, 35}, true},
        {{15, 39}, true},  {{15, 37}, false}, {{30, 35}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(border.Contains(c.at), c.inBorder) << c.at.X << "," << c.at.Y;
    EXPECT_TRUE(FrameBorder(ui::TRegion({0, 0, 3, 3}), 2) == ui::TRegion({0, 0, 3, 3}))
        << "too small for an inside";
}

TEST(OutlineBarsTest, TheFourBarsCoverTheOutlineExactlyOnce) {
    const ui::TRect rect{10, 20, 60, 50};
    const int width = 4;
    std::vector<std::vector<int>> covered(70, std::vector<int>(70, 0));
    for (const ui::TRect& bar : OutlineBars(rect, width))
        for (int y = bar.Top; y < bar.Bottom; ++y)
            for (int x = bar.Left; x < bar.Right; ++x)
                ++covered[y][x];
    for (int y = 0; y < 70; ++y) {
        for (int x = 0; x < 70; ++x) {
            const bool outline = rect.Contains({x, y}) && !ui::TRect{14, 24, 56, 46}.Contains({x, y});
            ASSERT_EQ(covered[y][x], outline ? 1 : 0) << x << "," << y;
        }
    }
}

// A vertical bar 6 px wide at x = 100, movable between 40 and 300.
class SplitterDragTest : public ::testing::Test {
protected:
    std::vector<int> told;
    TvzSplitterDrag drag{ui::Bounds(100, 0, 6, 200), true, 40, 300, [this](int p) { told.push_back(p); }};
};

TEST_F(SplitterDragTest, TheBarFollowsTheMouseWithinItsRange) {
    EXPECT_EQ(drag.FrameWidth(), 3);
    EXPECT_EQ(drag.Position(), 103);
    drag.MouseMove({150, 90}, true);
    EXPECT_EQ(drag.Bar(), ui::Bounds(150, 0, 6, 200));
    drag.MouseMove({5, 90}, true);
    EXPECT_EQ(drag.Position(), 40);
    EXPECT_TRUE(told.empty());
    drag.MouseUp({900, 90});
    EXPECT_EQ(told, std::vector<int>{300}) << "released past the range: its nearest end";
    drag.MouseMove({150, 90}, true);
    EXPECT_EQ(drag.Position(), 300) << "a finished drag moves no more";
}

TEST_F(SplitterDragTest, EscapeTellsNobodyAndAMoveWithoutTheButtonFinishes) {
    drag.MouseMove({150, 90}, true);
    drag.Cancel();
    EXPECT_TRUE(drag.Finished());
    EXPECT_TRUE(told.empty());

    TvzSplitterDrag other(ui::Bounds(0, 100, 200, 6), false, 40, 300, [this](int p) { told.push_back(p); });
    other.MouseMove({10, 120}, false);
    EXPECT_EQ(told, std::vector<int>{120});
}

} // namespace
} // namespace docking::mask
