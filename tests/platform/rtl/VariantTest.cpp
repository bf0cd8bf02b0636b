#include "platform/rtl/Variant.h"

#include "platform/rtl/Exception.h"

#include "CommaLocale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using rtl::Variant;

constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t kInt64Min = std::numeric_limits<int64_t>::min();
constexpr uint64_t kUInt64Max = std::numeric_limits<uint64_t>::max();

std::string ConversionMessage(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const rtl::EConversionError& e) {
        return e.Message();
    }
    return "no error";
}

TEST(VariantTest, KindsFollowTheConstructorArgument) {
    struct Case {
        Variant value;
        rtl::VarType type;
    };
    const Case cases[] = {
        {Variant(), rtl::varEmpty},
        {Variant::Null(), rtl::varNull},
        {Variant(true), rtl::varBoolean},
        {Variant(-3), rtl::varInt64},
        {Variant(int8_t{-3}), rtl::varInt64},
        {Variant(3u), rtl::varUInt64},
        {Variant(kUInt64Max), rtl::varUInt64},
        {Variant(1.5), rtl::varDouble},
        {Variant(1.5L), rtl::varDouble},
        {Variant::FromDateTime(45000.5), rtl::varDate},
        {Variant("text"), rtl::varString},
        {Variant(std::string("\x01\x00", 2)), rtl::varString},
        {Variant(u"text"), rtl::varWideString},
        {Variant(rtl::VariantArray{Variant(1), Variant("a")}), rtl::varArray},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.value.Type(), c.type) << c.value.TypeName();
    EXPECT_TRUE(Variant::Null().IsNull());
    EXPECT_TRUE(Variant().IsEmpty());
    EXPECT_FALSE(Variant().IsNull());
    EXPECT_STREQ(Variant(u"x").TypeName(), "WideString");
    EXPECT_EQ(Variant(std::string("\x01\x00", 2)).AsString().size(), 2u);
}

TEST(VariantTest, FloatToIntegerRoundsHalfToEvenAndSaturates) {
    struct Case {
        Variant value;
        int64_t expected;
    };
    const Case cases[] = {
        {2.5, 2},
        {3.5, 4},
        {-2.5, -2},
        {-3.5, -4},
        {2.4999, 2},
        {2.5001, 3},
        {1e30, kInt64Max},
        {-1e30, kInt64Min},
        {std::numeric_limits<double>::quiet_NaN(), 0},
        {std::numeric_limits<double>::infinity(), kInt64Max},
        {kUInt64Max, kInt64Max},
        {true, 1},
        {false, 0},
        {Variant(), 0},
        {Variant::FromDateTime(45000.75), 45001},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.value.AsInt64(), c.expected) << c.value.AsString();
    EXPECT_EQ(Variant(-1).AsUInt64(), 0u);
    EXPECT_EQ(Variant(1e30).AsUInt64(), kUInt64Max);
    EXPECT_EQ(Variant(18446744073709551615.0L).AsUInt64(), kUInt64Max);
    EXPECT_EQ(Variant(0.5).AsUInt64(), 0u);
    EXPECT_EQ(Variant(1.5).AsUInt64(), 2u);
}

TEST(VariantTest, TextToNumberReadsDecimalPointOnly) {
    EXPECT_EQ(Variant(" 42 ").AsInt64(), 42);
    EXPECT_EQ(Variant("+7").AsInt64(), 7);
    EXPECT_EQ(Variant("-9223372036854775808").AsInt64(), kInt64Min);
    EXPECT_EQ(Variant("9223372036854775807").AsInt64(), kInt64Max);
    EXPECT_EQ(Variant("99999999999999999999").AsInt64(), kInt64Max);
    EXPECT_EQ(Variant("18446744073709551615").AsUInt64(), kUInt64Max);
    EXPECT_EQ(Variant("2.5").AsInt64(), 2);
    EXPECT_EQ(Variant("1e3").AsInt64(), 1000);
    EXPECT_DOUBLE_EQ(Variant("3.25").AsDouble(), 3.25);
    EXPECT_DOUBLE_EQ(Variant(".5").AsDouble(), 0.5);
    EXPECT_DOUBLE_EQ(Variant(u"-1.5E-3").AsDouble(), -0.0015);
    EXPECT_EQ(Variant("1e999").AsDouble(), HUGE_VAL);
    EXPECT_EQ(Variant("0.1").AsExtended(), 0.1L); // parsed at full extended precision
    for (const char* bad : {"3,25", "abc", "", "  ", "12abc", "1e", "inf", "nan", "0x10", "1.2.3", "- 1"})
        EXPECT_THROW(Variant(bad).AsDouble(), rtl::EConversionError) << bad;
    EXPECT_EQ(ConversionMessage([] { Variant("abc").AsInt64(); }),
              "Could not convert variant of type (String) into type (Int64)");
    EXPECT_EQ(ConversionMessage([] { Variant(u"abc").AsDouble(); }),
              "Could not convert variant of type (WideString) into type (Double)");
}

TEST(VariantTest, ConversionsIgnoreTheProcessLocale) {
    double parsed;
    std::string text;
    {
        CommaLocale comma;
        if (!comma.Active()) GTEST_SKIP() << "no locale with a decimal comma can be made here";
        parsed = Variant("1.5").AsDouble();
        text = Variant(1.5).AsString();
        EXPECT_THROW(Variant("1,5").AsDouble(), rtl::EConversionError);
    }
    EXPECT_EQ(parsed, 1.5);
    EXPECT_EQ(text, "1.5");
}

TEST(VariantTest, NullAndArraysConvertToNothing) {
    EXPECT_EQ(ConversionMessage([] { Variant::Null().AsInt64(); }),
              "Could not convert variant of type (Null) into type (Int64)");
    EXPECT_EQ(ConversionMessage([] { Variant::Null().AsString(); }),
              "Could not convert variant of type (Null) into type (String)");
    EXPECT_EQ(ConversionMessage([] { Variant::Null().AsWideString(); }),
              "Could not convert variant of type (Null) into type (WideString)");
    EXPECT_EQ(ConversionMessage([] { Variant::Null().AsBoolean(); }),
              "Could not convert variant of type (Null) into type (Boolean)");
    EXPECT_EQ(ConversionMessage([] { Variant(rtl::VariantArray{}).AsDouble(); }),
              "Could not convert variant of type (Array) into type (Double)");
    EXPECT_EQ(ConversionMessage([] { Variant(1).AsArray(); }),
              "Could not convert variant of type (Int64) into type (Array)");
}

TEST(VariantTest, TextForms) {
    EXPECT_EQ(Variant().AsString(), "");
    EXPECT_EQ(Variant(true).AsString(), "True");
    EXPECT_EQ(Variant(kInt64Min).AsString(), "-9223372036854775808");
    EXPECT_EQ(Variant(kUInt64Max).AsString(), "18446744073709551615");
    EXPECT_EQ(Variant(0.1 + 0.2).AsString(), "0.3");
    EXPECT_EQ(Variant(1e20).AsString(), "1E20");
    EXPECT_EQ(Variant(u"\U0001F600").AsString(), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Variant("\xF0\x9F\x98\x80").AsWideString(), u"\U0001F600");
    EXPECT_EQ(Variant(12).AsWideString(), u"12");
    EXPECT_EQ(Variant::FromDateTime(rtl::EncodeDate(2024, 1, 31)).AsString(), "2024-01-31");
}

TEST(VariantTest, Booleans) {
    EXPECT_TRUE(Variant(" TRUE ").AsBoolean());
    EXPECT_FALSE(Variant(u"false").AsBoolean());
    EXPECT_TRUE(Variant("-1").AsBoolean());
    EXPECT_FALSE(Variant("0.0").AsBoolean());
    EXPECT_TRUE(Variant(0.5).AsBoolean());
    EXPECT_FALSE(Variant(std::numeric_limits<double>::quiet_NaN()).AsBoolean());
    EXPECT_FALSE(Variant().AsBoolean());
    EXPECT_EQ(ConversionMessage([] { Variant("yes").AsBoolean(); }),
              "Could not convert variant of type (String) into type (Boolean)");
}

TEST(VariantTest, Dates) {
    const Variant date = Variant::FromDateTime(rtl::EncodeDate(2024, 2, 29) + rtl::EncodeTime(13, 5, 9, 0));
    EXPECT_EQ(date.AsString(), "2024-02-29 13:05:09");
    EXPECT_DOUBLE_EQ(date.AsDouble(), 45351 + (13 * 3600 + 5 * 60 + 9) / 86400.0);
    EXPECT_DOUBLE_EQ(Variant("2024-02-29 13:05:09").AsDateTime(), date.AsDateTime());
    EXPECT_EQ(Variant(2.0).AsDateTime(), 2.0);
    EXPECT_EQ(ConversionMessage([] { Variant("2024-02-30").AsDateTime(); }),
              "Could not convert variant of type (String) into type (Date)");
}

TEST(VariantTest, Equality) {
    EXPECT_EQ(Variant(1), Variant(1u));
    EXPECT_EQ(Variant(1), Variant(1.0));
    EXPECT_NE(Variant(kInt64Max), Variant(static_cast<double>(kInt64Max))); // 2^63 is one more
    EXPECT_NE(Variant(-1), Variant(kUInt64Max));
    EXPECT_EQ(Variant("\xC3\xA9"), Variant(u"\u00E9"));
    EXPECT_NE(Variant("1"), Variant(1));
    EXPECT_NE(Variant(true), Variant(1));
    EXPECT_NE(Variant(), Variant::Null());
    EXPECT_EQ(Variant::Null(), Variant::Null());
    EXPECT_NE(Variant::FromDateTime(2.0), Variant(2.0));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_NE(Variant(nan), Variant(nan));
    const Variant a(rtl::VariantArray{Variant(1), Variant(rtl::VariantArray{Variant("x")})});
    const Variant b(rtl::VariantArray{Variant(1.0), Variant(rtl::VariantArray{Variant(u"x")})});
    EXPECT_EQ(a, b);
    EXPECT_NE(a, Variant(rtl::VariantArray{Variant(1)}));
    EXPECT_EQ(a.AsArray().size(), 2u);
}

TEST(DateTimeTest, EncodeDecodeAroundDayZero) {
    EXPECT_EQ(rtl::EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(rtl::EncodeDate(1970, 1, 1), 25569.0);
    EXPECT_EQ(rtl::EncodeDate(1, 1, 1), -693593.0);
    EXPECT_EQ(rtl::EncodeDate(9999, 12, 31), 2958465.0);
    const rtl::DateTimeParts before = rtl::DecodeDateTime(-1.25);
    EXPECT_EQ(before, (rtl::DateTimeParts{1899, 12, 29, 6, 0, 0, 0}));
    EXPECT_EQ(rtl::DateTimeToString(-1.25), "1899-12-29 06:00:00");
    EXPECT_EQ(rtl::DateTimeToString(rtl::EncodeTime(23, 59, 59, 999) + 1), "1899-12-31 23:59:59.999");
    EXPECT_EQ(rtl::DateTimeToString(0.99999999999), "1899-12-31"); // rounds into the next day
    EXPECT_THROW(rtl::EncodeDate(2023, 2, 29), rtl::EConversionError);
    EXPECT_THROW(rtl::EncodeTime(24, 0, 0, 0), rtl::EConversionError);
    EXPECT_THROW(rtl::DecodeDateTime(1e10), rtl::EConversionError);
}

TEST(DateTimeTest, ParsesTheTextItWrites) {
    for (const char* text : {"2024-01-31", "2024-01-31 08:15:00", "1899-12-29 06:00:00", "0001-01-01",
                             "2000-02-29 23:59:59.5"}) {
        const auto value = rtl::TryStringToDateTime(text);
        ASSERT_TRUE(value) << text;
        EXPECT_EQ(rtl::DateTimeToString(*value), text == std::string("2000-02-29 23:59:59.5")
                                                     ? "2000-02-29 23:59:59.500"
                                                     : std::string(text));
    }
    EXPECT_EQ(rtl::TryStringToDateTime("12:00"), 0.5);
    EXPECT_EQ(rtl::TryStringToDateTime(" 2024-01-31T12:00 "), rtl::EncodeDate(2024, 1, 31) + 0.5);
    for (const char* bad : {"", "2024-13-01", "2024-01-31 25:00", "31.01.2024", "2024-01-31x", "12"})
        EXPECT_FALSE(rtl::TryStringToDateTime(bad)) << bad;
}

} // namespace
