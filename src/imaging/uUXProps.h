// Published properties of components as named text values of a store section, and back.
#pragma once

#include "imaging/uPublishedProps.h"

#include "platform/data/Component.h"
#include "platform/rtl/StringList.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace imaging {

// The published properties of an object's class of some kinds, sorted by name; empty for no object.
class TPropInfoList {
public:
    TPropInfoList(const data::TPersistent* object, TTypeKinds filter);

    // Compared ignoring case; null when there is none.
    const TPropInfo* Find(std::string_view name) const;
    int Count() const { return static_cast<int>(list_.size()); }
    const TPropInfo* Items(int index) const { return list_.at(static_cast<size_t>(index)); }

private:
    std::vector<const TPropInfo*> list_;
};

// Put between a component's name and its property names in value names ("edHost_Text").
extern std::string ValueNameDelimiter;
// The locale's decimal separator: floats are stored with '.' whatever it is.
extern char DecimalSeparator;

// Stored-property lines: "component.property", the component attached as the line's object.
std::string JoinStoredItem(std::string_view component, std::string_view property);
bool SplitStoredItem(std::string_view item, std::string& component, std::string& property);
std::string RenameStoredItem(std::string_view item, std::string_view newComponentName);
// From the form: each line's component is looked up in `owner` and attached, lines naming none are
// deleted. Towards the form: each line is renamed after its attached component; lines without one
// are deleted. Lines that do not split are deleted either way.
void SyncStoredList(data::TComponent* owner, rtl::TStringList* list, bool fromForm);
// The first form of the screen whose name is `name` (ignoring case), or null.
data::TComponent* FindTopLevelComponent(std::string_view name);

using TReadStrEvent =
    std::function<std::string(const std::string& section, const std::string& name, const std::string& def)>;
using TWriteStrEvent =
    std::function<void(const std::string& section, const std::string& name, const std::string& value)>;
using TEraseSectEvent = std::function<void(const std::string& section)>;

// Stores the published properties named by stored-property lines through three callbacks that read,
// write and clear the values of a section. Loading never fails: a text that does not fit leaves the
// property as it is.
class TPropsStorage {
public:
    TPropsStorage() = default;
    virtual ~TPropsStorage() = default;
    TPropsStorage(const TPropsStorage&) = delete;
    TPropsStorage& operator=(const TPropsStorage&) = delete;

    void StoreComponentProperties(data::TComponent* owner, rtl::TStringList& list);
    void LoadComponentProperties(data::TComponent* owner, rtl::TStringList& list);
    // One property of the current object, under ValueName(its name) in Section.
    void StoreProperty(const TPropInfo* prop);
    void LoadProperty(const TPropInfo* prop);

    data::TPersistent* Object = nullptr;
    std::string Prefix;
    std::string Section;
    TReadStrEvent OnReadText;
    TWriteStrEvent OnWriteText;
    TEraseSectEvent OnClearSection;

protected:
    virtual std::string ReadText(const std::string& section, const std::string& name, const std::string& def);
    virtual void WriteText(const std::string& section, const std::string& name, const std::string& value);
    virtual void ClearSection(const std::string& section);
    virtual std::string ValueName(const std::string& propName) const { return Prefix + propName; }
    virtual std::unique_ptr<TPropsStorage> NewStorage() const;

private:
    using TPropertyAction = void (TPropsStorage::*)(const TPropInfo*);
    void ForEachStoredProperty(data::TComponent* owner, rtl::TStringList& list, TPropertyAction action);
    // The text of a property of any kind but tkClass.
    std::string PropertyText(const TPropInfo& prop) const;
    void ApplyText(const TPropInfo& prop, const std::string& text);
    void StoreObject(const TPropInfo& prop);
    void LoadObject(const TPropInfo& prop, const std::string& text);
    std::unique_ptr<TPropsStorage> Nested(data::TPersistent* object, std::string prefix,
                                          std::string section) const;
    std::string ComponentText(const data::TComponent* component) const;

    data::TComponent* owner_ = nullptr; // the form, while a whole list is stored or loaded
};

} // namespace imaging
