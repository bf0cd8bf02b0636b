// For the end-to-end tests of the program: with VELTRANE_TRACE naming a file, every message box is
// written to it ("<caption>: <text>", one line each) and answered with its default button instead of
// waiting for a user; without it, nothing changes.
#pragma once

#include "platform/ui/Dialogs.h"

#include <memory>
#include <string>

namespace app {

class TTestTrace {
public:
    TTestTrace();
    // Appends one line to the trace file, when there is one.
    static void Write(const std::string& line);

private:
    std::unique_ptr<ui::TDialogAnswers> answers_;
};

} // namespace app
