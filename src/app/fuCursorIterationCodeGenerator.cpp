#include "app/fuCursorIterationCodeGenerator.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <memory>

#include "app/fruCodeEditor.h"
#include "app/fruTextEditor.h"
#include "core/uDataConverter.h"
#include "core/uDBAConnection.h"
#include "core/uMySQLTypes.h"
#include "core/uStringUtils.h"
#include "engine/server/uDBAExpressions.h"
#include "engine/server/uQueryAnalyzer.h"
#include "platform/data/DataSet.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Edits.h"
#include "platform/ui/Labels.h"
#include "platform/ui/Panels.h"

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

namespace {

std::vector<TColumnInfo> TableColumns(core::IDBAConnection& connection, const std::string& table,
                                      std::string_view variablesPrefix) {
    std::vector<TColumnInfo> columns;
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
    return columns;
}

} // namespace

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

    const std::string drop = "DROP TEMPORARY TABLE " + table;
    std::vector<TColumnInfo> columns;
    try {
        columns = TableColumns(connection, table, variablesPrefix);
    } catch (const std::exception&) {
        // The table goes in any case, but the user needs to hear of the first error, not of this one.
        try {
            connection.ExecSQL(drop);
        } catch (const std::exception&) {
        }
        throw;
    }
    connection.ExecSQL(drop);
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

namespace {

// A label over its edit in the options group, `left` pixels in.
ui::TEdit* AddOptionEdit(ui::TComponent* owner, ui::TGroupBox* group, const char* name, const char* label,
                         const char* text, int left) {
    auto* caption = new ui::TLabel(owner);
    caption->SetParent(group);
    caption->SetCaption(label);
    caption->SetBounds(left, 22, 120, 13);
    auto* edit = new ui::TEdit(owner);
    edit->SetName(name);
    edit->SetParent(group);
    edit->SetText(text);
    edit->SetBounds(left, 38, 150, 21);
    caption->SetFocusControl(edit);
    return edit;
}

} // namespace

TfmCursorIterationCodeGenerator::TfmCursorIterationCodeGenerator(
    ui::TComponent* owner, std::shared_ptr<core::IDBAConnection> connection)
    : TfmCodeGenerator(owner, std::move(connection)) {
    SetName("fmCursorIterationCodeGenerator");
    SetCaption("CURSOR Iteration");
    SetClientSize(669, 436);

    pnlTop = new ui::TPanel(this);
    pnlTop->SetName("pnlTop");
    pnlTop->SetParent(this);
    pnlTop->SetBevelOuter(ui::bvNone);
    pnlTop->SetCaption("");
    pnlTop->SetAlign(ui::alTop);
    pnlTop->SetHeight(100);
    lbSelectStatement = new ui::TLabel(this);
    lbSelectStatement->SetName("lbSelectStatement");
    lbSelectStatement->SetParent(pnlTop);
    lbSelectStatement->SetCaption("SELECT statement:");
    lbSelectStatement->SetBounds(8, 84, 200, 13);
    gbOptions = new ui::TGroupBox(this);
    gbOptions->SetName("gbOptions");
    gbOptions->SetParent(pnlTop);
    gbOptions->SetCaption(" Options ");
    gbOptions->SetBounds(8, 6, 653, 72);
    gbOptions->SetAnchors({ui::akLeft, ui::akTop, ui::akRight});
    edCursorName = AddOptionEdit(this, gbOptions, "edCursorName", "Cursor &name:", "c", 12);
    edVariablesPrefix = AddOptionEdit(this, gbOptions, "edVariablesPrefix", "Variables &prefix:", "v_", 180);

    editor_ = new TfrmTextEditor(this, TfrmTextEditor::hkSQL);
    editor_->SetParent(this);
    editor_->SetAlign(ui::alClient);
    editor_->SetGutterExtraWidth(32);
    OnShow = [this](ui::TObject*) { editor_->FocusEditor(); };
}

bool TfmCursorIterationCodeGenerator::CanGenerate() {
    return !core::WideTrimSpaces(editor_->GetText()).empty();
}

void TfmCursorIterationCodeGenerator::Apply() {
    columns_ = ReadCursorColumns(Connection(), editor_->GetText(), edVariablesPrefix->Text());
}

std::u16string TfmCursorIterationCodeGenerator::GenerateCode() {
    return rtl::Utf8ToUtf16(GenerateCursorLoop(columns_, edCursorName->Text(), editor_->GetText()));
}

void InstallCodeGenerators() {
    RoutineEditorServices().GenerateCursorIteration = RunCodeGenerator<TfmCursorIterationCodeGenerator>;
}

} // namespace app
