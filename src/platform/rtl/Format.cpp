#include "platform/rtl/Format.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/Utf.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

namespace rtl {

FormatArg::FormatArg(const std::u16string& v) : value_(Utf16ToUtf8(v)) {}
FormatArg::FormatArg(const char16_t* v) : value_(v ? Utf16ToUtf8(v) : std::string()) {}

namespace {

constexpr int kMaxFloatDigits = 18;

// Text of a NaN or an infinity, or nothing for a finite value.
std::optional<std::string> SpecialFloatText(long double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    return std::nullopt;
}

// Whether the value lies exactly halfway between two multiples of 10^-decimals (decimals may be
// negative: tens, hundreds, ...).
bool IsHalfway(long double value, int decimals) {
    if (value == 0) return false;
    int exp;
    const long double fraction = std::frexp(std::fabs(value), &exp);
    uint64_t m = static_cast<uint64_t>(std::ldexp(fraction, 64)); // |value| = m * 2^e exactly
    int e = exp - 64;
    const int zeros = std::countr_zero(m);
    m >>= zeros;
    e += zeros;
    // With m odd, |value| * 10^decimals is a half-integer exactly when the value has decimals + 1
    // binary fraction digits.
    if (decimals >= 0) return e == -(decimals + 1);
    // Otherwise the value must be an integer n with 2n / 10^-decimals odd.
    if (e < 0 || e > 60 || -decimals > 36) return false;
    const unsigned __int128 twice = static_cast<unsigned __int128>(m) << (e + 1);
    unsigned __int128 power = 1;
    for (int i = 0; i < -decimals; ++i)
        power *= 10;
    return twice % power == 0 && (twice / power) % 2 == 1;
}

// to_chars rounds a tie to even; the runtime rounds it away from zero. Moving a tie by one unit
// away from zero gives the runtime's digits.
long double TieAwayFromZero(long double value, int decimals) {
    if (!IsHalfway(value, decimals)) return value;
    return std::nextafter(value, value < 0 ? -HUGE_VALL : HUGE_VALL);
}

// "[-]d.ddde(+|-)xx" with `digits` significant digits (1..18), ties away from zero.
std::string Scientific(long double value, int digits) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, digits - 1);
    const char* e = std::find(buf, res.ptr, 'e');
    int exponent = 0;
    std::from_chars(e + (e[1] == '+' ? 2 : 1), res.ptr, exponent);
    const long double rounded = TieAwayFromZero(value, digits - 1 - exponent);
    if (rounded != value)
        res = std::to_chars(buf, buf + sizeof buf, rounded, std::chars_format::scientific, digits - 1);
    return std::string(buf, res.ptr);
}

// Significant digits (no trailing zeros) and decimal exponent of a finite, non-zero value rounded
// to `digits` significant digits: value = d1.d2d3... * 10^exponent.
struct Decimal {
    bool negative;
    std::string digits;
    int exponent;
};

Decimal ToDecimal(long double value, int digits) {
    const std::string text = Scientific(value, digits);
    Decimal d{false, {}, 0};
    size_t i = 0;
    if (text[i] == '-') {
        d.negative = true;
        ++i;
    }
    for (; text[i] != 'e'; ++i)
        if (text[i] != '.') d.digits += text[i];
    ++i;
    if (text[i] == '+') ++i;
    std::from_chars(text.data() + i, text.data() + text.size(), d.exponent);
    while (d.digits.size() > 1 && d.digits.back() == '0')
        d.digits.pop_back();
    return d;
}

} // namespace

std::string FloatToFixed(long double value, int decimals) {
    if (auto special = SpecialFloatText(value)) return *special;
    constexpr int kMaxDecimals = 100;
    decimals = std::clamp(decimals, 0, kMaxDecimals);
    // The largest long double has 4933 integer digits.
    std::string buf(4940 + kMaxDecimals, '\0');
    const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), TieAwayFromZero(value, decimals),
                                   std::chars_format::fixed, decimals);
    buf.resize(res.ptr - buf.data());
    if (buf.front() == '-' && buf.find_first_not_of("-0.") == std::string::npos) buf.erase(0, 1);
    return buf;
}

std::string FloatToGeneral(long double value, int digits) {
    if (auto special = SpecialFloatText(value)) return *special;
    if (value == 0) return "0";
    digits = std::clamp(digits, 1, kMaxFloatDigits);
    const Decimal d = ToDecimal(value, digits);
    const int n = static_cast<int>(d.digits.size());
    std::string out = d.negative ? "-" : "";
    if (d.exponent >= digits || d.exponent < -5) {
        out += d.digits[0];
        if (n > 1) out += "." + d.digits.substr(1);
        out += 'E';
        out += std::to_string(d.exponent);
    } else if (d.exponent >= 0) {
        const int intDigits = d.exponent + 1;
        out += d.digits.substr(0, intDigits);
        if (n < intDigits) out.append(intDigits - n, '0');
        if (n > intDigits) out += "." + d.digits.substr(intDigits);
    } else {
        out += "0.";
        out.append(-d.exponent - 1, '0');
        out += d.digits;
    }
    return out;
}

namespace {

// "d.dddE+ddd" with `digits` significant digits and at least three exponent digits.
std::string FloatToExponent(long double value, int digits) {
    if (auto special = SpecialFloatText(value)) return *special;
    digits = std::clamp(digits, 1, kMaxFloatDigits);
    std::string text = Scientific(value, digits);
    const size_t e = text.find('e');
    const char sign = text[e + 1];
    std::string exp = text.substr(e + 2);
    if (exp.size() < 3) exp.insert(0, 3 - exp.size(), '0');
    text.resize(e);
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text + 'E' + sign + exp;
}

// Inserts "," between groups of three integer digits of a fixed-point text.
std::string GroupThousands(std::string text) {
    const size_t start = text.front() == '-' ? 1 : 0;
    size_t end = text.find('.');
    if (end == std::string::npos) end = text.size();
    for (size_t i = end; i > start + 3; i -= 3)
        text.insert(i - 3, 1, ',');
    return text;
}

std::string UnsignedText(unsigned long long value, int base, int minDigits) {
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, base);
    std::string text(buf, res.ptr);
    if (base == 16)
        std::transform(text.begin(), text.end(), text.begin(), [](char c) { return std::toupper(c); });
    if (static_cast<int>(text.size()) < minDigits) text.insert(0, minDigits - text.size(), '0');
    return text;
}

class Formatter {
public:
    Formatter(std::string_view format, std::span<const FormatArg> args) : format_(format), args_(args) {}

    std::string Run() {
        std::string out;
        size_t pos = 0;
        while (pos < format_.size()) {
            const size_t pct = format_.find('%', pos);
            out.append(
                format_.substr(pos, pct == std::string_view::npos ? std::string_view::npos : pct - pos));
            if (pct == std::string_view::npos) break;
            pos_ = pct + 1;
            out += Placeholder();
            pos = pos_;
        }
        return out;
    }

private:
    [[noreturn]] void Fail() const {
        throw EConversionError("Format '" + std::string(format_) + "' invalid or incompatible with argument");
    }

    char Peek() const { return pos_ < format_.size() ? format_[pos_] : '\0'; }

    const FormatArg::Value& NextArg() {
        if (next_ >= args_.size()) Fail();
        return args_[next_++].value();
    }

    long long IntArg() {
        const auto& v = NextArg();
        if (const auto* i = std::get_if<long long>(&v)) return *i;
        if (const auto* u = std::get_if<unsigned long long>(&v)) return static_cast<long long>(*u);
        Fail();
    }

    // Digits or "*" (the next argument); nothing when neither is there. Kept within +-1000000 so that a
    // wild argument cannot ask for gigabytes of padding.
    std::optional<long long> Number() {
        constexpr long long kLimit = 1'000'000;
        if (Peek() == '*') {
            ++pos_;
            return std::clamp(IntArg(), -kLimit, kLimit);
        }
        if (!std::isdigit(static_cast<unsigned char>(Peek()))) return std::nullopt;
        long long n = 0;
        while (std::isdigit(static_cast<unsigned char>(Peek()))) {
            n = std::min(n * 10 + (Peek() - '0'), kLimit);
            ++pos_;
        }
        return n;
    }

    std::string Placeholder() {
        if (Peek() == '%') {
            ++pos_;
            return "%";
        }
        bool left = false;
        std::optional<long long> width = Number();
        if (width && Peek() == ':') {
            ++pos_;
            if (*width < 0) Fail();
            next_ = static_cast<size_t>(*width);
            width.reset();
        }
        if (!width) {
            if (Peek() == '-') {
                left = true;
                ++pos_;
            }
            width = Number();
        }
        std::optional<long long> precision;
        if (Peek() == '.') {
            ++pos_;
            precision = Number().value_or(0);
            if (*precision < 0) precision.reset();
        }
        const char type = static_cast<char>(std::tolower(static_cast<unsigned char>(Peek())));
        if (type == '\0') Fail();
        ++pos_;
        std::string text = Convert(type, precision);
        long long w = width.value_or(0);
        if (w < 0) {
            left = true;
            w = -w;
        }
        const size_t length = Utf8Length(text);
        if (static_cast<size_t>(w) > length) {
            const std::string pad(static_cast<size_t>(w) - length, ' ');
            text = left ? text + pad : pad + text;
        }
        return text;
    }

    std::string Convert(char type, std::optional<long long> precision) {
        const auto& v = NextArg();
        const int prec = static_cast<int>(precision.value_or(-1));
        const auto* i = std::get_if<long long>(&v);
        const auto* u = std::get_if<unsigned long long>(&v);
        const auto* f = std::get_if<long double>(&v);
        switch (type) {
        case 'd':
            if (i) {
                const auto magnitude = static_cast<unsigned long long>(*i);
                return *i < 0 ? "-" + UnsignedText(0 - magnitude, 10, prec)
                              : UnsignedText(magnitude, 10, prec);
            }
            if (u) return UnsignedText(*u, 10, prec);
            break;
        case 'u':
        case 'x':
            if (i || u)
                return UnsignedText(i ? static_cast<unsigned long long>(*i) : *u, type == 'u' ? 10 : 16,
                                    prec);
            break;
        case 'f':
            if (f) return FloatToFixed(*f, precision ? prec : 2);
            break;
        case 'n':
            if (f) return GroupThousands(FloatToFixed(*f, precision ? prec : 2));
            break;
        case 'e':
            if (f) return FloatToExponent(*f, precision ? prec : 15);
            break;
        case 'g':
            if (f) return FloatToGeneral(*f, precision ? prec : 15);
            break;
        case 's':
            if (const auto* s = std::get_if<std::string>(&v))
                return precision ? s->substr(0, Utf8PrefixBytes(*s, static_cast<size_t>(prec))) : *s;
            break;
        case 'p':
            if (const auto* p = std::get_if<const void*>(&v))
                return UnsignedText(reinterpret_cast<uintptr_t>(*p), 16, 2 * sizeof(void*));
            break;
        default:
            break;
        }
        Fail();
    }

    std::string_view format_;
    std::span<const FormatArg> args_;
    size_t pos_ = 0;
    size_t next_ = 0;
};

} // namespace

std::string FormatV(std::string_view format, std::span<const FormatArg> args) {
    return Formatter(format, args).Run();
}

std::u16string WideFormatV(std::u16string_view format, std::span<const FormatArg> args) {
    return Utf8ToUtf16(FormatV(Utf16ToUtf8(format), args));
}

} // namespace rtl
