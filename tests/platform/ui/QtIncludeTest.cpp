#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

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

// Whether a line brings Qt in: an include of a Qt header (<QWidget>, <QtGui/QImage>, <QtCore>) or of
// the framework's own bridge to Qt.
bool IncludesQt(std::string_view line) {
    auto skipSpaces = [&] {
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
    };
    skipSpaces();
    if (!line.starts_with("#")) return false;
    line.remove_prefix(1);
    skipSpaces();
    if (!line.starts_with("include")) return false;
    line.remove_prefix(7);
    skipSpaces();
    if (line.starts_with("\"platform/ui/QtBridge.h\"")) return true;
    if (line.size() < 3 || (line[0] != '<' && line[0] != '"') || line[1] != 'Q') return false;
    return std::isalpha(static_cast<unsigned char>(line[2]));
}

bool IsSource(const fs::path& path) {
    const std::string ext = path.extension().string();
    return ext == ".h" || ext == ".cpp" || ext == ".hpp" || ext == ".cc";
}

void CollectQtIncludes(const fs::path& path, std::vector<std::string>& offenders) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line))
        if (IncludesQt(line)) offenders.push_back(path.string() + ": " + line);
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
