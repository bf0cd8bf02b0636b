#include <gtest/gtest.h>

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

// Only the window framework sees Qt: every other folder works through its classes.
TEST(QtIncludes, OnlyTheWindowFrameworkIncludesQt) {
    const fs::path root = SourceRoot();
    const fs::path allowed[] = {root / "src/platform/ui", root / "tests/platform/ui", root / "tests/support"};
    const std::regex qtInclude(R"(^\s*#\s*include\s*[<"](Qt\w*/)?Q[A-Za-z]\w*(\.h)?[>"])");
    std::vector<std::string> offenders;
    for (const char* top : {"src", "tests", "bench", "tools"}) {
        if (!fs::exists(root / top)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
            const fs::path& path = entry.path();
            if (!entry.is_regular_file()) continue;
            const std::string ext = path.extension().string();
            if (ext != ".h" && ext != ".cpp" && ext != ".hpp" && ext != ".cc") continue;
            bool inAllowed = false;
            for (const fs::path& dir : allowed)
                inAllowed = inAllowed || path.string().rfind(dir.string() + "/", 0) == 0;
            if (inAllowed) continue;
            std::ifstream in(path);
            std::string line;
            while (std::getline(in, line))
                if (std::regex_search(line, qtInclude)) offenders.push_back(path.string() + ": " + line);
        }
    }
    ASSERT_TRUE(fs::exists(root / "src/platform/ui")) << root;
    EXPECT_TRUE(offenders.empty()) << ::testing::PrintToString(offenders);
}

} // namespace
