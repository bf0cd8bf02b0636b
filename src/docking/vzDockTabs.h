// The tab container: stacked panels and the tab strip that chooses one.
#pragma once

#include "docking/vzDockContainer.h"
#include "docking/vzDockingUI.h"
#include "docking/vzDockTabLayout.h"

// The tab container: its panels lie on top of each other and a strip of tabs chooses one.
namespace docking {

class TvzInsideContainer : public TvzCustomDockingContainer {
public:
    explicit TvzInsideContainer(ui::TComponent* owner);

    int TypeId() const override { return 3; }
    bool AlignmentAllowed(TvzAlignment alignment) const override { return alignment == alnClient; }
    bool AllowsMaximize() const override { return false; }

    int CurrentTab() const { return currentTab_; }
    // Selects tab `index` (out of range: an internal error); with focus the panel takes it.
    void SelectTab(int index, bool focus);
    // A stored current tab; out of range selects the last one.
    void SetCurrentTab(int index) { SelectTab(tabs::ClampCurrentTab(index, ChildCount()), true); }
    uistyle::TvzTabOrientation Orientation() const { return orientation_; }
    void SetOrientation(uistyle::TvzTabOrientation orientation);
    int HotTab() const { return hotTab_; }
    // Where a dragged panel would go in: after tab `DropMark`, -1 before the first tab, -2 nowhere.
    int DropMark() const { return dropMark_; }
    void SetDropMark(int mark);
    // Previews a drop after tab `mark` (-1: before the first; -2 ends the preview): the strip shows
    // a placeholder tab for `dragged` there, without its own tab when it lies in this container.
    void PreviewDrop(int mark, const TvzCustomDockingControl* dragged);
    // The strip as shown, as child indexes with tabs::kPlaceholder; empty while no drop is previewed.
    const std::vector<int>& Preview() const { return preview_; }
    const tabs::TvzTabStripLayout& StripLayout() const { return layout_; }
    uistyle::TvzDockButtonState ScrollLeftState() const { return scrollLeftState_; }
    uistyle::TvzDockButtonState ScrollRightState() const { return scrollRightState_; }
    void ScrollBy(int delta);

    // 0 with fewer than two tabs, else the style's strip height.
    int TabStripHeight() const;
    // The strip in client coordinates: below the caption (top tabs) or at the bottom.
    ui::TRect TabStripRect() const;
    // The tab under a client point, or -1.
    int TabAt(ui::TPoint point) const;
    // The key of the panel whose tab lies under a screen point (the null key off every tab); with
    // `activate` that tab also comes to front.
    TGuid OleDragHover(ui::TPoint screen, bool activate);
    // Lays the strip out again from the style's tab widths.
    void LayoutTabs();
    // The tab list popup: one item per tab, by caption, the current one checked.
    void FillTabList(ui::TMenuItem* parent);
    ui::TPopupMenu* TabListMenu() const { return tabListMenu_; }
    ui::TMenuItem* TabsItem() const { return tabsItem_; }

    void RemoveChild(TvzCustomDockingControl* child, int index) override;
    bool IsChildShowing(const TvzCustomDockingControl* child) const override;
    void ShowChild(TvzCustomDockingControl* child) override;
    int MinimumWidth() const override;
    int MinimumHeight() const override;

protected:
    void DoDock(int index, TvzCustomDockingControl* child) override;
    void ArrangeChildren(const ui::TRect& client) override;
    void Paint() override;
    void MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void MouseMove(ui::TShiftState shift, int x, int y) override;
    // Double clicks on tabs are handled with the press.
    void DblClick() override;
    void MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void Resize() override;
    void ChildChanged(TvzDockControlChange change) override;

private:
    void UpdateChildVisibility();
    std::vector<std::string> TabCaptions() const;
    // The layout of `order` (child indexes, tabs::kPlaceholder for the previewed tab).
    tabs::TvzTabStripLayout LayoutOf(const std::vector<int>& order) const;
    std::vector<int> TabOrder() const;
    std::string TabCaption(int entry) const;
    int ButtonWidth() const;
    void BuildMenu();

    int currentTab_ = -1;
    uistyle::TvzTabOrientation orientation_ = uistyle::dtoTop;
    int firstVisible_ = 0;
    int hotTab_ = -1;
    int dropMark_ = -2;
    std::vector<int> preview_;
    std::string placeholderCaption_;
    tabs::TvzTabStripLayout layout_;
    uistyle::TvzDockButtonState scrollLeftState_ = uistyle::dbsDisabled;
    uistyle::TvzDockButtonState scrollRightState_ = uistyle::dbsDisabled;
    int dragMode_ = 0;
    ui::TPoint mouseDownPoint_;
    ui::TPopupMenu* tabListMenu_ = nullptr;
    ui::TMenuItem* tabsItem_ = nullptr;
};

// A drag resting on one tab brings it to front after kDelay ms; moving to another tab starts the
// wait again.
class TvzTabHover {
public:
    static constexpr uint32_t kDelay = 500;
    // `hover` answers the key of the tab under a screen point and, asked to, activates that tab.
    explicit TvzTabHover(std::function<TGuid(ui::TPoint screen, bool activate)> hover);
    ~TvzTabHover();
    TvzTabHover(const TvzTabHover&) = delete;
    TvzTabHover& operator=(const TvzTabHover&) = delete;

    void Over(ui::TPoint screen);
    // The drag ended or left: nothing comes to front.
    void Leave();

private:
    std::function<TGuid(ui::TPoint, bool)> hover_;
    TGuid key_{};
    ui::TPoint point_;
};

} // namespace docking
