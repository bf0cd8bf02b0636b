#include "DockTestSupport.h"

#include "docking/vzDockTexts.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/ImageList.h"
#include "support/ErrorText.h"

#include <gtest/gtest.h>

namespace docking::testing {
namespace {

using testsupport::ErrorMessageOf;

class DockManagerTest : public DockFixture {};

TEST_F(DockManagerTest, RegisteredPanelsWaitHiddenInTheHoldingSite) {
    TvzCustomDockingControl* panel = NewPanel("Output");
    EXPECT_EQ(panel->DockingManager(), manager);
    EXPECT_EQ(panel->Parent(), manager->HoldingSite());
    EXPECT_EQ(panel->DockState(), dsHidden);
    ASSERT_EQ(manager->Items().PanelCount(), 1);
    EXPECT_EQ(manager->Items().Panels(0), panel);

    DockAsRoot(panel);
    EXPECT_EQ(panel->DockState(), dsDocked);
    EXPECT_EQ(site->Root(), panel);

    delete panel;
    EXPECT_EQ(manager->Items().PanelCount(), 0);
    EXPECT_EQ(site->Root(), nullptr);
}

TEST_F(DockManagerTest, KeysFindPanelsBeforeContainersAndCreateOnlyContainers) {
    TvzCustomDockingControl* panel = NewPanel("Output");
    TvzCustomDockingControl* container = manager->Items().FindOrCreate(1, StringToGuid(kDefaultSiteKey));
    ASSERT_NE(container, nullptr);
    EXPECT_EQ(manager->Items().ContainerCount(), 1);
    container->SetKey(panel->Key());
    EXPECT_EQ(manager->Items().Find(panel->Key()), panel);

    const TGuid unknown = NewGuid();
    EXPECT_EQ(manager->Items().FindOrCreate(0, unknown), nullptr);
    EXPECT_EQ(manager->Items().ContainerCount(), 1);
    EXPECT_EQ(ErrorMessageOf([&] { manager->Items().FindOrCreate(3, unknown); }), texts::sClassContainerNil);
}

TEST_F(DockManagerTest, PanelsListAsTheirCaptions) {
    NewPanel("Watch list");
    NewPanel("Call stack");
    rtl::TStringList list;
    manager->Items().AssignTo(list);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Strings(0), "Watch list");
    EXPECT_EQ(static_cast<TvzCustomDockingControl*>(list.Objects(1))->Caption(), "Call stack");
}

TEST_F(DockManagerTest, KeyPropertiesNeedAMouseButtonAndMustDiffer) {
    EXPECT_EQ(manager->AutoDragKey(), (TvzDockingShiftState{dssCtrl, dssLeft}));
    EXPECT_EQ(manager->AutoDockKey(), (TvzDockingShiftState{dssLeft}));
    EXPECT_EQ(ErrorMessageOf([&] { manager->SetAutoDragKey({dssCtrl}); }), texts::sNoMouseModifier);
    EXPECT_EQ(ErrorMessageOf([&] { manager->SetAutoDragKey({dssLeft}); }), texts::sDragAndDockKeysEqual);
    EXPECT_EQ(ErrorMessageOf([&] {
                  manager->SetAutoDockKey({dssCtrl, dssLeft});
              }),
              texts::sDragAndDockKeysEqual);
    EXPECT_EQ(manager->AutoDragKey(), (TvzDockingShiftState{dssCtrl, dssLeft}));
    manager->SetAutoDragKey({dssShift, dssRight});
    EXPECT_EQ(manager->AutoDragKey(), (TvzDockingShiftState{dssShift, dssRight}));
}

TEST_F(DockManagerTest, NestedUpdatesRefreshTheSiteOnceAtTheOuterEnd) {
    site->refreshes = 0;
    for (int i = 0; i < 10; ++i)
        manager->BeginUpdate(site->SiteId());
    for (int i = 0; i < 9; ++i)
        manager->EndUpdate();
    EXPECT_EQ(site->refreshes, 0);
    manager->EndUpdate();
    EXPECT_EQ(site->refreshes, 1);
    EXPECT_THROW(manager->EndUpdate(), rtl::EAssertionFailed);
}

TEST_F(DockManagerTest, LockHoldsPlainRefreshesButNotTheQueue) {
    site->refreshes = 0;
    manager->Lock();
    manager->RefreshSite(site->SiteId(), false);
    EXPECT_EQ(site->refreshes, 0);
    manager->Unlock();
    manager->RefreshSite(site->SiteId(), false);
    EXPECT_EQ(site->refreshes, 1);
    EXPECT_THROW(manager->Unlock(), rtl::EAssertionFailed);
}

TEST_F(DockManagerTest, AHideAnsweredWithDestroyFreesThePanelAtTheOuterEndUpdate) {
    TvzCustomDockingControl* panel = NewPanel("SQL");
    DockAsRoot(panel);
    bool freed = false;
    manager->OnUnregister = [&](TvzCustomDockingManager*, TvzCustomDockingControl* c) {
        freed |= c == panel;
    };
    panel->OnHideEx = [](ui::TObject*, TvzHideAction& action) { action = haDestroy; };

    manager->BeginUpdate(site->SiteId());
    EXPECT_TRUE(panel->Hide());
    EXPECT_FALSE(freed);
    EXPECT_EQ(panel->DockState(), dsHidden);
    manager->EndUpdate();
    EXPECT_TRUE(freed);
    EXPECT_EQ(manager->Items().PanelCount(), 0);
}

TEST_F(DockManagerTest, AHideRefusedByTheCloseQueryLeavesThePanelInPlace) {
    TvzCustomDockingControl* panel = NewPanel("Monitor");
    DockAsRoot(panel);
    int hides = 0;
    panel->OnHide = [&](ui::TObject*) { ++hides; };
    panel->OnCloseQuery = [](ui::TObject*, bool& canClose) { canClose = false; };
    EXPECT_FALSE(panel->Hide());
    EXPECT_EQ(panel->DockState(), dsDocked);
    EXPECT_TRUE(panel->Visible());
    EXPECT_EQ(hides, 0);

    panel->OnCloseQuery = nullptr;
    EXPECT_TRUE(panel->Hide());
    EXPECT_EQ(panel->DockState(), dsHidden);
    EXPECT_EQ(hides, 1);
}

TEST_F(DockManagerTest, ActiveControlBelongsToThisManager) {
    TestManager other(nullptr);
    auto* stranger = new TvzCustomDockingControl(nullptr);
    stranger->SetDockingManager(&other);
    EXPECT_EQ(ErrorMessageOf([&] { manager->SetActiveControl(stranger); }), texts::sInvalidDockingControl);
    delete stranger;
}

TEST_F(DockManagerTest, FreeingTheCustomButtonImagesClearsTheReference) {
    auto* images = new ui::TCustomImageList(form.get());
    manager->SetCustomButtonImages(images);
    EXPECT_EQ(manager->CustomButtonImages(), images);
    delete images;
    EXPECT_EQ(manager->CustomButtonImages(), nullptr);
}

TEST_F(DockManagerTest, MetricsAnswerTheFixedValues) {
    EXPECT_EQ(manager->Metric(0), 5);
    EXPECT_EQ(manager->Metric(1), 30);
    EXPECT_EQ(manager->Metric(2), 10);
    EXPECT_EQ(manager->Metric(3), 2 * (manager->Style()->GetMetric(2) + 1));
    EXPECT_EQ(manager->Metric(4), 0);
}

TEST_F(DockManagerTest, ANeverDockedPanelMadeVisibleFloatsCentredAt450By200) {
    TvzCustomDockingControl* panel = NewPanel("Call stack");
    panel->MakeVisible();
    ASSERT_EQ(manager->floats.size(), 1u);
    const ui::TRect expected =
        ui::Bounds((ui::Screen->Width() - 450) / 2, (ui::Screen->Height() - 200) / 2, 450, 200);
    EXPECT_EQ(manager->floats[0], expected);
    EXPECT_EQ(panel->DockState(), dsFloating);
    EXPECT_TRUE(panel->Visible());
}

TEST_F(DockManagerTest, TheSiteCannotShrinkBelowItsRootsMinimum) {
    TvzCustomDockingControl* panel = NewPanel("Output");
    DockAsRoot(panel);
    panel->SetMinHeight(120 - panel->CaptionHeight());
    ASSERT_EQ(panel->MinimumHeight(), 120);
    site->Refresh();
    site->SetBounds(0, 0, 400, 50);
    EXPECT_EQ(site->ClientHeight(), 120);
    site->SetAutoConstraints(false);
    site->Refresh();
    site->SetBounds(0, 0, 400, 50);
    EXPECT_EQ(site->ClientHeight(), 50);
}

TEST_F(DockManagerTest, AutoHideChoosesTheZoneByShapeAndPlace) {
    form->Show();
    TvzCustomDockingControl* panel = NewPanel("Output");
    DockAsRoot(panel);
    const ui::TPoint origin = site->ClientOrigin();
    struct Case {
        ui::TRect rect;
        TvzAlignment alignment;
        int orientation;
    };
    const Case cases[] = {
        {ui::Bounds(0, 200, 400, 100), alnClient, 3}, // wide, low: bottom
        {ui::Bounds(0, 0, 400, 100), alnClient, 1},   // wide, at the top: top
        {ui::Bounds(300, 0, 100, 300), alnClient, 2}, // tall, nearer the right: right
        {ui::Bounds(0, 0, 100, 300), alnClient, 0},   // tall, nearer the left: left
        {ui::Bounds(300, 0, 100, 300), alnLeft, 0},   // the alignment decides
    };
    for (const Case& c : cases) {
        panel->SetAlignment(c.alignment);
        panel->SetScreenRect(
            ui::Bounds(origin.X + c.rect.Left, origin.Y + c.rect.Top, c.rect.Width(), c.rect.Height()));
        EXPECT_EQ(panel->GetAutoHideOrientation(nullptr), c.orientation) << c.rect.Left << "," << c.rect.Top;
    }
}

} // namespace
} // namespace docking::testing
