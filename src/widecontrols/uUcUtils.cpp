#include "widecontrols/uUcUtils.h"

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Format.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Resources.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>

namespace widecontrols {

namespace {

std::atomic<int> defaultAnsiCodePage{CP_UTF8};

constexpr std::string_view kBase64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The UTF-7 character classes over the codes 0-127.
struct Utf7Tables {
    std::array<bool, 128> mustShift{}; // with the optional set written directly
    std::array<int8_t, 128> base64{};

    Utf7Tables() {
        constexpr std::string_view kDirect =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789'(),-./:?";
        constexpr std::string_view kOptional = "!\"#$%&*;<=>@[]^_`{|}";
        constexpr std::string_view kSpace = "\t\r\n ";
        mustShift.fill(true);
        base64.fill(-1);
        for (std::string_view set : {kDirect, kOptional, kSpace})
            for (char c : set)
                mustShift[static_cast<unsigned char>(c)] = false;
        for (size_t i = 0; i < kBase64.size(); ++i)
            base64[static_cast<unsigned char>(kBase64[i])] = static_cast<int8_t>(i);
    }

    bool MustShift(char16_t c) const { return c > 127 || mustShift[c]; }
    int Base64Value(unsigned c) const { return c > 127 ? -1 : base64[c]; }
};

const Utf7Tables& Tables() {
    static const Utf7Tables tables;
    return tables;
}

int ResolveCodePage(int codePage) {
    return codePage == CP_ACP || codePage == CP_THREAD_ACP ? DefaultAnsiCodePage() : codePage;
}

} // namespace

int DefaultAnsiCodePage() {
    return defaultAnsiCodePage.load();
}

void SetDefaultAnsiCodePage(int codePage) {
    defaultAnsiCodePage.store(codePage);
}

WideString AnsiToWide(std::string_view text) {
    return StringToWideWithCodePage(text, CP_ACP);
}

std::string WideToAnsi(std::u16string_view text) {
    return WideToStringWithCodePage(text, CP_ACP);
}

std::string WideToUtf8(std::u16string_view text) {
    return rtl::Utf16ToUtf8(text);
}

WideString Utf8ToWide(std::string_view text) {
    return rtl::Utf8ToUtf16(text);
}

std::string WideToUtf7(std::u16string_view text) {
    const Utf7Tables& tables = Tables();
    std::string out;
    bool shifted = false;
    uint32_t bits = 0;
    int bitCount = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        const bool done = i == text.size();
        const char16_t c = done ? 0 : text[i];
        const bool mustShift = !done && tables.MustShift(c);
        if (mustShift && !shifted) {
            out += '+';
            if (c == u'+') {
                out += '-';
                continue;
            }
            shifted = true;
        }
        if (shifted) {
            if (mustShift) {
                bits = (bits << 16) | c;
                bitCount += 16;
            } else {
                const int pad = (6 - bitCount % 6) % 6;
                bits <<= pad;
                bitCount += pad;
            }
            while (bitCount >= 6) {
                bitCount -= 6;
                out += kBase64[(bits >> bitCount) & 0x3F];
            }
            bits &= (1u << bitCount) - 1;
            if (!mustShift) {
                // A "-" ends the run only where the next character would otherwise be read into it.
                if (!done && (tables.Base64Value(c) >= 0 || c == u'-')) out += '-';
                shifted = false;
            }
        }
        if (!mustShift && !done) out += static_cast<char>(c);
    }
    return out;
}

WideString Utf7ToWide(std::string_view text) {
    const Utf7Tables& tables = Tables();
    WideString out;
    bool valid = true;
    bool shifted = false, first = false, wrote = false;
    uint32_t bits = 0;
    int bitCount = 0;
    for (size_t i = 0;; ++i) {
        const bool done = i >= text.size();
        const unsigned char c = done ? 0 : static_cast<unsigned char>(text[i]);
        if (shifted) {
            const int value = done ? -1 : tables.Base64Value(c);
            if (value >= 0) {
                bits = (bits << 6) | static_cast<uint32_t>(value);
                bitCount += 6;
                first = false;
            }
            while (bitCount >= 16) {
                bitCount -= 16;
                out += static_cast<char16_t>(bits >> bitCount);
                wrote = true;
            }
            bits &= (1u << bitCount) - 1;
            if (value >= 0) continue;
            shifted = false;
            if (bits != 0) valid = false;
            bits = 0;
            bitCount = 0;
            if (c == '-') {
                if (first) out += u'+';
                continue; // the "-" is consumed
            }
            if (!wrote) valid = false;
        }
        if (done) break;
        if (c == '+') {
            shifted = true;
            first = true;
            wrote = false;
        } else {
            if (c > 127) valid = false;
            out += static_cast<char16_t>(c);
        }
    }
    if (!valid) throw EUcGeneralError("Invalid UTF7");
    return out;
}

WideString StringToWideWithCodePage(std::string_view text, int codePage) {
    codePage = ResolveCodePage(codePage);
    if (codePage == CP_UTF7) return Utf7ToWide(text);
    return rtl::CodePageToUtf16(text, codePage);
}

std::string WideToStringWithCodePage(std::u16string_view text, int codePage) {
    codePage = ResolveCodePage(codePage);
    if (codePage == CP_UTF7) return WideToUtf7(text);
    return rtl::Utf16ToCodePage(text, codePage);
}

const WideString& GetSyncedWideString(WideString& stored, const std::string& currentAnsi) {
    if (WideToAnsi(stored) != currentAnsi) stored = AnsiToWide(currentAnsi);
    return stored;
}

void SetSyncedWideString(const WideString& value, WideString& stored, const std::string& currentAnsi,
                         const TSetAnsiStrEvent& setter) {
    if (value == GetSyncedWideString(stored, currentAnsi)) return;
    const std::string ansi = WideToAnsi(value);
    if (AnsiToWide(ansi) != value && currentAnsi == ansi) setter(std::string());
    stored = value;
    setter(ansi);
}

WideString AdjustLineBreaksWide(std::u16string_view text, TTextLineBreakStyle style) {
    static constexpr std::u16string_view kBreaks[] = {u"\n", u"\r\n", u"\r"};
    const std::u16string_view lineBreak = kBreaks[style];
    WideString out;
    out.reserve(text.size() + text.size() / 8);
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' || c == u'\n' || c == u'\u2028') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            out += lineBreak;
        } else {
            out += c;
        }
    }
    return out;
}

WideString ExpandFileNameWide(std::u16string_view fileName) {
    const std::filesystem::path path(WideToUtf8(fileName));
    return Utf8ToWide(std::filesystem::absolute(path).lexically_normal().string());
}

int LoadStringFromTable(uint32_t identifier, char16_t* buffer, int size) {
    if (identifier >> 16 == 0xFFFF) identifier = 0u - identifier;
    const auto block = ui::FindResource(ui::RT_STRING, static_cast<int>((identifier >> 4 & 0xFFFF) + 1));
    if (!block) return 0;
    const auto unitAt = [&](size_t pos) {
        return static_cast<char16_t>(static_cast<unsigned char>((*block)[pos]) |
                                     static_cast<unsigned char>((*block)[pos + 1]) << 8);
    };
    size_t pos = 0;
    for (uint32_t skip = identifier & 15;; --skip) {
        if (pos + 2 > block->size()) return 0; // a damaged table holds no such string
        const size_t length = unitAt(pos);
        pos += 2;
        if (pos + 2 * length > block->size()) return 0;
        if (skip == 0) {
            if (!buffer || size <= 0) return static_cast<int>(length);
            const size_t copied = std::min(static_cast<size_t>(size - 1), length);
            for (size_t i = 0; i < copied; ++i)
                buffer[i] = unitAt(pos + 2 * i);
            buffer[copied] = u'\0';
            return static_cast<int>(copied);
        }
        pos += 2 * length;
    }
}

int LoadStringWide(uint32_t identifier, char16_t* buffer, int size) {
    return LoadStringFromTable(identifier, buffer, size);
}

WideString LoadWideResString(const TResStringRec* record) {
    if (!record) return WideString();
    // Pointer-sized: on a 64-bit system no address is below 0x10000, but its low 32 bits may be.
    if (record->Identifier < 0x10000) {
        std::u16string buffer(4097, u'\0');
        const int length = LoadStringWide(static_cast<uint32_t>(record->Identifier), buffer.data(),
                                          static_cast<int>(buffer.size()));
        buffer.resize(static_cast<size_t>(length));
        return buffer;
    }
    const std::string_view text(reinterpret_cast<const char*>(record->Identifier));
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (text.size() > 3 && text.substr(0, 3) == kBom) return Utf8ToWide(text.substr(3));
    return AnsiToWide(text);
}

void SetWindowTextWide(ui::TControl& window, std::u16string_view text) {
    window.SetText(WideToUtf8(text));
}

WideString GetWindowTextWide(const ui::TControl& window) {
    return Utf8ToWide(window.Text());
}

int DrawTextWide(ui::TCanvas& canvas, std::u16string_view text, int count, ui::TRect& rect, uint32_t format) {
    if (count >= 0 && static_cast<size_t>(count) < text.size())
        text = text.substr(0, static_cast<size_t>(count));
    return canvas.DrawText(text, rect, format);
}

int WideTextWidth(ui::TCanvas& canvas, std::u16string_view text) {
    ui::TRect rect{0, 0, 0, 0};
    DrawTextWide(canvas, text, -1, rect, ui::DT_CALCRECT | ui::DT_SINGLELINE);
    return rect.Right;
}

WideChar KeyCodeToWideChar(uint32_t characterCode) {
    return static_cast<WideChar>(characterCode);
}

WideString SysErrorMessageWide(int errorCode) {
    std::string text = errorCode == 0 ? std::string() : std::strerror(errorCode);
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && isBlank(text.back()))
        text.pop_back();
    const auto first = std::find_if_not(text.begin(), text.end(), isBlank);
    text.erase(text.begin(), first);
    // The C library answers every number, naming the ones it does not know.
    if (text.empty() || text.starts_with("Unknown error"))
        text = rtl::Format("Unspecified error (%d) from %s.", errorCode, "system");
    return Utf8ToWide(text);
}

long CheckOsResult(long value) {
    if (value != 0) return value;
    const int code = errno;
    throw rtl::EOSError(
        rtl::Format("System Error. Code: %d. %s", code, WideToUtf8(SysErrorMessageWide(code))));
}

} // namespace widecontrols
