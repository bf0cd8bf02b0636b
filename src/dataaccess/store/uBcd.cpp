#include "dataaccess/store/uBcd.h"

#include "dataaccess/store/uDAConsts.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace dataaccess {

namespace {

// A decimal as text digits: the integer part without leading zeros, the fraction as written.
struct Decimal {
    bool negative = false;
    std::string integer;
    std::string fraction;

    bool IsZero() const { return integer.empty() && fraction.find_first_not_of('0') == std::string::npos; }
};

[[noreturn]] void InvalidDecimal(std::string_view text) {
    throw rtl::EConversionError(rtl::Format(SInvalidBcd, std::string(text)));
}

bool AllDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

Decimal ParseDecimal(std::string_view text) {
    const std::string_view original = text;
    const auto first = text.find_first_not_of(" \t");
    const auto last = text.find_last_not_of(" \t");
    text = first == std::string_view::npos ? std::string_view() : text.substr(first, last - first + 1);
    Decimal d;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        d.negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const auto point = text.find('.');
    const std::string_view integer = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if ((integer.empty() && fraction.empty()) || !AllDigits(integer) || !AllDigits(fraction))
        InvalidDecimal(original);
    d.integer = std::string(integer.substr(std::min(integer.find_first_not_of('0'), integer.size())));
    d.fraction = std::string(fraction);
    if (d.IsZero()) d.negative = false;
    return d;
}

std::string DecimalToText(const Decimal& d) {
    std::string text = d.negative ? "-" : "";
    text += d.integer.empty() ? "0" : d.integer;
    if (!d.fraction.empty()) text += "." + d.fraction;
    return text;
}

int CompareMagnitude(const Decimal& a, const Decimal& b) {
    if (a.integer.size() != b.integer.size()) return a.integer.size() < b.integer.size() ? -1 : 1;
    if (const int c = a.integer.compare(b.integer)) return c < 0 ? -1 : 1;
    const size_t n = std::max(a.fraction.size(), b.fraction.size());
    std::string fa = a.fraction, fb = b.fraction;
    fa.resize(n, '0');
    fb.resize(n, '0');
    const int c = fa.compare(fb);
    return (c > 0) - (c < 0);
}

Decimal BcdToDecimal(const TBcd& value) {
    const int scale = value.SignScale & 0x7F;
    std::string digits;
    for (int i = 0; i < value.Precision; ++i) {
        const uint8_t pair = value.Digits[i / 2];
        digits += static_cast<char>('0' + (i % 2 == 0 ? pair >> 4 : pair & 0x0F));
    }
    Decimal d;
    d.negative = (value.SignScale & 0x80) != 0;
    const size_t intLength = digits.size() - static_cast<size_t>(scale);
    d.integer = digits.substr(0, intLength);
    d.integer.erase(0, std::min(d.integer.find_first_not_of('0'), d.integer.size()));
    d.fraction = digits.substr(intLength);
    return d;
}

} // namespace

TBcd BcdFromText(std::string_view text) {
    const Decimal d = ParseDecimal(text);
    const std::string digits = d.integer + d.fraction;
    if (digits.size() > static_cast<size_t>(kMaxBcdDigits)) InvalidDecimal(text);
    TBcd value;
    value.Precision = static_cast<uint8_t>(digits.size());
    value.SignScale = static_cast<uint8_t>(d.fraction.size() | (d.negative ? 0x80 : 0));
    for (size_t i = 0; i < digits.size(); ++i) {
        const auto digit = static_cast<uint8_t>(digits[i] - '0');
        value.Digits[i / 2] |= i % 2 == 0 ? static_cast<uint8_t>(digit << 4) : digit;
    }
    return value;
}

std::string BcdToText(const TBcd& value) {
    return DecimalToText(BcdToDecimal(value));
}

int BcdCompare(const TBcd& a, const TBcd& b) {
    Decimal da = BcdToDecimal(a), db = BcdToDecimal(b);
    if (da.IsZero()) da.negative = false;
    if (db.IsZero()) db.negative = false;
    if (da.negative != db.negative) return da.negative ? -1 : 1;
    const int c = CompareMagnitude(da, db);
    return da.negative ? -c : c;
}

std::string DecimalText(double value) {
    if (!std::isfinite(value))
        throw rtl::EConversionError(rtl::Format(SInvalidBcd, rtl::FloatToGeneral(value)));
    std::array<char, 400> buffer;
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed);
    return std::string(buffer.data(), result.ptr);
}

std::string RoundDecimalText(std::string_view text, int scale) {
    Decimal d = ParseDecimal(text);
    scale = std::max(scale, 0);
    if (d.fraction.size() <= static_cast<size_t>(scale)) {
        d.fraction.resize(static_cast<size_t>(scale), '0');
        return DecimalToText(d);
    }
    const bool roundUp = d.fraction[static_cast<size_t>(scale)] >= '5';
    std::string digits = d.integer + d.fraction.substr(0, static_cast<size_t>(scale));
    if (roundUp) {
        int i = static_cast<int>(digits.size()) - 1;
        while (i >= 0 && digits[static_cast<size_t>(i)] == '9')
            digits[static_cast<size_t>(i--)] = '0';
        if (i >= 0)
            ++digits[static_cast<size_t>(i)];
        else
            digits.insert(digits.begin(), '1');
    }
    d.integer = digits.substr(0, digits.size() - static_cast<size_t>(scale));
    d.integer.erase(0, std::min(d.integer.find_first_not_of('0'), d.integer.size()));
    d.fraction = digits.substr(digits.size() - static_cast<size_t>(scale));
    if (d.IsZero()) d.negative = false;
    return DecimalToText(d);
}

double RoundToScale(double value, int scale) {
    if (!std::isfinite(value)) return value;
    const std::string text = RoundDecimalText(DecimalText(value), scale);
    double result = 0;
    std::from_chars(text.data(), text.data() + text.size(), result);
    return result;
}

int64_t ScaledInteger(std::string_view text, int scale) {
    std::string digits = RoundDecimalText(text, scale);
    digits.erase(std::remove(digits.begin(), digits.end(), '.'), digits.end());
    int64_t result = 0;
    const auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), result);
    if (parsed.ec != std::errc() || parsed.ptr != digits.data() + digits.size()) InvalidDecimal(text);
    return result;
}

} // namespace dataaccess
