#include "docking/vzDockingUIStyles.h"
#include "docking/vzStyleManager.h"

#include "MainFormFixture.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/ImageList.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QWidget>

#include <cstdlib>
#include <set>

namespace docking::uistyle {
namespace {

using namespace ui;

TEST(DockingUIStylesTest, EachLookStartsFromItsOwnValues) {
    const std::array<int, 11> classic{4, 1, 2, 2, 3, 3, 2, 2, 1, 1, 14};
    TvzStandardUIStyle standard;
    TvzEnhancedUIStyle enhanced;
    for (TvzCustomDefaultUIStyle* style : {static_cast<TvzCustomDefaultUIStyle*>(&standard),
                                           static_cast<TvzCustomDefaultUIStyle*>(&enhanced)}) {
        EXPECT_EQ(style->Metrics(), classic);
        for (TGradient* solid : {style->TabPaneColor(), style->TabColor()}) {
            EXPECT_EQ(solid->FillType(), gtSolid);
            EXPECT_EQ(solid->StartColor(), clBtnFace);
        }
    }

    TvzFlatUIStyle flat;
    EXPECT_EQ(flat.ActiveCaptionFont()->Color(), clCaptionText);
    EXPECT_EQ(flat.ActiveCaptionColor()->StartColor(), clActiveCaption);
    EXPECT_EQ(flat.TabPaneColor()->StartColor(), PaleColor(clBtnFace));
    EXPECT_EQ(flat.TabColor()->StartColor(), PaleColor(clBtnFace));
    EXPECT_EQ(flat.HotColor(), MixColors(clBtnFace, clHighlight, clWindow, -2, 30, 72));

    TvzVS2005UIDockingStyle vs;
    EXPECT_EQ(vs.ActiveCaptionColor()->EndColor(), LightenColor(clActiveCaption, 87));
    EXPECT_EQ(vs.ActiveCaptionColor()->FillType(), gtVertical);
    EXPECT_EQ(vs.CaptionFont()->Color(), clInactiveCaptionText);
    EXPECT_EQ(vs.CaptionColor()->StartColor(), clInactiveCaption);
    EXPECT_EQ(vs.TabPaneColor()->FillType(), gtHorizontal);
    EXPECT_EQ(vs.TabIndent(), 5);
    EXPECT_EQ(vs.TabFont()->Size(), 6);
    EXPECT_EQ(vs.TabFont()->Color(), clGrayText);
    EXPECT_EQ(vs.ActiveTabColor()->StartColor(), clBtnHighlight);
    EXPECT_TRUE(vs.ActiveTabFont()->Style().Empty());
    EXPECT_FALSE(vs.HotHighlight());
    EXPECT_EQ(vs.TriangleTabColor()->StartColor(), clBtnHighlight);
    EXPECT_EQ(vs.TriangleTabColor()->EndColor(), LightenColor(clBtnFace, 87));
    EXPECT_EQ(vs.ActiveTriangleTabColor()->FillType(), gtSolid);
    EXPECT_EQ(vs.TriangleTabFont()->Size(), 6);
    EXPECT_TRUE(vs.ActiveTriangleTabFont()->Style().Contains(fsBold));
    EXPECT_FALSE(vs.GetCloseButtonPositions().Contains(bcpBefore));
    EXPECT_TRUE(vs.GetCloseButtonPositions().Contains(bcpAfter));
    EXPECT_EQ(vs.HotColor(), ColorToRGB(clInactiveCaption));

    TvzOfficeXPUIStyle office;
    EXPECT_FALSE(office.HotHighlight());
    EXPECT_EQ(office.GetMetric(4), 0);
    EXPECT_EQ(office.TabIndent(), 0);
    EXPECT_EQ(office.Scheme(), ofsSystem);
    EXPECT_EQ(office.SchemeTint(), ostFancy);
}

TEST(DockingUIStylesTest, TheDesktopSchemeIsTheDefaultRowComputedFromSystemColours) {
    // The fixed system colours: face $F0F0F0, window white, shadow $A0A0A0, highlight $D77800.
    ASSERT_EQ(ColorToRGB(clBtnFace), TColor(0xF0F0F0));
    ASSERT_EQ(ColorToRGB(clHighlight), TColor(0xD77800));
    const TvzOfficeXPColors row = OfficeXPSchemeColors(ofsDefault);
    EXPECT_EQ(ColorToRGB(row.pane), TColor(0xF0F0F0));
    EXPECT_EQ(row.accent, TColor(0xF3F3F3));
    EXPECT_EQ(ColorToRGB(row.shadow), TColor(0xA0A0A0));
    EXPECT_EQ(row.shadow2, TColor(0xE6E6E6));
    EXPECT_EQ(row.hot, TColor(0xF4E9DC));
    EXPECT_EQ(row.hot2, TColor(0xE7BD88));
    EXPECT_EQ(row.caption, clActiveCaption);
    EXPECT_EQ(OfficeXPSchemeColors(ofsSystem), row) << "no visual styles on our desktops";
    EXPECT_EQ(OfficeXPSchemeColors(ofsBlue).pane, TColor(0xFEECDD));
    EXPECT_EQ(OfficeXPSchemeColors(ofsSilver).shadow2, TColor(0xC8B2B3));
}

TEST(DockingUIStylesTest, ASchemeOrTintChangeRecomputesTheColoursWithOneAnnouncement) {
    TvzOfficeXPUIStyle style;
    const TvzOfficeXPColors desktop = OfficeXPSchemeColors(ofsDefault);
    EXPECT_EQ(style.ActiveCaptionColor()->StartColor(), desktop.hot);
    EXPECT_EQ(style.ActiveCaptionColor()->EndColor(), desktop.hot2);
    EXPECT_EQ(style.PressedColor().EndColor(), desktop.hot2);
    EXPECT_EQ(style.CaptionColor()->StartColor(), desktop.shadow2);
    EXPECT_EQ(style.TabColor()->StartColor(), desktop.shadow);
    EXPECT_EQ(style.CaptionFont()->Color(), clCaptionText);
    EXPECT_EQ(style.ActiveCaptionFont()->Color(), clWindowText);

    int announced = 0;
    style.OnChange = [&](TObject*) { ++announced; };
    style.SetScheme(ofsOlive);
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(style.PaneColor(), TColor(0xDEF7F4));
    EXPECT_EQ(style.TabPaneColor()->EndColor(), TColor(0xDEF7F4));
    EXPECT_EQ(style.TabPaneColor()->StartColor(), BlendColors(0x91C6B7, 0xDEF7F4, 75));
    style.SetScheme(ofsOlive);
    EXPECT_EQ(announced, 1);

    style.SetSchemeTint(ostModest);
    EXPECT_EQ(announced, 2);
    EXPECT_EQ(style.CaptionFont()->Color(), clWindowText);
    EXPECT_EQ(style.ActiveCaptionFont()->Color(), clCaptionText);
    EXPECT_EQ(style.ActiveCaptionColor()->StartColor(), TColor(0x6B7760));
    EXPECT_EQ(style.ActiveCaptionColor()->FillType(), gtHorizontal);
    EXPECT_EQ(style.CaptionColor()->EndColor(), TColor(0xDEF7F4));
    EXPECT_EQ(style.TabColor()->StartColor(), TColor(0xDEF7F4)) << "from the caption's end to its start";
    EXPECT_EQ(style.ActiveTabColor()->FillType(), gtSolid);
    EXPECT_EQ(style.ActiveTabColor()->StartColor(), PaleColor(clWindow));
    EXPECT_EQ(style.HotBrushColor(), MixColors(clBtnFace, clHighlight, clWindow, -2, 30, 72));

    TvzOfficeXPUIStyle copy;
    copy.Assign(&style);
    EXPECT_EQ(copy.Scheme(), ofsOlive);
    EXPECT_EQ(copy.SchemeTint(), ostModest);
    EXPECT_EQ(copy.PaneColor(), style.PaneColor());
}

TEST(DockingUIStylesTest, TheSlantedTabPropertiesAnnounceAndAssign) {
    TvzVS2005UIDockingStyle style, copy;
    int announced = 0;
    style.OnChange = [&](TObject*) { ++announced; };
    style.TriangleTabColor()->SetStartColor(clRed);
    style.ActiveTriangleTabFont()->SetSize(9);
    EXPECT_EQ(announced, 2);
    copy.Assign(&style);
    EXPECT_EQ(copy.TriangleTabColor()->StartColor(), clRed);
    EXPECT_EQ(copy.ActiveTriangleTabFont()->Size(), 9);
}

TEST(DockingUIStylesTest, TabsOnTopOfAVS2005LookMeasureTheirSlant) {
    TvzVS2005UIDockingStyle style;
    const TvzImage none;
    const int m0 = style.GetMetric(0), m6 = style.GetMetric(6);
    const int slant = 3 * style.GetTabHeight(none) / 4;
    EXPECT_EQ(style.TabWidth(u"&Locals", tisNormal, none, 0, tipFirst, orTop),
              MeasureText(*style.TriangleTabFont(), u"Locals").cx + slant + 2 * (m0 + m6));
    EXPECT_EQ(style.TabWidth(u"Locals", tisSelected, none, 16, tipFirst, orTop),
              MeasureText(*style.ActiveTriangleTabFont(), u"Locals").cx + slant + 2 * (m0 + m6) + 16 + m0);
    EXPECT_EQ(style.TabWidth(u"Locals", tisNormal, none, 0, tipFirst, orBottom),
              style.GetTabWidth(u"Locals", tisNormal, none, 0));
}

TEST(DockingUIStylesTest, TheStyleManagerMakesEveryLookOfItsOwnClass) {
    TvzStyleManager manager;
    const TvzStyles& items = *manager.Items();
    ASSERT_EQ(items.Count(), 7);
    EXPECT_NE(dynamic_cast<TvzStandardUIStyle*>(items.Find("Standard")), nullptr);
    EXPECT_NE(dynamic_cast<TvzEnhancedUIStyle*>(items.Find("Enhanced")), nullptr);
    EXPECT_NE(dynamic_cast<TvzFlatUIStyle*>(items.Find("Flat")), nullptr);
    EXPECT_NE(dynamic_cast<TvzVS2005UIDockingStyle*>(items.Find("VS2005")), nullptr);
    EXPECT_NE(dynamic_cast<TvzOfficeXPUIStyle*>(items.Find("OfficeXP")), nullptr);
    auto* extra = manager.AddStyle<TvzOfficeXPUIStyle>();
    EXPECT_EQ(extra->Caption(), "OfficeXP1");
}

// ---- Painting ----

// A lime surface: what a look leaves alone stays lime.
class StylesPaintTest : public uitest::UiTest {
protected:
    TBitmap surface{160, 100, pf24bit};
    TCanvas& canvas = *surface.Canvas();
    TvzImage noImage;

    void SetUp() override { Clear(); }
    void Clear() {
        canvas.Brush()->SetColor(clLime);
        canvas.FillRect({0, 0, 160, 100});
    }
    TColor At(int x, int y) { return canvas.Pixel(x, y); }
    int PaintedOutside(const TRect& allowed) {
        int count = 0;
        for (int y = 0; y < surface.Height(); ++y)
            for (int x = 0; x < surface.Width(); ++x)
                if (!allowed.Contains({x, y}) && At(x, y) != clLime) ++count;
        return count;
    }
    bool PaintedInside(const TRect& r) {
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x)
                if (At(x, y) != clLime) return true;
        return false;
    }
};

TEST_F(StylesPaintTest, EveryLookPaintsEveryElementInsideItsRectangle) {
    TvzStandardUIStyle standard;
    TvzEnhancedUIStyle enhanced;
    TvzFlatUIStyle flat;
    TvzVS2005UIDockingStyle vs;
    TvzOfficeXPUIStyle office, modest;
    modest.SetSchemeTint(ostModest);
    const std::vector<std::pair<const char*, TvzDockingUIStyle*>> looks = {
        {"Standard", &standard}, {"Enhanced", &enhanced}, {"Flat", &flat},
        {"VS2005", &vs},         {"OfficeXP", &office},   {"OfficeXP modest", &modest}};
    const TRect box{20, 20, 140, 80}, tab{20, 20, 140, 42}, button = Bounds(20, 20, 16, 16);
    // Tabs reach over their left neighbour: a VS2005 tab on top by half its slant, a first one back
    // to the strip's beginning.
    const TRect tabReach{0, 20, 140, 42};
    struct Element {
        const char* name;
        TRect allowed;
        std::function<void(TvzDockingUIStyle&)> paint;
    };
    const std::vector<Element> elements = {
        {"caption", box,
         [&](TvzDockingUIStyle& s) {
             s.PaintCaption(canvas, box, u"Call stack", dcsNormal, 120, true, noImage);
         }},
        {"focused caption", box,
         [&](TvzDockingUIStyle& s) {
             s.PaintCaption(canvas, box, u"Call stack", dcsFocused, 120, true, noImage);
         }},
        {"control", box,
         [&](TvzDockingUIStyle& s) {
             canvas.Brush()->SetColor(clBtnFace);
             s.PaintControl(canvas, box, dckRegularControl);
         }},
        {"splitter", box, [&](TvzDockingUIStyle& s) { s.PaintSplitter(canvas, box, spoHorizontal); }},
        {"tab pane top", box, [&](TvzDockingUIStyle& s) { s.PaintTabPane(canvas, box, dtoTop); }},
        {"tab pane bottom", box, [&](TvzDockingUIStyle& s) { s.PaintTabPane(canvas, box, dtoBottom); }},
        {"selected tab on top", tabReach,
         [&](TvzDockingUIStyle& s) {
             s.PaintTabItem(canvas, tab, u"Locals", tisSelected, tipMiddle, orTop, 0, noImage);
         }},
        {"first tab on top", tabReach,
         [&](TvzDockingUIStyle& s) {
             s.PaintTabItem(canvas, tab, u"Locals", tisNormal, tipFirst, orTop, 0, noImage);
         }},
        {"selected tab below", tabReach,
         [&](TvzDockingUIStyle& s) {
             s.PaintTabItem(canvas, tab, u"Locals", tisFocused, tipFirst, orBottom, 14, noImage);
         }},
        {"tab below", tabReach,
         [&](TvzDockingUIStyle& s) {
             s.PaintTabItem(canvas, tab, u"Locals", tisHot, tipLast, orBottom, 0, noImage);
         }},
        {"tab target", Bounds(20, 20, 10, 60),
         [&](TvzDockingUIStyle& s) { s.PaintTabTarget(canvas, Bounds(20, 20, 10, 60)); }},
        {"hide zone", box, [&](TvzDockingUIStyle& s) { s.DrawHideZone(canvas, box, hzoLeft, box); }},
    };
    for (const auto& [lookName, look] : looks) {
        for (const Element& element : elements) {
            Clear();
            element.paint(*look);
            EXPECT_EQ(PaintedOutside(element.allowed), 0) << lookName << ": " << element.name;
            EXPECT_TRUE(PaintedInside(element.allowed)) << lookName << ": " << element.name;
        }
        for (int kind = dbkHide; kind < dbkNone; ++kind)
            for (TvzDockButtonState state : {dbsNormal, dbsHot, dbsPressed, dbsDisabled})
                for (TvzDockCaptionState caption : {dcsNormal, dcsFocused}) {
                    Clear();
                    look->PaintCaptionButton(canvas, button, state, caption, TvzDockButtonKind(kind));
                    EXPECT_EQ(PaintedOutside(button), 0) << lookName << " caption button " << kind;
                    EXPECT_TRUE(PaintedInside(button)) << lookName << " caption button " << kind;
                }
        for (TvzTabButtonKind kind : {tbkLeft, tbkRight, tbkPopup, tbkPopupEx})
            for (TvzDockButtonState state : {dbsNormal, dbsHot, dbsPressed}) {
                Clear();
                look->PaintTabButton(canvas, button, state, kind);
                EXPECT_EQ(PaintedOutside(button), 0) << lookName << " tab button " << kind;
            }
        for (TvzHideZoneOrientation zone : {hzoLeft, hzoTop, hzoRight, hzoBottom})
            for (TvzTabItemState state : {tisNormal, tisSelected})
                for (TvzTabItemPosition position : {tipFirst, tipMiddle}) {
                    Clear();
                    look->DrawHiddenTab(canvas, box, u"Output", state, position, zone, true, noImage);
                    EXPECT_EQ(PaintedOutside(InflateRect(box, 1, 1)), 0)
                        << lookName << " hidden tab " << zone;
                    EXPECT_TRUE(PaintedInside(box)) << lookName << " hidden tab " << zone;
                }
    }
}

TEST_F(StylesPaintTest, ClassicLooksRaiseTheirButtonsAndBevelTheirTabs) {
    TvzStandardUIStyle standard;
    const TRect button = Bounds(20, 20, 16, 16);
    standard.PaintCaptionButton(canvas, button, dbsNormal, dcsNormal, dbkHide);
    EXPECT_EQ(At(20, 25), LightColor(clBtnFace)) << "raised even when not hot";
    EXPECT_EQ(At(35, 25), ShadowColor(clBtnFace));

    Clear();
    const TRect tab{40, 20, 120, 42};
    standard.PaintTabItem(canvas, tab, u"", tisSelected, tipMiddle, orTop, 0, noImage);
    const TColor face = clBtnFace;
    EXPECT_EQ(At(38, 30), HighlightColor(face)) << "outer left line, two pixels left of the tab";
    EXPECT_EQ(At(39, 30), LightColor(face));
    EXPECT_EQ(At(60, 21), HighlightColor(face)) << "the top line";
    EXPECT_EQ(At(38, 21), clLime) << "the cut corner";
    EXPECT_EQ(At(119, 30), DarkShadowColor(face));
    EXPECT_EQ(At(118, 30), ShadowColor(face));
    EXPECT_EQ(At(60, 41), ColorToRGB(face)) << "open toward the pages";

    Clear();
    TvzEnhancedUIStyle enhanced;
    enhanced.PaintCaptionButton(canvas, button, dbsNormal, dcsNormal, dbkHide);
    EXPECT_EQ(At(20, 25), clLime) << "flat until hot";
    enhanced.PaintCaptionButton(canvas, button, dbsHot, dcsNormal, dbkHide);
    EXPECT_EQ(At(20, 25), HighlightColor(clBtnFace));
    EXPECT_EQ(At(35, 25), ShadowColor(clBtnFace));
}

TEST_F(StylesPaintTest, FlatCaptionsAreFramedWhenUnfocusedAndHotButtonsFilled) {
    TvzFlatUIStyle flat;
    flat.SetSplitterColor(clRed);
    flat.CaptionColor()->SetStartColor(clNavy);
    const TRect caption{20, 20, 140, 40};
    flat.PaintCaption(canvas, caption, u"", dcsNormal, 120, true, noImage);
    EXPECT_EQ(At(60, 20), clRed) << "the splitter colour shows above";
    EXPECT_EQ(At(60, 21), ShadowColor(clNavy));
    EXPECT_EQ(At(20, 21), clNavy) << "the corner is left out";
    EXPECT_EQ(At(60, 30), clNavy);
    Clear();
    flat.PaintCaption(canvas, caption, u"", dcsFocused, 120, true, noImage);
    EXPECT_EQ(At(60, 21), ColorToRGB(clActiveCaption)) << "no frame on the focused caption";

    Clear();
    const TRect button = Bounds(20, 20, 16, 16);
    flat.PaintCaptionButton(canvas, button, dbsHot, dcsNormal, dbkMaximize);
    EXPECT_EQ(At(20, 28), ColorToRGB(clActiveCaption));
    EXPECT_EQ(At(21, 34), flat.HotColor());
    Clear();
    flat.PaintCaptionButton(canvas, button, dbsPressed, dcsFocused, dbkMaximize);
    EXPECT_EQ(At(20, 28), ColorToRGB(flat.ActiveCaptionFont()->Color()));
    EXPECT_EQ(At(21, 34), clLime) << "unfilled on the focused caption";
}

TEST_F(StylesPaintTest, VS2005TabsAreSlantedOnTopAndShowImagesOnlyBelow) {
    TvzVS2005UIDockingStyle vs;
    TImageList images(8, 8);
    TBitmap red(8, 8, pf24bit);
    red.Canvas()->Brush()->SetColor(clRed);
    red.Canvas()->FillRect({0, 0, 8, 8});
    images.Add(&red, nullptr);
    const TvzImage image{&images, 0, true};
    const TRect tab{40, 20, 130, 44};
    const auto hasRed = [&] {
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 160; ++x)
                if (At(x, y) == clRed) return true;
        return false;
    };
    vs.PaintTabItem(canvas, tab, u"Locals", tisSelected, tipMiddle, orTop, 0, image);
    EXPECT_FALSE(hasRed());
    const int s = 3 * (tab.Height() - 4) / 4;
    EXPECT_NE(At(40 - s / 2 + 1, 41), clLime) << "the slant reaches left of the tab";
    EXPECT_EQ(At(41, 23), ColorToRGB(vs.TabPaneColor()->StartColor())) << "above the slant: the strip";
    EXPECT_EQ(At(40 - s / 2 + 2, 42), ColorToRGB(clBtnHighlight)) << "open toward the pages";

    Clear();
    vs.PaintTabItem(canvas, tab, u"Locals", tisSelected, tipMiddle, orBottom, 0, image);
    EXPECT_TRUE(hasRed());
    EXPECT_EQ(At(20, 30), clLime) << "a rectangular tab stays near its place";

    Clear();
    vs.PaintControl(canvas, tab, dckRegularControl);
    EXPECT_EQ(At(60, 20), ColorToRGB(clBtnHighlight)) << "no border on top";
    EXPECT_EQ(At(40, 30), ColorToRGB(clBtnShadow));
    EXPECT_EQ(At(60, 43), ColorToRGB(clBtnShadow));

    Clear();
    const TRect caption{20, 20, 140, 40};
    vs.PaintCaption(canvas, caption, u"", dcsFocused, 120, true, noImage);
    EXPECT_EQ(At(60, 21), ColorToRGB(clBtnShadow));
    const auto lightness = [](TColor c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); };
    EXPECT_LT(lightness(At(60, 22)), lightness(At(60, 37))) << "lighter toward the bottom";
    EXPECT_EQ(At(20, 39), ColorToRGB(clBtnShadow)) << "the side lines reach the bottom row";
}

TEST_F(StylesPaintTest, OfficeXPPaintsPaneColourAndChamferedTabs) {
    TvzOfficeXPUIStyle office;
    office.SetScheme(ofsBlue);
    const TColor pane = 0xFEECDD;
    office.PaintSplitter(canvas, {20, 20, 24, 80}, spoHorizontal);
    EXPECT_EQ(At(22, 50), pane);
    office.DrawHideZone(canvas, {40, 20, 60, 80}, hzoLeft, {40, 20, 60, 50});
    EXPECT_EQ(At(50, 30), pane);
    EXPECT_EQ(At(50, 60), clLime) << "clipped";

    Clear();
    const TRect tab{40, 20, 120, 42};
    office.PaintTabItem(canvas, tab, u"", tisNormal, tipFirst, orTop, 0, noImage);
    const TColor shadow = ShadowColor(office.TabColor()->StartColor());
    const int top = 20 + office.GetMetric(5);
    EXPECT_EQ(At(60, top), shadow);
    EXPECT_EQ(At(40, top + 10), shadow) << "a first tab has its left side";
    EXPECT_EQ(At(40, top), clLime) << "the chamfered corner";
    EXPECT_EQ(At(41, top + 1), shadow);
    Clear();
    office.PaintTabItem(canvas, tab, u"", tisNormal, tipMiddle, orTop, 0, noImage);
    EXPECT_NE(At(40, top + 10), shadow) << "a middle tab leaves its left side to its neighbour";
    EXPECT_EQ(At(40, top + 1), shadow);

    Clear();
    office.PaintTabTarget(canvas, Bounds(20, 20, 10, 60));
    EXPECT_EQ(At(25, 22), office.HotColor());
}

} // namespace
} // namespace docking::uistyle

namespace docking::testing {
namespace {

// The program's layout under every look of a style manager: each paints it differently.
class StyledLayoutTest : public MainFormFixture {};

TEST_F(StyledLayoutTest, EveryLookPaintsTheDockedLayoutItsOwnWay) {
    auto* styles = new uistyle::TvzStyleManager(form.get());
    form->Show();
    std::set<std::vector<uchar>> grabs;
    for (int i = 0; i < styles->Items()->Count(); ++i) {
        manager->SetStyle(styles->Items()->Styles(i));
        const QImage image = form->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        if (const char* dir = std::getenv("VELTRANE_GRAB_DIR"))
            image.save(
                QString::fromStdString(std::string(dir) + "/layout-" + styles->Items()->Names(i) + ".png"));
        grabs.insert(std::vector<uchar>(image.constBits(), image.constBits() + image.sizeInBytes()));
    }
    EXPECT_EQ(grabs.size(), 7U);
    // The form frees the style and the docking manager together.
}

} // namespace
} // namespace docking::testing
