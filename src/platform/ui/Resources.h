// The program's resources by type and name.
#pragma once

#include "platform/rtl/Exception.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace ui {

// A resource's type or name: a number, or a name compared without case ("#12" is the number 12).
class TResourceId {
public:
    TResourceId(int number) : id_(number) {}
    TResourceId(std::string_view name);
    TResourceId(const char* name) : TResourceId(std::string_view(name)) {}
    bool IsNumber() const { return std::holds_alternative<int>(id_); }
    // "#12" for numbers.
    std::string Text() const;
    bool operator==(const TResourceId& other) const;

private:
    std::variant<int, std::string> id_;
};

constexpr int RT_CURSOR = 1;
constexpr int RT_BITMAP = 2;
constexpr int RT_ICON = 3;
constexpr int RT_STRING = 6;
constexpr int RT_RCDATA = 10;

RTL_DECLARE_EXCEPTION(EResNotFound, rtl::Exception);

struct TResourceEntry {
    TResourceId type;
    TResourceId name;
    std::string_view bytes; // static storage: the table keeps the view
};

// The program's own assets (glyphs, string tables, cursors), compiled in: each module adds its table
// at start-up, by a call or a static registration object. A static object in a library is linked only
// with a file the program otherwise uses, so keep it beside code that is called.
void RegisterResources(std::initializer_list<TResourceEntry> entries);

class TResourceRegistration {
public:
    TResourceRegistration(std::initializer_list<TResourceEntry> entries) { RegisterResources(entries); }
};

// The bytes of a resource, or nothing.
std::optional<std::string_view> FindResource(const TResourceId& type, const TResourceId& name);
// The bytes of a resource; raises EResNotFound "Resource %s not found" with the name.
std::string_view LoadResource(const TResourceId& type, const TResourceId& name);

} // namespace ui
