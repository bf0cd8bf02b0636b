#include "platform/rtl/StringList.h"

#include "platform/rtl/Streams.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using rtl::TStringList;

std::vector<std::string> Items(const TStringList& list) {
    std::vector<std::string> items;
    for (int i = 0; i < list.Count(); ++i)
        items.push_back(list[i]);
    return items;
}

using Strings = std::vector<std::string>;

TEST(StringListTest, SortedListKeepsOrderAndAppliesTheDuplicateMode) {
    TStringList list;
    list.SetSorted(true);
    for (const char* s : {"pear", "Apple", "fig", "apple"})
        list.Add(s);
    EXPECT_EQ(Items(list), (Strings{"Apple", "fig", "pear"})); // "apple" equals "Apple" ignoring case
    EXPECT_EQ(list.Add("APPLE"), 0);
    EXPECT_EQ(list.IndexOf("PEAR"), 2);
    EXPECT_EQ(list.IndexOf("plum"), -1);
    int index = -1;
    EXPECT_FALSE(list.Find("grape", index));
    EXPECT_EQ(index, 2);

    list.SetDuplicates(rtl::dupAccept);
    EXPECT_EQ(list.Add("FIG"), 2); // after the equal item
    EXPECT_EQ(Items(list), (Strings{"Apple", "fig", "FIG", "pear"}));
    EXPECT_TRUE(list.Find("Fig", index));
    EXPECT_EQ(index, 1); // the first of the equals

    list.SetDuplicates(rtl::dupError);
    try {
        list.Add("pear");
        FAIL() << "no error";
    } catch (const rtl::EStringListError& e) {
        EXPECT_EQ(e.Message(), "String list does not allow duplicates");
    }
}

TEST(StringListTest, CaseRulesAreUnicodeAwareAndLocaleFree) {
    TStringList list;
    list.Add("\xC3\x84rger"); // A umlaut
    EXPECT_EQ(list.IndexOf("\xC3\xA4RGER"), 0);
    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOf("\xC3\xA4RGER"), -1);
    EXPECT_LT(list.CompareStrings("B", "a"), 0); // code point order
    list.SetCaseSensitive(false);
    EXPECT_GT(list.CompareStrings("B", "a"), 0);
    EXPECT_EQ(list.CompareStrings("\xD0\x96", "\xD0\xB6"), 0); // Cyrillic Zhe in both cases
    EXPECT_LT(list.CompareStrings("ab", "abc"), 0);
}

TEST(StringListTest, SortedListRefusesPositionalChanges) {
    TStringList list;
    list.Add("b");
    list.Add("a");
    list.SetSorted(true);
    EXPECT_EQ(Items(list), (Strings{"a", "b"}));
    const std::vector<std::function<void()>> refused = {
        [&] { list.Insert(0, "c"); },
        [&] { list.SetString(0, "c"); },
        [&] { list.Exchange(0, 1); },
        [&] { list.Move(0, 1); },
    };
    for (const auto& fn : refused) {
        try {
            fn();
            ADD_FAILURE() << "no error";
        } catch (const rtl::EStringListError& e) {
            EXPECT_EQ(e.Message(), "Operation not allowed on sorted list");
        }
    }
    EXPECT_EQ(Items(list), (Strings{"a", "b"}));
}

TEST(StringListTest, IndexErrors) {
    TStringList list;
    list.Add("a");
    const std::vector<std::pair<std::function<void()>, std::string>> cases = {
        {[&] { (void)list[1]; }, "List index out of bounds (1)"},
        {[&] { list.Delete(-1); }, "List index out of bounds (-1)"},
        {[&] { list.Insert(2, "x"); }, "List index out of bounds (2)"},
        {[&] { list.Objects(5); }, "List index out of bounds (5)"},
        {[&] { list.Move(0, 1); }, "List index out of bounds (1)"},
    };
    for (const auto& [fn, message] : cases) {
        try {
            fn();
            ADD_FAILURE() << "no error for " << message;
        } catch (const rtl::EListError& e) {
            EXPECT_EQ(e.Message(), message);
        }
    }
    list.Insert(1, "b"); // the end is a valid place to insert
    EXPECT_EQ(Items(list), (Strings{"a", "b"}));
}

TEST(StringListTest, ObjectsAreFreedOnlyWhenOwned) {
    int freed = 0;
    int a = 1, b = 2, c = 3;
    {
        TStringList list;
        list.AddObject("a", &a);
        list.AddObject("b", &b);
        list.SetOwnsObjects([&](void*) { ++freed; });
        EXPECT_EQ(list.Objects(1), &b);
        EXPECT_EQ(list.IndexOfObject(&b), 1);
        list.Delete(0);
        EXPECT_EQ(freed, 1);
        list.SetObject(0, &c); // replaces, and frees the old one
        EXPECT_EQ(freed, 2);
        list.AddObject("d", nullptr);
    }
    EXPECT_EQ(freed, 3); // c, with the list; no call for the empty object

    TStringList plain;
    plain.AddObject("a", &a);
    plain.Clear();
    EXPECT_EQ(plain.Count(), 0);
}

TEST(StringListTest, NameValuePairs) {
    TStringList list;
    list.SetText("Host=localhost\nPort=3306\nflag\nUser=a=b\n");
    EXPECT_EQ(list.IndexOfName("port"), 1);
    EXPECT_EQ(list.Values("PORT"), "3306");
    EXPECT_EQ(list.Values("User"), "a=b");
    EXPECT_EQ(list.Values("flag"), "");
    EXPECT_EQ(list.Names(2), "");
    EXPECT_EQ(list.Names(3), "User");
    EXPECT_EQ(list.ValueFromIndex(3), "a=b");
    list.SetValue("Port", "3307");
    list.SetValue("Database", "test");
    list.SetValue("Host", "");
    EXPECT_EQ(Items(list), (Strings{"Port=3307", "flag", "User=a=b", "Database=test"}));

    TStringList sorted;
    sorted.SetSorted(true);
    int object = 0;
    sorted.AddObject("b=1", &object);
    sorted.Add("c=2");
    sorted.SetValue("b", "9");
    EXPECT_EQ(Items(sorted), (Strings{"b=9", "c=2"}));
    EXPECT_EQ(sorted.Objects(0), &object);
}

TEST(StringListTest, TextSplitsAtEveryLineBreak) {
    TStringList list;
    list.SetText("a\r\nb\nc\r\r\nd\n");
    EXPECT_EQ(Items(list), (Strings{"a", "b", "c", "", "d"}));
    EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\n\r\nd\r\n");
    list.SetText("");
    EXPECT_EQ(list.Count(), 0);
    list.SetText("\n");
    EXPECT_EQ(Items(list), (Strings{""}));
    list.SetLineBreak("\n");
    list.SetText("x\ry");
    EXPECT_EQ(list.Text(), "x\ny\n");
}

TEST(StringListTest, DelimitedTextRoundTrip) {
    TStringList list;
    for (const char* s : {"plain", "two words", "say \"hi\"", "a,b", ""})
        list.Add(s);
    const std::string comma = list.CommaText();
    EXPECT_EQ(comma, "plain,\"two words\",\"say \"\"hi\"\"\",\"a,b\",");
    TStringList back;
    back.SetCommaText(comma);
    EXPECT_EQ(Items(back), Items(list));

    back.SetCommaText(" a b , \"c\" ,");
    EXPECT_EQ(Items(back), (Strings{"a", "b", "c", ""})); // blanks separate; a final comma adds an item
    back.SetCommaText("\"\"");
    EXPECT_EQ(Items(back), (Strings{""}));
    EXPECT_EQ(back.CommaText(), "\"\"");

    back.SetDelimiter(';');
    back.SetStrictDelimiter(true);
    back.SetDelimitedText("a b; c;");
    EXPECT_EQ(Items(back), (Strings{"a b", " c", ""}));
    EXPECT_EQ(back.DelimitedText(), "a b; c;");
}

TEST(StringListTest, ChangeEventsBracketUpdates) {
    TStringList list;
    std::string log;
    list.OnChanging = [&](TStringList&) { log += '<'; };
    list.OnChange = [&](TStringList&) { log += '>'; };
    list.Add("a");
    list.SetText("x\ny\nz");
    EXPECT_EQ(log, "<><>");
    list.SetSorted(true);
    list.SetDuplicates(rtl::dupError);
    log.clear();
    EXPECT_THROW(list.SetText("a\na"), rtl::EStringListError);
    EXPECT_EQ(log, "<>"); // the bracket closes on failure
    log.clear();
    list.Add("b");
    EXPECT_EQ(log, "<>");
}

TEST(StringListTest, AssignAndAddStrings) {
    TStringList source;
    int object = 0;
    source.SetSorted(true);
    source.SetCaseSensitive(true);
    source.AddObject("b", &object);
    source.Add("a");
    TStringList copy;
    copy.Add("old");
    copy.Assign(source);
    EXPECT_EQ(Items(copy), (Strings{"a", "b"}));
    EXPECT_TRUE(copy.Sorted());
    EXPECT_TRUE(copy.CaseSensitive());
    EXPECT_EQ(copy.Objects(1), &object);
    copy.AddStrings(source);
    EXPECT_EQ(copy.Count(), 2); // duplicates ignored
}

TEST(StringListTest, StreamsAndFilesHoldTheText) {
    TStringList list;
    list.SetText("first\n\xC3\xA9t\xC3\xA9");
    rtl::TMemoryStream stream;
    list.SaveToStream(stream);
    EXPECT_EQ(stream.Bytes(), "first\r\n\xC3\xA9t\xC3\xA9\r\n");

    rtl::TMemoryStream withMark;
    withMark.WriteString("\xEF\xBB\xBFone\ntwo");
    withMark.SetPosition(0);
    TStringList loaded;
    loaded.LoadFromStream(withMark);
    EXPECT_EQ(Items(loaded), (Strings{"one", "two"}));

    const std::string path = rtl::CreateTempFile("stringlist");
    list.SaveToFile(path);
    loaded.LoadFromFile(path);
    EXPECT_EQ(Items(loaded), Items(list));
    std::remove(path.c_str());
}

} // namespace
