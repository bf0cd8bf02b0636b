// Conversions between Windows code pages, UTF-8 and UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace rtl {

// Windows code page numbers with a meaning of their own.
inline constexpr int kCodePageBinary = -1; // raw bytes, no character set
inline constexpr int kCodePageUtf16 = 1200;
inline constexpr int kCodePageUtf8 = 65001;

// The iconv character-set name of a Windows code page, or empty when the code page is unknown.
std::string_view CodePageCharset(int codePage);

// Text between a code page and UTF-16 or UTF-8. Bytes the code page does not define become U+FFFD;
// characters the code page lacks become "?", its default character. Code page -1 keeps the bytes:
// each byte is one UTF-16 unit and back (units above 0xFF become "?"). An unknown code page raises
// EOSError "Unsupported code page %d".
std::u16string CodePageToUtf16(std::string_view bytes, int codePage);
std::string Utf16ToCodePage(std::u16string_view text, int codePage);

// The same through UTF-8; code page -1 returns the bytes unchanged.
std::string CodePageToUtf8(std::string_view bytes, int codePage);
std::string Utf8ToCodePage(std::string_view text, int codePage);

} // namespace rtl
