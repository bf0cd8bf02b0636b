#include "platform/rtl/WideBuffers.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace rtl {
namespace {

struct FreeBuffer {
    void operator()(char16_t* buffer) const { WideStrFreeBuffer(buffer); }
};
using Buffer = std::unique_ptr<char16_t, FreeBuffer>;

TEST(WideBuffersTest, ABufferKnowsItsByteSizeAndADuplicateHoldsTheTextAndItsNul) {
    const Buffer empty(WideStrAllocBuffer(0));
    EXPECT_EQ(WideStrBufferSize(empty.get()), 4u);
    const Buffer copy(WideStrDuplicate(u"a\U0001F600b"));
    EXPECT_EQ(WideStrBufferSize(copy.get()), (4u + 1u) * 2u + 4u);
    EXPECT_EQ(std::u16string(copy.get()), u"a\U0001F600b");
    EXPECT_EQ(WideStrDuplicate(nullptr), nullptr);
}

TEST(WideBuffersTest, LengthEndAndSearchStopAtTheNul) {
    const char16_t text[] = u"abcb\0x";
    EXPECT_EQ(WideStrLength(text), 4u);
    EXPECT_EQ(WideStrEndOf(text), text + 4);
    EXPECT_EQ(WideStrFindChar(text, u'b'), text + 1);
    EXPECT_EQ(WideStrFindChar(text, u'\0'), text + 4);
    EXPECT_EQ(WideStrFindChar(text, u'x'), nullptr); // past the NUL is not the text
}

TEST(WideBuffersTest, CopiesStopAtTheLimitOrTheNulAndMovesMayOverlap) {
    char16_t target[8] = u"zzzzzzz";
    EXPECT_EQ(WideStrCopyMax(target, u"abcdef", 3), target);
    EXPECT_EQ(std::u16string(target), u"abc");
    WideStrCopyMax(target, u"", 5);
    EXPECT_EQ(target[0], u'\0');
    WideStrCopyAll(target, u"hello");
    EXPECT_EQ(std::u16string(target), u"hello");
    WideStrMoveChars(target + 1, target, 5); // overlapping, forwards
    EXPECT_EQ(std::u16string(target, 6), u"hhello");
    WideStrMoveChars(target, target + 1, 5);
    EXPECT_EQ(std::u16string(target, 5), u"hello");
}

} // namespace
} // namespace rtl
