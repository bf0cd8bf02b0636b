#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/uWideStrings.h"
#include "platform/rtl/Streams.h"

namespace core {
namespace {

std::vector<std::u16string> Items(const TWideStrings& list) {
    std::vector<std::u16string> items;
    for (int i = 0; i < list.GetCount(); ++i)
        items.push_back(list.Get(i));
    return items;
}

using Lines = std::vector<std::u16string>;

std::string StreamBytes(TWideStrings& list, bool withMark) {
    rtl::TMemoryStream stream;
    list.SaveToStream(stream, withMark);
    return stream.Bytes();
}

void LoadBytes(TWideStrings& list, std::string_view bytes) {
    rtl::TMemoryStream stream;
    stream.WriteString(bytes);
    stream.SetPosition(0);
    list.LoadFromStream(stream);
}

// A file in the temporary directory, removed afterwards.
class TempFile {
public:
    TempFile() : path_(rtl::CreateTempFile("WideStringsTest")) {}
    ~TempFile() { std::filesystem::remove(path_); }
    const std::string& Path() const { return path_; }
    std::string Bytes() const {
        rtl::TMemoryStream stream;
        stream.LoadFromFile(path_);
        return stream.Bytes();
    }
    void Write(std::string_view bytes) const {
        rtl::TFileStream file(path_, rtl::fmCreate);
        file.WriteString(bytes);
    }

private:
    std::string path_;
};

TEST(WideStringsText, SplitsAtEveryLineBreakAndJoinsWithCrLf) {
    TWideStringList list;
    list.SetText(u"a\r\nb\nc\r");
    EXPECT_EQ(Items(list), (Lines{u"a", u"b", u"c"}));
    EXPECT_EQ(list.GetText(), u"a\r\nb\r\nc");

    list.SetText(u"1\v2\f3\u20284\u20295\r\r6");
    EXPECT_EQ(Items(list), (Lines{u"1", u"2", u"3", u"4", u"5", u"", u"6"}));
    list.SetText(u"\n");
    EXPECT_EQ(Items(list), (Lines{u""}));
    list.SetText(u"");
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetText(), u"");

    list.SetText(u"x\ny");
    EXPECT_EQ(list.GetSeparatedText(u", "), u"x, y");
}

TEST(WideStringsList, IndexErrorsAndSortedRestrictions) {
    TWideStringList list;
    list.SetText(u"a\nb\nc");
    try {
        list.Get(5);
        FAIL() << "no error";
    } catch (const rtl::EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (5)");
    }
    EXPECT_THROW(list.Delete(-1), rtl::EListError);
    EXPECT_THROW(list.Insert(4, u"x"), rtl::EListError);
    EXPECT_THROW(list.PutObject(3, nullptr), rtl::EListError);
    list.Insert(3, u"d"); // inserting at the count appends
    EXPECT_EQ(list.Get(3), u"d");

    list.SetSorted(true);
    try {
        list.Insert(0, u"x");
        FAIL() << "no error";
    } catch (const rtl::EStringListError& e) {
        EXPECT_EQ(e.Message(), "Operation not allowed on sorted list");
    }
    EXPECT_THROW(list.Put(0, u"x"), rtl::EStringListError);
}

TEST(WideStringsList, SortedAddHonoursTheDuplicatesMode) {
    TWideStringList list;
    list.SetSorted(true);
    for (const auto* s : {u"pear", u"Apple", u"fig", u"banana"})
        list.Add(s);
    EXPECT_EQ(Items(list), (Lines{u"Apple", u"banana", u"fig", u"pear"}));

    // Ignore: the existing item's index, nothing added.
    EXPECT_EQ(list.Add(u"APPLE"), 0);
    EXPECT_EQ(list.GetCount(), 4);
    EXPECT_EQ(list.IndexOf(u"FIG"), 2);
    EXPECT_EQ(list.IndexOf(u"kiwi"), -1);

    list.SetDuplicates(rtl::dupError);
    try {
        list.Add(u"Fig");
        FAIL() << "no error";
    } catch (const rtl::EStringListError& e) {
        EXPECT_EQ(e.Message(), "String list does not allow duplicates");
    }
    EXPECT_EQ(list.GetCount(), 4);

    list.SetDuplicates(rtl::dupAccept);
    EXPECT_EQ(list.Add(u"FIG"), 2);
    EXPECT_EQ(Items(list), (Lines{u"Apple", u"banana", u"FIG", u"fig", u"pear"}));
    int index = -1;
    EXPECT_FALSE(list.Find(u"cherry", index));
    EXPECT_EQ(index, 2);
}

TEST(WideStringsList, SortingAnUnsortedListUsesTheCaseInsensitiveOrder) {
    TWideStringList list;
    list.SetText(u"\u00E9t\u00E9\nZeta\nalpha\n\u00C9T\u00C9S");
    list.SetSorted(true);
    EXPECT_EQ(Items(list), (Lines{u"alpha", u"Zeta", u"\u00E9t\u00E9", u"\u00C9T\u00C9S"}));
    EXPECT_EQ(list.IndexOf(u"\u00C9T\u00C9"), 2);
}

TEST(WideStringsList, MoveExchangeAndObjects) {
    TWideStringList list;
    int one = 1, two = 2;
    list.AddObject(u"a", &one);
    list.AddObject(u"b", &two);
    list.Add(u"c");
    list.Move(0, 2);
    EXPECT_EQ(Items(list), (Lines{u"b", u"c", u"a"}));
    EXPECT_EQ(list.GetObject(2), &one);
    list.Exchange(0, 2);
    EXPECT_EQ(Items(list), (Lines{u"a", u"c", u"b"}));
    EXPECT_EQ(list.GetObject(0), &one);
    EXPECT_EQ(list.GetObject(2), &two);
    list.InsertObject(1, u"x", &two);
    EXPECT_EQ(list.GetObject(1), &two);
    list.Delete(1);
    EXPECT_EQ(Items(list), (Lines{u"a", u"c", u"b"}));
}

TEST(WideStringsList, ChangeEventsFireOnceAroundAnUpdate) {
    TWideStringList list;
    std::vector<std::string> events;
    list.OnChanging = [&](TWideStringList&) { events.push_back("changing"); };
    list.OnChange = [&](TWideStringList& sender) {
        events.push_back("change " + std::to_string(sender.GetCount()));
    };
    list.Add(u"a");
    EXPECT_EQ(events, (std::vector<std::string>{"changing", "change 1"}));
    events.clear();
    list.SetText(u"x\ny\nz");
    EXPECT_EQ(events, (std::vector<std::string>{"changing", "change 3"}));
    events.clear();
    list.BeginUpdate();
    list.BeginUpdate();
    list.Delete(0);
    list.EndUpdate();
    EXPECT_EQ(events, (std::vector<std::string>{"changing"}));
    list.EndUpdate();
    EXPECT_EQ(events, (std::vector<std::string>{"changing", "change 2"}));
    events.clear();
    list.Clear();
    list.Clear(); // nothing to clear, no events
    EXPECT_EQ(events, (std::vector<std::string>{"changing", "change 0"}));
}

TEST(WideStringsList, CapacityGrowsByTheListRule) {
    TWideStringList list;
    std::vector<int> capacities;
    for (int i = 0; i < 100; ++i) {
        list.Add(u"x");
        if (capacities.empty() || capacities.back() != list.GetCapacity())
            capacities.push_back(list.GetCapacity());
    }
    EXPECT_EQ(capacities, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95, 118}));
    list.SetCapacity(2);
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetCapacity(), 2);
}

TEST(WideStringsList, NormalisesStoredAndSearchedTexts) {
    TWideStringList list;
    list.SetNormalizationForm(nfC);
    list.Add(u"e\u0301");
    EXPECT_EQ(list.Get(0), u"\u00E9");
    EXPECT_EQ(list.IndexOf(u"E\u0301"), 0);
    list.Put(0, u"a\u0301");
    EXPECT_EQ(list.Get(0), u"\u00E1");
}

TEST(WideStringsList, AssignsToAndFromPlainLists) {
    int marker = 7;
    rtl::TStringList plain;
    plain.AddObject("caf\xC3\xA9", &marker);
    plain.Add("\xF0\x9F\x98\x80");
    TWideStringList wide;
    wide.Add(u"old");
    wide.Assign(plain);
    EXPECT_EQ(Items(wide), (Lines{u"caf\u00E9", u"\U0001F600"}));
    EXPECT_EQ(wide.GetObject(0), &marker);

    rtl::TStringList back;
    back.Add("old");
    wide.AssignTo(back);
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back[0], "caf\xC3\xA9");
    EXPECT_EQ(back[1], "\xF0\x9F\x98\x80");
    EXPECT_EQ(back.Objects(0), &marker);

    TWideStringList copy;
    copy.SetLanguage(0x0419);
    wide.AssignTo(copy);
    EXPECT_TRUE(copy.Equals(wide));
    EXPECT_EQ(copy.GetObject(0), &marker);
    copy.AddStrings(copy); // adding a list to itself doubles it once
    EXPECT_EQ(copy.GetCount(), 4);
    EXPECT_FALSE(copy.Equals(wide));
}

TEST(WideStringsStream, LoadDetectsByteOrderMarks) {
    TWideStringList list;
    LoadBytes(list, std::string("\xFE\xFF\x00\x41", 4));
    EXPECT_EQ(Items(list), (Lines{u"A"}));
    EXPECT_TRUE(list.SaveUnicode());

    LoadBytes(list, "AB");
    EXPECT_EQ(Items(list), (Lines{u"AB"}));
    EXPECT_FALSE(list.SaveUnicode());

    LoadBytes(list, std::string("\xFF\xFEx\x00\r\x00\n\x00=\xD8\x00\xDE", 12));
    EXPECT_EQ(Items(list), (Lines{u"x", u"\U0001F600"}));
    EXPECT_TRUE(list.SaveUnicode());

    // Text without a UTF-16 mark is UTF-8, with or without its own mark.
    LoadBytes(list, "\xEF\xBB\xBF"
                    "caf\xC3\xA9\r\n\xE2\x82\xAC");
    EXPECT_EQ(Items(list), (Lines{u"caf\u00E9", u"\u20AC"}));
    EXPECT_FALSE(list.SaveUnicode());
    LoadBytes(list, "caf\xC3\xA9");
    EXPECT_EQ(Items(list), (Lines{u"caf\u00E9"}));

    LoadBytes(list, "");
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(WideStringsStream, SaveWritesUtf16OrLosslessUtf8) {
    TWideStringList list;
    list.SetText(u"a\n\u20AC");
    EXPECT_EQ(StreamBytes(list, true), std::string("\xFF\xFE"
                                                   "a\x00\r\x00\n\x00\xAC\x20",
                                                   10));
    EXPECT_EQ(StreamBytes(list, false), std::string("a\x00\r\x00\n\x00\xAC\x20", 8));
    EXPECT_TRUE(list.Saved());

    list.SetSaveUnicode(false);
    bool asked = false;
    list.OnConfirmConversion = [&](TWideStrings&, bool&) { asked = true; };
    EXPECT_EQ(StreamBytes(list, true), "a\r\n\xE2\x82\xAC"); // UTF-8 holds every character
    EXPECT_FALSE(asked);
    EXPECT_TRUE(list.Saved());
}

TEST(WideStringsStream, LossySaveNeedsConfirmation) {
    TWideStringList list;
    list.SetSaveUnicode(false);
    list.SetText(u"a\xD800"); // a lone surrogate has no UTF-8 form
    EXPECT_EQ(StreamBytes(list, false), "");
    EXPECT_FALSE(list.Saved());

    list.OnConfirmConversion = [](TWideStrings&, bool& allowed) { allowed = false; };
    EXPECT_EQ(StreamBytes(list, false), "");
    EXPECT_FALSE(list.Saved());

    list.OnConfirmConversion = [](TWideStrings&, bool&) {};
    EXPECT_EQ(StreamBytes(list, false), "a\xEF\xBF\xBD");
    EXPECT_TRUE(list.Saved());
}

TEST(WideStringsFile, RoundTripsKeepTheirEncoding) {
    TempFile file;
    file.Write(std::string("\xFF\xFEh\x00i\x00", 6));
    TWideStringList list;
    list.LoadFromFile(file.Path());
    EXPECT_EQ(Items(list), (Lines{u"hi"}));
    list.Add(u"\u20AC");
    list.SaveToFile(file.Path());
    EXPECT_EQ(file.Bytes(), std::string("\xFF\xFEh\x00i\x00\r\x00\n\x00\xAC\x20", 12));

    file.Write("\xEF\xBB\xBFx\r\ny\r\n");
    list.LoadFromFile(file.Path());
    list.SaveToFile(file.Path());
    EXPECT_EQ(file.Bytes(), "\xEF\xBB\xBFx\r\ny");

    file.Write("plain");
    list.LoadFromFile(file.Path());
    list.SaveToFile(file.Path());
    EXPECT_EQ(file.Bytes(), "plain");

    // A refused save leaves the file as it was.
    list.SetText(u"\xDC00");
    list.SaveToFile(file.Path());
    EXPECT_EQ(file.Bytes(), "plain");
    EXPECT_FALSE(list.Saved());
}

TEST(WideStringsFile, MissingFileRaises) {
    TWideStringList list;
    EXPECT_THROW(list.LoadFromFile("/nonexistent/WideStringsTest.txt"), rtl::EFOpenError);
}

} // namespace
} // namespace core
