// Escaping, quoting and hex forms of SQL strings, and code-page conversions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rtl {
class TStringList;
}

namespace core {

// Byte strings carry no code page of their own: the caller knows it, and conversions take it as an
// argument (65001 is UTF-8, -1 raw bytes).
using TStringArray = std::vector<std::string>;

// ---- Escaping and quoting

enum class TEscapeMode {
    Backslash, // MySQL backslash escapes; the literal needs a session without NO_BACKSLASH_ESCAPES
    Quote      // only the single quote doubled; reads back the same whatever the sql_mode
};

// Writes the escaped form of `length` bytes into `buffer`, which has room for 2 * length + 1 bytes,
// ends it with a zero byte and returns the number of bytes written before the zero.
size_t EscapeStringBuffer(const char* source, size_t length, char* buffer, TEscapeMode mode);
// The escaped bytes in single quotes.
std::string QuoteEscapedBuffer(std::string_view bytes, TEscapeMode mode);
// QuoteEscapedBuffer in backslash mode: "O'B<LF>" gives 'O\'B\n'.
std::string QuoteEscapedString(std::string_view bytes);
// Decodes the content of a string literal written between `quote` characters: backslash escapes
// ("\%" and "\_" keep their backslash) and the doubled quote character.
std::string UnescapeStringLiteral(std::string_view content, char quote = '\'');
// Longer than one character, and enclosed in single or in double quotes.
bool IsQuotedString(std::string_view text);
std::string UnquoteString(std::string_view text);
// A quoted string unchanged, any other text enclosed in single quotes without escaping.
std::string QuoteString(std::string_view text);

// ---- Hexadecimal, bits and scrambling

std::string BytesToHex(std::string_view bytes);
// Two digits per byte; an odd count reads as if led by "0", so "123" gives 01 23 as the server
// reads 0x123. A digit that is not hexadecimal raises EConversionError.
std::string HexToBytes(std::string_view hex);
// One 64-bit number; digits past 16 push the first ones out. Any character that is not a hex digit
// makes the result 0.
int64_t HexToInt64(std::string_view hex);
// "0"/"1" digits, the first the most significant, left-padded to whole bytes: "101" gives 05.
// Any other character raises EConversionError.
std::string BitStringToBytes(std::string_view bits);
// Each byte XOR the key's byte at the same position, the key repeated; the key must not be empty.
std::string XorString(std::string_view data, std::string_view key);
// Obfuscation for a stored password (not encryption): hex of the XOR with a key, and back.
std::string HexXorEncode(std::string_view text, std::string_view key);
std::string HexXorDecode(std::string_view hex, std::string_view key);

// ---- Code pages; each asserts "Binary code page detected" for code page -1

void AssertNotBinaryCodePage(int codePage);
std::u16string CodePageToWide(std::string_view bytes, int codePage);
std::string CodePageToUtf8(std::string_view bytes, int codePage);
// Characters the code page lacks become its default character; combining sequences are composed
// first, so "e" and U+0301 become the code page's "é" when it has one.
std::string WideToCodePage(std::u16string_view text, int codePage);
std::string Utf8ToCodePage(std::string_view text, int codePage);
std::string ConvertCodePage(std::string_view bytes, int fromCodePage, int toCodePage);

// ---- Splitting, joining and small tests

// Splits at every occurrence of the delimiter; the text after the last one is always the last item,
// so "" gives one empty item and "a,,b" three items.
TStringArray SplitString(std::string_view text, std::string_view delimiter);
TStringArray StringsToArray(const rtl::TStringList& list);
// An empty item leaves the text unchanged; an empty text becomes the item.
void AppendWithDelimiter(std::string& text, std::string_view item, std::string_view delimiter);
void WideAppendWithDelimiter(std::u16string& text, std::u16string_view item, std::u16string_view delimiter);
// The prefix before every line (breaks CR LF, CR or LF), lines joined with CR LF, trailing blanks
// and control characters removed.
std::string PrefixLines(std::string_view text, std::string_view prefix);
// Every line break (CR LF, CR, LF, VT, FF, U+2028, U+2029) becomes CR LF; a final break disappears.
std::u16string NormalizeLineBreaks(std::u16string_view text);
// Blanks and control characters removed at both ends, inner runs of them replaced by one space.
std::string CompressSpaces(std::string_view text);
std::u16string WideTrimSpaces(std::u16string_view text);
std::string DupeChar(char c, size_t count);
bool CharInString(char c, std::string_view text);
// Not empty and only 0-9.
bool IsDigits(std::string_view text);
// Equal ignoring ASCII case.
bool SameText(std::string_view a, std::string_view b);
bool StringInArray(std::string_view text, const TStringArray& array);
// Milliseconds as seconds with two decimals: 1234 gives "1.23".
std::string FormatMilliseconds(int64_t milliseconds);
// Whether the expression matches the text; on a match `subMatchText` is the text of submatch
// `subMatch` (0 the whole match), otherwise empty.
bool RegExprMatch(std::string_view expression, std::string_view text, int subMatch,
                  std::string& subMatchText);

} // namespace core
