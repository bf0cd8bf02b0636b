#include "dataaccess/mysql/uMyParser.h"
#include "dataaccess/mysql/uMyTableInfo.h"
#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/server/uCRConnection.h"
#include "dataaccess/server/uCRRecordSet.h"
#include "dataaccess/server/uCRTransaction.h"
#include "platform/rtl/Exception.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace dataaccess {
namespace {

using ::testing::ElementsAre;

// A command over a numbered row source: executing opens a cursor over rows 1..rowCount, which the
// record set reads in blocks.
class TRowsCommand : public TCRCommand {
public:
    bool GetPrepared() const override { return prepared; }
    void Prepare() override {
        prepared = true;
        TCRCommand::Prepare();
    }
    void Unprepare() override {
        prepared = false;
        TCRCommand::Unprepare();
    }
    void Execute(int) override {
        ++executeCount;
        if (failExecute) {
            SetCursorState(csExecuted);
            throw EDAError(1064, "You have an error in your SQL syntax");
        }
        nextRow = 1;
        SetCursorState(csExecuted);
    }
    TCursorState GetCursorState() const override { return cursorState; }
    void SetCursorState(TCursorState value) override { cursorState = value; }
    const TTableInfoClass& GetTableInfoClass() const override { return TMyTableInfo::Class(); }
    TSQLParserClass GetParserClass() const override {
        return [](std::string text) -> std::unique_ptr<TSQLParser> {
            return std::make_unique<TMyParser>(std::move(text));
        };
    }
    std::string CreateProcCall(const std::string&, bool) override { return ""; }

    int rowCount = 60;
    int nextRow = 1;
    int executeCount = 0;
    bool failExecute = false;
    bool prepared = false;
    TCursorState cursorState = csInactive;
};

// Reads the command's rows into one integer field "ID", a block of FetchRows at a time. In
// unidirectional mode a block replaces the one before, as the server record set reuses it.
class TRowsRecordSet : public TCRRecordSet {
public:
    TRowsRecordSet() : TCRRecordSet(std::make_unique<TRowsCommand>()) { SetProp(prFetchRows, 10); }

    TRowsCommand& Source() const { return static_cast<TRowsCommand&>(*Command()); }

    bool Fetch() override {
        TRowsCommand& source = Source();
        if (IsFetchComplete()) return false;
        if (source.cursorState == csExecuted) source.cursorState = csFetching;
        bool cancel = false;
        DoBeforeFetch(cancel);
        if (cancel) return false;
        ++fetchCount;
        if (UniDirectional() && FirstItem()) FreeData();
        PItemHeader first = nullptr;
        void* buffer = NewRecordBuffer();
        for (int i = 0; i < FetchRows() && source.nextRow <= source.rowCount; ++i) {
            InitRecord(buffer);
            WriteFieldAsVariant(1, buffer, source.nextRow++);
            const PItemHeader item = BlockManager().TakeItem();
            BlockManager().PutItemRecord(item, buffer);
            LinkItem(item, nullptr);
            if (!first) first = item;
        }
        DisposeRecordBuffer(buffer);
        if (source.nextRow > source.rowCount) source.cursorState = csFetched;
        if (first) NumberNewItems(first, false, true);
        DoAfterFetch();
        return first != nullptr;
    }

    // The ID of the current row after moving forward; 0 at the end.
    int Next() {
        GetNextRecord(nullptr);
        return CurrentId();
    }
    int CurrentId() {
        if (!CurrentItem()) return 0;
        return static_cast<int>(ReadFieldAsVariant(1, BlockManager().ItemRecord(CurrentItem())).AsInt64());
    }
    int FirstId() {
        return static_cast<int>(ReadFieldAsVariant(1, BlockManager().ItemRecord(FirstItem())).AsInt64());
    }

    int fetchCount = 0;

protected:
    void InternalInitFields() override {
        auto field = GetFieldDescClass()();
        field->FieldName = field->ServerName = "ID";
        field->TypeCode = dtInt32;
        field->ByteSize = 4;
        Fields().Add(std::move(field));
    }
};

class CRRecordSetTest : public ::testing::Test {
protected:
    TRowsRecordSet recordSet;
};

TEST_F(CRRecordSetTest, RowsAreFetchedOnDemandInBlocks) {
    recordSet.Open();
    EXPECT_EQ(recordSet.Source().executeCount, 1);
    EXPECT_EQ(recordSet.fetchCount, 1);
    EXPECT_EQ(recordSet.GetRecordCount(), 10);

    std::vector<int> ids;
    for (int id = recordSet.Next(); id != 0; id = recordSet.Next()) {
        ids.push_back(id);
        // A block is read only when the rows before it are used up.
        EXPECT_EQ(recordSet.GetRecordCount(), (id + 9) / 10 * 10) << id;
    }
    ASSERT_EQ(ids.size(), 60u);
    EXPECT_EQ(ids.front(), 1);
    EXPECT_EQ(ids.back(), 60);
    EXPECT_EQ(recordSet.fetchCount, 6);
    EXPECT_TRUE(recordSet.IsEof());
    EXPECT_TRUE(recordSet.IsFetchComplete());

    // Bidirectional reading keeps every row.
    recordSet.GetPriorRecord(nullptr);
    EXPECT_EQ(recordSet.CurrentId(), 60);
    EXPECT_EQ(recordSet.FirstId(), 1);
}

TEST_F(CRRecordSetTest, UniDirectionalReadingKeepsOneBlock) {
    recordSet.SetProp(prUniDirectional, true);
    recordSet.Open();
    for (int expected = 1; expected <= 15; ++expected)
        ASSERT_EQ(recordSet.Next(), expected);
    EXPECT_EQ(recordSet.GetRecordCount(), 10);
    EXPECT_EQ(recordSet.FirstId(), 11);
    EXPECT_EQ(recordSet.FirstItem()->Prev, nullptr);
    EXPECT_EQ(recordSet.LastItem()->Next, nullptr);

    // Going back leaves the reader at the beginning without a row.
    recordSet.GetPriorRecord(nullptr);
    EXPECT_TRUE(recordSet.IsBof());
    EXPECT_EQ(recordSet.CurrentItem(), nullptr);

    int last = 0;
    for (int id = recordSet.Next(); id != 0; id = recordSet.Next())
        last = id;
    EXPECT_EQ(last, 60);
    EXPECT_TRUE(recordSet.IsEof());
}

TEST_F(CRRecordSetTest, FetchAllOptionAndItsLock) {
    rtl::Variant value;
    recordSet.SetProp(prFetchAll, true);
    recordSet.SetProp(prUniDirectional, true);
    recordSet.GetProp(prFetchAll, value);
    EXPECT_EQ(value, rtl::Variant(false));
    recordSet.SetProp(prFetchAll, true);
    recordSet.GetProp(prFetchAll, value);
    EXPECT_EQ(value, rtl::Variant(false));

    recordSet.SetProp(prUniDirectional, false);
    recordSet.SetProp(prLockFetchAll, true);
    recordSet.SetProp(prFetchAll, true);
    EXPECT_FALSE(recordSet.FetchAllOption());
    recordSet.SetProp(prLockFetchAll, false);
    recordSet.SetProp(prFetchAll, true);
    EXPECT_TRUE(recordSet.FetchAllOption());

    recordSet.Open();
    EXPECT_EQ(recordSet.GetRecordCount(), 60);
    EXPECT_EQ(recordSet.fetchCount, 6);
}

TEST_F(CRRecordSetTest, LocalSortingFetchesAllRowsFirst) {
    recordSet.Open();
    recordSet.SetProp(prIndexFieldNames, "");
    EXPECT_EQ(recordSet.GetRecordCount(), 10);
    recordSet.SetProp(prIndexFieldNames, "ID DESC");
    EXPECT_EQ(recordSet.GetRecordCount(), 60);
    EXPECT_EQ(recordSet.FirstId(), 60);
    EXPECT_EQ(recordSet.Next(), 60);
}

TEST_F(CRRecordSetTest, BreakFetchCancelsTheNextBlockUnlessTheEventSaysOtherwise) {
    recordSet.Open();
    std::vector<bool> seen;
    recordSet.OnBeforeFetch = [&](TCRRecordSet& sender, bool& cancel) {
        EXPECT_EQ(&sender, &recordSet);
        seen.push_back(cancel);
    };
    int afterFetch = 0;
    recordSet.OnAfterFetch = [&](TCRRecordSet&) { ++afterFetch; };

    recordSet.BreakFetch();
    recordSet.Source().cursorState = csFetchingAll;
    EXPECT_FALSE(recordSet.Fetch());
    EXPECT_EQ(recordSet.Source().cursorState, csFetching);

    recordSet.OnBeforeFetch = [&](TCRRecordSet&, bool& cancel) { cancel = false; };
    EXPECT_TRUE(recordSet.Fetch());
    EXPECT_THAT(seen, ElementsAre(true));
    EXPECT_EQ(afterFetch, 1);
}

TEST_F(CRRecordSetTest, FailedExecutionLeavesTheCommandInactive) {
    recordSet.Source().failExecute = true;
    EXPECT_THROW(recordSet.Open(), EDAError);
    EXPECT_FALSE(recordSet.Active());
    EXPECT_EQ(recordSet.Source().cursorState, csInactive);

    // A prepared record set stays prepared.
    recordSet.Prepare();
    EXPECT_THROW(recordSet.Open(), EDAError);
    EXPECT_TRUE(recordSet.Source().prepared);
    EXPECT_TRUE(recordSet.Prepared());
}

TEST_F(CRRecordSetTest, EndOfDataStaysOnlyWhenTheCommandHasNoMoreRows) {
    recordSet.Open();
    recordSet.SetFilterText("ID > 100");
    recordSet.FilterUpdated();
    EXPECT_FALSE(recordSet.IsEof());
    recordSet.GetNextRecord(nullptr);
    EXPECT_TRUE(recordSet.IsEof());
    EXPECT_EQ(recordSet.fetchCount, 6);
    EXPECT_EQ(recordSet.GetRecordCount(), 0);
    EXPECT_TRUE(recordSet.FilterUpdated());
    EXPECT_TRUE(recordSet.IsEof());
}

TEST_F(CRRecordSetTest, ConnectionOptionsReachTheRecordSet) {
    class TOptionsConnection : public TCRConnection {
    public:
        TCRTransactionClass GetTransactionClass() const override { return &TCRTransaction::Create; }
        void Disconnect() override {}
        void AssignConnect(TCRConnection*) override {}
        void CheckIsValid() override {}
        std::string GetServerVersion() override { return ""; }
        std::string GetServerVersionFull() override { return ""; }
        std::string GetClientVersion() override { return ""; }
    } connection;

    bool descending = true;
    TSortType sortType = stBinary;
    recordSet.GetSortDefaults(descending, sortType);
    EXPECT_FALSE(descending);
    EXPECT_EQ(sortType, stCaseSensitive);
    EXPECT_FALSE(recordSet.GetConvertLineBreaks());

    connection.SetProp(prDefaultSortType, static_cast<int>(stCaseInsensitive));
    connection.SetProp(prConvertEOL, true);
    recordSet.SetConnection(&connection);
    EXPECT_EQ(recordSet.Command()->Connection(), &connection);
    recordSet.GetSortDefaults(descending, sortType);
    EXPECT_EQ(sortType, stCaseInsensitive);
    EXPECT_TRUE(recordSet.GetConvertLineBreaks());
}

TEST_F(CRRecordSetTest, PropertiesReachTheStoreAndTheCommand) {
    recordSet.SetProp(prCompressBlobMode, static_cast<int>(cbServer));
    EXPECT_EQ(recordSet.Command()->CompressBlobMode(), cbServer);
    recordSet.SetProp(prEnableEmptyStrings, true);
    EXPECT_TRUE(recordSet.EnableEmptyStrings());
    recordSet.SetProp(prLongStrings, false);
    recordSet.SetProp(prFlatBuffers, false);
    EXPECT_FALSE(recordSet.LongStrings());
    EXPECT_FALSE(recordSet.FlatBuffers());
    EXPECT_TRUE(recordSet.SetProp(prReadOnly, true));
    recordSet.SetSQL("select :a");
    EXPECT_EQ(recordSet.Command()->SQL(), "select ?");
    EXPECT_THROW(recordSet.SetProp(1005, true), rtl::EAssertionFailed);
    rtl::Variant value;
    EXPECT_THROW(recordSet.GetProp(prUniDirectional, value), rtl::EAssertionFailed);
}

TEST_F(CRRecordSetTest, UnprepareForgetsTheTables) {
    recordSet.Prepare();
    recordSet.TablesInfo().NewItem()->SetTableName("orders");
    recordSet.Unprepare();
    EXPECT_EQ(recordSet.TablesInfo().Count(), 0);
    EXPECT_FALSE(recordSet.Source().prepared);

    recordSet.Prepare();
    recordSet.ResetForNewSQL();
    EXPECT_FALSE(recordSet.Prepared());
    EXPECT_FALSE(recordSet.Source().prepared);
}

TEST(CRFieldDescTest, QuotedActualNamesFollowTheTablesRules) {
    TRowsRecordSet recordSet;
    TCRTablesInfo tables(TCRTableInfo::Class());
    TCRFieldDesc withTable;
    withTable.ServerName = "my col";
    withTable.SetTableInfo(tables.NewItem());
    EXPECT_EQ(withTable.GetActualNameQuoted(recordSet, false), "\"my col\"");

    // Without a table the record set's rules apply; the answer is kept.
    TCRFieldDesc expression;
    expression.ServerName = "id";
    EXPECT_EQ(expression.GetActualNameQuoted(recordSet, false), "id");
    EXPECT_EQ(expression.GetActualNameQuoted(recordSet, true), "`id`");
    expression.ServerName = "other";
    EXPECT_EQ(expression.GetActualNameQuoted(recordSet, true), "`id`");
}

} // namespace
} // namespace dataaccess
