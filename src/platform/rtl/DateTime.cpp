#include "platform/rtl/DateTime.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"

#include <cmath>

namespace rtl {

namespace {

constexpr int64_t kMsPerDay = 86'400'000;
constexpr int64_t kUnixEpochDay = 25569; // 1970-01-01

// Days between 1970-01-01 and a date of the proleptic Gregorian calendar, and back.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, DateTimeParts& parts) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    parts.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    parts.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    parts.year = static_cast<int>(yoe + era * 400 + (parts.month <= 2));
}

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool ValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, month);
}

bool ValidTime(int hour, int minute, int second, int millisecond) {
    return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60 &&
           millisecond >= 0 && millisecond < 1000;
}

// A cursor over date text that reads fixed pieces.
class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool AtEnd() const { return pos_ == text_.size(); }
    bool Skip(char c) {
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    // 1 to maxDigits decimal digits.
    std::optional<int> Number(int maxDigits) {
        int value = 0, count = 0;
        while (count < maxDigits && pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
            value = value * 10 + (text_[pos_++] - '0');
            ++count;
        }
        if (count == 0) return std::nullopt;
        return value;
    }
    size_t Position() const { return pos_; }

private:
    std::string_view text_;
    size_t pos_ = 0;
};

std::optional<TDateTime> ReadTime(Reader& r) {
    const auto hour = r.Number(2);
    if (!hour || !r.Skip(':')) return std::nullopt;
    const auto minute = r.Number(2);
    if (!minute) return std::nullopt;
    int second = 0, ms = 0;
    if (r.Skip(':')) {
        const auto s = r.Number(2);
        if (!s) return std::nullopt;
        second = *s;
        if (r.Skip('.')) {
            const size_t start = r.Position();
            const auto fraction = r.Number(3);
            if (!fraction) return std::nullopt;
            ms = *fraction;
            for (size_t digits = r.Position() - start; digits < 3; ++digits)
                ms *= 10;
        }
    }
    if (!ValidTime(*hour, *minute, second, ms)) return std::nullopt;
    return EncodeTime(*hour, *minute, second, ms);
}

} // namespace

TDateTime EncodeDate(int year, int month, int day) {
    if (!ValidDate(year, month, day)) throw EConversionError("Invalid argument to date encode");
    return static_cast<TDateTime>(DaysFromCivil(year, month, day) + kUnixEpochDay);
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
    if (!ValidTime(hour, minute, second, millisecond))
        throw EConversionError("Invalid argument to time encode");
    return static_cast<TDateTime>(((hour * 60 + minute) * 60 + second) * 1000 + millisecond) / kMsPerDay;
}

DateTimeParts DecodeDateTime(TDateTime value) {
    constexpr double kFirst = -693594; // before 0001-01-01
    constexpr double kLast = 2958466;  // after 9999-12-31
    if (!(value > kFirst && value < kLast))
        throw EConversionError(Format("Invalid date/time value %g", value));
    int64_t day = static_cast<int64_t>(value);
    int64_t ms = std::llround(std::fabs(value - static_cast<double>(day)) * kMsPerDay);
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        day += value < 0 ? -1 : 1;
    }
    DateTimeParts parts;
    CivilFromDays(day - kUnixEpochDay, parts);
    if (parts.year < 1 || parts.year > 9999)
        throw EConversionError(Format("Invalid date/time value %g", value));
    parts.hour = static_cast<int>(ms / 3'600'000);
    parts.minute = static_cast<int>(ms / 60'000 % 60);
    parts.second = static_cast<int>(ms / 1000 % 60);
    parts.millisecond = static_cast<int>(ms % 1000);
    return parts;
}

std::string DateTimeToString(TDateTime value) {
    const DateTimeParts p = DecodeDateTime(value);
    std::string text = Format("%.4d-%.2d-%.2d", p.year, p.month, p.day);
    if (p.hour || p.minute || p.second || p.millisecond)
        text += Format(" %.2d:%.2d:%.2d", p.hour, p.minute, p.second);
    if (p.millisecond) text += Format(".%.3d", p.millisecond);
    return text;
}

std::optional<TDateTime> TryStringToDateTime(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);

    Reader r(text);
    if (text.find('-') == std::string_view::npos) {
        auto time = ReadTime(r);
        return time && r.AtEnd() ? time : std::nullopt;
    }
    const auto year = r.Number(4);
    if (!year || !r.Skip('-')) return std::nullopt;
    const auto month = r.Number(2);
    if (!month || !r.Skip('-')) return std::nullopt;
    const auto day = r.Number(2);
    if (!day || !ValidDate(*year, *month, *day)) return std::nullopt;
    TDateTime result = EncodeDate(*year, *month, *day);
    if (r.AtEnd()) return result;
    if (!r.Skip(' ') && !r.Skip('T')) return std::nullopt;
    const auto time = ReadTime(r);
    if (!time || !r.AtEnd()) return std::nullopt;
    // Before day 0 the time of day still counts forward, so it moves the value towards zero.
    return result < 0 ? result - *time : result + *time;
}

} // namespace rtl
