#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <mysql.h>
#include <errmsg.h>

namespace {

using testsupport::RawSession;

TEST(TestServer, AnswersVersionQuery) {
    const auto server = VELTRANE_REQUIRE_SERVER();
    RawSession session(server);
    EXPECT_EQ(session.Scalar("SELECT VERSION()").rfind("10.11.", 0), 0u);
    EXPECT_EQ(session.Scalar("SELECT DATABASE()"), server.database);
}

TEST(TestServer, KilledSessionReportsLostConnection) {
    const auto server = VELTRANE_REQUIRE_SERVER();
    RawSession victim(server);
    RawSession killer(server);
    killer.Kill(victim.ConnectionId());
    try {
        victim.Execute("SELECT 1");
        FAIL() << "a killed session still answered";
    } catch (const testsupport::ServerError& e) {
        EXPECT_TRUE(e.code == CR_SERVER_LOST || e.code == CR_SERVER_GONE_ERROR) << e.code << " " << e.what();
    }
}

TEST(TestServer, ProcesslistShowsOwnSession) {
    const auto server = VELTRANE_REQUIRE_SERVER();
    RawSession session(server);
    const auto ids = session.SessionIds();
    EXPECT_NE(std::find(ids.begin(), ids.end(), session.ConnectionId()), ids.end());
}

} // namespace
