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

// printf-style formatting with the runtime's placeholders: %[index:][-][width|*][.precision|.*]type
// where type is one of d u x s f e g n p (and %% for a percent sign). Numbers never follow the C++
// or C locale: the decimal separator is always ".". A placeholder that does not fit its argument
// raises EConversionError "Format '%s' invalid or incompatible with argument".
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

// Locale-free float text: "%.*f", "%.*e" and the shortest round-trip form with at most `digits`
// significant digits (the runtime's general format, e.g. 0.1, 1E20, 1.5E-7).
std::string FloatToFixed(long double value, int decimals);
std::string FloatToGeneral(long double value, int digits = 15);

} // namespace rtl
