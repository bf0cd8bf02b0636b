#include "MainFormFixture.h"

#include "docking/vzDocker.h"
#include "docking/vzDockPlacement.h"
#include "support/ErrorText.h"

#include <gtest/gtest.h>

namespace docking::testing {
namespace {

using testsupport::ErrorMessageOf;

TEST(DockRectTest, EdgeRegionsTakeTheDraggedSizeUpToHalfAndInsideTakesThePage) {
    const ui::TRect target{100, 100, 300, 200};
    const ui::TRect area = DockingArea(target, 5);
    EXPECT_EQ(area, (ui::TRect{110, 105, 290, 195}));
    const ui::TRect page{100, 120, 300, 200};
    struct Case {
        TvzDockingRegionType region;
        ui::TPoint dragged;
        ui::TRect expected;
    };
    const Case cases[] = {
        {drtLeft, {40, 30}, {100, 100, 140, 200}},
        {drtLeft, {150, 30}, {100, 100, 200, 200}},
        {drtTop, {40, 30}, {100, 100, 300, 130}},
        {drtRight, {40, 30}, {260, 100, 300, 200}},
        {drtBottom, {40, 80}, {100, 150, 300, 200}},
        {drtBottom, {0, 0}, {100, 150, 300, 200}},
        {drtInside, {40, 30}, page},
        {drtInsideBefore, {40, 30}, page},
        {drtDetachedLeft, {40, 30}, {}},
        {drtNone, {40, 30}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DockRect(c.region, target, area, page, c.dragged), c.expected) << RegionName(c.region);
    // Without an edge band on that side the whole target is used.
    EXPECT_EQ(DockRect(drtLeft, target, target, page, {40, 30}), target);
    EXPECT_EQ(DockingArea({0, 0, 1, 1}, 5), (ui::TRect{0, 0, 1, 1}));
}

TEST(KeepReachableTest, AFloatingFormKeepsThirtyPixelsAndItsCaptionOnTheWorkArea) {
    const ui::TRect area{0, 0, 1920, 1040};
    const struct {
        ui::TRect bounds;
        ui::TRect expected;
    } cases[] = {
        {ui::Bounds(100, 100, 400, 300), ui::Bounds(100, 100, 400, 300)},
        {ui::Bounds(1910, 100, 400, 300), ui::Bounds(1890, 100, 400, 300)}, // 10 px left: back to 30
        {ui::Bounds(-390, 100, 400, 300), ui::Bounds(-370, 100, 400, 300)},
        {ui::Bounds(100, -50, 3000, 300), ui::Bounds(100, 0, 1920, 300)},   // caption above the top
        {ui::Bounds(100, 1035, 400, 300), ui::Bounds(100, 1022, 400, 300)}, // caption below the bottom
        {ui::Bounds(0, 0, 400, 2000), ui::Bounds(0, 0, 400, 1040)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KeepReachable(c.bounds, area, 18), c.expected) << c.bounds.Left << "," << c.bounds.Top;
    EXPECT_EQ(KeepReachable(ui::Bounds(5, -50, 100, 100), {0, 0, 20, 20}, 0), ui::Bounds(-10, -50, 20, 20));
}

class DockerTest : public MainFormFixture {
protected:
    void SetUp() override {
        MainFormFixture::SetUp();
        initial = Save();
        initialShape = Shape(site->Root());
    }
    void DockAt(const char* target, TvzDockingRegionType region, const char* panel = "SQL") {
        manager->Docker(panels[target])->Dock(region, panels[panel], true);
    }
    TvzPlacementInfo& PlacementOf(const char* panel) {
        return dynamic_cast<TvzPlacementInfo&>(panels[panel]->Placement());
    }

    std::string initial;
    std::string initialShape;
};

TEST_F(DockerTest, DockingByRegionBuildsTheExpectedTree) {
    const struct {
        const char* target;
        TvzDockingRegionType region;
        const char* shape;
    } cases[] = {
        {"Work area", drtLeft,
         "1(2(SQL Work area Schema browser) 2(3(Watch list Breakpoint list Call stack Local variables) "
         "Output))"},
        {"Output", drtBottom,
         "1(2(Work area Schema browser) 2(3(Watch list Breakpoint list Call stack Local variables) 1(Output "
         "SQL)))"},
        {"Output", drtInside,
         "1(2(Work area Schema browser) 2(3(Watch list Breakpoint list Call stack Local variables) 3(Output "
         "SQL)))"},
        {"Call stack", drtInside,
         "1(2(Work area Schema browser) 2(3(Watch list Breakpoint list Call stack SQL Local variables) "
         "Output))"},
        {"Call stack", drtInsideBefore,
         "1(2(Work area Schema browser) 2(3(Watch list Breakpoint list SQL Call stack Local variables) "
         "Output))"},
        {"Work area", drtTop,
         "1(2(1(SQL Work area) Schema browser) 2(3(Watch list Breakpoint list Call stack Local variables) "
         "Output))"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.target) + " " + RegionName(c.region));
        DockAt(c.target, c.region);
        EXPECT_EQ(Shape(site->Root()), c.shape);
        EXPECT_EQ(panels["SQL"]->DockState(), dsDocked);
        EXPECT_EQ(manager->ActiveControl(), panels["SQL"]);
        EXPECT_TRUE(panels["SQL"]->Visible());
        panels["SQL"]->Hide(true);
        Load(initial);
    }
}

TEST_F(DockerTest, APanelDockedBesideARightAlignedOneFollowsItsSide) {
    DockAt("Schema browser", drtLeft);
    EXPECT_EQ(panels["SQL"]->Alignment(), alnRight);
    EXPECT_EQ(Shape(panels["SQL"]->Container()), "2(Work area SQL Schema browser)");
    EXPECT_EQ(panels["Work area"]->Alignment(), alnClient);
}

TEST_F(DockerTest, ARegionWithoutRoomIsRefusedAndChangesNothing) {
    const std::string shape = Shape(site->Root());
    EXPECT_EQ(ErrorMessageOf([&] { DockAt("Output", drtDetachedLeft); }),
              "Too small region to dock to (Left)");
    EXPECT_EQ(Shape(site->Root()), shape);
    EXPECT_EQ(panels["SQL"]->DockState(), dsHidden);
}

TEST_F(DockerTest, APanelDockedIntoItselfIsHidden) {
    TvzCustomDockingControl* tabs = panels["Call stack"]->Container();
    manager->Docker(panels["Call stack"])->Dock(drtLeft, tabs, false);
    EXPECT_EQ(tabs->DockState(), dsHidden);
}

TEST_F(DockerTest, AHiddenTabComesBackAfterTheTabBeforeIt) {
    ASSERT_TRUE(panels["Call stack"]->Hide(false));
    EXPECT_EQ(PlacementOf("Call stack").neighbourKey, panels["Breakpoint list"]->Key());
    EXPECT_EQ(PlacementOf("Call stack").order, 1);
    EXPECT_EQ(PlacementOf("Call stack").containerId, 3);
    panels["Call stack"]->MakeVisible();
    EXPECT_EQ(Shape(site->Root()), initialShape);
    EXPECT_EQ(manager->ActiveControl(), panels["Call stack"]);
    auto* tabs = static_cast<TvzInsideContainer*>(panels["Call stack"]->Container());
    EXPECT_EQ(tabs->Children(tabs->CurrentTab()), panels["Call stack"]);
}

TEST_F(DockerTest, TheFirstOfAColumnComesBackBeforeItsSiblingAtItsHeight) {
    DockAt("Output", drtTop);
    ASSERT_EQ(Shape(panels["SQL"]->Container()), "1(SQL Output)");
    panels["SQL"]->SetAlignment(alnTop);
    const int height = panels["SQL"]->ScreenRect().Height();
    ASSERT_TRUE(panels["SQL"]->Hide(false));
    EXPECT_EQ(PlacementOf("SQL").neighbourKey, panels["Output"]->Key());
    EXPECT_EQ(PlacementOf("SQL").order, 0);
    EXPECT_EQ(PlacementOf("SQL").size.Y, height);
    panels["SQL"]->MakeVisible();
    EXPECT_EQ(Shape(panels["SQL"]->Container()), "1(SQL Output)");
    EXPECT_EQ(panels["SQL"]->ScreenRect().Height(), height);
    EXPECT_EQ(panels["SQL"]->Alignment(), alnTop);
}

TEST_F(DockerTest, ANeverDockedPanelFloatsCentred) {
    panels["SQL"]->MakeVisible();
    ASSERT_EQ(panels["SQL"]->DockState(), dsFloating);
    const ui::TRect bounds = panels["SQL"]->ParentSite()->Parent()->BoundsRect();
    EXPECT_EQ(bounds.Width(), 450);
    EXPECT_EQ(bounds.Height(), 200);
    EXPECT_EQ(bounds.Left, (ui::Screen->Width() - 450) / 2);
    EXPECT_EQ(bounds.Top, (ui::Screen->Height() - 200) / 2);
}

TEST_F(DockerTest, AFloatedPanelGetsAFormCaptionedWithoutHotkeyMarkers) {
    panels["SQL"]->SetCaption("S&QL");
    panels["SQL"]->Float(ui::Bounds(-1000, 100, 300, 200));
    ASSERT_EQ(panels["SQL"]->DockState(), dsFloating);
    auto* floating = dynamic_cast<TvzFloatingForm*>(panels["SQL"]->ParentSite()->Owner());
    ASSERT_NE(floating, nullptr);
    EXPECT_EQ(floating->Caption(), "SQL");
    const ui::TRect area = ui::Screen->MonitorFromPoint({-1000, 100}).WorkareaRect;
    EXPECT_EQ(floating->Left(), area.Left - 300 + 30);
    EXPECT_EQ(floating->Width(), 300);
}

TEST_F(DockerTest, AFloatedPanelDocksBackWhereItWas) {
    panels["Call stack"]->Float(ui::Bounds(100, 100, 300, 200));
    ASSERT_EQ(panels["Call stack"]->DockState(), dsFloating);
    ASSERT_TRUE(panels["Call stack"]->Placement().RestoreDocked());
    EXPECT_EQ(Shape(site->Root()), initialShape);
    EXPECT_EQ(panels["Call stack"]->DockState(), dsDocked);
}

TEST_F(DockerTest, AGoneNeighbourAsksTheCollisionHandler) {
    ASSERT_TRUE(panels["Local variables"]->Hide(false));
    delete panels["Call stack"];
    panels.erase("Call stack");
    TvzDockingRegionType answer = drtNone;
    TvzCustomDockingControl* asked = nullptr;
    manager->OnCollision = [&](TvzCustomDockingManager*, TvzCustomDockingControl* control,
                               TvzCustomDockingControl* target, ui::TPoint& size,
                               TvzDockingRegionType& region) {
        EXPECT_EQ(control, panels["Local variables"]);
        EXPECT_EQ(region, drtInside) << "a tab that came after its neighbour";
        asked = target;
        size = {300, 120};
        region = answer;
    };
    panels["Local variables"]->MakeVisible();
    EXPECT_EQ(asked, site->Root());
    EXPECT_EQ(panels["Local variables"]->DockState(), dsFloating) << "drtNone falls back to floating";

    panels["Local variables"]->Hide(false);
    auto& info = PlacementOf("Local variables");
    info.containerId = 3;
    info.neighbourKey = NewGuid();
    answer = drtBottom;
    panels["Local variables"]->MakeVisible();
    EXPECT_EQ(panels["Local variables"]->DockState(), dsDocked);
    EXPECT_EQ(site->Root()->Children(site->Root()->ChildCount() - 1), panels["Local variables"]);
    EXPECT_EQ(info.containerId, 1);
    EXPECT_EQ(info.order, 1);
    EXPECT_EQ(panels["Local variables"]->Alignment(), alnBottom) << "the edge's side, not the tab's client";
    EXPECT_EQ(panels["Local variables"]->ScreenRect().Height(), 120);
}

TEST_F(DockerTest, ARowWithoutRoomLeftFloatsThePanel) {
    DockAt("Work area", drtLeft);
    ASSERT_TRUE(panels["Schema browser"]->Hide(false));
    EXPECT_EQ(PlacementOf("Schema browser").containerId, 2);
    PlacementOf("Schema browser").size = {5000, 300};
    panels["Schema browser"]->SetMinWidth(5000);
    panels["Schema browser"]->MakeVisible();
    EXPECT_EQ(panels["Schema browser"]->DockState(), dsFloating);
    EXPECT_EQ(Shape(panels["Work area"]->Container()), "2(SQL Work area)");
}

TEST_F(DockerTest, ThePlacementSurvivesSaveAndLoad) {
    ASSERT_TRUE(panels["Call stack"]->Hide(false));
    const std::string bytes = Save();
    Load(initial);
    Load(bytes);
    ASSERT_EQ(panels["Call stack"]->DockState(), dsHidden);
    EXPECT_EQ(PlacementOf("Call stack").neighbourKey, panels["Breakpoint list"]->Key());
    panels["Call stack"]->MakeVisible();
    EXPECT_EQ(Shape(site->Root()), initialShape);
}

} // namespace
} // namespace docking::testing
