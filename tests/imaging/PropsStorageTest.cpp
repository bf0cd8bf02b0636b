#include "imaging/uUXProps.h"

#include "imaging/uRxStrUtils.h"

#include <gtest/gtest.h>

#include "platform/data/Collection.h"

#include <map>
#include <set>
#include <string>
#include <utility>

namespace imaging {
namespace {

enum TLetter { lA, lB, lC };

class TColumn : public data::TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    std::string Title;
    int Width = 0;
};

// A component with a property of every stored kind.
class TSample : public data::TComponent {
public:
    using TComponent::TComponent;
    bool flag = false;
    int64_t letters = 0; // set of TLetter
    int64_t letter = lA;
    double ratio = 0;
    std::string caption;
    std::string wideCaption;
    int64_t count = 0;
    int64_t big = 0;
    char initial = 'x';
    rtl::Variant any;
    rtl::TStringList lines;
    data::TCollection columns{&data::TCollection::ItemClassOf<TColumn>};
    data::TComponent* buddy = nullptr;
};

void RegisterSample() {
    static const bool registered = [] {
        auto assignInt = [](int64_t TSample::*member) {
            return [member](TSample& s, const rtl::Variant& v) { s.*member = v.AsInt64(); };
        };
        TPropInfo letters = MakeProp<TSample>(
            "Letters", tkSet, [](const TSample& s) { return s.letters; }, assignInt(&TSample::letters));
        letters.enumNames = {"a", "b", "c"};
        TPropInfo ratio = MakeProp<TSample>(
            "Ratio", tkFloat, [](const TSample& s) { return s.ratio; },
            [](TSample& s, const rtl::Variant& v) { s.ratio = v.AsDouble(); });
        TPropInfo buddy = MakeObjectProp<TSample>(
            "Buddy", [](const TSample& s) { return static_cast<data::TPersistent*>(s.buddy); });
        buddy.setComponent = [](data::TPersistent& o, data::TComponent* c) {
            static_cast<TSample&>(o).buddy = c;
        };
        RegisterPublishedProperties<TSample>({
            MakeBoolProp<TSample>(
                "Flag", [](const TSample& s) { return static_cast<int64_t>(s.flag); },
                [](TSample& s, const rtl::Variant& v) { s.flag = v.AsInt64() != 0; }),
            letters,
            MakeEnumProp<TSample>(
                "Letter", {"lA", "lB", "lC"}, [](const TSample& s) { return s.letter; },
                assignInt(&TSample::letter)),
            ratio,
            MakeProp<TSample>(
                "Caption", tkLString, [](const TSample& s) { return s.caption; },
                [](TSample& s, const rtl::Variant& v) { s.caption = v.AsString(); }),
            MakeProp<TSample>(
                "WideCaption", tkWString, [](const TSample& s) { return s.wideCaption; },
                [](TSample& s, const rtl::Variant& v) { s.wideCaption = v.AsString(); }),
            MakeProp<TSample>(
                "Count", tkInteger, [](const TSample& s) { return s.count; }, assignInt(&TSample::count)),
            MakeProp<TSample>(
                "Big", tkInt64, [](const TSample& s) { return s.big; }, assignInt(&TSample::big)),
            MakeProp<TSample>(
                "Initial", tkChar, [](const TSample& s) { return static_cast<int64_t>(s.initial); },
                [](TSample& s, const rtl::Variant& v) { s.initial = static_cast<char>(v.AsInt64()); }),
            MakeProp<TSample>(
                "Any", tkVariant, [](const TSample& s) { return s.any; },
                [](TSample& s, const rtl::Variant& v) { s.any = v; }),
            MakeObjectProp<TSample>("Lines",
                                    [](const TSample& s) { return const_cast<rtl::TStringList*>(&s.lines); }),
            MakeObjectProp<TSample>("Columns",
                                    [](const TSample& s) {
                                        return static_cast<data::TPersistent*>(
                                            const_cast<data::TCollection*>(&s.columns));
                                    }),
            buddy,
        });
        RegisterPublishedProperties<TColumn>({
            MakeProp<TColumn>(
                "Title", tkLString, [](const TColumn& c) { return c.Title; },
                [](TColumn& c, const rtl::Variant& v) { c.Title = v.AsString(); }),
            MakeProp<TColumn>(
                "Width", tkInteger, [](const TColumn& c) { return c.Width; },
                [](TColumn& c, const rtl::Variant& v) { c.Width = static_cast<int>(v.AsInt64()); }),
        });
        return true;
    }();
    (void)registered;
}

// A store section by section, as the three callbacks see it.
class PropsStorageTest : public ::testing::Test {
protected:
    data::TComponent form{nullptr};
    TSample* sample = nullptr;
    data::TComponent* other = nullptr;
    std::map<std::pair<std::string, std::string>, std::string> store;
    std::vector<std::string> cleared;
    std::set<std::string> reads;

    void SetUp() override {
        RegisterSample();
        form.SetName("fmMain");
        sample = new TSample(&form);
        sample->SetName("Sample1");
        other = new data::TComponent(&form);
        other->SetName("Other1");
    }

    void Bind(TPropsStorage& storage) {
        storage.Section = "S";
        storage.OnWriteText = [this](const std::string& section, const std::string& name,
                                     const std::string& value) {
            store[{section, name}] = value;
        };
        storage.OnReadText = [this](const std::string& section, const std::string& name,
                                    const std::string& def) {
            reads.insert(name);
            auto found = store.find({section, name});
            return found == store.end() ? def : found->second;
        };
        storage.OnClearSection = [this](const std::string& section) {
            cleared.push_back(section);
            std::erase_if(store, [&](const auto& item) { return item.first.first == section; });
        };
    }

    void Run(const std::string& property, bool save) {
        TPropsStorage storage;
        Bind(storage);
        rtl::TStringList list;
        list.AddObject(JoinStoredItem("Sample1", property), sample);
        if (save)
            storage.StoreComponentProperties(&form, list);
        else
            storage.LoadComponentProperties(&form, list);
    }
    void Save(const std::string& property) { Run(property, true); }
    void Load(const std::string& property) { Run(property, false); }
    std::string Stored(const std::string& name, const std::string& section = "S") {
        auto found = store.find({section, name});
        return found == store.end() ? "<none>" : found->second;
    }
};

TEST_F(PropsStorageTest, BooleansStoreTheirNamesAndLoadThemIgnoringCase) {
    sample->flag = true;
    Save("Flag");
    EXPECT_EQ(Stored("Sample1_Flag"), "True");
    store[{"S", "Sample1_Flag"}] = "false";
    Load("Flag");
    EXPECT_FALSE(sample->flag);
    store[{"S", "Sample1_Flag"}] = "true";
    Load("Flag");
    EXPECT_TRUE(sample->flag);
    store[{"S", "Sample1_Flag"}] = "yes"; // not a name: unchanged
    Load("Flag");
    EXPECT_TRUE(sample->flag);
}

TEST_F(PropsStorageTest, SetsStoreTheirMembersInOrderAndLoadAnySpelling) {
    sample->letters = (1 << lA) | (1 << lC);
    Save("Letters");
    EXPECT_EQ(Stored("Sample1_Letters"), "[a,c]");
    const struct {
        const char* text;
        int64_t members;
    } cases[] = {{"[c, a]", 5}, {"c,a", 5}, {"b zz", 2}, {"[]", 0}};
    for (const auto& c : cases) {
        sample->letters = 7;
        store[{"S", "Sample1_Letters"}] = c.text;
        Load("Letters");
        EXPECT_EQ(sample->letters, c.members) << c.text;
    }
}

TEST_F(PropsStorageTest, FloatsUseAFullStopWhateverTheLocale) {
    const char saved = DecimalSeparator;
    DecimalSeparator = ',';
    sample->ratio = 1.5;
    Save("Ratio");
    EXPECT_EQ(Stored("Sample1_Ratio"), "1.5");
    sample->ratio = 0;
    Load("Ratio");
    EXPECT_DOUBLE_EQ(sample->ratio, 1.5);
    store[{"S", "Sample1_Ratio"}] = "abc";
    Load("Ratio");
    EXPECT_DOUBLE_EQ(sample->ratio, 1.5);
    DecimalSeparator = saved;
}

TEST_F(PropsStorageTest, ValuesOfEachKindStoreAndLoadTrimmed) {
    sample->caption = "  host \t";
    sample->letter = lB;
    sample->count = -42;
    sample->big = int64_t{1} << 40;
    sample->initial = 'q';
    for (const char* name : {"Caption", "Letter", "Count", "Big", "Initial", "WideCaption"})
        Save(name);
    EXPECT_EQ(Stored("Sample1_Caption"), "host");
    EXPECT_EQ(Stored("Sample1_Letter"), "lB");
    EXPECT_EQ(Stored("Sample1_Count"), "-42");
    EXPECT_EQ(Stored("Sample1_Big"), "1099511627776");
    EXPECT_EQ(Stored("Sample1_Initial"), "q");
    EXPECT_EQ(Stored("Sample1_WideCaption"), "<none>"); // wide strings are not stored

    store[{"S", "Sample1_Caption"}] = "  back ";
    store[{"S", "Sample1_Letter"}] = "LC";
    store[{"S", "Sample1_Count"}] = "x1"; // not a number: 0
    store[{"S", "Sample1_Initial"}] = ""; // empty: unchanged
    for (const char* name : {"Caption", "Letter", "Count", "Initial"})
        Load(name);
    EXPECT_EQ(sample->caption, "back");
    EXPECT_EQ(sample->letter, lC);
    EXPECT_EQ(sample->count, 0);
    EXPECT_EQ(sample->initial, 'q');
}

TEST_F(PropsStorageTest, AnEmptyVariantIsNotReadAndBecomesAnEmptyString) {
    Load("Any");
    EXPECT_EQ(reads.count("Sample1_Any"), 0u);
    EXPECT_EQ(sample->any.Type(), rtl::varString);
    sample->any = 12;
    Save("Any");
    EXPECT_EQ(Stored("Sample1_Any"), "12");
}

TEST_F(PropsStorageTest, StringListsUseASectionOfTheirOwn) {
    sample->lines.SetText("one\n two\nthree");
    Save("Lines");
    EXPECT_EQ(cleared, std::vector<std::string>{"S.Sample1_Lines"});
    EXPECT_EQ(Stored("Count", "S.Sample1_Lines"), "3");
    EXPECT_EQ(Stored("Item1", "S.Sample1_Lines"), " two"); // items as they stand
    EXPECT_EQ(Stored("Item2", "S.Sample1_Lines"), "three");

    sample->lines.Clear();
    Load("Lines");
    EXPECT_EQ(sample->lines.Count(), 3);
    EXPECT_EQ(sample->lines[1], " two");

    Save("Lines"); // an empty list leaves only the cleared section...
    sample->lines.Clear();
    Save("Lines");
    EXPECT_EQ(Stored("Count", "S.Sample1_Lines"), "<none>");
    sample->lines.Add("kept"); // ...and loading then leaves the list as it is
    Load("Lines");
    EXPECT_EQ(sample->lines.Count(), 1);
}

TEST_F(PropsStorageTest, CollectionsStoreTheirItemsWithPrefixes) {
    auto* first = static_cast<TColumn*>(sample->columns.Add());
    first->Title = "Name";
    first->Width = 80;
    static_cast<TColumn*>(sample->columns.Add())->Title = "Value";
    Save("Columns");
    EXPECT_EQ(Stored("Sample1_Columns.Count"), "2");
    EXPECT_EQ(Stored("Item0_Title", "S.Sample1_Columns"), "Name");
    EXPECT_EQ(Stored("Item0_Width", "S.Sample1_Columns"), "80");
    EXPECT_EQ(Stored("Item1_Title", "S.Sample1_Columns"), "Value");

    sample->columns.Clear();
    Load("Columns");
    ASSERT_EQ(sample->columns.Count(), 2);
    EXPECT_EQ(static_cast<TColumn*>(sample->columns.Items(0))->Width, 80);
    EXPECT_EQ(static_cast<TColumn*>(sample->columns.Items(1))->Title, "Value");
}

TEST_F(PropsStorageTest, ComponentReferencesStoreNamesAndOwners) {
    sample->buddy = other;
    Save("Buddy");
    EXPECT_EQ(Stored("Sample1_Buddy"), "Other1");
    data::TComponent foreignOwner(nullptr); // unnamed: its class name without the T
    data::TComponent foreign(&foreignOwner);
    foreign.SetName("Far");
    sample->buddy = &foreign;
    Save("Buddy");
    EXPECT_EQ(Stored("Sample1_Buddy"), "Component.Far");
    sample->buddy = nullptr;
    Save("Buddy");
    EXPECT_EQ(Stored("Sample1_Buddy"), "(null)");

    store[{"S", "Sample1_Buddy"}] = "Other1";
    Load("Buddy");
    EXPECT_EQ(sample->buddy, other);
    store[{"S", "Sample1_Buddy"}] = "(NULL)";
    Load("Buddy");
    EXPECT_EQ(sample->buddy, nullptr);
}

TEST_F(PropsStorageTest, LinesNamingMissingComponentsOrPropertiesAreSkipped) {
    TPropsStorage storage;
    Bind(storage);
    rtl::TStringList list;
    list.AddObject("Sample1.NoSuchProperty", sample);
    list.Add("Ghost.Caption"); // no component attached: dropped
    list.AddObject("Sample1.Count", sample);
    sample->count = 3;
    storage.StoreComponentProperties(&form, list);
    EXPECT_EQ(store.size(), 1u);
    EXPECT_EQ(Stored("Sample1_Count"), "3");
    EXPECT_EQ(list.Count(), 2);
}

TEST(StoredItems, SplitJoinRenameAndSync) {
    std::string component;
    std::string property;
    EXPECT_TRUE(SplitStoredItem(" edHost . Text ", component, property));
    EXPECT_EQ(component, "edHost");
    EXPECT_EQ(property, "Text");
    EXPECT_FALSE(SplitStoredItem("edHost", component, property));
    EXPECT_FALSE(SplitStoredItem("edHost.", component, property));
    EXPECT_EQ(JoinStoredItem("a", ""), "");
    EXPECT_EQ(RenameStoredItem("edHost.Text", "edServer"), "edServer.Text");
    EXPECT_EQ(RenameStoredItem("bad", "edServer"), "");

    data::TComponent owner(nullptr);
    auto* edit = new data::TComponent(&owner);
    edit->SetName("edHost");
    rtl::TStringList list;
    list.SetText("edHost.Text\nedGone.Text\nbroken");
    SyncStoredList(&owner, &list, true);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Objects(0), edit);
    edit->SetName("edServer");
    SyncStoredList(&owner, &list, false);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0], "edServer.Text");
}

TEST(StringHelpers, XorHexRoundTrips) {
    EXPECT_EQ(XorToHex("", "abc"), "616263");
    EXPECT_EQ(XorFromHex("", "616263"), "abc");
    EXPECT_EQ(XorFromHex("", "zz"), " ");
    EXPECT_EQ(XorFromHex("", "6162x"), "ab"); // a trailing single digit is ignored
    EXPECT_EQ(XorToHex("k", "\x0b"), "60");   // 0x0b ^ 'k' (0x6b), lower case
    const std::string disguised = XorToHex("key", "secret password");
    EXPECT_EQ(disguised.size(), 30u);
    EXPECT_EQ(XorFromHex("key", disguised), "secret password");
}

TEST(StringHelpers, WordsAndSubstrings) {
    EXPECT_EQ(NthWord(4, "1,2,3", " ,"), "");
    EXPECT_EQ(NthWord(2, " 10 , 20", " ,"), "20");
    EXPECT_EQ(WordStart(2, " 10 , 20", " ,"), 7);
    EXPECT_EQ(CountWords(",,a,,b c,", " ,"), 3);
    EXPECT_EQ(CountWords("", " ,"), 0);
    EXPECT_EQ(ReplaceSubstring("aaa", "a", "aa"), "aaaaaa"); // a replacement is not searched again
    EXPECT_EQ(ReplaceSubstring("a.b.c", ".", ""), "abc");
    EXPECT_EQ(ReplaceSubstring("abc", "", "x"), "abc");
}

} // namespace
} // namespace imaging
