#include "imaging/uPlacemnt.h"

#include "imaging/uAppUtils.h"
#include "imaging/uRxStrUtils.h"
#include "imaging/uUXProps.h"

#include "platform/data/NameCompare.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/WindowPlacement.h"

#include <exception>

namespace imaging {

namespace {

// The frame a maximised window of that border style hides beyond the screen's edges.
ui::TPoint MaximizedFrame(ui::TBorderStyle border) {
    switch (border) {
    case ui::bsSingle:
    case ui::bsToolWindow:
        return {ui::GetSystemMetrics(ui::SM_CXBORDER), ui::GetSystemMetrics(ui::SM_CYBORDER)};
    case ui::bsSizeable:
    case ui::bsSizeToolWin:
        return {ui::GetSystemMetrics(ui::SM_CXFRAME), ui::GetSystemMetrics(ui::SM_CYFRAME)};
    case ui::bsDialog:
        return {ui::GetSystemMetrics(ui::SM_CXDLGFRAME), ui::GetSystemMetrics(ui::SM_CYDLGFRAME)};
    default:
        return {0, 0};
    }
}

// Runs `f`; an exception goes to the application, and the form goes on.
template <class F>
void Guarded(F&& f) {
    try {
        f();
    } catch (...) {
        data::HandleApplicationException(std::current_exception());
    }
}

std::string VarToStr(const rtl::Variant& value) {
    return value.IsNull() ? std::string() : value.AsString();
}

} // namespace

// TWinMinMaxInfo

int& TWinMinMaxInfo::Member(TMember member) {
    switch (member) {
    case MaxPosLeft:
        return info_.MaxPosition.X;
    case MaxPosTop:
        return info_.MaxPosition.Y;
    case MaxSizeHeight:
        return info_.MaxSize.Y;
    case MaxSizeWidth:
        return info_.MaxSize.X;
    case MaxTrackHeight:
        return info_.MaxTrackSize.Y;
    case MaxTrackWidth:
        return info_.MaxTrackSize.X;
    case MinTrackHeight:
        return info_.MinTrackSize.Y;
    case MinTrackWidth:
        break;
    }
    return info_.MinTrackSize.X;
}

int TWinMinMaxInfo::Get(TMember member) const {
    return const_cast<TWinMinMaxInfo*>(this)->Member(member);
}

void TWinMinMaxInfo::Set(TMember member, int value) {
    if (Member(member) == value) return;
    Member(member) = value;
    if (owner_) owner_->MinMaxInfoModified();
}

bool TWinMinMaxInfo::Empty() const {
    for (int member = MaxPosLeft; member <= MinTrackWidth; ++member)
        if (Get(static_cast<TMember>(member)) != 0) return false;
    return true;
}

void TWinMinMaxInfo::Assign(const data::TPersistent* source) {
    const auto* other = dynamic_cast<const TWinMinMaxInfo*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    info_ = other->info_;
    if (owner_) owner_->MinMaxInfoModified();
}

// TFormPlacement

TFormPlacement::TFormPlacement(data::TComponent* owner)
    : TComponent(owner), minMaxInfo_(std::make_unique<TWinMinMaxInfo>(this)), hook_(new TUxWindowHook(this)) {
    if (dynamic_cast<ui::TForm*>(owner)) options_ = {fpState, fpPosition};
    hook_->AfterMessage = [this](data::TPersistent*, ui::TMessage& msg, bool&) { HookAfterMessage(msg); };
    // Made inside its form's loading, it is loaded with the form.
    if (owner && owner->ComponentState().Contains(data::csLoading)) BeginLoading();
}

TFormPlacement::~TFormPlacement() {
    Destroying();
    ui::TCustomForm* form = Form();
    // A form being destroyed has no events left to give back.
    if (eventsTaken_ && form && !form->IsDestroying()) {
        form->OnShow = saveFormShow_;
        form->OnCloseQuery = saveFormCloseQuery_;
        form->OnDestroy = saveFormDestroy_;
    }
    CloseStore();
}

ui::TCustomForm* TFormPlacement::Form() const {
    return dynamic_cast<ui::TCustomForm*>(Owner());
}

std::string TFormPlacement::IniFileName() const {
    if (!iniFileName_.empty()) return iniFileName_;
    return useRegistry_ ? DefaultRegistryKey() : DefaultIniFileName();
}

std::string TFormPlacement::IniSection() const {
    return iniSection_.empty() ? DefaultSectionName(Owner()) : iniSection_;
}

void TFormPlacement::Loaded() {
    TComponent::Loaded();
    if (ComponentState().Contains(data::csDesigning)) return;
    ui::TCustomForm* form = Form();
    if (form && form->ComponentState().Contains(data::csLoading)) {
        saveFormShow_ = form->OnShow;
        saveFormCloseQuery_ = form->OnCloseQuery;
        saveFormDestroy_ = form->OnDestroy;
        form->OnShow = [this](ui::TObject* sender) { FormShow(sender); };
        form->OnCloseQuery = [this](ui::TObject* sender, bool& canClose) {
            FormCloseQuery(sender, canClose);
        };
        form->OnDestroy = [this](ui::TObject* sender) { FormDestroy(sender); };
        eventsTaken_ = true;
        if (preventResize_) UpdatePlacement();
    }
    CheckToggleHook();
}

void TFormPlacement::FormShow(ui::TObject* sender) {
    if (active_) Guarded([this] { RestoreFormState(); });
    if (saveFormShow_) saveFormShow_(sender);
}

void TFormPlacement::FormCloseQuery(ui::TObject* sender, bool& canClose) {
    if (saveFormCloseQuery_) saveFormCloseQuery_(sender, canClose);
    if (canClose && active_ && Form() && Form()->HandleAllocated()) Guarded([this] { SaveFormState(); });
}

void TFormPlacement::FormDestroy(ui::TObject* sender) {
    if (active_ && !saved_) {
        destroying_ = true;
        Guarded([this] { SaveFormState(); });
        destroying_ = false;
    }
    if (saveFormDestroy_) saveFormDestroy_(sender);
}

void TFormPlacement::OpenStore(bool readOnly) {
    if (store_) return;
    if (useRegistry_)
        store_ = std::make_unique<rtl::TRegIniFile>(IniFileName(),
                                                    static_cast<rtl::TRegistryRoot>(registryRoot_), readOnly);
    else
        store_ = std::make_unique<rtl::TIniFile>(IniFileName());
}

template <class F>
void TFormPlacement::WithStore(bool readOnly, F&& f) {
    if (store_) {
        f();
        return;
    }
    OpenStore(readOnly);
    rtl::ScopeExit close([this] { CloseStore(); });
    f();
}

std::string TFormPlacement::ReadStoreString(const std::string& section, const std::string& name,
                                            const std::string& def) {
    std::string value;
    WithStore(true, [&] { value = StoreReadString(store_.get(), section, name, def); });
    return value;
}

void TFormPlacement::WriteStoreString(const std::string& section, const std::string& name,
                                      const std::string& value) {
    WithStore(false, [&] { StoreWriteString(store_.get(), section, name, value); });
}

int64_t TFormPlacement::ReadStoreInteger(const std::string& name, int64_t def) {
    int64_t value = def;
    WithStore(true, [&] { value = StoreReadInteger(store_.get(), IniSection(), name, def); });
    return value;
}

void TFormPlacement::WriteStoreInteger(const std::string& name, int64_t value) {
    WithStore(false, [&] { StoreWriteInteger(store_.get(), IniSection(), name, value); });
}

void TFormPlacement::SaveFormState() {
    // Saving before anything was restored would overwrite what the store holds with the defaults.
    if (active_ && !restored_) return;
    WithStore(false, [this] {
        WriteStoreInteger("FormVersion", version_);
        StorePlacement();
        NotifySaved();
        saved_ = true;
    });
}

void TFormPlacement::RestoreFormState() {
    saved_ = false;
    WithStore(true, [this] {
        if (ReadStoreInteger("FormVersion", 0) >= version_) {
            LoadPlacement();
            restored_ = true;
            NotifyRestored();
            if (options_.Contains(fpActiveControl) && Form()) {
                const std::string name = ReadStoreString(IniSection(), "ActiveControl", "");
                auto* control = dynamic_cast<ui::TWinControl*>(Form()->FindComponent(name));
                if (control && control->CanFocus()) Form()->SetActiveControl(control);
            }
        }
        restored_ = true;
    });
    if (options_.Contains(fpPosition)) UpdatePlacement();
}

void TFormPlacement::StorePlacement() {
    ui::TCustomForm* form = Form();
    if (!form) return;
    if (options_.Contains(fpState) || options_.Contains(fpPosition)) {
        WriteWindowPlacement(form, store_.get(), IniSection());
        store_->WriteBool(IniSection(), "Visible", destroying_);
    }
    if (options_.Contains(fpActiveControl) && form->ActiveControl())
        StoreWriteString(store_.get(), IniSection(), "ActiveControl", form->ActiveControl()->Name());
}

void TFormPlacement::LoadPlacement() {
    if (ui::TCustomForm* form = Form())
        ReadWindowPlacement(form, store_.get(), IniSection(), options_.Contains(fpPosition),
                            options_.Contains(fpState));
}

void TFormPlacement::NotifySaved() {
    if (OnSavePlacement) OnSavePlacement(this);
}

void TFormPlacement::NotifyRestored() {
    if (OnRestorePlacement) OnRestorePlacement(this);
}

void TFormPlacement::SetPreventResize(bool value) {
    if (!Form() || value == preventResize_) return;
    preventResize_ = value;
    UpdatePlacement();
    if (!ComponentState().Contains(data::csLoading)) CheckToggleHook();
}

void TFormPlacement::MinMaxInfoModified() {
    UpdatePlacement();
    if (!ComponentState().Contains(data::csLoading)) CheckToggleHook();
}

void TFormPlacement::UpdatePlacement() {
    ui::TCustomForm* form = Form();
    if (!form || !form->HandleAllocated() || ComponentState().Contains(data::csLoading) ||
        form->WindowState() == ui::wsMaximized || preventResize_ || !minMaxInfo_->Empty())
        return;
    ui::TWindowPlacement placement;
    ui::GetWindowPlacement(form->Handle(), placement);
    if (!form->Visible()) placement.showCmd = ui::SW_HIDE;
    const ui::TPoint frame = MaximizedFrame(form->FormBorderStyle());
    placement.ptMaxPosition = {-frame.X, -frame.Y};
    ui::SetWindowPlacement(form->Handle(), placement);
}

void TFormPlacement::CheckToggleHook() {
    const bool needed = preventResize_ || !minMaxInfo_->Empty();
    hook_->SetWinControl(needed && !ComponentState().Contains(data::csDesigning) ? Form() : nullptr);
    if (Form()) Form()->UpdateSizeLimits();
}

void TFormPlacement::HookAfterMessage(ui::TMessage& msg) {
    ui::TCustomForm* form = Form();
    if (!form) return;
    // A form that must keep its size has no sizing borders.
    if (msg.Msg == ui::WM_NCHITTEST) {
        if (preventResize_ && msg.Result >= ui::HTLEFT && msg.Result <= ui::HTBOTTOMRIGHT)
            msg.Result = ui::HTNOWHERE;
        return;
    }
    if (msg.Msg != ui::WM_GETMINMAXINFO) return;
    auto* info = reinterpret_cast<ui::TMinMaxInfo*>(msg.LParam);
    if (preventResize_) {
        if (!form->HandleAllocated() || !form->Visible()) return;
        info->MinTrackSize = info->MaxTrackSize = {form->Width(), form->Height()};
    } else if (!minMaxInfo_->Empty()) {
        const ui::TMinMaxInfo& limits = minMaxInfo_->Info();
        auto take = [](int& target, int value) {
            if (value != 0) target = value;
        };
        take(info->MaxSize.X, limits.MaxSize.X);
        take(info->MaxSize.Y, limits.MaxSize.Y);
        take(info->MaxPosition.X, limits.MaxPosition.X);
        take(info->MaxPosition.Y, limits.MaxPosition.Y);
        take(info->MinTrackSize.X, limits.MinTrackSize.X);
        take(info->MinTrackSize.Y, limits.MinTrackSize.Y);
        take(info->MaxTrackSize.X, limits.MaxTrackSize.X);
        take(info->MaxTrackSize.Y, limits.MaxTrackSize.Y);
    } else {
        info->MaxPosition = {0, 0};
    }
    msg.Result = 1;
}

// TStoredValue

TFormStorage* TStoredValue::Storage() const {
    return static_cast<TStoredValues*>(Collection())->Storage();
}

void TStoredValue::SetName(const std::string& name) {
    if (!name.empty() && !data::SameName(name, name_) && Collection() &&
        static_cast<TStoredValues*>(Collection())->IndexOf(name) >= 0)
        throw rtl::Exception("String list does not allow duplicates");
    name_ = name;
    Changed(false);
}

std::string TStoredValue::GetDisplayName() const {
    return name_.empty() ? TCollectionItem::GetDisplayName() : name_;
}

void TStoredValue::Assign(const data::TPersistent* source) {
    const auto* other = dynamic_cast<const TStoredValue*>(source);
    if (!other) return;
    Value = other->Value;
    SetName(other->name_);
    KeyString = other->KeyString;
}

void TStoredValue::WriteValue() {
    rtl::Variant value = Value;
    if (OnSave) OnSave(this, value);
    std::string text = VarToStr(value);
    if (!KeyString.empty()) text = XorToHex(KeyString, text);
    Storage()->WriteStoreString(Storage()->IniSection(), name_, text);
}

void TStoredValue::ReadValue() {
    std::string def = VarToStr(Value);
    if (!KeyString.empty()) def = XorToHex(KeyString, def);
    std::string text = Storage()->ReadStoreString(Storage()->IniSection(), name_, def);
    if (!KeyString.empty()) text = XorFromHex(KeyString, text);
    rtl::Variant value(text);
    if (OnRestore) OnRestore(this, value);
    Value = value;
}

// TStoredValues

TStoredValues::TStoredValues(TFormStorage* storage)
    : TCollection(&TCollection::ItemClassOf<TStoredValue>, storage), storage_(storage) {}

int TStoredValues::IndexOf(const std::string& name) const {
    for (int i = 0; i < Count(); ++i)
        if (data::SameName(Items(i)->Name(), name)) return i;
    return -1;
}

void TStoredValues::WriteValues() {
    for (int i = 0; i < Count(); ++i)
        Items(i)->WriteValue();
}

void TStoredValues::ReadValues() {
    for (int i = 0; i < Count(); ++i)
        Items(i)->ReadValue();
}

// TFormStorage

TFormStorage::TFormStorage(data::TComponent* owner)
    : TFormPlacement(owner), storedProps_(std::make_unique<rtl::TStringList>()),
      storedValues_(std::make_unique<TStoredValues>(this)) {}

TFormStorage::~TFormStorage() {
    Destroying();
}

void TFormStorage::SetStoredProps(const rtl::TStringList& list) {
    storedProps_->Assign(list);
    for (int i = 0; i < storedProps_->Count(); ++i)
        if (auto* component = static_cast<data::TComponent*>(storedProps_->Objects(i)))
            component->FreeNotification(this);
}

void TFormStorage::Loaded() {
    TFormPlacement::Loaded();
    SyncStoredList(Owner(), storedProps_.get(), true);
}

void TFormStorage::WriteState() {
    SyncStoredList(Owner(), storedProps_.get(), false);
}

void TFormStorage::Notification(data::TComponent* component, data::TOperation operation) {
    TFormPlacement::Notification(component, operation);
    if (IsDestroying() || operation != data::opRemove) return;
    for (int i = storedProps_->Count() - 1; i >= 0; --i)
        if (storedProps_->Objects(i) == component) storedProps_->Delete(i);
}

void TFormStorage::StoreProperties() {
    // Forms are built in code: lines set after the form loaded are resolved here.
    SyncStoredList(Owner(), storedProps_.get(), true);
    TPropsStorage storage;
    storage.Section = IniSection();
    storage.OnWriteText = [this](const std::string& section, const std::string& name,
                                 const std::string& value) { WriteStoreString(section, name, value); };
    storage.OnClearSection = [this](const std::string& section) {
        if (Store()) Store()->EraseSection(section);
    };
    storage.StoreComponentProperties(Owner(), *storedProps_);
}

void TFormStorage::LoadProperties() {
    SyncStoredList(Owner(), storedProps_.get(), true);
    TPropsStorage storage;
    storage.Section = IniSection();
    storage.OnReadText = [this](const std::string& section, const std::string& name, const std::string& def) {
        return ReadStoreString(section, name, def);
    };
    try {
        storage.LoadComponentProperties(Owner(), *storedProps_);
    } catch (...) {
        // What could not be loaded keeps its value.
    }
}

void TFormStorage::StorePlacement() {
    TFormPlacement::StorePlacement();
    StoreProperties();
    storedValues_->WriteValues();
}

void TFormStorage::LoadPlacement() {
    TFormPlacement::LoadPlacement();
    SetRestored();
    LoadProperties();
    storedValues_->ReadValues();
}

} // namespace imaging
