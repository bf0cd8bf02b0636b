#include "components/uDASQLMonitor.h"
#include "components/uDBAccessUtils.h"
#include "components/uMyCommand.h"
#include "components/uMyConnection.h"
#include "components/uMyQuery.h"
#include "ComponentsTestSupport.h"
#include "dataaccess/server/uCRTableInfo.h"
#include "platform/data/Params.h"
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
    EXPECT_FALSE(TDBAccessUtils::GetAutoCommit(&query));
    TDBAccessUtils::SetAutoCommit(&command, true);
    EXPECT_TRUE(command.AutoCommit());
    TDBAccessUtils::SetFetchAll(&query, false);
    EXPECT_FALSE(TDBAccessUtils::GetFetchAll(&query));

    EXPECT_EQ(TDBAccessUtils::InternalConnection(&connection), nullptr);
    EXPECT_EQ(TDBAccessUtils::GetConnectionCount(connection.InternalTransaction()), 1);
    EXPECT_EQ(TDBAccessUtils::GetConnection(connection.InternalTransaction(), 0), &connection);

    // Locked scans leave macros and parameters as they were; the locks end with the call.
    command.SetConnection(&connection);
    TDBAccessUtils::SetSQLText(&command, "SELECT :a, &m", true, true);
    EXPECT_EQ(command.ParamCount(), 0);
    EXPECT_EQ(command.Macros().Count(), 0);
    TDBAccessUtils::SetSQLText(&command, "SELECT :b, &n");
    EXPECT_EQ(command.ParamCount(), 1);
    EXPECT_EQ(command.Macros().Count(), 1);

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

    // The command's own end of a closed connection drops what it prepared.
    command.Prepare();
    TDBAccessUtils::HandleDisconnect(&command);
    EXPECT_FALSE(command.Prepared());
    TDBAccessUtils::ReleaseConnection(&connection);
}

TEST(DBAccessUtilsTest, SuppressedTracesAndTablesOfADataSet) {
    const auto s = VELTRANE_REQUIRE_SERVER();
    auto connection = testing::NewConnection(s);
    std::vector<std::string> heard;
    TCustomDASQLMonitor::SetMonitorHook(
        [&](const data::TComponent*, const std::string& sql, const std::string& operation,
            const data::TParams*) { heard.push_back(operation + " " + sql); });
    TMyCommand command;
    command.SetConnection(connection.get());
    command.SetDebug(true);
    command.SetSQL("DO 1");
    TMyQuery query;
    query.SetConnection(connection.get());
    query.SetDebug(true);
    query.SetSQL("SELECT * FROM mysql.user u");
    for (data::TComponent* component :
         {static_cast<data::TComponent*>(&command), static_cast<data::TComponent*>(&query)}) {
        TDBAccessUtils::SetTraceSuppressed(component, true);
        EXPECT_TRUE(TDBAccessUtils::GetTraceSuppressed(component));
    }
    command.Execute();
    query.Open();
    EXPECT_TRUE(heard.empty());
    TDBAccessUtils::SetTraceSuppressed(&command, false);
    command.Execute();
    TCustomDASQLMonitor::SetMonitorHook({});
    EXPECT_THAT(heard, ::testing::ElementsAre("Execute DO 1"));

    const dataaccess::TCRTablesInfo& tables = TDBAccessUtils::GetTablesInfo(&query);
    ASSERT_EQ(tables.Count(), 1);
    EXPECT_EQ(tables.Items(0)->TableAlias(), "u");
}

} // namespace
} // namespace components
