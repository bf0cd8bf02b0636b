// Writes the reference help pages into the user's help folder and reads their lines back.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace core {
class IDBAConnection;
}

namespace app {

// Where the reference help is kept: per user, since the program's own folder is read-only once it is
// installed.
std::string GetHelpFolder();

// Copies the server's help tables into the folder: "keyword", "relation", "category", "version", the
// topic contents under "topic_content" and "topic" last, as UTF-8 text with CR LF line ends. Errors
// pass on and leave the files written so far.
void GenerateHelpFiles(core::IDBAConnection& connection, const std::string& folder);

// The lines of a help file, split at CR LF; raises when it cannot be read.
std::vector<std::string> ReadHelpLines(const std::string& path);
std::string ReadHelpFile(const std::string& path);

// A line's fields: the leading ones split at commas, the last one the rest of the line, so that a
// name may hold commas. Raises "Cannot read help structure" when there are fewer than `count`.
std::vector<std::string> SplitHelpLine(std::string_view line, std::size_t count);

} // namespace app
