// What the main window saves and restores per connection: the open modules and the main block.
#pragma once

#include <string>
#include <vector>

namespace engine {
class TBreakPoints;
}
namespace rtl {
class TSettings;
}

namespace app {

// What the main window remembers per connection between runs of the program.
struct TSessionState {
    struct TModule {
        std::string identifier; // the routine's qualified name as the routine holds it
        int kind = 0;           // 1 procedure, 2 function

        bool operator==(const TModule&) const = default;
    };

    std::u16string mainText;
    std::string watches; // comma text of UTF-8 expressions
    std::vector<TModule> modules;
    int activeModule = 0;
    std::u16string sqlText;

    bool operator==(const TSessionState&) const = default;
};

// The main block a connection without a session starts with.
std::u16string DefaultMainText();

std::string SessionKey(const std::string& connectionDescription);

// Writes the session afresh (the old key goes with all its subkeys), breakpoints included.
void SaveSession(rtl::TSettings& settings, const std::string& connectionDescription,
                 const TSessionState& state, const engine::TBreakPoints& breakpoints);

// Reads the session; the breakpoint list is replaced by the stored one. Missing values give the
// defaults of a first run.
TSessionState LoadSession(rtl::TSettings& settings, const std::string& connectionDescription,
                          engine::TBreakPoints& breakpoints);

// The string value, or the default when the key or the value is missing; the key is not created.
std::string ReadRegString(rtl::TSettings& settings, const std::string& key, const std::string& name,
                          const std::string& defaultValue);
// Creates the key when missing.
void WriteRegString(rtl::TSettings& settings, const std::string& key, const std::string& name,
                    const std::string& text);

} // namespace app
