// Dates and times as day numbers with a fraction: encoding, decoding and text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rtl {

// A point in time as the runtime keeps it: days since 1899-12-30 (day 0) plus the time of day as the
// fraction. Before day 0 the fraction still counts forward from midnight: -1.25 is 1899-12-29 06:00.
using TDateTime = double;

struct DateTimeParts {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    bool operator==(const DateTimeParts&) const = default;
};

// Years 1..9999 and valid calendar days; anything else raises EConversionError
// "Invalid argument to date encode" / "Invalid argument to time encode".
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);

// Rounded to the millisecond. A value outside the years 1..9999 raises EConversionError
// "Invalid date/time value".
DateTimeParts DecodeDateTime(TDateTime value);

// "yyyy-mm-dd", followed by " hh:nn:ss" when there is a time of day and ".zzz" when it has
// milliseconds.
std::string DateTimeToString(TDateTime value);

// Reads "yyyy-mm-dd", "yyyy-mm-dd hh:nn[:ss[.zzz]]" (a "T" may stand for the space) or a time alone
// "hh:nn[:ss[.zzz]]" (on day 0); blanks around the text are ignored. Nothing for any other text.
std::optional<TDateTime> TryStringToDateTime(std::string_view text);

} // namespace rtl
