#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

namespace {

namespace fs = std::filesystem;

bool IsSourceRoot(const fs::path& dir) {
    return fs::exists(dir / "src/platform/ui") && fs::exists(dir / "tests/platform/ui/QtIncludeTest.cpp");
}

// The source tree's root: from this file's path when the compiler gave an absolute one, else the
// nearest folder above the test executable or the working folder (the build folder sits in the tree).
fs::path SourceRoot() {
    const fs::path self(__FILE__);
    if (self.is_absolute()) return self.parent_path().parent_path().parent_path().parent_path();
    for (fs::path start : {fs::read_symlink("/proc/self/exe").parent_path(), fs::current_path()})
        for (fs::path dir = start; !dir.empty() && dir != dir.root_path(); dir = dir.parent_path())
            if (IsSourceRoot(dir)) return dir;
    return {};
}

// A line that brings Qt in: a Qt header, or the framework's own bridge to Qt.
const std::regex
    kQtInclude(R"(^\s*#\s*include\s*([<"](Qt\w*/)?Q[A-Za-z]\w*(\.h)?[>"]|"platform/ui/QtBridge\.h"))");

bool IsSource(const fs::path& path) {
    const std::string ext = path.extension().string();
    return ext == ".h" || ext == ".cpp" || ext == ".hpp" || ext == ".cc";
}

void CollectQtIncludes(const fs::path& path, std::vector<std::string>& offenders) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line))
        if (std::regex_search(line, kQtInclude)) offenders.push_back(path.string() + ": " + line);
}

bool Under(const fs::path& path, const fs::path& dir) {
    return path.string().rfind(dir.string() + "/", 0) == 0;
}

// Only the window framework sees Qt: every other folder works through its classes.
TEST(QtIncludes, OnlyTheWindowFrameworkIncludesQt) {
    const fs::path root = SourceRoot();
    ASSERT_TRUE(fs::exists(root / "src/platform/ui")) << root;
    const fs::path allowed[] = {root / "src/platform/ui", root / "tests/platform/ui", root / "tests/support"};
    std::vector<std::string> offenders;
    for (const char* top : {"src", "tests", "bench", "tools"}) {
        if (!fs::exists(root / top)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
            const fs::path& path = entry.path();
            if (!entry.is_regular_file() || !IsSource(path)) continue;
            if (std::any_of(std::begin(allowed), std::end(allowed),
                            [&](const fs::path& dir) { return Under(path, dir); }))
                continue;
            CollectQtIncludes(path, offenders);
        }
    }
    EXPECT_TRUE(offenders.empty()) << ::testing::PrintToString(offenders);
}

// The framework's headers are what other folders include: only its bridge to Qt names Qt headers.
TEST(QtIncludes, FrameworkHeadersHideQt) {
    const fs::path root = SourceRoot();
    std::vector<std::string> offenders;
    for (const auto& entry : fs::directory_iterator(root / "src/platform/ui")) {
        const fs::path& path = entry.path();
        if (path.extension() == ".h" && path.filename() != "QtBridge.h") CollectQtIncludes(path, offenders);
    }
    EXPECT_TRUE(offenders.empty()) << ::testing::PrintToString(offenders);
}

} // namespace
