#pragma once

#include "widecontrols/uUcUtils.h"

namespace widecontrols {

// Runs a test with a single-byte ANSI code page, so that what the 8-bit paths lose shows.
class AnsiCodePageScope {
public:
    explicit AnsiCodePageScope(int codePage) : saved_(DefaultAnsiCodePage()) {
        SetDefaultAnsiCodePage(codePage);
    }
    ~AnsiCodePageScope() { SetDefaultAnsiCodePage(saved_); }
    AnsiCodePageScope(const AnsiCodePageScope&) = delete;
    AnsiCodePageScope& operator=(const AnsiCodePageScope&) = delete;

private:
    int saved_;
};

} // namespace widecontrols
