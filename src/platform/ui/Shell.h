// Opening web addresses and files with the desktop's programs, and starting processes.
#pragma once

#include <functional>
#include <string>

namespace ui {

// Asks the desktop to open a web address or a file with the program it chooses; false when it
// refused. A path without a scheme is a local file.
bool ShellOpen(const std::string& target);
// Starts `program` as a process of its own that outlives this one; false when it could not start.
bool StartDetachedProcess(const std::string& program);
// The full path of the running program's file.
std::string ProgramFileName();

// ---- Watching the shell without a desktop (tests) ----
// Receives every ShellOpen target instead of the desktop and answers for it.
using TShellOpener = std::function<bool(const std::string& target)>;

// Installs `opener` for its lifetime; the previous one comes back afterwards.
class TShellOpenScope {
public:
    explicit TShellOpenScope(TShellOpener opener);
    ~TShellOpenScope();
    TShellOpenScope(const TShellOpenScope&) = delete;
    TShellOpenScope& operator=(const TShellOpenScope&) = delete;

private:
    TShellOpener previous_;
};

} // namespace ui
