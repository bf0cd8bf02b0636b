#include "dataaccess/store/uSortColumn.h"

#include "dataaccess/store/uDataUtils.h"
#include "platform/rtl/Utf.h"

#include <algorithm>
#include <cstring>

namespace dataaccess {

namespace {

template <class View>
int Ordinal(View a, View b) {
    const int c = a.compare(b);
    return (c > 0) - (c < 0);
}

} // namespace

bool IsTextVariant(const rtl::Variant& value) {
    return value.Type() == rtl::varString || value.Type() == rtl::varWideString;
}

bool IsNumericVariant(const rtl::Variant& value) {
    switch (value.Type()) {
    case rtl::varBoolean:
    case rtl::varInt64:
    case rtl::varUInt64:
    case rtl::varDouble:
    case rtl::varDate:
        return true;
    default:
        return false;
    }
}

std::u16string WideUpper(std::u16string_view text) {
    return rtl::Utf8ToUtf16(AnsiUpper(rtl::Utf16ToUtf8(text)));
}

int CompareStrZ(const char* a, const char* b, int flags) {
    return CompareStrings(a, b, flags);
}

int CompareStrings(std::string_view a, std::string_view b, int flags) {
    if (flags & cfBinary) return Ordinal(a, b);
    return flags & cfCaseInsensitive ? CompareTextAnsi(a, b) : CompareStrAnsi(a, b);
}

int CompareWideStrings(std::u16string_view a, std::u16string_view b, int flags) {
    if (flags & cfBinary) return Ordinal(a, b);
    return flags & cfCaseInsensitive ? CompareTextWide(a, b) : CompareStrWide(a, b);
}

int CompareWidePrefix(std::u16string_view a, std::u16string_view b, int flags) {
    return CompareWideStrings(a, b.substr(0, a.size()), flags);
}

int MatchStrings(std::string_view first, std::string_view second, int flags) {
    if (!(flags & (cfPartial | cfSubstring))) return CompareStrings(first, second, flags);
    return MatchWideStrings(rtl::Utf8ToUtf16(first), rtl::Utf8ToUtf16(second), flags);
}

int MatchWideStrings(std::u16string_view first, std::u16string_view second, int flags) {
    if (flags & cfSubstring) {
        if (flags & cfCaseInsensitive && !(flags & cfBinary))
            return WideUpper(second).find(WideUpper(first)) == std::u16string::npos ? 1 : 0;
        return second.find(first) == std::u16string_view::npos ? 1 : 0;
    }
    if (flags & cfPartial) {
        const size_t length = first.empty() ? second.size() : first.size();
        if (second.size() < length) return 1;
        return CompareWideStrings(first, second.substr(0, length), flags);
    }
    return CompareWideStrings(first, second, flags);
}

int CompareVariants(const rtl::Variant& a, const rtl::Variant& b) {
    if (IsNumericVariant(a) && IsNumericVariant(b)) return CompareOrdered(a.AsExtended(), b.AsExtended());
    if (IsTextVariant(a) && IsTextVariant(b)) return CompareStrWide(a.AsWideString(), b.AsWideString());
    if (IsTextVariant(a) && IsNumericVariant(b)) return -CompareVariants(b, a);
    if (IsNumericVariant(a) && IsTextVariant(b)) {
        if (a.Type() == rtl::varDate) return CompareOrdered(a.AsDateTime(), b.AsDateTime());
        return CompareOrdered(a.AsExtended(), b.AsExtended());
    }
    return CompareOrdered(static_cast<int>(a.Type()), static_cast<int>(b.Type()));
}

} // namespace dataaccess
