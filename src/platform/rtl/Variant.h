// A value of one of several kinds, with conversions between them.
#pragma once

#include "platform/rtl/DateTime.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

namespace rtl {

// The kinds a Variant holds, in the order of its storage.
enum VarType : uint8_t {
    varEmpty,
    varNull,
    varBoolean,
    varInt64,
    varUInt64,
    varDouble,
    varDate,
    varString,     // 8-bit: UTF-8 text or raw bytes
    varWideString, // UTF-16
    varArray,
};

// "Empty", "Null", "Boolean", "Int64", "UInt64", "Double", "Date", "String", "WideString", "Array".
const char* VarTypeName(VarType type);

class Variant;
using VariantArray = std::vector<Variant>;

// A value of one of the kinds above. Floats are kept as double, the width of a MySQL DOUBLE;
// long double arguments are rounded to it.
//
// Conversions never look at any locale and follow these rules:
// - Empty converts to 0, false, empty text. Null and arrays convert to nothing: EConversionError
//   "Could not convert variant of type (Null) into type (Int64)".
// - Text to number: blanks around it are ignored; decimal digits with an optional sign, or a float
//   with "." as the decimal point and an optional exponent. Text to Boolean also takes "true" and
//   "false" in any case. Anything else raises the conversion error above.
// - Float to integer rounds half to even (2.5 -> 2, 3.5 -> 4); NaN gives 0; a value outside the
//   target's range saturates to its nearest end, as do integers of the other signedness.
// - Boolean to number is 1 or 0; to text "True" or "False". Numbers to Boolean: not zero.
// - Float to text: FloatToGeneral with 15 digits. Date to text: DateTimeToString; text to date:
//   TryStringToDateTime. 8-bit text is read as UTF-8 where UTF-16 is asked for.
class Variant {
public:
    Variant() = default;
    Variant(bool v) : value_(v) {}
    Variant(char v) : value_(std::string(1, v)) {} // a character is one-character text
    template <class T>
        requires(std::is_integral_v<T> && std::is_signed_v<T> && !std::is_same_v<T, char>)
    Variant(T v) : value_(static_cast<int64_t>(v)) {}
    template <class T>
        requires(std::is_integral_v<T> && std::is_unsigned_v<T> && !std::is_same_v<T, bool> &&
                 !std::is_same_v<T, char> && !std::is_same_v<T, char8_t> && !std::is_same_v<T, char16_t> &&
                 !std::is_same_v<T, char32_t>)
    Variant(T v) : value_(static_cast<uint64_t>(v)) {}
    Variant(float v) : value_(static_cast<double>(v)) {}
    Variant(double v) : value_(v) {}
    Variant(long double v);
    Variant(const char* v) : value_(std::string(v ? v : "")) {}
    Variant(std::string v) : value_(std::move(v)) {}
    Variant(std::string_view v) : value_(std::string(v)) {}
    Variant(const char16_t* v) : value_(std::u16string(v ? v : u"")) {}
    Variant(std::u16string v) : value_(std::move(v)) {}
    Variant(std::u16string_view v) : value_(std::u16string(v)) {}
    explicit Variant(VariantArray items) : value_(std::move(items)) {}

    static Variant Null();
    static Variant FromDateTime(TDateTime value);

    VarType Type() const { return static_cast<VarType>(value_.index()); }
    const char* TypeName() const { return VarTypeName(Type()); }
    bool IsEmpty() const { return Type() == varEmpty; }
    bool IsNull() const { return Type() == varNull; }

    bool AsBoolean() const;
    int64_t AsInt64() const;
    uint64_t AsUInt64() const;
    double AsDouble() const;
    long double AsExtended() const;
    TDateTime AsDateTime() const;
    std::string AsString() const; // UTF-8 (or the bytes of an 8-bit string)
    std::u16string AsWideString() const;
    // The items of an array; any other kind raises the conversion error.
    const VariantArray& AsArray() const;

    // Equal kinds compare their values (arrays item by item, NaN equals nothing). Across kinds:
    // Int64, UInt64 and Double compare as numbers, String and WideString as text; any other pair
    // of different kinds is unequal (Empty is not Null, Boolean is not 1, Date is not Double).
    bool operator==(const Variant& other) const;

private:
    struct NullValue {
        bool operator==(const NullValue&) const = default;
    };
    struct DateValue {
        TDateTime days;
        bool operator==(const DateValue&) const = default;
    };

    [[noreturn]] void CannotConvert(VarType target) const;
    [[noreturn]] void CannotConvert(const char* target) const;
    long double ToNumber(const char* target) const;

    std::variant<std::monostate, NullValue, bool, int64_t, uint64_t, double, DateValue, std::string,
                 std::u16string, VariantArray>
        value_;
};

} // namespace rtl
