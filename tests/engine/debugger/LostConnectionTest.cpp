#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/uDBAConnection.h"
#include "engine/debugger/uDebugMessages.h"
#include "engine/debugger/uVeltrane.h"
#include "engine/DebugThreadTestSupport.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Utf.h"
#include "support/ErrorText.h"
#include "support/ServerConnection.h"
#include "support/TestServer.h"

namespace engine {
namespace {

using ::testing::ElementsAre;

constexpr const char* kStarted = "Debugging started";
constexpr const char* kInterrupted = "Debugging interrupted by user";
constexpr const char* kCompleted = "Debugging completed";

// A run whose third line keeps the server busy for a while.
constexpr const char* kSleeper = "BEGIN\n"
                                 "  DECLARE i INT DEFAULT 0;\n"
                                 "  DO SLEEP(%d);\n"
                                 "  SELECT i + 1 INTO i;\n"
                                 "END";

std::size_t ThreadCount() {
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return static_cast<std::size_t>(std::distance(begin(tasks), end(tasks)));
}

// The facade over a session of the test server, handled as the main window handles a lost
// connection: the handler stops the run without waiting and raises a flag, and the next action
// tells the user once and reconnects the same connection.
class LostConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings = VELTRANE_REQUIRE_SERVER();
        Open();
    }

    void Open() {
        connection = testsupport::NewServerConnection(settings);
        connection->Connect();
        threadsBefore = ThreadCount();
        veltrane = std::make_unique<TVeltrane>(
            connection, nullptr, nullptr, [this](TVeltrane&) { ++stopped; },
            [tick = TimeLimitedTick()](TVeltrane&) { tick(); }, nullptr);
        veltrane->Messages().AddHandler(core::TEventHandler::Of<&LostConnectionTest::Message>(this));
        connection->SetOnConnectionLost([this](core::IDBAConnection*) {
            ++lostCalls;
            if (veltrane->IsRunning()) veltrane->Stop(false);
            lost = true;
        });
    }

    void TearDown() override {
        if (!veltrane) return;
        connection->SetOnConnectionLost(nullptr);
        veltrane->Messages().RemoveHandler(core::TEventHandler::Of<&LostConnectionTest::Message>(this));
        veltrane.reset();
    }

    void Message(const std::shared_ptr<core::IEvent>& event) {
        EXPECT_TRUE(rtl::IsMainThread());
        const auto message = std::dynamic_pointer_cast<IDebuggMessageEvent>(event);
        ASSERT_TRUE(message);
        // The result of the DO statement is no message about the run.
        if (message->GetKind() != mkQueryResult) messages.push_back(rtl::Utf16ToUtf8(message->GetText()));
    }

    void CompileMain(const std::string& text) {
        TRoutine& main = veltrane->MainRoutine();
        main.SetText(rtl::Utf8ToUtf16(text));
        main.Compile();
    }

    // The main window's next action update: one notice for any number of losses, then a reconnection.
    void CheckConnectionLost() {
        if (!lost.exchange(false)) return;
        ++userNotices;
        connection->Disconnect();
        connection->Connect();
    }

    // The run after the loss works on the reconnected session, and nothing of the lost run remains.
    void ExpectNextRunWorks() {
        CheckConnectionLost();
        ASSERT_EQ(userNotices, 1);
        EXPECT_NE(testsupport::SessionIdOf(*connection), killedSession);
        messages.clear();
        stopped = 0;
        veltrane->BreakPoints().Clear();
        CompileMain(rtl::Format(kSleeper, 0));
        veltrane->Start(false);
        EXPECT_FALSE(veltrane->IsRunning());
        EXPECT_NO_THROW(veltrane->CheckError());
        EXPECT_THAT(messages, ElementsAre(kStarted, kCompleted));
        EXPECT_EQ(stopped, 1);
        EXPECT_EQ(lostCalls, 1);
        PumpUntil([&] { return ThreadCount() == threadsBefore; }, 5000);
    }

    // The run ended once, told as a stop of the user's, with no error of its own and no thread left.
    void ExpectRunEndedOnce() {
        EXPECT_FALSE(veltrane->IsRunning());
        EXPECT_FALSE(veltrane->Busy());
        EXPECT_EQ(stopped, 1);
        EXPECT_EQ(lostCalls, 1);
        EXPECT_THAT(messages, ElementsAre(kStarted, kInterrupted, kCompleted));
        EXPECT_NO_THROW(veltrane->CheckError());
        PumpUntil([&] { return ThreadCount() == threadsBefore; }, 5000);
    }

    testsupport::ServerSettings settings;
    std::shared_ptr<core::IDBAConnection> connection;
    std::unique_ptr<TVeltrane> veltrane;
    std::size_t threadsBefore = 0;
    std::vector<std::string> messages;
    int userNotices = 0;
    int stopped = 0;
    std::atomic<int> lostCalls{0};
    std::atomic<bool> lost{false};
    unsigned long killedSession = 0;
};

TEST_F(LostConnectionTest, KilledWhileAStatementOfTheRunExecutes) {
    CompileMain(rtl::Format(kSleeper, 30));
    killedSession = testsupport::SessionIdOf(*connection);
    // The killer waits for the statement to be on the server, then kills its session.
    std::atomic<bool> killed{false};
    std::thread killer([&] {
        testsupport::RawSession session(settings);
        const std::string busy =
            "SELECT ID FROM information_schema.PROCESSLIST WHERE ID = " + std::to_string(killedSession) +
            " AND INFO LIKE '%SLEEP(30)%'";
        for (int i = 0; i < 500 && !killed; ++i) {
            if (!session.Scalar(busy).empty()) {
                session.Kill(killedSession);
                killed = true;
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
    });
    const auto begin = std::chrono::steady_clock::now();
    try {
        veltrane->Start(false);
    } catch (...) {
        killer.join();
        throw;
    }
    killer.join();
    ASSERT_TRUE(killed);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(20));
    ExpectRunEndedOnce();
    ExpectNextRunWorks();
}

TEST_F(LostConnectionTest, KilledWhileTheRunIsPausedAtABreakpoint) {
    CompileMain(rtl::Format(kSleeper, 0));
    veltrane->BreakPoints().Add("", rkAnonymousBlock, 4);
    veltrane->Start(false);
    ASSERT_TRUE(veltrane->IsRunning());
    ASSERT_EQ(veltrane->CurrentLine(), 4);
    killedSession = testsupport::SessionIdOf(*connection);
    testsupport::RawSession session(settings);
    session.Kill(killedSession);
    veltrane->Run();
    PumpUntil([&] { return !veltrane->IsRunning(); });
    ExpectRunEndedOnce();
    ExpectNextRunWorks();
}

TEST_F(LostConnectionTest, WithoutAHandlerTheRunStopsAtTheLossWithTheServerMessage) {
    connection->SetOnConnectionLost(nullptr);
    CompileMain(rtl::Format(kSleeper, 0));
    veltrane->BreakPoints().Add("", rkAnonymousBlock, 4);
    veltrane->Start(false);
    ASSERT_EQ(veltrane->CurrentLine(), 4);
    testsupport::RawSession(settings).Kill(testsupport::SessionIdOf(*connection));
    veltrane->StepInto();
    ASSERT_TRUE(veltrane->IsRunning());
    EXPECT_EQ(veltrane->CurrentLine(), 4);
    EXPECT_THAT(testsupport::ErrorMessageOf([&] { veltrane->CheckError(); }),
                ::testing::MatchesRegex("Error code: 20(06|13), SQLState: HY000, Message: .*"));
    veltrane->Run();
    PumpUntil([&] { return !veltrane->IsRunning(); });
    EXPECT_NO_THROW(veltrane->CheckError());
    EXPECT_EQ(stopped, 1);
    EXPECT_EQ(messages.back(), kCompleted);
    PumpUntil([&] { return ThreadCount() == threadsBefore; }, 5000);
}

TEST_F(LostConnectionTest, TheServerClosesTheIdleSession) {
    CompileMain(rtl::Format(kSleeper, 0));
    connection->ExecSQL("SET SESSION wait_timeout=1");
    killedSession = testsupport::SessionIdOf(*connection);
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    // The run cannot begin: the loss is reported to the handler and the start aborts silently.
    EXPECT_THROW(veltrane->Start(false), core::EDBAConnectionLost);
    EXPECT_FALSE(veltrane->IsRunning());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(stopped, 0);
    EXPECT_EQ(lostCalls, 1);
    ExpectNextRunWorks();
}

// A MariaDB server of the test's own, in a data directory of its own, that can be stopped and started
// again without touching the server the other tests share.
class TPrivateServer {
public:
    TPrivateServer() {
        char pattern[] = "/tmp/veltrane-lostconnection-XXXXXX";
        RTL_ASSERT(mkdtemp(pattern));
        directory_ = pattern;
        std::ofstream(directory_ / "init.sql")
            << "CREATE DATABASE IF NOT EXISTS lostconnection;\n"
               "CREATE USER IF NOT EXISTS 'lostconnection'@'%' IDENTIFIED BY "
               "'lostconnection-pw';\n"
               "GRANT ALL ON lostconnection.* TO 'lostconnection'@'%';\n";
        const std::string install =
            "mariadb-install-db --no-defaults --auth-root-authentication-method=normal "
            "--skip-test-db --datadir=" +
            (directory_ / "data").string() + " >" + (directory_ / "install.log").string() + " 2>&1";
        installed_ = std::system(install.c_str()) == 0;
        settings_ = {"127.0.0.1", FreePort(), "", "lostconnection", "lostconnection-pw", "lostconnection"};
    }
    ~TPrivateServer() {
        Stop();
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }
    TPrivateServer(const TPrivateServer&) = delete;
    TPrivateServer& operator=(const TPrivateServer&) = delete;

    bool Installed() const { return installed_; }
    const testsupport::ServerSettings& Settings() const { return settings_; }

    // Returns once the server takes connections.
    void Start() {
        RTL_ASSERT(pid_ == 0);
        std::vector<std::string> arguments = {"mariadbd",
                                              "--no-defaults",
                                              "--datadir=" + (directory_ / "data").string(),
                                              "--socket=" + (directory_ / "socket").string(),
                                              "--port=" + std::to_string(settings_.port),
                                              "--bind-address=127.0.0.1",
                                              "--init-file=" + (directory_ / "init.sql").string(),
                                              "--log-error=" + (directory_ / "server.log").string(),
                                              "--open-files-limit=1000"};
        // The server refuses to run as root unless told to.
        if (geteuid() == 0) arguments.push_back("--user=root");
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        // Debian keeps the server in sbin, which a user's PATH may lack.
        const char* program =
            std::filesystem::exists("/usr/sbin/mariadbd") ? "/usr/sbin/mariadbd" : "mariadbd";
        RTL_ASSERT(posix_spawnp(&pid_, program, nullptr, nullptr, argv.data(), environ) == 0);
        for (int i = 0; i < 300; ++i) {
            try {
                testsupport::RawSession probe(settings_);
                return;
            } catch (const testsupport::ServerError&) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        }
        throw std::runtime_error("the private server did not start");
    }

    void Stop() {
        if (pid_ == 0) return;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = 0;
    }

private:
    static unsigned FreePort() {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        RTL_ASSERT(bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0);
        RTL_ASSERT(getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0);
        close(fd);
        return ntohs(address.sin_port);
    }

    std::filesystem::path directory_;
    bool installed_ = false;
    testsupport::ServerSettings settings_;
    pid_t pid_ = 0;
};

class LostConnectionRestartTest : public LostConnectionTest {
protected:
    void SetUp() override {
        VELTRANE_REQUIRE_SERVER();
        server = std::make_unique<TPrivateServer>();
        if (!server->Installed()) {
            if (testsupport::ServerRequired()) GTEST_FAIL() << "mariadb-install-db failed";
            GTEST_SKIP() << "no MariaDB server binaries to start a private server";
        }
        server->Start();
        settings = server->Settings();
        Open();
    }

    void TearDown() override {
        LostConnectionTest::TearDown();
        server.reset();
    }

    std::unique_ptr<TPrivateServer> server;
};

TEST_F(LostConnectionRestartTest, TheServerIsStoppedAndStartedAgainBetweenTwoRuns) {
    CompileMain(rtl::Format(kSleeper, 0));
    veltrane->Start(false);
    ASSERT_THAT(messages, ElementsAre(kStarted, kCompleted));
    messages.clear();
    stopped = 0;
    server->Stop();
    server->Start();
    // The session died with the server: the next start reports the loss and aborts silently.
    EXPECT_THROW(veltrane->Start(false), core::EDBAConnectionLost);
    EXPECT_FALSE(veltrane->IsRunning());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(lostCalls, 1);
    ExpectNextRunWorks();
}

} // namespace
} // namespace engine
