#pragma once

#include "docking/vzDockContainer.h"
#include "docking/vzDockManager.h"
#include "platform/ui/Application.h"
#include "platform/ui/Forms.h"
#include "support/UiTest.h"

#include <memory>
#include <vector>

namespace docking::testing {

// A site that counts its refreshes and lets panels auto-hide and pin.
class CountingSite : public TvzCustomDockingSite {
public:
    using TvzCustomDockingSite::TvzCustomDockingSite;
    int refreshes = 0;
    bool floating = false;
    bool IsFloating() const override { return floating; }
    void Refresh() override {
        ++refreshes;
        TvzCustomDockingSite::Refresh();
    }
    bool CanAutoHide(TvzCustomDockingControl*) override { return true; }
    bool CanPin(TvzCustomDockingControl*) override { return true; }
};

// A container that takes any alignment and maximises by panel state.
class AnyContainer : public TvzCustomDockingContainer {
public:
    using TvzCustomDockingContainer::TvzCustomDockingContainer;
    int TypeId() const override { return 1; }
    bool AlignmentAllowed(TvzAlignment) const override { return true; }
    void MaximizeChild(TvzCustomDockingControl* child) override { child->SetPanelState(1); }
    void RestoreChildren() override {
        for (int i = 0; i < ChildCount(); ++i)
            Children(i)->SetPanelState(0);
    }
};

// A manager whose floating sites are plain counting sites; it remembers where they went.
class TestManager : public TvzCustomDockingManager {
public:
    using TvzCustomDockingManager::TvzCustomDockingManager;
    std::vector<ui::TRect> floats;
    TvzCustomDockingSite* CreateFloatingSite(const ui::TRect& rect, bool) override {
        floats.push_back(rect);
        auto* site = new CountingSite(Owner());
        site->floating = true;
        if (auto* form = dynamic_cast<ui::TWinControl*>(Owner())) site->SetParent(form);
        site->SetBoundsRect(rect);
        site->SetDockingManager(this);
        return site;
    }
    TvzCustomDockingControl* CreateContainer(int typeId) override {
        return typeId == 1 ? new AnyContainer(nullptr) : nullptr;
    }
};

// Records where drags start.
class StubMover : public TvzCustomMover {
public:
    using TvzCustomMover::TvzCustomMover;
    std::vector<TvzCustomDockingControl*> started;
    void StartMove(TvzCustomDockingControl* control, ui::TPoint) override { started.push_back(control); }
};

// A form with a manager and one site filling 400 x 300.
class DockFixture : public uitest::UiTest {
protected:
    void SetUp() override {
        application = std::make_unique<ui::TApplication>();
        form = std::make_unique<ui::TForm>(nullptr);
        form->SetBounds(0, 0, 400, 300);
        manager = new TestManager(form.get());
        site = new CountingSite(form.get());
        site->SetParent(form.get());
        site->SetBounds(0, 0, 400, 300);
        site->SetDockingManager(manager);
    }
    void TearDown() override {
        form.reset();
        application.reset();
    }

    TvzCustomDockingControl* NewPanel(const std::string& caption) {
        auto* panel = new TvzCustomDockingControl(form.get());
        panel->SetCaption(caption);
        return panel;
    }
    // Docks `panel` as the site's root and shows it.
    void DockAsRoot(TvzCustomDockingControl* panel) {
        site->SetRoot(panel);
        panel->ShowInContainer();
    }
    // Two shown panels in a container at the root; answers the container.
    AnyContainer* DockPair(TvzCustomDockingControl* a, TvzCustomDockingControl* b) {
        auto* container = new AnyContainer(nullptr);
        container->SetDockingManager(manager);
        a->SetContainer(container);
        b->SetContainer(container);
        site->SetRoot(container);
        container->ShowInContainer();
        a->ShowInContainer();
        b->ShowInContainer();
        return container;
    }

    std::unique_ptr<ui::TApplication> application; // the screen
    std::unique_ptr<ui::TForm> form;
    TestManager* manager = nullptr;
    CountingSite* site = nullptr;
};

} // namespace docking::testing
