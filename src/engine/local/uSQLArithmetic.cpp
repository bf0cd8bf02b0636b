#include "engine/local/uSQLArithmetic.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "core/uDBAConnection.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Format.h"

namespace engine {

namespace {

using int128 = __int128;

constexpr int128 kInt64Min = std::numeric_limits<std::int64_t>::min();
constexpr int128 kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr int128 kUInt64Max = std::numeric_limits<std::uint64_t>::max();
constexpr long double kTwoPow63 = 9223372036854775808.0L;
constexpr long double kTwoPow64 = 18446744073709551616.0L;
constexpr int kOutOfRange = 1690;

enum class TNumberKind { Integer, Decimal, Double };

// An operand as the server's arithmetic sees it.
struct TNumber {
    TNumberKind kind = TNumberKind::Double;
    int128 integer = 0;
    bool isUnsigned = false;
    long double real = 0; // every kind
    int scale = 0;        // of a decimal; 0 for an integer
};

bool IsExact(core::TDataType kind) {
    switch (kind) {
    case core::dtInteger:
    case core::dtBoolean:
    case core::dtYear:
    case core::dtEnum:
    case core::dtSet:
    case core::dtTime:
    case core::dtDate:
    case core::dtDateTime:
    case core::dtTimestamp:
        return true;
    default:
        return false;
    }
}

// The fraction digits of a date or time in arithmetic: those of its type, or, where the type does
// not say, those of its value.
int TemporalFractionDigits(const core::IRODataValue& value, const core::TDatatypeCharacteristics& c) {
    if (const int scale = core::TemporalScale(c); scale >= 0) return scale;
    const rtl::Variant payload = value.AsVariant();
    if (payload.Type() != rtl::varString) return 0;
    const std::string text = payload.AsString();
    const std::size_t dot = text.find('.');
    return dot == std::string::npos ? 0 : static_cast<int>(std::min<std::size_t>(text.size() - dot - 1, 6));
}

TNumber ReadNumber(const core::IRODataValue& value) {
    const core::TDatatypeCharacteristics& c = value.GetCharacteristics();
    TNumber n;
    if (c.DataType >= core::dtTime && c.DataType <= core::dtTimestamp) {
        // A date or time with fractional seconds is a DECIMAL of as many digits.
        if (const int scale = TemporalFractionDigits(value, c); scale > 0) {
            n.kind = TNumberKind::Decimal;
            n.scale = scale;
            n.real = value.AsVariant().AsExtended();
            return n;
        }
    }
    if (IsExact(c.DataType)) {
        const rtl::Variant i = value.AsInteger();
        n.kind = TNumberKind::Integer;
        if (i.Type() == rtl::varUInt64) {
            n.integer = i.AsUInt64();
            n.isUnsigned = true;
        } else {
            n.integer = i.AsInt64();
            n.isUnsigned = c.DataType == core::dtInteger && c.MinValue >= 0;
        }
        n.real = static_cast<long double>(n.integer);
        return n;
    }
    n.real = core::VariantToExtended(value.AsFloat());
    if (c.DataType == core::dtFloat && c.Scale != core::kScaleNotSpecified) {
        n.kind = TNumberKind::Decimal;
        n.scale = c.Scale;
    }
    return n;
}

bool IsZero(const TNumber& n) {
    return n.kind == TNumberKind::Integer ? n.integer == 0 : n.real == 0;
}

bool Either(const TNumber& a, const TNumber& b, TNumberKind kind) {
    return a.kind == kind || b.kind == kind;
}

// The SQLSTATE is the server's; the error table of old servers does not know the error.
[[noreturn]] void RaiseOutOfRange(const char* type) {
    core::RaiseDBAError(rtl::Format("%s value is out of range", type), kOutOfRange, "22003");
}

[[noreturn]] void RaiseOutOfRange(bool isUnsigned) {
    RaiseOutOfRange(isUnsigned ? "BIGINT UNSIGNED" : "BIGINT");
}

// The server's conversion of a number to the operand of a bit operator.
std::uint64_t Bits(const TNumber& n) {
    if (n.kind == TNumberKind::Integer) return static_cast<std::uint64_t>(n.integer);
    if (std::isnan(n.real)) return 0;
    const long double rounded = std::round(n.real);
    if (rounded >= kTwoPow64) return std::numeric_limits<std::uint64_t>::max();
    if (rounded < -kTwoPow63) return static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::min());
    if (rounded < 0) return static_cast<std::uint64_t>(static_cast<std::int64_t>(rounded));
    return static_cast<std::uint64_t>(rounded);
}

std::uint64_t Shifted(std::uint64_t value, std::uint64_t count, bool left) {
    if (count > 63) return 0;
    return left ? value << count : value >> count;
}

// The bits of the integer that the server reads at the start of text: blanks, a sign and digits,
// saturated to the 64-bit range.
std::uint64_t TextIntegerBits(std::string_view text) {
    std::size_t i = text.find_first_not_of(" \t\n\r\v\f");
    if (i == std::string_view::npos) return 0;
    const bool negative = text[i] == '-';
    if (text[i] == '-' || text[i] == '+') ++i;
    int128 magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        magnitude = std::min(magnitude * 10 + (text[i] - '0'), kUInt64Max);
    if (!negative) return static_cast<std::uint64_t>(magnitude);
    return static_cast<std::uint64_t>(-std::min(magnitude, -kInt64Min));
}

// A number rounded by the caller, saturated to the target's range.
std::uint64_t RoundedIntegerBits(long double rounded, bool isUnsigned) {
    if (std::isnan(rounded)) return 0;
    if (isUnsigned) {
        if (rounded < 0) return 0;
        return rounded >= kTwoPow64 ? std::numeric_limits<std::uint64_t>::max()
                                    : static_cast<std::uint64_t>(rounded);
    }
    if (rounded >= kTwoPow63) return static_cast<std::uint64_t>(kInt64Max);
    if (rounded < -kTwoPow63) return static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::min());
    return static_cast<std::uint64_t>(static_cast<std::int64_t>(rounded));
}

} // namespace

TSQLArithmetic::TValue TSQLArithmetic::Add(const TValue& left, const TValue& right) const {
    return Calculate(TOperation::Add, left, right);
}

TSQLArithmetic::TValue TSQLArithmetic::Subtract(const TValue& left, const TValue& right) const {
    return Calculate(TOperation::Subtract, left, right);
}

TSQLArithmetic::TValue TSQLArithmetic::Multiply(const TValue& left, const TValue& right) const {
    return Calculate(TOperation::Multiply, left, right);
}

TSQLArithmetic::TValue TSQLArithmetic::Calculate(TOperation operation, const TValue& left,
                                                 const TValue& right) const {
    const TNumber a = ReadNumber(*left);
    const TNumber b = ReadNumber(*right);
    if (a.kind == TNumberKind::Integer && b.kind == TNumberKind::Integer) {
        const bool isUnsigned = a.isUnsigned || b.isUnsigned;
        int128 result = 0;
        bool overflow = false;
        switch (operation) {
        case TOperation::Add:
            result = a.integer + b.integer;
            break;
        case TOperation::Subtract:
            result = a.integer - b.integer;
            break;
        case TOperation::Multiply:
            // Two unsigned 64-bit numbers can overflow even 128 bits.
            overflow = __builtin_mul_overflow(a.integer, b.integer, &result);
            break;
        }
        if (overflow) RaiseOutOfRange(isUnsigned);
        return Integer(result, isUnsigned);
    }
    long double result = 0;
    switch (operation) {
    case TOperation::Add:
        result = a.real + b.real;
        break;
    case TOperation::Subtract:
        result = a.real - b.real;
        break;
    case TOperation::Multiply:
        result = a.real * b.real;
        break;
    }
    if (Either(a, b, TNumberKind::Double)) return Double(result);
    const int scale = operation == TOperation::Multiply ? a.scale + b.scale : std::max(a.scale, b.scale);
    return Decimal(scale, result);
}

TSQLArithmetic::TValue TSQLArithmetic::Divide(const TValue& left, const TValue& right) const {
    const TNumber a = ReadNumber(*left);
    const TNumber b = ReadNumber(*right);
    if (IsZero(b)) return nullptr;
    if (Either(a, b, TNumberKind::Double)) return Double(a.real / b.real);
    return Decimal(a.scale + 4, a.real / b.real);
}

TSQLArithmetic::TValue TSQLArithmetic::IntegerDivide(const TValue& left, const TValue& right) const {
    const TNumber a = ReadNumber(*left);
    const TNumber b = ReadNumber(*right);
    if (IsZero(b)) return nullptr;
    if (a.kind == TNumberKind::Integer && b.kind == TNumberKind::Integer)
        return Integer(a.integer / b.integer, a.isUnsigned || b.isUnsigned);
    const long double quotient = std::trunc(a.real / b.real);
    if (!(quotient >= -kTwoPow63 && quotient < kTwoPow63)) RaiseOutOfRange(false);
    return values_.CreateInteger(static_cast<std::int64_t>(quotient));
}

TSQLArithmetic::TValue TSQLArithmetic::Modulo(const TValue& left, const TValue& right) const {
    const TNumber a = ReadNumber(*left);
    const TNumber b = ReadNumber(*right);
    if (IsZero(b)) return nullptr;
    if (a.kind == TNumberKind::Integer && b.kind == TNumberKind::Integer)
        return Integer(a.integer % b.integer, a.isUnsigned);
    const long double remainder = std::fmod(a.real, b.real);
    if (Either(a, b, TNumberKind::Double)) return Double(remainder);
    return Decimal(std::max(a.scale, b.scale), remainder);
}

TSQLArithmetic::TValue TSQLArithmetic::Negate(const TValue& operand) const {
    const TNumber a = ReadNumber(*operand);
    switch (a.kind) {
    case TNumberKind::Integer:
        if (-a.integer >= kInt64Min && -a.integer <= kInt64Max)
            return values_.CreateInteger(static_cast<std::int64_t>(-a.integer));
        return Decimal(0, -a.real);
    case TNumberKind::Decimal:
        return Decimal(a.scale, -a.real);
    case TNumberKind::Double:
        break;
    }
    return Double(-a.real);
}

TSQLArithmetic::TValue TSQLArithmetic::BitAnd(const TValue& left, const TValue& right) const {
    return Unsigned(Bits(ReadNumber(*left)) & Bits(ReadNumber(*right)));
}

TSQLArithmetic::TValue TSQLArithmetic::BitOr(const TValue& left, const TValue& right) const {
    return Unsigned(Bits(ReadNumber(*left)) | Bits(ReadNumber(*right)));
}

TSQLArithmetic::TValue TSQLArithmetic::BitXor(const TValue& left, const TValue& right) const {
    return Unsigned(Bits(ReadNumber(*left)) ^ Bits(ReadNumber(*right)));
}

TSQLArithmetic::TValue TSQLArithmetic::BitNot(const TValue& operand) const {
    return Unsigned(~Bits(ReadNumber(*operand)));
}

TSQLArithmetic::TValue TSQLArithmetic::ShiftLeft(const TValue& left, const TValue& right) const {
    return Unsigned(Shifted(Bits(ReadNumber(*left)), Bits(ReadNumber(*right)), true));
}

TSQLArithmetic::TValue TSQLArithmetic::ShiftRight(const TValue& left, const TValue& right) const {
    return Unsigned(Shifted(Bits(ReadNumber(*left)), Bits(ReadNumber(*right)), false));
}

TSQLArithmetic::TValue TSQLArithmetic::CastToInteger(const TValue& operand, bool isUnsigned) const {
    std::uint64_t bits = 0;
    if (operand->GetCharacteristics().DataType == core::dtString) {
        bits = TextIntegerBits(operand->AsString().AsString());
    } else {
        const TNumber n = ReadNumber(*operand);
        switch (n.kind) {
        case TNumberKind::Integer:
            bits = static_cast<std::uint64_t>(n.integer);
            break;
        case TNumberKind::Decimal:
            bits = RoundedIntegerBits(std::round(n.real), isUnsigned);
            break;
        case TNumberKind::Double:
            bits = RoundedIntegerBits(std::nearbyint(n.real), isUnsigned);
            break;
        }
    }
    if (isUnsigned) return Unsigned(bits);
    return values_.CreateInteger(static_cast<std::int64_t>(bits));
}

TSQLArithmetic::TValue TSQLArithmetic::Integer(int128 value, bool isUnsigned) const {
    if (isUnsigned) {
        if (value < 0 || value > kUInt64Max) RaiseOutOfRange(true);
        return Unsigned(static_cast<std::uint64_t>(value));
    }
    if (value < kInt64Min || value > kInt64Max) RaiseOutOfRange(false);
    return values_.CreateInteger(static_cast<std::int64_t>(value));
}

TSQLArithmetic::TValue TSQLArithmetic::Unsigned(std::uint64_t value) const {
    static const core::TDatatypeCharacteristics kBigintUnsigned =
        core::MakeDatatypeCharacteristics(core::dtInteger, rtl::kCodePageBinary, 0, core::kUnlimitedLength,
                                          std::numeric_limits<std::uint64_t>::max(), 0, {});
    return std::make_shared<core::TRODataValue>(rtl::Variant(value), kBigintUnsigned, values_.Converter());
}

TSQLArithmetic::TValue TSQLArithmetic::Decimal(int scale, long double value) const {
    // Scales stay far below the marker of an unspecified one; the factory cuts them to what a value
    // can carry.
    return values_.CreateFloat(static_cast<std::uint8_t>(scale), value);
}

TSQLArithmetic::TValue TSQLArithmetic::Double(long double value) const {
    if (!(std::fabs(value) <= std::numeric_limits<double>::max())) RaiseOutOfRange("DOUBLE");
    // The server shows no negative zero.
    return values_.CreateFloat(core::kScaleNotSpecified, value == 0 ? 0 : value);
}

} // namespace engine
