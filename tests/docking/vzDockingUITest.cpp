#include "docking/vzDockingUIDefault.h"

#include "platform/ui/Bitmap.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>

namespace docking::uistyle {
namespace {

using namespace ui;

class DockingUIStyleTest : public uitest::UiTest {
protected:
    TvzDefaultUIStyle style;
    TvzImage noImage;
};

TEST_F(DockingUIStyleTest, TheDefaultLookHoldsItsMetricsTable) {
    EXPECT_EQ(style.Metrics(), (std::array<int, 11>{4, 1, 2, 2, 3, 1, 1, 1, 1, 1, 14}));
    EXPECT_EQ(style.CaptionButtonSize(), 14);
    EXPECT_EQ(style.TabIndent(), 3);
    EXPECT_EQ(style.TabColor()->StartColor(), clBtnHighlight);
    EXPECT_EQ(style.HideZoneColor()->StartColor(), clWindow);
    EXPECT_EQ(style.HiddenTabFont()->Color(), clBtnShadow);
    EXPECT_TRUE(style.GetCloseButtonPositions().Contains(bcpBefore));
    EXPECT_TRUE(style.GetCloseButtonPositions().Contains(bcpAfter));
}

TEST_F(DockingUIStyleTest, AMetricOutOfRangeFailsAndKeepsTheOldValues) {
    std::array<int, 11> metrics = style.Metrics();
    metrics[0] = 31;
    try {
        style.SetMetrics(metrics);
        FAIL() << "no error";
    } catch (const EIntOverflow& e) {
        EXPECT_EQ(e.Message(), "Property value should be in the bounds 0..30");
    }
    EXPECT_EQ(style.GetMetric(0), 4);
    EXPECT_THROW(style.CheckMetric(2, 11), EIntOverflow);
    EXPECT_THROW(style.CheckMetric(4, -1), EIntOverflow);
    EXPECT_NO_THROW(style.CheckMetric(10, 100));
}

TEST_F(DockingUIStyleTest, ChangesAreAnnouncedOnceAfterAnUpdateAndNotForEqualValues) {
    int announced = 0, linked = 0;
    style.OnChange = [&](TObject*) { ++announced; };
    TvzStyleChangeLink link;
    link.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, &style);
        ++linked;
    };
    style.RegisterChanges(&link);
    EXPECT_EQ(link.Sender(), &style);

    style.SetCaptionButtonSize(14);
    style.SetButtonWidthRatio(1.02); // the rounded width stays 14
    EXPECT_EQ(announced, 0);
    style.BeginUpdate();
    style.SetSplitterWidth(6);
    style.TabColor()->SetStartColor(clRed);
    style.SetTabIndent(1);
    EXPECT_EQ(announced, 0);
    style.EndUpdate();
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(linked, 1);
    EXPECT_THROW(style.EndUpdate(), rtl::EAssertionFailed);

    style.UnRegisterChanges(&link);
    EXPECT_EQ(link.Sender(), nullptr);
    style.SetButtonWidthRatio(1.75);
    EXPECT_EQ(style.CaptionButtonExtent(), (TPoint{25, 14}));
    EXPECT_EQ(announced, 2);
    EXPECT_EQ(linked, 1);
}

TEST_F(DockingUIStyleTest, TabWidthsFollowTheMetrics) {
    EXPECT_EQ(style.GetTabWidth(u"", tisNormal, noImage, 0), 2 * 1 + 2 * 4);
    const int text = MeasureText(*style.TabFont(), u"Locals").cx;
    EXPECT_EQ(style.GetTabWidth(u"&Locals", tisNormal, noImage, 0), text + 2 + 8);
    EXPECT_EQ(style.GetTabWidth(u"Locals", tisNormal, noImage, 16), text + 2 + 16 + 12);

    // Centred text measures with the wider font, so selecting a bold tab keeps its width.
    style.ActiveTabFont()->SetStyle(TFontStyles{fsBold});
    const int normal = style.GetTabWidth(u"Breakpoints", tisNormal, noImage, 0);
    EXPECT_EQ(style.GetTabWidth(u"Breakpoints", tisSelected, noImage, 0), normal);
    style.SetCenterTabText(false);
    EXPECT_GT(style.GetTabWidth(u"Breakpoints", tisSelected, noImage, 0),
              style.GetTabWidth(u"Breakpoints", tisNormal, noImage, 0));

    int asked = 0;
    style.OnGetTabWidth = [&](TvzDockingUIStyle*, const std::u16string&, TvzTabItemState, const TvzImage&,
                              int, TvzTabItemPosition, TvzOrientation, int& width) {
        ++asked;
        EXPECT_EQ(width, 0);
        width = 77;
    };
    EXPECT_EQ(style.TabWidth(u"Watches", tisNormal, noImage, 0, tipFirst, orTop), 77);
    EXPECT_EQ(asked, 1);
}

TEST_F(DockingUIStyleTest, HeightsAddTheirMetricsToTheSampleText) {
    const int sample = MeasureText(*style.TabFont(), u"Wkg").cy;
    EXPECT_EQ(style.GetTabHeight(noImage), sample + 2 * 1 + 1);
    EXPECT_EQ(style.GetTabPaneHeight(noImage), style.GetTabHeight(noImage) + 3 + 1 + 1);
    EXPECT_EQ(style.GetHiddenTabHeight(false, noImage), 16 + 2 + 1);
    EXPECT_EQ(style.GetCaptionHeight(noImage), std::max(sample, 14) + 2 * 1 + 2 * 2);
}

// A surface of a known colour, to check painting stays inside its rectangle.
class StylePaintTest : public DockingUIStyleTest {
protected:
    TBitmap surface{120, 80, pf24bit};
    TCanvas& canvas = *surface.Canvas();
    const TRect box{10, 10, 110, 70};
    void SetUp() override {
        canvas.Brush()->SetColor(clLime);
        canvas.FillRect({0, 0, 120, 80});
    }
    // Pixels outside `allowed` that changed, and whether anything inside the box did.
    int OutsidePainted(const TRect& allowed) {
        int count = 0;
        for (int y = 0; y < surface.Height(); ++y)
            for (int x = 0; x < surface.Width(); ++x)
                if (!allowed.Contains({x, y}) && canvas.Pixel(x, y) != clLime) ++count;
        return count;
    }
    int OutsidePainted() { return OutsidePainted(box); }
    bool InsidePainted() {
        for (int y = box.Top; y < box.Bottom; ++y)
            for (int x = box.Left; x < box.Right; ++x)
                if (canvas.Pixel(x, y) != clLime) return true;
        return false;
    }
};

TEST_F(StylePaintTest, EveryElementPaintsInsideItsRectangle) {
    // Tabs reach over their left neighbour's edge: two pixels when selected, one otherwise.
    const TRect tabReach = InflateRect(box, 2, 0);
    const std::vector<std::pair<const char*, std::function<void()>>> elements = {
        {"caption", [&] { style.PaintCaption(canvas, box, u"Call stack", dcsFocused, 100, true, noImage); }},
        {"control",
         [&] {
             canvas.Brush()->SetColor(clBtnFace);
             style.PaintControl(canvas, box, dckTabControl);
         }},
        {"splitter", [&] { style.PaintSplitter(canvas, box, spoVertical); }},
        {"tab pane top", [&] { style.PaintTabPane(canvas, box, dtoTop); }},
        {"tab pane bottom", [&] { style.PaintTabPane(canvas, box, dtoBottom); }},
        {"selected tab",
         [&] { style.PaintTabItem(canvas, box, u"Locals", tisSelected, tipFirst, orTop, 0, noImage); }},
        {"tab",
         [&] { style.PaintTabItem(canvas, box, u"Locals", tisHot, tipMiddle, orBottom, 14, noImage); }},
        {"tab target",
         [&] {
             style.PaintTabTarget(canvas, {10, 10, 20, 70});
         }},
        {"hide zone", [&] { style.DrawHideZone(canvas, box, hzoLeft, box); }},
    };
    for (const auto& [name, paint] : elements) {
        SetUp();
        paint();
        EXPECT_EQ(OutsidePainted(std::string_view(name).ends_with("tab") ? tabReach : box), 0) << name;
        EXPECT_TRUE(InsidePainted()) << name;
    }
}

TEST_F(StylePaintTest, EveryButtonAndHiddenTabPaints) {
    const TRect button = Bounds(10, 10, 16, 16); // caption buttons are small: their strokes scale
    for (int kind = dbkHide; kind < dbkNone; ++kind)
        for (TvzDockButtonState state : {dbsNormal, dbsHot, dbsPressed, dbsDisabled}) {
            SetUp();
            style.PaintCaptionButton(canvas, button, state, dcsNormal, TvzDockButtonKind(kind));
            EXPECT_EQ(OutsidePainted(button), 0) << kind;
            EXPECT_TRUE(InsidePainted()) << kind;
        }
    for (TvzTabButtonKind kind : {tbkLeft, tbkRight, tbkPopup, tbkPopupEx}) {
        SetUp();
        style.PaintTabButton(canvas, box, dbsHot, kind);
        EXPECT_EQ(OutsidePainted(), 0) << kind;
    }
    for (TvzHideZoneOrientation zone : {hzoLeft, hzoTop, hzoRight, hzoBottom})
        for (TvzTabItemState state : {tisNormal, tisSelected}) {
            SetUp();
            style.DrawHiddenTab(canvas, box, u"Output of the procedure", state, tipMiddle, zone, true,
                                noImage);
            // An unselected hidden tab starts one pixel before its neighbour ends.
            EXPECT_EQ(OutsidePainted(InflateRect(box, 1, 1)), 0) << zone;
            EXPECT_TRUE(InsidePainted()) << zone;
        }
}

TEST_F(StylePaintTest, TheCloseBoxIsAtLeastTwelvePixels) {
    EXPECT_EQ(TvzCustomDefaultUIStyle::CloseBoxSide({0, 0, 8, 8}), 12);
    EXPECT_EQ(TvzCustomDefaultUIStyle::CloseBoxSide({0, 0, 30, 20}), 16);
    EXPECT_EQ(TvzCustomDefaultUIStyle::CloseBoxSide({0, 0, 21, 21}), 16);
    // A low tab: the box still measures 12 across.
    style.DrawTabText(canvas, {10, 30, 60, 40}, false, noImage, *style.ActiveTabFont(), *style.TabFont(),
                      true, orTop, tisNormal, u"x");
    SetUp();
    style.PaintTabButton(canvas, {20, 30, 30, 40}, dbsNormal, tbkClose);
    int left = 120, right = 0;
    for (int x = 0; x < 120; ++x)
        for (int y = 0; y < 80; ++y)
            if (canvas.Pixel(x, y) == clGray) left = std::min(left, x), right = std::max(right, x + 1);
    EXPECT_GE(right - left, 12);
}

TEST_F(StylePaintTest, AFlatSplitterIsFilledWithoutEdges) {
    style.SetSplitterColor(clRed);
    style.PaintSplitter(canvas, {10, 10, 110, 10}, spoVertical);
    EXPECT_FALSE(InsidePainted());
    style.PaintSplitter(canvas, {10, 10, 110, 14}, spoVertical);
    EXPECT_EQ(canvas.Pixel(50, 12), clRed);
    EXPECT_NE(canvas.Pixel(50, 10), clRed); // the sunken edge
}

TEST_F(StylePaintTest, AnAssignedEventPaintsInsteadOfTheLook) {
    int calls = 0;
    style.OnDrawSplitter = [&](TCanvas&, TvzSplitterOrientation, const TRect& r) {
        ++calls;
        EXPECT_EQ(r, box);
    };
    style.PaintSplitter(canvas, box, spoHorizontal);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(InsidePainted());
}

TEST_F(StylePaintTest, CaptionTextTellsWhetherItFit) {
    EXPECT_TRUE(style.DrawCaptionText(canvas, box, noImage, 100, dcsNormal, u"Output"));
    EXPECT_FALSE(style.DrawCaptionText(canvas, box, noImage, 30, dcsNormal, u"Output of the procedure"));
    EXPECT_FALSE(style.DrawCaptionText(canvas, box, noImage, 4, dcsNormal, u"Output"));
}

TEST_F(StylePaintTest, AssigningCopiesTheLookWithOneAnnouncement) {
    TvzDefaultUIStyle source;
    source.SetSplitterColor(clNavy);
    source.CaptionColor()->SetFillType(gtHorizontal);
    auto metrics = source.Metrics();
    metrics[10] = 20;
    source.SetMetrics(metrics);
    int announced = 0;
    style.OnChange = [&](TObject*) { ++announced; };
    style.Assign(&source);
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(style.SplitterColor(), clNavy);
    EXPECT_EQ(style.CaptionColor()->FillType(), gtHorizontal);
    EXPECT_EQ(style.GetMetric(10), 20);
}

} // namespace
} // namespace docking::uistyle
