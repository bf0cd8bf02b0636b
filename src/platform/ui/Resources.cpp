#include "platform/ui/Resources.h"

#include "platform/data/NameCompare.h"
#include "platform/rtl/Format.h"

#include <charconv>

namespace ui {

namespace {

std::vector<TResourceEntry>& Table() {
    static std::vector<TResourceEntry> table;
    return table;
}

} // namespace

TResourceId::TResourceId(std::string_view name) : id_(std::string(name)) {
    if (name.size() > 1 && name[0] == '#') {
        int number = 0;
        const auto [end, error] = std::from_chars(name.data() + 1, name.data() + name.size(), number);
        if (error == std::errc() && end == name.data() + name.size()) id_ = number;
    }
}

std::string TResourceId::Text() const {
    return IsNumber() ? "#" + std::to_string(std::get<int>(id_)) : std::get<std::string>(id_);
}

bool TResourceId::operator==(const TResourceId& other) const {
    if (IsNumber() != other.IsNumber()) return false;
    if (IsNumber()) return std::get<int>(id_) == std::get<int>(other.id_);
    return data::SameName(std::get<std::string>(id_), std::get<std::string>(other.id_));
}

TResourceRegistration::TResourceRegistration(std::initializer_list<TResourceEntry> entries) {
    Table().insert(Table().end(), entries.begin(), entries.end());
}

std::optional<std::string_view> FindResource(const TResourceId& type, const TResourceId& name) {
    for (const TResourceEntry& entry : Table())
        if (entry.type == type && entry.name == name) return entry.bytes;
    return std::nullopt;
}

std::string_view LoadResource(const TResourceId& type, const TResourceId& name) {
    if (auto bytes = FindResource(type, name)) return *bytes;
    throw EResNotFound(rtl::Format("Resource %s not found", name.Text()));
}

} // namespace ui
