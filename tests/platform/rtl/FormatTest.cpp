#include "platform/rtl/Format.h"

#include "platform/rtl/Exception.h"

#include "CommaLocale.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

using rtl::Format;

struct Case {
    std::string actual;
    std::string expected;
};

void ExpectAll(const std::vector<Case>& cases) {
    for (const Case& c : cases)
        EXPECT_EQ(c.actual, c.expected);
}

TEST(FormatTest, Integers) {
    ExpectAll({
        {Format("%d", -5), "-5"},
        {Format("%d", std::numeric_limits<int64_t>::min()), "-9223372036854775808"},
        {Format("%d", std::numeric_limits<uint64_t>::max()), "18446744073709551615"},
        {Format("%5d|", 42), "   42|"},
        {Format("%-5d|", 42), "42   |"},
        {Format("%.3d", 7), "007"},
        {Format("%.3d", -7), "-007"},
        {Format("%6.3d", -7), "  -007"},
        {Format("%u", -1), "18446744073709551615"},
        {Format("%x", 255), "FF"},
        {Format("%.4X", 255u), "00FF"},
        {Format("%*d", 4, 42), "  42"},
        {Format("%-*d|", 4, 42), "42  |"},
        {Format("%*d|", -4, 42), "42  |"},
        {Format("%D", static_cast<short>(3)), "3"},
    });
}

TEST(FormatTest, TextWidthAndPrecisionCountCharacters) {
    ExpectAll({
        {Format("%s=%s", "a", std::string("b")), "a=b"},
        {Format("%5s|", "abc"), "  abc|"},
        {Format("%-5s|", "abc"), "abc  |"},
        {Format("%.2s", "abcdef"), "ab"},
        {Format("%3s|", "\xC3\xB1"), "  \xC3\xB1|"},               // one character, two bytes
        {Format("%.1s", "\xF0\x9F\x98\x80z"), "\xF0\x9F\x98\x80"}, // an emoji is not cut apart
        {Format("%s", std::u16string(u"\u00e9t\u00e9")), "\xC3\xA9t\xC3\xA9"},
        {Format("%s", 'x'), "x"},
        {Format("100%% of %s", "it"), "100% of it"},
    });
}

TEST(FormatTest, IndexesSelectArgumentsAndLaterPlaceholdersGoOn) {
    ExpectAll({
        {Format("%1:s %0:s %s", "a", "b"), "b a b"},
        {Format("'%0:s'.'%1:s' or '%0:s'", "db", "t"), "'db'.'t' or 'db'"},
        {Format("%*:s", 1, "x", "y"), "x"}, // the index counts every argument
    });
}

TEST(FormatTest, Floats) {
    ExpectAll({
        {Format("%f", 3.14159), "3.14"},
        {Format("%.3f", 1.0 / 3), "0.333"},
        {Format("%.0f", 2.5), "3"}, // halfway goes away from zero
        {Format("%.2f", 0.125), "0.13"},
        {Format("%.2f", -0.125), "-0.13"},
        {Format("%.2f", 1.005), "1.00"},  // 1.005 is a little below 1.005 in binary
        {Format("%.2f", -0.001), "0.00"}, // no "-0.00"
        {Format("%8.2f|", -1.5), "   -1.50|"},
        {Format("%n", 1234567.891), "1,234,567.89"},
        {Format("%.0n", -999.0), "-999"},
        {Format("%.0n", -1000.0), "-1,000"},
        {Format("%e", 1234.5), "1.23450000000000E+003"},
        {Format("%.3e", -0.00012345), "-1.23E-004"},
        {Format("%g", 0.1), "0.1"},
        {Format("%g", 1e20), "1E20"},
        {Format("%g", 100.0), "100"},
        {Format("%.2g", 125.0), "1.3E2"},
        {Format("%f", std::numeric_limits<double>::quiet_NaN()), "NAN"},
        {Format("%g", -std::numeric_limits<double>::infinity()), "-INF"},
        {Format("%f", 2.5f), "2.50"},
        {Format("%.1f", 0.25L), "0.3"},
    });
}

TEST(FormatTest, PointersAreSixteenHexDigits) {
    const void* p = reinterpret_cast<const void*>(uintptr_t{0xABC});
    EXPECT_EQ(Format("%p", p), "0000000000000ABC");
}

TEST(FormatTest, NumbersIgnoreTheProcessLocale) {
    std::string text;
    {
        CommaLocale comma;
        if (!comma.Active()) GTEST_SKIP() << "no locale with a decimal comma can be made here";
        text = Format("%.2f %g %e %n", 1.5, 0.25, 2.0, 1234.5);
    }
    EXPECT_EQ(text, "1.50 0.25 2.00000000000000E+000 1,234.50");
}

TEST(FormatTest, BadPlaceholdersRaiseTheConversionError) {
    const auto message = [](auto&& fn) {
        try {
            fn();
        } catch (const rtl::EConversionError& e) {
            return e.Message();
        }
        return std::string("no error");
    };
    EXPECT_EQ(message([] { Format("%d", "text"); }), "Format '%d' invalid or incompatible with argument");
    EXPECT_EQ(message([] { Format("%s %s", "one"); }),
              "Format '%s %s' invalid or incompatible with argument");
    const std::vector<std::function<void()>> bad = {
        [] { Format("%f", 1); },       [] { Format("%s", 1.5); },        [] { Format("%x", 1.5); },
        [] { Format("%p", 1); },       [] { Format("%q", 1); },          [] { Format("50%"); },
        [] { Format("%*d", "w", 1); }, [] { Format("%2:s", "a", "b"); },
    };
    for (const auto& fn : bad)
        EXPECT_THROW(fn(), rtl::EConversionError);
}

TEST(FormatTest, WideFormatKeepsSurrogatePairs) {
    EXPECT_EQ(rtl::WideFormat(u"[%s] %d", std::u16string(u"\U0001F600"), 7), u"[\U0001F600] 7");
}

TEST(FloatToGeneralTest, ShortestTextWithFifteenDigits) {
    ExpectAll({
        {rtl::FloatToGeneral(0), "0"},
        {rtl::FloatToGeneral(0.1 + 0.2), "0.3"},
        {rtl::FloatToGeneral(3.14159), "3.14159"},
        {rtl::FloatToGeneral(-2.5), "-2.5"},
        {rtl::FloatToGeneral(123456789012345.0), "123456789012345"},
        {rtl::FloatToGeneral(1234567890123456.0), "1.23456789012346E15"},
        {rtl::FloatToGeneral(1e20), "1E20"},
        {rtl::FloatToGeneral(0.00001), "0.00001"},
        {rtl::FloatToGeneral(1.5e-7), "1.5E-7"},
        {rtl::FloatToGeneral(9.9999999999999999e14), "1E15"},
        {rtl::FloatToGeneral(2.0 / 3, 4), "0.6667"},
    });
}

TEST(FloatToFixedTest, DecimalsAndLargeValues) {
    ExpectAll({
        {rtl::FloatToFixed(3.14159, 2), "3.14"},
        {rtl::FloatToFixed(2, 0), "2"},
        {rtl::FloatToFixed(-0.0, 1), "0.0"},
        {rtl::FloatToFixed(1e20, 1), "100000000000000000000.0"},
        {rtl::FloatToFixed(0.5, 0), "1"},
        {rtl::FloatToFixed(-1.5, 0), "-2"},
    });
}

} // namespace
