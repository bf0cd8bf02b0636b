#include "dataaccess/store/uCompressHooks.h"
#include "dataaccess/store/uDataUtils.h"
#include "dataaccess/store/uSharedObject.h"
#include "platform/rtl/Exception.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <zlib.h>

namespace dataaccess {
namespace {

using ::testing::HasSubstr;

TEST(TimeStampTest, StampToDateTime) {
    EXPECT_DOUBLE_EQ(StampToDateTime({kMSecsPerDay / 2, kDateDelta}), 0.5);
    EXPECT_DOUBLE_EQ(StampToDateTime({kMSecsPerDay / 2, kDateDelta - 1}), -1.5);
    EXPECT_DOUBLE_EQ(StampToDateTime({0, kDateDelta + 1}), 1.0);
    EXPECT_DOUBLE_EQ(StampToDateTime({kMSecsPerDay / 4, 1}), -693593.25); // 1 January of year 1
}

TEST(TimeStampTest, InvalidStampsNameDateThenTime) {
    struct Case {
        TTimeStamp stamp;
        const char* message;
    };
    const Case cases[] = {
        {{-1, 5}, "'5.-1' is not a valid timestamp"},
        {{10, 0}, "'0.10' is not a valid timestamp"},
        {{0, -3}, "'-3.0' is not a valid timestamp"},
    };
    for (const Case& c : cases) {
        try {
            StampToDateTime(c.stamp);
            ADD_FAILURE() << c.message;
        } catch (const rtl::EConversionError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
    }
}

TEST(CalendarTest, EncodeDateValue) {
    rtl::TDateTime value = -1;
    EXPECT_FALSE(EncodeDateValue(1900, 2, 29, value));
    EXPECT_TRUE(EncodeDateValue(2000, 2, 29, value));
    EXPECT_DOUBLE_EQ(value, 36585);
    EXPECT_TRUE(EncodeDateValue(1899, 12, 30, value));
    EXPECT_DOUBLE_EQ(value, 0);
    EXPECT_TRUE(EncodeDateValue(1, 1, 1, value));
    EXPECT_DOUBLE_EQ(value, -693593);
    EXPECT_TRUE(EncodeDateValue(9999, 12, 31, value));
    EXPECT_FALSE(EncodeDateValue(0, 1, 1, value));
    EXPECT_FALSE(EncodeDateValue(10000, 1, 1, value));
    EXPECT_FALSE(EncodeDateValue(2001, 13, 1, value));
    EXPECT_FALSE(EncodeDateValue(2001, 4, 31, value));
    EXPECT_FALSE(EncodeDateValue(2001, 4, 0, value));
}

TEST(CalendarTest, EncodeTimeAndDateTime) {
    rtl::TDateTime value = 0;
    EXPECT_TRUE(EncodeTimeValue(12, 0, 0, 0, value));
    EXPECT_DOUBLE_EQ(value, 0.5);
    EXPECT_TRUE(EncodeTimeValue(23, 59, 59, 999, value));
    EXPECT_FALSE(EncodeTimeValue(24, 0, 0, 0, value));
    EXPECT_FALSE(EncodeTimeValue(0, 60, 0, 0, value));
    EXPECT_FALSE(EncodeTimeValue(0, 0, 60, 0, value));
    EXPECT_FALSE(EncodeTimeValue(0, 0, 0, 1000, value));

    EXPECT_TRUE(EncodeDateTimeValue(2000, 1, 1, 6, 0, 0, 0, value));
    EXPECT_DOUBLE_EQ(value, 36526.25);
    // Before day 0 the fraction is subtracted: it still counts forward from midnight.
    EXPECT_TRUE(EncodeDateTimeValue(1899, 12, 29, 6, 0, 0, 0, value));
    EXPECT_DOUBLE_EQ(value, -1.25);
    EXPECT_FALSE(EncodeDateTimeValue(2000, 2, 30, 6, 0, 0, 0, value));
    EXPECT_FALSE(EncodeDateTimeValue(2000, 2, 1, 25, 0, 0, 0, value));
}

TEST(VarEqualTest, Rules) {
    using rtl::Variant;
    const Variant bytesA(rtl::VariantArray{Variant(1), Variant(2)});
    const Variant bytesB(rtl::VariantArray{Variant(1), Variant(2)});
    const Variant bytesC(rtl::VariantArray{Variant(1), Variant(3)});
    const Variant noBytes(rtl::VariantArray{});
    struct Case {
        Variant a, b;
        bool equal;
    };
    const Case cases[] = {
        {Variant(""), Variant(u""), true}, // UTF-16 on either side: both compared as UTF-16
        {Variant(u"\u00e9"), Variant("\xC3\xA9"), true},
        {Variant("abc"), Variant(u"ABC"), false}, // exact, case-sensitive
        {Variant::Null(), Variant::Null(), true},
        {Variant::Null(), Variant(""), false},
        {Variant(""), Variant::Null(), false},
        {Variant(0), Variant::Null(), false},
        {Variant(""), Variant(""), true},
        {Variant(""), Variant(0), false}, // an empty string equals only an empty string
        {Variant(0), Variant(""), false},
        {Variant(), Variant(""), false},
        {Variant("x"), Variant("x"), true},
        {bytesA, bytesB, true},
        {bytesA, bytesC, false},
        {noBytes, Variant(rtl::VariantArray{}), true},
        {noBytes, bytesA, false},
        {bytesA, Variant(1), false}, // exactly one byte array: never equal
        {Variant("12"), bytesA, false},
        {Variant(5), Variant(5.0), true},
        {Variant(5), Variant(6), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VarEqual(c.a, c.b), c.equal) << c.a.TypeName() << " vs " << c.b.TypeName();
    // The rest is the variant operator's answer.
    EXPECT_EQ(VarEqual(Variant(1), Variant("1")), Variant(1) == Variant("1"));
}

TEST(BufferUtilsTest, TrimTrailing) {
    char letters[] = "ab  ";
    TrimTrailingAnsi(letters, -1);
    EXPECT_EQ(std::string(letters, 4), std::string("ab\0\0", 4));

    char spaces[] = "    ";
    TrimTrailingAnsi(spaces, -1);
    EXPECT_EQ(std::string(spaces, 4), std::string(4, '\0'));

    char fixed[] = {'x', ' ', '\0', ' ', 'y'};
    TrimTrailingAnsi(fixed, 4); // within the length: the zero in the middle does not stop it
    EXPECT_EQ(std::string(fixed, 5), std::string("x\0\0\0y", 5));

    char inner[] = "a b ";
    TrimTrailingAnsi(inner, -1);
    EXPECT_EQ(std::string(inner, 4), std::string("a b\0", 4));

    char16_t wide[] = u"\u00e9  ";
    TrimTrailingWide(wide, -1);
    EXPECT_EQ(std::u16string(wide, 3), std::u16string(u"\u00e9\0\0", 3));
}

TEST(BufferUtilsTest, WideStringCopies) {
    char16_t target[8];
    std::fill(std::begin(target), std::end(target), u'#');
    EXPECT_EQ(StrCopyWide(target, u"abc"), target);
    EXPECT_EQ(std::u16string(target, 5), std::u16string(u"abc\0#", 5));
    StrLCopyWide(target, u"wxyz", 2);
    EXPECT_EQ(std::u16string(target, 4), std::u16string(u"wx\0\0", 4));
    StrLCopyWide(target, u"q", 5);
    EXPECT_EQ(StrLenWide(target), 1);

    uint8_t raw[6] = {};
    CopyBufferFromAnsi("hello", raw, 3);
    CopyBufferFromWide(u"Z", raw + 3, 2);
    FillBuffer(raw + 5, 1, 0x7F);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(raw), 6), std::string("helZ\0\x7F", 6));
}

TEST(CompareTest, CaseInsensitiveOrderIsAlphabetical) {
    EXPECT_EQ(CompareTextAnsi("apple", "BANANA"), -1);
    EXPECT_EQ(CompareTextAnsi("Apple", "apple"), 0);
    EXPECT_EQ(CompareTextAnsi("b", "A"), 1);
    EXPECT_EQ(CompareTextAnsiZ("abc", "ABD"), -1);
    EXPECT_EQ(TextCompare("Zeta", "alpha"), 1);
    EXPECT_EQ(CompareTextWide(u"\u00c9t\u00e9", u"\u00e9T\u00c9"), 0);
    EXPECT_EQ(CompareTextWideN(u"abcX", u"ABCy", 3), 0);
    EXPECT_EQ(CompareTextWideN(u"abcX", u"ABCy", 4), -1);
    EXPECT_TRUE(SameTextAnsi("Stra\xC3\x9F"
                             "e",
                             "STRA\xC3\x9F"
                             "E"));
    EXPECT_FALSE(SameTextAnsi("ab", "abc"));
}

TEST(CompareTest, CaseSensitiveOrder) {
    EXPECT_EQ(CompareStrAnsi("apple", "Banana"), -1); // letters first, case second
    EXPECT_EQ(CompareStrAnsi("a", "A"), -1);          // then lower case first
    EXPECT_EQ(CompareStrAnsi("B", "b"), 1);
    EXPECT_EQ(CompareStrAnsi("abc", "abc"), 0);
    EXPECT_EQ(CompareStrAnsi("ab", "abc"), -1);
    EXPECT_EQ(CompareStrAnsiZ("aB", "ab"), 1);
    EXPECT_EQ(CompareStrAnsi(std::string("a\0b", 3), std::string("a\0c", 3)), -1); // full lengths
    EXPECT_EQ(CompareStrWide(u"x", u"X"), -1);
    EXPECT_EQ(CompareStrWideN(u"abX", u"abY", 2), 0);
    EXPECT_EQ(CompareStrWideN(u"abx", u"abX", 3), -1);
}

TEST(TextUtilsTest, CaseQuotingAndVariantText) {
    EXPECT_EQ(AnsiLower("\xC3\x89T\xC3\x89 Ab"), "\xC3\xA9t\xC3\xA9 ab");
    EXPECT_EQ(AnsiUpper("stra\xC3\x9F"
                        "e"),
              "STRASSE");
    EXPECT_EQ(AnsiQuote("it's", '\''), "'it''s'");
    EXPECT_EQ(AnsiDequote("'it''s' tail", '\''), "it's");
    EXPECT_EQ(AnsiDequote("plain", '\''), "plain");
    EXPECT_EQ(AnsiDequote("'open", '\''), "'open");
    EXPECT_EQ(VariantText(rtl::Variant::Null()), "");
    EXPECT_EQ(VariantText(rtl::Variant(42)), "42");
}

TEST(ObjectUtilsTest, IsClassOfAndSwapBytes) {
    TVariantObject* value = new TVariantObject;
    const TSharedObject* object = value;
    EXPECT_TRUE(IsClassOf<TVariantObject>(object));
    EXPECT_TRUE(IsClassOf<TSharedObject>(object));
    EXPECT_FALSE(IsClassOf<TVariantObject>(static_cast<const TSharedObject*>(nullptr)));
    value->Release();

    EXPECT_EQ(SwapBytes32(0x11223344u), 0x44332211u);
}

// ---- The zlib hooks

class CompressHooksTest : public ::testing::Test {
protected:
    void TearDown() override {
        CompressProc = ZlibCompress;
        UncompressProc = ZlibUncompress;
    }

    static std::vector<uint8_t> Sample(size_t size) {
        std::vector<uint8_t> data(size);
        std::mt19937 random(7);
        for (size_t i = 0; i < size; ++i)
            data[i] = static_cast<uint8_t>(i % 97 < 40 ? 'a' : random() % 256);
        return data;
    }
};

TEST_F(CompressHooksTest, RoundTripOfOneMegabyte) {
    const std::vector<uint8_t> data = Sample(1 << 20);
    std::vector<uint8_t> packed(data.size() + data.size() / 5 + 32);
    uint32_t packedLength = static_cast<uint32_t>(packed.size());
    EXPECT_EQ(CompressBlock(packed.data(), packedLength, data.data(), static_cast<uint32_t>(data.size())),
              Z_STREAM_END);
    EXPECT_LT(packedLength, data.size());

    std::vector<uint8_t> unpacked(data.size());
    uint32_t unpackedLength = static_cast<uint32_t>(unpacked.size());
    EXPECT_EQ(UncompressBlock(unpacked.data(), unpackedLength, packed.data(), packedLength), Z_STREAM_END);
    EXPECT_EQ(unpackedLength, data.size());
    EXPECT_EQ(unpacked, data);

    // The stream is the zlib format: the library's own uncompress reads it.
    std::vector<uint8_t> check(data.size());
    uLongf checkLength = check.size();
    ASSERT_EQ(uncompress(check.data(), &checkLength, packed.data(), packedLength), Z_OK);
    EXPECT_EQ(check, data);
}

TEST_F(CompressHooksTest, TargetTooSmall) {
    const std::vector<uint8_t> data = Sample(100000);
    std::vector<uint8_t> packed(64);
    uint32_t length = static_cast<uint32_t>(packed.size());
    try {
        CompressBlock(packed.data(), length, data.data(), static_cast<uint32_t>(data.size()));
        FAIL() << "no error";
    } catch (const EZlibError& e) {
        EXPECT_EQ(e.Message(), "ZLib error: target buffer may be too small");
    }
}

TEST_F(CompressHooksTest, UncompressReportsProducedLength) {
    const std::vector<uint8_t> data = Sample(5000);
    std::vector<uint8_t> packed(6100);
    uint32_t packedLength = static_cast<uint32_t>(packed.size());
    CompressBlock(packed.data(), packedLength, data.data(), static_cast<uint32_t>(data.size()));

    std::vector<uint8_t> roomy(8000);
    uint32_t produced = static_cast<uint32_t>(roomy.size());
    UncompressBlock(roomy.data(), produced, packed.data(), packedLength);
    EXPECT_EQ(produced, data.size()); // never silently short: the caller sees the real length

    std::vector<uint8_t> tight(4000);
    uint32_t tightLength = static_cast<uint32_t>(tight.size());
    EXPECT_THROW(UncompressBlock(tight.data(), tightLength, packed.data(), packedLength), EZlibError);
}

TEST_F(CompressHooksTest, DamagedStreamsRaise) {
    const std::vector<uint8_t> data = Sample(5000);
    std::vector<uint8_t> packed(6100);
    uint32_t packedLength = static_cast<uint32_t>(packed.size());
    CompressBlock(packed.data(), packedLength, data.data(), static_cast<uint32_t>(data.size()));

    std::vector<uint8_t> out(data.size());
    uint32_t outLength = static_cast<uint32_t>(out.size());
    EXPECT_THROW(UncompressBlock(out.data(), outLength, packed.data(), packedLength / 2), EZlibError);

    std::vector<uint8_t> garbage = packed;
    garbage[0] ^= 0xFF; // not a zlib header
    outLength = static_cast<uint32_t>(out.size());
    EXPECT_THROW(UncompressBlock(out.data(), outLength, garbage.data(), packedLength), EDecompressionError);
}

TEST_F(CompressHooksTest, MissingHooks) {
    EXPECT_NO_THROW(CheckCompressorLinked());
    CompressProc = nullptr;
    try {
        CheckCompressorLinked();
        FAIL() << "no error";
    } catch (const rtl::Exception& e) {
        EXPECT_EQ(e.Message(), "Compressor function is not linked");
    }
    uint32_t length = 0;
    try {
        CompressBlock(nullptr, length, nullptr, 0);
        FAIL() << "no assertion";
    } catch (const rtl::EAssertionFailed& e) {
        EXPECT_THAT(e.Message(), HasSubstr("Compressor function is not linked"));
    }
    CompressProc = ZlibCompress;
    UncompressProc = nullptr;
    try {
        CheckCompressorLinked();
        FAIL() << "no error";
    } catch (const rtl::Exception& e) {
        EXPECT_EQ(e.Message(), "Uncompressor function is not linked");
    }
    EXPECT_THROW(UncompressBlock(nullptr, length, nullptr, 0), rtl::EAssertionFailed);
}

} // namespace
} // namespace dataaccess
