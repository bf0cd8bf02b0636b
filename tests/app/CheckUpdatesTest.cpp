#include "app/uCheckUpdates.h"

#include "app/uInternet.h"
#include "app/uVeltraneApplicationInfo.h"
#include "app/uWindowFileHelpers.h"
#include "support/LocalHttpServer.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace app {
namespace {

using testsupport::LocalHttpServer;

// The program's version with another release and build, and with another minor number.
std::string SameMajorMinor() {
    std::string version = GetAppVersionString();
    return version.substr(0, version.find('.', version.find('.') + 1)) + ".77.5";
}

std::string OtherMinor() {
    const std::string version = GetAppVersionString();
    const std::size_t dot = version.find('.');
    return version.substr(0, dot) + "." + std::to_string(std::stoi(version.substr(dot + 1)) + 1) + ".0.0";
}

class CheckUpdatesTest : public uitest::UiTest {
protected:
    void SetUp() override { setenv("VELTRANE_SITE_HOST", server.Host().c_str(), 1); }
    void TearDown() override { unsetenv("VELTRANE_SITE_HOST"); }
    LocalHttpServer server;
};

TEST(SameMajorMinorVersionTest, ComparesTheFirstTwoNumbersAsText) {
    struct Case {
        const char* a;
        const char* b;
        bool same;
    };
    for (const Case& c : {Case{"2.3.1.0", "2.3.0.15", true}, Case{"2.4.0.0", "2.3.0.15", false},
                          Case{"2.3", "2.3.0.15", false}, Case{"2.3.0.15", "2.3", false},
                          Case{"2.05.0.0", "2.5.0.0", false}, Case{"10.11.6-MariaDB", "10.11.0.0", true},
                          Case{"v2.3.0.0", "2.3.0.0", false}, Case{"", "", false}})
        EXPECT_EQ(SameMajorMinorVersion(c.a, c.b), c.same) << c.a << " / " << c.b;
}

TEST_F(CheckUpdatesTest, TheReplyDecidesTheState) {
    struct Case {
        std::string reply;
        TCheckUpdatesState state;
    };
    for (const Case& c :
         {Case{SameMajorMinor(), cusSameVersion}, Case{" \r\n" + SameMajorMinor() + "\n", cusSameVersion},
          Case{OtherMinor(), cusOtherVersion}, Case{"2.3", cusOtherVersion}, Case{"<html>", cusOtherVersion},
          Case{" \r\n\t\n", cusNoReply}, Case{"", cusNoReply}}) {
        server.Answer(200, c.reply);
        CheckUpdates(GetCheckUpdatesURL());
        EXPECT_EQ(GetCheckUpdatesState(), c.state) << c.reply;
    }
    EXPECT_EQ(GetCheckUpdatesReply(), "");
    // The address names the program's version.
    EXPECT_EQ(server.Requests().back(), "GET /latest_version_info?" + GetAppVersionString() + " HTTP/1.1");
}

TEST_F(CheckUpdatesTest, AMissingServerOrAnErrorPageIsNoReply) {
    server.Answer(404, OtherMinor());
    CheckUpdates(GetCheckUpdatesURL());
    EXPECT_EQ(GetCheckUpdatesState(), cusNoReply);

    const auto start = std::chrono::steady_clock::now();
    setenv("VELTRANE_SITE_HOST", ("127.0.0.1:" + std::to_string(testsupport::RefusingPort())).c_str(), 1);
    CheckUpdates(GetCheckUpdatesURL());
    EXPECT_EQ(GetCheckUpdatesState(), cusNoReply);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kDownloadTimeoutMs));
}

TEST_F(CheckUpdatesTest, ASilentServerGivesNoReplyAtTheTimeOut) {
    server.SetSilent(true);
    const auto start = std::chrono::steady_clock::now();
    CheckUpdates(GetCheckUpdatesURL());
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(GetCheckUpdatesState(), cusNoReply);
    EXPECT_GE(elapsed, std::chrono::milliseconds(kDownloadTimeoutMs - 200));
    EXPECT_LT(elapsed, std::chrono::milliseconds(kDownloadTimeoutMs + 2000));
}

TEST_F(CheckUpdatesTest, DownloadTextJoinsLinesWithCrLfAndLeavesNoTemporaryFile) {
    std::string folder = std::filesystem::temp_directory_path() / "veltrane-download-XXXXXX";
    ASSERT_TRUE(mkdtemp(folder.data()));
    setenv("TMPDIR", folder.c_str(), 1);
    server.Answer(200, "2.3.0.0\nsecond");
    EXPECT_EQ(DownloadText(server.Url("/")), "2.3.0.0\r\nsecond\r\n");
    server.Answer(500, "broken");
    EXPECT_EQ(DownloadText(server.Url("/")), "");
    unsetenv("TMPDIR");
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace app
