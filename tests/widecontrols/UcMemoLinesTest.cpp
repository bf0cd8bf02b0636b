#include "widecontrols/uUcMemoLines.h"

#include <gtest/gtest.h>

namespace widecontrols {
namespace {

TEST(UcMemoLinesTest, CountsLinesWithoutTheEmptyOneAfterAFinalBreak) {
    struct Case {
        std::u16string text;
        int count;
    };
    for (const Case& c : {Case{u"", 0}, Case{u"a", 1}, Case{u"a\r\n", 1}, Case{u"a\r\nb", 2},
                          Case{u"a\r\n\r\n", 2}, Case{u"\r\n", 1}, Case{u"a\nb", 1}})
        EXPECT_EQ(TMemoLines(c.text).Count(), c.count) << "text of " << c.text.size() << " units";

    const TMemoLines lines(u"ab\r\n\u4E2D\r\n");
    EXPECT_EQ(lines.LineIndex(0), 0);
    EXPECT_EQ(lines.LineIndex(1), 4);
    EXPECT_EQ(lines.LineIndex(2), 7); // the empty last line still has a start
    EXPECT_EQ(lines.LineIndex(3), -1);
    EXPECT_EQ(lines.LineLength(1), 2);
    EXPECT_EQ(lines.LineLength(4), 1);
    EXPECT_EQ(lines.LineLength(7), 0);
    EXPECT_EQ(lines.Get(1), u"\u4E2D");
    EXPECT_EQ(lines.Get(2), u"");
    EXPECT_EQ(lines.Get(9), u"");
}

TEST(UcMemoLinesTest, AddingTwoLinesToAnEmptyMemo) {
    TMemoLines lines(u"");
    lines.Insert(lines.Count(), u"a");
    lines.Insert(lines.Count(), u"b");
    EXPECT_EQ(lines.Text(), u"a\r\nb\r\n");
    EXPECT_EQ(lines.Count(), 2);
}

TEST(UcMemoLinesTest, InsertPutAndDeleteWorkOnTheLinesTheTextHas) {
    TMemoLines lines(u"a\r\nb");
    lines.Insert(2, u"c"); // after a last line without a break
    EXPECT_EQ(lines.Text(), u"a\r\nb\r\nc");
    lines.Insert(0, u"\u4E2D");
    EXPECT_EQ(lines.Text(), u"\u4E2D\r\na\r\nb\r\nc");
    lines.Insert(9, u"x");
    lines.Insert(-1, u"x");
    EXPECT_EQ(lines.Text(), u"\u4E2D\r\na\r\nb\r\nc");

    lines.Put(1, u"\U0001F600");
    lines.Put(7, u"x");
    EXPECT_EQ(lines.Text(), u"\u4E2D\r\n\U0001F600\r\nb\r\nc");
    lines.Delete(3);
    EXPECT_EQ(lines.Text(), u"\u4E2D\r\n\U0001F600\r\nb\r\n");
    lines.Delete(0);
    EXPECT_EQ(lines.Text(), u"\U0001F600\r\nb\r\n");

    TMemoLines emptyLast(u"a\r\n\r\n");
    emptyLast.Insert(3, u"x"); // after an empty last line nothing is inserted
    EXPECT_EQ(emptyLast.Text(), u"a\r\n\r\n");
}

TEST(UcMemoLinesTest, ALineOfMoreThan65535UnitsCannotBeRead) {
    const WideString longest(kMaxMemoLineLength, u'x');
    EXPECT_EQ(TMemoLines(u"a\r\n" + longest).Get(1), longest);
    try {
        TMemoLines(u"a\r\n" + longest + u"x\r\nb").Get(1);
        ADD_FAILURE() << "no error";
    } catch (const EOutOfResources& error) {
        EXPECT_EQ(error.Message(), "Line too long");
    }
}

} // namespace
} // namespace widecontrols
