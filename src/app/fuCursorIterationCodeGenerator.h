// The generator of a cursor loop that fetches the columns of a SELECT into variables.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/fuCodeGenerator.h"

namespace core {
class IDBAConnection;
}
namespace ui {
class TGroupBox;
class TEdit;
class TLabel;
} // namespace ui

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

class TfrmTextEditor;

// Turns the SELECT statement typed into it into a cursor loop with a typed variable per column.
class TfmCursorIterationCodeGenerator : public TfmCodeGenerator {
public:
    TfmCursorIterationCodeGenerator(ui::TComponent* owner, std::shared_ptr<core::IDBAConnection> connection);

    bool CanGenerate() override;
    void Apply() override;
    std::u16string GenerateCode() override;

    TfrmTextEditor& Editor() const { return *editor_; }
    const std::vector<TColumnInfo>& Columns() const { return columns_; }

    ui::TPanel* pnlTop;
    ui::TLabel* lbSelectStatement;
    ui::TGroupBox* gbOptions;
    ui::TEdit* edCursorName;
    ui::TEdit* edVariablesPrefix;

private:
    TfrmTextEditor* editor_;
    std::vector<TColumnInfo> columns_;
};

// Lets routine editors offer the cursor-iteration generator in their context menu.
void InstallCodeGenerators();

} // namespace app
