#include "MainFormFixture.h"

#include "platform/ui/Clock.h"

#include <gtest/gtest.h>
#include <QCursor>
#include <QImage>
#include <QWidget>

#include <cstdlib>
#include <string>

namespace docking::testing {
namespace {

using namespace hidezone;

class DockAutoHideTest : public MainFormFixture {
protected:
    void SetUp() override {
        MainFormFixture::SetUp();
        form->Show();
        uitest::ProcessEvents();
    }

    void ClickCaptionButton(TvzCustomDockingControl* panel, int index) {
        const ui::TRect button = panel->CaptionButtons().Buttons(index).Bounds();
        ASSERT_FALSE(button.IsEmpty());
        const ui::TPoint at{(button.Left + button.Right) / 2, (button.Top + button.Bottom) / 2};
        panel->Perform(ui::WM_LBUTTONDOWN, ui::MK_LBUTTON, ui::MakeLParam(at.X, at.Y));
        panel->Perform(ui::WM_LBUTTONUP, 0, ui::MakeLParam(at.X, at.Y));
    }
    // The pointer over a point of the site, as the site and the polling zone see it.
    void PointAt(ui::TPoint point) {
        const ui::TPoint screen = site->ClientToScreen(point);
        QCursor::setPos(screen.X, screen.Y);
        site->Perform(ui::WM_MOUSEMOVE, 0, ui::MakeLParam(point.X, point.Y));
    }
    ui::TPoint TabCenter(TvzDockingHideZone& zone, int tab) {
        const ui::TRect rect =
            TabRect(zone.Tabs()[static_cast<std::size_t>(tab)], zone.Edge(), zone.StripRect());
        return {(rect.Left + rect.Right) / 2, (rect.Top + rect.Bottom) / 2};
    }
    void SaveGrab(const char* name) {
        if (const char* dir = std::getenv("VELTRANE_GRAB_DIR"))
            form->Widget()->grab().toImage().save(QString::fromStdString(std::string(dir) + "/" + name));
    }
};

TEST_F(DockAutoHideTest, TheCaptionButtonHidesAPanelIntoTheZoneOfItsSide) {
    TvzDockingControl* output = panels["Output"];
    const ui::TRect before = site->Root()->ScreenRect();
    ClickCaptionButton(output, 2);

    EXPECT_TRUE(output->AutoHidden());
    EXPECT_EQ(output->AutoHideOrientation(), zeBottom) << "its container sits at the bottom";
    EXPECT_EQ(output->DockState(), dsHidden);
    EXPECT_EQ(Shape(site->Root()),
              "1(2(Work area Schema browser) 3(Watch list Breakpoint list Call stack Local variables))");
    TvzDockingHideZone& bottom = site->HideZone(zeBottom);
    ASSERT_EQ(bottom.Tabs().size(), 1u);
    EXPECT_EQ(bottom.TabPanel(0), output);
    EXPECT_EQ(bottom.Tabs()[0].state, kActiveTabState);
    EXPECT_TRUE(site->HideZone(zeRight).Empty());

    const int strip = site->Ring().thickness;
    ASSERT_GT(strip, 0);
    EXPECT_EQ(bottom.StripRect(),
              (ui::TRect{0, site->ClientHeight() - strip, site->ClientWidth(), site->ClientHeight()}));
    EXPECT_EQ(site->Root()->ScreenRect().Height(), before.Height() - strip)
        << "the tree leaves the strip free";
    EXPECT_TRUE(output->Actions(cmdPin)->Enabled());
    EXPECT_FALSE(output->Actions(cmdAutoHide)->Enabled());
    SaveGrab("zone-with-tab.png");
}

TEST_F(DockAutoHideTest, TheMenuItemAndTheWorkAreaFollowTheSameRules) {
    EXPECT_FALSE(panels["Work area"]->Actions(cmdAutoHide)->Enabled()) << "the client part stays";
    panels["Watch list"]->PopupMenu()->Prepare();
    panels["Watch list"]->PopupMenu()->AutoHideItem()->Click();
    EXPECT_TRUE(panels["Watch list"]->AutoHidden());
    EXPECT_EQ(panels["Watch list"]->AutoHideOrientation(), zeBottom) << "wide and low: the bottom zone";
    EXPECT_EQ(site->HideZone(zeBottom).Tabs().size(), 1u);
    EXPECT_EQ(Shape(site->Root()),
              "1(2(Work area Schema browser) 2(3(Breakpoint list Call stack Local variables) Output))");
}

TEST_F(DockAutoHideTest, HoveringTheTabSlidesThePanelOutAndLeavingSlidesItBack) {
    ui::TManualClockScope clock;
    TvzDockingControl* output = panels["Schema browser"];
    output->Actions(cmdAutoHide)->Execute();
    ASSERT_EQ(output->AutoHideOrientation(), zeRight) << "tall and nearer the right edge";
    TvzDockingHideZone& right = site->HideZone(zeRight);
    const auto& placement = static_cast<TvzPlacementInfo&>(output->Placement());
    ASSERT_EQ(HideSizeFor(zeRight, placement.hideSize, placement), 220) << "its docked width";

    PointAt(TabCenter(right, 0));
    clock->Advance(499);
    EXPECT_FALSE(right.Host()->Visible());
    clock->Advance(1);
    clock->Advance(10);
    EXPECT_TRUE(right.Host()->Visible());
    EXPECT_EQ(right.ShownPanel(), output);
    EXPECT_EQ(right.Host()->Width(), 15) << "out by a tenth of the speed each step";
    clock->Advance(300);
    const int strip = site->Ring().thickness;
    EXPECT_EQ(right.Host()->BoundsRect(), (ui::TRect{site->ClientWidth() - strip - 220, 0,
                                                     site->ClientWidth() - strip, site->ClientHeight()}));
    EXPECT_EQ(output->Parent(), right.Host());
    EXPECT_TRUE(output->ui::TControl::Visible());
    SaveGrab("panel-slid-out.png");

    PointAt({10, 10}); // over the work area
    clock->Advance(500);
    EXPECT_TRUE(right.Host()->Visible()) << "the hide waits out the interval, then slides";
    clock->Advance(300);
    EXPECT_FALSE(right.Host()->Visible());
    EXPECT_EQ(right.ShownPanel(), nullptr);
    EXPECT_EQ(output->DockState(), dsHidden);
    EXPECT_TRUE(output->AutoHidden());
}

TEST_F(DockAutoHideTest, AClickedTabKeepsItsFocusedPanelOutUntilPinnedBack) {
    ui::TManualClockScope clock;
    TvzDockingControl* output = panels["Schema browser"];
    output->Actions(cmdAutoHide)->Execute();
    TvzDockingHideZone& right = site->HideZone(zeRight);
    const ui::TPoint tab = TabCenter(right, 0);
    site->Perform(ui::WM_LBUTTONDOWN, ui::MK_LBUTTON, ui::MakeLParam(tab.X, tab.Y));
    clock->Advance(1000);
    ASSERT_EQ(right.ShownPanel(), output);
    EXPECT_EQ(manager->ActiveControl(), output);
    PointAt({10, 10});
    clock->Advance(2000);
    EXPECT_EQ(right.ShownPanel(), output) << "the focused panel stays out";

    ClickCaptionButton(output, 3);
    EXPECT_FALSE(output->AutoHidden());
    EXPECT_TRUE(right.Empty());
    EXPECT_FALSE(right.Host()->Visible());
    EXPECT_EQ(output->DockState(), dsDocked);
    EXPECT_EQ(
        Shape(site->Root()),
        "1(2(Work area Schema browser) 2(3(Watch list Breakpoint list Call stack Local variables) Output))");
    EXPECT_EQ(output->Alignment(), alnRight);
    EXPECT_EQ(site->DockClientRect(), site->ClientRect()) << "no strip left";
}

TEST_F(DockAutoHideTest, AClickInAnotherZoneHidesThePanelShownThere) {
    ui::TManualClockScope clock;
    panels["Output"]->Actions(cmdAutoHide)->Execute();
    panels["Watch list"]->Actions(cmdAutoHide)->Execute();
    panels["Schema browser"]->Actions(cmdAutoHide)->Execute();
    TvzDockingHideZone& bottom = site->HideZone(zeBottom);
    ASSERT_EQ(bottom.Tabs().size(), 2u);
    EXPECT_GT(bottom.Tabs()[1].left, bottom.Tabs()[0].left + bottom.Tabs()[0].width)
        << "a gap between groups";

    TvzDockingHideZone& right = site->HideZone(zeRight);
    right.Motion().SlideOut(0, 200, true);
    ASSERT_EQ(right.ShownPanel(), panels["Schema browser"]);
    const ui::TPoint tab = TabCenter(bottom, 1);
    site->Perform(ui::WM_LBUTTONDOWN, ui::MK_LBUTTON, ui::MakeLParam(tab.X, tab.Y));
    EXPECT_EQ(right.ShownPanel(), nullptr);
    EXPECT_FALSE(right.Host()->Visible());
    clock->Advance(1000);
    EXPECT_EQ(bottom.ShownPanel(), panels["Watch list"]);
}

TEST_F(DockAutoHideTest, ClosingOrFreeingAnAutoHiddenPanelEmptiesItsZone) {
    panels["Output"]->Actions(cmdAutoHide)->Execute();
    panels["Watch list"]->Actions(cmdAutoHide)->Execute();
    TvzDockingHideZone& bottom = site->HideZone(zeBottom);
    bottom.Motion().SlideOut(0, 200, true);
    EXPECT_TRUE(panels["Output"]->Hide(false));
    EXPECT_FALSE(panels["Output"]->AutoHidden());
    EXPECT_EQ(panels["Output"]->DockState(), dsHidden);
    EXPECT_FALSE(bottom.Host()->Visible());
    ASSERT_EQ(bottom.Tabs().size(), 1u);
    delete panels["Watch list"];
    EXPECT_TRUE(bottom.Empty());
    EXPECT_EQ(site->DockClientRect(), site->ClientRect());
}

TEST_F(DockAutoHideTest, TheLayoutKeepsTheZonesTheirTabsAndTheirStates) {
    const std::string docked = Save();
    panels["Output"]->Actions(cmdAutoHide)->Execute();
    panels["Watch list"]->Actions(cmdAutoHide)->Execute();
    panels["Schema browser"]->Actions(cmdAutoHide)->Execute();
    TvzDockingHideZone& bottom = site->HideZone(zeBottom);
    bottom.SetTabStates({0, kActiveTabState});
    const std::string hidden = Save();

    Load(docked);
    EXPECT_TRUE(bottom.Empty());
    EXPECT_FALSE(panels["Output"]->AutoHidden());
    EXPECT_EQ(panels["Output"]->DockState(), dsDocked);

    Load(hidden);
    ASSERT_EQ(bottom.Tabs().size(), 2u);
    EXPECT_EQ(bottom.TabPanel(0), panels["Output"]);
    EXPECT_EQ(bottom.TabPanel(1), panels["Watch list"]);
    EXPECT_EQ(bottom.Tabs()[0].state, 0);
    EXPECT_EQ(bottom.Tabs()[1].state, kActiveTabState);
    ASSERT_EQ(site->HideZone(zeRight).Tabs().size(), 1u);
    EXPECT_EQ(site->HideZone(zeRight).TabPanel(0), panels["Schema browser"]);
    EXPECT_TRUE(site->HideZone(zeLeft).Empty());
    for (const char* caption : {"Output", "Watch list", "Schema browser"}) {
        EXPECT_TRUE(panels[caption]->AutoHidden()) << caption;
        EXPECT_EQ(panels[caption]->DockState(), dsHidden) << caption;
    }
    EXPECT_EQ(panels["Output"]->AutoHideOrientation(), zeBottom);
    EXPECT_EQ(Shape(site->Root()), "1(Work area 3(Breakpoint list Call stack Local variables))");
    EXPECT_EQ(Save(), hidden) << "read back, the layout writes the same bytes";

    // The panel slides out of the zone it was read into and pins back to where it was docked.
    bottom.Motion().SlideOut(0, 150, true);
    EXPECT_EQ(bottom.ShownPanel(), panels["Output"]);
    panels["Output"]->Pin();
    EXPECT_EQ(panels["Output"]->DockState(), dsDocked);
    EXPECT_EQ(bottom.Tabs().size(), 1u);
}

TEST_F(DockAutoHideTest, TheManagerSettingsDriveHoverAndClick) {
    ui::TManualClockScope clock;
    TvzDockingControl* browser = panels["Schema browser"];
    browser->Actions(cmdAutoHide)->Execute();
    TvzDockingHideZone& right = site->HideZone(zeRight);
    const ui::TPoint tab = TabCenter(right, 0);
    const auto click = [&] {
        site->Perform(ui::WM_LBUTTONDOWN, ui::MK_LBUTTON, ui::MakeLParam(tab.X, tab.Y));
    };

    manager->SetAutoHideInterval(0);
    PointAt(tab);
    clock->Advance(5000);
    EXPECT_EQ(right.ShownPanel(), nullptr) << "a delay of 0 never ends: hovering opens nothing";
    click();
    EXPECT_EQ(right.ShownPanel(), browser) << "a click does";
    EXPECT_EQ(manager->ActiveControl(), browser) << "and the panel takes the focus";
    right.Motion().HideAtOnce();
    panels["Work area"]->SetFocus();

    manager->SetAutoHideInterval(500);
    manager->SetAutoShowSpeed(0);
    manager->SetAutoHideStartAction(ahsClick);
    PointAt(tab);
    clock->Advance(1000);
    EXPECT_EQ(right.ShownPanel(), nullptr) << "hovering is not what opens a panel";
    click();
    EXPECT_EQ(right.ShownPanel(), browser);
    EXPECT_EQ(right.Host()->Width(), right.Motion().Extent()) << "no animation at speed 0";
    EXPECT_NE(manager->ActiveControl(), browser) << "a click only shows the panel";

    manager->SetAutoHideCaptions(ahcNone);
    EXPECT_FALSE(right.Tabs()[0].showCaption);
    manager->SetAutoHideCaptions(ahcAll);
    EXPECT_TRUE(right.Tabs()[0].showCaption);
}

} // namespace
} // namespace docking::testing
