// The code generator dialog: writes a main block that calls a routine with its parameters.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/Forms.h"

namespace core {
class IDBAConnection;
}
namespace engine {
class TRoutine;
}
namespace ui {
class TAction;
class TActionList;
class TButton;
class TPanel;
} // namespace ui

namespace app {

// A main block that calls the compiled routine with session variables: IN and INOUT parameters are
// set to NULL first, OUT and INOUT ones (or a function's result) are selected afterwards.
std::u16string GenerateDebugScript(const engine::TRoutine& routine);

// Reads the routine name (as written, schema included), the type ("PROCEDURE" or "FUNCTION" as
// written) and, when asked, each parameter definition's text from the header of a CREATE PROCEDURE or
// CREATE FUNCTION text. What cannot be read stays empty; a text that is no routine header gives nothing.
void ParseRoutineHeader(std::u16string_view text, std::string& name, std::string& type,
                        std::vector<std::string>* parameters);

// The dialog every code generator is: its own controls above an OK and Cancel row. OK runs Apply and
// closes only when Apply succeeded; an error is shown and the dialog stays open.
class TfmCodeGenerator : public ui::TForm {
public:
    TfmCodeGenerator(ui::TComponent* owner, std::shared_ptr<core::IDBAConnection> connection);

    virtual bool CanGenerate() { return true; }
    virtual void Apply() {}
    virtual std::u16string GenerateCode() = 0;

    core::IDBAConnection& Connection() const { return *connection_; }

    ui::TActionList* alMain;
    ui::TAction* aOk;
    ui::TAction* aCancel;
    ui::TPanel* pnlBottom;
    ui::TPanel* bvlBottom;
    ui::TButton* buOk;
    ui::TButton* buCancel;

private:
    void aOkExecute();

    std::shared_ptr<core::IDBAConnection> connection_;
};

// Shows a generator of the class modally; true with its code when the user chose OK.
template <class TGenerator>
bool RunCodeGenerator(ui::TComponent* owner, const std::shared_ptr<core::IDBAConnection>& connection,
                      std::u16string& code) {
    TGenerator dialog(owner, connection);
    if (dialog.ShowModal() != ui::mrOk) return false;
    code = dialog.GenerateCode();
    return true;
}

} // namespace app
