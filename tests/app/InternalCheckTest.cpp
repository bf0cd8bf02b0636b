#include "app/fuInternalCheck.h"

#include <gtest/gtest.h>

#include "app/VeltraneServerFixture.h"

namespace app {
namespace {

class InternalCheckTest : public VeltraneServerTest {
protected:
    void DropObjects() override {
        session->Execute("DROP PROCEDURE IF EXISTS `" + spaced + "`; DROP FUNCTION IF EXISTS " + function +
                         "; DROP PROCEDURE IF EXISTS " + bad);
    }
    const std::string spaced = Unique("check me");
    const std::string function = Unique("check_f");
    const std::string bad = Unique("check_bad");

    int RoutineCount() {
        return std::stoi(session->Scalar("SELECT COUNT(*) FROM information_schema.routines"));
    }
};

TEST_F(InternalCheckTest, ScansEveryRoutineAndReportsOnlyThoseItCannotCompile) {
    session->Execute("CREATE PROCEDURE `" + spaced + "`()\nBEGIN\n  SET @a = 1;\nEND");
    session->Execute("CREATE FUNCTION " + function + "(x INT) RETURNS INT\nBEGIN\n  RETURN x + 1;\nEND");
    TInternalCheck check(connection, "Veltrane 1.2.3.4");
    std::vector<std::pair<int, int>> steps;
    EXPECT_TRUE(check.Run([&](int position, int maximum) {
        steps.emplace_back(position, maximum);
        return true;
    }));
    // Other tests create and drop routines meanwhile: the count is the one read at the start.
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back().first, static_cast<int>(steps.size()));
    EXPECT_GT(steps.back().second, 0);
    // The server's own system routines may hold findings; ours must not be among them.
    const std::string report = rtl::Utf16ToUtf8(check.Report());
    EXPECT_EQ(report.find(spaced), std::string::npos);
    EXPECT_EQ(report.find(function), std::string::npos);
}

TEST_F(InternalCheckTest, AFindingGoesUnderTheHeaderAndCancelStopsAfterTheCurrentRoutine) {
    // Stored without complaint, since the server resolves names only when it runs the routine; our
    // compiler refuses the undeclared variable.
    session->Execute("CREATE PROCEDURE " + bad + "()\nBEGIN\n  DECLARE x INT;\n  SET @a = y;\nEND");
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
