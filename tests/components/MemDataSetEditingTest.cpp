#include "components/uDADataSetUpdater.h"
#include "components/uMemDataSet.h"
#include "dataaccess/store/uFieldDesc.h"
#include "dataaccess/store/uMemData.h"
#include "dataaccess/store/uXMLWriter.h"
#include "platform/data/DataError.h"
#include "platform/rtl/CommaLocale.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Utf.h"
#include "support/ErrorText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace components {
namespace {

using namespace data;
using namespace dataaccess;
using testsupport::ErrorMessageOf;

using Columns = std::vector<std::pair<std::string, uint16_t>>;

// By default ID and GRP integers, NAME a string of 20; rows are given as variants (Null for a null
// field).
class ThreeColumnStore : public TMemData {
public:
    explicit ThreeColumnStore(std::vector<std::vector<rtl::Variant>> rows,
                              Columns columns = {{"ID", dtInt32}, {"NAME", dtString}, {"GRP", dtInt32}})
        : rows_(std::move(rows)), columns_(std::move(columns)) {}

protected:
    void InternalInitFields() override {
        for (const auto& [name, type] : columns_) {
            auto field = GetFieldDescClass()();
            field->FieldName = field->ServerName = name;
            field->TypeCode = type;
            field->ValueLength = type == dtString ? 20 : 0;
            field->ByteSize = type == dtString ? 21 : type == dtInt32 ? 4 : 8;
            Fields().Add(std::move(field));
        }
    }

    // Rows arrive as a fetch would bring them: neither posted nor cached.
    void InternalOpen() override {
        InitFields();
        const bool cached = CachedUpdates();
        auto onInsert = std::move(OnInsertRecord);
        OnInsertRecord = nullptr;
        SetCachedUpdates(false);
        for (const auto& row : rows_) {
            void* record = NewRecordBuffer();
            InitRecord(record);
            for (size_t i = 0; i < row.size(); ++i)
                if (!row[i].IsNull()) WriteFieldAsVariant(static_cast<int>(i + 1), record, row[i]);
            AppendRecord(record);
            DisposeRecordBuffer(record);
        }
        SetCachedUpdates(cached);
        OnInsertRecord = std::move(onInsert);
    }

private:
    std::vector<std::vector<rtl::Variant>> rows_;
    Columns columns_;
};

// Counts what the driver asks of it.
class CountingUpdater : public TDataSetUpdater {
public:
    using TDataSetUpdater::TDataSetUpdater;
    bool ApplyInsert() override { return Count("insert"); }
    bool ApplyDelete() override { return Count("delete"); }
    bool ApplyUpdate() override { return Count("update"); }

    std::vector<std::string> calls;
    bool fail = false;

private:
    bool Count(const char* what) {
        calls.push_back(what);
        if (fail) DatabaseError("server said no");
        return true;
    }
};

class UpdatingService : public TDataSetService {
public:
    explicit UpdatingService(TMemDataSet* dataSet) : TDataSetService(dataSet), updater(this) {}
    TDataSetUpdater* DataSetUpdater() const override { return &updater; }
    mutable CountingUpdater updater;
};

const rtl::Variant kNull = rtl::Variant::Null();

class MemDataSetEditingTest : public ::testing::Test {
protected:
    MemDataSetEditingTest() : ds(nullptr) {
        auto service = std::make_unique<UpdatingService>(&ds);
        updater = &service->updater;
        ds.SetDataSetService(std::move(service));
    }

    // Sorted by ID: 1 ann, 3 bob, 3 cy, 5 dee, 7 (null name), 9 eve.
    void OpenSorted() {
        ds.SetRecordStore(std::make_unique<ThreeColumnStore>(std::vector<std::vector<rtl::Variant>>{
            {9, "eve", 2}, {3, "bob", 1}, {1, "ann", 1}, {7, kNull, 2}, {3, "cy", 2}, {5, "dee", 1}}));
        ds.SetIndexFieldNames("ID");
        ds.Open();
    }

    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (ds.First(); !ds.Eof(); ds.Next())
            names.push_back(ds.FieldByName("NAME")->AsString());
        return names;
    }

    std::string Current() { return ds.FieldByName("NAME")->AsString(); }

    std::vector<TField*> Fields(const char* name) { return {ds.FieldByName(name)}; }

    TMemDataSet ds;
    CountingUpdater* updater;
};

TEST_F(MemDataSetEditingTest, FilterAndOnFilterRecordSelectRows) {
    OpenSorted();
    ds.SetFilterText("GRP = 1");
    EXPECT_EQ(Names().size(), 6u) << "not filtered yet";
    ds.SetFiltered(true);
    EXPECT_EQ(Names(), (std::vector<std::string>{"ann", "bob", "dee"}));
    ds.SetOnFilterRecord([](TDataSet* d, bool& accept) { accept = d->FieldByName("ID")->AsInteger() > 1; });
    EXPECT_EQ(Names(), (std::vector<std::string>{"bob", "dee"}));
    ds.SetFilterText("   ");
    EXPECT_EQ(ds.RecordStore()->FilterText(), "") << "a blank filter installs no expression";
    EXPECT_EQ(Names(), (std::vector<std::string>{"bob", "cy", "dee", "", "eve"}));
    ds.SetFiltered(false);
    EXPECT_EQ(Names().size(), 6u);
}

TEST_F(MemDataSetEditingTest, FindUsesTheFilterWhileFilteredIsOff) {
    OpenSorted();
    ds.SetFilterText("GRP = 2");
    EXPECT_TRUE(ds.FindFirst());
    EXPECT_EQ(Current(), "cy");
    EXPECT_TRUE(ds.FindNext());
    EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 7);
    EXPECT_TRUE(ds.FindLast());
    EXPECT_EQ(Current(), "eve");
    EXPECT_FALSE(ds.FindNext());
    EXPECT_EQ(Names().size(), 6u) << "every row is visible again";
}

TEST_F(MemDataSetEditingTest, LocateFindsFirstMatchAndKeepsPositionOtherwise) {
    OpenSorted();
    EXPECT_FALSE(ds.Locate("", rtl::Variant(1), {}));
    ds.Last();
    EXPECT_FALSE(ds.Locate("ID", rtl::Variant(4), {})) << "between 3 and 5";
    EXPECT_EQ(Current(), "eve");
    EXPECT_TRUE(ds.Locate("ID", rtl::Variant(3), {}));
    EXPECT_EQ(Current(), "bob") << "the first of the duplicates";
    EXPECT_TRUE(ds.Locate("ID;NAME", rtl::Variant(rtl::VariantArray{3, "CY"}), {loCaseInsensitive}));
    EXPECT_EQ(Current(), "cy");
    EXPECT_TRUE(ds.Locate("NAME", rtl::Variant("de"), {loPartialKey}));
    EXPECT_EQ(Current(), "dee");
    EXPECT_TRUE(ds.Locate("NAME", kNull, {}));
    EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 7) << "a null key matches only null";
    EXPECT_THROW(ds.Locate("NOPE", rtl::Variant(1), {}), rtl::Exception);
}

TEST_F(MemDataSetEditingTest, LocateExtendedNearestNextAndBackwards) {
    OpenSorted();
    EXPECT_TRUE(ds.LocateExtended(Fields("ID"), rtl::Variant(4), {lxNearest}));
    EXPECT_EQ(Current(), "dee") << "the next greater value";
    EXPECT_TRUE(ds.LocateExtended(Fields("ID"), rtl::Variant(3), {lxUp}));
    EXPECT_EQ(Current(), "cy") << "the last match before the current record";
    EXPECT_TRUE(ds.LocateExtended(Fields("GRP"), rtl::Variant(2), {lxNext}));
    EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 7);
    ds.Last();
    EXPECT_FALSE(ds.LocateExtended(Fields("GRP"), rtl::Variant(2), {lxNext}));
    EXPECT_EQ(Current(), "eve");
}

// Counts the value comparisons of a locate.
class CountingStore : public ThreeColumnStore {
public:
    using ThreeColumnStore::ThreeColumnStore;
    int CompareValues(const void* value, uint16_t valueType, int flags, void* record,
                      const TFieldDesc& field) const override {
        ++comparisons;
        return ThreeColumnStore::CompareValues(value, valueType, flags, record, field);
    }
    mutable int comparisons = 0;
};

// 1,000 rows sorted by ID, each even ID twice: row i has ID i / 2 * 2, NAME "r<i>", GRP i % 3.
class MemDataSetSortedLocateTest : public MemDataSetEditingTest {
protected:
    void SetUp() override {
        std::vector<std::vector<rtl::Variant>> rows;
        for (int i = 0; i < 1000; ++i)
            rows.push_back({i / 2 * 2, "r" + std::to_string(i), i % 3});
        auto owned = std::make_unique<CountingStore>(std::move(rows));
        store = owned.get();
        ds.SetRecordStore(std::move(owned));
        ds.SetIndexFieldNames("ID");
        ds.Open();
    }

    // Locates from row `from` and answers the row it stops on ("" when not found).
    std::string LocateFrom(const std::string& from, const rtl::Variant& id, TLocateExOptions options) {
        EXPECT_TRUE(ds.Locate("NAME", rtl::Variant(from), {}));
        store->comparisons = 0;
        return ds.LocateExtended(Fields("ID"), id, options) ? Current() : "";
    }

    CountingStore* store = nullptr;
};

TEST_F(MemDataSetSortedLocateTest, BisectsTheSortedKey) {
    struct Case {
        const char* from;
        rtl::Variant id;
        TLocateExOptions options;
        const char* found;
    } cases[] = {
        {"r999", 500, {}, "r500"},        // the first of two
        {"r0", 998, {}, "r998"},          // the last value
        {"r999", 0, {}, "r0"},            // the first value
        {"r0", 501, {}, ""},              // between two values
        {"r0", -1, {}, ""},               // before the first
        {"r0", 1000, {}, ""},             // after the last
        {"r999", 500, {lxUp}, "r501"},    // backwards: the last before the current row
        {"r501", 500, {lxUp}, "r500"},    // the current row is not searched
        {"r0", 500, {lxNext}, "r500"},    // onwards: the first after the current row
        {"r500", 500, {lxNext}, "r501"},  // the duplicate after the current row
        {"r501", 500, {lxNext}, ""},      // every match is behind
        {"r999", 998, {lxNext}, ""},      // from the last row
        {"r999", "250", {}, "r250"},      // text converted to the column's type
        {"r0", 499, {lxNearest}, "r500"}, // nearest scans: the next greater value
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " -> " + c.id.AsString());
        const std::string found = LocateFrom(c.from, c.id, c.options);
        EXPECT_EQ(found, c.found);
        if (found.empty()) {
            EXPECT_EQ(Current(), c.from) << "the position is kept";
        }
        if (!c.options.Contains(lxNearest)) {
            EXPECT_LE(store->comparisons, 25);
        }
    }
}

TEST_F(MemDataSetSortedLocateTest, UnsortedKeysScanFromTheSortedMatch) {
    EXPECT_TRUE(ds.Locate("GRP;ID", rtl::Variant(rtl::VariantArray{2, 500}), {}));
    EXPECT_EQ(Current(), "r500") << "500 % 3 == 2";
    EXPECT_TRUE(ds.Locate("GRP;ID", rtl::Variant(rtl::VariantArray{0, 500}), {}));
    EXPECT_EQ(Current(), "r501");
    EXPECT_FALSE(ds.Locate("GRP;ID", rtl::Variant(rtl::VariantArray{1, 500}), {}));
    EXPECT_EQ(Current(), "r501");
    EXPECT_FALSE(ds.Locate("GRP;ID", rtl::Variant(rtl::VariantArray{0, 501}), {}));
    const std::vector<TField*> both{ds.FieldByName("GRP"), ds.FieldByName("ID")};
    ds.Last();
    EXPECT_TRUE(ds.LocateExtended(both, rtl::Variant(rtl::VariantArray{2, 500}), {lxUp}));
    EXPECT_EQ(Current(), "r500") << "backwards past the other duplicate";
    ds.Last();
    EXPECT_TRUE(ds.LocateExtended(both, rtl::Variant(rtl::VariantArray{0, 500}), {lxUp}));
    EXPECT_EQ(Current(), "r501");
}

TEST_F(MemDataSetSortedLocateTest, BisectsOnlyTheVisibleRows) {
    ds.SetFilterText("GRP = 1");
    ds.SetFiltered(true);
    EXPECT_TRUE(ds.Locate("ID", rtl::Variant(502), {}));
    EXPECT_EQ(Current(), "r502");
    store->comparisons = 0;
    EXPECT_TRUE(ds.Locate("ID", rtl::Variant(504), {}));
    EXPECT_EQ(Current(), "r505") << "r504 is filtered out";
    EXPECT_LE(store->comparisons, 25);
    EXPECT_FALSE(ds.Locate("ID", rtl::Variant(500), {})) << "r500 and r501 are filtered out";
    EXPECT_EQ(Current(), "r505");
}

TEST_F(MemDataSetEditingTest, SortedTextKeysFollowTheSortOrder) {
    OpenSorted();
    ds.SetIndexFieldNames("NAME DESC");
    EXPECT_TRUE(ds.Locate("NAME", rtl::Variant("bob"), {}));
    EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 3);
    EXPECT_TRUE(ds.Locate("NAME", kNull, {})) << "nulls sort last when descending";
    EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 7);
    EXPECT_FALSE(ds.Locate("NAME", rtl::Variant("BOB"), {}));
    ds.SetIndexFieldNames("NAME CIS");
    EXPECT_TRUE(ds.Locate("NAME", rtl::Variant("BOB"), {loCaseInsensitive}));
    EXPECT_EQ(Current(), "bob");
    EXPECT_TRUE(ds.Locate("NAME", rtl::Variant("ann"), {}));
    EXPECT_EQ(Current(), "ann") << "a case-sensitive key on a case-insensitive sort is scanned";
    EXPECT_TRUE(ds.Locate("NAME", kNull, {}));
    EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 7);
}

TEST_F(MemDataSetEditingTest, SortedLocateInAnEmptyStoreFindsNothing) {
    ds.SetRecordStore(std::make_unique<ThreeColumnStore>(std::vector<std::vector<rtl::Variant>>{}));
    ds.SetIndexFieldNames("ID");
    ds.Open();
    for (const TLocateExOptions options :
         {TLocateExOptions{}, TLocateExOptions{lxNext}, TLocateExOptions{lxUp}})
        EXPECT_FALSE(ds.LocateExtended(Fields("ID"), rtl::Variant(1), options));
    EXPECT_TRUE(ds.IsEmpty());
}

TEST_F(MemDataSetEditingTest, LookupNeverMoves) {
    OpenSorted();
    ds.Next();
    int scrolls = 0;
    ds.AfterScroll = [&scrolls](TDataSet*) { ++scrolls; };
    EXPECT_EQ(ds.Lookup("ID", rtl::Variant(5), "NAME").AsString(), "dee");
    const rtl::Variant both = ds.Lookup("NAME", rtl::Variant("eve"), "ID;GRP");
    EXPECT_EQ(both, rtl::Variant(rtl::VariantArray{9, 2}));
    EXPECT_TRUE(ds.Lookup("ID", rtl::Variant(4), "NAME").IsNull());
    EXPECT_EQ(Current(), "bob");
    EXPECT_EQ(scrolls, 0);
}

TEST_F(MemDataSetEditingTest, XMLDescribesFieldsAndValues) {
    const rtl::TDateTime when = rtl::EncodeDate(2024, 3, 5) + rtl::EncodeTime(7, 8, 9, 0);
    ds.SetRecordStore(std::make_unique<ThreeColumnStore>(
        std::vector<std::vector<rtl::Variant>>{{1, 2.5, rtl::Variant::FromDateTime(when)}},
        Columns{{"ID", dtInt32}, {"F", dtFloat}, {"D", dtDateTime}}));
    ds.Open();
    TField* id = ds.FieldByName("ID");
    TXmlTextWriter writer;
    writer.WriteStartElement(u"s:AttributeType");
    ds.WriteFieldXMLAttributeType(id, *ds.GetFieldDesc(id), writer, "");
    ds.WriteFieldXMLDataType(id, *ds.GetFieldDesc(id), writer);
    EXPECT_THAT(
        rtl::Utf16ToUtf8(writer.Text()),
        ::testing::HasSubstr("name=\"ID\" rs:number=\"1\" rs:nullable=\"true\" rs:writeunknown=\"true\" "
                             "rs:basecolumn=\"ID\" dt:type=\"int\" dt:maxLength=\"4\" rs:precision=\"10\""));
    TField* f = ds.FieldByName("F");
    EXPECT_EQ(ds.GetFieldXMLValue(f, *ds.GetFieldDesc(f)), u"2.5");
    {
        CommaLocale comma;
        ASSERT_TRUE(comma.Active());
        EXPECT_EQ(ds.GetFieldXMLValue(f, *ds.GetFieldDesc(f)), u"2.5") << "whatever the locale";
    }
    TField* d = ds.FieldByName("D");
    EXPECT_EQ(ds.GetFieldXMLValue(d, *ds.GetFieldDesc(d)), u"2024-03-05T07:08:09");
    EXPECT_EQ(ds.GetFieldXMLValue(id, *ds.GetFieldDesc(id)), u"1");
}

class MemDataSetCachedTest : public MemDataSetEditingTest {
protected:
    MemDataSetCachedTest() {
        ds.SetCachedUpdates(true);
        OpenSorted();
    }

    void EditName(const char* name) {
        ds.Edit();
        ds.FieldByName("NAME")->SetAsString(name);
        ds.Post();
    }
};

TEST_F(MemDataSetCachedTest, CachesUntilApplyAndCommit) {
    EXPECT_THROW(ds.SetCachedUpdates(false), EDatabaseError);
    EditName("ann2");
    EXPECT_EQ(ds.UpdateStatus(), usModified);
    ds.Last();
    ds.Delete();
    ds.Append();
    ds.FieldByName("ID")->SetAsInteger(11);
    ds.Post();
    EXPECT_EQ(ds.UpdateStatus(), usInserted);
    EXPECT_TRUE(updater->calls.empty());
    ds.ApplyUpdates();
    EXPECT_EQ(updater->calls, (std::vector<std::string>{"update", "delete", "insert"}));
    ds.CommitUpdates();
    EXPECT_EQ(ds.UpdateStatus(), usUnmodified);
    EXPECT_EQ(Names(), (std::vector<std::string>{"ann2", "bob", "cy", "dee", "", ""}));
}

TEST_F(MemDataSetCachedTest, RevertRecordRestoresTheOldValues) {
    EditName("changed");
    ds.RevertRecord();
    EXPECT_EQ(Current(), "ann");
    EXPECT_EQ(ds.UpdateStatus(), usUnmodified);
}

TEST_F(MemDataSetEditingTest, ApplyWithoutCachedUpdatesPostsAndThenFails) {
    OpenSorted();
    ds.Edit();
    ds.FieldByName("NAME")->SetAsString("posted");
    EXPECT_EQ(ErrorMessageOf([&] { ds.ApplyUpdates(); }), "Not in cached update mode");
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(Current(), "posted");
    EXPECT_EQ(updater->calls, std::vector<std::string>{"update"}) << "posted at once";
    EXPECT_EQ(ErrorMessageOf([&] { ds.CommitUpdates(); }), "Not in cached update mode");
}

struct HandlerCase {
    const char* name;
    TUpdateRecAction answer;
    std::vector<std::string> defaultCalls;
    const char* error; // nullptr: applies
};

class MemDataSetUpdateRecordTest : public MemDataSetCachedTest,
                                   public ::testing::WithParamInterface<HandlerCase> {};

TEST_P(MemDataSetUpdateRecordTest, HandlerAnswerDecidesTheDefaultProcessing) {
    const HandlerCase& c = GetParam();
    EditName("x");
    std::vector<TUpdateKind> seen;
    ds.OnUpdateRecord = [&](TDataSet* dataSet, TUpdateKind kind, TUpdateRecAction& action) {
        EXPECT_EQ(dataSet->FieldByName("NAME")->AsString(), "x") << "the applied record's new values";
        EXPECT_EQ(dataSet->FieldByName("NAME")->OldValue().AsString(), "ann");
        seen.push_back(kind);
        action = c.answer;
    };
    if (c.error)
        EXPECT_EQ(ErrorMessageOf([&] { ds.ApplyUpdates(); }), c.error);
    else
        ds.ApplyUpdates();
    EXPECT_EQ(seen, std::vector<TUpdateKind>{ukModify});
    EXPECT_EQ(updater->calls, c.defaultCalls);
}

INSTANTIATE_TEST_SUITE_P(Answers, MemDataSetUpdateRecordTest,
                         ::testing::Values(HandlerCase{"Skip", urSkip, {}, nullptr},
                                           HandlerCase{"Applied", urApplied, {}, nullptr},
                                           HandlerCase{"Default", uaDefaultProcessing, {"update"}, nullptr},
                                           HandlerCase{"Fail", urFail, {}, "Update failed"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MemDataSetCachedTest, OnUpdateErrorDecidesAfterAFailedApply) {
    EditName("x");
    updater->fail = true;
    EXPECT_EQ(ErrorMessageOf([&] { ds.ApplyUpdates(); }), "server said no")
        << "no handler: the error propagates";
    std::string message;
    ds.OnUpdateError = [&](TDataSet*, EDatabaseError& error, TUpdateKind, TUpdateRecAction& action) {
        message = error.Message();
        action = urSkip;
    };
    ds.ApplyUpdates();
    EXPECT_EQ(message, "server said no");
    ds.OnUpdateError = [&](TDataSet*, EDatabaseError&, TUpdateKind, TUpdateRecAction& action) {
        action = urFail;
    };
    EXPECT_EQ(ErrorMessageOf([&] { ds.ApplyUpdates(); }), "server said no");
}

} // namespace
} // namespace components
