#include "docking/vzDockManager.h"

#include "docking/vzDockCustForm.h"
#include "docking/vzDockingNative.h"
#include "docking/vzDockMover.h"
#include "docking/vzDockTexts.h"
#include "docking/vzStyleManager.h"
#include "platform/data/Component.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Mouse.h"

#include <algorithm>

namespace docking {

// ---- TvzOwnedObject ----

TvzOwnedObject::TvzOwnedObject(TvzCustomDockingManager* owner) : owner_(owner) {
    if (!owner) throw rtl::EAssertionFailed("A docking service object needs a manager");
}

// ---- TvzDockingControls ----

void TvzDockingControls::Register(TvzCustomDockingControl* control) {
    auto& list = control->IsContainer() ? containers_ : panels_;
    if (std::find(list.begin(), list.end(), control) == list.end()) list.push_back(control);
}

void TvzDockingControls::Unregister(TvzCustomDockingControl* control) {
    std::erase(panels_, control);
    std::erase(containers_, control);
}

bool TvzDockingControls::Contains(const TvzCustomDockingControl* control) const {
    return std::find(panels_.begin(), panels_.end(), control) != panels_.end() ||
           std::find(containers_.begin(), containers_.end(), control) != containers_.end();
}

TvzCustomDockingControl* TvzDockingControls::Find(const TGuid& key) const {
    for (const auto* list : {&panels_, &containers_})
        for (TvzCustomDockingControl* control : *list)
            if (control->Key() == key) return control;
    return nullptr;
}

TvzCustomDockingControl* TvzDockingControls::FindOrCreate(int typeId, const TGuid& key) {
    if (TvzCustomDockingControl* found = Find(key)) return found;
    if (typeId == 0) return nullptr;
    TvzCustomDockingControl* container = owner_->CreateContainer(typeId);
    if (!container) throw EvzDocking(texts::sClassContainerNil);
    container->SetDockingManager(owner_);
    container->SetKey(key);
    return container;
}

void TvzDockingControls::Clear() {
    owner_->BeginUpdate(-1);
    while (!panels_.empty())
        delete panels_.back();
    owner_->EndUpdate();
}

void TvzDockingControls::AssignTo(rtl::TStringList& list) const {
    rtl::TUpdateBracket bracket(list);
    for (TvzCustomDockingControl* panel : panels_)
        list.AddObject(panel->Caption(), panel);
}

// ---- TvzCustomDockingManager ----

TvzCustomDockingManager::TvzCustomDockingManager(ui::TComponent* owner)
    : ui::TComponent(owner), items_(this), customizer_(&DockingCustomizer()) {
    SetStyle(nullptr);
    holdingSite_ = CreateHoldingSite();
    holdingSite_->SetDockingManager(this);
    SetMover(typeid(TvzCustomDockingControl), std::make_unique<TvzMover>(this));
}

TvzCustomDockingManager::~TvzCustomDockingManager() {
    Destroying();
    for (TvzCustomDockingControl* control : releaseQueue_)
        delete control;
    releaseQueue_.clear();
    items_.Clear();
    while (items_.ContainerCount() > 0)
        delete items_.Containers(items_.ContainerCount() - 1);
    delete holdingSite_;
    holdingSite_ = nullptr;
    for (auto& [id, site] : std::map(sites_))
        site->SetDockingManager(nullptr);
    if (style_) style_->RemoveFreeNotification(this);
}

TvzCustomDockingSite* TvzCustomDockingManager::CreateHoldingSite() {
    auto* site = new TvzNullDockingSite(nullptr);
    site->SetVisible(false);
    if (auto* form = dynamic_cast<ui::TWinControl*>(Owner())) site->SetParent(form);
    return site;
}

int TvzCustomDockingManager::RegisterSite(TvzCustomDockingSite* site) {
    const int id = ++lastSiteId_;
    sites_[id] = site;
    roots_[id] = nullptr;
    return id;
}

void TvzCustomDockingManager::UnregisterSite(TvzCustomDockingSite* site) {
    const int id = site->SiteId();
    if (!sites_.contains(id) || !roots_.contains(id)) throw rtl::EAssertionFailed("Unknown docking site");
    sites_.erase(id);
    roots_.erase(id);
    std::erase(pendingSites_, id);
    if (site == holdingSite_) holdingSite_ = nullptr;
}

void TvzCustomDockingManager::SetOleDropEnabled(bool enabled) {
    if (enabled == oleDropEnabled_) return;
    oleDropEnabled_ = enabled;
    for (TvzCustomDockingSite* site : Sites())
        site->UpdateOleDrop();
}

TvzCustomDockingSite* TvzCustomDockingManager::Site(int id) const {
    const auto it = sites_.find(id);
    return it == sites_.end() ? nullptr : it->second;
}

TvzCustomDockingSite* TvzCustomDockingManager::FindSite(const TGuid& key) const {
    for (const auto& [id, site] : sites_)
        if (site != holdingSite_ && site->Key() == key) return site;
    return nullptr;
}

std::vector<TvzCustomDockingSite*> TvzCustomDockingManager::Sites() const {
    std::vector<TvzCustomDockingSite*> sites;
    for (const auto& [id, site] : sites_)
        sites.push_back(site);
    return sites;
}

TvzCustomDockingControl* TvzCustomDockingManager::Root(int siteId) const {
    const auto it = roots_.find(siteId);
    return it == roots_.end() ? nullptr : it->second;
}

void TvzCustomDockingManager::SetRoot(int siteId, TvzCustomDockingControl* control) {
    if (roots_.contains(siteId)) roots_[siteId] = control;
}

void TvzCustomDockingManager::RegisterControl(TvzCustomDockingControl* control) {
    items_.Register(control);
    if (OnRegister) GuardEvent([&] { OnRegister(this, control); });
}

void TvzCustomDockingManager::UnregisterControl(TvzCustomDockingControl* control) {
    if (activeControl_ == control) activeControl_ = nullptr;
    if (operation_ == control) operation_ = nullptr;
    items_.Unregister(control);
    std::erase(releaseQueue_, control);
    if (OnUnregister && !Quiet()) GuardEvent([&] { OnUnregister(this, control); });
}

TvzCustomDockingControl* TvzCustomDockingManager::CreateDockingControl() {
    return new TvzCustomDockingControl(this);
}

TvzCustomDockingControl* TvzCustomDockingManager::CreateContainer(int) {
    return nullptr;
}

void TvzCustomDockingManager::QueueRelease(TvzCustomDockingControl* control) {
    if (std::find(releaseQueue_.begin(), releaseQueue_.end(), control) == releaseQueue_.end())
        releaseQueue_.push_back(control);
    if (updateCount_ == 0) ReleaseQueued();
}

void TvzCustomDockingManager::ReleaseQueued() {
    while (!releaseQueue_.empty()) {
        TvzCustomDockingControl* control = releaseQueue_.front();
        releaseQueue_.erase(releaseQueue_.begin());
        delete control;
    }
}

void TvzCustomDockingManager::BeginUpdate(int siteId) {
    ++updateCount_;
    if (std::find(pendingSites_.begin(), pendingSites_.end(), siteId) == pendingSites_.end())
        pendingSites_.push_back(siteId);
}

void TvzCustomDockingManager::EndUpdate() {
    if (updateCount_ <= 0) throw rtl::EAssertionFailed("Unbalanced EndUpdate of the docking manager");
    if (--updateCount_ > 0 || endingUpdate_) return;
    endingUpdate_ = true;
    ++updateCount_; // what the release and the refreshes queue waits for the next round
    try {
        ReleaseQueued();
        while (!pendingSites_.empty()) {
            std::vector<int> pending;
            pending.swap(pendingSites_);
            --updateCount_;
            for (int id : pending)
                RefreshSite(id, true);
            ++updateCount_;
        }
    } catch (...) {
        --updateCount_;
        endingUpdate_ = false;
        throw;
    }
    --updateCount_;
    endingUpdate_ = false;
}

void TvzCustomDockingManager::Unlock() {
    if (lockCount_ <= 0) throw rtl::EAssertionFailed("Unbalanced Unlock of the docking manager");
    --lockCount_;
}

void TvzCustomDockingManager::RefreshSite(int siteId, bool rearrange) {
    if (!sites_.contains(siteId)) return;
    if (updateCount_ > 0) {
        if (std::find(pendingSites_.begin(), pendingSites_.end(), siteId) == pendingSites_.end())
            pendingSites_.push_back(siteId);
        return;
    }
    if (!rearrange && lockCount_ > 0) return;
    if (rearrange && !rearranging_) {
        if (TvzCustomDockingControl* root = Root(siteId)) {
            rearranging_ = true;
            try {
                root->Rearrange();
            } catch (...) {
                rearranging_ = false;
                throw;
            }
            rearranging_ = false;
            ReleaseQueued();
        }
    }
    if (IsDestroying() || loadingLayout_ || !sites_.contains(siteId)) return;
    if (lockCount_ == 0) sites_[siteId]->Refresh();
}

void TvzCustomDockingManager::RefreshAll(bool rearrange, bool repaint) {
    if (IsDestroying() || loadingLayout_) return;
    for (const auto& [id, site] : std::map(sites_)) {
        if (site == holdingSite_) continue;
        RefreshSite(id, rearrange);
        if (repaint && sites_.contains(id)) {
            site->Invalidate();
            if (TvzCustomDockingControl* root = Root(id)) root->Invalidate();
        }
    }
}

void TvzCustomDockingManager::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    RefreshAll(true, false);
}

void TvzCustomDockingManager::SetCaptionButtons(TvzDockButtonItems buttons) {
    if (buttons == captionButtons_) return;
    captionButtons_ = buttons;
    RefreshAll(true, true);
}

void TvzCustomDockingManager::SetShowDisabledButtons(bool show) {
    if (show == showDisabledButtons_) return;
    showDisabledButtons_ = show;
    RefreshAll(true, false);
}

void TvzCustomDockingManager::SetShowDockButtonHint(bool show) {
    if (show == showDockButtonHint_) return;
    showDockButtonHint_ = show;
    RefreshAll(false, false);
}

void TvzCustomDockingManager::SetAutoDragDocking(bool on) {
    if (on == autoDragDocking_) return;
    autoDragDocking_ = on;
    RefreshAll(true, true);
}

void TvzCustomDockingManager::SetAutoHideInterval(uint32_t interval) {
    if (interval == autoHideInterval_) return;
    autoHideInterval_ = interval;
    RefreshAll(false, false);
}

void TvzCustomDockingManager::SetAutoShowSpeed(uint8_t speed) {
    if (speed == autoShowSpeed_) return;
    autoShowSpeed_ = speed;
    RefreshAll(false, false);
}

void TvzCustomDockingManager::SetAutoHideSpeed(uint8_t speed) {
    if (speed == autoHideSpeed_) return;
    autoHideSpeed_ = speed;
    RefreshAll(false, false);
}

void TvzCustomDockingManager::SetAutoHideStartAction(TvzAutoHideStartAction action) {
    autoHideStartAction_ = action;
}

void TvzCustomDockingManager::SetAutoHideCaptions(TvzAutoHideCaptions captions) {
    if (captions == autoHideCaptions_) return;
    autoHideCaptions_ = captions;
    RefreshAll(true, true);
}

void TvzCustomDockingManager::CheckMouseButton(TvzDockingShiftState keys) {
    if (!keys.Contains(dssLeft) && !keys.Contains(dssRight) && !keys.Contains(dssMiddle))
        throw EvzDocking(texts::sNoMouseModifier);
}

void TvzCustomDockingManager::SetAutoDragKey(TvzDockingShiftState keys) {
    CheckMouseButton(keys);
    if (keys == autoDockKey_) throw EvzDocking(texts::sDragAndDockKeysEqual);
    autoDragKey_ = keys;
}

void TvzCustomDockingManager::SetAutoDockKey(TvzDockingShiftState keys) {
    CheckMouseButton(keys);
    if (keys == autoDragKey_ && !ComponentState().Contains(ui::csLoading))
        throw EvzDocking(texts::sDragAndDockKeysEqual);
    autoDockKey_ = keys;
}

void TvzCustomDockingManager::SetShowContainerCaption(TvzContainerTypes types) {
    if (types == showContainerCaption_) return;
    showContainerCaption_ = types;
    RefreshAll(true, true);
}

void TvzCustomDockingManager::SetImages(ui::TCustomImageList* images) {
    if (images == images_) return;
    if (images_) images_->RemoveFreeNotification(this);
    images_ = images;
    if (images_) images_->FreeNotification(this);
    RefreshAll(false, true);
}

void TvzCustomDockingManager::SetCustomButtonImages(ui::TCustomImageList* images) {
    if (images == customButtonImages_) return;
    if (customButtonImages_) customButtonImages_->RemoveFreeNotification(this);
    customButtonImages_ = images;
    if (customButtonImages_) customButtonImages_->FreeNotification(this);
    if (images) RefreshAll(false, false);
}

int TvzCustomDockingManager::Metric(int index) const {
    switch (index) {
    case 0:
        return 5;
    case 1:
        return 30;
    case 2:
        return 10;
    case 3:
        return 2 * (style_->GetMetric(2) + 1);
    default:
        return 0;
    }
}

void TvzCustomDockingManager::SetStyle(uistyle::TvzDockingUIStyle* style) {
    if (style && style == style_) return;
    if (style_ && style_ != ownStyle_.get()) style_->RemoveFreeNotification(this);
    ownStyle_.reset();
    if (!style) {
        const auto& classes = uistyle::UIStyleClasses();
        ownStyle_ = classes.Classes(0).create(nullptr);
        style = ownStyle_.get();
    } else {
        style->FreeNotification(this);
    }
    style_ = style;
    RefreshAll(true, true);
    if (OnStyleChange && !Quiet()) GuardEvent([&] { OnStyleChange(this); });
}

void TvzCustomDockingManager::SetActiveControl(TvzCustomDockingControl* control) {
    if (control == activeControl_) return;
    if (control && control->DockingManager() != this) throw EvzDocking(texts::sInvalidDockingControl);
    TvzCustomDockingControl* old = activeControl_;
    activeControl_ = control;
    if (old) old->Invalidate();
    if (control) control->Invalidate();
    DoActiveControlChange();
    if (control && !ComponentState().Contains(ui::csLoading) &&
        (control->StateFlags() * TvzControlStateFlags{csfLoading, csfReplacing}).Empty() &&
        control->DockState() == dsHidden)
        control->MakeVisible();
}

bool TvzCustomDockingManager::CaptureMouse(ui::TControl* control) {
    if (control && operation_) return false;
    if (control && ui::TMouse::Capture() && !dynamic_cast<TvzCustomDockingControl*>(ui::TMouse::Capture()))
        return false;
    ui::TMouse::SetCapture(control);
    return true;
}

void TvzCustomDockingManager::SetMover(std::type_index type, std::unique_ptr<TvzCustomMover> mover) {
    movers_[type] = std::move(mover);
}

TvzCustomMover* TvzCustomDockingManager::Mover(const TvzCustomDockingControl* control) const {
    auto it = control ? movers_.find(typeid(*control)) : movers_.end();
    if (it == movers_.end()) it = movers_.find(typeid(TvzCustomDockingControl));
    return it == movers_.end() ? nullptr : it->second.get();
}

TvzDocker* TvzCustomDockingManager::Docker(TvzCustomDockingControl* target) {
    std::unique_ptr<TvzDocker>& docker =
        dynamic_cast<TvzWorkspaceControl*>(target) ? workspaceDocker_ : docker_;
    if (!docker) {
        if (&docker == &workspaceDocker_)
            docker = std::make_unique<TvzWorkspaceDocker>(this);
        else
            docker = std::make_unique<TvzNativeDocker>(this);
    }
    docker->SetTarget(target);
    return docker.get();
}

void TvzCustomDockingManager::Notification(ui::TComponent* component, ui::TOperation operation) {
    ui::TComponent::Notification(component, operation);
    if (operation != ui::opRemove) return;
    if (component == images_) images_ = nullptr;
    if (component == customButtonImages_) customButtonImages_ = nullptr;
    if (component == style_) {
        style_ = nullptr;
        if (!IsDestroying()) {
            SetStyle(nullptr);
        } else {
            // The rest of a dying manager's teardown may still measure: with the default look, quietly.
            ownStyle_ = uistyle::UIStyleClasses().Classes(0).create(nullptr);
            style_ = ownStyle_.get();
        }
    }
}

void TvzCustomDockingManager::DoDock(TvzCustomDockingControl* control, TvzCustomDockingControl* child) {
    if (OnDock) GuardEvent([&] { OnDock(this, control, child); });
}

void TvzCustomDockingManager::DoUndock(TvzCustomDockingControl* control, TvzCustomDockingControl* child) {
    if (OnUndock) GuardEvent([&] { OnUndock(this, control, child); });
}

void TvzCustomDockingManager::DoChange(TvzCustomDockingControl* control, TvzDockControlChange change) {
    if (OnChange && !Quiet()) GuardEvent([&] { OnChange(this, control, change); });
    if (customizer_->IsCustomizing() && !Quiet()) customizer_->ComponentChanged(control);
}

bool TvzCustomDockingManager::DoRename(TvzCustomDockingControl* control, std::string& caption) {
    if (!OnRename) return false;
    GuardEvent([&] { OnRename(this, control, caption); });
    return true;
}

void TvzCustomDockingManager::DoActiveControlChange() {
    for (const auto& [id, site] : sites_)
        site->ActiveControlChanged();
    if (OnActiveControlChange && !Quiet()) GuardEvent([&] { OnActiveControlChange(this); });
}

void TvzCustomDockingManager::DoShow(TvzCustomDockingControl* control) {
    if (OnShow && !Quiet()) GuardEvent([&] { OnShow(this, control); });
}

void TvzCustomDockingManager::DoHide(TvzCustomDockingControl* control) {
    if (OnHide && !Quiet()) GuardEvent([&] { OnHide(this, control); });
}

void TvzCustomDockingManager::DoHideEx(TvzCustomDockingControl* control, TvzHideAction& action) {
    if (OnHideEx && !Quiet()) GuardEvent([&] { OnHideEx(this, control, action); });
}

void TvzCustomDockingManager::DoCloseQuery(TvzCustomDockingControl* control, bool& allow) {
    if (OnCloseQuery && !Quiet()) GuardEvent([&] { OnCloseQuery(this, control, allow); });
}

bool TvzCustomDockingManager::DoCaptionPopup(TvzCustomDockingControl* control, ui::TPopupMenu* menu) {
    bool allow = true;
    if (OnCaptionPopup) GuardEvent([&] { OnCaptionPopup(this, control, menu, allow); });
    return allow;
}

void TvzCustomDockingManager::DoPopupMenuCreate(TvzCustomDockingControl* control, ui::TPopupMenu* menu) {
    if (OnPopupMenuCreate) GuardEvent([&] { OnPopupMenuCreate(this, control, menu); });
}

void TvzCustomDockingManager::DoUpdateActions(TvzCustomDockingControl* control) {
    if (OnUpdateActions) GuardEvent([&] { OnUpdateActions(this, control); });
}

TvzCustomDockingManager* FindFormDockingManager(ui::TComponent* component) {
    ui::TComponent* form = component;
    while (form && !dynamic_cast<ui::TCustomForm*>(form))
        form = form->Owner();
    if (!form) return nullptr;
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (auto* manager = dynamic_cast<TvzCustomDockingManager*>(form->Components(i))) return manager;
    return nullptr;
}

} // namespace docking
