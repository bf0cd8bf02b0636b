#include "components/uMyCommand.h"

#include "components/uMyConnection.h"
#include "dataaccess/mysql/uMySQLCommand.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/ScopeExit.h"

namespace components {

TMyCommand::TMyCommand(data::TComponent* owner) : TCustomDASQL(owner) {
    SetAutoCommit(true);
    CreateICommand();
    Macros().SetParserClass(myCommand_->GetParserClass());
}

TCustomMyConnection* TMyCommand::Connection() const {
    return static_cast<TCustomMyConnection*>(TCustomDASQL::Connection());
}

void TMyCommand::SetConnection(TCustomMyConnection* value) {
    TCustomDASQL::SetConnection(value);
}

void TMyCommand::SetCommandTimeout(int value) {
    if (value == commandTimeout_) return;
    commandTimeout_ = value;
    if (ICommand()) ICommand()->SetProp(dataaccess::prCommandTimeout, value);
}

void TMyCommand::CreateICommand() {
    TCustomDASQL::CreateICommand();
    if (!ICommand()) SetICommand(std::make_unique<dataaccess::TMySQLCommand>());
}

void TMyCommand::SetICommand(TServerCommandPtr command) {
    myCommand_ = dynamic_cast<dataaccess::TMySQLCommand*>(command.get());
    if (command) command->SetProp(dataaccess::prCommandTimeout, commandTimeout_);
    TCustomDASQL::SetICommand(std::move(command));
}

void TMyCommand::ScanParams() {
    if (!ParamCheck() || !ICommand()) {
        TCustomDASQL::ScanParams();
        return;
    }
    // The server command notes where each parameter stands in the text while it is scanned.
    ICommand()->SetProp(dataaccess::prFillParamPosition, true);
    rtl::Finally([&] { TCustomDASQL::ScanParams(); },
                 [&] {
                     if (ICommand()) ICommand()->SetProp(dataaccess::prFillParamPosition, false);
                 });
}

void TMyCommand::AssignTo(data::TPersistent* dest) const {
    TCustomDASQL::AssignTo(dest);
    if (auto* other = dynamic_cast<TMyCommand*>(dest)) other->AfterExecute = AfterExecute;
}

dataaccess::TMySQLCommand* TMyAccessUtils::GetIMySQLCommand(const data::TComponent* component) {
    const auto* command = dynamic_cast<const TMyCommand*>(component);
    RTL_ASSERT(command);
    return command->MyICommand();
}

} // namespace components
