// The published properties of classes, looked up by name: a small table per class, registered in
// code, in place of run-time type information. Only what the form storage reads and writes.
#pragma once

#include "platform/data/Component.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Variant.h"

#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace imaging {

enum TTypeKind {
    tkUnknown,
    tkInteger,
    tkChar,
    tkEnumeration,
    tkFloat,
    tkString,
    tkSet,
    tkClass,
    tkMethod,
    tkWChar,
    tkLString,
    tkWString,
    tkVariant,
    tkArray,
    tkRecord,
    tkInterface,
    tkInt64,
    tkDynArray,
};
using TTypeKinds = rtl::Set<TTypeKind, 32>;

// Every kind but tkUnknown and tkMethod.
TTypeKinds StorableKinds();

enum TFloatType { ftSingle, ftDouble, ftExtended, ftComp, ftCurr };

// What a property of class type holds: nothing, a string list, or another object (a collection, a
// component, or an object with published properties of its own).
using TObjectValue = std::variant<std::monostate, rtl::TStringList*, data::TPersistent*>;

// One published property. Values travel as variants: ordinals (integers, characters, enumerations,
// sets as member bits, Int64) as integers, floats as doubles, strings as 8-bit text.
struct TPropInfo {
    std::string name;
    TTypeKind kind = tkUnknown;
    // tkEnumeration: the value names from the lowest value on; tkSet: those of the member type.
    std::vector<std::string> enumNames;
    TFloatType floatType = ftDouble;
    std::function<rtl::Variant(const data::TPersistent&)> get;
    std::function<void(data::TPersistent&, const rtl::Variant&)> set;
    // tkClass only.
    std::function<TObjectValue(const data::TPersistent&)> getObject;
    // tkClass properties that refer to a component: they are set by name.
    std::function<void(data::TPersistent&, data::TComponent*)> setComponent;
};

// Registers the published properties of `T` and its descendants. Register a class after its base
// class: a property of a later class replaces the one of the same name.
void RegisterPublishedProperties(std::function<bool(const data::TPersistent&)> isInstance,
                                 std::vector<TPropInfo> properties);
template <class T>
void RegisterPublishedProperties(std::vector<TPropInfo> properties) {
    RegisterPublishedProperties(
        [](const data::TPersistent& o) { return dynamic_cast<const T*>(&o) != nullptr; },
        std::move(properties));
}

// The published properties of the object's class of the given kinds, sorted by name.
std::vector<const TPropInfo*> GetPropList(const data::TPersistent& instance, TTypeKinds kinds);

// Table entries for a property of `T` from its getter and setter.
template <class T, class Get, class Set>
TPropInfo MakeProp(std::string name, TTypeKind kind, Get get, Set set) {
    TPropInfo info;
    info.name = std::move(name);
    info.kind = kind;
    info.get = [get](const data::TPersistent& o) { return rtl::Variant(get(static_cast<const T&>(o))); };
    info.set = [set](data::TPersistent& o, const rtl::Variant& v) { set(static_cast<T&>(o), v); };
    return info;
}
template <class T, class Get, class Set>
TPropInfo MakeEnumProp(std::string name, std::vector<std::string> names, Get get, Set set) {
    TPropInfo info = MakeProp<T>(std::move(name), tkEnumeration, get, set);
    info.enumNames = std::move(names);
    return info;
}
template <class T, class Get, class Set>
TPropInfo MakeBoolProp(std::string name, Get get, Set set) {
    return MakeEnumProp<T>(std::move(name), {"False", "True"}, get, set);
}
template <class T, class GetObject>
TPropInfo MakeObjectProp(std::string name, GetObject getObject) {
    TPropInfo info;
    info.name = std::move(name);
    info.kind = tkClass;
    info.getObject = [getObject](const data::TPersistent& o) {
        return TObjectValue(getObject(static_cast<const T&>(o)));
    };
    return info;
}

} // namespace imaging
