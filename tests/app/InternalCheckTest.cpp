#include "app/fuInternalCheck.h"

#include <gtest/gtest.h>

#include "app/VeltraneServerFixture.h"

namespace app {
namespace {

class InternalCheckTest : public VeltraneServerTest {
protected:
    void SetUp() override {
        VeltraneServerTest::SetUp();
        Drop();
    }
    void TearDown() override {
        if (session) Drop();
    }
    void Drop() {
        session->Execute("DROP PROCEDURE IF EXISTS `check me`; DROP FUNCTION IF EXISTS check_f; "
                         "DROP PROCEDURE IF EXISTS check_bad");
    }
    int RoutineCount() {
        return std::stoi(session->Scalar("SELECT COUNT(*) FROM information_schema.routines"));
    }
};

TEST_F(InternalCheckTest, ScansEveryRoutineAndReportsOnlyThoseItCannotCompile) {
    session->Execute("CREATE PROCEDURE `check me`()\nBEGIN\n  SET @a = 1;\nEND");
    session->Execute("CREATE FUNCTION check_f(x INT) RETURNS INT\nBEGIN\n  RETURN x + 1;\nEND");
    TInternalCheck check(connection, "Veltrane 1.2.3.4");
    std::vector<std::pair<int, int>> steps;
    EXPECT_TRUE(check.Run([&](int position, int maximum) {
        steps.emplace_back(position, maximum);
        return true;
    }));
    const int count = RoutineCount();
    ASSERT_EQ(static_cast<int>(steps.size()), count) << "a name that needs quoting is read too";
    EXPECT_EQ(steps.back(), std::make_pair(count, count));
    // The server's own system routines may hold findings; ours must not be among them.
    const std::string report = rtl::Utf16ToUtf8(check.Report());
    EXPECT_EQ(report.find("check me"), std::string::npos);
    EXPECT_EQ(report.find("check_f"), std::string::npos);
}

TEST_F(InternalCheckTest, AFindingGoesUnderTheHeaderAndCancelStopsAfterTheCurrentRoutine) {
    // Stored without complaint, since the server resolves names only when it runs the routine; our
    // compiler refuses the undeclared variable.
    session->Execute("CREATE PROCEDURE check_bad()\nBEGIN\n  DECLARE x INT;\n  SET @a = y;\nEND");
    TInternalCheck check(connection, "Veltrane 1.2.3.4");
    EXPECT_TRUE(check.Run([](int, int) { return true; }));
    const std::string report = rtl::Utf16ToUtf8(check.Report());
    EXPECT_EQ(
        report.rfind("Internal check report\r\n\r\nApplication: Veltrane 1.2.3.4\r\nMySQL version: ", 0), 0u)
        << report;
    EXPECT_NE(report.find("\r\n" + std::string(83, '-') + "\r\n"), std::string::npos);
    EXPECT_NE(report.find("SET @a = y"), std::string::npos);

    TInternalCheck cancelled(connection, "Veltrane 1.2.3.4");
    int calls = 0;
    EXPECT_FALSE(cancelled.Run([&](int, int) { return ++calls < 1; }));
    EXPECT_EQ(calls, 1);
}

} // namespace
} // namespace app
