// The themed look: buttons, selection, hot items and the header in the platform's visual style, and
// the options that switch it.
#include "StringTreeFixture.h"

#include "platform/ui/Themes.h"

namespace lazytree {
namespace {

using test::kBack;
using test::kFocusedSelection;
using test::kLines;
using test::kRow;
using test::kUnfocusedSelection;
using ui::TColor;

class ThemePaintTest : public test::StringTreeWidgetTest {
protected:
    void SetUp() override {
        ui::SetThemesEnabled(true);
        StringTreeWidgetTest::SetUp();
    }
    void TearDown() override {
        ui::SetThemesEnabled(false);
        StringTreeWidgetTest::TearDown();
    }
    bool Themed() { return model().TreeStates().Contains(tsUseThemes); }
    void SetPaint(TVTPaintOption option, bool on) {
        TVTPaintOptions options = model().Options().PaintOptions;
        if (on)
            options.Include(option);
        else
            options.Exclude(option);
        model().SetPaintOptions(options);
    }
    // How many pixels of a rectangle differ from the tree's colour.
    static int Ink(const QImage& image, const ui::TRect& r) {
        return r.Width() * r.Height() - CountColor(image, r, kBack);
    }
    // The 9 x 9 button of the first row.
    static constexpr ui::TRect kButton{5, 5, 14, 14};
};

TEST_F(ThemePaintTest, ThemeAwareTreesDrawThemedButtonsUntilTheOptionGoes) {
    Fill(2, 2);
    model().ToggleNode(Top(0));
    ASSERT_TRUE(Themed()) << "theme-aware by default, and the platform has a style";
    QImage image = Grab();
    // The themed glyph stands on the tree's colour: no classic frame, but ink inside.
    EXPECT_EQ(CountColor(image, kButton, kLines), 0);
    EXPECT_GT(Ink(image, kButton), 4);
    const QImage expanded = image.copy(5, 5, 9, 9);
    EXPECT_NE(expanded, image.copy(5, 3 * kRow + 5, 9, 9)) << "open and closed glyphs differ";

    SetPaint(toThemeAware, false);
    EXPECT_FALSE(Themed());
    image = Grab();
    EXPECT_EQ(Pixel(image, 5, 5), kLines) << "the classic frame is back";
    EXPECT_EQ(Pixel(image, 13, 13), kLines);

    // Without a platform style the option alone themes nothing.
    ui::SetThemesEnabled(false);
    SetPaint(toThemeAware, true);
    EXPECT_FALSE(Themed());
    EXPECT_EQ(Pixel(Grab(), 5, 5), kLines);
}

TEST_F(ThemePaintTest, OnlyTheExplorerLookHasHotButtons) {
    const auto hotDiffers = [this](bool expanded) {
        ui::TBitmap normal, hot;
        normal.Assign(&tree.ButtonBitmap(expanded, false));
        hot.Assign(&tree.ButtonBitmap(expanded, true));
        for (int y = 0; y < normal.Height(); ++y)
            for (int x = 0; x < normal.Width(); ++x)
                if (normal.Canvas()->Pixel(x, y) != hot.Canvas()->Pixel(x, y)) return true;
        return false;
    };
    EXPECT_FALSE(hotDiffers(false));
    SetPaint(toUseExplorerTheme, true);
    EXPECT_TRUE(hotDiffers(false));
    EXPECT_TRUE(hotDiffers(true));
    SetPaint(toThemeAware, false);
    EXPECT_FALSE(hotDiffers(true)) << "the explorer option needs themes";
}

TEST_F(ThemePaintTest, ThemesBlendTheRubberBandOverRowsAndTheSpaceBelow) {
    Fill(3);
    constexpr TColor kBand = 0x00C000, kBorder = 0x800080;
    model().Colors().Set(TVTColors::SelectionRectangleBlendColor, kBand);
    model().Colors().Set(TVTColors::SelectionRectangleBorderColor, kBorder);
    model().StartDrawSelection(150, 10, {});
    model().CalculateSelectionRect(250, 90);
    QImage image = Grab();
    EXPECT_EQ(Pixel(image, 200, 2 * kRow + 5), HalfBlend(kBand, kBack)) << "over a row";
    EXPECT_EQ(Pixel(image, 200, 80), HalfBlend(kBand, kBack)) << "below the last row";
    EXPECT_EQ(Pixel(image, 150, 40), kBorder);
    EXPECT_EQ(Pixel(image, 260, 40), kBack);

    SetPaint(toThemeAware, false);
    image = Grab();
    EXPECT_EQ(Pixel(image, 200, 2 * kRow + 5), kBack) << "unthemed the band is a dotted frame";
    tree.SetDrawSelectionMode(smBlendedRectangle);
    EXPECT_EQ(Pixel(Grab(), 200, 80), HalfBlend(kBand, kBack));
}

TEST_F(ThemePaintTest, ThemesHideTreeLinesOnlyWhenAsked) {
    Fill(2, 2);
    model().ToggleNode(Top(0));
    const ui::TRect childLines{0, kRow, 18, 3 * kRow};
    EXPECT_GT(CountColor(Grab(), childLines, kLines), 0);
    SetPaint(toHideTreeLinesIfThemed, true);
    EXPECT_EQ(CountColor(Grab(), childLines, kLines), 0);
    SetPaint(toThemeAware, false);
    EXPECT_GT(CountColor(Grab(), childLines, kLines), 0) << "unthemed, the lines show again";
}

TEST_F(ThemePaintTest, ExplorerLookSelectsWithThemedItemsInsteadOfTheSelectionColours) {
    Fill(3);
    model().SetSelectionOptions(model().Options().SelectionOptions + TVTSelectionOptions{toFullRowSelect});
    model().AddToSelection(Top(1));
    Activate();
    const ui::TRect row{0, kRow, 300, 2 * kRow};
    EXPECT_GT(CountColor(Grab(), row, kFocusedSelection), 200) << "themed alone keeps the classic selection";

    SetPaint(toUseExplorerTheme, true);
    const QImage focused = Grab();
    EXPECT_LT(CountColor(focused, row, kFocusedSelection), 10);
    const TColor focusedItem = Pixel(focused, 150, kRow + kRow / 2);
    EXPECT_NE(focusedItem, kBack);
    EXPECT_EQ(Pixel(focused, 150, kRow / 2), kBack);

    form.SetFocus();
    tree.Invalidate();
    const QImage unfocused = Grab();
    EXPECT_LT(CountColor(unfocused, row, kUnfocusedSelection), 10) << "a smoothed text pixel may match";
    const TColor unfocusedItem = Pixel(unfocused, 150, kRow + kRow / 2);
    EXPECT_NE(unfocusedItem, kBack);
    EXPECT_NE(unfocusedItem, focusedItem) << "selected and selected-without-focus look different";

    SetPaint(toUseExplorerTheme, false);
    EXPECT_GT(CountColor(Grab(), row, kUnfocusedSelection), 200);
}

TEST_F(ThemePaintTest, ExplorerLookWashesTheHotRow) {
    Fill(3);
    model().SetSelectionOptions(model().Options().SelectionOptions + TVTSelectionOptions{toFullRowSelect});
    SetPaint(toHotTrack, true);
    tree.HandleHotTrack(150, kRow + 5);
    ASSERT_EQ(model().HotNode(), Top(1));
    EXPECT_EQ(Pixel(Grab(), 150, kRow + kRow / 2), kBack)
        << "without the explorer look only the text shows it";
    SetPaint(toUseExplorerTheme, true);
    const QImage image = Grab();
    EXPECT_NE(Pixel(image, 150, kRow + kRow / 2), kBack);
    EXPECT_EQ(Pixel(image, 150, kRow / 2), kBack);
}

class ThemedHeaderTest : public ThemePaintTest {
protected:
    void SetUp() override {
        ThemePaintTest::SetUp();
        AddColumns({u"Name", u"Type"}, 100);
        Fill(3);
        tree.Header().SetStyle(hsXPStyle);
        tree.Header().SetOptions(tree.Header().Options() + TVTHeaderOptions{hoVisible, hoHotTrack});
    }
};

TEST_F(ThemedHeaderTest, ThemesDrawTheSectionsInsteadOfTheXPRoutine) {
    const ui::TRect band{0, 0, 300, tree.Header().Height()};
    const TColor xpFill = ui::RGB(235, 234, 219);
    const QImage themed = GrabHeader();
    EXPECT_EQ(CountColor(themed, band, xpFill), 0);
    tree.Header().SetHoverColumn(0);
    const QImage hot = GrabHeader();
    EXPECT_NE(hot.copy(10, 0, 80, band.Bottom), themed.copy(10, 0, 80, band.Bottom)) << "a hot section";
    EXPECT_EQ(hot.copy(110, 0, 80, band.Bottom), themed.copy(110, 0, 80, band.Bottom));

    tree.Header().SetHoverColumn(NoColumn);
    SetPaint(toThemeAware, false);
    EXPECT_GT(CountColor(GrabHeader(), band, xpFill), 1000);
}

} // namespace
} // namespace lazytree
