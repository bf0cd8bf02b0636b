#include "widecontrols/uUcProps.h"

#include "widecontrols/uUcUtils.h"

namespace widecontrols {

namespace {

// A wide character property's value as it travels: an integer.
rtl::Variant FirstChar(const WideString& text) {
    return int64_t{text.empty() ? u'\0' : text.front()};
}

WideChar WideCharOf(const TPropInfo& prop, const data::TPersistent& instance) {
    return static_cast<WideChar>(prop.get(instance).AsInt64());
}

} // namespace

void DefineWideProperties(TFiler& filer, data::TPersistent& instance) {
    TUcWideStringPropertyFiler stringFiler;
    TUcWideCharPropertyFiler charFiler;
    for (const TPropInfo& prop : GetPropInfos(instance)) {
        if (prop.kind == tkWString)
            stringFiler.DefineProperties(filer, prop);
        else if (prop.kind == tkWChar)
            charFiler.DefineProperties(filer, instance, prop);
    }
}

void TUcWideStringPropertyFiler::DefineProperties(TFiler& filer, const TPropInfo& prop) {
    const auto skip = [](TReader& reader) { reader.ReadString(); };
    filer.DefineProperty(prop.name + "W", skip, nullptr, false);
    filer.DefineProperty(prop.name + "_UTF7", skip, nullptr, false);
}

void TUcWideCharPropertyFiler::DefineProperties(TFiler& filer, data::TPersistent& instance,
                                                const TPropInfo& prop) {
    const auto read = [&](TReader& reader) {
        const TValueType type = reader.NextValue();
        if (type != vaString && type != vaWString) throw EReadError("Invalid property value");
        const WideString text = reader.ReadWideString();
        if (text.size() > 1) throw EReadError("Invalid property value");
        prop.set(instance, FirstChar(text));
    };
    const auto write = [&](TWriter& writer) {
        writer.WriteWideString(WideString(1, WideCharOf(prop, instance)));
    };
    filer.DefineProperty(prop.name + "W", read, write, HasData(filer, instance, prop));
    filer.DefineProperty(
        prop.name + "_UTF7",
        [&](TReader& reader) { prop.set(instance, FirstChar(Utf7ToWide(reader.ReadString()))); }, nullptr,
        false);
}

bool TUcWideCharPropertyFiler::HasData(TFiler& filer, const data::TPersistent& instance,
                                       const TPropInfo& prop) const {
    if (!prop.IsStored(instance)) return false;
    if (!prop.get || !prop.set) return false; // what cannot be read back is not stored
    const WideChar value = WideCharOf(prop, instance);
    if (const data::TPersistent* ancestor = filer.Ancestor()) {
        for (const TPropInfo& inherited : GetPropInfos(*ancestor))
            if (inherited.name == prop.name && inherited.kind == tkWChar && inherited.get)
                return WideCharOf(inherited, *ancestor) != value;
    }
    return prop.defaultValue == TPropInfo::kNoDefault || value != prop.defaultValue;
}

} // namespace widecontrols
