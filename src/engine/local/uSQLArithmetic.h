// The server's arithmetic on two values, with the server's result types.
#pragma once

#include <cstdint>
#include <memory>

#include "core/uDataValues.h"
#include "engine/model/uDataValueManager.h"

namespace engine {

// The number an operation reads from text: CAST to SIGNED or UNSIGNED reads an integer, integer
// division, bit operators and comparisons with an integer read a DECIMAL, other arithmetic and
// truth values a DOUBLE.
enum TNumberReading : std::uint8_t { nrInteger, nrDecimal, nrDouble };

// The server's arithmetic on two non-NULL values, with the server's result types:
// - values that read as exact integers (integers, Booleans, years, dates and times, ENUM and SET)
//   give a 64-bit integer, unsigned when an operand is unsigned, and error 1690 outside its range;
// - a DOUBLE (a float of unspecified scale) or a string operand gives a DOUBLE;
// - otherwise the result is a decimal with the server's scale.
// A zero divisor answers nullptr: the caller decides between NULL and the error of strict evaluation.
class TSQLArithmetic {
public:
    using TValue = std::shared_ptr<core::IRODataValue>;

    // The factory must outlive this object.
    explicit TSQLArithmetic(const TDataValueManager& values) : values_(values) {}

    // Decimal scale: the larger of the two.
    TValue Add(const TValue& left, const TValue& right) const;
    TValue Subtract(const TValue& left, const TValue& right) const;
    // Decimal scale: the sum of the two.
    TValue Multiply(const TValue& left, const TValue& right) const;
    // Never an integer: a decimal with the dividend's scale plus 4 (the server's
    // div_precision_increment), or a DOUBLE.
    TValue Divide(const TValue& left, const TValue& right) const;
    // The quotient truncated toward zero, always an integer.
    TValue IntegerDivide(const TValue& left, const TValue& right) const;
    // The remainder with the dividend's sign; unsigned only when the dividend is.
    TValue Modulo(const TValue& left, const TValue& right) const;
    // An integer that has no negative in its range becomes a decimal.
    TValue Negate(const TValue& operand) const;

    // The bit operators work on unsigned 64-bit numbers: integers by their two's complement, other
    // numbers rounded half away from zero and saturated. The result is BIGINT UNSIGNED.
    TValue BitAnd(const TValue& left, const TValue& right) const;
    TValue BitOr(const TValue& left, const TValue& right) const;
    TValue BitXor(const TValue& left, const TValue& right) const;
    TValue BitNot(const TValue& operand) const;
    // A shift count outside 0..63 gives 0.
    TValue ShiftLeft(const TValue& left, const TValue& right) const;
    TValue ShiftRight(const TValue& left, const TValue& right) const;

    // CAST(... AS SIGNED) and CAST(... AS UNSIGNED): integers keep their bits, text is read up to
    // the first character that is not a digit, DOUBLEs round half to even and decimals half away from
    // zero; a negative number other than an integer or text becomes 0 as UNSIGNED.
    TValue CastToInteger(const TValue& operand, bool isUnsigned) const;

private:
    enum class TOperation { Add, Subtract, Multiply };

    TValue Calculate(TOperation operation, const TValue& left, const TValue& right) const;
    TValue Integer(__int128 value, bool isUnsigned) const;
    TValue Unsigned(std::uint64_t value) const;
    TValue Decimal(int scale, long double value) const;
    TValue Double(long double value) const;

    const TDataValueManager& values_;
};

} // namespace engine
