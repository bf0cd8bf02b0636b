// The auto-hide zones of a docking site: the hidden panels, their tabs and the slide-out host.
#pragma once

#include "docking/vzDockHideZone.h"
#include "docking/vzDockSite.h"

#include <memory>
#include <vector>

// The hide zones of a docking site as windows see them: the controls hidden on one edge, their tabs,
// and the host the shown panel slides out in.
namespace docking {

class TvzDockingSite;
class TvzDockingHideZone;

// The window a hidden panel slides out in, over the site's content. Its edge facing the content
// is a splitter.
class TvzAutoHideDockingSite : public TvzCustomDockingSite {
public:
    TvzAutoHideDockingSite(TvzDockingHideZone* zone, TvzCustomDockingSite* site);

    TvzDockingHideZone* Zone() const { return zone_; }
    TvzCustomDockingControl* MainItem() const { return mainItem_; }
    // The panel that shows in the host; the one before goes back to the holding site.
    void SetMainItem(TvzCustomDockingControl* control);
    // Places the host at `bounds`; the panel keeps `hideSize` and stays on the inner edge while it
    // is only partly out.
    void Place(const ui::TRect& bounds, int hideSize);
    // Nothing docks into the host by dragging.
    bool CanDock(TvzCustomDockingControl* control) override;
    bool CanUndock(TvzCustomDockingControl*) override { return true; }
    // Where the panel stands inside the host: all but the splitter, at its full size.
    ui::TRect PanelRect() const;

protected:
    void Paint() override;
    void Realign() override;
    void MouseMove(ui::TShiftState shift, int x, int y) override;

private:
    TvzDockingHideZone* zone_;
    TvzCustomDockingControl* mainItem_ = nullptr;
    int hideSize_ = 0;
};

// One edge of a docking site that holds auto-hidden controls as tabs.
class TvzDockingHideZone {
public:
    TvzDockingHideZone(TvzDockingSite* site, hidezone::TvzZoneEdge edge);
    ~TvzDockingHideZone();
    TvzDockingHideZone(const TvzDockingHideZone&) = delete;
    TvzDockingHideZone& operator=(const TvzDockingHideZone&) = delete;

    hidezone::TvzZoneEdge Edge() const { return edge_; }
    bool Empty() const { return controls_.empty(); }
    const std::vector<TvzCustomDockingControl*>& Controls() const { return controls_; }
    const std::vector<hidezone::TvzHiddenTab>& Tabs() const { return tabs_; }
    TvzCustomDockingControl* TabPanel(int tab) const { return panels_[static_cast<std::size_t>(tab)]; }
    TvzAutoHideDockingSite* Host() const { return host_; }
    hidezone::TvzHideZoneMotion& Motion() { return *motion_; }
    // The panel out of the zone now, none while all are in.
    TvzCustomDockingControl* ShownPanel() const;

    void Add(TvzCustomDockingControl* control);
    void Remove(TvzCustomDockingControl* control);
    // Hides the shown panel and lets every control of the zone go, docked nowhere.
    void Clear();
    // Slides `control` (a hidden tab's panel or a group) out or in.
    void SlideControl(TvzCustomDockingControl* control, bool show, bool immediate);
    // The states of the tabs, and setting them back (read from a layout) for the tabs that exist.
    std::vector<int> TabStates() const;
    void SetTabStates(const std::vector<int>& states);

    ui::TRect StripRect() const;
    void LayoutTabs();
    void Paint(ui::TCanvas& canvas) const;
    // The pointer at a point of the site's client area, moving or pressing.
    void MouseMove(ui::TPoint point);
    void MouseDown(ui::TPoint point);
    // Places the shown host again, after the site changed size.
    void PlaceHost();

private:
    void Rebuild();
    void Process(ui::TPoint point, bool click);
    int Activate(int tab);
    void Enter(int tab);
    void PlaceAt(int extent);
    void Leave();
    int HideSize(int tab) const;
    // The stand-in for a thread-wide mouse hook: the pointer is polled while a tab is hovered or a
    // panel is out, since the panels over the site take its mouse moves.
    void Track(bool on);
    void Poll();

    TvzDockingSite* site_;
    hidezone::TvzZoneEdge edge_;
    std::vector<TvzCustomDockingControl*> controls_;
    std::vector<hidezone::TvzHiddenTab> tabs_;
    std::vector<TvzCustomDockingControl*> panels_; // the leaf panel of each tab
    TvzAutoHideDockingSite* host_;
    std::unique_ptr<hidezone::TvzHideZoneMotion> motion_;
    int hideSize_ = 0;
};

} // namespace docking
