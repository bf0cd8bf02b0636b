// Components that keep a form's state between runs: its window placement, published properties of
// its components and named values, in a registry key or an INI file.
#pragma once

#include "imaging/uUxHook.h"

#include "platform/data/Collection.h"
#include "platform/data/Component.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Variant.h"
#include "platform/ui/Forms.h"

#include <functional>
#include <memory>
#include <string>

namespace imaging {

enum TPlacementOption { fpState, fpPosition, fpActiveControl };
using TPlacementOptions = rtl::Set<TPlacementOption, 8>;
// In the order of rtl::TRegistryRoot.
enum TPlacementRegRoot { prCurrentUser, prLocalMachine, prCurrentConfig, prClassesRoot, prUsers, prDynData };

class TFormPlacement;

// A form's size limits; 0 is no limit.
class TWinMinMaxInfo : public data::TPersistent {
public:
    explicit TWinMinMaxInfo(TFormPlacement* owner) : owner_(owner) {}

    enum TMember {
        MaxPosLeft,
        MaxPosTop,
        MaxSizeHeight,
        MaxSizeWidth,
        MaxTrackHeight,
        MaxTrackWidth,
        MinTrackHeight,
        MinTrackWidth
    };
    int Get(TMember member) const;
    // A changed value tells the owner.
    void Set(TMember member, int value);
    const ui::TMinMaxInfo& Info() const { return info_; }
    // All eight members are 0.
    bool Empty() const;
    void Assign(const data::TPersistent* source) override;

private:
    int& Member(TMember member);
    ui::TMinMaxInfo info_{};
    TFormPlacement* owner_;
};

// Saves its form's placement when the form closes and restores it when the form shows, under the
// item "FormVersion": a store older than Version restores nothing. A placement made while its form
// is loading (BeginLoading ... EndLoading) takes over the form's OnShow, OnCloseQuery and OnDestroy
// and gives them back when it goes.
class TFormPlacement : public data::TComponent {
public:
    explicit TFormPlacement(data::TComponent* owner);
    ~TFormPlacement() override;

    bool Active() const { return active_; }
    void SetActive(bool value) { active_ = value; }
    // Empty reads as the default: the registry key or the INI file named after the program.
    std::string IniFileName() const;
    void SetIniFileName(const std::string& name) { iniFileName_ = name; }
    // Empty reads as the owner's default section.
    std::string IniSection() const;
    void SetIniSection(const std::string& section) { iniSection_ = section; }
    TWinMinMaxInfo* MinMaxInfo() const { return minMaxInfo_.get(); }
    void SetMinMaxInfo(const TWinMinMaxInfo* info) { minMaxInfo_->Assign(info); }
    TPlacementOptions Options() const { return options_; }
    void SetOptions(TPlacementOptions options) { options_ = options; }
    bool PreventResize() const { return preventResize_; }
    void SetPreventResize(bool value);
    TPlacementRegRoot RegistryRoot() const { return registryRoot_; }
    void SetRegistryRoot(TPlacementRegRoot root) { registryRoot_ = root; }
    bool UseRegistry() const { return useRegistry_; }
    void SetUseRegistry(bool value) { useRegistry_ = value; }
    int Version() const { return version_; }
    void SetVersion(int version) { version_ = version; }

    ui::TNotifyEvent OnSavePlacement;
    ui::TNotifyEvent OnRestorePlacement;

    void SaveFormState();
    void RestoreFormState();

    // One item, through the open store or a store opened for it alone.
    virtual std::string ReadStoreString(const std::string& section, const std::string& name,
                                        const std::string& def);
    virtual void WriteStoreString(const std::string& section, const std::string& name,
                                  const std::string& value);
    int64_t ReadStoreInteger(const std::string& name, int64_t def);
    void WriteStoreInteger(const std::string& name, int64_t value);

protected:
    virtual void StorePlacement();
    virtual void LoadPlacement();
    virtual void NotifySaved();
    virtual void NotifyRestored();
    void Loaded() override;

    ui::TCustomForm* Form() const;
    rtl::TCustomIniFile* Store() const { return store_.get(); }
    void SetRestored() { restored_ = true; }

private:
    friend class TWinMinMaxInfo;
    void OpenStore(bool readOnly);
    void CloseStore() { store_.reset(); }
    template <class F>
    void WithStore(bool readOnly, F&& f);
    void FormShow(ui::TObject* sender);
    void FormCloseQuery(ui::TObject* sender, bool& canClose);
    void FormDestroy(ui::TObject* sender);
    void MinMaxInfoModified();
    void UpdatePlacement();
    void CheckToggleHook();
    void HookAfterMessage(ui::TMessage& msg);

    bool active_ = true;
    std::string iniFileName_;
    std::string iniSection_;
    std::unique_ptr<TWinMinMaxInfo> minMaxInfo_;
    TPlacementOptions options_;
    bool preventResize_ = false;
    TPlacementRegRoot registryRoot_ = prCurrentUser;
    bool useRegistry_ = false;
    int version_ = 0;

    std::unique_ptr<rtl::TCustomIniFile> store_;
    TUxWindowHook* hook_; // owned as a component
    bool eventsTaken_ = false;
    ui::TNotifyEvent saveFormShow_;
    ui::TCloseQueryEvent saveFormCloseQuery_;
    ui::TNotifyEvent saveFormDestroy_;
    bool saved_ = false;
    bool restored_ = false;
    bool destroying_ = false;
};

class TStoredValue;
class TStoredValues;
class TFormStorage;

using TStoredValueEvent = std::function<void(TStoredValue* sender, rtl::Variant& value)>;

// A named value the form supplies in OnSave and takes back in OnRestore; with a KeyString it is
// stored disguised (XorToHex).
class TStoredValue : public data::TCollectionItem {
public:
    explicit TStoredValue(data::TCollection* collection) : TCollectionItem(collection) {}

    const std::string& Name() const { return name_; }
    // Raises Exception "String list does not allow duplicates" for a name another value has.
    void SetName(const std::string& name);
    rtl::Variant Value;
    std::string KeyString;
    TStoredValueEvent OnSave;
    TStoredValueEvent OnRestore;

    void Assign(const data::TPersistent* source) override;
    virtual void WriteValue();
    virtual void ReadValue();

protected:
    std::string GetDisplayName() const override;

private:
    TFormStorage* Storage() const;
    std::string name_;
};

class TStoredValues : public data::TCollection {
public:
    explicit TStoredValues(TFormStorage* storage);

    TFormStorage* Storage() const { return storage_; }
    TStoredValue* Items(int index) const { return static_cast<TStoredValue*>(TCollection::Items(index)); }
    TStoredValue* Add() { return static_cast<TStoredValue*>(TCollection::Add()); }
    // The first value of that name (ignoring case), or -1.
    int IndexOf(const std::string& name) const;
    virtual void WriteValues();
    virtual void ReadValues();

private:
    TFormStorage* storage_;
};

// A placement that also stores published properties of the form's components (StoredProps lines
// "component.property") and StoredValues.
class TFormStorage : public TFormPlacement {
public:
    explicit TFormStorage(data::TComponent* owner);
    ~TFormStorage() override;

    rtl::TStringList& StoredProps() const { return *storedProps_; }
    void SetStoredProps(const rtl::TStringList& list);
    TStoredValues& StoredValues() const { return *storedValues_; }
    void SetStoredValues(const TStoredValues& values) { storedValues_->Assign(&values); }

    // Renames each line after its component's current name and drops lines without one (before the
    // form is written out).
    void WriteState();

protected:
    virtual void StoreProperties();
    virtual void LoadProperties();
    void StorePlacement() override;
    void LoadPlacement() override;
    void Loaded() override;
    void Notification(data::TComponent* component, data::TOperation operation) override;

private:
    std::unique_ptr<rtl::TStringList> storedProps_;
    std::unique_ptr<TStoredValues> storedValues_;
};

} // namespace imaging
