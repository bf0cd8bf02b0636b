#include "docking/vzDockHideZone.h"

#include "docking/vzDockingUIDefault.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Clock.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>
#include <QImage>

#include <cstdlib>
#include <cstring>
#include <string>

namespace docking::hidezone {
namespace {

const ui::TRect kClient{0, 0, 800, 600};

TvzZoneRing Ring(std::array<bool, kZoneCount> nonEmpty) {
    return {nonEmpty, 24};
}

TEST(HideZoneGeometryTest, StripsShareTheCornersAndHostsStandInTheContent) {
    const TvzZoneRing all = Ring({true, true, true, true});
    EXPECT_EQ(all.Strip(zeTop, kClient), (ui::TRect{0, 0, 800, 24}));
    EXPECT_EQ(all.Strip(zeLeft, kClient), (ui::TRect{0, 24, 24, 600}));
    EXPECT_EQ(all.Strip(zeRight, kClient), (ui::TRect{776, 24, 800, 600}));
    EXPECT_EQ(all.Strip(zeBottom, kClient), (ui::TRect{24, 576, 776, 600}));
    EXPECT_EQ(all.HostBounds(zeLeft, kClient, 200), (ui::TRect{24, 24, 224, 576}));
    EXPECT_EQ(all.HostBounds(zeTop, kClient, 100), (ui::TRect{24, 24, 776, 124}));
    EXPECT_EQ(all.HostBounds(zeRight, kClient, 200), (ui::TRect{576, 24, 776, 576}));
    EXPECT_EQ(all.HostBounds(zeBottom, kClient, 100), (ui::TRect{24, 476, 776, 576}));

    const TvzZoneRing leftOnly = Ring({true, false, false, false});
    EXPECT_EQ(leftOnly.Strip(zeLeft, kClient), (ui::TRect{0, 0, 24, 600}));
    EXPECT_EQ(leftOnly.HostBounds(zeLeft, kClient, 200), (ui::TRect{24, 0, 224, 600}));
    EXPECT_EQ(leftOnly.Content(kClient), (ui::TRect{24, 0, 800, 600}));
}

TEST(HideZoneGeometryTest, AnExtentBeyondTheContentIsCut) {
    const TvzZoneRing ring = Ring({true, false, true, false});
    EXPECT_EQ(ring.AvailableExtent(zeLeft, kClient), 800 - 48);
    EXPECT_EQ(ring.AvailableExtent(zeTop, kClient), 600);
    EXPECT_EQ(ring.HostBounds(zeLeft, kClient, 5000).Width(), 752);
    EXPECT_EQ(ring.AvailableExtent(zeLeft, ui::TRect{0, 0, 30, 30}), 0);
}

TEST(HideZoneGeometryTest, TheHideSizeIsTheStoredOneElseTheRememberedDockedOrFloatingSize) {
    TvzPlacementInfo group(nullptr);
    group.size = {220, 180};
    group.floatSize = {450, 300};
    group.alignment = alnRight;
    EXPECT_EQ(HideSizeFor(zeLeft, 0, group), 220);
    EXPECT_EQ(HideSizeFor(zeBottom, 0, group), 180);
    EXPECT_EQ(HideSizeFor(zeTop, 150, group), 150);
    group.alignment = alnClient;
    EXPECT_EQ(HideSizeFor(zeRight, 0, group), 450);
    EXPECT_EQ(HideSizeFor(zeTop, 0, group), 300);
    EXPECT_THROW(HideSizeFor(4, 0, group), rtl::EAssertionFailed);
}

// Three groups: a single panel, a tab container of three, a single panel; each tab 50 wide and 10
// more with its caption.
TEST(HideZoneTabsTest, GroupsGetPositionsAndOneGapBetweenThem) {
    int a = 0, b = 0, c = 0;
    std::vector<TvzHiddenTab> tabs = {{&a, 2}, {&b, 0}, {&b, 2}, {&b, 0}, {&c, 2}};
    const TvzTabMetrics metrics{5, 8, [](const TvzHiddenTab& tab) { return tab.showCaption ? 60 : 50; }};
    LayoutTabs(tabs, ahcActiveOnly, metrics);
    const std::vector<TvzHiddenTabPosition> positions = {htpFirst, htpFirst, htpMiddle, htpLast, htpFirst};
    const std::vector<int> lefts = {5, 5 + 60 + 8, 73 + 50, 123 + 60, 183 + 50 + 8};
    for (std::size_t i = 0; i < tabs.size(); ++i) {
        EXPECT_EQ(tabs[i].position, positions[i]) << i;
        EXPECT_EQ(tabs[i].left, lefts[i]) << i;
        EXPECT_EQ(tabs[i].showCaption, tabs[i].state == kActiveTabState) << i;
    }
    for (auto [captions, shown] : {std::pair{ahcAll, true}, std::pair{ahcNone, false}}) {
        LayoutTabs(tabs, captions, metrics);
        for (const TvzHiddenTab& tab : tabs)
            EXPECT_EQ(tab.showCaption, shown);
    }
}

TEST(HideZoneTabsTest, TabsRunAlongTheStripAndStopAtItsEnd) {
    int group = 0;
    std::vector<TvzHiddenTab> tabs = {{&group, 2}, {&group, 0}};
    LayoutTabs(tabs, ahcAll, {0, 0, [](const TvzHiddenTab&) { return 300; }});
    const ui::TRect left{0, 24, 24, 600};
    EXPECT_EQ(TabRect(tabs[1], zeLeft, left), (ui::TRect{0, 324, 24, 624}));
    EXPECT_EQ(TabRect(tabs[1], zeBottom, ui::TRect{24, 576, 300, 600}), ui::TRect{});
    EXPECT_EQ(TabAt(tabs, zeLeft, left, {10, 30}), 0);
    EXPECT_EQ(TabAt(tabs, zeLeft, left, {10, 330}), 1);
    EXPECT_EQ(TabAt(tabs, zeLeft, left, {30, 330}), -1);
}

// A left zone with one panel and a bottom zone with a tab container of three and one panel, painted
// by the default look.
class HideZonePaintTest : public uitest::UiTest {
protected:
    ui::TColor PaintAndPick(ui::TPoint at) {
        ui::TBitmap bitmap(400, 240, ui::pf32bit);
        ui::TCanvas& canvas = *bitmap.Canvas();
        canvas.Brush()->SetColor(ui::clBtnFace);
        canvas.FillRect({0, 0, 400, 240});
        for (auto* zone : {&left, &bottom}) {
            const TvzZoneEdge edge = zone == &left ? zeLeft : zeBottom;
            LayoutTabs(*zone, ahcActiveOnly, StyleTabMetrics(style, edge, ring, noImage));
            PaintZone(style, canvas, edge, ring.Strip(edge, client), *zone, noImage);
        }
        if (const char* dir = std::getenv("DOCKING_TEST_PNG_DIR")) {
            QImage image(400, 240, QImage::Format_RGB32);
            for (int y = 0; y < 240; ++y)
                std::memcpy(image.scanLine(y), bitmap.ScanLine(y), 400 * 4);
            image.save(QString::fromUtf8(dir) + "/hide_zones.png");
        }
        return canvas.Pixel(at.X, at.Y);
    }

    uistyle::TvzDefaultUIStyle style;
    uistyle::TvzImage noImage;
    const ui::TRect client{0, 0, 400, 240};
    int output = 0, tools = 0, sql = 0;
    std::vector<TvzHiddenTab> left = {{&output, kActiveTabState, u"Output"}};
    std::vector<TvzHiddenTab> bottom = {{&tools, kActiveTabState, u"Watch list"},
                                        {&tools, 0, u"Call stack"},
                                        {&tools, 0, u"Breakpoint list"},
                                        {&sql, kActiveTabState, u"SQL"}};
    TvzZoneRing ring{{true, false, false, true}, style.GetHideZoneSize(noImage)};
};

TEST_F(HideZonePaintTest, TabsStandOnTheStripsWithAGapBetweenGroups) {
    const ui::TRect strip = ring.Strip(zeBottom, client);
    const int middle = strip.Top + strip.Height() / 2;
    const ui::TColor background = PaintAndPick({strip.Right - 2, middle});
    EXPECT_NE(background, ui::ColorToRGB(ui::clBtnFace)) << "the strip is painted";
    EXPECT_EQ(PaintAndPick({10, 200}), background) << "the left strip below its tab";
    const ui::TRect lastOfGroup = TabRect(bottom[2], zeBottom, strip);
    const ui::TRect single = TabRect(bottom[3], zeBottom, strip);
    EXPECT_EQ(single.Left - lastOfGroup.Right, 2 * style.GetMetric(4));
    EXPECT_EQ(PaintAndPick({lastOfGroup.Right + 1, middle}), background) << "the gap shows the strip";
    EXPECT_NE(PaintAndPick({single.Left + single.Width() / 2, strip.Top + 4}), background)
        << "a tab is drawn";
}

// A zone with two tabs whose panels are 200 px and 120 px; it records what the motion asks of it.
class HideZoneMotionTest : public ::testing::Test {
protected:
    HideZoneMotionTest()
        : motion({[this](int tab) {
                      trace += "activate " + std::to_string(tab) + ";";
                      return tab == 0 ? 200 : 120;
                  },
                  [this](int tab) { trace += "enter " + std::to_string(tab) + ";"; },
                  [this](int extent) { places.push_back(extent); }, [this] { trace += "leave;"; },
                  [this] { return focused; }, [this] { return busy; }, [] { return false; }},
                 {}) {}

    ui::TManualClockScope clock;
    std::string trace;
    std::vector<int> places;
    bool focused = false;
    bool busy = false;
    TvzHideZoneMotion motion;
};

TEST_F(HideZoneMotionTest, HoveringHalfASecondSlidesOutInFourteenStepsOfFifteen) {
    motion.Process(0, false);
    clock->Advance(499);
    EXPECT_EQ(motion.Shown(), -1);
    clock->Advance(1);
    EXPECT_EQ(trace, "activate 0;enter 0;");
    EXPECT_EQ(places, std::vector<int>{0});
    clock->Advance(130);
    EXPECT_EQ(places.back(), 13 * 15);
    EXPECT_TRUE(motion.SlidingOut());
    clock->Advance(10);
    EXPECT_EQ(places.size(), 15u);
    EXPECT_EQ(places.back(), 200);
    EXPECT_FALSE(motion.SlidingOut());
    EXPECT_EQ(motion.Extent(), 200);
}

TEST_F(HideZoneMotionTest, LeavingStartsTheHideTimerThenSlidesInUnlessFocused) {
    motion.SlideOut(1, 120, true);
    EXPECT_EQ(places, std::vector<int>{120});
    motion.Process(-1, false);
    clock->Advance(300);
    motion.Process(-1, false); // moving on outside does not postpone the hide
    clock->Advance(200);
    EXPECT_TRUE(motion.SlidingIn());
    clock->Advance(70);
    EXPECT_EQ(places.back(), 15);
    clock->Advance(10);
    EXPECT_EQ(motion.Shown(), -1);
    EXPECT_EQ(trace, "enter 1;leave;");

    motion.SlideOut(1, 120, true);
    focused = true;
    motion.Process(-1, false);
    clock->Advance(1000);
    EXPECT_EQ(motion.Shown(), 1) << "the focused panel stays out";
    focused = false;
    motion.Process(-1, false);
    clock->Advance(1000);
    EXPECT_EQ(motion.Shown(), -1);
}

TEST_F(HideZoneMotionTest, HoveringTheShownTabCancelsThePendingHideAndTurnsASlideInBack) {
    motion.SlideOut(0, 200, true);
    motion.Process(-1, false);
    clock->Advance(400);
    motion.Process(0, false);
    clock->Advance(1000);
    EXPECT_EQ(motion.Extent(), 200);

    motion.SlideIn(false);
    clock->Advance(30);
    EXPECT_EQ(motion.Extent(), 155);
    motion.Process(0, false);
    clock->Advance(30);
    EXPECT_EQ(motion.Extent(), 200);
    EXPECT_FALSE(motion.SlidingOut());
}

TEST_F(HideZoneMotionTest, WithIntervalZeroHoverNeverOpensButAClickDoes) {
    motion.SetSettings({0, 150, 150});
    motion.Process(0, false);
    clock->Advance(10000);
    EXPECT_EQ(motion.Shown(), -1);
    motion.Process(0, true);
    EXPECT_EQ(motion.Shown(), 0);
    clock->Advance(140);
    EXPECT_EQ(motion.Extent(), 200);
    motion.Process(-1, false);
    EXPECT_TRUE(motion.SlidingIn()) << "leaving slides in at once";
}

TEST_F(HideZoneMotionTest, SpeedZeroShowsAtFullSizeAndClickingAnotherTabHidesTheFirst) {
    motion.SetSettings({500, 0, 0});
    motion.Process(0, true);
    EXPECT_EQ(places, std::vector<int>{200});
    motion.Process(1, true);
    EXPECT_EQ(trace, "activate 0;enter 0;leave;activate 1;enter 1;");
    EXPECT_EQ(places.back(), 120);
    motion.Process(-1, false);
    clock->Advance(500);
    EXPECT_EQ(motion.Shown(), -1);
}

TEST_F(HideZoneMotionTest, TimersWaitWhileTheManagerIsBusy) {
    motion.Process(0, false);
    busy = true;
    clock->Advance(2000);
    EXPECT_EQ(motion.Shown(), -1);
    EXPECT_TRUE(motion.ShowPending());
    busy = false;
    clock->Advance(500);
    EXPECT_EQ(motion.Shown(), 0);
}

} // namespace
} // namespace docking::hidezone
