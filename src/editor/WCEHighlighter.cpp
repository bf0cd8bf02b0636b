#include "editor/WCEHighlighter.h"

#include "core/uUnicode.h"
#include "editor/WideCodeEditModel.h"
#include "platform/rtl/Settings.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <strings.h>

namespace editor {

namespace {

// The registry stand-in keeps strings and integers only, so the 12 bytes of an "Attributes" value
// (foreground, background, style byte, three zero bytes) are kept as 24 hexadecimal digits.
constexpr std::size_t kAttributesBytes = 12;

std::string EncodeAttributes(const THighlightAttributes& a) {
    std::array<uint8_t, kAttributesBytes> bytes{};
    auto put32 = [&](std::size_t at, TColor value) {
        for (int i = 0; i < 4; ++i)
            bytes[at + std::size_t(i)] = uint8_t(uint32_t(value) >> (8 * i));
    };
    put32(0, a.Foreground());
    put32(4, a.Background());
    uint8_t style = 0;
    for (int bit = 0; bit < 4; ++bit)
        if (a.Style().Contains(ui::TFontStyle(bit))) style |= uint8_t(1 << bit);
    bytes[8] = style;
    std::string hex;
    for (uint8_t b : bytes) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", b);
        hex += digits;
    }
    return hex;
}

// False for a value shorter than 12 bytes or not hexadecimal.
bool DecodeAttributes(const std::string& hex, TColor& foreground, TColor& background, TFontStyles& style) {
    if (hex.size() < 2 * kAttributesBytes) return false;
    std::array<uint8_t, kAttributesBytes> bytes{};
    for (std::size_t i = 0; i < kAttributesBytes; ++i) {
        unsigned value;
        if (std::sscanf(hex.c_str() + 2 * i, "%2x", &value) != 1) return false;
        bytes[i] = uint8_t(value);
    }
    auto get32 = [&](std::size_t at) {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= uint32_t(bytes[at + std::size_t(i)]) << (8 * i);
        return TColor(v);
    };
    foreground = get32(0);
    background = get32(4);
    style.Clear();
    for (int bit = 0; bit < 4; ++bit)
        if (bytes[8] & (1 << bit)) style.Include(ui::TFontStyle(bit));
    return true;
}

// A value of the legacy layout: text or integer.
std::string ReadText(const rtl::TSettings& settings, const std::string& name) {
    const std::string text = settings.ReadString(name);
    return text.empty() && settings.ValueExists(name) ? std::to_string(settings.ReadInteger(name)) : text;
}

bool ReadBoolean(const rtl::TSettings& settings, const std::string& name) {
    const std::string text = ReadText(settings, name);
    return strcasecmp(text.c_str(), "true") == 0 || (!text.empty() && text != "0" && std::isdigit(text[0]));
}

// A colour of the legacy layout, or nothing to leave the colour as it is.
std::optional<TColor> ReadLegacyColor(const rtl::TSettings& settings, std::string name, int version) {
    static constexpr TColor kPalette[16] = {ui::clBlack,  ui::clMaroon,  ui::clGreen, ui::clOlive,
                                            ui::clNavy,   ui::clPurple,  ui::clTeal,  ui::clGray,
                                            ui::clSilver, ui::clRed,     ui::clLime,  ui::clYellow,
                                            ui::clBlue,   ui::clFuchsia, ui::clAqua,  ui::clWhite};
    if (version >= 7) name += " New";
    if (!settings.ValueExists(name)) return std::nullopt;
    const std::string text = ReadText(settings, name);
    if (version >= 7) return ui::StringToColor(text);
    char* end = nullptr;
    const long index = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || index < 0 || index > 15) return std::nullopt;
    return kPalette[index];
}

} // namespace

// ---- THighlightAttributes

bool THighlightAttributes::LoadFromLegacyKey(rtl::TSettings& settings, const std::string& key, int version) {
    if (!settings.OpenKey(key, false)) return false;
    if (!ReadBoolean(settings, "Default Foreground"))
        if (auto color = ReadLegacyColor(settings, "Foreground Color", version)) foreground_ = *color;
    if (!ReadBoolean(settings, "Default Background"))
        if (auto color = ReadLegacyColor(settings, "Background Color", version)) background_ = *color;
    style_.Clear();
    if (ReadBoolean(settings, "Bold")) style_.Include(ui::fsBold);
    if (ReadBoolean(settings, "Italic")) style_.Include(ui::fsItalic);
    if (ReadBoolean(settings, "Underline")) style_.Include(ui::fsUnderline);
    return true;
}

void THighlightAttributes::Changed() {
    if (OnChange) OnChange(*this);
}

void THighlightAttributes::SetForeground(TColor value) {
    if (value == foreground_) return;
    foreground_ = value;
    Changed();
}

void THighlightAttributes::SetBackground(TColor value) {
    if (value == background_) return;
    background_ = value;
    Changed();
}

void THighlightAttributes::SetStyle(TFontStyles value) {
    if (value == style_) return;
    style_ = value;
    Changed();
}

void THighlightAttributes::Assign(const THighlightAttributes& source) {
    SetValues(source.foreground_, source.background_, source.style_);
    name_ = source.name_;
}

void THighlightAttributes::SetValues(TColor foreground, TColor background, TFontStyles style) {
    foreground_ = foreground;
    background_ = background;
    style_ = style;
}

// ---- TWCEHighlighter

TWCEHighlighter::~TWCEHighlighter() {
    const auto editors = editors_;
    for (TWideCodeEditModel* editor : editors)
        editor->HighlighterFreed(this);
}

void TWCEHighlighter::GetIdentChars(TIdentChars& chars) const {
    chars.reset();
    for (int c = 33; c <= 255; ++c)
        chars.set(std::size_t(c));
}

bool TWCEHighlighter::IsIdentChar(char16_t c) const {
    // The set is fixed for a highlighter class, so it is taken once and never dropped.
    if (!identCharsKnown_) {
        GetIdentChars(identChars_);
        identCharsKnown_ = true;
    }
    if (c < 256) return identChars_.test(c);
    return core::UnicodeIsIdentifierPart(c);
}

void TWCEHighlighter::AssignAttributes(const TWCEHighlighter& source) {
    for (int i = 0; i < source.GetAttribCount(); ++i) {
        const THighlightAttributes& from = *source.GetAttribute(i);
        for (int j = 0; j < GetAttribCount(); ++j) {
            THighlightAttributes& to = *GetAttribute(j);
            if (strcasecmp(from.Name().c_str(), to.Name().c_str()) == 0) to.Assign(from);
        }
    }
    RepaintEditors();
}

bool TWCEHighlighter::SaveToRegistry(rtl::TSettings& settings, const std::string& key) const {
    if (!settings.OpenKey(key, true)) return false;
    for (int i = 0; i < GetAttribCount(); ++i) {
        const THighlightAttributes& a = *GetAttribute(i);
        if (!settings.OpenKey(key + "\\" + a.Name(), true)) return false;
        settings.WriteString("Attributes", EncodeAttributes(a));
        settings.OpenKey(key, false);
    }
    return true;
}

bool TWCEHighlighter::LoadFromRegistry(rtl::TSettings& settings, const std::string& key) {
    if (!settings.OpenKey(key, false)) return false;
    for (int i = 0; i < GetAttribCount(); ++i) {
        THighlightAttributes& a = *GetAttribute(i);
        if (!settings.OpenKey(key + "\\" + a.Name(), false)) return false;
        TColor foreground, background;
        TFontStyles style;
        if (settings.ValueExists("Attributes") &&
            DecodeAttributes(settings.ReadString("Attributes"), foreground, background, style))
            a.SetValues(foreground, background, style);
        settings.OpenKey(key, false);
    }
    return true;
}

void TWCEHighlighter::AddEditor(TWideCodeEditModel* editor) {
    if (std::find(editors_.begin(), editors_.end(), editor) == editors_.end()) editors_.push_back(editor);
}

void TWCEHighlighter::RemoveEditor(TWideCodeEditModel* editor) {
    std::erase(editors_, editor);
}

void TWCEHighlighter::RepaintEditors() {
    for (TWideCodeEditModel* editor : editors_)
        editor->Repaint();
}

} // namespace editor
