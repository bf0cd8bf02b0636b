#include "docking/vzDockControl.h"

#include "docking/vzDockContainer.h"
#include "docking/vzDockManager.h"
#include "docking/vzDockPlacement.h"
#include "docking/vzDockTexts.h"
#include "platform/data/Component.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/Forms.h"
#include "platform/ui/KeyCodes.h"
#include "platform/ui/Mouse.h"

#include <algorithm>
#include <cmath>

namespace docking {

namespace {

// Opens the manager's update bracket on a site for the scope.
class TSiteUpdate {
public:
    TSiteUpdate(TvzCustomDockingManager* manager, int siteId) : manager_(manager) {
        if (manager_) manager_->BeginUpdate(siteId);
    }
    ~TSiteUpdate() {
        if (manager_) manager_->EndUpdate();
    }
    TSiteUpdate(const TSiteUpdate&) = delete;
    TSiteUpdate& operator=(const TSiteUpdate&) = delete;

private:
    TvzCustomDockingManager* manager_;
};

ui::TShiftState ShiftOf(TvzDockingShiftState keys) {
    ui::TShiftState shift;
    if (keys.Contains(dssShift)) shift.Include(ui::ssShift);
    if (keys.Contains(dssCtrl)) shift.Include(ui::ssCtrl);
    if (keys.Contains(dssLeft)) shift.Include(ui::ssLeft);
    if (keys.Contains(dssRight)) shift.Include(ui::ssRight);
    if (keys.Contains(dssMiddle)) shift.Include(ui::ssMiddle);
    return shift;
}

} // namespace

// ---- TvzCustomPlacementInfo ----

void TvzCustomPlacementInfo::Record() {
    TvzCustomDockingManager* manager = control_->DockingManager();
    if (!manager || manager->Operation() != control_ || manager->Loading()) return;
    const ui::TRect& rect = control_->ScreenRect();
    switch (control_->DockState()) {
    case dsDocked:
        position = {rect.Left, rect.Top};
        state = control_->PanelState();
        size = state != 0 ? ui::TPoint{control_->Width(), control_->Height()}
                          : ui::TPoint{rect.Width(), rect.Height()};
        break;
    case dsFloating: {
        const ui::TWinControl* form = control_->Parent() ? control_->Parent()->Parent() : nullptr;
        const ui::TRect bounds = form ? form->BoundsRect() : control_->ParentSite()->BoundsRect();
        floatPosition = {bounds.Left, bounds.Top};
        floatSize = {bounds.Width(), bounds.Height()};
        break;
    }
    case dsHidden:
        break;
    }
}

void TvzCustomPlacementInfo::Restore() {
    TvzCustomDockingManager* manager = control_->DockingManager();
    if (!manager || manager->Loading()) return;
    if (control_->DockState() != dsHidden) {
        control_->ShowInContainer();
        control_->SetFocus();
        return;
    }
    if (!RestoreDocked()) {
        if (floatPosition == ui::TPoint{-1, -1} && ui::Screen)
            floatPosition = {(ui::Screen->Width() - floatSize.X) / 2,
                             (ui::Screen->Height() - floatSize.Y) / 2};
        RestoreFloating();
    }
    restoreHint = kAutoHideNone;
}

void TvzCustomPlacementInfo::RestoreFloating() {
    ui::TPoint at = floatPosition;
    if (at == ui::TPoint{-1, -1}) at = {control_->ScreenRect().Left, control_->ScreenRect().Top};
    control_->Float(ui::Bounds(at.X, at.Y, floatSize.X, floatSize.Y), floatState);
}

// ---- TvzCustomDockingControl ----

TvzCustomDockingControl::TvzCustomDockingControl(ui::TComponent* owner)
    : ui::TCustomControl(owner), key_(NewGuid()) {
    placement_ = std::make_unique<TvzPlacementInfo>(this);
    CreateActions();
    SetScreenRect(ui::Bounds(0, 0, placement_->size.X, placement_->size.Y));
    SetParentColor(true);
    SetParentFont(true);
    captionButtons_ = std::make_unique<TvzDockCaptionButtons>(this);
    menu_ = new TvzDockMenu(this);
    SetVisible(false);
    if (TvzCustomDockingManager* manager = FindFormDockingManager(owner)) SetDockingManager(manager);
    menu_->Build();
}

TvzCustomDockingControl::~TvzCustomDockingControl() {
    Destroying();
    LeaveHideZone(false);
    if (manager_) {
        if (container_) container_->RemoveChild(this, container_->IndexOfChild(this));
        container_ = nullptr;
        if (manager_->ActiveControl() == this) manager_->SetActiveControl(nullptr);
        if (manager_->Operation() == this) manager_->SetOperation(nullptr);
        if (TvzCustomDockingSite* site = ParentSite(); site && site->Root() == this)
            manager_->SetRoot(siteId_, nullptr);
        ui::TControl::SetParent(nullptr);
        manager_->UnregisterControl(this);
    }
    captionButtons_.reset();
    actions_.clear();
}

void TvzCustomDockingControl::SetKey(const TGuid& key) {
    if (key == key_) return;
    key_ = key;
    Changed(dccKey);
}

void TvzCustomDockingControl::SetDockingManager(TvzCustomDockingManager* manager) {
    if (manager == manager_) return;
    if (manager_) {
        if (!manager_->IsDestroying()) {
            Detach(true);
            SetContainer(nullptr);
        }
        ui::TControl::SetParent(nullptr);
        manager_->UnregisterControl(this);
        manager_ = nullptr;
    }
    if (!manager) return;
    manager_ = manager;
    ui::TControl::SetParent(manager->HoldingSite());
    siteId_ = manager->HoldingSite() ? manager->HoldingSite()->SiteId() : -1;
    manager->RegisterControl(this);
    if (!ComponentState().Contains(ui::csLoading)) DoPopupMenuCreate();
}

void TvzCustomDockingControl::SetContainer(TvzCustomDockingContainer* container) {
    if (container == container_) return;
    TvzCustomDockingContainer* old = container_;
    container_ = container;
    if (old) old->RemoveChild(this, old->IndexOfChild(this));
    if (container)
        container->AddChild(this);
    else if (manager_)
        SetParent(manager_->HoldingSite());
    else
        SetParent(nullptr);
    if (container_) container_->CheckAlignment(alignment_);
    if (!IsDestroying()) UpdateActionStates();
}

void TvzCustomDockingControl::SetSiteId(int id) {
    siteId_ = id;
    for (TvzCustomDockingControl* child : children_)
        child->SetSiteId(id);
}

TvzCustomDockingSite* TvzCustomDockingControl::ParentSite() const {
    return dynamic_cast<TvzCustomDockingSite*>(Parent());
}

void TvzCustomDockingControl::SetParent(ui::TWinControl* parent) {
    auto* site = dynamic_cast<TvzCustomDockingSite*>(parent);
    if (parent && !site) throw EvzDocking(texts::sInvalidParentControl);
    ui::TControl::SetParent(parent);
    if (site) siteId_ = site->SiteId();
    for (TvzCustomDockingControl* child : children_)
        child->SetParent(parent);
    const bool placed = site && !site->IsHoldingSite();
    SetVisible(placed && (!container_ || container_->IsChildShowing(this)) && visible_);
    // What the commands may do depends on the site that now decides.
    if (!IsDestroying()) UpdateActionStates();
}

TvzDockState TvzCustomDockingControl::DockState() const {
    const TvzCustomDockingSite* site = ParentSite();
    if (!site || site->IsHoldingSite()) return dsHidden;
    if (site->IsFloating() && !container_) return dsFloating;
    return dsDocked;
}

TvzCustomDockingControl* TvzCustomDockingControl::Children(int index) const {
    if (index < 0 || index >= ChildCount())
        throw EvzDocking(rtl::Format(texts::sInvalidIndex, index, ChildCount()));
    return children_[static_cast<std::size_t>(index)];
}

int TvzCustomDockingControl::IndexOfChild(const TvzCustomDockingControl* child) const {
    const auto it = std::find(children_.begin(), children_.end(), child);
    return it == children_.end() ? -1 : static_cast<int>(it - children_.begin());
}

void TvzCustomDockingControl::Rearrange() {
    if (manager_) manager_->RefreshSite(siteId_, false);
}

void TvzCustomDockingControl::SetCaption(const std::string& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    SetText(caption);
    Changed(dccCaption);
}

void TvzCustomDockingControl::SetShowCaption(TvzBooleanValue value) {
    if (value == showCaption_) return;
    showCaption_ = value;
    if (manager_) manager_->RefreshSite(siteId_, false);
}

void TvzCustomDockingControl::SetDefaultCaptionVisible(bool visible) {
    defaultCaptionVisible_ = visible;
}

bool TvzCustomDockingControl::CaptionVisible() const {
    switch (showCaption_) {
    case bvTrue:
        return true;
    case bvFalse:
        return false;
    case bvDefault:
        break;
    }
    if (DockState() == dsFloating) return false;
    if (AutoHidden()) return true;
    return defaultCaptionVisible_;
}

int TvzCustomDockingControl::CaptionHeight() const {
    if (!CaptionVisible() || !manager_) return 0;
    uistyle::TvzImage image{manager_->Images(), imageIndex_, ShowsImage()};
    return manager_->Style()->GetCaptionHeight(image);
}

ui::TRect TvzCustomDockingControl::ContentRect() const {
    ui::TRect rect = ClientRect();
    rect.Top = std::min(rect.Bottom, rect.Top + CaptionHeight());
    return rect;
}

void TvzCustomDockingControl::AlignControls(ui::TControl* changed, ui::TRect& rect) {
    rect.Top = std::min(rect.Bottom, rect.Top + CaptionHeight());
    ui::TCustomControl::AlignControls(changed, rect);
}

void TvzCustomDockingControl::SetImageIndex(int index) {
    if (index == imageIndex_) return;
    imageIndex_ = index;
    Changed(dccImage);
}

void TvzCustomDockingControl::SetShowImage(TvzBooleanValue value) {
    if (value == showImage_) return;
    showImage_ = value;
    Changed(dccImage);
}

bool TvzCustomDockingControl::ShowsImage() const {
    return showImage_ == bvTrue && manager_ && manager_->Images() && imageIndex_ >= 0 &&
           imageIndex_ < manager_->Images()->Count();
}

int TvzCustomDockingControl::CaptionPaintState() const {
    if (!Enabled()) return uistyle::dcsDisabled;
    if (manager_ && manager_->ActiveControl() == this) return uistyle::dcsFocused;
    return mouseOverCaption_ ? uistyle::dcsHot : uistyle::dcsNormal;
}

void TvzCustomDockingControl::SetScreenRect(const ui::TRect& rect) {
    screenRect_ = rect;
    if (screenRect_.Width() < MinimumWidth()) screenRect_.Right = screenRect_.Left + MinimumWidth();
    if (screenRect_.Height() < MinimumHeight()) screenRect_.Bottom = screenRect_.Top + MinimumHeight();
}

void TvzCustomDockingControl::UpdateBounds() {
    const TvzCustomDockingSite* site = ParentSite();
    if (!site) return;
    const ui::TPoint origin = site->ClientOrigin();
    SetBoundsRect(ui::TRect{screenRect_.Left - origin.X, screenRect_.Top - origin.Y,
                            screenRect_.Right - origin.X, screenRect_.Bottom - origin.Y});
}

void TvzCustomDockingControl::SetPanelState(int state) {
    if (state == panelState_) return;
    panelState_ = state;
    UpdateActionStates();
}

void TvzCustomDockingControl::SetAlignment(TvzAlignment alignment) {
    if (container_) {
        alignment = container_->ValidateChildAlignment(this, alignment);
        container_->CheckAlignment(alignment);
    }
    if (alignment == alignment_) return;
    alignment_ = alignment;
    if (container_) container_->SortChildren();
    if (manager_) manager_->RefreshSite(siteId_, true);
}

void TvzCustomDockingControl::SetMinWidth(int width) {
    minWidth_ = width > 0 ? std::max(width, minCaptionSize_.X) : 0;
    if (manager_) manager_->RefreshSite(siteId_, false);
}

void TvzCustomDockingControl::SetMinHeight(int height) {
    minHeight_ = height > 0 ? std::max(height, minCaptionSize_.Y) : 0;
    if (manager_) manager_->RefreshSite(siteId_, false);
}

int TvzCustomDockingControl::MinimumWidth() const {
    return minWidth_ > 0 ? minWidth_ : minCaptionSize_.X;
}

int TvzCustomDockingControl::MinimumHeight() const {
    return minHeight_ > 0 ? minHeight_ + CaptionHeight() : minCaptionSize_.Y;
}

void TvzCustomDockingControl::UpdateMinSize() {
    if (!manager_) return;
    minCaptionSize_ = {manager_->Metric(3) + captionButtons_->VisibleWidth(),
                       manager_->Metric(4) + CaptionHeight()};
    SetScreenRect(screenRect_);
}

int TvzCustomDockingControl::GetAutoHideOrientation(const TvzCustomDockingControl* forControl) const {
    if (!forControl) forControl = this;
    int orientation = autoHideRoot_ ? autoHideRoot_->autoHideOrientation_ : autoHideOrientation_;
    if (orientation == kAutoHideNone && container_)
        orientation = container_->GetAutoHideOrientation(forControl);
    if (orientation == kAutoHideNone) {
        switch (alignment_) {
        case alnLeft:
            orientation = 0;
            break;
        case alnTop:
            orientation = 1;
            break;
        case alnRight:
            orientation = 2;
            break;
        case alnBottom:
            orientation = 3;
            break;
        case alnClient:
            break;
        }
    }
    if (orientation == kAutoHideNone && forControl == this) {
        const ui::TWinControl* parent = Parent();
        if (!parent || !parent->Visible()) {
            orientation = 0;
        } else {
            const ui::TRect outer = ui::Bounds(parent->ClientOrigin().X, parent->ClientOrigin().Y,
                                               parent->ClientWidth(), parent->ClientHeight());
            if (screenRect_.Width() > screenRect_.Height())
                orientation = screenRect_.Top > outer.Top ? 3 : 1;
            else
                orientation = outer.Right - screenRect_.Right < screenRect_.Left - outer.Left ? 2 : 0;
        }
    }
    if (OnAutoHideCalc) {
        auto* self = const_cast<TvzCustomDockingControl*>(this);
        GuardEvent([&] { OnAutoHideCalc(self, orientation); });
    }
    return orientation;
}

void TvzCustomDockingControl::CheckState(TvzControlStateFlags flags) const {
    if (!(stateFlags_ * flags).Empty()) throw EvzDocking(texts::sInvalidControlState);
}

TvzCustomDockingSite* TvzCustomDockingControl::DecidingSite() const {
    if (autoHideRoot_ && autoHideRoot_->autoHideSite_) return autoHideRoot_->autoHideSite_;
    return ParentSite();
}

bool TvzCustomDockingControl::MayUndock() const {
    TvzCustomDockingSite* site = DecidingSite();
    return manager_ && manager_->Enabled() && site &&
           site->CanUndock(const_cast<TvzCustomDockingControl*>(this));
}

bool TvzCustomDockingControl::Detach(bool force) {
    placement_->Record();
    if (!force && !IsDestroying() && !MayUndock()) return false;
    if (visible_) {
        visible_ = false;
        DoHide();
    }
    if (autoHideRoot_ == this || !container_) {
        if (TvzCustomDockingSite* site = ParentSite(); site && site->Root() == this) site->SetRoot(nullptr);
        if (manager_) SetParent(manager_->HoldingSite());
    } else {
        SetContainer(nullptr);
    }
    return true;
}

void TvzCustomDockingControl::AutoHide(int orientation) {
    CheckState({csfLoading, csfReplacing});
    TvzCustomDockingSite* site = ParentSite();
    if (AutoHidden() || !visible_ || !manager_ || !site || !site->CanAutoHide(this)) return;
    if (orientation == kAutoHideNone) orientation = GetAutoHideOrientation(this);
    TvzCustomDockingControl* previous = manager_->Operation();
    manager_->SetOperation(this);
    auto restore = rtl::ScopeExit([&] { manager_->SetOperation(previous); });
    {
        TSiteUpdate update(manager_, siteId_);
        Detach(true);
    }
    EnterHideZone(site, orientation);
}

void TvzCustomDockingControl::EnterHideZone(TvzCustomDockingSite* site, int orientation) {
    autoHideOrientation_ = orientation;
    autoHideSite_ = site;
    SetAutoHideRoot(this);
    site->AddToHideZone(this, orientation);
}

void TvzCustomDockingControl::Pin() {
    if (autoHideRoot_) autoHideRoot_->LeaveHideZone(true);
}

void TvzCustomDockingControl::SetAutoHide(bool on) {
    if (container_ && container_->AutoHidesWithChild(this)) {
        container_->SetAutoHide(on);
        if (!AutoHidden()) MakeVisible();
        return;
    }
    if (on)
        AutoHide(kAutoHideNone);
    else
        Pin();
}

void TvzCustomDockingControl::LeaveHideZone(bool restore) {
    if (autoHideRoot_ != this) return;
    const int orientation = autoHideOrientation_;
    if (autoHideSite_) autoHideSite_->RemoveFromHideZone(this);
    autoHideSite_ = nullptr;
    autoHideOrientation_ = kAutoHideNone;
    SetAutoHideRoot(nullptr);
    if (!restore || !manager_ || manager_->IsDestroying()) return;
    placement_->restoreHint = orientation;
    TvzCustomDockingControl* previous = manager_->Operation();
    manager_->SetOperation(this);
    auto unmark = rtl::ScopeExit([&] { manager_->SetOperation(previous); });
    Show();
}

void TvzCustomDockingControl::SetAutoHideRoot(TvzCustomDockingControl* root) {
    autoHideRoot_ = root;
    for (TvzCustomDockingControl* child : children_)
        child->SetAutoHideRoot(root);
    if (!IsDestroying()) UpdateActionStates();
}

bool TvzCustomDockingControl::Close(bool force) {
    if (!force && !MayUndock()) return false;
    TSiteUpdate update(manager_, siteId_);
    stateFlags_.Include(csfClosing);
    auto unmark = rtl::ScopeExit([this] { stateFlags_.Exclude(csfClosing); });
    const bool allowed = closeAnswer_ != 0 ? closeAnswer_ == 1 : DoCloseQuery(false);
    closeAnswer_ = 0;
    if (!allowed) return false;
    for (int i = ChildCount() - 1; i >= 0; --i)
        children_[static_cast<std::size_t>(i)]->Close(true);
    if (children_.empty()) {
        LeaveHideZone(false);
        Detach(true);
    }
    if (manager_ && manager_->Items().Contains(this)) Changed(dccControlState);
    return true;
}

bool TvzCustomDockingControl::Hide(bool force) {
    CheckState({csfLoading, csfReplacing});
    // The close may free this control (haDestroy outside an update): only locals are used afterwards.
    TvzCustomDockingManager* manager = manager_;
    TvzCustomDockingControl* previous = manager ? manager->Operation() : nullptr;
    if (manager) manager->SetOperation(this);
    auto restore = rtl::ScopeExit([&] {
        if (manager) manager->SetOperation(previous);
    });
    return Close(force);
}

void TvzCustomDockingControl::Show() {
    CheckState({csfLoading, csfReplacing});
    if (!visible_) {
        visible_ = true;
        DoShow();
    }
    placement_->Restore();
}

void TvzCustomDockingControl::MakeVisible() {
    TvzCustomDockingSite* site = DecidingSite();
    if (!site && manager_) site = manager_->HoldingSite();
    if (site)
        site->ShowControl(this, true, true);
    else
        Show();
}

void TvzCustomDockingControl::Float(const ui::TRect& rect, int /*windowState*/) {
    if (!manager_) return;
    TvzCustomDockingControl* previous = manager_->Operation();
    manager_->SetOperation(this);
    auto restore = rtl::ScopeExit([&] { manager_->SetOperation(previous); });
    TSiteUpdate update(manager_, siteId_);
    if (!Detach(false) && DockState() != dsHidden) return;
    TvzCustomDockingSite* site = manager_->CreateFloatingSite(rect, false);
    if (!site) return;
    visible_ = true;
    site->SetRoot(this);
    site->Show();
    Changed(dccControlState);
}

void TvzCustomDockingControl::ShowInContainer() {
    if (container_) {
        container_->ShowInContainer();
        container_->ShowChild(this);
    }
    visible_ = true;
    SetVisible(true);
}

void TvzCustomDockingControl::ReplaceWith(TvzCustomDockingControl* other) {
    for (const TvzCustomDockingControl* up = container_; up; up = up->container_)
        if (up == other) throw EvzDocking(texts::sParentInChildOperation);
    if (other == this || !other) return;
    const bool wasActive = manager_ && manager_->ActiveControl() == other;
    TSiteUpdate update(manager_, siteId_);
    ++other->replaceCount_;
    other->stateFlags_.Include(csfReplacing);
    auto unmark = rtl::ScopeExit([other] {
        if (--other->replaceCount_ == 0) other->stateFlags_.Exclude(csfReplacing);
    });
    const bool otherVisible = other->visible_;
    other->Detach(true);
    other->visible_ = otherVisible;
    other->alignment_ = alignment_;
    if (container_) {
        container_->InsertChild(this, true, other);
        Detach(true);
    } else if (TvzCustomDockingSite* site = ParentSite()) {
        Detach(true);
        site->SetRoot(other);
    }
    other->SetScreenRect(screenRect_);
    if (other->IsContainer() && IsContainer() && !caption_.empty()) other->SetCaption(caption_);
    if (wasActive) manager_->SetActiveControl(other);
}

void TvzCustomDockingControl::SetFocus() {
    ShowInContainer();
    for (TvzCustomDockingContainer* up = container_; up; up = up->Container()) {
        up->SetFocusedChild(this);
    }
    if (manager_) manager_->SetActiveControl(this);
    if (Showing() && CanFocus()) ui::TCustomControl::SetFocus();
}

bool TvzCustomDockingControl::IsDragShift(ui::TShiftState shift) const {
    if (!manager_) return false;
    const auto holds = [&](TvzDockingShiftState keys) {
        const ui::TShiftState wanted = ShiftOf(keys);
        return (shift * wanted) == wanted;
    };
    return holds(manager_->AutoDragKey()) || holds(manager_->AutoDockKey());
}

void TvzCustomDockingControl::StartDrag() {
    if (!manager_) return;
    if (TvzCustomMover* mover = manager_->Mover(this))
        mover->StartMove(this, ClientToScreen(mouseDownPoint_));
}

TvzCustomDockAction* TvzCustomDockingControl::Actions(int id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second.get();
}

void TvzCustomDockingControl::CreateActions() {
    for (int kind = 0; kind < static_cast<int>(DefaultDockCommands().size()); ++kind) {
        auto action = std::make_unique<TvzDefaultDockAction>(this, kind);
        action->OnExecute = [this](TvzCustomDockAction* a) {
            ExecuteDefaultAction(*static_cast<TvzDefaultDockAction*>(a));
        };
        actions_[action->Id()] = std::move(action);
    }
    for (int alignment = 0; alignment < static_cast<int>(AlignDockCommands().size()); ++alignment) {
        auto action = std::make_unique<TvzAlignDockAction>(this, alignment);
        action->OnExecute = [this](TvzCustomDockAction* a) {
            ExecuteAlign(*static_cast<TvzAlignDockAction*>(a));
        };
        actions_[action->Id()] = std::move(action);
    }
    const TvzDockCommand& rename = RenameDockCommand();
    auto action = std::make_unique<TvzCustomDockAction>(this, rename.id);
    action->SetCaption(rename.caption);
    action->SetHint(rename.hint);
    action->OnExecute = [this](TvzCustomDockAction*) { ExecuteRename(); };
    actions_[rename.id] = std::move(action);
}

void TvzCustomDockingControl::UpdateActionStates() {
    TvzActionContext context;
    TvzCustomDockingSite* site = DecidingSite();
    context.mayUndock = MayUndock();
    context.autoHidden = AutoHidden();
    context.floating = DockState() == dsFloating;
    context.panelState = panelState_;
    context.canMaximize = container_ && container_->AllowsMaximize();
    context.isContainer = IsContainer();
    context.alignment = alignment_;
    if (site) {
        TvzCustomDockingControl* subject = container_ && container_->AutoHidesWithChild(this)
                                               ? static_cast<TvzCustomDockingControl*>(container_)
                                               : this;
        context.canAutoHide = site->CanAutoHide(subject);
        context.canPin = site->CanPin(subject);
    }
    ApplyActionStates(*this, context);
    if (captionButtons_) captionButtons_->LayoutButtons();
    if (IsDestroying() || !Parent() || !manager_) return;
    manager_->DoUpdateActions(this);
    if (OnUpdateActions) {
        GuardEvent([&] { OnUpdateActions(this); });
    }
}

void TvzCustomDockingControl::ExecuteDefaultAction(TvzDefaultDockAction& action) {
    switch (action.Kind()) {
    case 0:
        if (AutoHidden() && DecidingSite())
            DecidingSite()->ShowControl(this, false, false);
        else
            Hide(false);
        break;
    case 1:
        placement_->RestoreFloating();
        break;
    case 2:
        SetAutoHide(true);
        break;
    case 3:
        SetAutoHide(false);
        break;
    case 4:
        if (container_) container_->MaximizeChild(this);
        break;
    case 5:
        if (container_) container_->RestoreChildren();
        break;
    case 6: {
        const ui::TRect caption = CaptionRect();
        PopupDockMenu(ClientToScreen({caption.Width() / 2, caption.Bottom}));
        break;
    }
    default:
        break;
    }
}

void TvzCustomDockingControl::ExecuteAlign(TvzAlignDockAction& action) {
    SetAlignment(action.Alignment());
}

void TvzCustomDockingControl::ExecuteRename() {
    if (!manager_) return;
    std::string caption = Caption();
    if (manager_->DoRename(this, caption)) SetCaption(caption);
}

void TvzCustomDockingControl::PopupDockMenu(ui::TPoint point) {
    menu_->Prepare();
    if (point == ui::TPoint{-1, -1}) point = ui::TMouse::CursorPos();
    if (DoCaptionPopup(menu_, point)) menu_->Popup(point.X, point.Y);
}

void TvzCustomDockingControl::Changed(TvzDockControlChange change) {
    if (!manager_) return;
    manager_->RefreshSite(siteId_, false);
    manager_->DoChange(this, change);
    if (container_) container_->ChildChanged(change);
    if (OnChange && !manager_->IsDestroying()) {
        GuardEvent([&] { OnChange(this, change); });
    }
}

void TvzCustomDockingControl::ChildChanged(TvzDockControlChange change) {
    if (container_) container_->ChildChanged(change);
}

void TvzCustomDockingControl::DoDock(int /*index*/, TvzCustomDockingControl* child) {
    if (manager_) {
        manager_->RefreshSite(siteId_, false);
        manager_->DoDock(this, child);
    }
}

void TvzCustomDockingControl::DoUndock(int /*index*/, TvzCustomDockingControl* child) {
    if (manager_) {
        manager_->RefreshSite(siteId_, false);
        manager_->DoUndock(this, child);
    }
}

void TvzCustomDockingControl::DoShow() {
    if (!manager_ || manager_->IsDestroying()) return;
    if (OnShow) {
        GuardEvent([&] { OnShow(this); });
    }
    manager_->DoShow(this);
}

void TvzCustomDockingControl::DoHide() {
    if (!manager_ || manager_->IsDestroying()) return;
    if (OnHide) {
        GuardEvent([&] { OnHide(this); });
    }
    manager_->DoHide(this);
    if (stateFlags_.Contains(csfClosing)) DoHideEx();
}

void TvzCustomDockingControl::DoHideEx() {
    if (!manager_ || manager_->IsDestroying()) return;
    TvzHideAction action = haHide;
    if (OnHideEx) {
        GuardEvent([&] { OnHideEx(this, action); });
    }
    manager_->DoHideEx(this, action);
    if (action == haDestroy) manager_->QueueRelease(this);
}

bool TvzCustomDockingControl::DoCloseQuery(bool remember) {
    bool allow = true;
    if (!IsDestroying() && manager_ && !manager_->IsDestroying()) {
        if (OnCloseQuery) {
            GuardEvent([&] { OnCloseQuery(this, allow); });
        }
        manager_->DoCloseQuery(this, allow);
    }
    if (remember) closeAnswer_ = allow ? 1 : 2;
    return allow;
}

bool TvzCustomDockingControl::DoCaptionPopup(ui::TPopupMenu* menu, ui::TPoint /*point*/) {
    bool allow = true;
    if (OnCaptionPopup) {
        GuardEvent([&] { OnCaptionPopup(this, menu, allow); });
    }
    if (allow && manager_) allow = manager_->DoCaptionPopup(this, menu);
    return allow;
}

void TvzCustomDockingControl::DoPopupMenuCreate() {
    if (OnPopupMenuCreate) {
        GuardEvent([&] { OnPopupMenuCreate(this, menu_); });
    }
    if (manager_) manager_->DoPopupMenuCreate(this, menu_);
}

// ---- Painting and input ----

void TvzCustomDockingControl::Paint() {
    if (!manager_) return;
    manager_->Style()->PaintControl(*Canvas(), ClientRect(), uistyle::dckRegularControl);
    PaintCaption();
}

void TvzCustomDockingControl::PaintCaption() {
    const ui::TRect caption = CaptionRect();
    captionButtons_->SetCaptionShown(caption.Height() > 0);
    if (caption.Height() <= 0) return;
    captionButtons_->SetButtonArea(caption);
    const uistyle::TvzImage image{manager_->Images(), imageIndex_, ShowsImage()};
    const int textWidth = caption.Width() - captionButtons_->VisibleWidth() - manager_->Metric(3);
    manager_->Style()->PaintCaption(*Canvas(), caption, rtl::Utf8ToUtf16(Caption()),
                                    static_cast<uistyle::TvzDockCaptionState>(CaptionPaintState()), textWidth,
                                    true, image);
    captionButtons_->Paint(*Canvas(), CaptionPaintState());
}

void TvzCustomDockingControl::Resize() {
    ui::TCustomControl::Resize();
    captionButtons_->SetButtonArea(CaptionRect());
    UpdateMinSize();
}

bool TvzCustomDockingControl::InCaptionText(ui::TPoint point) {
    const ui::TRect caption = CaptionRect();
    return caption.Contains(point) && !captionButtons_->ButtonAt(point);
}

void TvzCustomDockingControl::MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
    ui::TCustomControl::MouseDown(button, shift, x, y);
    mouseDownPoint_ = {x, y};
    if (captionButtons_->MouseDown({x, y})) return;
    if (!InCaptionText({x, y}) || !manager_) return;
    if (button == ui::mbLeft && !shift.Contains(ui::ssDouble) && IsDragShift(shift) &&
        !manager_->Operation() && manager_->CaptureMouse(this)) {
        dragPending_ = true;
    }
}

void TvzCustomDockingControl::MouseMove(ui::TShiftState shift, int x, int y) {
    ui::TCustomControl::MouseMove(shift, x, y);
    captionButtons_->MouseMove({x, y});
    mouseOverCaption_ = InCaptionText({x, y});
    if (!dragPending_ || !manager_) return;
    if (Distance(mouseDownPoint_, {x, y}) >= manager_->Metric(2) && IsDragShift(shift)) {
        dragPending_ = false;
        manager_->CaptureMouse(nullptr);
        StartDrag();
    }
}

void TvzCustomDockingControl::MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
    ui::TCustomControl::MouseUp(button, shift, x, y);
    if (dragPending_) {
        dragPending_ = false;
        if (manager_) manager_->CaptureMouse(nullptr);
    }
    if (captionButtons_->MouseUp({x, y})) return;
    if (button == ui::mbRight && InCaptionText({x, y})) PopupDockMenu(ClientToScreen({x, y}));
}

void TvzCustomDockingControl::DblClick() {
    ui::TCustomControl::DblClick();
    dragPending_ = false;
    // The press that began the double click is already recorded.
    if (!InCaptionText(mouseDownPoint_)) return;
    if (DockState() == dsFloating)
        placement_->RestoreDocked();
    else if (TvzCustomDockAction* action = Actions(doubleClickCommand_))
        action->Execute();
}

void TvzCustomDockingControl::KeyDown(uint16_t& key, ui::TShiftState shift) {
    if (key == ui::VK_TAB && shift.Contains(ui::ssCtrl) && manager_ && manager_->ActiveControl() == this &&
        container_) {
        if (container_->SelectNextChild(!shift.Contains(ui::ssShift), this)) key = 0;
        return;
    }
    ui::TCustomControl::KeyDown(key, shift);
}

} // namespace docking
