// The form's docking site, floating forms with their sites, and keeping forms on a display.
#pragma once

#include "docking/vzDockAutoHide.h"
#include "docking/vzDockPanel.h"
#include "docking/vzDockSite.h"
#include "platform/ui/Forms.h"

// The form's docking site, the floating form with its site, and the clamping of a form to a display.
namespace docking {

// `bounds` moved onto the display nearest to it (its work area's top-left when it lies outside) and
// clipped to that work area.
ui::TRect ClampToWorkArea(const ui::TRect& bounds, const ui::TRect& workArea);
// A floating form's `bounds` kept reachable on `workArea`: no larger than it, at least 30 px of it
// inside across, and its caption bar (`captionHeight` high) between the area's top and bottom.
ui::TRect KeepReachable(const ui::TRect& bounds, const ui::TRect& workArea, int captionHeight);

class TvzDockingSite : public TvzCustomDockingSite {
public:
    // Raises when the owner is no form or already has a docking site.
    explicit TvzDockingSite(ui::TComponent* owner);
    ~TvzDockingSite() override;

    // Raises when the manager already has another docking site.
    void AssociateManager(TvzCustomDockingManager* manager);
    // Shown while the site holds no panel.
    TvzWorkspaceControl* Workspace() const { return workspace_; }
    void SetRoot(TvzCustomDockingControl* control) override;
    void Refresh() override;
    void CollectData(layout::TvzSiteData& data) override;
    void ApplyData(const layout::TvzSiteData& data) override;
    void ClearHideZones() override;

    // ---- Hide zones ----
    // A panel auto-hides unless it takes a split container's client part; containers do not.
    bool CanAutoHide(TvzCustomDockingControl* control) override;
    bool CanPin(TvzCustomDockingControl* control) override;
    void AddToHideZone(TvzCustomDockingControl* control, int orientation) override;
    void RemoveFromHideZone(TvzCustomDockingControl* control) override;
    // An auto-hidden control slides out of its zone, or back in.
    void ShowControl(TvzCustomDockingControl* control, bool show, bool activate) override;
    TvzDockingHideZone& HideZone(hidezone::TvzZoneEdge edge) const { return *zones_[edge]; }
    // Which zones take a strip, and how thick.
    hidezone::TvzZoneRing Ring() const;
    // The manager's delays and speeds of the slides.
    hidezone::TvzMotionSettings HideMotion() const;
    // Every zone but `except` hides its panel at once.
    void HideOtherZones(const TvzDockingHideZone* except);
    // The tree takes what the strips leave.
    ui::TRect DockClientRect() const override;

protected:
    void Paint() override;
    void Resize() override;
    void MouseMove(ui::TShiftState shift, int x, int y) override;
    void MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;

private:
    void PlaceWorkspace();
    // A zone gained or lost its last control: strips, tree and tabs move.
    void ZonesChanged();
    TvzDockingHideZone* ZoneOf(const TvzCustomDockingControl* control) const;

    TvzWorkspaceControl* workspace_ = nullptr;
    std::array<std::unique_ptr<TvzDockingHideZone>, hidezone::kZoneCount> zones_;
};

class TvzFloatingForm;

// The site inside a floating form; it goes with its form once its tree has left.
class TvzFloatingSite : public TvzCustomDockingSite {
public:
    explicit TvzFloatingSite(TvzFloatingForm* owner);
    int TypeId() const override { return 1; }
    bool IsFloating() const override { return true; }
    TvzFloatingForm* Form() const;
    void SetRoot(TvzCustomDockingControl* control) override;
    void CollectData(layout::TvzSiteData& data) override;
    void ApplyData(const layout::TvzSiteData& data) override;
};

// A tool window owned by the main form that holds one floating site.
class TvzFloatingForm : public ui::TForm {
public:
    TvzFloatingForm(ui::TComponent* owner, TvzCustomDockingManager* manager);
    TvzFloatingSite* Site() const { return site_; }
    // Every move keeps the form reachable on the display nearest to its top-left corner.
    void SetBounds(int left, int top, int width, int height) override;

protected:
    // Closing hides the tree and frees the form, whatever the handler answered.
    void DoClose(ui::TCloseAction& action) override;

private:
    TvzFloatingSite* site_;
};

} // namespace docking
