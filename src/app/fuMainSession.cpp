#include "app/fuMainSession.h"

#include <charconv>

#include "engine/debugger/uBreakPoints.h"
#include "platform/rtl/Settings.h"
#include "platform/rtl/Utf.h"

namespace app {
namespace {

std::string SubKey(const std::string& sessionKey, const char* list, int index) {
    return sessionKey + "\\" + list + "\\" + std::to_string(index);
}

// A number as the text it is stored as; anything else counts as 0.
int TextToIntOrZero(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

void SaveBreakpoints(rtl::TSettings& settings, const std::string& key,
                     const engine::TBreakPoints& breakpoints) {
    for (int i = 0; i < breakpoints.Count(); ++i) {
        const engine::TBreakPoint& breakpoint = breakpoints.Items(i);
        settings.OpenKey(SubKey(key, "Breakpoints", i), true);
        settings.WriteString("ModuleIdentifier", breakpoint.RoutineName());
        settings.WriteInteger("Line", breakpoint.Line());
        settings.WriteInteger("RoutineType", breakpoint.RoutineKind());
        settings.WriteString("Condition", rtl::Utf16ToUtf8(breakpoint.Condition()));
        settings.WriteInteger("Enabled", breakpoint.Enabled() ? 1 : 0);
    }
}

// Numbering has no gaps: the first missing subkey ends the list.
void LoadBreakpoints(rtl::TSettings& settings, const std::string& key, engine::TBreakPoints& breakpoints) {
    breakpoints.Clear();
    for (int i = 0; settings.OpenKey(SubKey(key, "Breakpoints", i), false); ++i) {
        engine::TBreakPoint& breakpoint =
            breakpoints.Add(settings.ReadString("ModuleIdentifier"),
                            static_cast<std::uint8_t>(settings.ReadInteger("RoutineType")),
                            static_cast<int>(settings.ReadInteger("Line")));
        if (settings.ValueExists("Condition"))
            breakpoint.SetCondition(rtl::Utf8ToUtf16(settings.ReadString("Condition")));
        if (settings.ValueExists("Enabled")) breakpoint.SetEnabled(settings.ReadInteger("Enabled") != 0);
    }
    settings.CloseKey();
}

} // namespace

std::u16string DefaultMainText() {
    return u"BEGIN\r\n/* To quickly start debugging use the Configure environment command\r\n"
           u"from the context menu of the Schema browser. */\r\nEND";
}

std::string SessionKey(const std::string& connectionDescription) {
    return "Software\\Veltrane\\Sessions\\" + connectionDescription;
}

std::string ReadRegString(rtl::TSettings& settings, const std::string& key, const std::string& name,
                          const std::string& defaultValue) {
    if (!settings.OpenKey(key, false)) return defaultValue;
    std::string value = settings.ValueExists(name) ? settings.ReadString(name) : defaultValue;
    settings.CloseKey();
    return value;
}

void WriteRegString(rtl::TSettings& settings, const std::string& key, const std::string& name,
                    const std::string& text) {
    settings.OpenKey(key, true);
    settings.WriteString(name, text);
    settings.CloseKey();
}

void SaveSession(rtl::TSettings& settings, const std::string& connectionDescription,
                 const TSessionState& state, const engine::TBreakPoints& breakpoints) {
    const std::string key = SessionKey(connectionDescription);
    settings.DeleteKey(key);
    WriteRegString(settings, key, "Main", rtl::Utf16ToUtf8(state.mainText));
    WriteRegString(settings, key, "Watches", state.watches);
    for (std::size_t i = 0; i < state.modules.size(); ++i) {
        settings.OpenKey(SubKey(key, "Modules", static_cast<int>(i)), true);
        settings.WriteString("ModuleIdentifier", state.modules[i].identifier);
        settings.WriteInteger("RoutineType", state.modules[i].kind);
    }
    WriteRegString(settings, key, "ActiveModule", std::to_string(state.activeModule));
    WriteRegString(settings, key, "SQL Window", rtl::Utf16ToUtf8(state.sqlText));
    SaveBreakpoints(settings, key, breakpoints);
    settings.CloseKey();
}

TSessionState LoadSession(rtl::TSettings& settings, const std::string& connectionDescription,
                          engine::TBreakPoints& breakpoints) {
    const std::string key = SessionKey(connectionDescription);
    TSessionState state;
    state.mainText =
        rtl::Utf8ToUtf16(ReadRegString(settings, key, "Main", rtl::Utf16ToUtf8(DefaultMainText())));
    state.watches = ReadRegString(settings, key, "Watches", {});
    LoadBreakpoints(settings, key, breakpoints);
    for (int i = 0; settings.OpenKey(SubKey(key, "Modules", i), false); ++i)
        state.modules.push_back(
            {settings.ReadString("ModuleIdentifier"), static_cast<int>(settings.ReadInteger("RoutineType"))});
    settings.CloseKey();
    state.activeModule = TextToIntOrZero(ReadRegString(settings, key, "ActiveModule", "0"));
    state.sqlText = rtl::Utf8ToUtf16(ReadRegString(settings, key, "SQL Window", {}));
    return state;
}

} // namespace app
