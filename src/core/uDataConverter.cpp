#include "core/uDataConverter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <utility>

#include "core/uDataValues.h"
#include "core/uMySQLTypes.h"
#include "core/uServerCollation.h"
#include "core/uStringUtils.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Utf.h"

namespace core {

namespace {

constexpr std::uint64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::uint64_t kUInt64Max = std::numeric_limits<std::uint64_t>::max();
constexpr double kTwoPow63 = 9223372036854775808.0;
constexpr double kTwoPow64 = 18446744073709551616.0;

// Longest number at the start of a text, as the server reads strings in a numeric context.
constexpr std::string_view kFloatPrefix = R"(^([-+]?[0-9]*\.?[0-9]+([eE][-+]?[0-9]+)?))";
constexpr std::string_view kLeadingBlanks = " \t\n\v\f\r";

bool IsTemporal(TDataType kind) {
    return kind == dtTime || kind == dtDate || kind == dtDateTime || kind == dtTimestamp;
}

// Kinds whose payload is an exact integer.
bool IsIntegral(TDataType kind) {
    return kind == dtInteger || kind == dtYear || kind == dtBoolean || kind == dtEnum || kind == dtSet;
}

// Kinds read as text when matched against ENUM and SET members.
bool IsTextual(TDataType kind) {
    return kind == dtString || kind == dtEnum || kind == dtSet;
}

[[noreturn]] void UnsupportedType(TDataType kind) {
    throw rtl::Exception(rtl::Format("Unsupported type %s", DataTypeNames[kind]));
}

// An integer payload: Int64, or UInt64 only above the signed range.
rtl::Variant IntegerVariant(std::uint64_t magnitude, bool negative = false) {
    if (!negative)
        return magnitude <= kInt64Max ? rtl::Variant(static_cast<std::int64_t>(magnitude))
                                      : rtl::Variant(magnitude);
    if (magnitude > kInt64Max) return rtl::Variant(std::numeric_limits<std::int64_t>::min());
    return rtl::Variant(-static_cast<std::int64_t>(magnitude));
}

// Rounds half to even and saturates to the 64-bit range; NaN gives 0.
rtl::Variant FloatToInteger(double value) {
    if (std::isnan(value)) return rtl::Variant(std::int64_t{0});
    const double rounded = std::nearbyint(value);
    if (rounded >= kTwoPow64) return rtl::Variant(kUInt64Max);
    if (rounded >= kTwoPow63) return rtl::Variant(static_cast<std::uint64_t>(rounded));
    if (rounded < -kTwoPow63) return rtl::Variant(std::numeric_limits<std::int64_t>::min());
    return rtl::Variant(static_cast<std::int64_t>(rounded));
}

// The bit pattern of a SET mask or any integer payload.
std::uint64_t MaskOf(const rtl::Variant& value) {
    if (value.Type() == rtl::varUInt64) return value.AsUInt64();
    return static_cast<std::uint64_t>(VariantToInt64(value));
}

std::string IntegerText(const rtl::Variant& value) {
    return value.Type() == rtl::varUInt64 ? std::to_string(value.AsUInt64())
                                          : std::to_string(value.AsInt64());
}

// The whole text as a float, or nothing.
std::optional<double> ParseFloat(std::string_view text) {
    double result = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), result);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return result;
}

// The numeric prefix of a text after leading blanks, or nothing.
std::optional<std::string> NumericPrefix(std::string_view text) {
    const std::size_t start = text.find_first_not_of(kLeadingBlanks);
    if (start == std::string_view::npos) return std::nullopt;
    std::string prefix;
    if (!RegExprMatch(kFloatPrefix, text.substr(start), 0, prefix)) return std::nullopt;
    return prefix;
}

// A decimal number text split into sign, digits and the position of the decimal point within
// the digits (which may lie outside them).
struct TDecimal {
    bool negative = false;
    std::string digits;
    std::int64_t point = 0;
};

TDecimal ParseDecimal(std::string_view text) {
    TDecimal d;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        d.negative = text[0] == '-';
        text.remove_prefix(1);
    }
    const std::size_t e = text.find_first_of("eE");
    const std::string_view mantissa = text.substr(0, e);
    const std::size_t dot = mantissa.find('.');
    d.digits = std::string(mantissa.substr(0, dot));
    d.point = static_cast<std::int64_t>(d.digits.size());
    if (dot != std::string_view::npos) d.digits += mantissa.substr(dot + 1);
    if (e != std::string_view::npos) {
        std::string_view exponent = text.substr(e + 1);
        if (!exponent.empty() && exponent[0] == '+') exponent.remove_prefix(1);
        int value = 0;
        const auto [end, ec] = std::from_chars(exponent.data(), exponent.data() + exponent.size(), value);
        // Exponents beyond any 64-bit number only need their direction.
        if (ec == std::errc::result_out_of_range) value = exponent[0] == '-' ? -100000 : 100000;
        d.point += std::clamp(value, -100000, 100000);
    }
    return d;
}

// The decimal rounded half away from zero to an integer, saturated to the 64-bit range.
rtl::Variant DecimalToInteger(const TDecimal& d) {
    std::uint64_t magnitude = 0;
    bool overflow = false;
    for (std::int64_t i = 0; i < d.point && !overflow; ++i) {
        const int digit = i < static_cast<std::int64_t>(d.digits.size()) ? d.digits[i] - '0' : 0;
        overflow = magnitude > (kUInt64Max - digit) / 10;
        magnitude = magnitude * 10 + digit;
    }
    const bool roundUp =
        d.point >= 0 && d.point < static_cast<std::int64_t>(d.digits.size()) && d.digits[d.point] >= '5';
    if (roundUp) {
        if (magnitude == kUInt64Max)
            overflow = true;
        else
            ++magnitude;
    }
    if (overflow) magnitude = kUInt64Max;
    return IntegerVariant(magnitude, d.negative);
}

// The shortest text that reads back as the number, without exponent: 3.145, 1e20 as 1 and 20 zeros.
std::string PlainDecimalText(double value) {
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return std::string(buffer, result.ptr);
}

// The number with exactly `scale` decimals, rounded half away from zero from its decimal form, as
// the server rounds a DECIMAL: 3.145 at scale 2 is 3.15.
std::string ScaledText(double value, int scale) {
    if (!std::isfinite(value)) return rtl::FloatToGeneral(value);
    TDecimal d = ParseDecimal(PlainDecimalText(value));
    const std::int64_t keep = d.point + scale;
    if (keep < static_cast<std::int64_t>(d.digits.size())) {
        const bool roundUp = keep >= 0 && d.digits[keep] >= '5';
        d.digits.resize(std::max<std::int64_t>(keep, 0));
        if (roundUp) {
            std::int64_t i = keep - 1;
            for (; i >= 0 && d.digits[i] == '9'; --i)
                d.digits[i] = '0';
            if (i >= 0) {
                ++d.digits[i];
            } else {
                d.digits.insert(d.digits.begin(), '1');
                ++d.point;
            }
        }
    }
    d.digits.resize(d.point + scale, '0');
    std::string integerPart = d.digits.substr(0, d.point);
    integerPart.erase(0, std::min(integerPart.find_first_not_of('0'), integerPart.size()));
    if (integerPart.empty()) integerPart = "0";
    std::string text = integerPart;
    if (scale > 0) text += "." + d.digits.substr(d.point);
    if (d.negative && d.digits.find_first_not_of('0') != std::string::npos) text.insert(0, "-");
    return text;
}

// The runtime's general float text with the exponent written as the server writes it (1e20).
std::string GeneralText(double value) {
    std::string text = rtl::FloatToGeneral(value, 15);
    std::replace(text.begin(), text.end(), 'E', 'e');
    return text;
}

// The digits of a whole number placed into a mask of "0" digit positions from the right, as a
// date or time is shown; digits beyond the mask go in front.
std::string ApplyDigitMask(std::string digits, std::string_view mask) {
    std::string result;
    for (auto it = mask.rbegin(); it != mask.rend(); ++it) {
        if (*it != '0') {
            result.insert(result.begin(), *it);
        } else if (digits.empty()) {
            result.insert(result.begin(), '0');
        } else {
            result.insert(result.begin(), digits.back());
            digits.pop_back();
        }
    }
    return digits + result;
}

std::string WholeDigits(double value) {
    if (!std::isfinite(value)) return "0";
    return std::to_string(static_cast<std::uint64_t>(std::clamp(std::trunc(std::fabs(value)), 0.0, 1e19)));
}

bool IsValidUtf8(std::string_view bytes) {
    return rtl::Utf16ToUtf8(rtl::Utf8ToUtf16(bytes)) == bytes;
}

std::string Without(std::string_view text, std::string_view characters) {
    std::string result;
    for (char c : text)
        if (characters.find(c) == std::string_view::npos) result += c;
    return result;
}

std::uint64_t MemberBits(std::size_t memberCount) {
    return memberCount >= 64 ? kUInt64Max : (std::uint64_t{1} << memberCount) - 1;
}

// A text of digits as a number, saturated.
std::uint64_t DigitsValue(std::string_view digits) {
    return MaskOf(DecimalToInteger(ParseDecimal(digits)));
}

// A temporal payload's number split at its point: the exact digits of a text, those of the
// shortest decimal of a double.
struct TTemporalDigits {
    bool negative = false;
    std::string whole;
    std::string fraction;
};

TTemporalDigits SplitTemporal(const rtl::Variant& payload) {
    const double number = VariantToExtended(payload);
    std::string digits = payload.Type() == rtl::varString ? payload.AsString()
                         : std::isfinite(number)          ? PlainDecimalText(number)
                                                          : "0";
    TTemporalDigits split;
    split.negative = !digits.empty() && digits[0] == '-';
    if (split.negative) digits.erase(0, 1);
    const std::size_t dot = digits.find('.');
    split.whole = digits.substr(0, dot);
    if (dot != std::string::npos) split.fraction = digits.substr(dot + 1);
    return split;
}

// The temporal payload as an exact count of millionths: fractional seconds compare exactly.
__int128 TemporalMillionths(const rtl::Variant& payload) {
    TTemporalDigits split = SplitTemporal(payload);
    split.fraction.resize(6, '0');
    // Past every date's digits a number only needs to stay large.
    split.whole.resize(std::min<std::size_t>(split.whole.size(), 24));
    __int128 n = 0;
    for (const char c : split.whole + split.fraction)
        if (c >= '0' && c <= '9') n = n * 10 + (c - '0');
    return split.negative ? -n : n;
}

// The temporal payload cut to the fraction digits, as the server cuts them; all of them for -1.
rtl::Variant WithFractionDigits(const rtl::Variant& value, int digits) {
    const bool exact = value.Type() == rtl::varString;
    const double v = VariantToExtended(value);
    if (digits < 0 || !std::isfinite(v)) return exact ? value : rtl::Variant(v);
    const std::string text = exact ? value.AsString() : PlainDecimalText(v);
    const std::size_t dot = text.find('.');
    if (dot == std::string::npos) return exact ? value : rtl::Variant(v);
    return TemporalPayload(std::string_view(text).substr(0, digits > 0 ? dot + 1 + digits : dot));
}

} // namespace

// ---- Conversions only the server can do

std::shared_ptr<IRODataValue> TDataConverter::ConvertToTime(const rtl::Variant&,
                                                            const TDatatypeCharacteristics&) {
    throw rtl::EConversionError("Unsupported to time conversion");
}

std::shared_ptr<IRODataValue> TDataConverter::ConvertToDate(const rtl::Variant&,
                                                            const TDatatypeCharacteristics&) {
    throw rtl::EConversionError("Unsupported to date conversion");
}

std::shared_ptr<IRODataValue> TDataConverter::ConvertToDateTime(const rtl::Variant&,
                                                                const TDatatypeCharacteristics&) {
    throw rtl::EConversionError("Unsupported to datetime conversion");
}

TTemporalStore TDataConverter::StoreTemporal(const rtl::Variant& value,
                                             const TDatatypeCharacteristics& source,
                                             const TDatatypeCharacteristics& target, std::string_view) {
    return {NormalizeValue(ConvertValue(value, source, target), target), {}};
}

// ---- Fitting, converting, comparing

rtl::Variant TDataConverter::NormalizeValue(const rtl::Variant& value, const TDatatypeCharacteristics& c) {
    if (value.IsNull()) return value;
    switch (c.DataType) {
    case dtUnknown:
        throw rtl::Exception(rtl::Format("Unsupported data type %s", DataTypeNames[c.DataType]));
    case dtInteger: {
        // A signed integer, the common payload, is read as it is.
        const bool integer = value.Type() == rtl::varInt64;
        const rtl::Variant converted =
            integer ? rtl::Variant() : ToInteger(value, BareCharacteristics(dtInteger), false);
        const rtl::Variant& v = integer ? value : converted;
        if (v.Type() == rtl::varUInt64) return IntegerVariant(std::min(v.AsUInt64(), c.MaxValue));
        const std::int64_t i = v.AsInt64();
        if (i < c.MinValue) return rtl::Variant(c.MinValue);
        if (std::cmp_greater(i, c.MaxValue)) return IntegerVariant(c.MaxValue);
        return v;
    }
    case dtString: {
        std::string bytes = StringBytes(value, c);
        if (c.Length >= 0 && static_cast<std::uint64_t>(c.Length) < bytes.size()) {
            const auto length = static_cast<std::size_t>(c.Length);
            bytes.resize(IsUnicodeCodePage(ResolveCodePage(c.CodePage)) ? rtl::Utf8PrefixBytes(bytes, length)
                                                                        : length);
        }
        return rtl::Variant(std::move(bytes));
    }
    case dtTime:
    case dtDate:
    case dtDateTime:
    case dtTimestamp: {
        static constexpr double kRanges[][2] = {
            {-8385959, 8385959},
            {10000101, 99991231},
            {10000101000000, 99991231235959},
            {19700101000001, 20380119031407},
        };
        const auto& range = kRanges[c.DataType - dtTime];
        const rtl::Variant payload = WithFractionDigits(value, TemporalScale(c));
        // The whole seconds decide: a double of the exact number may round up past the range's end.
        const double whole = std::trunc(
            VariantToExtended(payload.Type() == rtl::varString
                                  ? rtl::Variant(payload.AsString().substr(0, payload.AsString().find('.')))
                                  : payload));
        if (whole < range[0] || whole > range[1]) return rtl::Variant(0.0);
        return payload;
    }
    case dtYear: {
        const double v = VariantToExtended(value);
        // 0 is the zero year; other two-digit years widen (text '0' became 2000 in ConvertValue).
        if (v == 0) return rtl::Variant(std::int64_t{0});
        if (v > 0 && v <= 99) return rtl::Variant(static_cast<std::int64_t>(v) + (v > 69 ? 1900 : 2000));
        return rtl::Variant(v >= 1901 && v <= 2155 ? static_cast<std::int64_t>(v) : std::int64_t{0});
    }
    case dtFloat: {
        const double v = VariantToExtended(value);
        if (c.Scale == kScaleNotSpecified) return rtl::Variant(v);
        return rtl::Variant(ParseFloat(ScaledText(v, c.Scale)).value_or(v));
    }
    case dtBoolean:
        return rtl::Variant(VariantToBoolean(value));
    case dtEnum:
    case dtSet:
        return ToInteger(value, c, false);
    }
    return value;
}

rtl::Variant TDataConverter::ConvertValue(const rtl::Variant& value, const TDatatypeCharacteristics& source,
                                          const TDatatypeCharacteristics& target) {
    if (value.IsNull()) return value;
    switch (target.DataType) {
    case dtInteger:
        return ToInteger(value, source, false);
    case dtFloat:
        return ToFloat(value, source, false);
    case dtBoolean:
        return ToBoolean(value, source);
    case dtString:
        if (source.DataType == dtString) return RecodeString(value, source.CodePage, target.CodePage);
        return RecodeString(ToStringValue(value, source), rtl::kCodePageUtf8, target.CodePage);
    case dtTime:
        return ToTime(value, source);
    case dtDate:
        return ToDate(value, source);
    case dtDateTime:
    case dtTimestamp:
        return ToDateTime(value, source);
    case dtYear:
        switch (source.DataType) {
        case dtTime: {
            const std::string hours = TimeNumberToText(VariantToExtended(value)).substr(0, 2);
            return rtl::Variant(static_cast<std::int64_t>(ParseFloat(hours).value_or(0)));
        }
        case dtDate:
            return rtl::Variant(DateNumberToYear(VariantToExtended(value)));
        case dtDateTime:
        case dtTimestamp:
            return rtl::Variant(DateTimeNumberToYear(VariantToExtended(value)));
        case dtString: {
            // Text that reads as zero is the year 2000 unless it spells the zero year with four digits.
            const rtl::Variant year = ToInteger(value, source, false);
            const auto prefix = NumericPrefix(StringBytes(value, source));
            if (year == rtl::Variant(0) && prefix && prefix->size() != 4)
                return rtl::Variant(std::int64_t{2000});
            return year;
        }
        default:
            return ToInteger(value, source, false);
        }
    case dtEnum:
        return ToEnum(value, source, target);
    case dtSet:
        return ToSet(value, source, target);
    case dtUnknown:
        break;
    }
    throw rtl::Exception(rtl::Format("Incompatible types %s and %s", DataTypeNames[target.DataType],
                                     DataTypeNames[source.DataType]));
}

int TDataConverter::Compare(const rtl::Variant& value1, const rtl::Variant& value2,
                            const TDatatypeCharacteristics& c1, const TDatatypeCharacteristics& c2) {
    if (value1.IsNull() || value2.IsNull()) return value2.IsNull() - value1.IsNull();
    // Strings, ENUM and SET members compare as text; an ENUM or SET with a number as a number.
    if (IsTextual(c1.DataType) && IsTextual(c2.DataType)) {
        const bool binary = ResolveCodePage(c1.CodePage) == rtl::kCodePageBinary ||
                            ResolveCodePage(c2.CodePage) == rtl::kCodePageBinary;
        if (!binary)
            return ServerCollationCompare(ToStringValue(value1, c1).AsString(),
                                          ToStringValue(value2, c2).AsString());
        auto bytes = [&](const rtl::Variant& v, const TDatatypeCharacteristics& c) {
            return c.DataType == dtString ? StringBytes(v, c) : MemberText(v, c);
        };
        const int order = bytes(value1, c1).compare(bytes(value2, c2));
        return (order > 0) - (order < 0);
    }
    return CompareNumbers(value1, value2, c1, c2);
}

int TDataConverter::CompareNumbers(const rtl::Variant& value1, const rtl::Variant& value2,
                                   const TDatatypeCharacteristics& c1, const TDatatypeCharacteristics& c2) {
    const TDataType k1 = c1.DataType;
    const TDataType k2 = c2.DataType;
    if (IsTemporal(k1) || IsTemporal(k2)) {
        // The server compares a date or time with text, or a DATE with a DATETIME, as temporal values
        // of one kind: times as times, everything else as date and time (a string that is no date
        // counts as the zero date).
        const bool asTime = (k1 == dtTime || k1 == dtString) && (k2 == dtTime || k2 == dtString);
        auto temporal = [&](const rtl::Variant& v,
                            const TDatatypeCharacteristics& c) -> std::optional<__int128> {
            switch (c.DataType) {
            case dtTime:
                return asTime ? std::optional<__int128>(TemporalMillionths(v)) : std::nullopt;
            case dtDate:
                return TemporalMillionths(v) * 1000000;
            case dtDateTime:
            case dtTimestamp:
                return TemporalMillionths(v);
            case dtString:
                return TemporalMillionths(asTime ? ToTime(v, c) : ToDateTime(v, c));
            default:
                return std::nullopt;
            }
        };
        const auto t1 = temporal(value1, c1);
        const auto t2 = temporal(value2, c2);
        if (t1 && t2) return (*t1 > *t2) - (*t1 < *t2);
    }
    if (IsIntegral(k1) && IsIntegral(k2)) {
        const rtl::Variant i1 = ToInteger(value1, c1, false);
        const rtl::Variant i2 = ToInteger(value2, c2, false);
        const bool u1 = i1.Type() == rtl::varUInt64;
        const bool u2 = i2.Type() == rtl::varUInt64;
        if (u1 || u2) {
            if (u1 != u2) return u1 ? 1 : -1;
            return (i1.AsUInt64() > i2.AsUInt64()) - (i1.AsUInt64() < i2.AsUInt64());
        }
        return (i1.AsInt64() > i2.AsInt64()) - (i1.AsInt64() < i2.AsInt64());
    }
    const double f1 = VariantToExtended(ToFloat(value1, c1, false));
    const double f2 = VariantToExtended(ToFloat(value2, c2, false));
    if (std::fabs(f1 - f2) <= std::max(1e-16, 1e-16 * std::min(std::fabs(f1), std::fabs(f2)))) return 0;
    return f1 < f2 ? -1 : 1;
}

// ---- SQL literals and text

std::string TDataConverter::ToSQL(const rtl::Variant& value, const TDatatypeCharacteristics& c) {
    if (value.IsNull()) return "NULL";
    switch (c.DataType) {
    case dtInteger:
    case dtYear:
        return IntegerText(ToInteger(value, c, false));
    case dtFloat:
        return ToStringValue(value, c).AsString();
    case dtString:
        return StringLiteral(StringBytes(value, c), ResolveCodePage(c.CodePage));
    case dtBoolean:
        return VariantToBoolean(value) ? "TRUE" : "FALSE";
    case dtTime:
    case dtDate:
    case dtDateTime:
    case dtTimestamp:
        return QuoteEscapedBuffer(ToStringValue(value, c).AsString(), TEscapeMode::Quote);
    case dtEnum:
    case dtSet:
        // Member names are UTF-8 text; the server recodes them to the column's character set.
        return StringLiteral(MemberText(value, c), rtl::kCodePageUtf8);
    case dtUnknown:
        break;
    }
    UnsupportedType(c.DataType);
}

// A string literal that reads back the same whether or not the session has NO_BACKSLASH_ESCAPES:
// quotes doubled, and bytes that are not plain text in the code page (control bytes, backslashes,
// malformed UTF-8, 8-bit bytes of other code pages) written as a hexadecimal literal, which always
// names its character set.
std::string TDataConverter::StringLiteral(std::string_view bytes, std::int32_t codePage) {
    const bool unicode = IsUnicodeCodePage(codePage);
    const bool plain = std::none_of(bytes.begin(), bytes.end(),
                                    [&](char ch) {
                                        const auto b = static_cast<unsigned char>(ch);
                                        return b < 0x20 || b == '\\' || (b >= 0x80 && !unicode);
                                    }) &&
                       (!unicode || IsValidUtf8(bytes));
    const bool defaultCharset = unicode ? IsUnicodeCodePage(defaultCodePage_) : codePage == defaultCodePage_;
    if (plain && defaultCharset) return QuoteEscapedBuffer(bytes, TEscapeMode::Quote);
    const std::string introducer =
        "_" +
        std::string(unicode ? CharsetNames[kCharsetUtf8mb4] : CharsetNames[CharsetIndexByCodePage(codePage)]);
    if (plain) return introducer + QuoteEscapedBuffer(bytes, TEscapeMode::Quote);
    return introducer + " X'" + BytesToHex(bytes) + "'";
}

std::string TDataConverter::MemberText(const rtl::Variant& value, const TDatatypeCharacteristics& c) {
    return c.DataType == dtEnum ? EnumMemberName(VariantToInt64(value), c.Values)
                                : SetMemberNames(c.Values, MaskOf(value));
}

rtl::Variant TDataConverter::ToStringValue(const rtl::Variant& value, const TDatatypeCharacteristics& c) {
    if (value.IsNull()) return value;
    switch (c.DataType) {
    case dtInteger:
        return rtl::Variant(IntegerText(ToInteger(value, c, false)));
    case dtYear: {
        // Four digits, as the server shows the zero year 0000.
        std::string year = IntegerText(ToInteger(value, c, false));
        if (year.size() < 4) year.insert(0, 4 - year.size(), '0');
        return rtl::Variant(std::move(year));
    }
    case dtFloat: {
        const double v = VariantToExtended(value);
        return rtl::Variant(c.Scale == kScaleNotSpecified ? GeneralText(v) : ScaledText(v, c.Scale));
    }
    case dtString: {
        const std::int32_t codePage = ResolveCodePage(c.CodePage);
        std::string bytes = StringBytes(value, c);
        if (codePage == rtl::kCodePageBinary || IsUnicodeCodePage(codePage))
            return rtl::Variant(std::move(bytes));
        return rtl::Variant(CodePageToUtf8(bytes, codePage));
    }
    case dtBoolean:
        return rtl::Variant(VariantToBoolean(value) ? "1" : "0");
    case dtTime:
    case dtDate:
    case dtDateTime:
    case dtTimestamp:
        return rtl::Variant(TemporalText(value, c));
    case dtEnum:
    case dtSet:
        return rtl::Variant(MemberText(value, c));
    case dtUnknown:
        break;
    }
    UnsupportedType(c.DataType);
}

rtl::Variant TDataConverter::ToWideStringValue(const rtl::Variant& value, const TDatatypeCharacteristics& c) {
    if (value.IsNull()) return value;
    return rtl::Variant(rtl::Utf8ToUtf16(ToStringValue(value, c).AsString()));
}

// ---- Numbers

rtl::Variant TDataConverter::ToFloat(const rtl::Variant& value, const TDatatypeCharacteristics& c,
                                     bool binaryLiteral) {
    if (value.IsNull()) return value;
    switch (c.DataType) {
    case dtString:
        if (binaryLiteral && ResolveCodePage(c.CodePage) == rtl::kCodePageBinary)
            return rtl::Variant(VariantToExtended(ToInteger(value, c, true)));
        try {
            return rtl::Variant(StrToExtended(StringBytes(value, c)));
        } catch (const rtl::EConversionError&) {
            return rtl::Variant(0.0);
        }
    case dtBoolean:
        return rtl::Variant(VariantToBoolean(value) ? 1.0 : 0.0);
    case dtSet:
        return rtl::Variant(static_cast<double>(MaskOf(value)));
    case dtUnknown:
        UnsupportedType(c.DataType);
    default:
        return rtl::Variant(VariantToExtended(value));
    }
}

rtl::Variant TDataConverter::ToInteger(const rtl::Variant& value, const TDatatypeCharacteristics& c,
                                       bool binaryLiteral) {
    if (value.IsNull()) return value;
    switch (c.DataType) {
    case dtInteger:
    case dtYear:
    case dtEnum:
    case dtSet:
        // Payloads are normally integers already; anything else reads as its own kind would.
        switch (value.Type()) {
        case rtl::varInt64:
            return value;
        case rtl::varUInt64:
            return IntegerVariant(value.AsUInt64());
        case rtl::varDouble:
            return FloatToInteger(value.AsDouble());
        case rtl::varString:
        case rtl::varWideString:
            return ToInteger(value, StringCharacteristics(rtl::kCodePageUtf8, kUnlimitedLength), false);
        default:
            return rtl::Variant(VariantToInt64(value));
        }
    case dtFloat: {
        // A DECIMAL (a float with a scale) rounds half away from zero, a DOUBLE half to even.
        const double v = VariantToExtended(value);
        if (c.Scale == kScaleNotSpecified || !std::isfinite(v)) return FloatToInteger(v);
        return DecimalToInteger(ParseDecimal(PlainDecimalText(v)));
    }
    case dtTime:
    case dtDate:
    case dtDateTime:
    case dtTimestamp:
        return FloatToInteger(VariantToExtended(value));
    case dtString:
        if (binaryLiteral && ResolveCodePage(c.CodePage) == rtl::kCodePageBinary)
            return IntegerVariant(static_cast<std::uint64_t>(HexToInt64(BytesToHex(StringBytes(value, c)))));
        try {
            return StrToInt64(StringBytes(value, c));
        } catch (const rtl::EConversionError&) {
            return rtl::Variant(std::int64_t{0});
        }
    case dtBoolean:
        return rtl::Variant(std::int64_t{VariantToBoolean(value) ? 1 : 0});
    case dtUnknown:
        break;
    }
    UnsupportedType(c.DataType);
}

rtl::Variant TDataConverter::ToBoolean(const rtl::Variant& value, const TDatatypeCharacteristics& c) {
    if (value.IsNull()) return value;
    if (c.DataType == dtBoolean) return rtl::Variant(VariantToBoolean(value));
    return rtl::Variant(VariantToExtended(ToFloat(value, c, false)) != 0);
}

rtl::Variant TDataConverter::ToTime(const rtl::Variant& value, const TDatatypeCharacteristics& c) {
    if (value.IsNull() || c.DataType == dtTime) return value;
    return ConvertToTime(value, c)->AsVariant();
}

rtl::Variant TDataConverter::ToDate(const rtl::Variant& value, const TDatatypeCharacteristics& c) {
    if (value.IsNull() || c.DataType == dtDate) return value;
    return ConvertToDate(value, c)->AsVariant();
}

rtl::Variant TDataConverter::ToDateTime(const rtl::Variant& value, const TDatatypeCharacteristics& c) {
    if (value.IsNull() || c.DataType == dtDateTime || c.DataType == dtTimestamp) return value;
    return ConvertToDateTime(value, c)->AsVariant();
}

double TDataConverter::StrToExtended(std::string_view text) {
    const auto prefix = NumericPrefix(text);
    if (!prefix) throw rtl::EConversionError(rtl::Format("string to extended converion error '%s'", text));
    std::string_view number = *prefix;
    if (number[0] == '+') number.remove_prefix(1);
    double result = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), result);
    if (ec == std::errc::result_out_of_range) {
        // Too large gives the largest float, as on the server; too small gives 0.
        const TDecimal d = ParseDecimal(number);
        const bool large = d.point > 0 && d.digits.find_first_not_of('0') != std::string::npos;
        result = large ? std::numeric_limits<double>::max() : 0.0;
        if (d.negative) result = -result;
    }
    return result;
}

rtl::Variant TDataConverter::StrToInt64(std::string_view text) {
    const auto prefix = NumericPrefix(text);
    if (!prefix) throw rtl::EConversionError(rtl::Format("string to integer converion error '%s'", text));
    return DecimalToInteger(ParseDecimal(*prefix));
}

// ---- Members and code pages

rtl::Variant TDataConverter::ToEnum(const rtl::Variant& value, const TDatatypeCharacteristics& source,
                                    const TDatatypeCharacteristics& target) {
    if (value.IsNull()) return value;
    const std::size_t count = target.Values.size();
    std::uint64_t index = 0;
    if (IsTextual(source.DataType)) {
        // A member's name wins over a text of digits, which is an index.
        const std::string text = ToStringValue(value, source).AsString();
        for (std::size_t i = 0; i < count; ++i)
            if (ServerCollationCompare(text, target.Values[i]) == 0) return rtl::Variant(std::int64_t(i + 1));
        if (IsDigits(text)) index = DigitsValue(text);
    } else {
        const rtl::Variant number = TruncatedInteger(value, source);
        index = number.Type() == rtl::varUInt64 || number.AsInt64() > 0 ? MaskOf(number) : 0;
    }
    return rtl::Variant(std::int64_t(index >= 1 && index <= count ? index : 0));
}

// A number as a member index or mask: the server cuts a fraction off.
rtl::Variant TDataConverter::TruncatedInteger(const rtl::Variant& value, const TDatatypeCharacteristics& c) {
    if (c.DataType == dtFloat) return FloatToInteger(std::trunc(VariantToExtended(value)));
    return ToInteger(value, c, false);
}

rtl::Variant TDataConverter::ToSet(const rtl::Variant& value, const TDatatypeCharacteristics& source,
                                   const TDatatypeCharacteristics& target) {
    if (value.IsNull()) return value;
    const std::size_t count = std::min<std::size_t>(target.Values.size(), 64);
    const std::uint64_t members = MemberBits(count);
    if (!IsTextual(source.DataType)) return IntegerVariant(MaskOf(TruncatedInteger(value, source)) & members);
    const std::string text = ToStringValue(value, source).AsString();
    auto memberIndex = [&](std::string_view item) -> std::optional<std::size_t> {
        for (std::size_t i = 0; i < count; ++i)
            if (ServerCollationCompare(item, target.Values[i]) == 0) return i;
        return std::nullopt;
    };
    // A text of digits that names no member is a mask.
    if (IsDigits(text) && !memberIndex(text)) return IntegerVariant(DigitsValue(text) & members);
    std::uint64_t mask = 0;
    for (const std::string& item : SplitString(text, ","))
        if (const auto i = memberIndex(item)) mask = SetBit(mask, static_cast<int>(*i));
    return IntegerVariant(mask);
}

rtl::Variant TDataConverter::RecodeString(const rtl::Variant& value, std::int32_t sourceCodePage,
                                          std::int32_t targetCodePage) {
    if (value.IsNull()) return value;
    const std::int32_t s = ResolveCodePage(sourceCodePage);
    const std::int32_t t = ResolveCodePage(targetCodePage);
    std::string bytes = StringBytes(value, StringCharacteristics(s, kUnlimitedLength));
    if (s == t || (IsUnicodeCodePage(s) && IsUnicodeCodePage(t)) || s == rtl::kCodePageBinary ||
        t == rtl::kCodePageBinary)
        return rtl::Variant(std::move(bytes));
    if (IsUnicodeCodePage(s)) return rtl::Variant(Utf8ToCodePage(bytes, t));
    if (IsUnicodeCodePage(t)) return rtl::Variant(CodePageToUtf8(bytes, s));
    return rtl::Variant(ConvertCodePage(bytes, s, t));
}

std::string TDataConverter::StringBytes(const rtl::Variant& value, const TDatatypeCharacteristics& c) {
    if (value.Type() != rtl::varWideString) return value.AsString();
    const std::int32_t codePage = ResolveCodePage(c.CodePage);
    if (codePage == rtl::kCodePageBinary || IsUnicodeCodePage(codePage)) return value.AsString();
    return WideToCodePage(value.AsWideString(), codePage);
}

bool TDataConverter::IsUnicodeCodePage(std::int32_t codePage) {
    return codePage == 1200 || codePage == 12000 || codePage == rtl::kCodePageUtf8;
}

std::int32_t TDataConverter::ResolveCodePage(std::int32_t codePage) const {
    return codePage == kCodePageConnectionDefault ? defaultCodePage_ : codePage;
}

std::string TDataConverter::EnumMemberName(std::int64_t index, const std::vector<std::string>& values) {
    return index >= 1 && static_cast<std::uint64_t>(index) <= values.size() ? values[index - 1]
                                                                            : std::string();
}

std::string TDataConverter::SetMemberNames(const std::vector<std::string>& values, std::uint64_t mask) {
    std::string names;
    for (std::size_t i = 0; i < std::min<std::size_t>(values.size(), 64); ++i)
        if (IsBitSet(mask, static_cast<int>(i))) AppendWithDelimiter(names, values[i], ",");
    return names;
}

// ---- Date and time numbers

std::string DateNumberToText(double value) {
    return ApplyDigitMask(WholeDigits(value), "0000-00-00");
}

std::string DateTimeNumberToText(double value) {
    return ApplyDigitMask(WholeDigits(value), "0000-00-00 00:00:00");
}

std::string TimeNumberToText(double value) {
    if (!std::isfinite(value)) return "00:00:00";
    const std::string decimal = PlainDecimalText(std::fabs(value));
    const std::size_t dot = decimal.find('.');
    std::string fraction = dot == std::string::npos ? std::string() : decimal.substr(dot + 1, 6);
    fraction.resize(6, '0');
    std::string text = (value < 0 ? "-" : "") + ApplyDigitMask(decimal.substr(0, dot), "00:00:00");
    if (fraction != "000000") text += "." + fraction;
    return text;
}

std::int64_t DateNumberToYear(double value) {
    return static_cast<std::int64_t>(ParseFloat(DateNumberToText(value).substr(0, 4)).value_or(0));
}

std::int64_t DateTimeNumberToYear(double value) {
    return static_cast<std::int64_t>(ParseFloat(DateTimeNumberToText(value).substr(0, 4)).value_or(0));
}

rtl::Variant DateTextToNumber(std::string_view text) {
    return TemporalPayload(Without(text, "-"));
}

rtl::Variant DateTimeTextToNumber(std::string_view text) {
    return TemporalPayload(Without(text, "-: "));
}

rtl::Variant TimeTextToNumber(std::string_view text) {
    if (text.empty()) return rtl::Variant(0.0);
    return TemporalPayload((text[0] == '-' ? "-" : "") + Without(text, "-:"));
}

rtl::Variant TemporalPayload(std::string_view number) {
    const std::optional<double> value = ParseFloat(number);
    if (!value) return rtl::Variant(0.0);
    const std::size_t dot = number.find('.');
    const bool fraction =
        dot != std::string_view::npos && number.find_first_not_of('0', dot + 1) != std::string_view::npos;
    return fraction ? rtl::Variant(number) : rtl::Variant(*value);
}

int TemporalScale(const TDatatypeCharacteristics& c) {
    const std::size_t open = c.TypeName.find('(');
    if (!IsTemporal(c.DataType) || open == std::string::npos) return -1;
    return std::clamp(std::atoi(c.TypeName.c_str() + open + 1), 0, 6);
}

std::string TemporalText(const rtl::Variant& payload, const TDatatypeCharacteristics& c) {
    const int scale = TemporalScale(c);
    if (payload.Type() != rtl::varString && scale < 0) {
        const double number = VariantToExtended(payload);
        if (c.DataType == dtTime) return TimeNumberToText(number);
        return c.DataType == dtDate ? DateNumberToText(number) : DateTimeNumberToText(number);
    }
    // The text's own digits: a double of 14 whole digits may round its fraction up into them.
    const TTemporalDigits split = SplitTemporal(payload);
    std::string fraction = split.fraction.substr(0, 6);
    if (scale >= 0) fraction.resize(static_cast<std::size_t>(scale), '0');
    std::string text;
    if (c.DataType == dtTime)
        text = (split.negative ? "-" : "") + ApplyDigitMask(split.whole, "00:00:00");
    else
        text = ApplyDigitMask(split.whole, c.DataType == dtDate ? "0000-00-00" : "0000-00-00 00:00:00");
    return fraction.empty() || c.DataType == dtDate ? text : text + "." + fraction;
}

bool IsBitSet(std::uint64_t mask, int bit) {
    RTL_ASSERT(bit >= 0 && bit < 64);
    return (mask >> bit) & 1;
}

std::uint64_t SetBit(std::uint64_t mask, int bit) {
    RTL_ASSERT(bit >= 0 && bit < 64);
    return mask | (std::uint64_t{1} << bit);
}

} // namespace core
