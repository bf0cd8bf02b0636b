// Saving and loading the docking layout of a manager.
#include "docking/vzDockCustForm.h"
#include "docking/vzDockManager.h"
#include "docking/vzDockPlacement.h"

#include "docking/vzDockTabs.h"
#include "docking/vzDockTexts.h"
#include "platform/rtl/Settings.h"

namespace docking {

namespace {

constexpr const char* kLayoutValue = "Docking";

// The loading state, the forced Enabled and the update lock, restored however the load ends.
class TLoadState {
public:
    TLoadState(TvzCustomDockingManager& manager, bool& loading) : manager_(manager), loading_(loading) {
        wasEnabled_ = manager.Enabled();
        loading_ = true;
        manager.SetEnabled(true);
        manager.BeginUpdate(-1);
    }
    ~TLoadState() {
        manager_.SetEnabled(wasEnabled_);
        loading_ = false;
        manager_.EndUpdate();
    }
    TLoadState(const TLoadState&) = delete;
    TLoadState& operator=(const TLoadState&) = delete;

private:
    TvzCustomDockingManager& manager_;
    bool& loading_;
    bool wasEnabled_ = true;
};

// Takes every control of the tree out of its container, into the holding site.
void Dismantle(TvzCustomDockingControl* control) {
    for (int i = control->ChildCount() - 1; i >= 0; --i) {
        TvzCustomDockingControl* child = control->Children(i);
        child->SetContainer(nullptr);
        Dismantle(child);
    }
}

// While customising, the disabled forms take part in a load and are disabled again however it ends.
class TCustomizedLoad {
public:
    explicit TCustomizedLoad(IvzDockingManagerCustomizer& customizer)
        : customizer_(customizer.IsCustomizing() ? &customizer : nullptr) {
        if (customizer_) customizer_->EnableForms(true);
    }
    ~TCustomizedLoad() {
        if (customizer_) customizer_->EnableForms(false);
    }
    TCustomizedLoad(const TCustomizedLoad&) = delete;
    TCustomizedLoad& operator=(const TCustomizedLoad&) = delete;

private:
    IvzDockingManagerCustomizer* customizer_;
};

} // namespace

// ---- Saving ----

layout::TvzControlData TvzCustomDockingManager::CollectControl(TvzCustomDockingControl* control) {
    layout::TvzControlData data;
    data.typeId = control->TypeId();
    data.key = control->Key();
    data.screenRect = control->ScreenRect();
    data.normalSize = control->normalSize_;
    data.panelState = static_cast<uint8_t>(control->PanelState());
    data.caption = control->caption_;
    data.alignment = static_cast<uint8_t>(control->Alignment());
    data.showCaption = static_cast<uint8_t>(control->ShowCaption());
    data.ahOrientation = static_cast<uint8_t>(control->AutoHideOrientation());
    if (control->autoHideSite_) data.ahSite = control->autoHideSite_->Key();
    if (control->AutoHidden() && control->Container()) data.ahContainer = control->Container()->Key();
    const TvzCustomPlacementInfo& placement = control->Placement();
    data.placement.position = placement.position;
    data.placement.size = placement.size;
    data.placement.floatPosition = placement.floatPosition;
    data.placement.floatSize = placement.floatSize;
    data.placement.floatState = static_cast<uint8_t>(placement.floatState);
    data.placement.state = static_cast<uint8_t>(placement.state);
    if (const auto* info = dynamic_cast<const TvzPlacementInfo*>(&placement)) {
        data.placement.containerId = info->containerId;
        data.placement.order = static_cast<uint8_t>(info->order);
        // A neighbour that is gone is not written.
        if (items_.Find(info->neighbourKey)) data.placement.parentKey = info->neighbourKey;
        data.placement.tabOrientation = static_cast<uint8_t>(info->tabOrientation);
        data.placement.alignment = static_cast<uint8_t>(info->alignment);
        data.placement.hideSize = info->hideSize;
    }
    for (int i = 0; i < control->ChildCount(); ++i)
        data.children.push_back(CollectControl(control->Children(i)));
    if (const auto* tabs = dynamic_cast<const TvzInsideContainer*>(control)) {
        data.currentTab = tabs->CurrentTab();
        data.orientation = static_cast<uint8_t>(tabs->Orientation());
    }
    return data;
}

layout::TvzLayoutData TvzCustomDockingManager::CollectLayout() {
    layout::TvzLayoutData data;
    if (KeepsFormPlacement()) data.formPlacement = CollectFormPlacement();
    for (const auto& [id, site] : sites_) {
        if (site == holdingSite_) continue;
        layout::TvzSiteData siteData;
        siteData.typeId = site->TypeId();
        siteData.key = site->Key();
        if (TvzCustomDockingControl* root = Root(id)) siteData.root = CollectControl(root);
        site->CollectData(siteData);
        data.sites.push_back(std::move(siteData));
    }
    for (int i = 0; i < items_.PanelCount(); ++i) {
        TvzCustomDockingControl* panel = items_.Panels(i);
        if (panel->DockState() == dsHidden && !panel->AutoHidden())
            data.freeControls.push_back(CollectControl(panel));
    }
    return data;
}

void TvzCustomDockingManager::SaveToStream(rtl::TStream& stream) {
    const layout::TvzLayoutData data = CollectLayout();
    TvzBinaryDockingWriter writer(stream);
    layout::Write(writer, data);
}

void TvzCustomDockingManager::SaveToFile(const std::string& fileName) {
    rtl::TFileStream file(fileName, rtl::fmCreate);
    file.SetSize(0);
    SaveToStream(file);
}

void TvzCustomDockingManager::SaveToRegistry(const std::string& key) {
    rtl::TMemoryStream stream;
    SaveToStream(stream);
    try {
        rtl::TSettings settings(settingsPath_);
        if (!settings.OpenKey(key, true)) throw EvzDocking(texts::sLayoutSaveError);
        settings.WriteBinary(kLayoutValue, stream.Bytes());
    } catch (const rtl::EOSError&) {
        throw EvzDocking(texts::sLayoutSaveError);
    }
}

// ---- Loading ----

void TvzCustomDockingManager::LoadFromStream(rtl::TStream& stream) {
    TCustomizedLoad customized(Customizer());
    TvzBinaryDockingReader reader(stream);
    ApplyLayout(layout::Read(reader, KeepsFormPlacement()));
}

void TvzCustomDockingManager::LoadFromFile(const std::string& fileName) {
    rtl::TFileStream file(fileName, rtl::fmOpenRead);
    LoadFromStream(file);
}

void TvzCustomDockingManager::LoadFromRegistry(const std::string& key) {
    rtl::TSettings settings(settingsPath_);
    std::string bytes;
    if (!settings.OpenKey(key, false) || !settings.ReadBinary(kLayoutValue, bytes))
        throw EvzDocking(texts::sLayoutLoadError);
    rtl::TMemoryStream stream;
    stream.WriteString(bytes);
    stream.SetPosition(0);
    LoadFromStream(stream);
}

TvzCustomDockingSite* TvzCustomDockingManager::FindOrCreateSite(int typeId, const TGuid& key) {
    if (typeId != 1) return FindSite(key);
    TvzCustomDockingSite* site = CreateFloatingSite(ui::Bounds(0, 0, 1, 1), false);
    if (site) site->SetKey(key);
    return site;
}

TvzCustomDockingControl* TvzCustomDockingManager::ApplyControl(const layout::TvzControlData& data,
                                                               const layout::TvzFieldGates& gates,
                                                               bool placed) {
    if (OnBeforeLoadControl) GuardEvent([&] { OnBeforeLoadControl(this, data.key); });
    TvzCustomDockingControl* control = items_.Find(data.key);
    if (!control && data.typeId != 0) {
        control = CreateContainer(data.typeId);
        if (!control) throw EvzDocking(texts::sClassContainerNil);
        control->SetDockingManager(this);
        control->SetKey(data.key);
    }
    if (!control) return nullptr;
    if (control->TypeId() != data.typeId) return nullptr;
    control->stateFlags_.Include(csfLoading);
    control->screenRect_ = data.screenRect;
    control->normalSize_ = data.normalSize;
    control->panelState_ = data.panelState;
    if (control->IsContainer()) control->SetCaption(data.caption);
    control->alignment_ = data.alignment <= alnBottom ? static_cast<TvzAlignment>(data.alignment) : alnClient;
    if (gates.showCaption && data.showCaption <= bvFalse)
        control->showCaption_ = static_cast<TvzBooleanValue>(data.showCaption);
    if (gates.placement) {
        TvzCustomPlacementInfo& placement = control->Placement();
        placement.position = data.placement.position;
        placement.size = data.placement.size;
        placement.floatPosition = data.placement.floatPosition;
        placement.floatSize = data.placement.floatSize;
        placement.floatState = data.placement.floatState;
        placement.state = data.placement.state;
        if (auto* info = dynamic_cast<TvzPlacementInfo*>(&placement)) {
            const layout::TvzPlacementData& p = data.placement;
            info->containerId = p.containerId >= 0 && p.containerId <= 3 ? p.containerId : 0;
            info->order = p.order != 0 ? 1 : 0;
            info->neighbourKey = p.parentKey;
            info->tabOrientation =
                p.tabOrientation == uistyle::dtoBottom ? uistyle::dtoBottom : uistyle::dtoTop;
            info->alignment = p.alignment <= alnBottom ? static_cast<TvzAlignment>(p.alignment) : alnClient;
            info->hideSize = p.hideSize;
        }
    }
    control->visible_ = placed;
    control->stateFlags_.Include(csfReadingChildren);
    for (const layout::TvzControlData& childData : data.children) {
        TvzCustomDockingControl* child = ApplyControl(childData, gates, placed);
        if (child) child->SetContainer(static_cast<TvzCustomDockingContainer*>(control));
    }
    control->stateFlags_.Exclude(csfReadingChildren);
    if (auto* tabs = dynamic_cast<TvzInsideContainer*>(control)) {
        if (tabs->ChildCount() > 0)
            tabs->SelectTab(tabs::ClampCurrentTab(data.currentTab, tabs->ChildCount()), false);
        tabs->SetOrientation(data.orientation == uistyle::dtoBottom ? uistyle::dtoBottom : uistyle::dtoTop);
    }
    if (OnLoadControl) GuardEvent([&] { OnLoadControl(this, control); });
    return control;
}

void TvzCustomDockingManager::ApplyLayout(const layout::TvzLayoutData& data) {
    const layout::TvzFieldGates gates = layout::GatesOf(data.version);
    std::vector<TvzCustomDockingControl*> loaded;
    {
        TLoadState state(*this, loadingLayout_);
        for (auto& [id, site] : std::map(sites_)) {
            site->ClearHideZones();
            TvzCustomDockingControl* root = Root(id);
            if (site == holdingSite_ || !root) continue;
            site->SetRoot(nullptr);
            Dismantle(root);
        }
        if (data.formPlacement) ApplyFormPlacement(*data.formPlacement);
        for (const layout::TvzSiteData& siteData : data.sites) {
            TvzCustomDockingSite* site = FindOrCreateSite(siteData.typeId, siteData.key);
            if (!site) continue;
            if (siteData.root) {
                if (TvzCustomDockingControl* root = ApplyControl(*siteData.root, gates, true))
                    site->SetRoot(root);
            }
            site->ApplyData(siteData);
        }
        for (const layout::TvzControlData& free : data.freeControls)
            ApplyControl(free, gates, false);
        for (int i = 0; i < items_.PanelCount(); ++i)
            loaded.push_back(items_.Panels(i));
        for (int i = 0; i < items_.ContainerCount(); ++i)
            loaded.push_back(items_.Containers(i));
        for (TvzCustomDockingControl* control : loaded)
            control->stateFlags_.Exclude(csfLoading);
        // Containers the layout did not use are left empty.
        for (int i = items_.ContainerCount() - 1; i >= 0; --i)
            if (items_.Containers(i)->ChildCount() == 0) QueueRelease(items_.Containers(i));
    }
    for (const auto& [id, site] : std::map(sites_)) {
        if (site == holdingSite_ || !sites_.contains(id)) continue;
        RefreshSite(id, true);
        if (Root(id)) site->Show();
    }
}

} // namespace docking
