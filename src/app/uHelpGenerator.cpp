#include "app/uHelpGenerator.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "core/uDataValues.h"
#include "core/uDBAConnection.h"
#include "core/uStringUtils.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Utf.h"

namespace app {
namespace {

void WriteHelpFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    if (!file) throw rtl::EOSError("Cannot write " + path.string());
}

// Every row's fields joined with commas, one line each; empty fields keep their place.
std::string RowsText(core::IDBAConnection& connection, const std::string& sql, int fieldCount) {
    const auto result = connection.Execute(sql);
    data::TDataSet& rows = *result->GetDataSet();
    std::string text;
    for (rows.First(); !rows.Eof(); rows.Next()) {
        for (int i = 0; i < fieldCount; ++i) {
            if (i > 0) text += ',';
            text += rows.Fields()[i]->AsString();
        }
        text += "\r\n";
    }
    return text;
}

std::string CrLf(const std::string& text) {
    return rtl::Utf16ToUtf8(core::NormalizeLineBreaks(rtl::Utf8ToUtf16(text)));
}

} // namespace

std::string GetHelpFolder() {
    std::string base;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
        base = data;
    else if (const char* home = std::getenv("HOME"))
        base = std::string(home) + "/.local/share";
    return base + "/veltrane/help";
}

void GenerateHelpFiles(core::IDBAConnection& connection, const std::string& folder) {
    const std::filesystem::path root(folder);
    std::filesystem::create_directories(root / "topic_content");
    WriteHelpFile(root / "keyword",
                  RowsText(connection, "select help_keyword_id, `name` from  mysql.help_keyword", 2));
    WriteHelpFile(root / "relation",
                  RowsText(connection, "select help_keyword_id, help_topic_id from  mysql.help_relation", 2));
    WriteHelpFile(
        root / "category",
        RowsText(connection,
                 "select parent_category_id, help_category_id, `name` from  mysql.help_category order by "
                 "`name`",
                 3));
    WriteHelpFile(root / "version",
                  connection.Evaluate(u"SHOW VARIABLES LIKE 'version'", false, 1)->AsString().AsString());

    const auto result = connection.Execute("select help_category_id, help_topic_id, `name`, `description`, "
                                           "example from  mysql.help_topic order by "
                                           "`name`");
    data::TDataSet& topics = *result->GetDataSet();
    std::string topicLines;
    for (topics.First(); !topics.Eof(); topics.Next()) {
        const std::string id = topics.Fields()[1]->AsString();
        topicLines +=
            topics.Fields()[0]->AsString() + "," + id + "," + topics.Fields()[2]->AsString() + "\r\n";
        std::string content = topics.Fields()[3]->AsString();
        const std::string example = topics.Fields()[4]->AsString();
        if (!core::CompressSpaces(example).empty()) content += "\r\nExample:\r\n" + example;
        // The server's help uses LF; the viewer finds its headings by CR LF.
        WriteHelpFile(root / "topic_content" / id, CrLf(content));
    }
    WriteHelpFile(root / "topic", topicLines);
}

std::string ReadHelpFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw rtl::EOSError("Cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<std::string> ReadHelpLines(const std::string& path) {
    const std::string text = ReadHelpFile(path);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::vector<std::string> SplitHelpLine(std::string_view line, std::size_t count) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (fields.size() + 1 < count) {
        const std::size_t comma = line.find(',', start);
        if (comma == std::string_view::npos) throw rtl::Exception("Cannot read help structure");
        fields.emplace_back(line.substr(start, comma - start));
        start = comma + 1;
    }
    fields.emplace_back(line.substr(start));
    return fields;
}

} // namespace app
