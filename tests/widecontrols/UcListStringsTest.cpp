#include "widecontrols/uUcListStrings.h"

#include <gtest/gtest.h>

namespace widecontrols {
namespace {

TEST(UcListStringsTest, AWideViewOfTheFrameworksUtf8Items) {
    rtl::TStringList items;
    TWideStringsOfList wide(items);
    int data = 0;
    wide.AddObject(u"\u4E2D", &data);
    wide.Add(u"b");
    wide.Insert(0, u"\U0001F600");
    EXPECT_EQ(items.Count(), 3);
    EXPECT_EQ(items.Strings(1), "\xE4\xB8\xAD");
    EXPECT_EQ(wide.Get(0), u"\U0001F600");
    EXPECT_EQ(wide.GetObject(1), &data);
    EXPECT_EQ(wide.GetTextStr(), u"\U0001F600\r\n\u4E2D\r\nb\r\n");

    wide.Put(2, u"\u03A9");
    EXPECT_EQ(items.Strings(2), "\xCE\xA9");
    wide.Exchange(0, 1);
    EXPECT_EQ(items.Objects(0), &data);
    wide.Delete(0);
    EXPECT_EQ(wide.GetCount(), 2);
    EXPECT_EQ(wide.IndexOf(u"\u03A9"), 1);

    int changes = 0;
    items.OnChange = [&](rtl::TStringList&) { ++changes; };
    wide.BeginUpdate();
    wide.SetTextStr(u"x\ny\u2028z");
    wide.EndUpdate();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(items.Text(), "x\r\ny\r\nz\r\n");
    wide.Clear();
    EXPECT_EQ(items.Count(), 0);
}

TEST(UcListStringsTest, ASortedListPutsAddedItemsInTheirPlace) {
    rtl::TStringList items;
    items.SetSorted(true);
    TWideStringsOfList wide(items);
    EXPECT_EQ(wide.Add(u"b"), 0);
    EXPECT_EQ(wide.Add(u"a"), 0);
    EXPECT_EQ(wide.Add(u"\u00E4"), 2);
    EXPECT_EQ(wide.Get(1), u"b");
}

} // namespace
} // namespace widecontrols
