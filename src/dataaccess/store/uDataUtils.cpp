#include "dataaccess/store/uDataUtils.h"

#include "core/uUnicode.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Utf.h"

#include <algorithm>
#include <cstring>

namespace dataaccess {

// ---- Time stamps and calendar values

void CheckTimeStamp(const TTimeStamp& stamp) {
    if (stamp.Time < 0 || stamp.Date <= 0)
        throw rtl::EConversionError(rtl::Format("'%d.%d' is not a valid timestamp", stamp.Date, stamp.Time));
}

rtl::TDateTime StampToDateTime(const TTimeStamp& stamp) {
    CheckTimeStamp(stamp);
    const double days = stamp.Date - kDateDelta;
    const double time = static_cast<double>(stamp.Time) / kMSecsPerDay;
    return days >= 0 ? days + time : days - time;
}

bool EncodeDateValue(int year, int month, int day, rtl::TDateTime& value) {
    try {
        value = rtl::EncodeDate(year, month, day);
        return true;
    } catch (const rtl::EConversionError&) {
        return false;
    }
}

bool EncodeTimeValue(int hour, int minute, int second, int millisecond, rtl::TDateTime& value) {
    try {
        value = rtl::EncodeTime(hour, minute, second, millisecond);
        return true;
    } catch (const rtl::EConversionError&) {
        return false;
    }
}

bool EncodeDateTimeValue(int year, int month, int day, int hour, int minute, int second, int millisecond,
                         rtl::TDateTime& value) {
    rtl::TDateTime date = 0;
    rtl::TDateTime time = 0;
    if (!EncodeDateValue(year, month, day, date) || !EncodeTimeValue(hour, minute, second, millisecond, time))
        return false;
    // Before day 0 the fraction still counts forward from midnight.
    value = date > 0 ? date + time : date - time;
    return true;
}

// ---- Values

namespace {

bool IsText(const rtl::Variant& v) {
    return v.Type() == rtl::varString || v.Type() == rtl::varWideString;
}

bool IsEmptyText(const rtl::Variant& v) {
    return (v.Type() == rtl::varString && v.AsString().empty()) ||
           (v.Type() == rtl::varWideString && v.AsWideString().empty());
}

} // namespace

bool VarEqual(const rtl::Variant& a, const rtl::Variant& b) {
    if ((a.Type() == rtl::varWideString && IsText(b)) || (b.Type() == rtl::varWideString && IsText(a)))
        return a.AsWideString() == b.AsWideString();
    if (a.IsNull() || b.IsNull()) return a.IsNull() && b.IsNull();
    if (IsEmptyText(a)) return IsEmptyText(b);
    if (IsEmptyText(b)) return false;
    // Byte arrays compare item by item through the operator; an array never equals a scalar.
    return a == b;
}

// ---- Raw buffers

void CopyBuffer(const void* source, void* destination, int count) {
    if (count > 0) std::memmove(destination, source, static_cast<size_t>(count));
}

void CopyBufferFromAnsi(const std::string& source, void* destination, int count) {
    CopyBuffer(source.data(), destination, count);
}

void CopyBufferFromWide(const std::u16string& source, void* destination, int count) {
    CopyBuffer(source.data(), destination, count);
}

void FillBuffer(void* destination, int count, uint8_t value) {
    if (count > 0) std::memset(destination, value, static_cast<size_t>(count));
}

char16_t* StrCopyWide(char16_t* destination, const char16_t* source) {
    const size_t length = std::char_traits<char16_t>::length(source);
    std::char_traits<char16_t>::copy(destination, source, length + 1);
    return destination;
}

char16_t* StrLCopyWide(char16_t* destination, const char16_t* source, int count) {
    int length = 0;
    while (length < count && source[length] != u'\0')
        ++length;
    std::char_traits<char16_t>::copy(destination, source, static_cast<size_t>(length));
    destination[length] = u'\0';
    return destination;
}

int StrLenWide(const char16_t* text) {
    return static_cast<int>(std::char_traits<char16_t>::length(text));
}

namespace {

template <class CharT>
void TrimTrailing(CharT* buffer, int length) {
    if (length < 0) length = static_cast<int>(std::char_traits<CharT>::length(buffer));
    for (int i = length - 1; i >= 0 && (buffer[i] == CharT(' ') || buffer[i] == CharT(0)); --i)
        buffer[i] = CharT(0);
}

} // namespace

void TrimTrailingAnsi(char* buffer, int length) {
    TrimTrailing(buffer, length);
}

void TrimTrailingWide(char16_t* buffer, int length) {
    TrimTrailing(buffer, length);
}

// ---- Comparisons

namespace {

int Sign(int value) {
    return (value > 0) - (value < 0);
}

int CompareText(std::u16string_view a, std::u16string_view b) {
    return Sign(core::WideCompareTextLocale(a, b, core::kUserDefaultLocale));
}

// Texts that collate equal ignoring case: at the first difference a lower-case letter comes first,
// anything else in code order.
int CompareStr(std::u16string_view a, std::u16string_view b) {
    if (const int order = CompareText(a, b)) return order;
    const auto [ia, ib] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (ia == a.end() || ib == b.end()) return Sign(static_cast<int>(a.size()) - static_cast<int>(b.size()));
    const bool lowerA = core::UnicodeToUpper(*ia) != std::u32string(1, *ia);
    const bool lowerB = core::UnicodeToUpper(*ib) != std::u32string(1, *ib);
    if (lowerA != lowerB) return lowerA ? -1 : 1;
    return *ia < *ib ? -1 : 1;
}

std::u16string_view Prefix(std::u16string_view text, int count) {
    return text.substr(0, static_cast<size_t>(std::max(count, 0)));
}

template <class Map>
std::string MapCase(std::string_view text, Map map) {
    const std::u16string wide = rtl::Utf8ToUtf16(text);
    std::u16string mapped;
    mapped.reserve(wide.size());
    for (size_t pos = 0; pos < wide.size();)
        for (char32_t code : map(core::WideCodePointAt(wide, pos)))
            core::WideAppendCodePoint(mapped, code);
    return rtl::Utf16ToUtf8(mapped);
}

} // namespace

int CompareStrAnsiZ(const char* a, const char* b) {
    return CompareStrAnsi(a, b);
}

int CompareTextAnsiZ(const char* a, const char* b) {
    return CompareTextAnsi(a, b);
}

int CompareStrAnsi(std::string_view a, std::string_view b) {
    return CompareStr(rtl::Utf8ToUtf16(a), rtl::Utf8ToUtf16(b));
}

int CompareTextAnsi(std::string_view a, std::string_view b) {
    return CompareText(rtl::Utf8ToUtf16(a), rtl::Utf8ToUtf16(b));
}

int CompareStrWide(std::u16string_view a, std::u16string_view b) {
    return CompareStr(a, b);
}

int CompareTextWide(std::u16string_view a, std::u16string_view b) {
    return CompareText(a, b);
}

int CompareStrWideN(std::u16string_view a, std::u16string_view b, int count) {
    return CompareStr(Prefix(a, count), Prefix(b, count));
}

int CompareTextWideN(std::u16string_view a, std::u16string_view b, int count) {
    return CompareText(Prefix(a, count), Prefix(b, count));
}

std::string AnsiLower(std::string_view text) {
    return MapCase(text, core::UnicodeToLower);
}

std::string AnsiUpper(std::string_view text) {
    return MapCase(text, core::UnicodeToUpper);
}

bool SameTextAnsi(std::string_view a, std::string_view b) {
    return CompareTextAnsi(a, b) == 0;
}

std::string AnsiQuote(std::string_view text, char quote) {
    std::string result(1, quote);
    for (char ch : text) {
        result += ch;
        if (ch == quote) result += quote;
    }
    result += quote;
    return result;
}

std::string AnsiDequote(std::string_view text, char quote) {
    if (text.empty() || text.front() != quote) return std::string(text);
    std::string result;
    for (size_t i = 1; i < text.size(); ++i) {
        if (text[i] != quote) {
            result += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == quote) {
            result += quote;
            ++i;
        } else {
            return result;
        }
    }
    return std::string(text); // no closing quote
}

std::string VariantText(const rtl::Variant& value) {
    return value.IsNull() ? std::string() : value.AsString();
}

} // namespace dataaccess
