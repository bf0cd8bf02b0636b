#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "core/uDBAConnection.h"
#include "engine/debugger/uVeltrane.h"
#include "engine/model/uMetadataImp.h"
#include "engine/server/uDBAProgram.h"
#include "platform/rtl/Utf.h"
#include "support/MariaDBConnection.h"
#include "support/TestServer.h"

namespace engine {
namespace {

// Mixed line breaks: the text that comes back must be the server's, not an editor's copy of it.
constexpr const char* kOldText = "CREATE DEFINER=CURRENT_USER PROCEDURE storeroutinelost_p(IN k INT)\r\n"
                                 "BEGIN\n"
                                 "  SELECT k * 2;\r\n"
                                 "END";
constexpr const char* kShowCreate = "SHOW CREATE PROCEDURE storeroutinelost_p";

// The session of the store is killed from a second session just before the statement that the SQL
// monitor sees beginning with the trigger.
class KillBefore {
public:
    KillBefore(testsupport::RawSession& killer, unsigned long victim, std::string trigger)
        : killer_(killer), victim_(victim), trigger_(std::move(trigger)) {
        core::SetSQLMonitorEnabled(true);
        core::SetSQLMonitor([this](const std::string& text) {
            if (!killed && text.rfind(trigger_, 0) == 0) {
                killer_.Kill(victim_);
                killed = true;
            }
        });
    }
    ~KillBefore() { core::SetSQLMonitor({}); }
    KillBefore(const KillBefore&) = delete;
    KillBefore& operator=(const KillBefore&) = delete;

    bool killed = false;

private:
    testsupport::RawSession& killer_;
    unsigned long victim_;
    std::string trigger_;
};

class StoreRoutineLostConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings = VELTRANE_REQUIRE_SERVER();
        // Cases run in parallel and share the routine's name: each gets a database of its own.
        const std::string testName = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        session = std::make_unique<testsupport::RawSession>(settings, settings.database);
        settings.database =
            "storeroutinelost_" + std::to_string(std::hash<std::string>{}(testName) % 1000000007);
        session->Execute("DROP DATABASE IF EXISTS `" + settings.database + "`");
        session->Execute("CREATE DATABASE `" + settings.database + "`");
        session->Execute("USE `" + settings.database + "`");
        session->Execute(kOldText);
        serverText = session->Query(kShowCreate).at(0).at(2).value_or("");
        ASSERT_NE(serverText.find("\r\n"), std::string::npos);
        connection = std::make_shared<testsupport::MariaDBConnection>(settings, settings.database);
        connection->Connect();
        program = std::make_unique<TDBAProgram>(std::make_shared<TSchema>(), connection);
        routine = program->GetProcedure("storeroutinelost_p", settings.database, false);
        ASSERT_TRUE(routine);
    }

    void TearDown() override {
        if (session) session->Execute("DROP DATABASE IF EXISTS `" + settings.database + "`");
    }

    bool OnServer() {
        return session->Scalar("SELECT COUNT(*) FROM information_schema.ROUTINES WHERE ROUTINE_SCHEMA = "
                               "DATABASE() AND ROUTINE_NAME = 'storeroutinelost_p'") == "1";
    }

    testsupport::ServerSettings settings;
    std::unique_ptr<testsupport::RawSession> session;
    std::shared_ptr<testsupport::MariaDBConnection> connection;
    std::unique_ptr<TDBAProgram> program;
    TRoutine* routine = nullptr;
    std::string serverText;
};

struct TLossCase {
    const char* name;
    const char* newText;
    // The statement the session dies before: "DROP", "CREATE PROCEDURE storeroutinelost_p()" for the
    // new text, or "CREATE DEFINER" for putting the old one back.
    const char* killBefore;
    bool dropped;
};

class StoreRoutineLossTest : public StoreRoutineLostConnectionTest,
                             public ::testing::WithParamInterface<TLossCase> {};

TEST_P(StoreRoutineLossTest, TheRoutineIsKeptOrItsOldTextComesWithTheError) {
    const TLossCase& param = GetParam();
    std::unique_ptr<rtl::Exception> error;
    {
        KillBefore kill(*session, connection->ConnectionId(), param.killBefore);
        try {
            StoreRoutine(*connection, *routine, rtl::Utf8ToUtf16(param.newText));
        } catch (const ERoutineDropped& e) {
            error = std::make_unique<ERoutineDropped>(e);
        } catch (const rtl::Exception& e) {
            error = std::make_unique<rtl::Exception>(e);
        }
        ASSERT_TRUE(kill.killed);
    }
    ASSERT_TRUE(error);
    auto* dropped = dynamic_cast<ERoutineDropped*>(error.get());
    if (!param.dropped) {
        // Died before the drop: nothing changed on the server, and the error is the connection's.
        EXPECT_FALSE(dropped) << error->Message();
        EXPECT_EQ(session->Query(kShowCreate).at(0).at(2), serverText);
        return;
    }
    ASSERT_TRUE(dropped) << error->Message();
    EXPECT_FALSE(OnServer());
    const std::string quoted = "`" + settings.database + "`.`storeroutinelost_p`";
    EXPECT_EQ(
        dropped->Message().rfind("PROCEDURE " + quoted + " was dropped and could not be re-created: ", 0), 0u)
        << dropped->Message();
    EXPECT_NE(dropped->Message().find("Its old text is kept to be stored again."), std::string::npos);
    EXPECT_EQ(rtl::Utf16ToUtf8(dropped->OldText()), serverText);

    // Once reconnected, the text given back re-creates the routine exactly as it was.
    connection->Disconnect();
    connection->Connect();
    StoreRoutine(*connection, *routine, dropped->OldText());
    EXPECT_EQ(session->Query(kShowCreate).at(0).at(2), serverText);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StoreRoutineLossTest,
    ::testing::Values(TLossCase{"BeforeTheDrop", "CREATE PROCEDURE storeroutinelost_p() SELECT 1", "DROP",
                                false},
                      TLossCase{"BeforeTheNewText", "CREATE PROCEDURE storeroutinelost_p() SELECT 1",
                                "CREATE PROCEDURE storeroutinelost_p()", true},
                      TLossCase{"BeforeTheOldTextGoesBack", "CREATE PROCEDURE storeroutinelost_p() SELEC 1",
                                "CREATE DEFINER", true}),
    [](const ::testing::TestParamInfo<TLossCase>& info) { return std::string(info.param.name); });

TEST_F(StoreRoutineLostConnectionTest, WithALostConnectionHandlerTheHandlerRunsAndTheOldTextStillComesBack) {
    int lost = 0;
    connection->SetOnConnectionLost([&](core::IDBAConnection*) { ++lost; });
    KillBefore kill(*session, connection->ConnectionId(), "CREATE PROCEDURE storeroutinelost_p()");
    try {
        StoreRoutine(*connection, *routine, u"CREATE PROCEDURE storeroutinelost_p() SELECT 1");
        FAIL() << "stored on a dead connection";
    } catch (const ERoutineDropped& error) {
        EXPECT_EQ(rtl::Utf16ToUtf8(error.OldText()), serverText);
    }
    EXPECT_GE(lost, 1);
    EXPECT_FALSE(OnServer());
}

} // namespace
} // namespace engine
