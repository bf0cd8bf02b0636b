#include "imaging/uUXProps.h"

#include "imaging/uRxStrUtils.h"

#include "platform/data/Collection.h"
#include "platform/data/NameCompare.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/ui/Forms.h"

#include <charconv>
#include <map>
#include <strings.h>

namespace imaging {

std::string ValueNameDelimiter = "_";
char DecimalSeparator = '.';

namespace {

constexpr TCharSet kSetDelimiters = " ,[]";
constexpr const char* kNullComponent = "(null)";

bool IsStoredKind(TTypeKind kind) {
    switch (kind) {
    case tkInteger:
    case tkChar:
    case tkEnumeration:
    case tkFloat:
    case tkString:
    case tkSet:
    case tkClass:
    case tkWChar:
    case tkLString:
    case tkVariant:
    case tkInt64:
        return true;
    default:
        return false;
    }
}

// Kinds whose empty text is still a value worth writing and reading.
bool EmptyTextCounts(TTypeKind kind) {
    return kind == tkString || kind == tkLString || kind == tkWChar;
}

bool TryParseInteger(std::string_view text, int64_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

int64_t ParseIntegerOrZero(std::string_view text) {
    int64_t value = 0;
    return TryParseInteger(rtl::Trim(text), value) ? value : 0;
}

int FloatDigits(TFloatType type) {
    switch (type) {
    case ftSingle:
        return 7;
    case ftDouble:
        return 15;
    case ftExtended:
    case ftComp:
        return 18;
    case ftCurr:
        return 19;
    }
    return 15;
}

// A float written with the locale's decimal separator.
bool TryParseLocaleFloat(std::string text, double& value) {
    for (char& ch : text)
        if (ch == DecimalSeparator)
            ch = '.';
        else if (ch == '.')
            return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

int EnumValue(const TPropInfo& prop, std::string_view name) {
    for (size_t i = 0; i < prop.enumNames.size(); ++i)
        if (data::SameName(prop.enumNames[i], name)) return static_cast<int>(i);
    return -1;
}

std::string OwnerText(const data::TComponent& owner) {
    if (!owner.Name().empty()) return owner.Name();
    std::string name = owner.ClassName();
    if (!name.empty() && (name[0] == 'T' || name[0] == 't')) name.erase(0, 1);
    return name;
}

data::TComponent* LineComponent(const rtl::TStringList& list, int index) {
    return static_cast<data::TComponent*>(list.Objects(index));
}

struct TNoCase {
    bool operator()(const std::string& a, const std::string& b) const {
        return strcasecmp(a.c_str(), b.c_str()) < 0;
    }
};

} // namespace

// TPropInfoList

TPropInfoList::TPropInfoList(const data::TPersistent* object, TTypeKinds filter) {
    if (object) list_ = GetPropList(*object, filter);
}

const TPropInfo* TPropInfoList::Find(std::string_view name) const {
    for (const TPropInfo* prop : list_)
        if (data::SameName(prop->name, name)) return prop;
    return nullptr;
}

// Stored-property lines

std::string JoinStoredItem(std::string_view component, std::string_view property) {
    if (component.empty() || property.empty()) return {};
    return std::string(component) + "." + std::string(property);
}

bool SplitStoredItem(std::string_view item, std::string& component, std::string& property) {
    const size_t dot = item.find('.');
    if (item.empty() || dot == std::string_view::npos) return false;
    component = rtl::Trim(item.substr(0, dot));
    property = rtl::Trim(item.substr(dot + 1));
    return !component.empty() && !property.empty();
}

std::string RenameStoredItem(std::string_view item, std::string_view newComponentName) {
    std::string component;
    std::string property;
    if (!SplitStoredItem(item, component, property)) return {};
    return JoinStoredItem(newComponentName, property);
}

void SyncStoredList(data::TComponent* owner, rtl::TStringList* list, bool fromForm) {
    if (!owner || !list) return;
    for (int i = list->Count() - 1; i >= 0; --i) {
        std::string component;
        std::string property;
        if (!SplitStoredItem(list->Strings(i), component, property)) {
            list->Delete(i);
        } else if (fromForm) {
            if (data::TComponent* found = owner->FindComponent(component))
                list->SetObject(i, found);
            else
                list->Delete(i);
        } else if (data::TComponent* attached = LineComponent(*list, i)) {
            list->SetString(i, RenameStoredItem(list->Strings(i), attached->Name()));
        } else {
            list->Delete(i);
        }
    }
}

data::TComponent* FindTopLevelComponent(std::string_view name) {
    if (!ui::Screen) return nullptr;
    for (int i = 0; i < ui::Screen->FormCount(); ++i)
        if (data::SameName(ui::Screen->Forms(i)->Name(), name)) return ui::Screen->Forms(i);
    return nullptr;
}

// TPropsStorage

std::string TPropsStorage::ReadText(const std::string& section, const std::string& name,
                                    const std::string& def) {
    return OnReadText ? OnReadText(section, name, def) : std::string();
}

void TPropsStorage::WriteText(const std::string& section, const std::string& name, const std::string& value) {
    if (OnWriteText) OnWriteText(section, name, value);
}

void TPropsStorage::ClearSection(const std::string& section) {
    if (OnClearSection) OnClearSection(section);
}

std::unique_ptr<TPropsStorage> TPropsStorage::NewStorage() const {
    return std::make_unique<TPropsStorage>();
}

std::unique_ptr<TPropsStorage> TPropsStorage::Nested(data::TPersistent* object, std::string prefix,
                                                     std::string section) const {
    auto storage = NewStorage();
    storage->Object = object;
    storage->Prefix = std::move(prefix);
    storage->Section = std::move(section);
    storage->OnReadText = OnReadText;
    storage->OnWriteText = OnWriteText;
    storage->OnClearSection = OnClearSection;
    return storage;
}

void TPropsStorage::StoreComponentProperties(data::TComponent* owner, rtl::TStringList& list) {
    ForEachStoredProperty(owner, list, &TPropsStorage::StoreProperty);
}

void TPropsStorage::LoadComponentProperties(data::TComponent* owner, rtl::TStringList& list) {
    ForEachStoredProperty(owner, list, &TPropsStorage::LoadProperty);
}

void TPropsStorage::ForEachStoredProperty(data::TComponent* owner, rtl::TStringList& list,
                                          TPropertyAction action) {
    SyncStoredList(owner, &list, false);
    std::map<std::string, TPropInfoList, TNoCase> infos;
    for (int i = 0; i < list.Count(); ++i)
        if (const data::TComponent* component = LineComponent(list, i))
            infos.try_emplace(component->Name(), component, StorableKinds());

    owner_ = owner;
    rtl::ScopeExit clearOwner([this] { owner_ = nullptr; });
    for (int i = 0; i < list.Count(); ++i) {
        std::string component;
        std::string property;
        if (!SplitStoredItem(list.Strings(i), component, property)) continue;
        Object = LineComponent(list, i);
        Prefix = component;
        auto found = infos.find(component);
        if (found == infos.end()) continue;
        Prefix += ValueNameDelimiter;
        (this->*action)(found->second.Find(property));
    }
}

std::string TPropsStorage::PropertyText(const TPropInfo& prop) const {
    const rtl::Variant value = prop.get(*Object);
    switch (prop.kind) {
    case tkInteger:
    case tkInt64:
        return std::to_string(value.AsInt64());
    case tkChar:
    case tkWChar:
        return std::string(1, static_cast<char>(value.AsInt64() & 0xFF));
    case tkEnumeration: {
        const int64_t ordinal = value.AsInt64();
        if (ordinal >= 0 && static_cast<size_t>(ordinal) < prop.enumNames.size())
            return prop.enumNames[static_cast<size_t>(ordinal)];
        return std::to_string(ordinal);
    }
    case tkFloat:
        return rtl::FloatToGeneral(value.AsDouble(), FloatDigits(prop.floatType));
    case tkSet: {
        const int64_t bits = value.AsInt64();
        std::string text = "[";
        for (size_t member = 0; member < prop.enumNames.size() && member < 32; ++member) {
            if (!(bits & (int64_t{1} << member))) continue;
            if (text.size() > 1) text += ',';
            text += prop.enumNames[member];
        }
        return text + "]";
    }
    case tkVariant:
        return value.IsNull() ? std::string() : value.AsString();
    default:
        return value.AsString();
    }
}

void TPropsStorage::ApplyText(const TPropInfo& prop, const std::string& text) {
    switch (prop.kind) {
    case tkInteger:
    case tkInt64:
        prop.set(*Object, ParseIntegerOrZero(text));
        break;
    case tkChar:
    case tkWChar:
        if (!text.empty()) prop.set(*Object, static_cast<int64_t>(static_cast<unsigned char>(text[0])));
        break;
    case tkEnumeration:
        if (const int ordinal = EnumValue(prop, text); ordinal >= 0)
            prop.set(*Object, static_cast<int64_t>(ordinal));
        break;
    case tkFloat: {
        double value = 0;
        // Stored with '.': read it as the locale writes it.
        std::string localised = text;
        for (char& ch : localised)
            if (ch == '.') ch = DecimalSeparator;
        if (TryParseLocaleFloat(localised, value)) prop.set(*Object, value);
        break;
    }
    case tkSet: {
        int64_t bits = 0;
        for (int n = 1, words = CountWords(text, kSetDelimiters); n <= words; ++n) {
            const int member = EnumValue(prop, NthWord(n, text, kSetDelimiters));
            if (member >= 0 && member < 32) bits |= int64_t{1} << member;
        }
        prop.set(*Object, bits);
        break;
    }
    default:
        prop.set(*Object, text);
        break;
    }
}

std::string TPropsStorage::ComponentText(const data::TComponent* component) const {
    if (!component) return kNullComponent;
    const data::TComponent* owner = component->Owner();
    if (owner && owner != owner_) return OwnerText(*owner) + "." + component->Name();
    return component->Name();
}

void TPropsStorage::StoreProperty(const TPropInfo* prop) {
    if (!prop || !IsStoredKind(prop->kind)) return;
    if (prop->kind == tkClass) {
        StoreObject(*prop);
        return;
    }
    const std::string text = rtl::Trim(PropertyText(*prop));
    if (!text.empty() || EmptyTextCounts(prop->kind)) WriteText(Section, ValueName(prop->name), text);
}

void TPropsStorage::LoadProperty(const TPropInfo* prop) {
    if (!prop || !IsStoredKind(prop->kind)) return;
    try {
        std::string text = prop->kind == tkClass ? std::string() : rtl::Trim(PropertyText(*prop));
        if (!text.empty() || EmptyTextCounts(prop->kind) || prop->kind == tkClass)
            text = rtl::Trim(ReadText(Section, ValueName(prop->name), text));
        else
            text.clear();
        if (prop->kind == tkClass)
            LoadObject(*prop, text);
        else
            ApplyText(*prop, text);
    } catch (...) {
        // The property keeps its value.
    }
}

void TPropsStorage::StoreObject(const TPropInfo& prop) {
    const TObjectValue value = prop.getObject(*Object);
    const std::string valueName = ValueName(prop.name);
    const std::string ownSection = rtl::Format("%s.%s", Section, valueName);
    if (auto* const* strings = std::get_if<rtl::TStringList*>(&value); strings && *strings) {
        ClearSection(ownSection);
        if ((*strings)->Count() == 0) return;
        WriteText(ownSection, "Count", std::to_string((*strings)->Count()));
        for (int i = 0; i < (*strings)->Count(); ++i)
            WriteText(ownSection, rtl::Format("Item%d", i), (*strings)->Strings(i));
        return;
    }
    data::TPersistent* object = nullptr;
    if (auto* const* persistent = std::get_if<data::TPersistent*>(&value)) object = *persistent;
    if (prop.setComponent) {
        WriteText(Section, valueName, rtl::Trim(ComponentText(dynamic_cast<data::TComponent*>(object))));
        return;
    }
    if (!object) return;
    if (auto* collection = dynamic_cast<data::TCollection*>(object)) {
        ClearSection(ownSection);
        WriteText(Section, rtl::Format("%s.%s", valueName, "Count"), std::to_string(collection->Count()));
        for (int i = 0; i < collection->Count(); ++i) {
            auto storage =
                Nested(collection->Items(i), rtl::Format("Item%d", i) + ValueNameDelimiter, ownSection);
            for (const TPropInfo* item : GetPropList(*collection->Items(i), StorableKinds()))
                storage->StoreProperty(item);
        }
        return;
    }
    auto storage = Nested(object, valueName, Section);
    for (const TPropInfo* nested : GetPropList(*object, StorableKinds()))
        storage->StoreProperty(nested);
}

void TPropsStorage::LoadObject(const TPropInfo& prop, const std::string& text) {
    const TObjectValue value = prop.getObject(*Object);
    const std::string valueName = ValueName(prop.name);
    const std::string ownSection = rtl::Format("%s.%s", Section, valueName);
    if (auto* const* strings = std::get_if<rtl::TStringList*>(&value); strings && *strings) {
        const int64_t count = ParseIntegerOrZero(ReadText(ownSection, "Count", "0"));
        if (count <= 0) return;
        rtl::TStringList loaded;
        for (int64_t i = 0; i < count; ++i)
            loaded.Add(ReadText(ownSection, rtl::Format("Item%d", i), ""));
        (*strings)->Assign(loaded);
        return;
    }
    if (prop.setComponent) {
        if (text.empty()) return;
        if (data::SameName(text, kNullComponent)) {
            prop.setComponent(*Object, nullptr);
            return;
        }
        const size_t dot = text.find('.');
        const std::string ownerPart =
            dot == std::string::npos ? std::string() : rtl::Trim(text.substr(0, dot));
        const std::string namePart = rtl::Trim(dot == std::string::npos ? text : text.substr(dot + 1));
        data::TComponent* owner = ownerPart.empty() ? owner_ : FindTopLevelComponent(ownerPart);
        if (owner) prop.setComponent(*Object, owner->FindComponent(namePart));
        return;
    }
    data::TPersistent* object = nullptr;
    if (auto* const* persistent = std::get_if<data::TPersistent*>(&value)) object = *persistent;
    if (!object) return;
    if (auto* collection = dynamic_cast<data::TCollection*>(object)) {
        const int current = collection->Count();
        int64_t stored = current;
        TryParseInteger(
            rtl::Trim(ReadText(Section, rtl::Format("%s.%s", valueName, "Count"), std::to_string(current))),
            stored);
        collection->BeginUpdate();
        rtl::ScopeExit endUpdate([collection] { collection->EndUpdate(); });
        if (stored != current) collection->Clear();
        for (int i = 0; i < stored; ++i) {
            data::TCollectionItem* item = i < collection->Count() ? collection->Items(i) : collection->Add();
            auto storage = Nested(item, rtl::Format("Item%d", i) + ValueNameDelimiter, ownSection);
            for (const TPropInfo* nested : GetPropList(*item, StorableKinds()))
                storage->LoadProperty(nested);
        }
        return;
    }
    auto storage = Nested(object, valueName, Section);
    for (const TPropInfo* nested : GetPropList(*object, StorableKinds()))
        storage->LoadProperty(nested);
}

} // namespace imaging
