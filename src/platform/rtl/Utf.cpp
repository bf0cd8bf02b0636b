#include "platform/rtl/Utf.h"

#include <cstdint>

namespace rtl {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

struct Decoded {
    char32_t codePoint;
    size_t length; // bytes consumed, at least 1
};

// Decodes the code point at `pos`. A malformed sequence yields U+FFFD for its maximal valid prefix
// (at least one byte), so every bad byte run is replaced and decoding always moves on.
Decoded DecodeUtf8(std::string_view text, size_t pos) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    const uint8_t lead = byte(pos);
    if (lead < 0x80) return {lead, 1};

    size_t need;
    char32_t cp;
    uint8_t lo = 0x80, hi = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2;
        cp = lead & 0x0F;
        if (lead == 0xE0) lo = 0xA0; // overlong
        if (lead == 0xED) hi = 0x9F; // UTF-16 surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3;
        cp = lead & 0x07;
        if (lead == 0xF0) lo = 0x90; // overlong
        if (lead == 0xF4) hi = 0x8F; // above U+10FFFF
    } else {
        return {kReplacement, 1};
    }

    size_t i = pos + 1;
    for (size_t k = 0; k < need; ++k, ++i) {
        if (i >= text.size()) return {kReplacement, i - pos};
        const uint8_t b = byte(i);
        const uint8_t min = k == 0 ? lo : 0x80;
        const uint8_t max = k == 0 ? hi : 0xBF;
        if (b < min || b > max) return {kReplacement, i - pos};
        cp = (cp << 6) | (b & 0x3F);
    }
    return {cp, need + 1};
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The code point at `i`, advancing `i` past it; a lone surrogate gives U+FFFD.
char32_t NextUtf16(std::u16string_view text, size_t& i) {
    const char16_t c = text[i++];
    if (IsHighSurrogate(c) && i < text.size() && IsLowSurrogate(text[i]))
        return 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i++] - 0xDC00);
    if (IsHighSurrogate(c) || IsLowSurrogate(c)) return kReplacement;
    return c;
}

} // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) {
        const Decoded d = DecodeUtf8(text, pos);
        AppendUtf16(out, d.codePoint);
        pos += d.length;
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 3 / 2);
    for (size_t i = 0; i < text.size();)
        AppendUtf8(out, NextUtf16(text, i));
    return out;
}

std::u32string Utf16ToUtf32(std::u16string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();)
        out += NextUtf16(text, i);
    return out;
}

std::u16string Utf32ToUtf16(std::u32string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char32_t cp : text)
        AppendUtf16(out, (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF ? kReplacement : cp);
    return out;
}

char32_t Utf8Next(std::string_view text, size_t& pos) {
    const Decoded d = DecodeUtf8(text, pos);
    pos += d.length;
    return d.codePoint;
}

size_t Utf8Length(std::string_view text) {
    size_t count = 0;
    for (size_t pos = 0; pos < text.size(); ++count)
        pos += DecodeUtf8(text, pos).length;
    return count;
}

size_t Utf8PrefixBytes(std::string_view text, size_t count) {
    size_t pos = 0;
    for (; count > 0 && pos < text.size(); --count)
        pos += DecodeUtf8(text, pos).length;
    return pos;
}

} // namespace rtl
