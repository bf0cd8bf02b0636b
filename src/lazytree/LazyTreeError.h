#pragma once

#include "platform/rtl/Exception.h"

#include <string>

namespace lazytree {

// An error a caller of the tree can cause: a fixed English message and a help context (2000-2008).
class ELazyTreeError : public rtl::Exception {
public:
    ELazyTreeError(std::string message, int helpContext)
        : rtl::Exception(std::move(message)), helpContext_(helpContext) {}
    const char* ClassName() const override { return "ELazyTreeError"; }
    int HelpContext() const { return helpContext_; }

private:
    int helpContext_;
};

inline constexpr int hcTFEditLinkIsNil = 2000;
inline constexpr const char* SEditLinkIsNil = "Edit link must not be nil.";
inline constexpr int hcTFCannotSetUserData = 2008;
inline constexpr const char* SCannotSetUserData =
    "Cannot set initial user data because there is not enough user data space allocated.";

[[noreturn]] void RaiseTreeError(const std::string& message, int helpContext);

} // namespace lazytree
