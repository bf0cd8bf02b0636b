// The base of the windows that host one docking tree each.
#pragma once

#include "docking/vzDockKeys.h"
#include "docking/vzDockLayout.h"
#include "platform/ui/Controls.h"

#include <functional>

// Windows that host one docking tree each.
namespace docking {

class TvzCustomDockingControl;
class TvzCustomDockingManager;
class TvzOleDropAcceptor;

class TvzCustomDockingSite : public ui::TCustomControl {
public:
    explicit TvzCustomDockingSite(ui::TComponent* owner);
    ~TvzCustomDockingSite() override;

    const TGuid& Key() const { return key_; }
    void SetKey(const TGuid& key) { key_ = key; }
    // The layout's class identifier: 0 docking site, 1 floating site.
    virtual int TypeId() const { return 0; }
    virtual bool IsFloating() const { return false; }
    virtual bool IsHoldingSite() const { return false; }

    TvzCustomDockingManager* DockingManager() const { return manager_; }
    void SetDockingManager(TvzCustomDockingManager* manager);
    int SiteId() const { return siteId_; }

    // The control at the top of the tree, none when empty.
    TvzCustomDockingControl* Root() const;
    // Makes `control` the root (none empties the site); the old root goes to the holding site.
    virtual void SetRoot(TvzCustomDockingControl* control);

    // Whether the site takes or gives up a control in a docking operation.
    virtual bool CanDock(TvzCustomDockingControl* control);
    virtual bool CanUndock(TvzCustomDockingControl* control);
    // The same, raising "Docking is not allowed" on refusal.
    void CheckCanDock(TvzCustomDockingControl* control);
    void CheckCanUndock(TvzCustomDockingControl* control);
    virtual bool CanAutoHide(TvzCustomDockingControl*) { return false; }
    virtual bool CanPin(TvzCustomDockingControl*) { return false; }
    // Puts an auto-hidden control into the hide zone of `orientation` (0 left .. 3 bottom), and takes
    // it out again; sites without zones keep none.
    virtual void AddToHideZone(TvzCustomDockingControl*, int /*orientation*/) {}
    virtual void RemoveFromHideZone(TvzCustomDockingControl*) {}
    // Shows (or, without show, hides from its zone) and activates a control of this site.
    virtual void ShowControl(TvzCustomDockingControl* control, bool show, bool activate);
    // Realigns the tree into the client area and repaints.
    virtual void Refresh();
    virtual void ActiveControlChanged() { Invalidate(); }
    // With automatic constraints the site cannot become smaller than its root's minimum size.
    bool AutoConstraints() const { return autoConstraints_; }
    void SetAutoConstraints(bool on) { autoConstraints_ = on; }
    ui::TPoint MinimumSize() const { return minimumSize_; }
    void SetBounds(int left, int top, int width, int height) override;
    // The client area the root takes.
    virtual ui::TRect DockClientRect() const { return ClientRect(); }
    // The site's own part of a layout (hide zones, the floating form's place) and its reading.
    virtual void CollectData(layout::TvzSiteData&) {}
    virtual void ApplyData(const layout::TvzSiteData&) {}
    // Lets every auto-hidden control go, before a layout is read.
    virtual void ClearHideZones() {}

    // The innermost shown control of the tree under a screen point, or none.
    TvzCustomDockingControl* ControlAtPoint(ui::TPoint screen) const;
    // The key of the panel whose tab lies under a screen point (the null key elsewhere); with
    // `activate` that tab comes to front.
    TGuid OleDragHover(ui::TPoint screen, bool activate);
    // Data dragged in from another program may bring tabs to front while the manager allows it and
    // the window exists.
    void UpdateOleDrop();

    std::function<void(TvzCustomDockingSite* sender, TvzCustomDockingControl* control, bool& allow)>
        OnCanDock;
    std::function<void(TvzCustomDockingSite* sender, TvzCustomDockingControl* control, bool& allow)>
        OnCanUndock;

protected:
    void CreateWnd() override;
    void DestroyWnd() override;
    void Paint() override;
    // A site that changes size lays its tree out again.
    void Resize() override;
    // Lays the tree out in `rect`: every control of it is a direct child window of the site.
    virtual void Realign();
    // Lays the tree under `control` out in `rect` of the client area.
    void LayTreeIn(TvzCustomDockingControl* control, const ui::TRect& rect);

private:
    TGuid key_;
    TvzCustomDockingManager* manager_ = nullptr;
    int siteId_ = -1;
    bool autoConstraints_ = true;
    ui::TPoint minimumSize_;
    std::unique_ptr<TvzOleDropAcceptor> oleDrop_; // while registered
};

// The manager's invisible site: every registered control that shows nowhere lives here.
class TvzNullDockingSite : public TvzCustomDockingSite {
public:
    using TvzCustomDockingSite::TvzCustomDockingSite;
    bool IsHoldingSite() const override { return true; }
    // Raises "Docking to invisible control is not allowed".
    bool CanDock(TvzCustomDockingControl* control) override;
    void Refresh() override {}
};

} // namespace docking
