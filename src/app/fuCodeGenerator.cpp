#include "app/fuCodeGenerator.h"

#include <memory>

#include "core/uStringUtils.h"
#include "engine/local/uProgram.h"
#include "engine/model/uStatements.h"
#include "engine/server/uDBAExpressions.h"
#include "parser/uMySqlGrammar.h"
#include "parser/uParser.h"
#include "parser/uSQLRoutines.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Actions.h"
#include "platform/ui/Application.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/Panels.h"

namespace app {

std::u16string GenerateDebugScript(const engine::TRoutine& routine) {
    RTL_ASSERT(routine.Compiled());
    std::string text = "BEGIN";
    std::string arguments;
    std::string outputs;
    const engine::IBlock& block = *routine.Block();
    for (int i = 0; i < block.SymbolCount(); ++i) {
        const auto parameter = std::dynamic_pointer_cast<engine::IDBAParameter>(block.GetSymbol(i));
        if (!parameter) continue;
        const std::string variable = "@" + parameter->GetName();
        const engine::TParameterScope scope = parameter->GetScope();
        if (scope != engine::psOut) text += "\r\n  SET " + variable + " = NULL;";
        core::AppendWithDelimiter(arguments, variable, ", ");
        if (scope != engine::psIn) core::AppendWithDelimiter(outputs, variable, ", ");
    }
    if (routine.Kind() == engine::rkFunction) {
        text += "\r\n  SET @result = " + routine.Name() + "(" + arguments + ");";
        outputs = "@result";
    } else {
        text += "\r\n  CALL " + routine.Name() + "(" + arguments + ");";
    }
    if (!outputs.empty()) text += "\r\n  SELECT " + outputs + ";";
    return rtl::Utf8ToUtf16(text + "\r\nEND");
}

void ParseRoutineHeader(std::u16string_view text, std::string& name, std::string& type,
                        std::vector<std::string>* parameters) {
    name.clear();
    type.clear();
    try {
        parser::TMySqlGrammar grammar;
        grammar.SetParseMode(parser::pmRoutineHeader);
        parser::GrammarParserCache().GetParser<parser::TMySqlGrammar>().Parse(grammar, text);
        for (parser::TSymbol* symbol : grammar.Children()) {
            auto* header = dynamic_cast<parser::TgrmRoutineHeader*>(symbol);
            if (!header) continue;
            name = header->GetRoutineName();
            type = header->GetRoutineType();
            if (parameters) {
                std::vector<parser::TgrmParameterDefinition*> definitions;
                header->GetParameters(&definitions);
                for (const auto* definition : definitions)
                    parameters->push_back(parser::GetSourceText(*definition, true, false));
            }
            return;
        }
    } catch (const std::exception&) {
        // Not a routine header: the outputs stay as far as they were read.
    }
}

TfmCodeGenerator::TfmCodeGenerator(ui::TComponent* owner, std::shared_ptr<core::IDBAConnection> connection)
    : ui::TForm(owner), connection_(std::move(connection)) {
    RTL_ASSERT(connection_);
    SetName("fmCodeGenerator");
    SetFormBorderStyle(ui::bsDialog);
    SetPosition(ui::poOwnerFormCenter);
    Font()->SetName("Tahoma");
    Font()->SetHeight(-11);
    SetClientSize(389, 204);

    alMain = new ui::TActionList(this);
    alMain->SetName("alMain");
    alMain->OnUpdate = [this](ui::TBasicAction*, bool& handled) {
        aOk->SetEnabled(CanGenerate());
        handled = true;
    };
    const auto addAction = [this](const char* name, const char* caption) {
        auto* action = new ui::TAction(this);
        action->SetName(name);
        action->SetCaption(caption);
        action->SetActionList(alMain);
        return action;
    };
    aOk = addAction("aOk", "&OK");
    aOk->OnExecute = [this](ui::TObject*) { aOkExecute(); };
    aCancel = addAction("aCancel", "&Cancel");
    aCancel->OnExecute = [this](ui::TObject*) { SetModalResult(ui::mrCancel); };

    pnlBottom = new ui::TPanel(this);
    pnlBottom->SetName("pnlBottom");
    pnlBottom->SetParent(this);
    pnlBottom->SetBevelOuter(ui::bvNone);
    pnlBottom->SetCaption("");
    pnlBottom->SetAlign(ui::alBottom);
    pnlBottom->SetHeight(41);
    // The etched line between the generator's own controls and the buttons.
    bvlBottom = new ui::TPanel(this);
    bvlBottom->SetName("bvlBottom");
    bvlBottom->SetParent(this);
    bvlBottom->SetBevelOuter(ui::bvLowered);
    bvlBottom->SetCaption("");
    bvlBottom->SetAlign(ui::alBottom);
    bvlBottom->SetHeight(2);
    const auto addButton = [this](const char* name, ui::TAction* action, int right) {
        auto* button = new ui::TButton(this);
        button->SetName(name);
        button->SetParent(pnlBottom);
        button->SetAction(action);
        button->SetBounds(pnlBottom->ClientWidth() - right, 8, 75, 25);
        button->SetAnchors({ui::akTop, ui::akRight});
        return button;
    };
    buOk = addButton("buOk", aOk, 166);
    buOk->SetDefault(true);
    buCancel = addButton("buCancel", aCancel, 85);
    buCancel->SetCancel(true);
}

void TfmCodeGenerator::aOkExecute() {
    try {
        Apply();
    } catch (const std::exception& error) {
        ui::Application->ShowException(error);
        return;
    }
    SetModalResult(ui::mrOk);
}

} // namespace app
