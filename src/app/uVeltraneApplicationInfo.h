// The product's title and the addresses of its web pages.
#pragma once

#include <string>

namespace app {

std::string GetProductTitle();
// The host name of the product's web site.
std::string GetSiteName();
void OpenHomePage();
void OpenDownloadPage();
void OpenQuickStartPage();
// "http://<host>/latest_version_info?<program version>". The host is the site's unless
// VELTRANE_SITE_HOST names another (tests point it at a local server).
std::string GetCheckUpdatesURL();

} // namespace app
