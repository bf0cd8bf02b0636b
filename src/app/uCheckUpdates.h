// Once per run: does the web site offer another major or minor version than this one?
#pragma once

#include <cstdint>
#include <string>

namespace app {

enum TCheckUpdatesState : uint8_t {
    cusNotRun = 0,
    cusNoReply = 2,
    cusOtherVersion = 3,
    cusSameVersion = 4,
};

// Downloads the latest version's number from the address and compares it with the program's own.
// Never raises: every failure ends as "no reply".
void CheckUpdates(const std::string& url);
TCheckUpdatesState GetCheckUpdatesState();
// The text last downloaded, trimmed.
const std::string& GetCheckUpdatesReply();
// Both texts begin with the same "major.minor." (compared as text, so 05 and 5 differ).
bool SameMajorMinorVersion(const std::string& a, const std::string& b);

} // namespace app
