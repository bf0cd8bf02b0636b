#include "components/uDBAccessUtils.h"
#include "components/uMyConnection.h"
#include "components/uMyQuery.h"
#include "ComponentsTestSupport.h"
#include "platform/rtl/StringList.h"
#include "support/ErrorText.h"
#include "support/TestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace components {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using testing::NewConnection;
using ::testing::Not;
using testsupport::ErrorMessageOf;

RTL_DECLARE_EXCEPTION(EApplyFailed, rtl::Exception);

std::vector<std::string> Lines(const rtl::TStringList& list) {
    std::vector<std::string> lines;
    for (int i = 0; i < list.Count(); ++i)
        lines.push_back(list[i]);
    return lines;
}

// A database of the test's own, with a connection whose Database it is.
class MyConnectionApplyTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto s = VELTRANE_REQUIRE_SERVER();
        database = "myconnectionapply_" +
                   std::string(::testing::UnitTest::GetInstance()->current_test_info()->name());
        admin = std::make_unique<testsupport::RawSession>(s);
        admin->Execute("DROP DATABASE IF EXISTS " + database);
        admin->Execute("CREATE DATABASE " + database);
        admin->Execute("CREATE TABLE " + database + ".t (id INT) ENGINE=InnoDB");
        connection = NewConnection(s);
        connection->SetDatabase(database);
    }
    void TearDown() override {
        connection.reset();
        if (admin) admin->Execute("DROP DATABASE IF EXISTS " + database);
    }

    std::string database;
    std::unique_ptr<testsupport::RawSession> admin;
    std::unique_ptr<TMyConnection> connection;
};

TEST_F(MyConnectionApplyTest, NameListsReadTheServersMetadata) {
    admin->Execute("CREATE VIEW " + database + ".v AS SELECT 1 AS one");
    admin->Execute("CREATE PROCEDURE " + database + ".p() BEGIN END");
    rtl::TStringList list;
    connection->ListTableNames(list);
    EXPECT_THAT(Lines(list), ElementsAre("t", "v"));
    connection->ListTableNames(list, true); // the empty catalog and its "." are left out
    EXPECT_THAT(Lines(list), Contains(database + ".t"));
    EXPECT_THAT(Lines(list), Contains("mysql.user"));
    connection->ListDatabaseNames(list);
    EXPECT_THAT(Lines(list), Contains(database));
    connection->ListStoredProcNames(list, true);
    EXPECT_THAT(Lines(list), Contains(database + ".p"));
    EXPECT_THAT(Lines(list), Not(Contains("p")));
    EXPECT_EQ(connection->ConnectCount(), 0);
}

// A query whose apply writes one row through the connection, or fails after it.
class ApplyingQuery : public TMyQuery {
public:
    ApplyingQuery(TMyConnection& connection, std::string insert, bool cached = true)
        : insert_(std::move(insert)) {
        SetConnection(&connection);
        SetSQL("SELECT 1");
        SetCachedUpdates(cached);
        Open();
    }
    void ApplyUpdates() override {
        autoCommitSeen = TDBAccessUtils::GetAutoCommit(this);
        static_cast<TMyConnection*>(Connection())->ExecuteSQL(insert_);
        if (fail) throw EApplyFailed("apply failed");
        TMyQuery::ApplyUpdates();
        ++applied;
    }

    bool fail = false;
    bool autoCommitSeen = true;
    int applied = 0;

private:
    std::string insert_;
};

TEST_F(MyConnectionApplyTest, ApplyUpdatesOfWritesInOneTransaction) {
    const std::string insert = "INSERT INTO " + database + ".t VALUES ";
    ApplyingQuery a(*connection, insert + "(1)"), b(*connection, insert + "(2)");
    ApplyingQuery notCached(*connection, insert + "(3)", false);
    const int uses = connection->ConnectCount();

    connection->ApplyUpdates();
    EXPECT_EQ(a.applied, 1);
    EXPECT_EQ(b.applied, 1);
    EXPECT_EQ(notCached.applied, 0);
    EXPECT_FALSE(a.autoCommitSeen) << "the data set must not commit on its own";
    EXPECT_TRUE(TDBAccessUtils::GetAutoCommit(&a));
    EXPECT_FALSE(connection->InTransaction());
    EXPECT_EQ(admin->Scalar("SELECT GROUP_CONCAT(id ORDER BY id) FROM " + database + ".t"), "1,2");

    // A failing data set rolls back what the others wrote.
    b.fail = true;
    EXPECT_EQ(ErrorMessageOf([&] { connection->ApplyUpdatesOf({&a, &b}); }), "apply failed");
    EXPECT_FALSE(connection->InTransaction());
    EXPECT_TRUE(TDBAccessUtils::GetAutoCommit(&b));
    EXPECT_EQ(admin->Scalar("SELECT GROUP_CONCAT(id ORDER BY id) FROM " + database + ".t"), "1,2");

    // A transaction that was running goes on: AutoCommit off leaves it to its owner.
    b.fail = false;
    connection->SetAutoCommit(false);
    connection->StartTransaction();
    connection->ApplyUpdatesOf({&a});
    EXPECT_TRUE(connection->InTransaction());
    connection->Rollback();
    EXPECT_EQ(admin->Scalar("SELECT COUNT(*) FROM " + database + ".t"), "2");
    EXPECT_EQ(connection->ConnectCount(), uses);
}

TEST_F(MyConnectionApplyTest, ApplyUpdatesOfRefusesAnotherConnectionsDataSet) {
    auto other = NewConnection(*testsupport::TestServer());
    other->SetName("other");
    connection->SetName("mine");
    ApplyingQuery foreign(*other, "DO 1");
    foreign.SetName("foreign");
    EXPECT_EQ(ErrorMessageOf([&] { connection->ApplyUpdatesOf({&foreign}); }),
              "Cannot update, foreign is not owned by mine");
    EXPECT_EQ(foreign.applied, 0);
}

} // namespace
} // namespace components
