// The node of every docking tree, a panel or a container, and where it was placed.
#pragma once

#include "docking/vzDockActions.h"
#include "docking/vzDockCaptionButtons.h"
#include "docking/vzDockKeys.h"
#include "docking/vzDockTypes.h"
#include "platform/ui/Controls.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The node of every docking tree: a panel or a container.
namespace docking {

class TvzCustomDockingControl;
class TvzCustomDockingContainer;
class TvzCustomDockingSite;
class TvzCustomDockingManager;

// Where a control was docked or floating, to put it back there.
class TvzCustomPlacementInfo {
public:
    explicit TvzCustomPlacementInfo(TvzCustomDockingControl* control) : control_(control) {}
    virtual ~TvzCustomPlacementInfo() = default;

    ui::TPoint position{-1, -1};
    ui::TPoint size{450, 200};
    int state = 0;
    ui::TPoint floatSize{450, 200};
    ui::TPoint floatPosition{-1, -1};
    int floatState = 0;
    int restoreHint = kAutoHideNone;

    // Remembers the current place, while the control is the manager's operation in progress.
    virtual void Record();
    // Shows a placed control; puts a hidden one back, docked when it can, else floating.
    virtual void Restore();
    // Docks the control back where it was; the base cannot.
    virtual bool RestoreDocked() { return false; }
    virtual void RestoreFloating();

protected:
    TvzCustomDockingControl* control_;
};

class TvzCustomDockingControl : public ui::TCustomControl {
public:
    explicit TvzCustomDockingControl(ui::TComponent* owner);
    ~TvzCustomDockingControl() override;

    // ---- Identity ----
    const TGuid& Key() const { return key_; }
    void SetKey(const TGuid& key);
    // The layout's class identifier: 0 panel, 1 vertical, 2 horizontal, 3 tab container.
    virtual int TypeId() const { return 0; }
    virtual bool IsContainer() const { return false; }

    // ---- Place in the tree ----
    TvzCustomDockingManager* DockingManager() const { return manager_; }
    virtual void SetDockingManager(TvzCustomDockingManager* manager);
    TvzCustomDockingContainer* Container() const { return container_; }
    virtual void SetContainer(TvzCustomDockingContainer* container);
    int SiteId() const { return siteId_; }
    void SetSiteId(int id);
    TvzCustomDockingSite* ParentSite() const;
    void SetParent(ui::TWinControl* parent) override;
    TvzDockState DockState() const;
    bool AutoHidden() const { return autoHideRoot_ != nullptr; }
    TvzCustomDockingControl* AutoHideRoot() const { return autoHideRoot_; }

    // ---- Children (containers have them) ----
    virtual int ChildCount() const { return static_cast<int>(children_.size()); }
    // Raises "Invalid index %d (%d items total)" out of range.
    TvzCustomDockingControl* Children(int index) const;
    int IndexOfChild(const TvzCustomDockingControl* child) const;
    virtual int AddChild(TvzCustomDockingControl*) { return -1; }
    virtual int InsertChild(TvzCustomDockingControl* /*sibling*/, bool /*after*/, TvzCustomDockingControl*) {
        return -1;
    }
    virtual void RemoveChild(TvzCustomDockingControl*, int /*index*/) {}
    virtual void MaximizeChild(TvzCustomDockingControl*) {}
    virtual void RestoreChildren() {}
    virtual bool AlignmentAllowed(TvzAlignment alignment) const { return alignment == alnClient; }
    virtual bool AllowsMaximize() const { return false; }
    virtual bool IsChildShowing(const TvzCustomDockingControl*) const { return true; }
    virtual void ShowChild(TvzCustomDockingControl*) {}
    // A container that auto-hides as a whole with this child.
    virtual bool AutoHidesWithChild(const TvzCustomDockingControl*) const { return false; }
    // Collapses what has become needless (containers); the base refreshes.
    virtual void Rearrange();

    // ---- Caption and look ----
    virtual std::string Caption() const { return caption_; }
    virtual void SetCaption(const std::string& caption);
    TvzBooleanValue ShowCaption() const { return showCaption_; }
    void SetShowCaption(TvzBooleanValue value);
    bool DefaultCaptionVisible() const { return defaultCaptionVisible_; }
    void SetDefaultCaptionVisible(bool visible);
    virtual bool CaptionVisible() const;
    int CaptionHeight() const;
    ui::TRect CaptionRect() const { return {0, 0, ClientWidth(), CaptionHeight()}; }
    // The client area below the caption, where the panel's own controls go.
    ui::TRect ContentRect() const;
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    TvzBooleanValue ShowImage() const { return showImage_; }
    void SetShowImage(TvzBooleanValue value);
    virtual bool ShowsImage() const;
    // 3 disabled; the active control 4 (2 while the application is inactive); else 1 over the text, 0.
    int CaptionPaintState() const;
    TvzDockCaptionButtons& CaptionButtons() { return *captionButtons_; }
    TvzDockMenu* PopupMenu() const { return menu_; }

    // ---- Geometry ----
    const ui::TRect& ScreenRect() const { return screenRect_; }
    // Stores the rectangle, grown to the minimum size.
    void SetScreenRect(const ui::TRect& rect);
    // Applies the rectangle to the window.
    virtual void UpdateBounds();
    int PanelState() const { return panelState_; }
    void SetPanelState(int state);
    TvzAlignment Alignment() const { return alignment_; }
    void SetAlignment(TvzAlignment alignment);
    int MinWidth() const { return minWidth_; }
    int MinHeight() const { return minHeight_; }
    void SetMinWidth(int width);
    void SetMinHeight(int height);
    virtual int MinimumWidth() const;
    virtual int MinimumHeight() const;
    TvzCustomPlacementInfo& Placement() { return *placement_; }
    int AutoHideOrientation() const { return autoHideOrientation_; }
    // The zone an auto-hide would choose: the stored one, the container's, the alignment's, else the
    // edge nearest to the control.
    virtual int GetAutoHideOrientation(const TvzCustomDockingControl* forControl) const;

    // ---- Operations ----
    bool Visible() const { return visible_; }
    TvzControlStateFlags StateFlags() const { return stateFlags_; }
    // Raises "Invalid docking control state" when any of `flags` is set.
    void CheckState(TvzControlStateFlags flags) const;
    // Hides with the close query; false when refused.
    bool Hide(bool force = false);
    bool Close(bool force);
    void Show();
    void MakeVisible();
    void Float(const ui::TRect& rect, int windowState = 0);
    void ShowInContainer();
    void ReplaceWith(TvzCustomDockingControl* other);
    void SetFocus() override;
    bool IsDragShift(ui::TShiftState shift) const;
    virtual void StartDrag();
    // Takes the control out of its place; false when its site keeps it.
    bool Detach(bool force);
    // Moves the control into its site's hide zone of `orientation` (kAutoHideNone: the one it would
    // choose); nothing when it is hidden, already auto-hidden or the site refuses.
    void AutoHide(int orientation);
    // Becomes the auto-hide root of its subtree in `site`'s hide zone of `orientation`.
    void EnterHideZone(TvzCustomDockingSite* site, int orientation);
    // Docks an auto-hidden control back where it was before it was hidden.
    void Pin();
    // Auto-hides or pins; a child that its container auto-hides with switches the container.
    void SetAutoHide(bool on);
    // The auto-hide root leaves its zone, docked back where it was or (without restore) hidden.
    void LeaveHideZone(bool restore);

    // ---- Commands ----
    TvzCustomDockAction* Actions(int id) const;
    virtual void UpdateActionStates();
    void ExecuteDefaultAction(TvzDefaultDockAction& action);
    void ExecuteAlign(TvzAlignDockAction& action);
    void ExecuteRename();
    // Shows the popup menu at a screen point; (-1, -1) is the cursor.
    void PopupDockMenu(ui::TPoint point);
    int DoubleClickCommand() const { return doubleClickCommand_; }
    void SetDoubleClickCommand(int id) { doubleClickCommand_ = id; }

    // ---- Events ----
    virtual void Changed(TvzDockControlChange change);
    virtual void ChildChanged(TvzDockControlChange change);
    virtual void DoDock(int index, TvzCustomDockingControl* child);
    virtual void DoUndock(int index, TvzCustomDockingControl* child);
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoHideEx();
    virtual bool DoCloseQuery(bool remember);
    virtual bool DoCaptionPopup(ui::TPopupMenu* menu, ui::TPoint point);
    virtual void DoPopupMenuCreate();

    ui::TNotifyEvent OnShow;
    ui::TNotifyEvent OnHide;
    std::function<void(ui::TObject* sender, TvzHideAction& action)> OnHideEx;
    std::function<void(ui::TObject* sender, bool& canClose)> OnCloseQuery;
    std::function<void(ui::TObject* sender, TvzDockControlChange change)> OnChange;
    std::function<void(TvzCustomDockingControl* sender, ui::TPopupMenu* menu, bool& allow)> OnCaptionPopup;
    std::function<void(TvzCustomDockingControl* sender, ui::TPopupMenu* menu)> OnPopupMenuCreate;
    ui::TNotifyEvent OnUpdateActions;
    std::function<void(TvzCustomDockingControl* sender, int& orientation)> OnAutoHideCalc;
    // A drag of the control begins: the handler may move the frame and change its size.
    std::function<void(TvzCustomDockingControl* sender, ui::TRect& frame, ui::TPoint& size)> OnStartDock;
    // A drag ended: docked at `target`, floated (no target), or cancelled and nothing moved.
    std::function<void(TvzCustomDockingControl* sender, TvzCustomDockingControl* target, ui::TPoint point,
                       bool cancelled)>
        OnEndDock;

protected:
    friend class TvzCustomDockingContainer;
    friend class TvzSplitContainer;
    friend class TvzInsideContainer;
    friend class TvzCustomDockingManager;
    void Paint() override;
    virtual void PaintCaption();
    void MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void MouseMove(ui::TShiftState shift, int x, int y) override;
    void MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void DblClick() override;
    void Resize() override;
    void AlignControls(ui::TControl* changed, ui::TRect& rect) override;
    void KeyDown(uint16_t& key, ui::TShiftState shift) override;
    virtual void CreateActions();
    virtual bool SelectNextChild(bool /*forward*/, TvzCustomDockingControl* /*from*/) { return false; }
    bool InCaptionText(ui::TPoint point);
    // The site that decides for this control: its auto-hide root's site, else its parent site.
    TvzCustomDockingSite* DecidingSite() const;
    bool MayUndock() const;

    std::vector<TvzCustomDockingControl*> children_;
    TvzCustomDockingContainer* container_ = nullptr;
    TvzCustomDockingControl* autoHideRoot_ = nullptr;
    TvzCustomDockingSite* autoHideSite_ = nullptr;
    int autoHideOrientation_ = kAutoHideNone;
    TvzControlStateFlags stateFlags_;
    int replaceCount_ = 0;

private:
    void UpdateMinSize();
    void SetAutoHideRoot(TvzCustomDockingControl* root);

    TvzCustomDockingManager* manager_ = nullptr;
    int siteId_ = -1;
    TGuid key_;
    std::string caption_;
    ui::TRect screenRect_;
    ui::TPoint normalSize_;
    std::unique_ptr<TvzCustomPlacementInfo> placement_;
    bool defaultCaptionVisible_ = true;
    TvzBooleanValue showCaption_ = bvDefault;
    TvzBooleanValue showImage_ = bvDefault;
    std::map<int, std::unique_ptr<TvzCustomDockAction>> actions_;
    std::unique_ptr<TvzDockCaptionButtons> captionButtons_;
    TvzDockMenu* menu_ = nullptr;
    int panelState_ = 0;
    int imageIndex_ = -1;
    bool dragPending_ = false;
    ui::TPoint mouseDownPoint_;
    bool visible_ = false;
    int minWidth_ = 0;
    int minHeight_ = 0;
    ui::TPoint minCaptionSize_;
    int doubleClickCommand_ = cmdUndock;
    int closeAnswer_ = 0;
    int insertionIndex_ = -1;
    TvzAlignment alignment_ = alnClient;
    bool mouseOverCaption_ = false;
};

} // namespace docking
