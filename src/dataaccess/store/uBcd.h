// Decimal numbers of up to 64 digits: conversion to and from text, comparison and rounding.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dataaccess {

// A decimal number of up to 64 digits in 34 bytes: the number of digits, the sign (bit 7) with the
// digits after the point (bits 0-6), then the digits two to a byte, the most significant first.
struct TBcd {
    uint8_t Precision = 0;
    uint8_t SignScale = 0;
    uint8_t Digits[32] = {};
};

inline constexpr size_t kBcdSize = sizeof(TBcd);
inline constexpr int kMaxBcdDigits = 64;
static_assert(kBcdSize == 34);

// Reads "[+|-]digits[.digits]" with blanks around it; raises EConversionError
// "'%s' is not a valid BCD value" for anything else or for more than 64 digits.
TBcd BcdFromText(std::string_view text);
// "-12.340" keeps its digits after the point; zero is "0" with its scale.
std::string BcdToText(const TBcd& value);
// -1, 0 or 1 by value; the scale does not matter (1.50 equals 1.5).
int BcdCompare(const TBcd& a, const TBcd& b);

// The shortest fixed-point text that reads back as the same double ("1.005", "-0.1", "1e+20" never).
std::string DecimalText(double value);
// `text` ("[+|-]digits[.digits]") rounded to `scale` digits after the point, halves away from zero,
// the way the server rounds a decimal value. Raises like BcdFromText for bad text.
std::string RoundDecimalText(std::string_view text, int scale);
// The value rounded to `scale` decimals through its shortest decimal text, so 1.005 becomes 1.01.
double RoundToScale(double value, int scale);
// The decimal text times 10^scale, rounded; EConversionError when it does not fit 64 bits.
int64_t ScaledInteger(std::string_view text, int scale);

} // namespace dataaccess
