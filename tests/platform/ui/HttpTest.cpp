#include "platform/ui/Http.h"

#include "support/LocalHttpServer.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace ui {
namespace {

using testsupport::LocalHttpServer;

class HttpTest : public uitest::UiTest {
protected:
    // The body received and whether the fetch succeeded.
    std::pair<bool, std::string> Get(const std::string& url, int timeoutMs = 3000) {
        std::string body;
        const bool ok =
            HttpGet({url, "veltrane-test", timeoutMs}, [&](std::string_view piece) { body += piece; });
        return {ok, body};
    }
    LocalHttpServer server;
};

TEST_F(HttpTest, FetchesTheWholeBodyWithTheAgentName) {
    std::string body(100000, 'x');
    body += "end";
    server.Answer(200, body);
    const auto [ok, received] = Get(server.Url("/latest_version_info?1.2.3.4"));
    EXPECT_TRUE(ok);
    EXPECT_EQ(received, body);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0], "GET /latest_version_info?1.2.3.4 HTTP/1.1");
    EXPECT_EQ(server.Agents(), std::vector<std::string>{"veltrane-test"});
}

TEST_F(HttpTest, AnErrorStatusOrARefusedConnectionIsNoSuccess) {
    server.Answer(404, "not here");
    EXPECT_FALSE(Get(server.Url("/")).first);
    server.Answer(500, "");
    EXPECT_FALSE(Get(server.Url("/")).first);
    EXPECT_FALSE(Get("http://127.0.0.1:" + std::to_string(testsupport::RefusingPort()) + "/").first);
}

TEST_F(HttpTest, ASilentServerEndsAtTheTimeOut) {
    server.SetSilent(true);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Get(server.Url("/"), 300).first);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(250));
    EXPECT_LT(elapsed, std::chrono::milliseconds(2000));
    EXPECT_EQ(server.Requests().size(), 1u);
}

} // namespace
} // namespace ui
