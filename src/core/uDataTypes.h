// The data types of SQL values and their characteristics: length, precision, charset, flags.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Variant.h"

namespace core {

// The kind of a data value; the ordinal indexes DataTypeNames.
enum TDataType : std::uint8_t {
    dtUnknown,   // the kind of NULL
    dtInteger,   // signed 64-bit, or unsigned 64-bit above the signed range (BIGINT UNSIGNED)
    dtFloat,     // floating point
    dtString,    // bytes in the value's code page; UTF-8 for a Unicode code page
    dtBoolean,   // Boolean
    dtTime,      // the number [-]HHMMSS[.ffffff]
    dtDate,      // the number YYYYMMDD
    dtDateTime,  // the number YYYYMMDDhhmmss
    dtTimestamp, // the number YYYYMMDDhhmmss
    dtYear,      // 1901..2155, or 0
    dtEnum,      // 1-based member index, 0 when no member matched
    dtSet,       // 64-bit mask, bit i for member i
};

inline constexpr std::array<std::string_view, 12> DataTypeNames = {
    "Unknown", "Integer",  "Float",     "String", "Boolean", "Time",
    "Date",    "DateTime", "Timestamp", "Year",   "Enum",    "Set",
};

// The code page that stands for the connection's default character set until a value is created.
inline constexpr int kCodePageConnectionDefault = -2;

inline constexpr std::int64_t kUnlimitedLength = std::numeric_limits<std::int64_t>::max();
// A length that was not written; places no limit either.
inline constexpr std::int64_t kNoLength = -1;
inline constexpr std::uint8_t kScaleNotSpecified = 254;
inline constexpr std::uint8_t kMaxScale = 18;
inline constexpr std::int64_t kEnumSetLength = 2147483647;

// The SQL type behind a value. The upper bound is unsigned so that BIGINT UNSIGNED keeps its whole
// range; every other bound fits the signed range.
struct TDatatypeCharacteristics {
    TDataType DataType = dtUnknown;
    std::int64_t Length = kUnlimitedLength;
    std::uint64_t MaxValue = std::numeric_limits<std::int64_t>::max();
    std::int64_t MinValue = std::numeric_limits<std::int64_t>::min();
    std::uint8_t Scale = 0;
    std::int32_t CodePage = -1;
    std::vector<std::string> Values;
    std::string TypeName;
};

TDatatypeCharacteristics MakeDatatypeCharacteristics(TDataType dataType, std::int32_t codePage,
                                                     std::uint8_t scale, std::int64_t length,
                                                     std::uint64_t maxValue, std::int64_t minValue,
                                                     std::string typeName);
TDatatypeCharacteristics StringCharacteristics(std::int32_t codePage, std::int64_t length);
TDatatypeCharacteristics Utf8StringCharacteristics();
TDatatypeCharacteristics FloatCharacteristics(std::uint8_t scale);
TDatatypeCharacteristics EnumSetCharacteristics(TDataType dataType, const std::vector<std::string>& values,
                                                std::int32_t codePage);
TDatatypeCharacteristics EnumCharacteristics(const std::vector<std::string>& values, std::int32_t codePage);
TDatatypeCharacteristics SetCharacteristics(const std::vector<std::string>& values, std::int32_t codePage);
// The description of a value made from a bare kind: binary code page, scale 0, unlimited length,
// and for integers every signed and unsigned 64-bit number.
const TDatatypeCharacteristics& BareCharacteristics(TDataType dataType);

class IRODataValue;
class IRWDataValue;

// The process-wide NULL value, and the distinct instance that stands for the keyword DEFAULT
// (recognised by identity only; otherwise it behaves exactly like NULL).
const std::shared_ptr<IRODataValue>& NullDataValue();
const std::shared_ptr<IRODataValue>& DefaultDataValue();

// The value's read-write interface; raises "Read only value" when it has none.
std::shared_ptr<IRWDataValue> AsRWDataValue(const std::shared_ptr<IRODataValue>& value);

// Variant conversions where Null reads as 0, empty text or false.
std::int64_t VariantToInt64(const rtl::Variant& value);
double VariantToExtended(const rtl::Variant& value);
std::u16string VariantToWideString(const rtl::Variant& value);
bool VariantToBoolean(const rtl::Variant& value);

} // namespace core
