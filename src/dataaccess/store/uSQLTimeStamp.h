// Calendar dates and times as separate numbers, and their conversions.
#pragma once

#include "dataaccess/store/uDataUtils.h"
#include "platform/rtl/DateTime.h"

#include <cstdint>

namespace dataaccess {

// A calendar date and time of day as separate numbers; the fraction is in milliseconds.
struct TSQLTimeStamp {
    int16_t Year = 0;
    uint16_t Month = 0;
    uint16_t Day = 0;
    uint16_t Hour = 0;
    uint16_t Minute = 0;
    uint16_t Second = 0;
    uint32_t Fractions = 0;
    bool operator==(const TSQLTimeStamp&) const = default;
};

inline constexpr size_t kSQLTimeStampSize = sizeof(TSQLTimeStamp);
static_assert(kSQLTimeStampSize == 16);

TSQLTimeStamp DateTimeToSQLTimeStamp(rtl::TDateTime value);
// Raises EConversionError for a date or time outside the calendar or the clock.
rtl::TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& value);
// Year, month, day, hour, minute, second, then fraction.
int CompareSQLTimeStamps(const TSQLTimeStamp& a, const TSQLTimeStamp& b);

// The day number and milliseconds of a date-time value; the inverse of StampToDateTime.
TTimeStamp DateTimeToTimeStamp(rtl::TDateTime value);

} // namespace dataaccess
