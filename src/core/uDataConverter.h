// Conversions, fitting, comparison and literal text of SQL values, as the server does them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/uDataTypes.h"
#include "platform/rtl/Variant.h"

namespace core {

class IRODataValue;

// A warning or note the server gave while storing a value.
struct TStoreCondition {
    int ErrorCode = 0;
    std::string Message;
    bool Note = false;
};

// A value stored into a temporal variable and what the store said of it.
struct TTemporalStore {
    rtl::Variant Payload;
    std::vector<TStoreCondition> Conditions;
};

// What a value of one SQL kind means as another, how it fits its declared type, how two values
// compare and how a value is written as an SQL literal, following the server's implicit
// conversions: text that is not a number reads as its numeric prefix or 0, out-of-range dates
// become the zero date, integers are clamped to their type. One converter belongs to each
// connection; the values that use it must not outlive it.
//
// Every operation takes a payload with the description it belongs to; a Null payload gives a Null
// result unless said otherwise.
class TDataConverter {
public:
    TDataConverter() = default;
    virtual ~TDataConverter() = default;
    TDataConverter(const TDataConverter&) = delete;
    TDataConverter& operator=(const TDataConverter&) = delete;

    // Stands in for code page -2, and a string literal in any other code page gets an introducer.
    std::int32_t DefaultCodePage() const { return defaultCodePage_; }
    void SetDefaultCodePage(std::int32_t codePage) { defaultCodePage_ = codePage; }

    // Conversions only the server can do; the base raises EConversionError.
    virtual std::shared_ptr<IRODataValue> ConvertToTime(const rtl::Variant& value,
                                                        const TDatatypeCharacteristics& characteristics);
    virtual std::shared_ptr<IRODataValue> ConvertToDate(const rtl::Variant& value,
                                                        const TDatatypeCharacteristics& characteristics);
    virtual std::shared_ptr<IRODataValue> ConvertToDateTime(const rtl::Variant& value,
                                                            const TDatatypeCharacteristics& characteristics);
    // The value stored into the variable `column` of the temporal type `target`, as the server stores
    // it under the session's sql_mode; a store that fails raises the server's error. The base converts
    // and fits the value, silently.
    virtual TTemporalStore StoreTemporal(const rtl::Variant& value, const TDatatypeCharacteristics& source,
                                         const TDatatypeCharacteristics& target, std::string_view column);

    // The payload fitted into the description: integers clamped, strings cut to their length in
    // characters (UTF-8 for a Unicode code page), dates outside their range made 0, two-digit years
    // widened, floats rounded to a given scale.
    rtl::Variant NormalizeValue(const rtl::Variant& value, const TDatatypeCharacteristics& characteristics);
    // The payload in the target kind, not yet normalised.
    rtl::Variant ConvertValue(const rtl::Variant& value, const TDatatypeCharacteristics& source,
                              const TDatatypeCharacteristics& target);
    // Negative, 0 or positive; a Null payload sorts before every other one.
    int Compare(const rtl::Variant& value1, const rtl::Variant& value2, const TDatatypeCharacteristics& c1,
                const TDatatypeCharacteristics& c2);
    // A literal that reads back the same under every sql_mode; "NULL" for Null.
    std::string ToSQL(const rtl::Variant& value, const TDatatypeCharacteristics& characteristics);

    rtl::Variant ToStringValue(const rtl::Variant& value, const TDatatypeCharacteristics& characteristics);
    rtl::Variant ToWideStringValue(const rtl::Variant& value,
                                   const TDatatypeCharacteristics& characteristics);
    rtl::Variant ToFloat(const rtl::Variant& value, const TDatatypeCharacteristics& characteristics,
                         bool binaryLiteral);
    // Int64, or UInt64 above the signed range.
    rtl::Variant ToInteger(const rtl::Variant& value, const TDatatypeCharacteristics& characteristics,
                           bool binaryLiteral);
    rtl::Variant ToBoolean(const rtl::Variant& value, const TDatatypeCharacteristics& characteristics);
    rtl::Variant ToTime(const rtl::Variant& value, const TDatatypeCharacteristics& characteristics);
    rtl::Variant ToDate(const rtl::Variant& value, const TDatatypeCharacteristics& characteristics);
    rtl::Variant ToDateTime(const rtl::Variant& value, const TDatatypeCharacteristics& characteristics);
    rtl::Variant ToEnum(const rtl::Variant& value, const TDatatypeCharacteristics& source,
                        const TDatatypeCharacteristics& target);
    rtl::Variant ToSet(const rtl::Variant& value, const TDatatypeCharacteristics& source,
                       const TDatatypeCharacteristics& target);
    // Text moved from one code page to another; Unicode payloads are UTF-8, binary ones stay bytes.
    rtl::Variant RecodeString(const rtl::Variant& value, std::int32_t sourceCodePage,
                              std::int32_t targetCodePage);

    // The number at the start of the text (leading blanks skipped), as the server reads it; raises
    // EConversionError "string to extended converion error '%s'" when there is none.
    static double StrToExtended(std::string_view text);
    // The same number rounded half away from zero to an integer and saturated to the 64-bit
    // range: Int64, or UInt64 above the signed range. Raises EConversionError
    // "string to integer converion error '%s'" when there is none.
    static rtl::Variant StrToInt64(std::string_view text);

    static bool IsNull(const rtl::Variant& value) { return value.IsNull(); }
    static bool IsUnicodeCodePage(std::int32_t codePage);
    std::int32_t ResolveCodePage(std::int32_t codePage) const;
    // The 1-based member's name, or empty text.
    static std::string EnumMemberName(std::int64_t index, const std::vector<std::string>& values);
    // The names of the members whose bits are set, in member order, joined by ",".
    static std::string SetMemberNames(const std::vector<std::string>& values, std::uint64_t mask);

private:
    int CompareNumbers(const rtl::Variant& value1, const rtl::Variant& value2,
                       const TDatatypeCharacteristics& c1, const TDatatypeCharacteristics& c2);
    // The payload's bytes in the description's code page (UTF-8 for Unicode and binary ones).
    std::string StringBytes(const rtl::Variant& value, const TDatatypeCharacteristics& characteristics);
    std::string StringLiteral(std::string_view bytes, std::int32_t codePage);
    rtl::Variant TruncatedInteger(const rtl::Variant& value, const TDatatypeCharacteristics& c);
    std::string MemberText(const rtl::Variant& value, const TDatatypeCharacteristics& characteristics);

    std::int32_t defaultCodePage_ = 1252;
};

// Date and time numbers as text and back. A temporal payload is the number as a double or, when it
// has fractional seconds, the exact text of the number ("20240131102030.123456"): a double keeps
// only about two fraction digits of a DATETIME.
std::string DateNumberToText(double value);     // 20240131 gives 2024-01-31
std::string DateTimeNumberToText(double value); // 20240131102030 gives 2024-01-31 10:20:30
std::string TimeNumberToText(double value);     // -1234.5 gives -00:12:34.500000
std::int64_t DateNumberToYear(double value);
std::int64_t DateTimeNumberToYear(double value);
rtl::Variant DateTextToNumber(std::string_view text);
rtl::Variant DateTimeTextToNumber(std::string_view text);
rtl::Variant TimeTextToNumber(std::string_view text);
// The payload of a number text such as "-101112.5": text where a fraction is not all zeros.
rtl::Variant TemporalPayload(std::string_view number);
// The fraction digits a DATE, TIME, DATETIME or TIMESTAMP type declares, "(n)" in its name; -1 for
// a type that does not say, such as a value's read from the server.
int TemporalScale(const TDatatypeCharacteristics& characteristics);
// The payload as the server shows a value of the type: with the type's fraction digits, or, where it
// does not say, those of the payload.
std::string TemporalText(const rtl::Variant& payload, const TDatatypeCharacteristics& characteristics);

bool IsBitSet(std::uint64_t mask, int bit);
std::uint64_t SetBit(std::uint64_t mask, int bit);

} // namespace core
