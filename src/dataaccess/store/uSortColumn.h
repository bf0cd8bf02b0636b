// Local sort orders of the record store and the string comparisons they use.
#pragma once

#include "platform/rtl/Variant.h"

#include <string_view>
#include <vector>

namespace dataaccess {

class TFieldDesc;

enum TSortType { stCaseSensitive, stCaseInsensitive, stBinary };

// One column of a store's local sort order.
struct TSortColumn {
    TFieldDesc* FieldDesc = nullptr;
    bool DescendingOrder = false;
    TSortType SortType = stCaseSensitive;
};

using TSortColumns = std::vector<TSortColumn>;

// Flags of the local comparisons. Text comparisons use the program's one collation (core's
// character tables); binary compares code units and wins over case-insensitive.
inline constexpr int cfCaseInsensitive = 1;
inline constexpr int cfPartial = 2;   // the first value against the same-length beginning of the second
inline constexpr int cfSubstring = 4; // 0 when the first value occurs anywhere in the second, else 1
inline constexpr int cfBinary = 8;

// -1, 0 or 1 by the binary and case-insensitive flags.
int CompareStrZ(const char* a, const char* b, int flags);
int CompareStrings(std::string_view a, std::string_view b, int flags);
int CompareWideStrings(std::u16string_view a, std::u16string_view b, int flags);
// The first text against the beginning of the second of the same length (the second is at least as
// long).
int CompareWidePrefix(std::u16string_view a, std::u16string_view b, int flags);

// With cfSubstring: 0 when the first occurs in the second, else 1. With cfPartial: the first against
// as many leading characters of the second (all of it when the first is empty); a shorter second
// gives 1. Otherwise a plain comparison.
int MatchStrings(std::string_view first, std::string_view second, int flags);
int MatchWideStrings(std::u16string_view first, std::u16string_view second, int flags);

// Order of two values that are not null: numbers, booleans and dates by value; texts by the
// collation, case-sensitive; a text against a number or date is converted to it (EConversionError
// when it cannot be); other kinds by the order of their kinds.
int CompareVariants(const rtl::Variant& a, const rtl::Variant& b);

// The sign of a - b for ordered values.
template <class T>
int CompareOrdered(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

bool IsTextVariant(const rtl::Variant& value);
// Booleans, integers, floats and dates.
bool IsNumericVariant(const rtl::Variant& value);

// Locale-aware upper case of UTF-16 text.
std::u16string WideUpper(std::u16string_view text);

} // namespace dataaccess
