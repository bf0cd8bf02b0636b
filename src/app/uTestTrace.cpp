#include "app/uTestTrace.h"

#include <cstdlib>
#include <fstream>

namespace app {

namespace {

const char* TraceFile() {
    const char* file = std::getenv("VELTRANE_TRACE");
    return file && *file ? file : nullptr;
}

} // namespace

TTestTrace::TTestTrace() {
    if (!TraceFile()) return;
    answers_ = std::make_unique<ui::TDialogAnswers>([](const ui::TMessageRequest& request) {
        Write(request.caption + ": " + request.text);
        return ui::ButtonResult(request.defaultButton);
    });
}

void TTestTrace::Write(const std::string& line) {
    if (const char* file = TraceFile()) std::ofstream(file, std::ios::app) << line << '\n' << std::flush;
}

} // namespace app
