// Lossless conversions between UTF-8, UTF-16 and UTF-32.
#pragma once

#include <string>
#include <string_view>

namespace rtl {

using WideString = std::u16string;
using WideChar = char16_t;

// UTF-8 <-> UTF-16 that never loses text: four-byte characters become surrogate pairs and back;
// malformed input (bad bytes, overlongs, lone surrogates) becomes U+FFFD, never an empty result.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// The code point at `pos` of UTF-8 text, moving `pos` past it; a malformed sequence gives U+FFFD.
char32_t Utf8Next(std::string_view text, size_t& pos);

// UTF-16 <-> code points, with the same rules (a lone surrogate becomes U+FFFD).
std::u32string Utf16ToUtf32(std::u16string_view text);
std::u16string Utf32ToUtf16(std::u32string_view text);

// Number of code points in UTF-8 text, and the byte length of its first `count` code points
// (so text can be cut at character boundaries).
size_t Utf8Length(std::string_view text);
size_t Utf8PrefixBytes(std::string_view text, size_t count);

} // namespace rtl
