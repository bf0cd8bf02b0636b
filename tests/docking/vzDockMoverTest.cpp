#include "MainFormFixture.h"

#include "docking/vzDockCustForm.h"
#include "docking/vzDocker.h"
#include "docking/vzDockingVS2005.h"
#include "docking/vzDockMover.h"
#include "platform/ui/Clock.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Hints.h"
#include "platform/ui/KeyCodes.h"

#include <gtest/gtest.h>
#include <QColor>
#include <QCoreApplication>
#include <QDragMoveEvent>
#include <QImage>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QWidget>

#include <cstdlib>
#include <string>
#include <vector>

namespace docking::testing {
namespace {

using drag::DockingAllowed;
using drag::StartFrame;

TEST(DockDragArithmetic, TheStartFrameIsShiftedJustEnoughToHoldTheCursor) {
    struct Case {
        ui::TPoint cursor;
        ui::TRect frame;
    };
    const Case cases[] = {
        {{150, 120}, ui::Bounds(100, 100, 200, 100)}, // inside: where the panel's top-left is
        {{50, 120}, ui::Bounds(50, 100, 200, 100)},   // left of it
        {{400, 120}, ui::Bounds(201, 100, 200, 100)}, // right of it: the cursor on the last column
        {{150, 250}, ui::Bounds(100, 151, 200, 100)}, // below
        {{20, 10}, ui::Bounds(20, 10, 200, 100)},     // above and left
    };
    for (const Case& c : cases)
        EXPECT_EQ(StartFrame({100, 100}, {200, 100}, c.cursor), c.frame) << c.cursor.X << "," << c.cursor.Y;
    EXPECT_EQ(StartFrame({0, 0}, {0, -5}, {0, 0}), ui::Bounds(0, 0, 1, 1)) << "never empty";
}

TEST(DockDragArithmetic, DockingIsOfferedOnlyForExactlyTheDockKey) {
    const TvzDockingShiftState dockKey{dssLeft};
    EXPECT_TRUE(DockingAllowed({ui::ssLeft}, dockKey, true));
    EXPECT_FALSE(DockingAllowed({ui::ssLeft, ui::ssCtrl}, dockKey, true)) << "the drag key floats only";
    EXPECT_FALSE(DockingAllowed({ui::ssLeft, ui::ssShift}, dockKey, true));
    EXPECT_FALSE(DockingAllowed({ui::ssLeft}, dockKey, false)) << "docking by drag switched off";
    EXPECT_TRUE(DockingAllowed({ui::ssLeft, ui::ssAlt}, dockKey, true)) << "Alt is no docking key";
}

struct EndDock {
    TvzCustomDockingControl* target;
    bool cancelled;
};

class DockMoverTest : public MainFormFixture {
protected:
    void SetUp() override {
        MainFormFixture::SetUp();
        form->Show();
        uitest::ProcessEvents();
        mover = dynamic_cast<TvzMover*>(manager->Mover(panels["Output"]));
        ASSERT_NE(mover, nullptr);
        panels["Output"]->OnEndDock = [this](TvzCustomDockingControl*, TvzCustomDockingControl* target,
                                             ui::TPoint, bool cancelled) {
            ends.push_back({target, cancelled});
        };
    }

    // Presses the left button on the panel's caption and moves past the drag threshold.
    void PressAndPull(TvzCustomDockingControl* panel, uintptr_t keys = ui::MK_LBUTTON) {
        const ui::TPoint at{12, panel->CaptionHeight() / 2};
        panel->Perform(ui::WM_LBUTTONDOWN, keys, ui::MakeLParam(at.X, at.Y));
        panel->Perform(ui::WM_MOUSEMOVE, keys, ui::MakeLParam(at.X + 4, at.Y));
        ASSERT_FALSE(mover->Active()) << "not before the threshold";
        panel->Perform(ui::WM_MOUSEMOVE, keys, ui::MakeLParam(at.X + 12, at.Y));
    }
    // Drags from now on with the guided style of that name.
    TvzVS2005Mover* UseGuidedStyle(bool flash = false, const char* name = "VS2005") {
        manager->SetDockingStyleClassName(name);
        auto* vs = dynamic_cast<TvzVS2005Mover*>(manager->Mover(nullptr));
        EXPECT_NE(vs, nullptr) << name;
        vs->Style().SetFlashZonesOnStart(flash);
        mover = vs;
        return vs;
    }
    // The mouse at a screen point, as the window that holds it during the drag sees it.
    void MoveTo(ui::TPoint screen, uintptr_t keys = ui::MK_LBUTTON) {
        ui::TControl* capture = ui::GetCaptureControl();
        ASSERT_NE(capture, nullptr);
        const ui::TPoint p = capture->ScreenToClient(screen);
        capture->Perform(ui::WM_MOUSEMOVE, keys, ui::MakeLParam(p.X, p.Y));
    }
    void Release(ui::TPoint screen) {
        ui::TControl* capture = ui::GetCaptureControl();
        ASSERT_NE(capture, nullptr);
        const ui::TPoint p = capture->ScreenToClient(screen);
        capture->Perform(ui::WM_LBUTTONUP, 0, ui::MakeLParam(p.X, p.Y));
    }
    static ui::TPoint Inside(const TvzCustomDockingControl* control, int dx, int dy) {
        const ui::TRect& r = control->ScreenRect();
        return {dx >= 0 ? r.Left + dx : r.Right + dx, dy >= 0 ? r.Top + dy : r.Bottom + dy};
    }
    static ui::TPoint Middle(const TvzCustomDockingControl* control) {
        const ui::TRect& r = control->ScreenRect();
        return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
    }
    // The form with the drag's outline bars and hint drawn where they stand on the screen.
    void SaveGrab(const char* name) {
        const char* dir = std::getenv("VELTRANE_GRAB_DIR");
        if (!dir) return;
        QImage image = form->Widget()->grab().toImage();
        QPainter painter(&image);
        const ui::TPoint origin = form->ClientToScreen({0, 0});
        std::vector<ui::TControl*> windows;
        for (int i = 0; i < 4; ++i)
            windows.push_back(&mover->Feedback().Bar(i));
        if (ui::TCustomControl* frame = mover->Feedback().TranslucentFrame()) windows.push_back(frame);
        if (auto* guided = dynamic_cast<TvzVS2005Mover*>(mover))
            for (ui::TWinControl* guide : AllGuides(*guided))
                windows.push_back(guide);
        windows.push_back(&mover->Feedback().HintWindow());
        for (ui::TControl* window : windows) {
            auto* control = static_cast<ui::TWinControl*>(window);
            if (!control->Visible()) continue;
            const ui::TPoint at = control->ClientToScreen({0, 0});
            const QRegion shape = control->Widget()->mask();
            // An empty clip region set once would leave every later clip region ignored.
            if (shape.isEmpty())
                painter.setClipping(false);
            else
                painter.setClipRegion(shape.translated(at.X - origin.X, at.Y - origin.Y));
            painter.drawImage(at.X - origin.X, at.Y - origin.Y, control->Widget()->grab().toImage());
        }
        painter.end();
        image.save(QString::fromStdString(std::string(dir) + "/" + name));
    }

    // The guide of `region` over `target` during a guided drag; none when it has none.
    static ui::TWinControl* Guide(const TvzVS2005Mover& vs, const TvzCustomDockingControl* target,
                                  int region) {
        TvzDockingZoneController* controller = vs.Controller(target);
        return controller ? static_cast<ui::TWinControl*>(controller->Guide(region)) : nullptr;
    }
    std::vector<ui::TWinControl*> AllGuides(const TvzVS2005Mover& vs) const {
        std::vector<const TvzCustomDockingControl*> targets{site->Root()};
        for (const auto& [caption, panel] : panels)
            targets.push_back(panel);
        std::vector<ui::TWinControl*> guides;
        for (const TvzCustomDockingControl* target : targets)
            for (int region = drtLeft; region <= drtDetachedBottom; ++region)
                if (ui::TWinControl* guide = Guide(vs, target, region)) guides.push_back(guide);
        return guides;
    }

    TvzMover* mover = nullptr;
    std::vector<EndDock> ends;
};

TEST_F(DockMoverTest, DroppingOnTheLeftBandOfAPanelDocksToItsLeft) {
    TvzDockingControl* output = panels["Output"];
    TvzDockingControl* work = panels["Work area"];
    PressAndPull(output);
    ASSERT_TRUE(mover->Active());
    EXPECT_EQ(manager->Operation(), output);

    MoveTo(Inside(work, 4, work->ScreenRect().Height() / 2));
    EXPECT_EQ(mover->Place().target, work);
    EXPECT_EQ(mover->Place().region, drtLeft);
    const ui::TRect frame = mover->Feedback().Frame();
    EXPECT_EQ(frame.Left, work->ScreenRect().Left);
    EXPECT_EQ(frame.Top, work->ScreenRect().Top);
    EXPECT_LE(frame.Right, (work->ScreenRect().Left + work->ScreenRect().Right) / 2) << "at most half of it";
    EXPECT_EQ(mover->Feedback().Hint(), "Target: Work area\r\nPosition: Left");
    EXPECT_TRUE(mover->Feedback().Bar(0).Visible());
    EXPECT_EQ(mover->Feedback().Bar(0).BoundsRect(),
              ui::Bounds(frame.Left + 4, frame.Top, frame.Width() - 4, 4))
        << "the top of the outline";
    SaveGrab("drag-left-band.png");

    Release(Inside(work, 4, work->ScreenRect().Height() / 2));
    EXPECT_FALSE(mover->Active());
    EXPECT_EQ(manager->Operation(), nullptr);
    EXPECT_EQ(ui::GetCaptureControl(), nullptr);
    EXPECT_FALSE(mover->Feedback().Bar(0).Visible());
    EXPECT_EQ(
        Shape(site->Root()),
        "1(2(Output Work area Schema browser) 3(Watch list Breakpoint list Call stack Local variables))");
    EXPECT_EQ(output->DockState(), dsDocked);
    EXPECT_EQ(manager->ActiveControl(), output);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].target, work);
    EXPECT_FALSE(ends[0].cancelled);
}

TEST_F(DockMoverTest, DroppingOnACaptionDocksInsideAsATab) {
    TvzDockingControl* browser = panels["Schema browser"];
    PressAndPull(panels["Output"]);
    MoveTo(Inside(browser, 30, browser->CaptionHeight() / 2));
    EXPECT_EQ(mover->Place().region, drtInside);
    EXPECT_EQ(mover->Feedback().Frame(), browser->ScreenRect());
    Release(Inside(browser, 30, browser->CaptionHeight() / 2));
    EXPECT_EQ(
        Shape(site->Root()),
        "1(2(Work area 3(Schema browser Output)) 3(Watch list Breakpoint list Call stack Local variables))");
}

// The screen point on tab `index` of the bottom tab container, `fraction` of its width in.
ui::TPoint OnTab(const TvzInsideContainer& tabs, int index, double fraction) {
    const ui::TRect strip = tabs.TabStripRect();
    const auto at = static_cast<std::size_t>(index);
    const int x = tabs.StripLayout().lefts[at] + static_cast<int>(tabs.StripLayout().widths[at] * fraction);
    return tabs.ClientToScreen({x, (strip.Top + strip.Bottom) / 2});
}

TEST_F(DockMoverTest, ADropOnATabLandsBeforeOrAfterThatTab) {
    struct Case {
        int tab;
        double fraction;
        TvzDockingRegionType region;
        int mark;
        const char* tabs;
    };
    const Case cases[] = {
        {2, 0.25, drtInsideBefore, 1, "3(Watch list Breakpoint list Output Call stack Local variables)"},
        {2, 0.75, drtInside, 2, "3(Watch list Breakpoint list Call stack Output Local variables)"},
        {0, 0.1, drtInsideBefore, -1, "3(Output Watch list Breakpoint list Call stack Local variables)"},
    };
    for (const Case& c : cases) {
        if (&c != cases) {
            TearDown();
            SetUp();
        }
        auto* tabs = static_cast<TvzInsideContainer*>(panels["Watch list"]->Container());
        const ui::TPoint at = OnTab(*tabs, c.tab, c.fraction);
        PressAndPull(panels["Output"]);
        MoveTo(at);
        EXPECT_EQ(mover->Place().target, tabs->Children(c.tab)) << "the panel of the tab under the cursor";
        EXPECT_EQ(mover->Place().region, c.region);
        EXPECT_EQ(tabs->DropMark(), c.mark);
        if (&c == cases) SaveGrab("drop-on-tab.png");
        MoveTo(Inside(panels["Work area"], 4, 40));
        EXPECT_EQ(tabs->DropMark(), -2) << "the mark goes with the cursor";
        MoveTo(at);
        Release(at);
        EXPECT_EQ(tabs->DropMark(), -2);
        EXPECT_EQ(Shape(panels["Output"]->Container()), c.tabs);
    }
}

TEST_F(DockMoverTest, OffTheTabsTheStripStandsForTheLastTab) {
    auto* tabs = static_cast<TvzInsideContainer*>(panels["Watch list"]->Container());
    const ui::TRect strip = tabs->TabStripRect();
    const ui::TPoint at = tabs->ClientToScreen({strip.Right - 3, (strip.Top + strip.Bottom) / 2});
    PressAndPull(panels["Output"]);
    MoveTo(at);
    EXPECT_EQ(mover->Place().target, panels["Local variables"]);
    EXPECT_EQ(mover->Place().region, drtInside);
    Release(at);
    EXPECT_EQ(Shape(tabs), "3(Watch list Breakpoint list Call stack Local variables Output)");
}

TEST_F(DockMoverTest, ATabHoveredForHalfASecondComesToFront) {
    ui::TManualClockScope clock;
    auto* tabs = static_cast<TvzInsideContainer*>(panels["Watch list"]->Container());
    ASSERT_EQ(tabs->CurrentTab(), 0);
    PressAndPull(panels["Output"]);
    MoveTo(OnTab(*tabs, 2, 0.3));
    clock->Advance(300);
    MoveTo(OnTab(*tabs, 2, 0.6)); // on the same tab the wait goes on
    clock->Advance(199);
    EXPECT_EQ(tabs->CurrentTab(), 0);
    clock->Advance(1);
    EXPECT_EQ(tabs->CurrentTab(), 2) << "Call stack after 500 ms";

    MoveTo(OnTab(*tabs, 1, 0.5));
    clock->Advance(400);
    MoveTo(OnTab(*tabs, 3, 0.5)); // another tab starts the wait again
    clock->Advance(400);
    EXPECT_EQ(tabs->CurrentTab(), 2);
    clock->Advance(100);
    EXPECT_EQ(tabs->CurrentTab(), 3);

    MoveTo(OnTab(*tabs, 0, 0.5));
    ui::GetCaptureControl()->Perform(ui::WM_KEYDOWN, ui::VK_ESCAPE, 0); // the drag ends before the delay
    clock->Advance(1000);
    EXPECT_EQ(tabs->CurrentTab(), 3);
}

TEST_F(DockMoverTest, TheDragKeyMovesOnlyAFloatingFrameAndTheDropFloatsThePanel) {
    TvzDockingControl* output = panels["Output"];
    TvzDockingControl* work = panels["Work area"];
    const ui::TPoint floatSize = output->Placement().floatSize;
    const uintptr_t keys = ui::MK_LBUTTON | ui::MK_CONTROL;
    PressAndPull(output, keys);
    ASSERT_TRUE(mover->Active());
    const ui::TPoint over = Middle(work);
    MoveTo(over, keys);
    EXPECT_EQ(mover->Place().target, nullptr) << "no docking target with the drag key";
    const ui::TRect frame = mover->Feedback().Frame();
    EXPECT_EQ(ui::TPoint(frame.Width(), frame.Height()), floatSize);
    EXPECT_TRUE(frame.Contains(over));
    EXPECT_EQ(mover->Feedback().Hint(), "");
    SaveGrab("drag-floating-frame.png");

    MoveTo(over); // the key let go: docking targets again
    EXPECT_EQ(mover->Place().target, work);
    EXPECT_EQ(mover->Place().region, drtInside);
    MoveTo(over, keys);
    Release(over);
    EXPECT_EQ(output->DockState(), dsFloating);
    EXPECT_EQ(ui::GetParentForm(output)->BoundsRect(), frame);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].target, nullptr);
    EXPECT_FALSE(ends[0].cancelled);

    // A floating panel dragged without docking moves its form (the window manager's title bar
    // starts that drag, so it is started here directly).
    const ui::TPoint caption = ui::GetParentForm(output)->ClientToScreen({12, 4});
    mover->StartMove(output, caption);
    ASSERT_TRUE(mover->Active());
    const ui::TRect start = ui::GetParentForm(output)->BoundsRect();
    MoveTo({caption.X + 60, caption.Y + 40}, keys);
    const ui::TRect moved = mover->Feedback().Frame();
    EXPECT_EQ(moved, ui::OffsetRect(start, 60, 40)) << "the form's frame follows the cursor";
    Release({caption.X + 60, caption.Y + 40});
    EXPECT_EQ(output->DockState(), dsFloating);
    EXPECT_EQ(ui::GetParentForm(output)->BoundsRect(), moved);
}

TEST_F(DockMoverTest, EscapeCancelsAndNothingMoves) {
    const std::string before = Save();
    PressAndPull(panels["Output"]);
    MoveTo(Inside(panels["Work area"], 4, 40));
    ASSERT_EQ(mover->Place().region, drtLeft);
    ui::GetCaptureControl()->Perform(ui::WM_KEYDOWN, ui::VK_ESCAPE, 0);
    EXPECT_FALSE(mover->Active());
    EXPECT_EQ(ui::GetCaptureControl(), nullptr);
    EXPECT_EQ(manager->Operation(), nullptr);
    EXPECT_FALSE(mover->Feedback().Bar(0).Visible());
    EXPECT_EQ(Save(), before);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].target, nullptr);
    EXPECT_TRUE(ends[0].cancelled);
}

TEST_F(DockMoverTest, NoDragWithoutTheButtonOrWhenTheSourceCannotGo) {
    // A release before the threshold is a click.
    TvzDockingControl* output = panels["Output"];
    output->Perform(ui::WM_LBUTTONDOWN, ui::MK_LBUTTON, ui::MakeLParam(12, 5));
    output->Perform(ui::WM_LBUTTONUP, 0, ui::MakeLParam(12, 5));
    output->Perform(ui::WM_MOUSEMOVE, ui::MK_LBUTTON, ui::MakeLParam(40, 5));
    EXPECT_FALSE(mover->Active());

    // A site that keeps its panels.
    site->OnCanUndock = [](TvzCustomDockingSite*, TvzCustomDockingControl*, bool& allow) { allow = false; };
    PressAndPull(output);
    EXPECT_FALSE(mover->Active());
    site->OnCanUndock = nullptr;

    // Letting the button go without a release (the mouse reports no button) cancels.
    PressAndPull(output);
    ASSERT_TRUE(mover->Active());
    MoveTo(Middle(panels["Work area"]), 0);
    EXPECT_FALSE(mover->Active());
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_TRUE(ends[0].cancelled);
}

TEST_F(DockMoverTest, ADockZoneHandlerMayRefuseAPlace) {
    TvzDockingControl* work = panels["Work area"];
    work->OnDockZone = [](TvzDockingControl*, TvzCustomDockingControl*, ui::TPoint,
                          TvzDockingRegionType& region) {
        if (region == drtInside) region = drtNone;
    };
    PressAndPull(panels["Output"]);
    MoveTo(Middle(work));
    EXPECT_EQ(mover->Place().target, nullptr) << "the frame floats there";
    EXPECT_EQ(mover->Feedback().Hint(), "");
    MoveTo(Inside(work, 4, 40));
    EXPECT_EQ(mover->Place().region, drtLeft);
    ui::GetCaptureControl()->Perform(ui::WM_KEYDOWN, ui::VK_ESCAPE, 0);

    // The guided style asks the handler about the guide under the cursor.
    TvzVS2005Mover* vs = UseGuidedStyle();
    PressAndPull(panels["Output"]);
    const ui::TRect inside = Guide(*vs, work, drtInside)->BoundsRect();
    MoveTo({inside.Left + 20, inside.Top + 20});
    EXPECT_EQ(mover->Place().target, nullptr);
    EXPECT_EQ(vs->Controller(work)->Lit(), drtNone) << "a refused guide does not light";
    const ui::TRect left = Guide(*vs, work, drtLeft)->BoundsRect();
    MoveTo({left.Left + 10, left.Top + 20});
    EXPECT_EQ(mover->Place().region, drtLeft);
    ui::GetCaptureControl()->Perform(ui::WM_KEYDOWN, ui::VK_ESCAPE, 0);
}

TEST_F(DockMoverTest, TheGuidedStyleDocksByTheGuideUnderTheCursor) {
    TvzVS2005Mover* vs = UseGuidedStyle();
    TvzDockingControl* work = panels["Work area"];
    PressAndPull(panels["Output"]);
    ASSERT_TRUE(mover->Active());

    MoveTo(Inside(work, 30, 40));
    EXPECT_EQ(mover->Place().target, nullptr) << "off the guides the frame floats";
    const ui::TRect area = DockingArea(work->ScreenRect(), manager->Metric(0));
    for (int region = drtLeft; region <= drtInside; ++region) {
        ui::TWinControl* guide = Guide(*vs, work, region);
        ASSERT_NE(guide, nullptr) << region;
        EXPECT_TRUE(guide->Visible()) << region;
        const ui::TRegion place =
            guides::GuideRegion(region, vs->Style().Geometry(), work->ScreenRect(), area);
        EXPECT_EQ(guide->BoundsRect(), place.BoundingRect()) << region;
    }
    EXPECT_EQ(Guide(*vs, work, drtDetachedLeft), nullptr) << "a panel has only its compass";
    EXPECT_EQ(vs->Controller(panels["Output"]), nullptr) << "the dragged panel shows no guides";
    EXPECT_EQ(vs->Controller(panels["Call stack"]), nullptr) << "nor a page behind another";
    EXPECT_EQ(vs->Controller(work->Container()), nullptr) << "nor a container inside the tree";
    const ui::TRect root = site->Root()->ScreenRect();
    ASSERT_NE(Guide(*vs, site->Root(), drtDetachedBottom), nullptr);
    EXPECT_EQ(Guide(*vs, site->Root(), drtDetachedBottom)->BoundsRect(),
              ui::Bounds((root.Left + root.Right) / 2 - 20, root.Bottom - 41, 41, 41))
        << "the outer guides stand inside the tree's edges";
    EXPECT_EQ(Guide(*vs, site->Root(), drtLeft), nullptr);

    const ui::TRect left = Guide(*vs, work, drtLeft)->BoundsRect();
    MoveTo({left.Left + 10, left.Top + 20});
    EXPECT_EQ(mover->Place().target, work);
    EXPECT_EQ(mover->Place().region, drtLeft);
    EXPECT_EQ(vs->Controller(work)->Lit(), drtLeft);

    const ui::TRect bottom = Guide(*vs, site->Root(), drtDetachedBottom)->BoundsRect();
    const ui::TPoint onBottom{bottom.Left + 20, bottom.Top + 20};
    MoveTo(onBottom);
    EXPECT_EQ(mover->Place().target, site->Root());
    EXPECT_EQ(mover->Place().region, drtBottom);
    EXPECT_EQ(vs->Controller(work)->Lit(), drtNone);
    EXPECT_EQ(vs->Controller(site->Root())->Lit(), drtDetachedBottom);
    SaveGrab("drag-guides.png");
    Release(onBottom);
    EXPECT_EQ(vs->Controller(work), nullptr) << "the guides go with the drag";
    EXPECT_EQ(
        Shape(site->Root()),
        "1(2(Work area Schema browser) 3(Watch list Breakpoint list Call stack Local variables) Output)");
    EXPECT_EQ(panels["Output"]->DockState(), dsDocked);

    // The dock survives saving and loading the layout.
    const std::string layout = Save();
    Load(layout);
    EXPECT_EQ(
        Shape(site->Root()),
        "1(2(Work area Schema browser) 3(Watch list Breakpoint list Call stack Local variables) Output)");
}

TEST_F(DockMoverTest, TheWhidbeyDiamondIsHitByTheShapesOfItsPieces) {
    ui::TManualClockScope clock;
    TvzVS2005Mover* vs = UseGuidedStyle(false, "VSWhidbey");
    TvzDockingControl* work = panels["Work area"];
    PressAndPull(panels["Output"]);
    MoveTo(Inside(work, 30, 40));
    clock->Advance(200);
    const ui::TRect area = DockingArea(work->ScreenRect(), manager->Metric(0));
    const ui::TPoint centre{(area.Left + area.Right) / 2, (area.Top + area.Bottom) / 2};
    const auto at = [&](int dx, int dy) { return ui::TPoint{centre.X + dx, centre.Y + dy}; };
    ui::TWinControl& left = *Guide(*vs, work, drtLeft);
    ui::TWinControl& top = *Guide(*vs, work, drtTop);
    EXPECT_EQ(left.BoundsRect(), (ui::TRect{centre.X - 69, centre.Y - 34, centre.X - 22, centre.Y + 35}));
    EXPECT_EQ(Guide(*vs, work, drtInside)->BoundsRect(), ui::Bounds(centre.X - 22, centre.Y - 21, 43, 43));
    ui::TRegion shape = guides::WhidbeyHitRegions()[drtLeft];
    shape.Offset(-shape.BoundingRect().Left, -shape.BoundingRect().Top);
    EXPECT_TRUE(ui::WindowRegion(left) == shape) << "the window takes the piece's shape";
    ASSERT_FALSE(ui::IntersectRect(left.BoundsRect(), top.BoundsRect()).IsEmpty());

    // Both points lie in both pieces' boxes, on either side of the slanted edge between them.
    MoveTo(at(-26, -27));
    EXPECT_EQ(mover->Place().region, drtTop);
    EXPECT_EQ(vs->Controller(work)->Lit(), drtTop);
    MoveTo(at(-29, -27));
    EXPECT_EQ(mover->Place().region, drtLeft);
    EXPECT_EQ(vs->Controller(work)->Lit(), drtLeft);
    clock->Advance(200);
    EXPECT_EQ(ui::AlphaBlendValue(left), 255);
    EXPECT_EQ(ui::AlphaBlendValue(top), 128);
    MoveTo(at(-40, -30)); // in the left piece's box, outside every piece
    EXPECT_EQ(mover->Place().target, nullptr);
    MoveTo(at(-29, -27));
    clock->Advance(200);
    SaveGrab("drag-whidbey-guides.png");
    Release(at(-29, -27));
    EXPECT_EQ(
        Shape(site->Root()),
        "1(2(Output Work area Schema browser) 3(Watch list Breakpoint list Call stack Local variables))");
}

TEST_F(DockMoverTest, TheMoverFadesByTheOptionsOfItsStyle) {
    ui::TManualClockScope clock;
    TvzVS2005Mover* vs = UseGuidedStyle(true);
    drag::TvzVS2005DockingStyle& style = vs->Style();
    ASSERT_EQ(&style, &manager->DockingStyle());
    // Set after the mover was made: it reads them from its style when a drag needs them.
    style.DockZone() = {.transparency = 0, .activeTransparency = 200, .fadeInDelay = 50, .fadeOutDelay = 100};
    style.ActiveDockZone() = {
        .transparency = 64, .activeTransparency = 240, .fadeInDelay = 0, .fadeOutDelay = 250};
    TvzDockingControl* work = panels["Work area"];
    PressAndPull(panels["Output"]);
    ui::TWinControl& left = *Guide(*vs, work, drtLeft);
    EXPECT_EQ(ui::AlphaBlendValue(left), 200) << "the flash";
    MoveTo(Inside(work, 30, 40));
    clock->Advance(25);
    EXPECT_EQ(ui::AlphaBlendValue(left), 150) << "out in four ticks";
    clock->Advance(75);
    EXPECT_FALSE(left.Visible());
    MoveTo(Inside(work, 32, 40));
    clock->Advance(25);
    EXPECT_EQ(ui::AlphaBlendValue(left), 64) << "a fade of no time takes one tick";
    const ui::TRect box = left.BoundsRect();
    MoveTo({box.Left + 10, box.Top + 20});
    clock->Advance(25);
    EXPECT_EQ(ui::AlphaBlendValue(left), 240);
    ui::GetCaptureControl()->Perform(ui::WM_KEYDOWN, ui::VK_ESCAPE, 0);

    style.SetFlashZonesOnStart(false);
    PressAndPull(panels["Output"]);
    EXPECT_FALSE(Guide(*vs, work, drtLeft)->Visible()) << "no flash";
    ui::GetCaptureControl()->Perform(ui::WM_KEYDOWN, ui::VK_ESCAPE, 0);
}

TEST_F(DockMoverTest, TheGuidesFadeInAndAHoveredGuideTurnsOpaque) {
    ui::TManualClockScope clock;
    TvzVS2005Mover* vs = UseGuidedStyle();
    TvzDockingControl* work = panels["Work area"];
    PressAndPull(panels["Output"]);
    MoveTo(Inside(work, 30, 40));
    ui::TWinControl& left = *Guide(*vs, work, drtLeft);
    ui::TWinControl& inside = *Guide(*vs, work, drtInside);
    ASSERT_TRUE(left.Visible());
    EXPECT_EQ(ui::AlphaBlendValue(left), 0) << "a guide starts invisible";
    clock->Advance(25);
    EXPECT_EQ(ui::AlphaBlendValue(left), 16) << "0 to 128 in eight steps";
    clock->Advance(175);
    EXPECT_EQ(ui::AlphaBlendValue(left), 128);
    EXPECT_EQ(ui::AlphaBlendValue(inside), 128);

    const ui::TRect at = left.BoundsRect();
    MoveTo({at.Left + 10, at.Top + 20});
    clock->Advance(25);
    MoveTo({at.Left + 12, at.Top + 20}); // moving on the lit guide does not start its fade again
    EXPECT_EQ(ui::AlphaBlendValue(left), 144);
    clock->Advance(175);
    EXPECT_EQ(ui::AlphaBlendValue(left), 255) << "lit within 200 ms";
    EXPECT_EQ(ui::AlphaBlendValue(inside), 128) << "the others stay half visible";
    ui::TCustomControl* frame = mover->Feedback().TranslucentFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->Visible());
    EXPECT_EQ(frame->BoundsRect(), mover->Place().frame) << "the landing place, filled";
    EXPECT_EQ(ui::AlphaBlendValue(*static_cast<ui::TWinControl*>(frame)), 128);
    EXPECT_FALSE(mover->Feedback().Bar(0).Visible()) << "no outline beside it";
    SaveGrab("drag-guide-lit.png");

    MoveTo(Inside(work, 30, 40));
    clock->Advance(225);
    EXPECT_LT(ui::AlphaBlendValue(left), 255);
    EXPECT_GT(ui::AlphaBlendValue(left), 128);
    clock->Advance(25);
    EXPECT_EQ(ui::AlphaBlendValue(left), 128) << "back to half visibility within 250 ms";

    Release(Inside(work, 30, 40));
    EXPECT_EQ(vs->Controller(work), nullptr);
    EXPECT_FALSE(mover->Feedback().TranslucentFrame()->Visible());
}

TEST_F(DockMoverTest, GuidesTheCursorLeavesBehindFadeOutOverASecond) {
    ui::TManualClockScope clock;
    TvzVS2005Mover* vs = UseGuidedStyle();
    TvzDockingControl* work = panels["Work area"];
    TvzDockingControl* watches = panels["Watch list"];
    PressAndPull(panels["Output"]);
    MoveTo(Inside(work, 30, 40));
    clock->Advance(200);
    ui::TWinControl& workLeft = *Guide(*vs, work, drtLeft);
    ui::TWinControl& outer = *Guide(*vs, site->Root(), drtDetachedLeft);
    ASSERT_EQ(ui::AlphaBlendValue(workLeft), 128);
    ASSERT_EQ(ui::AlphaBlendValue(outer), 128);

    MoveTo(Inside(watches, 30, 40)); // the root stays in the chain, the work area leaves it
    clock->Advance(25);
    EXPECT_EQ(ui::AlphaBlendValue(workLeft), 125);
    EXPECT_EQ(ui::AlphaBlendValue(*Guide(*vs, watches, drtLeft)), 16);
    EXPECT_EQ(ui::AlphaBlendValue(outer), 128);
    clock->Advance(950);
    EXPECT_TRUE(workLeft.Visible()) << "still fading";
    clock->Advance(25);
    EXPECT_EQ(ui::AlphaBlendValue(workLeft), 0);
    EXPECT_FALSE(workLeft.Visible());
    EXPECT_EQ(ui::AlphaBlendValue(*Guide(*vs, watches, drtLeft)), 128);

    // With the drag key no guide is offered: all of them go.
    MoveTo(Inside(watches, 30, 40), ui::MK_LBUTTON | ui::MK_CONTROL);
    clock->Advance(1000);
    EXPECT_FALSE(outer.Visible());
    EXPECT_FALSE(Guide(*vs, watches, drtLeft)->Visible());
    ui::GetCaptureControl()->Perform(ui::WM_KEYDOWN, ui::VK_ESCAPE, 0);
}

TEST_F(DockMoverTest, ADragFlashesEveryGuideUntilTheMouseHasMovedByTheThreshold) {
    ui::TManualClockScope clock;
    TvzVS2005Mover* vs = UseGuidedStyle(true);
    TvzDockingControl* output = panels["Output"];
    TvzDockingControl* work = panels["Work area"];
    PressAndPull(output);
    const std::vector<ui::TWinControl*> guides = AllGuides(*vs);
    ASSERT_EQ(guides.size(), 5u * 3 + 4)
        << "the compasses of the three panels in front, the root's outer guides";
    for (ui::TWinControl* guide : guides) {
        EXPECT_TRUE(guide->Visible());
        EXPECT_EQ(ui::AlphaBlendValue(*guide), 128);
    }
    SaveGrab("drag-guides-flash.png");

    // The drag starts where the caption was pressed.
    const ui::TPoint start = output->ClientToScreen({12, output->CaptionHeight() / 2});
    MoveTo({start.X + 6, start.Y + 4}); // 7.2 px
    clock->Advance(1000);
    EXPECT_EQ(ui::AlphaBlendValue(*guides.front()), 128) << "below the threshold the flash stays";
    EXPECT_EQ(vs->Controller(site->Root())->Lit(), drtNone);

    MoveTo(Inside(work, 30, 40));
    clock->Advance(25);
    for (ui::TWinControl* guide : guides)
        EXPECT_EQ(ui::AlphaBlendValue(*guide), 125) << "all fade out over a second";
    MoveTo(Inside(work, 32, 40)); // now the panel under the cursor shows its guides
    clock->Advance(200);
    EXPECT_EQ(ui::AlphaBlendValue(*Guide(*vs, work, drtLeft)), 128);
    EXPECT_LT(ui::AlphaBlendValue(*Guide(*vs, panels["Watch list"], drtLeft)), 125);
    ui::GetCaptureControl()->Perform(ui::WM_KEYDOWN, ui::VK_ESCAPE, 0);

    // Started with the drag key held, the drag flashes nothing.
    // The keyboard state is what the last input event said.
    const auto modifiers = [&](Qt::KeyboardModifiers held) {
        QMouseEvent move(QEvent::MouseMove, QPointF(1, 1), QPointF(1, 1), Qt::NoButton, Qt::NoButton, held);
        QCoreApplication::sendEvent(form->Widget(), &move);
    };
    modifiers(Qt::ControlModifier);
    ASSERT_TRUE(ui::KeyboardShiftState().Contains(ui::ssCtrl));
    PressAndPull(output, ui::MK_LBUTTON | ui::MK_CONTROL);
    ASSERT_TRUE(mover->Active());
    ASSERT_EQ(AllGuides(*vs).size(), guides.size());
    for (ui::TWinControl* guide : AllGuides(*vs))
        EXPECT_FALSE(guide->Visible());
    ui::GetCaptureControl()->Perform(ui::WM_KEYDOWN, ui::VK_ESCAPE, 0);
    modifiers(Qt::NoModifier);
}

TEST_F(DockMoverTest, TheFrameOptionsReachTheFrameShownAndTheTransparencyTheNextDrag) {
    TvzVS2005Mover* vs = UseGuidedStyle();
    TvzVS2005DockingFrameOptions& options = vs->Style().DockingFrame();
    TvzDockingControl* work = panels["Work area"];
    PressAndPull(panels["Output"]);
    const ui::TRect left = Guide(*vs, work, drtLeft)->BoundsRect();
    MoveTo({left.Left + 10, left.Top + 20});
    TvzTranslucentFrame& frame = *mover->Feedback().TranslucentFrame();
    ASSERT_TRUE(frame.Visible());
    const auto pixel = [&](int x, int y) { return frame.Widget()->grab().toImage().pixelColor(x, y); };
    EXPECT_EQ(pixel(1, 1), QColor(Qt::white)) << "the border";
    EXPECT_EQ(pixel(20, 20), QColor(0, 120, 215)) << "filled in the highlight colour";

    options.SetBrush(ui::clRed);
    options.SetBorderSize(0);
    EXPECT_EQ(frame.Look().borderSize, 1) << "at least one pixel";
    EXPECT_EQ(pixel(20, 20), QColor(Qt::red)) << "a frame already shown takes the new brush";
    EXPECT_EQ(pixel(1, 1), QColor(Qt::red));
    options.SetBorderSize(11);
    EXPECT_EQ(options.BorderSize(), 10);
    EXPECT_EQ(pixel(9, 9), QColor(Qt::white));

    std::vector<TvzCustomPaintStage> stages;
    options.OnCustomPaint = [&](ui::TObject* sender, ui::TCanvas* canvas, const ui::TRegion& region,
                                const ui::TRect& rect, TvzCustomPaintStage stage, bool& defaultDrawing) {
        EXPECT_EQ(sender, &frame);
        EXPECT_EQ(rect, frame.ClientRect());
        EXPECT_TRUE(region == ui::TRegion(rect));
        stages.push_back(stage);
        if (stage != cpsBefore) return;
        defaultDrawing = false;
        canvas->Brush()->SetColor(ui::clBlack);
        canvas->FillRect(rect);
    };
    EXPECT_EQ(pixel(20, 20), QColor(Qt::black)) << "the handler drew instead";
    EXPECT_EQ(stages, (std::vector<TvzCustomPaintStage>{cpsBefore, cpsAfter}));
    options.OnCustomPaint = nullptr;

    options.SetTransparency(200);
    EXPECT_EQ(ui::AlphaBlendValue(frame), 128) << "not during this drag";
    Release(Inside(work, 30, 40));
    PressAndPull(panels["Schema browser"]);
    EXPECT_EQ(ui::AlphaBlendValue(frame), 200) << "the next drag";
    ui::GetCaptureControl()->Perform(ui::WM_KEYDOWN, ui::VK_ESCAPE, 0);
}

TEST_F(DockMoverTest, TheInsideGuideOfAPanelWithoutTabsShowsANewTabPage) {
    TvzVS2005Mover* vs = UseGuidedStyle();
    TvzDockingControl* work = panels["Work area"];
    PressAndPull(panels["Output"]);
    const ui::TRect inside = Guide(*vs, work, drtInside)->BoundsRect();
    MoveTo({inside.Left + 20, inside.Top + 20});
    ASSERT_EQ(mover->Place().region, drtInside);
    const ui::TRect frame = mover->Place().frame;
    EXPECT_EQ(frame, work->ScreenRect());
    const int strip = manager->Style()->GetTabPaneHeight(uistyle::TvzImage{manager->Images(), -1, false});
    EXPECT_TRUE(mover->Place().shape ==
                guides::PageWithTab(frame, strip, manager->Style()->TabIndent(), true));
    TvzTranslucentFrame& shown = *mover->Feedback().TranslucentFrame();
    ui::TRegion local = mover->Place().shape;
    local.Offset(-frame.Left, -frame.Top);
    EXPECT_TRUE(shown.Shape() == local);
    EXPECT_TRUE(ui::WindowRegion(shown) == local) << "the window takes the shape";
    EXPECT_FALSE(local.Contains({frame.Width() - 5, frame.Height() - 5})) << "beside the tab";
    SaveGrab("drag-inside-page.png");

    // Inside a panel that already lies in a tab container the frame stays whole.
    const ui::TRect besideWatches = Guide(*vs, panels["Watch list"], drtInside)->BoundsRect();
    MoveTo({besideWatches.Left + 20, besideWatches.Top + 20});
    ASSERT_EQ(mover->Place().region, drtInside);
    EXPECT_TRUE(mover->Place().shape.IsEmpty());
    EXPECT_TRUE(ui::WindowRegion(shown).IsEmpty());
    ui::GetCaptureControl()->Perform(ui::WM_KEYDOWN, ui::VK_ESCAPE, 0);
}

TEST_F(DockMoverTest, TheGuidedStylePreviewsATabDropWithAPlaceholderTab) {
    UseGuidedStyle();
    auto* tabs = static_cast<TvzInsideContainer*>(panels["Watch list"]->Container());
    constexpr int P = tabs::kPlaceholder;
    PressAndPull(panels["Output"]);
    MoveTo(OnTab(*tabs, 2, 0.25));
    EXPECT_EQ(mover->Place().region, drtInsideBefore) << "off the guides the strip still takes it";
    EXPECT_EQ(tabs->Preview(), (std::vector<int>{0, 1, P, 2, 3}));
    EXPECT_EQ(tabs->DropMark(), -2) << "a placeholder, not a mark";
    SaveGrab("drag-tab-placeholder.png");
    MoveTo(OnTab(*tabs, 2, 0.75));
    EXPECT_EQ(tabs->Preview(), (std::vector<int>{0, 1, 2, P, 3}));
    MoveTo(Inside(panels["Work area"], 30, 40));
    EXPECT_TRUE(tabs->Preview().empty()) << "the strip is itself again";
    ui::GetCaptureControl()->Perform(ui::WM_KEYDOWN, ui::VK_ESCAPE, 0);

    // A tab dragged along its own strip is taken out of the preview.
    PressAndPull(panels["Watch list"]);
    const ui::TPoint onCallStack = OnTab(*tabs, 2, 0.75);
    MoveTo(onCallStack);
    EXPECT_EQ(tabs->Preview(), (std::vector<int>{1, 2, P, 3}));
    Release(onCallStack);
    EXPECT_TRUE(tabs->Preview().empty());
    EXPECT_EQ(Shape(tabs), "3(Breakpoint list Call stack Watch list Local variables)");
}

TEST_F(DockMoverTest, DataDraggedInFromAnotherProgramBringsTheTabItRestsOnToFront) {
    ui::TManualClockScope clock;
    auto* tabs = static_cast<TvzInsideContainer*>(panels["Watch list"]->Container());
    QWidget* window = site->Widget();
    ASSERT_FALSE(window->acceptDrops()) << "only when the manager lets it";
    manager->SetOleDropEnabled(true);
    ASSERT_TRUE(window->acceptDrops());

    QMimeData text;
    text.setText("SELECT 1");
    const auto local = [&](ui::TPoint screen) {
        const ui::TPoint p = site->ScreenToClient(screen);
        return QPoint(p.X, p.Y);
    };
    const auto drag = [&](QEvent::Type type, ui::TPoint screen) {
        QDragMoveEvent event(local(screen), Qt::CopyAction | Qt::MoveAction, &text, Qt::LeftButton,
                             Qt::NoModifier, type);
        QCoreApplication::sendEvent(window, &event);
        EXPECT_EQ(event.dropAction(), Qt::IgnoreAction) << "the data is never taken";
        return event.isAccepted();
    };
    QDragEnterEvent enter(local(OnTab(*tabs, 2, 0.5)), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    EXPECT_TRUE(enter.isAccepted()) << "entered, so that the moves come";
    EXPECT_FALSE(drag(QEvent::DragMove, OnTab(*tabs, 2, 0.5))) << "but nowhere a drop";
    clock->Advance(300);
    drag(QEvent::DragMove, OnTab(*tabs, 2, 0.8)); // on the same tab the wait goes on
    clock->Advance(199);
    EXPECT_EQ(tabs->CurrentTab(), 0);
    clock->Advance(1);
    EXPECT_EQ(tabs->CurrentTab(), 2) << "Call stack after 500 ms";

    drag(QEvent::DragMove, OnTab(*tabs, 1, 0.5));
    clock->Advance(400);
    drag(QEvent::DragMove, OnTab(*tabs, 3, 0.5)); // another tab starts the wait again
    clock->Advance(400);
    EXPECT_EQ(tabs->CurrentTab(), 2);
    clock->Advance(100);
    EXPECT_EQ(tabs->CurrentTab(), 3);

    drag(QEvent::DragMove, OnTab(*tabs, 0, 0.5));
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(window, &leave);
    clock->Advance(1000);
    EXPECT_EQ(tabs->CurrentTab(), 3) << "a drag that left brings nothing to front";

    manager->SetOleDropEnabled(false);
    EXPECT_FALSE(window->acceptDrops());
}

TEST_F(DockMoverTest, WhileTheSetupDialogIsOpenTheGuidedStyleDocksOnlyInTheMainSite) {
    TvzVS2005Mover guided(manager, std::make_shared<drag::TvzVS2005DockingStyle>());
    TvzDockingControl* floated = panels["Call stack"];
    floated->Float(ui::Bounds(100, 100, 200, 150));
    ui::GetParentForm(floated)->Show();
    uitest::ProcessEvents();
    const ui::TPoint onFloating = Middle(floated);
    const ui::TPoint onMain = Middle(panels["Work area"]);
    const auto onFloatingSite = [&](const TvzMover& m) {
        TvzCustomDockingControl* under = m.ControlAt(onFloating);
        return under && under->ParentSite()->IsFloating();
    };
    ASSERT_TRUE(onFloatingSite(guided));

    TvzDockingManagerCustomizer& customizer = DockingCustomizer();
    customizer.Customize(manager, true, "Panels");
    ASSERT_TRUE(customizer.IsCustomizing());
    EXPECT_FALSE(onFloatingSite(guided)) << "the floating form is passed over";
    EXPECT_EQ(guided.ControlAt(onMain), panels["Work area"]);
    EXPECT_TRUE(onFloatingSite(*mover)) << "the plain style looks everywhere";

    customizer.Customize(manager, false, "");
    uitest::ProcessEvents();
    EXPECT_TRUE(onFloatingSite(guided));
}

} // namespace
} // namespace docking::testing
