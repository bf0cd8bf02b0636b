// Downloading a web address with an HTTP GET.
#pragma once

#include <string>

namespace app {

// The longest the whole download may take: the check runs between the connection dialog and the
// main window, so a silent host must not hold the program up for long.
constexpr int kDownloadTimeoutMs = 3000;

// Writes the body of the address into the file (created or truncated). An address that cannot be
// fetched leaves the file empty and still answers true; file errors raise.
bool DownloadToFile(const std::string& url, const std::string& fileName);
// The body of the address as text, lines joined with CR LF; empty when nothing came. The temporary
// file it goes through is deleted.
std::string DownloadText(const std::string& url);

} // namespace app
