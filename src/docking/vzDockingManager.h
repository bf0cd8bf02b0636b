// The docking manager of a form: its containers, floating forms and the form's own place.
#pragma once

#include "docking/vzDockingSite.h"
#include "docking/vzDockingStyle.h"
#include "docking/vzDockManager.h"

// The docking manager a form drops on: its containers, floating forms and the form's own place.
namespace docking {

enum TvzDockingStoreOption { dsoFormPosition, dsoFormState, dsoFormConstraints, dsoActiveDockingControl };
using TvzDockingStoreOptions = rtl::Set<TvzDockingStoreOption, 4>;

class TvzDockingManager : public TvzCustomDockingManager {
public:
    // Raises unless the owner is a form without another manager.
    explicit TvzDockingManager(ui::TComponent* owner);

    TvzDockingStoreOptions StoreOptions() const { return storeOptions_; }
    void SetStoreOptions(TvzDockingStoreOptions options) { storeOptions_ = options; }
    // The orientation of the tabs of new tab containers.
    uistyle::TvzTabOrientation TabOrientation() const override { return tabOrientation_; }
    void SetTabOrientation(uistyle::TvzTabOrientation orientation) { tabOrientation_ = orientation; }

    // Floating forms stay above the main form; a change reaches the open floating forms too.
    bool FloatingFormOnTop() const { return floatingFormOnTop_; }
    void SetFloatingFormOnTop(bool onTop);

    // ---- The drag style ----
    // The registered name of the drag style, empty while the native fallback serves.
    const std::string& DockingStyleClassName() const { return dockingStyleName_; }
    // A registered name makes a new style of that class the manager's, with a fresh mover; any
    // other name returns to the fallback. Not during a drag.
    void SetDockingStyleClassName(const std::string& name);
    const drag::TvzDockingStyle& DockingStyle() const;
    drag::TvzDockingStyle& DockingStyle();

    TvzCustomDockingControl* CreateContainer(int typeId) override;
    TvzCustomDockingSite* CreateFloatingSite(const ui::TRect& rect, bool clientArea) override;
    ui::TCustomForm* Form() const;

protected:
    bool KeepsFormPlacement() const override { return true; }
    layout::TvzFormPlacementData CollectFormPlacement() override;
    void ApplyFormPlacement(const layout::TvzFormPlacementData& data) override;

private:
    TvzDockingStoreOptions storeOptions_;
    uistyle::TvzTabOrientation tabOrientation_ = uistyle::dtoTop;
    bool floatingFormOnTop_ = false;
    std::string dockingStyleName_;
    std::shared_ptr<drag::TvzDockingStyle> dockingStyle_;
    drag::TvzNativeDockingStyle fallbackStyle_;
};

// The placement mask of store options: 1 position, 2 state, 4 constraints, 8 active control.
uint8_t StoreMask(TvzDockingStoreOptions options);

} // namespace docking
