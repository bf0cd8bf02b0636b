#include "app/fuCursorIterationCodeGenerator.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <memory>

#include "core/uDataConverter.h"
#include "core/uDBAConnection.h"
#include "core/uMySQLTypes.h"
#include "core/uStringUtils.h"
#include "engine/uDBAExpressions.h"
#include "engine/uQueryAnalyzer.h"
#include "platform/data/DataSet.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Utf.h"

namespace app {
namespace {

std::string Upper(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return std::toupper(c); });
    return upper;
}

// Temporary tables are per session, but one session may build several loops while it lives.
std::atomic<int> temporaryTableCounter{1};

} // namespace

std::string ColumnTypeText(std::string_view type, const std::optional<std::string>& collation,
                           int connectionCodePage) {
    std::string text;
    const auto open = type.find('(');
    const auto close = type.find(')');
    if (open != std::string_view::npos && close != std::string_view::npos && open < close)
        text = Upper(type.substr(0, open)) + std::string(type.substr(open, close - open + 1)) +
               Upper(type.substr(close + 1));
    else
        text = Upper(type);
    if (collation && collation->find('_') != std::string::npos) {
        const std::string charset = collation->substr(0, collation->find('_'));
        if (core::CharsetCodePages[core::CharsetIndexByName(charset)] != connectionCodePage)
            text += " CHARACTER SET " + charset;
    }
    return text;
}

std::vector<TColumnInfo> ReadCursorColumns(core::IDBAConnection& connection, std::u16string_view selectText,
                                           std::string_view variablesPrefix) {
    // Anything but a query would only come back as a syntax error about the wrapping around it.
    engine::TDBAVariables unused(false);
    if (engine::AnalyzeQuery(selectText, nullptr, unused).Kind != engine::qkReturnsRows)
        throw rtl::Exception("Invalid SELECT statement");
    const std::string query = "SELECT * FROM (" + rtl::Utf16ToUtf8(selectText) + ") t LIMIT 1";
    if (!connection.Execute(query)->HasResultSet()) throw rtl::Exception("Invalid SELECT statement");
    const std::string table = "veltrane_temp_table_" + std::to_string(temporaryTableCounter++);
    connection.ExecSQL("CREATE TEMPORARY TABLE " + table + " " + query);

    std::vector<TColumnInfo> columns;
    {
        const auto result = connection.Execute("SHOW FULL COLUMNS FROM " + table);
        data::TDataSet& rows = *result->GetDataSet();
        const int codePage = connection.GetDataConverter().DefaultCodePage();
        for (rows.First(); !rows.Eof(); rows.Next()) {
            data::TField& collation = *rows.Fields()[2];
            columns.push_back(
                {std::string(variablesPrefix) + rows.Fields()[0]->AsString(),
                 ColumnTypeText(rows.Fields()[1]->AsString(),
                                collation.IsNull() ? std::nullopt
                                                   : std::optional<std::string>(collation.AsString()),
                                codePage)});
        }
    }
    connection.ExecSQL("DROP TEMPORARY TABLE " + table);
    return columns;
}

std::string GenerateCursorLoop(const std::vector<TColumnInfo>& columns, std::string_view cursorName,
                               std::u16string_view selectText) {
    const std::string cursor(cursorName);
    const std::string label = cursor + "_loop";
    std::string variables;
    std::string text = "BEGIN";
    for (const TColumnInfo& column : columns) {
        text += "\r\n  DECLARE " + column.variableName + " " + column.typeText + ";";
        core::AppendWithDelimiter(variables, column.variableName, ", ");
    }
    text += "\r\n  DECLARE done BOOLEAN DEFAULT FALSE;\r\n";
    text += core::PrefixLines("DECLARE " + cursor + " CURSOR FOR \r\n" +
                                  core::PrefixLines(rtl::Utf16ToUtf8(selectText), "  ") + ";",
                              "  ");
    text += "\r\n  DECLARE CONTINUE HANDLER FOR NOT FOUND SET done = TRUE;\r\n"
            "\r\n  OPEN " +
            cursor +
            ";"
            "\r\n  " +
            label +
            ": LOOP"
            "\r\n    FETCH " +
            cursor + " INTO " + variables +
            ";"
            "\r\n    IF done THEN LEAVE " +
            label +
            "; END IF;"
            "\r\n\r\n    /* Insert code here */\r\n"
            "\r\n  END LOOP;"
            "\r\n  CLOSE " +
            cursor +
            ";"
            "\r\nEND;";
    return text;
}

} // namespace app
