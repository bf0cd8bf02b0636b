#include "platform/rtl/ScopeExit.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace rtl {
namespace {

TEST(ScopeExitTest, FlagScopeRestoresThePreviousValueAlsoWhenNested) {
    bool flag = false;
    {
        FlagScope outer(flag);
        EXPECT_TRUE(flag);
        {
            FlagScope inner(flag);
            EXPECT_TRUE(flag);
        }
        // The inner scope must not clear what the outer one still relies on.
        EXPECT_TRUE(flag);
    }
    EXPECT_FALSE(flag);

    try {
        FlagScope scope(flag);
        throw std::runtime_error("left early");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(flag);
}

TEST(ScopeExitTest, FinallyCleansUpOnEveryPathAndKeepsTheRightError) {
    std::string log;
    Finally([&] { log += "body;"; }, [&] { log += "cleanup;"; });
    EXPECT_EQ(log, "body;cleanup;");

    log.clear();
    EXPECT_THROW(Finally([] { throw std::runtime_error("body"); }, [&] { log += "cleanup;"; }),
                 std::runtime_error);
    EXPECT_EQ(log, "cleanup;");

    // A clean-up that fails itself replaces the body's error, as a plain catch-and-rethrow would.
    try {
        Finally([] { throw std::runtime_error("body"); }, [] { throw std::logic_error("cleanup"); });
        FAIL() << "nothing thrown";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "cleanup");
    }
}

TEST(ScopeExitTest, ScopeExitRunsOnReturnAndOnException) {
    int runs = 0;
    {
        const ScopeExit count([&] { ++runs; });
    }
    EXPECT_EQ(runs, 1);
    try {
        const ScopeExit count([&] { ++runs; });
        throw std::runtime_error("left early");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(runs, 2);
}

TEST(ScopeExitTest, UndoGuardUndoesOnlyWhatFailedAndKeepsTheFailure) {
    std::string log;
    {
        UndoGuard undo([&] { log += "undo;"; });
        log += "work;";
        undo.Dismiss();
    }
    EXPECT_EQ(log, "work;");

    log.clear();
    try {
        UndoGuard undo([&] { log += "undo;"; });
        throw std::runtime_error("work");
    } catch (const std::runtime_error&) {
        log += "caught;";
    }
    EXPECT_EQ(log, "undo;caught;");

    // An undo that fails as well leaves the failure of the work to report, not its own.
    try {
        UndoGuard undo([] { throw std::logic_error("undo"); });
        throw std::runtime_error("work");
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "work");
    }
}

} // namespace
} // namespace rtl
