#include "components/uDAUpdateSQL.h"
#include "components/uDBAccessUtils.h"
#include "components/uMyCommand.h"
#include "components/uMyConnection.h"
#include "components/uMyQuery.h"
#include "components/uMyUpdateSQL.h"
#include "ComponentsTestSupport.h"
#include "platform/data/DataLink.h"
#include "platform/rtl/Threads.h"
#include "support/ErrorText.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace components {
namespace {

using testing::NewConnection;
using testsupport::ErrorMessageOf;
using testsupport::RawSession;

// Serves the UI thread's queue (timer ticks) until `until` has passed since `start`.
void PumpUntil(std::chrono::steady_clock::time_point start, std::chrono::milliseconds until) {
    while (std::chrono::steady_clock::now() - start < until)
        rtl::CheckSynchronize(10);
}

// Links a detail to the table's id by its m column, without parameters.
void LinkByFields(TMyQuery& detail) {
    detail.SetMasterFields("id");
    detail.SetDetailFields("m");
}

// Editing a query over a table of its own: t (id auto-increment key, name), and k without a key.
class MyQueryEditingTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings = VELTRANE_REQUIRE_SERVER();
        const std::string suffix = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        table = "Edit_" + suffix;
        keyless = "EditK_" + suffix;
        raw = std::make_unique<RawSession>(settings, settings.database);
        raw->Execute("DROP TABLE IF EXISTS " + table + ", " + keyless);
        raw->Execute("CREATE TABLE " + table +
                     " (id INT AUTO_INCREMENT PRIMARY KEY, name VARCHAR(20)) ENGINE=InnoDB");
        raw->Execute("INSERT INTO " + table + " (name) VALUES ('a'), ('b'), ('c')");
        raw->Execute("CREATE TABLE " + keyless + " (name VARCHAR(20)) ENGINE=InnoDB");
        raw->Execute("INSERT INTO " + keyless + " VALUES ('dup'), ('dup'), ('one')");
        connection = NewConnection(settings);
        query = std::make_unique<TMyQuery>();
        query->SetName("Q");
        query->SetConnection(connection.get());
    }

    // Opens the table as the master and a detail query over the keyless table, made again with these
    // columns and rows; `configure` readies the detail before it gets its master and opens.
    TMyQuery& OpenMasterDetail(const std::string& columns, const std::string& rows, const std::string& sql,
                               const std::function<void(TMyQuery&)>& configure = {}) {
        raw->Execute("DROP TABLE IF EXISTS " + keyless);
        raw->Execute("CREATE TABLE " + keyless + " (" + columns + ")");
        raw->Execute("INSERT INTO " + keyless + " VALUES " + rows);
        OpenTable();
        masterSource = std::make_unique<data::TDataSource>(nullptr);
        masterSource->SetDataSet(query.get());
        detail = std::make_unique<TMyQuery>();
        detail->SetConnection(connection.get());
        detail->SetSQL(sql);
        if (configure) configure(*detail);
        detail->SetMasterSource(masterSource.get());
        detail->Open();
        return *detail;
    }

    void TearDown() override {
        detail.reset();
        masterSource.reset();
        query.reset();
        connection.reset();
        if (raw) raw->Execute("DROP TABLE IF EXISTS " + table + ", " + keyless);
    }

    void OpenTable() {
        query->SetSQL("SELECT id, name FROM " + table + " ORDER BY id");
        query->Open();
    }

    std::string Names() {
        std::string result;
        for (const auto& row : raw->Query("SELECT name FROM " + table + " ORDER BY id"))
            result += (result.empty() ? "" : ",") + row[0].value_or("NULL");
        return result;
    }

    testsupport::ServerSettings settings;
    std::string table, keyless;
    std::unique_ptr<RawSession> raw;
    std::unique_ptr<TMyConnection> connection;
    std::unique_ptr<TMyQuery> query;
    std::unique_ptr<data::TDataSource> masterSource;
    std::unique_ptr<TMyQuery> detail;
};

TEST_F(MyQueryEditingTest, PostsUpdateInsertWithIdentityAndDelete) {
    OpenTable();
    query->Next();
    query->Edit();
    query->FieldByName("name")->SetAsString("B2");
    query->Post();
    EXPECT_EQ(Names(), "a,B2,c");

    query->Append();
    query->FieldByName("name")->SetAsString("d");
    query->Post();
    EXPECT_EQ(query->FieldByName("id")->AsInteger(), 4);
    EXPECT_EQ(raw->Scalar("SELECT name FROM " + table + " WHERE id = 4"), "d");

    query->First();
    query->Delete();
    EXPECT_EQ(Names(), "B2,c,d");
    EXPECT_EQ(query->RecordCount(), 3);
}

TEST_F(MyQueryEditingTest, AccessUtilsReachTheUpdateQueryOfTheLastStatement) {
    OpenTable();
    EXPECT_EQ(TDBAccessUtils::UpdateQuery(query.get()), nullptr);
    query->Edit();
    query->FieldByName("name")->SetAsString("A2");
    query->Post();
    const auto* update = dynamic_cast<TCustomDADataSet*>(TDBAccessUtils::UpdateQuery(query.get()));
    ASSERT_NE(update, nullptr);
    EXPECT_EQ(update->SQL().Text().rfind("UPDATE", 0), 0u) << update->SQL().Text();
}

TEST_F(MyQueryEditingTest, StrictUpdateRefusesAChangeThatMatchesNoRow) {
    OpenTable();
    raw->Execute("DELETE FROM " + table + " WHERE id = 1");
    query->Edit();
    query->FieldByName("name")->SetAsString("gone");
    EXPECT_EQ(ErrorMessageOf([&] { query->Post(); }), "Update failed. Found 0 records");
    query->Cancel();
    query->Options().SetStrictUpdate(false);
    query->Edit();
    query->FieldByName("name")->SetAsString("gone");
    query->Post();
    EXPECT_EQ(Names(), "b,c");
}

// Without a key the row is identified by its values; two equal rows are refused before anything runs.
TEST_F(MyQueryEditingTest, KeylessChangeOfADuplicateIsRefusedBeforeItRuns) {
    query->SetSQL("SELECT name FROM " + keyless + " ORDER BY name");
    query->Open();
    query->Edit();
    query->FieldByName("name")->SetAsString("x");
    EXPECT_EQ(ErrorMessageOf([&] { query->Post(); }), "Update failed. Found 2 records");
    query->Cancel();
    EXPECT_EQ(raw->Scalar("SELECT COUNT(*) FROM " + keyless + " WHERE name = 'dup'"), "2");
    EXPECT_EQ(ErrorMessageOf([&] { query->Delete(); }), "Update failed. Found 2 records");
    EXPECT_EQ(raw->Scalar("SELECT COUNT(*) FROM " + keyless), "3");
    query->Last();
    query->Edit();
    query->FieldByName("name")->SetAsString("single");
    query->Post();
    EXPECT_EQ(raw->Scalar("SELECT COUNT(*) FROM " + keyless + " WHERE name = 'single'"), "1");
}

// A user's update text that hits several rows is rolled back, not reported after commit.
TEST_F(MyQueryEditingTest, StrictUpdateChecksBeforeCommit) {
    rtl::TStringList lines;
    lines.SetText("UPDATE " + table + " SET name = :name WHERE id >= :OLD_id");
    query->SetUpdateSQL(stUpdate, lines);
    OpenTable();
    query->Edit();
    query->FieldByName("name")->SetAsString("z");
    EXPECT_EQ(ErrorMessageOf([&] { query->Post(); }), "Update failed. Found 3 records");
    query->Cancel();
    EXPECT_EQ(Names(), "a,b,c");
}

TEST_F(MyQueryEditingTest, RefreshOfTwoRowsFails) {
    rtl::TStringList lines;
    lines.SetText("WHERE id <= 2");
    query->SetUpdateSQL(stRefresh, lines);
    OpenTable();
    EXPECT_EQ(ErrorMessageOf([&] { query->RefreshRecord(); }), "Refresh failed. Found 2 records");
    raw->Execute("UPDATE " + table + " SET name = 'A' WHERE id = 1");
    lines.SetText("WHERE id = :id");
    query->SetUpdateSQL(stRefresh, lines);
    OpenTable();
    raw->Execute("UPDATE " + table + " SET name = 'A2' WHERE id = 1");
    query->RefreshRecord();
    EXPECT_EQ(query->FieldByName("name")->AsString(), "A2");
}

// OLD_id takes the value the key had before the edit.
TEST_F(MyQueryEditingTest, OldPrefixedParameterTakesTheOldValue) {
    rtl::TStringList lines;
    lines.SetText("UPDATE " + table + " SET id = :id, name = :name WHERE id = :OLD_id");
    query->SetUpdateSQL(stUpdate, lines);
    OpenTable();
    query->FieldByName("id")->SetReadOnly(false);
    query->Edit();
    query->FieldByName("id")->SetAsInteger(10);
    query->FieldByName("name")->SetAsString("ten");
    query->Post();
    EXPECT_EQ(raw->Scalar("SELECT name FROM " + table + " WHERE id = 10"), "ten");
    EXPECT_EQ(raw->Scalar("SELECT COUNT(*) FROM " + table + " WHERE id = 1"), "0");
}

TEST_F(MyQueryEditingTest, CachedChangesRunInBatchesOfUpdateBatchSize) {
    query->SetCachedUpdates(true);
    query->Options().SetUpdateBatchSize(3);
    OpenTable();
    int batches = 0;
    query->AfterUpdateExecute = [&](TCustomDADataSet*, TStatementTypes types, TDAParams&) {
        if (types.Contains(stBatchUpdate)) ++batches;
    };
    for (int i = 0; i < 3; ++i) {
        query->Edit();
        query->FieldByName("name")->SetAsString("n" + std::to_string(i));
        query->Post();
        query->Next();
    }
    for (const char* name : {"x", "y"}) {
        query->Append();
        query->FieldByName("name")->SetAsString(name);
        query->Post();
    }
    EXPECT_EQ(Names(), "a,b,c");
    query->ApplyUpdates();
    EXPECT_EQ(batches, 2);
    EXPECT_EQ(Names(), "n0,n1,n2,x,y");
}

TEST_F(MyQueryEditingTest, ApplyUpdatesNeedsAConnection) {
    TMyQuery loose;
    loose.SetCachedUpdates(true);
    EXPECT_EQ(ErrorMessageOf([&] { loose.ApplyUpdates(); }), "Connection is not defined");
}

// A pessimistic lock holds the row: a second session waits for it and gives up.
TEST_F(MyQueryEditingTest, PessimisticLockBlocksASecondSession) {
    query->SetLockMode(lmPessimistic);
    OpenTable();
    query->Edit();
    raw->Execute("SET SESSION innodb_lock_wait_timeout = 1");
    EXPECT_ANY_THROW(raw->Execute("UPDATE " + table + " SET name = 'other' WHERE id = 1"));
    query->FieldByName("name")->SetAsString("mine");
    query->Post();
    EXPECT_EQ(Names(), "mine,b,c");
    raw->Execute("UPDATE " + table + " SET name = 'free' WHERE id = 1");
}

TEST_F(MyQueryEditingTest, LockSeesAChangeByAnotherUser) {
    OpenTable();
    raw->Execute("UPDATE " + table + " SET name = 'other' WHERE id = 1");
    EXPECT_EQ(ErrorMessageOf([&] { query->Lock(); }), "Record was changed by another user");
    query->SetFetchAll(false);
    OpenTable();
    EXPECT_EQ(ErrorMessageOf([&] { query->Lock(); }), "Lock is not compatible with FetchAll = False");
}

// QueryRecCount: a query that reads in blocks knows the server's row count before it has them all,
// and asks again on refresh, when another session's rows count too.
TEST_F(MyQueryEditingTest, QueryRecCountGivesTheServersCountBeforeAllRowsArrive) {
    raw->Execute("INSERT INTO " + table + " (name) VALUES ('d'), ('e')");
    query->Options().SetCreateConnection(false);
    query->SetFetchAll(false);
    query->SetFetchRows(2);
    query->SetSQL("SELECT id, name FROM " + table + " WHERE id > :low ORDER BY id LIMIT 10");
    query->FindParam("low")->SetAsInteger(1);
    query->Open();
    EXPECT_EQ(query->RecordCount(), 2);
    query->Close();
    query->Options().SetQueryRecCount(true);
    query->Open();
    EXPECT_EQ(query->RecordCount(), 4);
    raw->Execute("INSERT INTO " + table + " (name) VALUES ('f')");
    query->Refresh();
    EXPECT_EQ(query->RecordCount(), 5);
    query->Last();
    EXPECT_EQ(query->RecordCount(), 5);
    query->Close();
    query->SetFetchAll(true);
    query->Open();
    EXPECT_EQ(query->RecordCount(), 5);
}

// Whether a query can be edited: its columns, its update texts or objects, and the read-only modes.
TEST_F(MyQueryEditingTest, CanModifyFollowsColumnsUpdateTextsAndObjects) {
    query->Options().SetSetFieldsReadOnly(true);
    query->SetSQL("SELECT 1 AS x, 'a' AS y");
    query->Open();
    EXPECT_FALSE(query->CanModify());
    EXPECT_EQ(ErrorMessageOf([&] { query->Edit(); }), "Q: Cannot modify a read-only dataset");
    query->Close();
    rtl::TStringList lines;
    lines.SetText("UPDATE " + table + " SET name = :y WHERE id = :x");
    query->SetUpdateSQL(stUpdate, lines);
    query->Open();
    EXPECT_TRUE(query->CanModify());
    query->Close();
    query->SetUpdateSQL(stUpdate, rtl::TStringList());
    TMyUpdateSQL update;
    query->SetUpdateObject(&update);
    query->Open();
    EXPECT_TRUE(query->CanModify());
    query->Close();
    query->SetUpdateObject(nullptr);

    OpenTable();
    EXPECT_TRUE(query->CanModify());
    query->Close();
    query->SetReadOnly(true);
    OpenTable();
    EXPECT_FALSE(query->CanModify());
    query->Close();
    query->SetReadOnly(false);
    query->SetUniDirectional(true);
    OpenTable();
    EXPECT_FALSE(query->CanModify());
}

// Refresh keeps the cursor on the key it was on, wherever another session's changes move that row.
TEST_F(MyQueryEditingTest, RefreshStaysOnTheKeyOfTheCurrentRecord) {
    query->SetSQL("SELECT id, name FROM " + table + " ORDER BY name");
    query->Open();
    query->Next();
    ASSERT_EQ(query->FieldByName("id")->AsInteger(), 2);
    raw->Execute("UPDATE " + table + " SET name = 'z' WHERE id = 2");
    int scrolls = 0;
    query->AfterScroll = [&](data::TDataSet*) { ++scrolls; };
    query->Refresh();
    EXPECT_EQ(query->FieldByName("id")->AsInteger(), 2);
    EXPECT_EQ(query->FieldByName("name")->AsString(), "z");
    EXPECT_EQ(query->RecNo(), 3);
    EXPECT_EQ(scrolls, 1);
    raw->Execute("DELETE FROM " + table + " WHERE id = 2");
    query->Refresh();
    EXPECT_EQ(query->FieldByName("id")->AsInteger(), 1);
    EXPECT_EQ(query->RecNo(), 1);
}

// A quick refresh re-reads only rows whose TIMESTAMP is at least the newest one held, and with the
// deleted check drops the rows another session removed.
TEST_F(MyQueryEditingTest, RefreshQuickMergesChangedRowsAndDropsDeletedOnes) {
    raw->Execute("ALTER TABLE " + table +
                 " ADD ts TIMESTAMP NOT NULL DEFAULT CURRENT_TIMESTAMP ON UPDATE CURRENT_TIMESTAMP");
    raw->Execute("UPDATE " + table + " SET ts = CONCAT('2020-01-0', id)");
    query->SetSQL("SELECT id, name, ts FROM " + table + " ORDER BY id");
    query->Open();
    query->Next();
    raw->Execute("UPDATE " + table + " SET name = 'A' WHERE id = 1");
    raw->Execute("INSERT INTO " + table + " (name) VALUES ('d')");
    raw->Execute("DELETE FROM " + table + " WHERE id = 3");
    int refreshes = 0;
    query->AfterRefresh = [&](data::TDataSet*) { ++refreshes; };
    query->RefreshQuick(false);
    EXPECT_EQ(refreshes, 1);
    // Rows 1 and 4 are new since 2020-01-03; row 3 still shows until the deleted check.
    EXPECT_EQ(query->RowsAffected(), 2);
    EXPECT_EQ(query->RecordCount(), 4);
    EXPECT_EQ(query->FieldByName("id")->AsInteger(), 2);
    query->First();
    EXPECT_EQ(query->FieldByName("name")->AsString(), "A");
    query->Last();
    EXPECT_EQ(query->FieldByName("name")->AsString(), "d");
    EXPECT_FALSE(query->FieldByName("ts")->IsNull());

    query->First();
    query->Next();
    raw->Execute("UPDATE " + table + " SET name = 'B' WHERE id = 2");
    query->RefreshQuick(true);
    EXPECT_EQ(query->RecordCount(), 3);
    EXPECT_EQ(query->FieldByName("id")->AsInteger(), 2);
    EXPECT_EQ(query->FieldByName("name")->AsString(), "B");
    std::string ids;
    for (query->First(); !query->Eof(); query->Next())
        ids += query->FieldByName("id")->AsString();
    EXPECT_EQ(ids, "124");
    // Nothing changed: the rows of the newest second are read again, the store stays as it is.
    query->RefreshQuick(true);
    EXPECT_EQ(query->RecordCount(), 3);
}

TEST_F(MyQueryEditingTest, RefreshQuickNeedsAKeyAndARowVersion) {
    query->SetSQL("SELECT name FROM " + keyless);
    query->Open();
    EXPECT_EQ(ErrorMessageOf([&] { query->RefreshQuick(false); }), "Unique keyfields required");
    OpenTable();
    EXPECT_EQ(ErrorMessageOf([&] { query->RefreshQuick(false); }), "Timestamp field required");
}

TEST_F(MyQueryEditingTest, NonConstantDefaultsArriveInOneSelect) {
    OpenTable();
    query->FieldByName("name")->SetDefaultExpression("(0)");
    query->FieldByName("id")->SetReadOnly(false);
    query->FieldByName("id")->SetDefaultExpression("1 + 41");
    query->Append();
    EXPECT_EQ(query->FieldByName("name")->AsString(), "0");
    EXPECT_EQ(query->FieldByName("id")->AsInteger(), 42);
    query->Cancel();
}

TEST(UpdateSQLTest, ObjectSlotsTakeOnlyDataSetsAndCommandsOfOtherDataSets) {
    TMyQuery dataSet;
    TMyUpdateSQL update;
    dataSet.SetUpdateObject(&update);
    EXPECT_EQ(update.DataSet(), &dataSet);
    EXPECT_EQ(ErrorMessageOf([&] { update.SetModifyObject(&dataSet); }),
              "Circular references are not allowed between TCustomDADataset and TCustomDAUpdateSQL objects");
    TMyConnection foreign;
    EXPECT_EQ(ErrorMessageOf([&] { update.SetInsertObject(&foreign); }),
              "Only TCustomMyDataSet and TMyCommand objects are allowed in update properties");
    TMyCommand command;
    TMyQuery other;
    update.SetInsertObject(&command);
    update.SetRefreshObject(&other);
    EXPECT_EQ(update.InsertObject(), &command);
    TMyQuery second;
    second.SetUpdateObject(&update);
    EXPECT_EQ(dataSet.UpdateObject(), nullptr);
    EXPECT_EQ(update.DataSet(), &second);
}

TEST_F(MyQueryEditingTest, UpdateObjectTextsAndObjectsRunTheChange) {
    TMyUpdateSQL update;
    update.ModifySQL().SetText("UPDATE " + table + " SET name = CONCAT(:name, '!') WHERE id = :OLD_id");
    TMyCommand deleter;
    deleter.SetConnection(connection.get());
    deleter.SetSQL("DELETE FROM " + table + " WHERE id = :OLD_id");
    update.SetDeleteObject(&deleter);
    query->SetUpdateObject(&update);
    OpenTable();
    query->Edit();
    query->FieldByName("name")->SetAsString("a");
    query->Post();
    query->Last();
    query->Delete();
    EXPECT_EQ(Names(), "a!,b");
    TMyCommand empty;
    update.SetInsertObject(&empty);
    query->Append();
    query->FieldByName("name")->SetAsString("e");
    EXPECT_EQ(ErrorMessageOf([&] { query->Post(); }),
              "SQL property of InsertObject, ModifyObject, DeleteObject or RefreshObject cannot be empty");
    query->Cancel();
}

TEST_F(MyQueryEditingTest, DetailFollowsTheMasterByParameters) {
    TMyQuery& detail = OpenMasterDetail("m INT, v VARCHAR(5)", "(1, 'x'), (1, 'y'), (2, 'z')",
                                        "SELECT m, v FROM " + keyless + " WHERE m = :id");
    EXPECT_EQ(detail.RecordCount(), 2);
    query->Next();
    EXPECT_EQ(detail.RecordCount(), 1);
    EXPECT_EQ(detail.FieldByName("v")->AsString(), "z");

    data::TDataSource own(nullptr);
    own.SetDataSet(&detail);
    EXPECT_EQ(ErrorMessageOf([&] { query->SetMasterSource(&own); }), "Q: Circular datalinks are not allowed");
}

// A detail whose reopen fails still tells its listeners and gives its controls back.
TEST_F(MyQueryEditingTest, FailedDetailRefreshEndsCleanly) {
    TMyQuery& detail = OpenMasterDetail("m INT", "(1), (2)", "SELECT m FROM " + keyless + " WHERE m = :id");
    int refreshes = 0;
    detail.AfterRefresh = [&](data::TDataSet*) { ++refreshes; };
    raw->Execute("DROP TABLE " + keyless);
    const int connects = connection->ConnectCount();
    EXPECT_NE(ErrorMessageOf([&] { query->Next(); }).find("doesn't exist"), std::string::npos);
    EXPECT_EQ(refreshes, 1);
    EXPECT_FALSE(detail.ControlsDisabled());
    EXPECT_EQ(connection->ConnectCount(), connects);
}

// A local detail reads its rows once and shows those of the master's current record.
TEST_F(MyQueryEditingTest, LocalDetailFiltersItsRowsByTheMaster) {
    TMyQuery& detail =
        OpenMasterDetail("m VARCHAR(5), v VARCHAR(5)", "('1', 'x'), ('1', 'y'), ('2', 'z'), (NULL, 'n')",
                         "SELECT m, v FROM " + keyless + " ORDER BY v", [](TMyQuery& linked) {
                             linked.Options().SetLocalMasterDetail(true);
                             LinkByFields(linked);
                         });
    EXPECT_EQ(detail.FinalSQL(), "SELECT m, v FROM " + keyless + " ORDER BY v");
    EXPECT_EQ(detail.RecordCount(), 2);
    EXPECT_EQ(detail.FieldByName("v")->AsString(), "x");
    // Read once: a row added on the server later does not show.
    raw->Execute("INSERT INTO " + keyless + " VALUES ('2', 'w')");
    query->Next();
    EXPECT_EQ(detail.RecordCount(), 1);
    EXPECT_EQ(detail.FieldByName("v")->AsString(), "z");
    query->Next();
    EXPECT_EQ(detail.RecordCount(), 0);
    EXPECT_TRUE(detail.Eof());
    query->First();
    EXPECT_EQ(detail.RecordCount(), 2);
    EXPECT_EQ(ErrorMessageOf([&] { detail.Options().SetLocalMasterDetail(false); }),
              "Cannot perform this operation on an open dataset");
}

// A detail row posted with another master's value leaves the detail; the server keeps it.
TEST_F(MyQueryEditingTest, PostedDetailRowThatLeftItsMasterIsRemoved) {
    TMyQuery& detail = OpenMasterDetail("m INT, v VARCHAR(5)", "(1, 'x'), (1, 'y'), (2, 'z')",
                                        "SELECT m, v FROM " + keyless + " ORDER BY v", LinkByFields);
    ASSERT_EQ(detail.RecordCount(), 2);
    detail.Edit();
    detail.FieldByName("v")->SetAsString("X");
    detail.Post();
    EXPECT_EQ(detail.RecordCount(), 2);
    detail.Edit();
    detail.FieldByName("m")->SetAsInteger(2);
    detail.Post();
    EXPECT_EQ(detail.RecordCount(), 1);
    EXPECT_EQ(detail.FieldByName("v")->AsString(), "y");
    EXPECT_EQ(raw->Scalar("SELECT m FROM " + keyless + " WHERE v = 'X'"), "2");
    query->Next();
    EXPECT_EQ(detail.RecordCount(), 2);

    detail.Close();
    detail.SetCachedUpdates(true);
    detail.Open();
    detail.Edit();
    detail.FieldByName("m")->SetAsInteger(1);
    EXPECT_NE(ErrorMessageOf([&] { detail.Post(); }).find("Can not use Master/Detail with CachedUpdates"),
              std::string::npos);
}

// Switching the filter keeps the current record when the filter still shows it.
TEST_F(MyQueryEditingTest, FilterSwitchKeepsTheCurrentRecord) {
    OpenTable();
    query->SetFilterText("name <> 'a'");
    query->Last();
    query->SetFiltered(true);
    EXPECT_EQ(query->FieldByName("id")->AsInteger(), 3);
    query->Prior();
    query->SetFiltered(false);
    EXPECT_EQ(query->FieldByName("id")->AsInteger(), 2);
    query->First();
    query->SetFiltered(true);
    EXPECT_EQ(query->FieldByName("id")->AsInteger(), 2);
}

TEST_F(MyQueryEditingTest, DetailDelayRefreshesOnceAfterTheLastMove) {
    TMyQuery& detail =
        OpenMasterDetail("m INT", "(1), (2), (3), (3)", "SELECT m FROM " + keyless + " WHERE m = :id",
                         [](TMyQuery& linked) { linked.Options().SetDetailDelay(500); });
    int refreshes = 0;
    detail.AfterRefresh = [&](data::TDataSet*) { ++refreshes; };
    query->Next();
    query->Next();
    const auto start = std::chrono::steady_clock::now();
    PumpUntil(start, std::chrono::milliseconds(300));
    EXPECT_EQ(refreshes, 0);
    PumpUntil(start, std::chrono::milliseconds(1000));
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(detail.RecordCount(), 2);
}

// Auto refresh re-reads the rows on its timer: quickly with a TIMESTAMP column, fully without; a
// failed refresh switches it off and reaches the application's handler.
TEST_F(MyQueryEditingTest, AutoRefreshFollowsAnotherSessionUntilARefreshFails) {
    std::vector<std::string> handled;
    data::SetApplicationExceptionHandler([&](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            handled.push_back(e.what());
        }
    });
    OpenTable();
    query->Options().SetAutoRefreshInterval(1);
    query->Options().SetAutoRefresh(true);
    raw->Execute("UPDATE " + table + " SET name = 'A' WHERE id = 1");
    PumpUntil(std::chrono::steady_clock::now(), std::chrono::milliseconds(2500));
    EXPECT_EQ(query->FieldByName("name")->AsString(), "A");
    EXPECT_EQ(query->RowsAffected(), -1);

    raw->Execute("ALTER TABLE " + table +
                 " ADD ts TIMESTAMP NOT NULL DEFAULT CURRENT_TIMESTAMP ON UPDATE CURRENT_TIMESTAMP");
    query->SetSQL("SELECT id, name, ts FROM " + table + " ORDER BY id");
    query->Open();
    raw->Execute("INSERT INTO " + table + " (name) VALUES ('d')");
    PumpUntil(std::chrono::steady_clock::now(), std::chrono::milliseconds(2500));
    EXPECT_EQ(query->RecordCount(), 4);
    EXPECT_GE(query->RowsAffected(), 1);

    query->SetSQL("SELECT id, name FROM " + table + " ORDER BY id");
    query->Open();
    raw->Execute("DROP TABLE " + table);
    PumpUntil(std::chrono::steady_clock::now(), std::chrono::milliseconds(2500));
    data::SetApplicationExceptionHandler(nullptr);
    EXPECT_FALSE(query->Options().AutoRefresh());
    ASSERT_EQ(handled.size(), 1u);
    EXPECT_NE(handled[0].find("doesn't exist"), std::string::npos) << handled[0];
}

// ReturnParams: the record shows the values the update statement's parameters held when it ran.
TEST_F(MyQueryEditingTest, ReturnParamsBringsChangedParameterValuesIntoTheRecord) {
    rtl::TStringList lines;
    lines.SetText("UPDATE " + table + " SET name = :name WHERE id = :OLD_id");
    query->SetUpdateSQL(stUpdate, lines);
    query->BeforeUpdateExecute = [](TCustomDADataSet*, TStatementTypes, TDAParams& params) {
        TDAParam* name = params.FindParam("name");
        name->SetAsString(name->AsString() + "!");
    };
    OpenTable();
    for (const bool returnParams : {false, true}) {
        query->Options().SetReturnParams(returnParams);
        query->Edit();
        query->FieldByName("name")->SetAsString("x");
        query->Post();
        EXPECT_EQ(raw->Scalar("SELECT name FROM " + table + " WHERE id = 1"), "x!");
        EXPECT_EQ(query->FieldByName("name")->AsString(), returnParams ? "x!" : "x") << returnParams;
    }
}

TEST_F(MyQueryEditingTest, AssignToCopiesTheQuerySettings) {
    rtl::TStringList lines;
    lines.SetText("UPDATE " + table + " SET name = :name WHERE id = :OLD_id");
    query->SetUpdateSQL(stUpdate, lines);
    query->SetSQL("SELECT id, name FROM " + table + " WHERE id > :low");
    query->FindParam("low")->SetAsInteger(1);
    query->SetFilterSQL("name <> 'c'");
    query->SetFetchRows(7);
    query->SetKeyFields("id");
    query->SetLockMode(lmOptimistic);
    query->Options().SetQueryRecCount(true);
    TMyQuery copy;
    copy.Assign(query.get());
    EXPECT_EQ(copy.Connection(), connection.get());
    EXPECT_EQ(copy.SQL().Text(), query->SQL().Text());
    EXPECT_EQ(copy.GetUpdateSQL(stUpdate)->Text(), lines.Text());
    EXPECT_EQ(copy.FilterSQL(), "name <> 'c'");
    EXPECT_EQ(copy.FetchRows(), 7);
    EXPECT_EQ(copy.KeyFields(), "id");
    EXPECT_EQ(copy.LockMode(), lmOptimistic);
    EXPECT_TRUE(copy.Options().QueryRecCount());
    copy.Open();
    EXPECT_EQ(copy.RecordCount(), 1);
    EXPECT_EQ(copy.FieldByName("name")->AsString(), "b");
}

// The updating table is known after open and stays known after close.
TEST_F(MyQueryEditingTest, TableNameOfTheUpdatingTable) {
    query->SetSQL("SELECT x.id, x.name FROM " + table + " x");
    query->SetUpdatingTable("x");
    EXPECT_EQ(query->PSGetTableName(), "x");
    query->Open();
    EXPECT_EQ(query->PSGetTableName(), table);
    query->Close();
    EXPECT_EQ(query->PSGetTableName(), table);
}

TEST_F(MyQueryEditingTest, LockNeedsARecord) {
    query->SetSQL("SELECT id, name FROM " + table + " WHERE id = 0");
    query->Open();
    EXPECT_EQ(ErrorMessageOf([&] { query->Lock(); }), "Q: There is no active record to lock");
}

} // namespace
} // namespace components
