#include "platform/rtl/Variant.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Utf.h"

#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <optional>

namespace rtl {

static_assert(std::numeric_limits<long double>::digits >= 64,
              "every 64-bit integer must fit a long double exactly");

const char* VarTypeName(VarType type) {
    static constexpr const char* kNames[] = {"Empty",  "Null", "Boolean", "Int64",      "UInt64",
                                             "Double", "Date", "String",  "WideString", "Array"};
    return kNames[type];
}

namespace {

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
    };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// [+-](digits[.[digits]] | .digits)[(e|E)[+-]digits]
bool IsNumberText(std::string_view t) {
    size_t i = 0;
    const auto digits = [&] {
        const size_t start = i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9')
            ++i;
        return i - start;
    };
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t mantissa = digits();
    if (i < t.size() && t[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        if (digits() == 0) return false;
    }
    return i == t.size();
}

// The text as a number, or nothing. The conversion itself runs in the "C" locale whatever the
// process locale is; overflow gives an infinity and underflow zero.
std::optional<long double> ParseNumber(std::string_view text) {
    const std::string t(Trim(text));
    if (!IsNumberText(t)) return std::nullopt;
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    return strtold_l(t.c_str(), nullptr, cLocale);
}

long double RoundHalfEven(long double x) {
    if (std::fabs(x - std::trunc(x)) == 0.5L) return 2.0L * std::round(x / 2.0L);
    return std::round(x);
}

int64_t SaturateInt64(long double x) {
    if (std::isnan(x)) return 0;
    x = RoundHalfEven(x);
    if (x >= 0x1p63L) return std::numeric_limits<int64_t>::max();
    if (x < -0x1p63L) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(x);
}

uint64_t SaturateUInt64(long double x) {
    if (std::isnan(x)) return 0;
    x = RoundHalfEven(x);
    if (x >= 0x1p64L) return std::numeric_limits<uint64_t>::max();
    if (x <= 0) return 0;
    return static_cast<uint64_t>(x);
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

Variant::Variant(long double v) : value_(static_cast<double>(v)) {}

Variant Variant::Null() {
    Variant v;
    v.value_ = NullValue{};
    return v;
}

Variant Variant::FromDateTime(TDateTime value) {
    Variant v;
    v.value_ = DateValue{value};
    return v;
}

void Variant::CannotConvert(VarType target) const {
    CannotConvert(VarTypeName(target));
}

void Variant::CannotConvert(const char* target) const {
    throw EConversionError(
        Format("Could not convert variant of type (%s) into type (%s)", TypeName(), target));
}

long double Variant::ToNumber(const char* target) const {
    switch (Type()) {
    case varEmpty:
        return 0;
    case varBoolean:
        return std::get<bool>(value_) ? 1 : 0;
    case varInt64:
        return std::get<int64_t>(value_);
    case varUInt64:
        return std::get<uint64_t>(value_);
    case varDouble:
        return std::get<double>(value_);
    case varDate:
        return std::get<DateValue>(value_).days;
    case varString:
    case varWideString:
        if (auto number = ParseNumber(AsString())) return *number;
        break;
    case varNull:
    case varArray:
        break;
    }
    CannotConvert(target);
}

bool Variant::AsBoolean() const {
    switch (Type()) {
    case varBoolean:
        return std::get<bool>(value_);
    case varString:
    case varWideString: {
        const std::string text = AsString();
        if (EqualsIgnoringAsciiCase(Trim(text), "true")) return true;
        if (EqualsIgnoringAsciiCase(Trim(text), "false")) return false;
        break;
    }
    default:
        break;
    }
    const long double number = ToNumber(VarTypeName(varBoolean));
    return number != 0 && !std::isnan(number);
}

int64_t Variant::AsInt64() const {
    if (const auto* i = std::get_if<int64_t>(&value_)) return *i;
    return SaturateInt64(ToNumber(VarTypeName(varInt64)));
}

uint64_t Variant::AsUInt64() const {
    if (const auto* u = std::get_if<uint64_t>(&value_)) return *u;
    return SaturateUInt64(ToNumber(VarTypeName(varUInt64)));
}

double Variant::AsDouble() const {
    const long double x = ToNumber(VarTypeName(varDouble));
    if (x > DBL_MAX) return HUGE_VAL;
    if (x < -DBL_MAX) return -HUGE_VAL;
    return static_cast<double>(x);
}

long double Variant::AsExtended() const {
    return ToNumber("Extended");
}

TDateTime Variant::AsDateTime() const {
    if (Type() == varString || Type() == varWideString) {
        if (auto date = TryStringToDateTime(AsString())) return *date;
        CannotConvert(varDate);
    }
    return static_cast<TDateTime>(ToNumber(VarTypeName(varDate)));
}

std::string Variant::AsString() const {
    switch (Type()) {
    case varEmpty:
        return {};
    case varBoolean:
        return std::get<bool>(value_) ? "True" : "False";
    case varInt64:
        return std::to_string(std::get<int64_t>(value_));
    case varUInt64:
        return std::to_string(std::get<uint64_t>(value_));
    case varDouble:
        return FloatToGeneral(std::get<double>(value_), 15);
    case varDate:
        return DateTimeToString(std::get<DateValue>(value_).days);
    case varString:
        return std::get<std::string>(value_);
    case varWideString:
        return Utf16ToUtf8(std::get<std::u16string>(value_));
    case varNull:
    case varArray:
        break;
    }
    CannotConvert(varString);
}

std::u16string Variant::AsWideString() const {
    if (const auto* w = std::get_if<std::u16string>(&value_)) return *w;
    if (IsNull() || Type() == varArray) CannotConvert(varWideString);
    return Utf8ToUtf16(AsString());
}

const VariantArray& Variant::AsArray() const {
    if (const auto* items = std::get_if<VariantArray>(&value_)) return *items;
    CannotConvert(varArray);
}

bool Variant::operator==(const Variant& other) const {
    if (Type() == other.Type()) return value_ == other.value_;
    const auto numeric = [](VarType t) { return t == varInt64 || t == varUInt64 || t == varDouble; };
    const auto text = [](VarType t) { return t == varString || t == varWideString; };
    if (numeric(Type()) && numeric(other.Type())) return ToNumber("") == other.ToNumber("");
    if (text(Type()) && text(other.Type())) return AsWideString() == other.AsWideString();
    return false;
}

} // namespace rtl
