#include "editor/WCEGradient.h"

#include "platform/ui/Bitmap.h"
#include "platform/ui/Canvas.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>

namespace editor {
namespace {

TEST(WCEGradientTest, AWideGradientUses256BandsFromTheFirstColourToTheSecond) {
    const auto bands = GradientBands(ui::Rect(10, 0, 610, 20), ui::clBlack, true, ui::RGB(255, 0, 100));
    ASSERT_EQ(bands.size(), 256u);
    EXPECT_EQ(bands.front().Color, ui::clBlack);
    EXPECT_EQ(bands.back().Color, ui::RGB(255, 0, 100));
    EXPECT_EQ(bands.front().Rect, ui::Rect(10, 0, 12, 20));
    EXPECT_EQ(bands.back().Rect.Right, 610);
    for (std::size_t i = 1; i < bands.size(); ++i)
        EXPECT_EQ(bands[i].Rect.Left, bands[i - 1].Rect.Right);
}

TEST(WCEGradientTest, NarrowEqualAndEmptyGradients) {
    EXPECT_EQ(GradientBands(ui::Rect(0, 0, 1, 5), ui::clRed, true, ui::clBlue),
              (std::vector<TGradientBand>{{ui::Rect(0, 0, 1, 5), ui::clRed}}));
    // System colours are resolved first, so clWindow equals its own RGB value.
    EXPECT_EQ(GradientBands(ui::Rect(0, 0, 50, 50), ui::clWindow, false, ui::ColorToRGB(ui::clWindow)).size(),
              1u);
    EXPECT_TRUE(GradientBands(ui::Rect(0, 5, 10, 5), ui::clRed, false, ui::clBlue).empty());
    const auto vertical = GradientBands(ui::Rect(0, 0, 4, 3), ui::clBlack, false, ui::RGB(0, 0, 200));
    ASSERT_EQ(vertical.size(), 3u);
    EXPECT_EQ(vertical[1], (TGradientBand{ui::Rect(0, 1, 4, 2), ui::RGB(0, 0, 100)}));
}

TEST(WCEGradientTest, FillsTheCanvas) {
    uitest::EnsureApplication();
    ui::TBitmap bitmap(100, 10);
    GradientFillRect(*bitmap.Canvas(), ui::Rect(0, 0, 100, 10), ui::clBlack, true, ui::clWhite);
    EXPECT_EQ(bitmap.Canvas()->Pixel(0, 5), ui::clBlack);
    EXPECT_EQ(bitmap.Canvas()->Pixel(99, 5), ui::clWhite);
    EXPECT_EQ(bitmap.Canvas()->Pixel(50, 0), ui::RGB(128, 128, 128));
}

} // namespace
} // namespace editor
