// Printf-style formatting of 8-bit and UTF-16 text, and number texts.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

namespace rtl {

// One argument of Format: integers, floating point numbers, 8-bit (UTF-8) text, UTF-16 text or a pointer.
class FormatArg {
public:
    using Value = std::variant<long long, unsigned long long, long double, std::string, const void*>;

    template <class T>
        requires(std::is_integral_v<T> && std::is_signed_v<T> && !std::is_same_v<T, bool>)
    FormatArg(T v) : value_(static_cast<long long>(v)) {}
    template <class T>
        requires(std::is_integral_v<T> && std::is_unsigned_v<T> && !std::is_same_v<T, bool> &&
                 !std::is_same_v<T, char16_t>)
    FormatArg(T v) : value_(static_cast<unsigned long long>(v)) {}
    FormatArg(bool v) : value_(static_cast<long long>(v)) {}
    FormatArg(char v) : value_(std::string(1, v)) {}
    FormatArg(float v) : value_(static_cast<long double>(v)) {}
    FormatArg(double v) : value_(static_cast<long double>(v)) {}
    FormatArg(long double v) : value_(v) {}
    FormatArg(const char* v) : value_(std::string(v ? v : "")) {}
    FormatArg(std::string_view v) : value_(std::string(v)) {}
    FormatArg(const std::string& v) : value_(v) {}
    FormatArg(const std::u16string& v);
    FormatArg(const char16_t* v);
    FormatArg(const void* v) : value_(v) {}

    const Value& value() const { return value_; }

private:
    Value value_;
};

// printf-style formatting with the runtime's placeholders: %[index:][-][width][.precision]type, where
// index, width and precision are digits or "*" (taken from the next argument), and type is one of
// d u x s f e g n p, in either case (%% gives a percent sign).
//   d u x   integers; precision is the minimum number of digits; x gives upper-case hex digits
//   f n     fixed decimals (default 2); n adds "," between thousands
//   e       scientific "d.dddE+ddd" with precision significant digits (default 15)
//   g       FloatToGeneral with precision significant digits (default 15)
//   s       text (UTF-8); precision is the maximum number of characters
//   p       a pointer as 16 upper-case hex digits
// Width pads with spaces on the left, or on the right with "-"; it counts characters, not bytes. An
// index selects the argument; later placeholders go on from the one after it. Numbers never follow
// the C++ or C locale: the decimal separator is always ".". A placeholder that does not fit its
// argument, or a missing argument, raises EConversionError
// "Format '%s' invalid or incompatible with argument".
std::string FormatV(std::string_view format, std::span<const FormatArg> args);

template <class... Args>
std::string Format(std::string_view format, const Args&... args) {
    if constexpr (sizeof...(Args) == 0) {
        return FormatV(format, {});
    } else {
        const FormatArg list[] = {FormatArg(args)...};
        return FormatV(format, list);
    }
}

// The same for UTF-16 format strings: formats the UTF-8 form and converts back.
std::u16string WideFormatV(std::u16string_view format, std::span<const FormatArg> args);

template <class... Args>
std::u16string WideFormat(std::u16string_view format, const Args&... args) {
    if constexpr (sizeof...(Args) == 0) {
        return WideFormatV(format, {});
    } else {
        const FormatArg list[] = {FormatArg(args)...};
        return WideFormatV(format, list);
    }
}

// Locale-free float text; a value exactly halfway rounds away from zero (2.5 -> "3", 0.125 with two
// decimals -> "0.13"). FloatToFixed: "%.*f" (a result that rounds to zero has no minus sign).
// FloatToGeneral: the shortest text of the value rounded to `digits` significant digits (1..18),
// without trailing zeros; scientific ("1E20", "1.5E-7") when the value has more integer digits than
// `digits` or is below 0.00001. NaN and infinities give "NAN", "INF" and "-INF".
std::string FloatToFixed(long double value, int decimals);
std::string FloatToGeneral(long double value, int digits = 15);

} // namespace rtl
