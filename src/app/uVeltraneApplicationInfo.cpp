#include "app/uVeltraneApplicationInfo.h"

#include "app/uWindowFileHelpers.h"
#include "platform/rtl/Format.h"

#include <cstdlib>

namespace app {

namespace {

constexpr const char* kProductTitle = "Veltrane";
constexpr const char* kSiteHost = "www.veltrane.org";

std::string SitePage(const char* path) {
    return rtl::Format("http://%s%s", GetSiteName(), path);
}

} // namespace

std::string GetProductTitle() {
    return kProductTitle;
}

std::string GetSiteName() {
    return kSiteHost;
}

void OpenHomePage() {
    OpenURL(SitePage(""));
}

void OpenDownloadPage() {
    OpenURL(SitePage("/download.php"));
}

void OpenQuickStartPage() {
    OpenURL(SitePage("/quick_start.php"));
}

std::string GetCheckUpdatesURL() {
    const char* host = std::getenv("VELTRANE_SITE_HOST");
    return rtl::Format("http://%s/latest_version_info", host && *host ? host : kSiteHost) + "?" +
           GetAppVersionString();
}

} // namespace app
