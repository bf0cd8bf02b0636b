#include "app/uCheckUpdates.h"

#include "app/uInternet.h"
#include "app/uWindowFileHelpers.h"
#include "components/uDASQLHelpers.h"
#include "core/uRegExpr.h"

#include <exception>
#include <optional>
#include <utility>

namespace app {

namespace {

TCheckUpdatesState state = cusNotRun;
std::string reply;

// "major.minor." at the start of the text, or nothing.
std::optional<std::pair<std::string, std::string>> MajorMinor(const std::string& version) {
    core::TRegExpr expression;
    expression.SetExpression(R"(^(\d+)\.(\d+)\.)");
    if (!expression.Exec(version)) return std::nullopt;
    return std::pair{expression.SubMatchText(1), expression.SubMatchText(2)};
}

} // namespace

void CheckUpdates(const std::string& url) {
    reply.clear();
    try {
        reply = components::TrimBlanks(DownloadText(url));
    } catch (const std::exception&) {
        // No failure of the check reaches the user; the empty reply says "no reply".
    }
    if (reply.empty())
        state = cusNoReply;
    else
        state = SameMajorMinorVersion(reply, GetAppVersionString()) ? cusSameVersion : cusOtherVersion;
}

TCheckUpdatesState GetCheckUpdatesState() {
    return state;
}

const std::string& GetCheckUpdatesReply() {
    return reply;
}

bool SameMajorMinorVersion(const std::string& a, const std::string& b) {
    const auto first = MajorMinor(a);
    if (!first) return false;
    const auto second = MajorMinor(b);
    return second && *second == *first;
}

} // namespace app
