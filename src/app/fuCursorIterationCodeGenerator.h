#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {
class IDBAConnection;
}

namespace app {

// One column of the SELECT statement the loop fetches from, as the variable that receives it.
struct TColumnInfo {
    std::string variableName;
    std::string typeText;

    bool operator==(const TColumnInfo&) const = default;
};

// The column's type as a DECLARE writes it: upper case outside the first parentheses, which keep their
// case (an enum's values), and the collation's character set when its code page is not the
// connection's.
std::string ColumnTypeText(std::string_view type, const std::optional<std::string>& collation,
                           int connectionCodePage);

// The columns of the statement's result, read from a temporary table built from its first row; each
// call uses a new table name. Raises "Invalid SELECT statement" for a statement without rows and
// passes server errors on.
std::vector<TColumnInfo> ReadCursorColumns(core::IDBAConnection& connection, std::u16string_view selectText,
                                           std::string_view variablesPrefix);

// The cursor loop over the statement, lines joined with CR LF.
std::string GenerateCursorLoop(const std::vector<TColumnInfo>& columns, std::string_view cursorName,
                               std::u16string_view selectText);

} // namespace app
