#include "components/uDBAccessUtils.h"
#include "components/uMyCommand.h"
#include "components/uMyConnection.h"
#include "components/uMyQuery.h"
#include "ComponentsTestSupport.h"
#include "platform/data/Params.h"
#include "platform/rtl/StringList.h"
#include "support/ErrorText.h"
#include "support/TestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace components {
namespace {

using ::testing::StartsWith;
using testsupport::ErrorOf;

TEST(DBAccessUtilsTest, ReachesTheTargetOfEachKindAndRefusesOthers) {
    TMyConnection connection;
    TMyQuery query;
    query.SetConnection(&connection);
    TMyCommand command;

    // A data set's work goes to its internal command.
    TDBAccessUtils::SetSQLText(&query, "SELECT :a");
    EXPECT_EQ(TDBAccessUtils::GetSQL(&query).Text(), query.SQL().Text());
    EXPECT_EQ(TDBAccessUtils::GetParams(&query).Count(), 1);
    EXPECT_EQ(TDBAccessUtils::UsedConnection(&query), &connection);
    EXPECT_EQ(TDBAccessUtils::UsedConnection(&query.Command()), &connection);
    EXPECT_EQ(TDBAccessUtils::UsedConnection(&command), nullptr);
    TDBAccessUtils::SetAutoCommit(&query, false);
    EXPECT_FALSE(query.Command().AutoCommit());
    TDBAccessUtils::SetFetchAll(&query, false);
    EXPECT_FALSE(TDBAccessUtils::GetFetchAll(&query));

    EXPECT_EQ(TDBAccessUtils::InternalConnection(&connection), nullptr);
    EXPECT_EQ(TDBAccessUtils::GetConnectionCount(connection.InternalTransaction()), 1);
    EXPECT_EQ(TDBAccessUtils::GetConnection(connection.InternalTransaction(), 0), &connection);

    // Another kind of component is an assertion that names its class.
    EXPECT_THAT(ErrorOf([&] { TDBAccessUtils::GetFetchAll(&command); }),
                StartsWith("EAssertionFailed: TMyCommand ("));
    EXPECT_THAT(ErrorOf([&] { TDBAccessUtils::AcquireConnection(&query); }), StartsWith("EAssertionFailed"));
    EXPECT_THAT(ErrorOf([&] { TDBAccessUtils::GetSQL(&connection); }), StartsWith("EAssertionFailed"));
}

TEST(DBAccessUtilsTest, ExecutesCommandsOverTheServer) {
    const auto s = VELTRANE_REQUIRE_SERVER();
    auto owned = testing::NewConnection(s);
    TMyConnection& connection = *owned;
    TMyCommand command;
    command.SetConnection(&connection);
    TDBAccessUtils::SetSQLText(&command, "DO 1");
    TDBAccessUtils::AcquireConnection(&connection);
    EXPECT_NE(TDBAccessUtils::InternalConnection(&connection), nullptr);
    TDBAccessUtils::Execute(&command);
    EXPECT_EQ(TDBAccessUtils::GetRowsAffected(&command), 0);
    EXPECT_NE(TDBAccessUtils::InternalCommand(&command), nullptr);
    EXPECT_EQ(TDBAccessUtils::GetCommands(&connection).size(), 1u);
    TDBAccessUtils::ReleaseConnection(&connection);
}

} // namespace
} // namespace components
