// Time stamps, calendar values, buffer copies and string comparisons the data-access units share.
#pragma once

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Variant.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace dataaccess {

// ---- Time stamps and calendar values

// Milliseconds since midnight, then days where day 1 is 1 January of year 1.
struct TTimeStamp {
    int32_t Time = 0;
    int32_t Date = 0;
};

// The day number of 30 December 1899, day 0 of a date-time value.
inline constexpr int32_t kDateDelta = 693594;
inline constexpr int32_t kMSecsPerDay = 86400000;

// Raises EConversionError "'%d.%d' is not a valid timestamp" (date, then time) for a negative time or
// a date of 0 or less.
void CheckTimeStamp(const TTimeStamp& stamp);
rtl::TDateTime StampToDateTime(const TTimeStamp& stamp);

// False, without raising, for values outside the calendar or the clock.
bool EncodeDateValue(int year, int month, int day, rtl::TDateTime& value);
bool EncodeTimeValue(int hour, int minute, int second, int millisecond, rtl::TDateTime& value);
bool EncodeDateTimeValue(int year, int month, int day, int hour, int minute, int second, int millisecond,
                         rtl::TDateTime& value);

// ---- Values

// Equality for key matching: text kinds compare as UTF-16 when either is UTF-16; Null equals only
// Null; an empty string equals only an empty string; everything else as the variant operator says.
bool VarEqual(const rtl::Variant& a, const rtl::Variant& b);

// ---- Raw buffers

void CopyBuffer(const void* source, void* destination, int count);
void CopyBufferFromAnsi(const std::string& source, void* destination, int count);
void CopyBufferFromWide(const std::u16string& source, void* destination, int count);
void FillBuffer(void* destination, int count, uint8_t value);

char16_t* StrCopyWide(char16_t* destination, const char16_t* source);
// Copies at most `count` characters and always adds a terminator.
char16_t* StrLCopyWide(char16_t* destination, const char16_t* source, int count);
int StrLenWide(const char16_t* text);

// Overwrites trailing spaces and zeros with zeros within `length` characters (-1: up to the
// terminator), from the end back to the first other character.
void TrimTrailingAnsi(char* buffer, int length);
void TrimTrailingWide(char16_t* buffer, int length);

// ---- Comparisons for local sorting: -1, 0 or 1.
// The case-insensitive forms use the program's one text collation (core's character tables); the
// case-sensitive forms order like it and then put a lower-case letter before its capital.

int CompareStrAnsiZ(const char* a, const char* b);
int CompareTextAnsiZ(const char* a, const char* b);
int CompareStrAnsi(std::string_view a, std::string_view b);
int CompareTextAnsi(std::string_view a, std::string_view b);
int CompareStrWide(std::u16string_view a, std::u16string_view b);
int CompareTextWide(std::u16string_view a, std::u16string_view b);
// The first `count` characters of each (fewer when a text is shorter).
int CompareStrWideN(std::u16string_view a, std::u16string_view b, int count);
int CompareTextWideN(std::u16string_view a, std::u16string_view b, int count);
inline int TextCompare(std::string_view a, std::string_view b) {
    return CompareTextAnsi(a, b);
}

std::string AnsiLower(std::string_view text);
std::string AnsiUpper(std::string_view text);
bool SameTextAnsi(std::string_view a, std::string_view b);
// The text between quote characters, inner quote characters doubled; and back. Dequoting a text
// that does not start with the quote, or lacks the closing one, returns it unchanged.
std::string AnsiQuote(std::string_view text, char quote);
std::string AnsiDequote(std::string_view text, char quote);
std::string VariantText(const rtl::Variant& value);

// ---- Objects and bytes

// Whether the object is of class T or derives from it; false for no object.
template <class T, class U>
bool IsClassOf(const U* object) {
    return dynamic_cast<const T*>(object) != nullptr;
}

inline uint32_t SwapBytes32(uint32_t value) {
    return __builtin_bswap32(value);
}

} // namespace dataaccess
