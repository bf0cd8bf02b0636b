#include "widecontrols/uUcClasses.h"

#include "support/ErrorText.h"
#include "widecontrols/AnsiCodePageScope.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace widecontrols {
namespace {

using testing::ElementsAre;
using testsupport::ErrorOf;

std::vector<std::u16string> Items(const TWideStrings& list) {
    std::vector<std::u16string> items;
    for (int i = 0; i < list.GetCount(); ++i)
        items.push_back(list.Get(i));
    return items;
}

// A temporary file removed at the end of the test.
class TempFile {
public:
    TempFile() : path_(rtl::CreateTempFile("ucstrings")) {}
    ~TempFile() { std::remove(path_.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    WideString Name() const { return Utf8ToWide(path_); }
    void Write(const std::string& bytes) const {
        rtl::TFileStream stream(path_, rtl::fmCreate);
        stream.WriteString(bytes);
    }
    std::string Read() const {
        rtl::TFileStream stream(path_, rtl::fmOpenRead);
        return stream.ReadToEnd();
    }

private:
    std::string path_;
};

struct TextCase {
    std::u16string text;
    std::vector<std::u16string> items;
};

class SetTextStrTest : public testing::TestWithParam<TextCase> {};

TEST_P(SetTextStrTest, CutsLines) {
    TUcStringList list;
    list.Add(u"old");
    list.SetTextStr(GetParam().text);
    EXPECT_EQ(Items(list), GetParam().items);
}

INSTANTIATE_TEST_SUITE_P(Breaks, SetTextStrTest,
                         testing::Values(TextCase{u"a\r\n", {u"a"}}, TextCase{u"a\r\n\u2028b", {u"a", u"b"}},
                                         TextCase{std::u16string(u"a\0b", 3), {u"a"}}, TextCase{u"", {}},
                                         TextCase{u"\r\n", {u""}},
                                         TextCase{u"a\n\rb\u2028\u2028c", {u"a", u"", u"b", u"", u"c"}},
                                         TextCase{u"a\rb\n\u2028c", {u"a", u"b", u"c"}}));

TEST(UcStringListTest, TextAndDefaultCharacters) {
    TUcStringList list;
    EXPECT_EQ(list.GetTextStr(), u"");
    list.Add(u"x");
    EXPECT_EQ(list.GetTextStr(), u"x\r\n");
    EXPECT_EQ(list.Delimiter(), u',');
    EXPECT_EQ(list.QuoteChar(), u'"');
    EXPECT_EQ(list.NameValueSeparator(), u'=');
}

TEST(UcStringListTest, IndexErrorsNameTheBadIndex) {
    TUcStringList list;
    list.SetTextStr(u"a\nb\nc");
    EXPECT_EQ(ErrorOf([&] { list.Get(5); }), "EStringListError: List index out of bounds (5)");
    EXPECT_EQ(ErrorOf([&] { list.Exchange(-1, 5); }), "EStringListError: List index out of bounds (-1)");
    EXPECT_EQ(ErrorOf([&] { list.Exchange(0, 5); }), "EStringListError: List index out of bounds (5)");
    EXPECT_EQ(ErrorOf([&] { list.Insert(4, u"d"); }), "EStringListError: List index out of bounds (4)");
    list.Insert(3, u"d");
    list.Move(0, 3);
    EXPECT_THAT(Items(list), ElementsAre(u"b", u"c", u"d", u"a"));
}

TEST(UcStringListTest, SortedListsKeepOrderAndTheirDuplicatesRule) {
    TUcStringList list;
    list.SetTextStr(u"pear\napple\nFig\nBanana");
    list.SetSorted(true);
    EXPECT_THAT(Items(list), ElementsAre(u"apple", u"Banana", u"Fig", u"pear"));
    EXPECT_EQ(ErrorOf([&] { list.Put(0, u"x"); }), "EStringListError: Operation not allowed on sorted list");
    EXPECT_EQ(ErrorOf([&] { list.Insert(0, u"x"); }),
              "EStringListError: Operation not allowed on sorted list");

    int events = 0;
    list.OnChange = list.OnChanging = [&](TUcStringList&) { ++events; };
    EXPECT_EQ(list.Add(u"FIG"), 2);
    EXPECT_EQ(list.GetCount(), 4);
    EXPECT_EQ(events, 0);
    list.SetDuplicates(rtl::dupError);
    EXPECT_EQ(ErrorOf([&] { list.Add(u"Pear"); }), "EStringListError: String list does not allow duplicates");
    list.SetDuplicates(rtl::dupAccept);
    EXPECT_EQ(list.Add(u"APPLE"), 0); // before its equals
    EXPECT_EQ(list.Add(u"banana"), 2);
    EXPECT_EQ(list.IndexOf(u"PEAR"), 5);
    EXPECT_EQ(list.IndexOf(u"kiwi"), -1);

    list.SetCaseSensitive(true);
    list.SetSorted(false);
    list.Sort();
    EXPECT_THAT(Items(list), ElementsAre(u"APPLE", u"Banana", u"Fig", u"apple", u"banana", u"pear"));
}

TEST(UcStringListTest, NamesOfSortedAndUnsortedLists) {
    TUcStringList list;
    list.SetTextStr(u"b=2\nA=1\nc\nab=3");
    EXPECT_EQ(list.IndexOfName(u"a"), 1);
    EXPECT_EQ(list.IndexOfName(u"c"), -1);
    list.SetSorted(true);
    EXPECT_EQ(Items(list)[0], u"A=1");
    EXPECT_EQ(list.IndexOfName(u"a"), 0);
    EXPECT_EQ(list.IndexOfName(u"ab"), 1);
    EXPECT_EQ(list.IndexOfName(u"z"), -1);
}

TEST(UcStringListTest, OneEventPairAroundAnUpdateBracket) {
    TUcStringList list;
    std::vector<std::string> events;
    list.OnChanging = [&](TUcStringList&) { events.push_back("changing"); };
    list.OnChange = [&](TUcStringList& sender) {
        events.push_back("change " + std::to_string(sender.GetCount()));
    };
    list.Add(u"a");
    EXPECT_THAT(events, ElementsAre("changing", "change 1"));
    events.clear();
    list.BeginUpdate();
    list.BeginUpdate();
    list.SetTextStr(u"x\ny\nz");
    list.Exchange(0, 2);
    list.EndUpdate();
    EXPECT_THAT(events, ElementsAre("changing"));
    list.EndUpdate();
    list.EndUpdate(); // one too many: ignored
    EXPECT_THAT(events, ElementsAre("changing", "change 3"));
    EXPECT_THAT(Items(list), ElementsAre(u"z", u"y", u"x"));
    events.clear();
    list.Add(u"w");
    EXPECT_THAT(events, ElementsAre("changing", "change 4"));
}

TEST(UcStringListTest, GrowsByTheCapacityRule) {
    TUcStringList list;
    std::vector<int> capacities;
    for (int i = 0; i < 100; ++i) {
        list.Add(u"x");
        if (capacities.empty() || capacities.back() != list.GetCapacity())
            capacities.push_back(list.GetCapacity());
    }
    EXPECT_THAT(capacities, ElementsAre(4, 8, 12, 28, 44, 60, 76, 95, 118));
    list.SetCapacity(10);
    EXPECT_EQ(list.GetCapacity(), 100);
    list.Clear();
    EXPECT_EQ(list.GetCapacity(), 0);
}

TEST(UcStringListTest, AssignsFromAndToEightBitLists) {
    AnsiCodePageScope latin(1252);
    rtl::TStringList ansi;
    ansi.SetDelimiter(';');
    int object = 0;
    ansi.AddObject("caf\xE9", &object);
    TUcStringList wide;
    wide.Assign(ansi);
    EXPECT_THAT(Items(wide), ElementsAre(u"caf\u00E9"));
    EXPECT_EQ(wide.GetObject(0), &object);
    EXPECT_EQ(wide.Delimiter(), u';');

    wide.Add(u"\u263A");
    rtl::TStringList back;
    wide.AssignTo(back);
    EXPECT_EQ(back.Text(), "caf\xE9\r\n?\r\n");
    EXPECT_EQ(back.Delimiter(), ';');

    TUcStringList copy;
    copy.Assign(wide);
    EXPECT_TRUE(copy.Equals(wide));
    EXPECT_EQ(copy.Delimiter(), u';');
}

TEST(UcStringListTest, TheEightBitViewConvertsWithItsCodePage) {
    TUcStringList list;
    TAnsiStringsForWideStringsAdapter view(list, 1251);
    view.Insert(0, "\xC6");
    EXPECT_EQ(list.Get(0), u"\u0416");
    list.Add(u"\u0436");
    EXPECT_EQ(view.Get(1), "\xE6");
    rtl::TMemoryStream stream;
    view.SaveToStreamWithCodePage(stream, 1251);
    EXPECT_EQ(stream.Bytes(), "\xC6\r\n\xE6\r\n");
    stream.SetPosition(0);
    view.LoadFromStreamWithCodePage(stream, 1252);
    EXPECT_THAT(Items(list), ElementsAre(u"\u00C6", u"\u00E6"));
    EXPECT_EQ(list.AnsiStrings().AdapterCodePage(), CP_THREAD_ACP);
    EXPECT_EQ(list.AnsiStrings().Get(0), "\xC3\x86"); // the default page is UTF-8
}

struct FileCase {
    std::string bytes;
    std::vector<std::u16string> items;
    TTextCharSet charSet;
};

class UcStringsFileTest : public testing::TestWithParam<FileCase> {};

TEST_P(UcStringsFileTest, LoadsByItsMark) {
    TempFile file;
    file.Write(GetParam().bytes);
    TUcStringList list;
    list.LoadFromFile(file.Name());
    EXPECT_EQ(Items(list), GetParam().items);
    EXPECT_EQ(list.LastFileCharSet(), GetParam().charSet);
}

INSTANTIATE_TEST_SUITE_P(
    Marks, UcStringsFileTest,
    testing::Values(FileCase{std::string("\xFE\xFF\x00\x41", 4), {u"A"}, tcsUnicodeBE},
                    FileCase{"\xEF\xBB\xBF\x41", {u"A"}, tcsUtf8},
                    FileCase{std::string("\xFF\xFE\x41\x00\x0D\x00\x42", 7), {u"A"}, tcsUnicodeLE},
                    FileCase{"\xFF\xFE", {}, tcsUnicodeLE}, FileCase{"", {}, tcsAnsi},
                    FileCase{"\xFF", {u"\uFFFD"}, tcsAnsi}, FileCase{"\xEF\xBB", {u"\uFFFD"}, tcsAnsi},
                    FileCase{"a\r\n\xC3\xA9", {u"a", u"\u00E9"}, tcsAnsi}));

TEST(UcStringsFileTest, SavesUtf16WithTheMarkWhateverWasLoaded) {
    TempFile file;
    file.Write("\xEF\xBB\xBF\x41");
    TUcStringList list;
    list.LoadFromFile(file.Name());
    list.SaveToFile(file.Name());
    EXPECT_EQ(file.Read(), std::string("\xFF\xFE\x41\x00\x0D\x00\x0A\x00", 8));

    TUcStringList plain;
    plain.Add(u"\U0001F600");
    rtl::TMemoryStream stream;
    plain.TWideStrings::SaveToStream(stream);
    EXPECT_EQ(stream.Bytes(), std::string("\x3D\xD8\x00\xDE\x0D\x00\x0A\x00", 8));
    stream.SetPosition(0);
    TUcStringList back;
    back.LoadFromStreamDetect(stream, false);
    EXPECT_TRUE(back.Equals(plain));
}

TEST(UcStringsFileTest, AMissingFileNamesItsFullPath) {
    TUcStringList list;
    const std::string error = ErrorOf([&] { list.LoadFromFile(u"no/such/../file.txt"); });
    const std::string fullPath = WideToUtf8(ExpandFileNameWide(u"no/file.txt"));
    EXPECT_THAT(error, testing::StartsWith("EFOpenError: Cannot open file \"" + fullPath + "\". "));
    EXPECT_GT(error.size(), fullPath.size() + 40);
}

} // namespace
} // namespace widecontrols
