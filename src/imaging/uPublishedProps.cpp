#include "imaging/uPublishedProps.h"

#include "platform/data/NameCompare.h"
#include "platform/ui/Controls.h"

#include <algorithm>
#include <strings.h>

namespace imaging {

namespace {

struct TClassProperties {
    std::function<bool(const data::TPersistent&)> isInstance;
    std::vector<TPropInfo> properties;
};

void RegisterFramework(std::vector<TClassProperties>& table) {
    using data::TComponent;
    using ui::TControl;
    table.push_back(
        {[](const data::TPersistent& o) { return dynamic_cast<const TComponent*>(&o) != nullptr; },
         {
             MakeProp<TComponent>(
                 "Name", tkString, [](const TComponent& c) { return c.Name(); },
                 [](TComponent& c, const rtl::Variant& v) { c.SetName(v.AsString()); }),
             MakeProp<TComponent>(
                 "Tag", tkInteger, [](const TComponent& c) { return static_cast<int64_t>(c.Tag()); },
                 [](TComponent& c, const rtl::Variant& v) { c.SetTag(v.AsInt64()); }),
         }});
    table.push_back(
        {[](const data::TPersistent& o) { return dynamic_cast<const TControl*>(&o) != nullptr; },
         {
             MakeProp<TControl>(
                 "Left", tkInteger, [](const TControl& c) { return c.Left(); },
                 [](TControl& c, const rtl::Variant& v) { c.SetLeft(static_cast<int>(v.AsInt64())); }),
             MakeProp<TControl>(
                 "Top", tkInteger, [](const TControl& c) { return c.Top(); },
                 [](TControl& c, const rtl::Variant& v) { c.SetTop(static_cast<int>(v.AsInt64())); }),
             MakeProp<TControl>(
                 "Width", tkInteger, [](const TControl& c) { return c.Width(); },
                 [](TControl& c, const rtl::Variant& v) { c.SetWidth(static_cast<int>(v.AsInt64())); }),
             MakeProp<TControl>(
                 "Height", tkInteger, [](const TControl& c) { return c.Height(); },
                 [](TControl& c, const rtl::Variant& v) { c.SetHeight(static_cast<int>(v.AsInt64())); }),
             // The framework's text is 8-bit (UTF-8): a wide text property would not be stored.
             MakeProp<TControl>(
                 "Text", tkLString, [](const TControl& c) { return c.Text(); },
                 [](TControl& c, const rtl::Variant& v) { c.SetText(v.AsString()); }),
             MakeProp<TControl>(
                 "Hint", tkLString, [](const TControl& c) { return c.Hint(); },
                 [](TControl& c, const rtl::Variant& v) { c.SetHint(v.AsString()); }),
             MakeBoolProp<TControl>(
                 "Visible", [](const TControl& c) { return static_cast<int64_t>(c.Visible()); },
                 [](TControl& c, const rtl::Variant& v) { c.SetVisible(v.AsInt64() != 0); }),
             MakeBoolProp<TControl>(
                 "Enabled", [](const TControl& c) { return static_cast<int64_t>(c.Enabled()); },
                 [](TControl& c, const rtl::Variant& v) { c.SetEnabled(v.AsInt64() != 0); }),
         }});
}

std::vector<TClassProperties>& Table() {
    static std::vector<TClassProperties> table = [] {
        std::vector<TClassProperties> framework;
        RegisterFramework(framework);
        return framework;
    }();
    return table;
}

} // namespace

TTypeKinds StorableKinds() {
    TTypeKinds kinds;
    for (int kind = tkInteger; kind <= tkDynArray; ++kind)
        if (kind != tkMethod) kinds.Include(static_cast<TTypeKind>(kind));
    return kinds;
}

void RegisterPublishedProperties(std::function<bool(const data::TPersistent&)> isInstance,
                                 std::vector<TPropInfo> properties) {
    Table().push_back({std::move(isInstance), std::move(properties)});
}

std::vector<const TPropInfo*> GetPropList(const data::TPersistent& instance, TTypeKinds kinds) {
    std::vector<const TPropInfo*> list;
    for (const TClassProperties& entry : Table()) {
        if (!entry.isInstance(instance)) continue;
        for (const TPropInfo& prop : entry.properties) {
            std::erase_if(list, [&](const TPropInfo* p) { return data::SameName(p->name, prop.name); });
            if (kinds.Contains(prop.kind)) list.push_back(&prop);
        }
    }
    std::sort(list.begin(), list.end(), [](const TPropInfo* a, const TPropInfo* b) {
        return strcasecmp(a->name.c_str(), b->name.c_str()) < 0;
    });
    return list;
}

} // namespace imaging
