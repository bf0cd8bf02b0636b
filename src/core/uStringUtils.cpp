#include "core/uStringUtils.h"

#include "core/uRegExpr.h"
#include "core/uUnicode.h"
#include "core/uWideStrings.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Utf.h"

#include <type_traits>

namespace core {

namespace {

template <class Char>
bool IsBlank(Char c) {
    return static_cast<std::make_unsigned_t<Char>>(c) <= ' ';
}

template <class Char>
std::basic_string_view<Char> TrimBlanks(std::basic_string_view<Char> text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

template <class Char>
void AppendItem(std::basic_string<Char>& text, std::basic_string_view<Char> item,
                std::basic_string_view<Char> delimiter) {
    if (item.empty()) return;
    if (!text.empty()) text += delimiter;
    text += item;
}

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = AsciiUpper(c);
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

[[noreturn]] void InvalidInteger(std::string_view text) {
    throw rtl::EConversionError(rtl::Format("'%s' is not a valid integer value", text));
}

} // namespace

// ---- Escaping and quoting

size_t EscapeStringBuffer(const char* source, size_t length, char* buffer, TEscapeMode mode) {
    // No lead-byte handling: the 8-bit text is UTF-8, whose multi-byte sequences never contain a
    // quote, a backslash or a control byte.
    char* out = buffer;
    for (const char* p = source; p != source + length; ++p) {
        const char c = *p;
        if (mode == TEscapeMode::Quote) {
            if (c == '\'') *out++ = '\'';
            *out++ = c;
            continue;
        }
        char escaped = 0;
        switch (c) {
        case '\0':
            escaped = '0';
            break;
        case '\n':
            escaped = 'n';
            break;
        case '\r':
            escaped = 'r';
            break;
        case '\x1A':
            escaped = 'Z';
            break;
        case '"':
        case '\'':
        case '\\':
            escaped = c;
            break;
        }
        if (escaped) {
            *out++ = '\\';
            *out++ = escaped;
        } else {
            *out++ = c;
        }
    }
    *out = '\0';
    return static_cast<size_t>(out - buffer);
}

std::string QuoteEscapedBuffer(std::string_view bytes, TEscapeMode mode) {
    std::string result(2 * bytes.size() + 3, '\0');
    result[0] = '\'';
    const size_t written = EscapeStringBuffer(bytes.data(), bytes.size(), result.data() + 1, mode);
    result[written + 1] = '\'';
    result.resize(written + 2);
    return result;
}

std::string QuoteEscapedString(std::string_view bytes) {
    return QuoteEscapedBuffer(bytes, TEscapeMode::Backslash);
}

std::string UnescapeStringLiteral(std::string_view content, char quote) {
    std::string result;
    result.reserve(content.size());
    for (size_t i = 0; i < content.size(); ++i) {
        const char c = content[i];
        if (c == '\\') {
            if (++i == content.size()) break;
            switch (const char e = content[i]) {
            case '0':
                result += '\0';
                break;
            case 'b':
                result += '\b';
                break;
            case 'n':
                result += '\n';
                break;
            case 'r':
                result += '\r';
                break;
            case 't':
                result += '\t';
                break;
            case 'Z':
                result += '\x1A';
                break;
            case '%':
            case '_': // kept for LIKE patterns, as the server does
                result += '\\';
                result += e;
                break;
            default:
                result += e;
            }
        } else if (c == quote && i + 1 < content.size() && content[i + 1] == quote) {
            result += quote;
            ++i;
        } else {
            result += c;
        }
    }
    return result;
}

bool IsQuotedString(std::string_view text) {
    return text.size() > 1 && (text.front() == '\'' || text.front() == '"') && text.back() == text.front();
}

std::string UnquoteString(std::string_view text) {
    return std::string(IsQuotedString(text) ? text.substr(1, text.size() - 2) : text);
}

std::string QuoteString(std::string_view text) {
    return IsQuotedString(text) ? std::string(text) : "'" + std::string(text) + "'";
}

// ---- Hexadecimal, bits and scrambling

std::string BytesToHex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(2 * bytes.size());
    for (unsigned char b : bytes) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 0xF];
    }
    return hex;
}

std::string HexToBytes(std::string_view hex) {
    const std::string digits = hex.size() % 2 ? "0" + std::string(hex) : std::string(hex);
    std::string bytes;
    bytes.reserve(digits.size() / 2);
    for (size_t i = 0; i < digits.size(); i += 2) {
        const int high = HexDigitValue(digits[i]);
        const int low = HexDigitValue(digits[i + 1]);
        if (high < 0 || low < 0) InvalidInteger(std::string_view(digits).substr(i, 2));
        bytes += static_cast<char>(high << 4 | low);
    }
    return bytes;
}

int64_t HexToInt64(std::string_view hex) {
    uint64_t value = 0;
    for (char c : hex) {
        const int digit = HexDigitValue(c);
        if (digit < 0) return 0;
        value = value << 4 | static_cast<uint64_t>(digit);
    }
    return static_cast<int64_t>(value);
}

std::string BitStringToBytes(std::string_view bits) {
    const std::string digits = std::string((8 - bits.size() % 8) % 8, '0') + std::string(bits);
    std::string bytes;
    bytes.reserve(digits.size() / 8);
    for (size_t i = 0; i < digits.size(); i += 8) {
        unsigned value = 0;
        for (size_t j = i; j < i + 8; ++j) {
            if (digits[j] != '0' && digits[j] != '1') InvalidInteger(digits.substr(j, 1));
            value = value << 1 | static_cast<unsigned>(digits[j] - '0');
        }
        bytes += static_cast<char>(value);
    }
    return bytes;
}

std::string XorString(std::string_view data, std::string_view key) {
    RTL_ASSERT(!key.empty());
    std::string result(data);
    for (size_t i = 0; i < result.size(); ++i)
        result[i] = static_cast<char>(result[i] ^ key[i % key.size()]);
    return result;
}

std::string HexXorEncode(std::string_view text, std::string_view key) {
    return BytesToHex(XorString(text, key));
}

std::string HexXorDecode(std::string_view hex, std::string_view key) {
    return XorString(HexToBytes(hex), key);
}

// ---- Code pages

void AssertNotBinaryCodePage(int codePage) {
    RTL_ASSERT_MSG(codePage != rtl::kCodePageBinary, "Binary code page detected");
}

std::u16string CodePageToWide(std::string_view bytes, int codePage) {
    AssertNotBinaryCodePage(codePage);
    return rtl::CodePageToUtf16(bytes, codePage);
}

std::string CodePageToUtf8(std::string_view bytes, int codePage) {
    return rtl::Utf16ToUtf8(CodePageToWide(bytes, codePage));
}

std::string WideToCodePage(std::u16string_view text, int codePage) {
    AssertNotBinaryCodePage(codePage);
    if (text.empty()) return {};
    if (codePage == rtl::kCodePageUtf8) return rtl::Utf16ToUtf8(text);
    return rtl::Utf16ToCodePage(WideNormalize(text, nfC), codePage);
}

std::string Utf8ToCodePage(std::string_view text, int codePage) {
    return WideToCodePage(rtl::Utf8ToUtf16(text), codePage);
}

std::string ConvertCodePage(std::string_view bytes, int fromCodePage, int toCodePage) {
    AssertNotBinaryCodePage(fromCodePage);
    AssertNotBinaryCodePage(toCodePage);
    return Utf8ToCodePage(CodePageToUtf8(bytes, fromCodePage), toCodePage);
}

// ---- Splitting, joining and small tests

TStringArray SplitString(std::string_view text, std::string_view delimiter) {
    TStringArray items;
    if (!delimiter.empty()) {
        for (size_t pos = text.find(delimiter); pos != std::string_view::npos; pos = text.find(delimiter)) {
            items.emplace_back(text.substr(0, pos));
            text.remove_prefix(pos + delimiter.size());
        }
    }
    items.emplace_back(text);
    return items;
}

TStringArray StringsToArray(const rtl::TStringList& list) {
    TStringArray items;
    items.reserve(list.Count());
    for (int i = 0; i < list.Count(); ++i)
        items.push_back(list.Strings(i));
    return items;
}

void AppendWithDelimiter(std::string& text, std::string_view item, std::string_view delimiter) {
    AppendItem(text, item, delimiter);
}

void WideAppendWithDelimiter(std::u16string& text, std::u16string_view item, std::u16string_view delimiter) {
    AppendItem(text, item, delimiter);
}

std::string PrefixLines(std::string_view text, std::string_view prefix) {
    rtl::TStringList lines;
    lines.SetText(text);
    std::string result;
    for (int i = 0; i < lines.Count(); ++i) {
        if (i > 0) result += "\r\n";
        result += prefix;
        result += lines.Strings(i);
    }
    while (!result.empty() && IsBlank(result.back()))
        result.pop_back();
    return result;
}

std::u16string NormalizeLineBreaks(std::u16string_view text) {
    TWideStringList lines;
    lines.SetText(text);
    return lines.GetText();
}

std::string CompressSpaces(std::string_view text) {
    std::string result;
    bool inBlanks = false;
    for (char c : TrimBlanks(text)) {
        if (IsBlank(c)) {
            inBlanks = true;
            continue;
        }
        if (inBlanks) result += ' ';
        inBlanks = false;
        result += c;
    }
    return result;
}

std::u16string WideTrimSpaces(std::u16string_view text) {
    return std::u16string(TrimBlanks(text));
}

std::string DupeChar(char c, size_t count) {
    return std::string(count, c);
}

bool CharInString(char c, std::string_view text) {
    return text.find(c) != std::string_view::npos;
}

bool IsDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

bool StringInArray(std::string_view text, const TStringArray& array) {
    for (const std::string& item : array)
        if (SameText(text, item)) return true;
    return false;
}

std::string FormatMilliseconds(int64_t milliseconds) {
    // Hundredths rounded half away from zero, in integers so that 1235 gives exactly "1.24".
    const uint64_t magnitude =
        milliseconds < 0 ? 0 - static_cast<uint64_t>(milliseconds) : static_cast<uint64_t>(milliseconds);
    const uint64_t hundredths = (magnitude + 5) / 10;
    std::string text =
        (milliseconds < 0 && hundredths > 0 ? "-" : "") + std::to_string(hundredths / 100) + ".";
    text += static_cast<char>('0' + hundredths % 100 / 10);
    text += static_cast<char>('0' + hundredths % 10);
    return text;
}

bool RegExprMatch(std::string_view expression, std::string_view text, int subMatch,
                  std::string& subMatchText) {
    TRegExpr regExpr;
    regExpr.SetExpression(expression);
    const bool matched = regExpr.Exec(text);
    subMatchText = matched ? regExpr.SubMatchText(subMatch) : std::string();
    return matched;
}

} // namespace core
