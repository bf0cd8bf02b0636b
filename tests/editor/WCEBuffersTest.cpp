#include "editor/WCEBuffers.h"

#include <gtest/gtest.h>

namespace editor {
namespace {

TEST(WCEBuffersTest, BufferedStringGrowsByAtLeast1024Units) {
    TBufferedString text;
    EXPECT_EQ(text.Capacity(), 0u);
    text.Add(std::u16string(5000, u'x'));
    EXPECT_EQ(text.Capacity(), 5000u);
    text.AddLineBreak();
    EXPECT_EQ(text.Capacity(), 6024u);
    text.Add(u"ab");
    EXPECT_EQ(text.GetText(), std::u16string(5000, u'x') + u"\r\nab");
}

TEST(WCEBuffersTest, StreamReadsNeverMoreThanAsked) {
    TWideStringStream stream(u"abc");
    char buffer[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(stream.Read(buffer, 3), 3);
    EXPECT_EQ(buffer[0], 'a');
    EXPECT_EQ(buffer[2], 'b');
    EXPECT_EQ(buffer[3], '#');
    EXPECT_EQ(stream.Position(), 4); // the half-read character counts as read
    char16_t rest[4] = {};
    EXPECT_EQ(stream.Read(rest, 8), 2);
    EXPECT_EQ(rest[0], u'c');
    EXPECT_EQ(stream.Read(rest, 8), 0);
}

TEST(WCEBuffersTest, StreamSeeksInWholeCharactersAndClamps) {
    TWideStringStream stream(u"abc");
    EXPECT_EQ(stream.Seek(7, rtl::soEnd), 0);
    EXPECT_EQ(stream.Seek(3, rtl::soBeginning), 4);
    EXPECT_EQ(stream.Seek(-2, rtl::soCurrent), 2);
    EXPECT_EQ(stream.Seek(99, rtl::soCurrent), 6);
}

TEST(WCEBuffersTest, StreamWritesCutTheTextAfterThemAndResize) {
    TWideStringStream stream(u"abcdef");
    stream.Seek(2, rtl::soBeginning);
    const char16_t xy[] = u"XY";
    EXPECT_EQ(stream.Write(xy, 4), 4);
    EXPECT_EQ(stream.Text(), u"aXY");
    const char odd[] = {'Z'};
    EXPECT_EQ(stream.Write(odd, 1), 1); // reads only the one byte it was given
    EXPECT_EQ(stream.Text(), u"aXYZ");
    stream.SetSize(3); // rounds up to two characters and pulls the position back
    EXPECT_EQ(stream.Text(), u"aX");
    EXPECT_EQ(stream.Position(), 4);
    EXPECT_EQ(stream.Size(), 4);
}

} // namespace
} // namespace editor
