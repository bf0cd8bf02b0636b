#include "dataaccess/store/uEncoding.h"
#include "dataaccess/store/uMarshal.h"
#include "dataaccess/store/uMemoryStream.h"
#include "dataaccess/store/uStringBuilder.h"
#include "platform/rtl/Exception.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

namespace dataaccess {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(MarshalTest, AnsiFromBufferTakesExactLengthOrStopsAtZero) {
    const char buffer[] = {'a', 'b', 0, 0, 0, 'x'};
    const std::string exact = Marshal::AnsiFromBuffer(buffer, 5);
    EXPECT_EQ(exact.size(), 5u);
    EXPECT_EQ(exact, std::string("ab\0\0\0", 5));
    EXPECT_EQ(Marshal::AnsiFromBuffer(buffer, 0), "ab");

    const char16_t wide[] = {u'a', u'\u00e9', 0, u'z'};
    EXPECT_EQ(Marshal::WideFromBuffer(wide, 4), std::u16string(wide, 4));
    EXPECT_EQ(Marshal::WideFromBuffer(wide), u"a\u00e9");
}

TEST(MarshalTest, UnalignedLittleEndianAccess) {
    uint8_t raw[32] = {};
    Marshal::StoreInt32At(raw, 1, 0x11223344);
    EXPECT_THAT(std::vector<uint8_t>(raw + 1, raw + 5), ElementsAre(0x44, 0x33, 0x22, 0x11));
    EXPECT_EQ(Marshal::LoadInt32(raw, 1), 0x11223344);
    Marshal::StoreInt64At(raw, 3, -2);
    EXPECT_EQ(Marshal::LoadInt64(raw, 3), -2);
    Marshal::StoreInt16At(raw, 13, -300);
    EXPECT_EQ(Marshal::LoadInt16(raw, 13), -300);
    Marshal::StorePointerAt(raw, 17, raw);
    EXPECT_EQ(Marshal::LoadPointer(raw, 17), raw);
    Marshal::StoreByte(raw + 31, 0xAB);
    EXPECT_EQ(Marshal::LoadByte(raw, 31), 0xAB);
}

TEST(MarshalTest, ArrayCopiesAndBlocks) {
    const TBytes source = {1, 2, 3, 4, 5};
    uint8_t raw[4] = {9, 9, 9, 9};
    Marshal::CopyFromArray(source, 2, raw, 3);
    EXPECT_THAT(raw, ElementsAre(3, 4, 5, 9));
    Marshal::CopyFromArray(source, 0, raw, 0); // nothing
    EXPECT_EQ(raw[0], 3);

    TBytes target(4, 0);
    Marshal::CopyToArray(raw, target, 1, 2);
    EXPECT_THAT(target, ElementsAre(0, 3, 4, 0));

    void* block = Marshal::AllocBlock(4);
    Marshal::StoreInt32(block, 77);
    block = Marshal::ResizeBlock(block, 4096);
    EXPECT_EQ(Marshal::LoadInt32(block), 77);
    Marshal::FreeBlock(block);

    uint8_t overlap[6] = {1, 2, 3, 4, 5, 6};
    Buffer::CopyBlock(overlap, 0, overlap, 2, 4);
    EXPECT_THAT(overlap, ElementsAre(1, 2, 1, 2, 3, 4));
}

TEST(BitConverterTest, LittleEndianValuesAndDoublePatterns) {
    const TBytes bytes = BitConverter::BytesOfInt64(0x0102030405060708LL);
    EXPECT_THAT(bytes, ElementsAre(8, 7, 6, 5, 4, 3, 2, 1));
    EXPECT_EQ(BitConverter::Int64At(bytes, 0), 0x0102030405060708LL);
    EXPECT_EQ(BitConverter::Int32At(bytes, 1), 0x04050607);
    EXPECT_EQ(BitConverter::Int16At(bytes, 6), 0x0102);
    const TBytes high = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(BitConverter::UInt32At(high, 0), 0xFFFFFFFFu);
    EXPECT_EQ(BitConverter::Int32At(high, 0), -1);

    EXPECT_EQ(BitConverter::BitsFromDouble(1.0), 0x3FF0000000000000LL);
    EXPECT_EQ(BitConverter::DoubleFromBits(0x3FF0000000000000LL), 1.0);
    const double nan = BitConverter::DoubleFromBits(0x7FF8000000000001LL);
    EXPECT_TRUE(std::isnan(nan));
    EXPECT_EQ(BitConverter::BitsFromDouble(nan), 0x7FF8000000000001LL); // the pattern survives
}

TEST(EncodingTest, MaxByteCounts) {
    EXPECT_EQ(Encoding::DefaultEncoding().GetMaxByteCount(10), 10);
    EXPECT_EQ(Encoding::UnicodeInstance().GetMaxByteCount(10), 20);
    EXPECT_EQ(Encoding::UTF8Instance().GetMaxByteCount(10), 30);
    EXPECT_EQ(CodePageEncoding(1201).GetMaxByteCount(10), 20);
    EXPECT_EQ(CodePageEncoding(1252).GetMaxByteCount(10), 10);
}

TEST(EncodingTest, ProcessWideInstancesAreDistinctAndStable) {
    EXPECT_EQ(&Encoding::DefaultEncoding(), &Encoding::DefaultEncoding());
    EXPECT_NE(&Encoding::DefaultEncoding(), &Encoding::UnicodeInstance());
    EXPECT_NE(&Encoding::UnicodeInstance(), &Encoding::UTF8Instance());
    EXPECT_NE(dynamic_cast<const UnicodeEncoding*>(&Encoding::UnicodeInstance()), nullptr);
}

TEST(EncodingTest, UnicodeRangeUsesWholeCharacters) {
    const Encoding& unicode = Encoding::UnicodeInstance();
    const TBytes bytes = {'a', 0, 'b', 0, 'c'};
    EXPECT_EQ(unicode.GetWideStringRange(bytes, 0, 5), u"ab");
    EXPECT_EQ(unicode.GetWideStringRange(bytes, 0, 0), u"");
    EXPECT_EQ(unicode.GetWideString(TBytes{0x3D, 0xD8, 0x00, 0xDE}), u"\U0001F600");
    EXPECT_EQ(unicode.GetString(TBytes{0x3D, 0xD8, 0x00, 0xDE}), "\xF0\x9F\x98\x80");
    EXPECT_THAT(unicode.GetBytes("\xC3\xA9"), ElementsAre(0xE9, 0x00));
}

TEST(EncodingTest, DefaultPassesAnsiBytesAndWidensAsUtf8) {
    const Encoding& ansi = Encoding::DefaultEncoding();
    const std::string text = "caf\xC3\xA9";
    EXPECT_EQ(ansi.GetBytes(text), TBytes(text.begin(), text.end()));
    EXPECT_EQ(ansi.GetWideBytes(u"caf\u00e9"), TBytes(text.begin(), text.end()));
    EXPECT_EQ(ansi.GetWideString(TBytes(text.begin(), text.end())), u"caf\u00e9");
    EXPECT_EQ(ansi.GetStringRange(TBytes(text.begin(), text.end()), 1, 2), "af");
    EXPECT_EQ(ansi.GetStringRange(TBytes(text.begin(), text.end()), 1, 0), "");
}

TEST(EncodingTest, RangeWritesIntoExistingArrays) {
    TBytes bytes(8, 0xEE);
    EXPECT_EQ(Encoding::DefaultEncoding().GetBytesRange("hello", 1, 3, bytes, 2), 3);
    EXPECT_THAT(bytes, ElementsAre(0xEE, 0xEE, 'e', 'l', 'l', 0xEE, 0xEE, 0xEE));
    EXPECT_EQ(Encoding::DefaultEncoding().GetBytesRange("hello", 1, 0, bytes, 2), 0);

    TBytes wide(6, 0);
    EXPECT_EQ(Encoding::UnicodeInstance().GetWideBytesRange(u"xyz", 1, 2, wide, 1), 4);
    EXPECT_THAT(wide, ElementsAre(0, 'y', 0, 'z', 0, 0));
    EXPECT_EQ(Encoding::UnicodeInstance().GetBytesRange("xyz", 0, 1, wide, 4), 2);
    EXPECT_THAT(wide, ElementsAre(0, 'y', 0, 'z', 'x', 0));
}

TEST(EncodingTest, Utf8RangeWritesAreNotImplemented) {
    TBytes bytes(8);
    const Encoding& utf8 = Encoding::UTF8Instance();
    try {
        utf8.GetBytesRange("abc", 0, 3, bytes, 0);
        FAIL() << "no assertion";
    } catch (const rtl::EAssertionFailed& e) {
        EXPECT_THAT(e.Message(), HasSubstr("not implemented"));
    }
    EXPECT_THROW(utf8.GetWideBytesRange(u"abc", 0, 3, bytes, 0), rtl::EAssertionFailed);
    EXPECT_EQ(utf8.GetWideBytes(u"\U0001F600"), TBytes({0xF0, 0x9F, 0x98, 0x80}));
    EXPECT_EQ(utf8.GetWideStringRange(TBytes({'-', 0xF0, 0x9F, 0x98, 0x80}), 1, 4), u"\U0001F600");
}

TEST(EncodingTest, CodePageConversions) {
    const CodePageEncoding latin1(1252);
    EXPECT_EQ(latin1.GetWideBytes(u"caf\u00e9\u20ac"), TBytes({'c', 'a', 'f', 0xE9, 0x80}));
    EXPECT_EQ(latin1.GetBytes("\xC3\xA9"), TBytes({0xE9}));
    EXPECT_EQ(latin1.GetString(TBytes({0xE9, 0x80})), "\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(latin1.GetWideStringRange(TBytes({'x', 0xE9}), 1, 1), u"\u00e9");
    EXPECT_EQ(latin1.GetWideStringRange(TBytes({'x'}), 0, 0), u"");
    EXPECT_TRUE(latin1.GetWideBytes(u"").empty());

    TBytes room(3, 0);
    EXPECT_EQ(latin1.GetWideBytesRange(u"\u00e9\u00e8", 0, 2, room, 1), 2);
    EXPECT_THAT(room, ElementsAre(0, 0xE9, 0xE8));
    EXPECT_EQ(latin1.GetWideBytesRange(u"ab", 0, 0, room, 0), 0);
    // The conversion only has the room from the byte index to the end of the array.
    EXPECT_THROW(latin1.GetWideBytesRange(u"abc", 0, 3, room, 1), rtl::EOSError);
    EXPECT_THROW(CodePageEncoding(12345).GetWideBytes(u"a"), rtl::EOSError);
}

TEST(StringBuilderTest, GrowthRule) {
    AnsiStringBuilder sb(0);
    sb.AppendChar('a');
    EXPECT_EQ(sb.Capacity(), 1);
    sb.AppendChar('b');
    EXPECT_EQ(sb.Capacity(), 2);
    sb.AppendChar('c'); // 2 + 1 + 2 / 2
    EXPECT_EQ(sb.Capacity(), 4);
    sb.Append("defgh"); // room 1 < 5: 3 + 5 + 4 / 2
    EXPECT_EQ(sb.Capacity(), 10);
    sb.Append("");
    sb.AppendRange("0123456789", 8, 2);
    EXPECT_EQ(sb.Capacity(), 10);
    EXPECT_EQ(sb.AsString(), "abcdefgh89");
    EXPECT_EQ(sb.ActualLength(), 10);
}

TEST(StringBuilderTest, SetActualLengthTruncatesAndKeepsBuffer) {
    AnsiStringBuilder sb(100);
    sb.Append("SELECT a, b, ");
    sb.SetActualLength(sb.ActualLength() - 2);
    EXPECT_EQ(sb.AsString(), "SELECT a, b");
    sb.SetActualLength(sb.ActualLength() + 1);
    EXPECT_EQ(sb.AsString(), "SELECT a, b,"); // the old character is still there
    sb.SetActualLength(0);
    EXPECT_EQ(sb.AsString(), "");
    EXPECT_EQ(sb.Capacity(), 100);

    AnsiStringBuilder small(4);
    small.Append("ab");
    small.SetActualLength(3); // room 2 < 3: 2 + 3 + 4 / 2
    EXPECT_EQ(small.Capacity(), 7);
    EXPECT_EQ(small.ActualLength(), 3);
}

TEST(StringBuilderTest, WideReplace) {
    struct Case {
        std::u16string text, oldText, newText, expected;
    };
    const Case cases[] = {
        {u"a&b&c", u"&", u"&#x26;", u"a&#x26;b&#x26;c"}, // the inserted "&" is not found again
        {u"&&", u"&", u"&amp;", u"&amp;&amp;"},
        {u"xaaay", u"aa", u"b", u"xbay"},
        {u"abcabc", u"abc", u"", u""},
        {u"abc", u"x", u"yy", u"abc"},
        {u"aXbXc", u"X", u"YZ", u"aYZbYZc"},
        {u"\u00e9t\u00e9", u"\u00e9", u"e", u"ete"},
    };
    for (const Case& c : cases) {
        WideStringBuilder sb(c.text, 2);
        sb.Replace(c.oldText, c.newText);
        EXPECT_EQ(sb.AsString(), c.expected);
        EXPECT_EQ(sb.ActualLength(), static_cast<int>(c.expected.size()));
    }
    WideStringBuilder sb(u"abc", 10);
    EXPECT_THROW(sb.Replace(u"", u"x"), rtl::EAssertionFailed);
}

TEST(MemoryStreamTest, GrowthRule) {
    MemoryStream stream(10);
    EXPECT_EQ(stream.Capacity(), 10);
    stream.Resize(11); // max(11, 10 + 5)
    EXPECT_EQ(stream.Capacity(), 15);
    EXPECT_EQ(stream.Length(), 11);
    stream.Resize(100); // max(100, 15 + 7)
    EXPECT_EQ(stream.Capacity(), 100);
    stream.Resize(3);
    EXPECT_EQ(stream.Length(), 3);
    EXPECT_EQ(stream.Capacity(), 100);

    MemoryStream empty(0);
    empty.PutByte(7);
    EXPECT_EQ(empty.Capacity(), 1);
    empty.PutByte(8); // max(2, 1 + 0)
    EXPECT_EQ(empty.Capacity(), 2);
    empty.PutByte(9); // max(3, 2 + 1)
    EXPECT_EQ(empty.Capacity(), 3);
}

TEST(MemoryStreamTest, WriteReadAndPositions) {
    MemoryStream stream(4);
    const TBytes data = {1, 2, 3, 4, 5, 6};
    stream.Write(data, 1, 5);
    EXPECT_EQ(stream.Position(), 5);
    EXPECT_EQ(stream.Length(), 5);
    EXPECT_EQ(stream.Capacity(), 6); // max(5, 4 + 2)

    stream.MoveTo(1);
    EXPECT_EQ(stream.GetByte(), 3);
    TBytes out(4, 0);
    EXPECT_EQ(stream.Read(out, 1, 3), 3);
    EXPECT_THAT(out, ElementsAre(0, 4, 5, 6));
    EXPECT_EQ(stream.Position(), 5);

    // Reads are bounded by the capacity, not the length: the caller checks the logical end.
    EXPECT_EQ(stream.Read(out, 0, 4), 1);

    stream.MoveTo(9); // beyond the length: the length follows
    EXPECT_EQ(stream.Length(), 9);
    EXPECT_EQ(stream.Capacity(), 9);
    stream.PutByte(0x42);
    EXPECT_EQ(stream.Length(), 10);
    EXPECT_EQ(stream.Bytes()[9], 0x42);

    stream.Close();
    EXPECT_TRUE(stream.Bytes().empty());
    EXPECT_EQ(stream.Length(), 10);
    EXPECT_EQ(stream.Position(), 10);
}

} // namespace
} // namespace dataaccess
