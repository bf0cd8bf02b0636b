#include "app/uInternet.h"

#include "app/uWindowFileHelpers.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Http.h"
#include "platform/ui/Shell.h"

#include <cstdio>
#include <filesystem>

namespace app {

bool DownloadToFile(const std::string& url, const std::string& fileName) {
    rtl::TFileStream file(fileName, rtl::fmCreate);
    const ui::THttpRequest request{url, std::filesystem::path(ui::ProgramFileName()).filename().string(),
                                   kDownloadTimeoutMs};
    // What a failed fetch leaves behind is not the reply: the file stays empty then.
    std::string body;
    if (ui::HttpGet(request, [&body](std::string_view piece) { body += piece; }))
        file.WriteBuffer(body.data(), static_cast<int64_t>(body.size()));
    return true;
}

std::string DownloadText(const std::string& url) {
    const std::string fileName = CreateTempFile();
    const rtl::ScopeExit removeFile([&] { std::remove(fileName.c_str()); });
    return DownloadToFile(url, fileName) ? LoadStringFromFile(fileName) : std::string();
}

} // namespace app
