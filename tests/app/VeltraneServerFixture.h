#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "engine/debugger/uVeltrane.h"
#include "engine/DebugThreadTestSupport.h"
#include "platform/rtl/Utf.h"
#include "support/MariaDBConnection.h"
#include "support/TestServer.h"

namespace app {

// A debugger facade over the test server's database, driven as the main window drives it.
class VeltraneServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings = VELTRANE_REQUIRE_SERVER();
        session = std::make_unique<testsupport::RawSession>(settings, settings.database);
        connection = std::make_shared<testsupport::MariaDBConnection>(settings, settings.database);
        connection->Connect();
        const auto nothing = [](engine::TVeltrane&) {};
        veltrane = std::make_unique<engine::TVeltrane>(
            connection, nothing, nothing, nothing,
            [tick = engine::TimeLimitedTick()](engine::TVeltrane&) { tick(); }, nothing);
        DropObjects();
    }
    void TearDown() override {
        if (session) DropObjects();
    }

    // What a case creates on the server, dropped before it runs and after it.
    virtual void DropObjects() {}

    // ctest runs the cases of a suite at once, each in its own process: what a case creates on the
    // server carries a name of its own.
    static std::string Unique(const std::string& base) {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        return base + "_" + std::to_string(std::hash<std::string>{}(test->name()) % 100000);
    }

    void CompileMain(const std::string& text) {
        veltrane->MainRoutine().SetText(rtl::Utf8ToUtf16(text));
        veltrane->MainRoutine().Compile();
    }

    // Commands that resume without waiting, as the window's do; the test waits for the stop or the end.
    void Settle() {
        engine::PumpUntil([&] { return !veltrane->IsRunning() || !veltrane->Busy(); });
    }

    testsupport::ServerSettings settings;
    std::unique_ptr<testsupport::RawSession> session;
    std::shared_ptr<testsupport::MariaDBConnection> connection;
    std::unique_ptr<engine::TVeltrane> veltrane;
};

} // namespace app
