// The registry of a form's docking sites and controls, its settings and its refresh bracket.
#pragma once

#include "docking/vzDockControl.h"
#include "docking/vzDockingUI.h"
#include "docking/vzDockLayout.h"
#include "docking/vzDockPanel.h"
#include "docking/vzDockSite.h"

#include <functional>
#include <map>
#include <memory>
#include <typeindex>
#include <vector>

namespace rtl {
class TStringList;
}

// The registry of a form's docking sites and controls, its settings and its refresh bracket.
namespace docking {

class TvzDocker;
class IvzDockingManagerCustomizer;

// A small service object that belongs to a manager.
class TvzOwnedObject {
public:
    explicit TvzOwnedObject(TvzCustomDockingManager* owner);
    virtual ~TvzOwnedObject() = default;
    TvzCustomDockingManager* Owner() const { return owner_; }

private:
    TvzCustomDockingManager* owner_;
};

// Moves a control that the user drags by its caption.
class TvzCustomMover : public TvzOwnedObject {
public:
    using TvzOwnedObject::TvzOwnedObject;
    virtual void StartMove(TvzCustomDockingControl* control, ui::TPoint screenPoint) = 0;
};

// The manager's registered controls: panels and containers, each list in registration order.
class TvzDockingControls {
public:
    explicit TvzDockingControls(TvzCustomDockingManager* owner) : owner_(owner) {}

    int PanelCount() const { return static_cast<int>(panels_.size()); }
    TvzCustomDockingControl* Panels(int index) const { return panels_.at(index); }
    int ContainerCount() const { return static_cast<int>(containers_.size()); }
    TvzCustomDockingControl* Containers(int index) const { return containers_.at(index); }
    void Register(TvzCustomDockingControl* control);
    void Unregister(TvzCustomDockingControl* control);
    bool Contains(const TvzCustomDockingControl* control) const;
    // Panels first, then containers.
    TvzCustomDockingControl* Find(const TGuid& key) const;
    // The control with the key; else, for a container type, a new registered container with it.
    TvzCustomDockingControl* FindOrCreate(int typeId, const TGuid& key);
    // Frees every panel, last first.
    void Clear();
    // One line per panel: its caption, with the panel as the line's object.
    void AssignTo(rtl::TStringList& list) const;

private:
    TvzCustomDockingManager* owner_;
    std::vector<TvzCustomDockingControl*> panels_;
    std::vector<TvzCustomDockingControl*> containers_;
};

class TvzCustomDockingManager : public ui::TComponent {
public:
    static constexpr int kLayoutVersion = 8;

    explicit TvzCustomDockingManager(ui::TComponent* owner);
    ~TvzCustomDockingManager() override;

    TvzDockingControls& Items() { return items_; }
    TvzCustomDockingSite* HoldingSite() const { return holdingSite_; }

    // ---- Sites ----
    int RegisterSite(TvzCustomDockingSite* site);
    void UnregisterSite(TvzCustomDockingSite* site);
    TvzCustomDockingSite* Site(int id) const;
    TvzCustomDockingSite* FindSite(const TGuid& key) const;
    std::vector<TvzCustomDockingSite*> Sites() const;
    TvzCustomDockingControl* Root(int siteId) const;
    void SetRoot(int siteId, TvzCustomDockingControl* control);

    // ---- Controls ----
    virtual void RegisterControl(TvzCustomDockingControl* control);
    virtual void UnregisterControl(TvzCustomDockingControl* control);
    virtual TvzCustomDockingControl* CreateDockingControl();
    // A new container of the class for `typeId` (1-3), or none.
    virtual TvzCustomDockingControl* CreateContainer(int typeId);
    virtual TvzCustomDockingSite* CreateFloatingSite(const ui::TRect& rect, bool clientArea) = 0;
    // Frees `control` at the end of the outermost update.
    void QueueRelease(TvzCustomDockingControl* control);

    // ---- Refresh bracket ----
    void BeginUpdate(int siteId);
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }
    void Lock() { ++lockCount_; }
    void Unlock();
    bool Unlocked() const { return lockCount_ == 0; }
    void RefreshSite(int siteId, bool rearrange);
    void RefreshAll(bool rearrange, bool repaint);

    // ---- Settings ----
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    TvzDockButtonItems CaptionButtons() const { return captionButtons_; }
    void SetCaptionButtons(TvzDockButtonItems buttons);
    bool ShowDisabledButtons() const { return showDisabledButtons_; }
    void SetShowDisabledButtons(bool show);
    bool ShowDockButtonHint() const { return showDockButtonHint_; }
    void SetShowDockButtonHint(bool show);
    bool AutoDragDocking() const { return autoDragDocking_; }
    void SetAutoDragDocking(bool on);
    // The hint of a drag names the target and the region.
    bool ShowDockingHint() const { return showDockingHint_; }
    void SetShowDockingHint(bool show) { showDockingHint_ = show; }
    // Data dragged in from another program brings the tab it rests on to front.
    bool OleDropEnabled() const { return oleDropEnabled_; }
    void SetOleDropEnabled(bool enabled);
    TvzDockingShiftState AutoDragKey() const { return autoDragKey_; }
    void SetAutoDragKey(TvzDockingShiftState keys);
    TvzDockingShiftState AutoDockKey() const { return autoDockKey_; }
    void SetAutoDockKey(TvzDockingShiftState keys);
    // Auto-hidden panels: the hover delay (0: hovering never opens, only a click does), the slide
    // speeds in pixels per 100 ms (0: no animation), what opens a panel and which tabs show captions.
    uint32_t AutoHideInterval() const { return autoHideInterval_; }
    void SetAutoHideInterval(uint32_t interval);
    uint8_t AutoShowSpeed() const { return autoShowSpeed_; }
    void SetAutoShowSpeed(uint8_t speed);
    uint8_t AutoHideSpeed() const { return autoHideSpeed_; }
    void SetAutoHideSpeed(uint8_t speed);
    TvzAutoHideStartAction AutoHideStartAction() const { return autoHideStartAction_; }
    void SetAutoHideStartAction(TvzAutoHideStartAction action);
    TvzAutoHideCaptions AutoHideCaptions() const { return autoHideCaptions_; }
    void SetAutoHideCaptions(TvzAutoHideCaptions captions);
    TvzContainerTypes ShowContainerCaption() const { return showContainerCaption_; }
    void SetShowContainerCaption(TvzContainerTypes types);
    bool CtrlTabControlSwitch() const { return ctrlTabControlSwitch_; }
    void SetCtrlTabControlSwitch(bool on) { ctrlTabControlSwitch_ = on; }
    ui::TCustomImageList* Images() const { return images_; }
    void SetImages(ui::TCustomImageList* images);
    ui::TCustomImageList* CustomButtonImages() const { return customButtonImages_; }
    void SetCustomButtonImages(ui::TCustomImageList* images);
    // Answers by index: 0 → 5, 1 → 30 (% border of the inside zone), 2 → 10 (drag threshold),
    // 3 → extra minimum caption width, 4 → extra minimum caption height.
    int Metric(int index) const;
    // The side of the close button on tabs: 0 left, 1 right.
    virtual int TabButtonPosition(int /*buttonIndex*/) const { return 0; }

    // ---- The painting style ----
    uistyle::TvzDockingUIStyle* Style() const { return style_; }
    // None gives the manager a private default style again.
    void SetStyle(uistyle::TvzDockingUIStyle* style);

    // ---- State ----
    TvzCustomDockingControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TvzCustomDockingControl* control);
    TvzCustomDockingControl* Operation() const { return operation_; }
    void SetOperation(TvzCustomDockingControl* control) { operation_ = control; }
    bool Loading() const { return loadingLayout_; }
    // Mouse capture for a control (none releases it); refused while busy or inactive.
    bool CaptureMouse(ui::TControl* control);
    void SetMover(std::type_index type, std::unique_ptr<TvzCustomMover> mover);
    // The mover of the control's class, else (and for none) of the base class.
    TvzCustomMover* Mover(const TvzCustomDockingControl* control) const;
    // The docker for the target's class, aimed at the target.
    TvzDocker* Docker(TvzCustomDockingControl* target);
    // The orientation of the tabs of new tab containers.
    virtual uistyle::TvzTabOrientation TabOrientation() const { return uistyle::dtoTop; }

    // ---- Customizing ----
    // The process-wide customizer, taken at creation.
    IvzDockingManagerCustomizer& Customizer() const { return *customizer_; }
    // A control the setup dialog shows on a page of its own, under `caption`.
    struct TvzSetupPage {
        ui::TControl* control;
        std::string caption;
    };
    std::vector<TvzSetupPage>& SetupPages() { return setupPages_; }

    // ---- Layouts ----
    void SaveToStream(rtl::TStream& stream);
    // The stream is read completely first: a bad header, version or block changes nothing.
    void LoadFromStream(rtl::TStream& stream);
    void SaveToFile(const std::string& fileName);
    void LoadFromFile(const std::string& fileName);
    // The binary value "Docking" of `key` in the settings store.
    void SaveToRegistry(const std::string& key);
    void LoadFromRegistry(const std::string& key);
    // The layout as plain data, and the rebuild from it.
    layout::TvzLayoutData CollectLayout();
    void ApplyLayout(const layout::TvzLayoutData& data);
    // One control's block with its subtree, and the control (a registered one with the key, or a new
    // container) set up from a block; none skips the block. Sites use them for their hide zones.
    layout::TvzControlData CollectControl(TvzCustomDockingControl* control);
    TvzCustomDockingControl* ApplyControl(const layout::TvzControlData& data,
                                          const layout::TvzFieldGates& gates, bool placed);
    // The settings store the registry operations use; the user's when empty.
    void SetSettingsPath(const std::string& path) { settingsPath_ = path; }

    std::function<void(TvzCustomDockingManager*, const TGuid& key)> OnBeforeLoadControl;
    std::function<void(TvzCustomDockingManager*, TvzCustomDockingControl*)> OnLoadControl;

    // ---- Notifications from controls ----
    virtual void DoDock(TvzCustomDockingControl* control, TvzCustomDockingControl* child);
    virtual void DoUndock(TvzCustomDockingControl* control, TvzCustomDockingControl* child);
    virtual void DoChange(TvzCustomDockingControl* control, TvzDockControlChange change);
    virtual bool DoRename(TvzCustomDockingControl* control, std::string& caption);
    virtual void DoActiveControlChange();
    virtual void DoShow(TvzCustomDockingControl* control);
    virtual void DoHide(TvzCustomDockingControl* control);
    virtual void DoHideEx(TvzCustomDockingControl* control, TvzHideAction& action);
    virtual void DoCloseQuery(TvzCustomDockingControl* control, bool& allow);
    virtual bool DoCaptionPopup(TvzCustomDockingControl* control, ui::TPopupMenu* menu);
    virtual void DoPopupMenuCreate(TvzCustomDockingControl* control, ui::TPopupMenu* menu);
    virtual void DoUpdateActions(TvzCustomDockingControl* control);

    std::function<void(TvzCustomDockingManager*, TvzCustomDockingControl*, TvzCustomDockingControl*)> OnDock;
    std::function<void(TvzCustomDockingManager*, TvzCustomDockingControl*, TvzCustomDockingControl*)>
        OnUndock;
    std::function<void(TvzCustomDockingManager*, TvzCustomDockingControl*)> OnRegister;
    std::function<void(TvzCustomDockingManager*, TvzCustomDockingControl*)> OnUnregister;
    std::function<void(TvzCustomDockingManager*, TvzCustomDockingControl*, TvzDockControlChange)> OnChange;
    std::function<void(TvzCustomDockingManager*, TvzCustomDockingControl*, std::string&)> OnRename;
    ui::TNotifyEvent OnActiveControlChange;
    std::function<void(TvzCustomDockingManager*, TvzCustomDockingControl*)> OnShow;
    std::function<void(TvzCustomDockingManager*, TvzCustomDockingControl*)> OnHide;
    std::function<void(TvzCustomDockingManager*, TvzCustomDockingControl*, TvzHideAction&)> OnHideEx;
    std::function<void(TvzCustomDockingManager*, TvzCustomDockingControl*, bool&)> OnCloseQuery;
    std::function<void(TvzCustomDockingManager*, TvzCustomDockingControl*, ui::TPopupMenu*, bool&)>
        OnCaptionPopup;
    std::function<void(TvzCustomDockingManager*, TvzCustomDockingControl*, ui::TPopupMenu*)>
        OnPopupMenuCreate;
    std::function<void(TvzCustomDockingManager*, TvzCustomDockingControl*)> OnUpdateActions;
    ui::TNotifyEvent OnStyleChange;
    // A panel going back next to `target` because its own neighbour is gone; drtNone refuses.
    std::function<void(TvzCustomDockingManager*, TvzCustomDockingControl* control,
                       TvzCustomDockingControl* target, ui::TPoint& size, TvzDockingRegionType& region)>
        OnCollision;

protected:
    // A manager that keeps its form's place puts a record of it first.
    virtual bool KeepsFormPlacement() const { return false; }
    virtual layout::TvzFormPlacementData CollectFormPlacement() { return {}; }
    virtual void ApplyFormPlacement(const layout::TvzFormPlacementData&) {}
    // A site of the stream: the registered one with the key, or a new floating site.
    virtual TvzCustomDockingSite* FindOrCreateSite(int typeId, const TGuid& key);
    void Notification(ui::TComponent* component, ui::TOperation operation) override;
    bool Quiet() const { return IsDestroying(); }

    bool loadingLayout_ = false;

private:
    friend class TvzDockingControls;
    static void CheckMouseButton(TvzDockingShiftState keys);
    // The invisible site of the controls that show nowhere, a child of the form.
    TvzCustomDockingSite* CreateHoldingSite();
    void ReleaseQueued();

    TvzDockingControls items_;
    std::map<int, TvzCustomDockingControl*> roots_;
    std::map<int, TvzCustomDockingSite*> sites_;
    int lastSiteId_ = -1;
    int updateCount_ = 0;
    int lockCount_ = 0;
    std::vector<int> pendingSites_;
    std::vector<TvzCustomDockingControl*> releaseQueue_;
    bool endingUpdate_ = false;
    bool rearranging_ = false;
    bool enabled_ = true;
    TvzCustomDockingSite* holdingSite_ = nullptr;
    bool showDockButtonHint_ = true;
    bool autoDragDocking_ = true;
    bool showDockingHint_ = true;
    bool oleDropEnabled_ = false;
    TvzDockButtonItems captionButtons_{dbiHide, dbiAutoHide, dbiMaximizeRestore, dbiMenu, dbiHelp};
    ui::TCustomImageList* images_ = nullptr;
    ui::TCustomImageList* customButtonImages_ = nullptr;
    TvzCustomDockingControl* operation_ = nullptr;
    bool showDisabledButtons_ = false;
    TvzCustomDockingControl* activeControl_ = nullptr;
    uistyle::TvzDockingUIStyle* style_ = nullptr;
    std::unique_ptr<uistyle::TvzDockingUIStyle> ownStyle_;
    TvzDockingShiftState autoDragKey_{dssCtrl, dssLeft};
    TvzDockingShiftState autoDockKey_{dssLeft};
    bool ctrlTabControlSwitch_ = true;
    TvzContainerTypes showContainerCaption_{cntInsideBottom};
    uint32_t autoHideInterval_ = 500;
    uint8_t autoShowSpeed_ = 150;
    uint8_t autoHideSpeed_ = 150;
    TvzAutoHideStartAction autoHideStartAction_ = ahsHover;
    TvzAutoHideCaptions autoHideCaptions_ = ahcActiveOnly;
    std::map<std::type_index, std::unique_ptr<TvzCustomMover>> movers_;
    std::unique_ptr<TvzDocker> docker_;
    std::unique_ptr<TvzDocker> workspaceDocker_;
    std::string settingsPath_;
    IvzDockingManagerCustomizer* customizer_;
    std::vector<TvzSetupPage> setupPages_;
};

// The docking manager of the form that owns `component` (directly or through its owners), or none.
TvzCustomDockingManager* FindFormDockingManager(ui::TComponent* component);

} // namespace docking
