// The server's built-in functions with their parameters.
#pragma once

#include "platform/rtl/Exception.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace parser {

RTL_DECLARE_EXCEPTION(EInvalidInsert, rtl::Exception);

struct TSystemFunctionParameter {
    // As a user reads it in a hint: "str", "[pos]" (optional), "INTERVAL expr unit".
    std::string Name;
    // Empty for every built-in function.
    std::string TypeName;
};

struct TSystemFunction {
    std::string Name; // upper case
    std::vector<TSystemFunctionParameter> Parameters;
    // The last parameter may be repeated; its text ends with "...".
    bool Variadic = false;
};

// The server's built-in functions with the parameters shown in hints.
class TSystemFunctions {
public:
    // Raises EInvalidInsert when the name is present already (ignoring case).
    void Add(std::string_view name, std::vector<std::string_view> parameters, bool variadic = false);
    int Count() const { return static_cast<int>(functions_.size()); }
    TSystemFunction GetFunction(int index) const;
    // Ignoring case; -1 when absent.
    int IndexOf(std::string_view name) const;
    bool Exists(std::string_view name) const { return IndexOf(name) >= 0; }

private:
    std::vector<TSystemFunction> functions_;
    std::unordered_map<std::string, int> index_;
};

// The process-wide table, filled on first use.
TSystemFunctions& SystemFunctions();

} // namespace parser
