#include "dataaccess/store/uSQLTimeStamp.h"

#include "platform/rtl/Exception.h"

#include <cmath>
#include <tuple>

namespace dataaccess {

TSQLTimeStamp DateTimeToSQLTimeStamp(rtl::TDateTime value) {
    const rtl::DateTimeParts parts = rtl::DecodeDateTime(value);
    TSQLTimeStamp stamp;
    stamp.Year = static_cast<int16_t>(parts.year);
    stamp.Month = static_cast<uint16_t>(parts.month);
    stamp.Day = static_cast<uint16_t>(parts.day);
    stamp.Hour = static_cast<uint16_t>(parts.hour);
    stamp.Minute = static_cast<uint16_t>(parts.minute);
    stamp.Second = static_cast<uint16_t>(parts.second);
    stamp.Fractions = static_cast<uint32_t>(parts.millisecond);
    return stamp;
}

rtl::TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& value) {
    rtl::TDateTime result = 0;
    if (!EncodeDateTimeValue(value.Year, value.Month, value.Day, value.Hour, value.Minute, value.Second,
                             static_cast<int>(value.Fractions), result))
        throw rtl::EConversionError("Invalid argument to date encode");
    return result;
}

int CompareSQLTimeStamps(const TSQLTimeStamp& a, const TSQLTimeStamp& b) {
    const auto ta = std::tie(a.Year, a.Month, a.Day, a.Hour, a.Minute, a.Second, a.Fractions);
    const auto tb = std::tie(b.Year, b.Month, b.Day, b.Hour, b.Minute, b.Second, b.Fractions);
    return ta < tb ? -1 : (tb < ta ? 1 : 0);
}

TTimeStamp DateTimeToTimeStamp(rtl::TDateTime value) {
    // The fraction counts forward from midnight also before day 0.
    const double days = std::trunc(value);
    TTimeStamp stamp;
    stamp.Date = kDateDelta + static_cast<int32_t>(days);
    stamp.Time = static_cast<int32_t>(std::llround(std::fabs(value - days) * kMSecsPerDay));
    if (stamp.Time >= kMSecsPerDay) {
        stamp.Time -= kMSecsPerDay;
        ++stamp.Date;
    }
    return stamp;
}

} // namespace dataaccess
