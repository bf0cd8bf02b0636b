// The error a caller of a lazy tree can cause.
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
inline constexpr int hcTFWrongMoveError = 2001;
inline constexpr const char* SWrongMoveError = "Target node cannot be a child node of the node to be moved.";
inline constexpr int hcTFWrongStreamFormat = 2002;
inline constexpr const char* SWrongStreamFormat = "Unable to load tree structure, the format is wrong.";
inline constexpr int hcTFWrongStreamVersion = 2003;
inline constexpr const char* SWrongStreamVersion = "Unable to load tree structure, the version is unknown.";
inline constexpr int hcTFStreamTooSmall = 2004;
inline constexpr const char* SStreamTooSmall = "Unable to load tree structure, not enough data available.";
inline constexpr int hcTFCorruptStream1 = 2005;
inline constexpr const char* SCorruptStream1 = "Stream data corrupt. A node's anchor chunk is missing.";
inline constexpr int hcTFCorruptStream2 = 2006;
inline constexpr const char* SCorruptStream2 =
    "Stream data corrupt. Unexpected data after node's end position.";
// Our own guard against streams nested deeper than any tree anyone builds.
inline constexpr const char* SStreamTooDeep = "Stream data corrupt. The nodes are nested too deeply.";
inline constexpr int hcTFCannotSetUserData = 2008;
inline constexpr const char* SCannotSetUserData =
    "Cannot set initial user data because there is not enough user data space allocated.";

[[noreturn]] void RaiseTreeError(const std::string& message, int helpContext);

} // namespace lazytree
