#include "dataaccess/MemDataTesting.h"

#include "dataaccess/store/uBlob.h"
#include "dataaccess/store/uMarshal.h"
#include "platform/rtl/Exception.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace dataaccess {
namespace {

using testing::AddRow;
using testing::Buffer;
using testing::Calculated;
using testing::Column;
using testing::CurrentValue;
using testing::ExpectConsistentNumbers;
using testing::GoToId;
using testing::Ids;
using testing::TestStore;

std::vector<int64_t> Range(int64_t first, int64_t last) {
    std::vector<int64_t> ids;
    for (int64_t id = first; id <= last; ++id)
        ids.push_back(id);
    return ids;
}

class MemDataTest : public ::testing::Test {
protected:
    MemDataTest() : store({{"ID", dtInt32}, {"NAME", dtExtString}, {"MEMO", dtMemo}}) {
        store.SetAutoInitFields(false); // the fields survive closing
        store.Open();
    }

    void Fill(int count) {
        for (int id = 1; id <= count; ++id)
            AddRow(store, {id, "n" + std::to_string(id), "m" + std::to_string(id)});
    }

    // Edits the current row the way a data set does: a buffer of its own, then post or cancel.
    template <class Change>
    void Edit(Change change) {
        Buffer record(store);
        store.GetRecord(record);
        store.EditRecord(record);
        try {
            change(record.get());
            store.PostEditedRecord(record);
        } catch (...) {
            store.CancelRecord(record);
            throw;
        }
    }

    void EditName(const std::string& name) {
        Edit([&](void* record) { store.WriteFieldAsVariant(2, record, name); });
    }

    void EditMemo(const std::string& text) {
        Edit([&](void* record) {
            store.WriteBlob(3, record, 0, static_cast<uint32_t>(text.size()), text.data());
            store.TruncateBlob(3, record, static_cast<uint32_t>(text.size()));
        });
    }

    void InsertBefore(int64_t id, int64_t newId) {
        GoToId(store, id);
        Buffer record(store);
        store.CreateComplexFields(record, true);
        store.WriteFieldAsVariant(1, record, newId);
        store.WriteFieldAsVariant(2, record, "new");
        store.InsertRecord(record);
    }

    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const rtl::Variant& value : Column(store, "NAME"))
            names.push_back(value.AsString());
        return names;
    }

    TestStore store;
};

// ---- Numbering and navigation

TEST_F(MemDataTest, AppendedRowsAreNumberedInOrder) {
    AddRow(store, {1, "a", rtl::Variant::Null()});
    EXPECT_EQ(store.GetRecordNo(), 1);
    EXPECT_EQ(store.RecordNoOffset(), 0);
    Fill(4);
    EXPECT_EQ(store.GetRecordCount(), 5);
    std::vector<int> numbers;
    store.SetToBegin();
    for (store.GetNextRecord(nullptr); !store.IsEof(); store.GetNextRecord(nullptr))
        numbers.push_back(store.GetRecordNo());
    EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 4, 5}));
    ExpectConsistentNumbers(store);
}

TEST_F(MemDataTest, InsertingNearTheStartRenumbersOnlyTheShortSide) {
    Fill(100);
    std::map<PItemHeader, int32_t> before;
    for (PItemHeader item = store.FirstItem(); item; item = item->Next)
        before[item] = item->Order;
    InsertBefore(2, 1000);
    const PItemHeader inserted = store.CurrentItem();
    EXPECT_EQ(inserted->Order, 1);
    EXPECT_EQ(store.FirstItem()->Order, 0);
    EXPECT_EQ(store.RecordNoOffset(), 1);
    EXPECT_EQ(store.GetRecordNo(), 2);
    for (PItemHeader item = inserted->Next; item; item = item->Next)
        EXPECT_EQ(item->Order, before[item]); // untouched
    ExpectConsistentNumbers(store);
    EXPECT_EQ(store.GetRecordCount(), 101);

    InsertBefore(99, 1001); // the second half numbers upwards
    EXPECT_EQ(store.RecordNoOffset(), 1);
    EXPECT_EQ(store.GetRecordNo(), 100);
    ExpectConsistentNumbers(store);
}

TEST_F(MemDataTest, SetRecordNoWithAndWithoutTheCache) {
    Fill(100);
    InsertBefore(2, 1000); // numbers now rest on a non-zero offset
    for (bool cached : {false, true}) {
        if (cached) store.BuildRecordNoCache();
        for (int recordNo : {57, 1, 101, 2, 57}) {
            store.SetRecordNo(recordNo);
            EXPECT_EQ(store.GetRecordNo(), recordNo);
            EXPECT_EQ(CurrentValue(store, "ID").AsInt64(),
                      recordNo == 2 ? 1000 : recordNo - (recordNo > 2 ? 1 : 0));
        }
        store.SetRecordNo(500); // out of range: stays
        EXPECT_EQ(store.GetRecordNo(), 57);
    }
}

TEST_F(MemDataTest, NavigationStatesAndDirections) {
    EXPECT_TRUE(store.IsBof());
    EXPECT_TRUE(store.IsEof());
    Fill(3);
    store.SetToEnd();
    EXPECT_TRUE(store.IsEof());
    EXPECT_FALSE(store.IsBof());
    std::vector<int64_t> backwards;
    Buffer record(store);
    for (store.GetPriorRecord(record); !store.IsBof(); store.GetPriorRecord(record))
        backwards.push_back(store.ReadFieldAsVariant(1, record).AsInt64());
    EXPECT_EQ(backwards, (std::vector<int64_t>{3, 2, 1}));
    store.GetNextRecord(record);
    EXPECT_EQ(store.ReadFieldAsVariant(1, record), rtl::Variant(1));
}

TEST_F(MemDataTest, DeletingRowsWithoutCachedUpdates) {
    Fill(10);
    int deletes = 0;
    store.OnDeleteRecord = [&] { ++deletes; };
    GoToId(store, 4);
    store.DeleteRecord();
    EXPECT_EQ(deletes, 1);
    EXPECT_EQ(CurrentValue(store, "ID"), rtl::Variant(5)); // the next row becomes current
    EXPECT_EQ(store.GetRecordCount(), 9);
    ExpectConsistentNumbers(store);
    GoToId(store, 10);
    store.DeleteRecord();
    EXPECT_EQ(CurrentValue(store, "ID"), rtl::Variant(9));
    EXPECT_EQ(Ids(store), (std::vector<int64_t>{1, 2, 3, 5, 6, 7, 8, 9}));
    ExpectConsistentNumbers(store);
}

TEST_F(MemDataTest, ServerHookFailuresLeaveTheStoreUnchanged) {
    Fill(3);
    std::vector<int64_t> inserted;
    store.OnInsertRecord = [&](void* record) {
        inserted.push_back(store.ReadFieldAsVariant(1, record).AsInt64());
        throw rtl::Exception("server says no");
    };
    EXPECT_THROW(AddRow(store, {4, "d", rtl::Variant::Null()}), rtl::Exception);
    EXPECT_EQ(inserted, (std::vector<int64_t>{4}));
    store.OnUpdateRecord = [](void*) { throw rtl::Exception("no"); };
    GoToId(store, 2);
    EXPECT_THROW(EditName("changed"), rtl::Exception);
    store.OnDeleteRecord = [] { throw rtl::Exception("no"); };
    EXPECT_THROW(store.DeleteRecord(), rtl::Exception);
    EXPECT_EQ(Ids(store), (std::vector<int64_t>{1, 2, 3}));
    EXPECT_EQ(Names(), (std::vector<std::string>{"n1", "n2", "n3"}));
}

TEST_F(MemDataTest, NewItemsFromTheServerLayerAreNumbered) {
    class Fetching : public TestStore {
    public:
        using TestStore::TestStore;
        void AppendItems(int count) {
            PItemHeader first = nullptr;
            for (int i = 0; i < count; ++i) {
                PItemHeader item = BlockManager().TakeItem();
                Buffer record(*this);
                WriteFieldAsVariant(1, record, i + 1);
                BlockManager().PutItemRecord(item, record);
                LinkItem(item, nullptr);
                if (!first) first = item;
            }
            NumberNewItems(first, false, true);
        }
    };
    Fetching fetching({{"ID", dtInt32}});
    fetching.AppendItems(3);
    fetching.AppendItems(2);
    EXPECT_EQ(fetching.GetRecordCount(), 5);
    ExpectConsistentNumbers(fetching);
    EXPECT_EQ(Ids(fetching), (std::vector<int64_t>{1, 2, 3, 1, 2}));
}

TEST_F(MemDataTest, CalcRecordRangeKeepsValuesComputedIntoTheRecord) {
    TestStore calc({{"ID", dtInt32}, {"TWICE", dtInt32, 0, 0, false, 1}, Calculated("AREA", dtInt32)});
    for (int id = 1; id <= 3; ++id)
        AddRow(calc, {id});
    calc.OnCalcFields = [&calc](void* target, void* source) {
        const int64_t id = calc.ReadFieldAsVariant(1, source ? source : target).AsInt64();
        calc.WriteFieldAsVariant(2, target, 2 * id);
        calc.WriteFieldAsVariant(3, target, 3 * id);
    };
    calc.CalcRecordRange(calc.FirstItem()->Next);
    EXPECT_EQ(Column(calc, "TWICE"), (std::vector<rtl::Variant>{rtl::Variant::Null(), 4, 6}));
}

// ---- Bookmarks

TEST_F(MemDataTest, BookmarksResolveByItemWhileItLives) {
    Fill(20);
    GoToId(store, 10);
    TRecBookmark ten;
    store.GetBookmark(ten);
    EXPECT_EQ(ten.RecordNo, 10);
    GoToId(store, 3);
    TRecBookmark three;
    store.GetBookmark(three);
    EXPECT_EQ(store.CompareBookmarks(&three, &ten), -1);
    EXPECT_EQ(store.CompareBookmarks(&ten, &ten), 0);
    EXPECT_TRUE(store.BookmarkValid(&ten));

    store.DeleteRecord(); // row 3 goes; row 10 is now number 9
    store.SetToBookmark(ten);
    EXPECT_EQ(CurrentValue(store, "ID"), rtl::Variant(10));
    EXPECT_EQ(store.GetRecordNo(), 9);

    store.DeleteRecord(); // the bookmarked row goes: its number is used
    store.SetToBookmark(ten);
    EXPECT_EQ(CurrentValue(store, "ID"), rtl::Variant(12));
}

TEST_F(MemDataTest, BookmarksOfAnEarlierFillResolveByNumber) {
    store.OnOpen = [](TestStore& s) {
        for (int id = 1; id <= 5; ++id)
            AddRow(s, {id, "n", rtl::Variant::Null()});
    };
    store.Reopen();
    GoToId(store, 4);
    TRecBookmark bookmark;
    store.GetBookmark(bookmark);
    const int32_t iteration = store.RefreshIteration();
    store.Reopen();
    EXPECT_NE(store.RefreshIteration(), iteration);
    store.SetToBookmark(bookmark);
    EXPECT_EQ(store.GetRecordNo(), 4);
    EXPECT_EQ(CurrentValue(store, "ID"), rtl::Variant(4));
}

// ---- Cached updates

TEST_F(MemDataTest, CancelUpdatesRestoresRowsAndCount) {
    Fill(5);
    store.SetCachedUpdates(true);
    int serverCalls = 0;
    store.OnInsertRecord = [&](void*) { ++serverCalls; };
    store.OnUpdateRecord = [&](void*) { ++serverCalls; };
    store.OnDeleteRecord = [&] { ++serverCalls; };

    GoToId(store, 2);
    EditName("changed");
    EditMemo("new memo");
    EXPECT_EQ(store.GetUpdateStatus(), isUpdated);
    InsertBefore(4, 40);
    EXPECT_EQ(store.GetUpdateStatus(), isInserted);
    GoToId(store, 5);
    store.DeleteRecord();
    EXPECT_EQ(serverCalls, 0);
    EXPECT_EQ(Ids(store), (std::vector<int64_t>{1, 2, 3, 40, 4}));
    EXPECT_EQ(store.GetRecordCount(), 5);
    EXPECT_EQ(store.CachedItemCount(), 3);
    EXPECT_TRUE(store.UpdatesPending());
    ExpectConsistentNumbers(store);

    GoToId(store, 2);
    Buffer old(store);
    store.GetOldRecord(old);
    EXPECT_EQ(store.ReadFieldAsVariant(2, old), rtl::Variant("n2"));
    EXPECT_EQ(store.ReadFieldAsVariant(3, old), rtl::Variant("m2"));

    store.CancelUpdates();
    EXPECT_EQ(Ids(store), Range(1, 5));
    EXPECT_EQ(Names(), (std::vector<std::string>{"n1", "n2", "n3", "n4", "n5"}));
    EXPECT_EQ(Column(store, "MEMO")[1], rtl::Variant("m2"));
    EXPECT_EQ(store.GetRecordCount(), 5);
    EXPECT_EQ(store.CachedItemCount(), 0);
    EXPECT_FALSE(store.UpdatesPending());
    ExpectConsistentNumbers(store);
}

TEST_F(MemDataTest, DeletingAnInsertedRowLeavesNoCacheEntry) {
    Fill(3);
    store.SetCachedUpdates(true);
    InsertBefore(2, 20);
    EXPECT_EQ(store.CachedItemCount(), 1);
    store.DeleteRecord();
    EXPECT_EQ(store.CachedItemCount(), 0);
    EXPECT_EQ(Ids(store), Range(1, 3));
    ExpectConsistentNumbers(store);
}

TEST_F(MemDataTest, DeletingAnUpdatedRowRestoresItsOldValues) {
    Fill(3);
    store.SetCachedUpdates(true);
    GoToId(store, 2);
    EditName("changed");
    store.DeleteRecord();
    EXPECT_EQ(store.GetUpdateStatus(), isDeleted);
    EXPECT_EQ(store.CachedItemCount(), 1);
    EXPECT_EQ(Ids(store), (std::vector<int64_t>{1, 3})); // deleted rows are hidden
    EXPECT_EQ(store.GetRecordCount(), 2);
    store.SetFilterItemTypes({isDeleted});
    EXPECT_EQ(Names(), (std::vector<std::string>{"n2"}));
    store.SetFilterItemTypes({isUnmodified, isUpdated, isInserted});
    store.RevertRecord(); // no current row: nothing happens
    store.CancelUpdates();
    EXPECT_EQ(Names(), (std::vector<std::string>{"n1", "n2", "n3"}));
}

TEST_F(MemDataTest, RevertRecordUndoesOneRow) {
    Fill(3);
    store.SetCachedUpdates(true);
    GoToId(store, 1);
    EditName("one");
    GoToId(store, 3);
    EditName("three");
    store.RevertRecord();
    EXPECT_EQ(store.GetUpdateStatus(), isUnmodified);
    EXPECT_EQ(store.CachedItemCount(), 1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"one", "n2", "n3"}));
    ExpectConsistentNumbers(store);
}

TEST_F(MemDataTest, ApplyUpdatesHandsEachChangeToTheHook) {
    Fill(3);
    store.SetCachedUpdates(true);
    GoToId(store, 1);
    EditName("changed");
    InsertBefore(3, 30);
    GoToId(store, 2);
    store.DeleteRecord();

    Buffer newValues(store), oldValues(store);
    store.SetCacheRecBuf(newValues, oldValues);
    struct Call {
        TUpdateRecKind kind;
        std::string newName, oldName;
        bool last;
    };
    std::vector<Call> calls;
    store.OnApplyRecord = [&](TUpdateRecKind kind, TUpdateRecAction& action, bool last) {
        EXPECT_EQ(action, urFail);
        calls.push_back({kind, store.ReadFieldAsVariant(2, newValues).AsString(),
                         store.ReadFieldAsVariant(2, oldValues).AsString(), last});
        if (kind == ukInsert) store.WriteFieldAsVariant(1, newValues, 31); // e.g. an identity from the server
        action = urApplied;
    };
    GoToId(store, 3);
    store.ApplyUpdates();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].kind, ukUpdate);
    EXPECT_EQ(calls[0].newName, "changed");
    EXPECT_EQ(calls[0].oldName, "n1");
    EXPECT_EQ(calls[1].kind, ukInsert);
    EXPECT_EQ(calls[1].newName, "new");
    EXPECT_EQ(calls[2].kind, ukDelete);
    EXPECT_TRUE(calls[2].last);
    EXPECT_FALSE(calls[1].last);
    EXPECT_EQ(CurrentValue(store, "ID"), rtl::Variant(3)); // the row current before
    EXPECT_FALSE(store.UpdatesPending());
    EXPECT_EQ(Ids(store), (std::vector<int64_t>{1, 31, 3}));

    store.ApplyUpdates(); // applied changes are passed over
    EXPECT_EQ(calls.size(), 3u);
    store.CommitUpdates();
    EXPECT_EQ(store.CachedItemCount(), 0);
    int items = 0;
    for (PItemHeader item = store.FirstItem(); item; item = item->Next, ++items)
        EXPECT_EQ(item->Status, isUnmodified);
    EXPECT_EQ(items, 3); // the deleted row left the list
    EXPECT_EQ(Ids(store), (std::vector<int64_t>{1, 31, 3}));
    ExpectConsistentNumbers(store);
}

TEST_F(MemDataTest, SuspendedChangesShareTheResultOfTheNextOne) {
    Fill(3);
    store.SetCachedUpdates(true);
    for (int id = 1; id <= 3; ++id) {
        GoToId(store, id);
        EditName("c" + std::to_string(id));
    }
    std::vector<TUpdateRecAction> answers = {urSuspended, urSuspended, urApplied};
    std::vector<int64_t> order;
    size_t call = 0;
    store.OnApplyRecord = [&](TUpdateRecKind, TUpdateRecAction& action, bool) {
        order.push_back(CurrentValue(store, "ID").AsInt64());
        action = answers[call++];
    };
    store.ApplyUpdates();
    EXPECT_EQ(order, (std::vector<int64_t>{1, 2, 3}));
    for (int id = 1; id <= 3; ++id) {
        GoToId(store, id);
        EXPECT_EQ(store.GetUpdateResult(), urApplied) << id;
    }
}

TEST_F(MemDataTest, RetryRepeatsFromTheStartOfTheSuspendedRun) {
    Fill(4);
    store.SetCachedUpdates(true);
    for (int id = 1; id <= 4; ++id) {
        GoToId(store, id);
        EditName("c" + std::to_string(id));
    }
    std::vector<TUpdateRecAction> answers = {urRetry, urApplied,   urSuspended, urSuspended,
                                             urRetry, urSuspended, urSuspended, urApplied};
    std::vector<int64_t> order;
    size_t call = 0;
    store.OnApplyRecord = [&](TUpdateRecKind, TUpdateRecAction& action, bool) {
        order.push_back(CurrentValue(store, "ID").AsInt64());
        action = answers[call++];
    };
    store.ApplyUpdates();
    // Row 1 alone is repeated; rows 2-4 are repeated as a run from its start.
    EXPECT_EQ(order, (std::vector<int64_t>{1, 1, 2, 3, 4, 2, 3, 4}));
    EXPECT_FALSE(store.UpdatesPending());
}

TEST_F(MemDataTest, FailuresAndSkippedChangesStayPending) {
    Fill(3);
    store.SetCachedUpdates(true);
    GoToId(store, 1);
    EditName("c1");
    GoToId(store, 2);
    EditName("c2");
    store.OnApplyRecord = [&](TUpdateRecKind, TUpdateRecAction& action, bool) {
        if (CurrentValue(store, "ID").AsInt64() == 2) throw rtl::Exception("server error");
        action = urApplied;
    };
    GoToId(store, 3);
    EXPECT_THROW(store.ApplyUpdates(), rtl::Exception);
    EXPECT_EQ(CurrentValue(store, "ID"), rtl::Variant(2)); // the failing row stays current
    EXPECT_TRUE(store.UpdatesPending());
    store.OnApplyRecord = [](TUpdateRecKind, TUpdateRecAction& action, bool) { action = urSkip; };
    store.CommitUpdates();
    EXPECT_EQ(store.CachedItemCount(), 1); // the skipped change stays in the cache
    EXPECT_EQ(store.GetUpdateResult(), urSkip);
    store.ResetUpdateResults();
    EXPECT_EQ(store.GetUpdateResult(), urNone);
    EXPECT_EQ(Names(), (std::vector<std::string>{"c1", "c2", "n3"}));
}

TEST_F(MemDataTest, ApplyStopsWhenTheHookClosesTheStore) {
    Fill(3);
    store.SetCachedUpdates(true);
    GoToId(store, 1);
    EditName("c1");
    GoToId(store, 2);
    EditName("c2");
    int calls = 0;
    store.OnApplyRecord = [&](TUpdateRecKind, TUpdateRecAction& action, bool) {
        ++calls;
        action = urApplied;
        store.Close();
    };
    store.ApplyUpdates();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(store.Active());
    EXPECT_EQ(store.GetRecordCount(), 0);
}

TEST_F(MemDataTest, SwitchingCachedUpdatesOffCancelsThem) {
    Fill(2);
    store.SetCachedUpdates(true);
    GoToId(store, 1);
    EditName("changed");
    store.SetCachedUpdates(false);
    EXPECT_EQ(Names(), (std::vector<std::string>{"n1", "n2"}));
    EXPECT_EQ(store.CachedItemCount(), 0);
}

TEST_F(MemDataTest, RemoveCurrentItemNeedsNoServer) {
    Fill(4);
    store.OnDeleteRecord = [] { FAIL() << "no server delete"; };
    GoToId(store, 2);
    store.RemoveCurrentItem();
    store.SetCachedUpdates(true);
    InsertBefore(3, 30);
    store.RemoveCurrentItem();
    EXPECT_EQ(store.CachedItemCount(), 0);
    GoToId(store, 4);
    EditName("changed");
    store.RemoveCurrentItem();
    EXPECT_EQ(store.CachedItemCount(), 0);
    EXPECT_EQ(Ids(store), (std::vector<int64_t>{1, 3}));
    ExpectConsistentNumbers(store);
}

TEST_F(MemDataTest, FreeDataReleasesEverything) {
    // Values of every kind, some of them large enough for the general allocator, under cached updates.
    TestStore wide({{"ID", dtInt32}, {"H", dtExtString}, {"V", dtVariant}, {"M", dtWideMemo}});
    for (int id = 1; id <= 30; ++id)
        AddRow(wide, {id, std::string(id % 3 == 0 ? 5000 : 10, 'x'), id, u"memo"});
    wide.SetCachedUpdates(true);
    GoToId(wide, 3);
    {
        Buffer record(wide);
        wide.GetRecord(record);
        wide.EditRecord(record);
        wide.WriteFieldAsVariant(2, record, std::string(6000, 'y'));
        wide.WriteFieldAsVariant(3, record, "v");
        const std::string memo = "changed";
        wide.WriteBlob(4, record, 0, static_cast<uint32_t>(memo.size()), memo.data());
        wide.PostEditedRecord(record);
    }
    EXPECT_EQ(CurrentValue(wide, "H").AsString().size(), 6000u);
    wide.Close(); // leaks or double frees show up under the sanitizers
    EXPECT_EQ(wide.GetRecordCount(), 0);
    EXPECT_EQ(wide.FirstItem(), nullptr);
}

} // namespace
} // namespace dataaccess
