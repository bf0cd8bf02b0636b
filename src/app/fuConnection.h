// The first window: where to connect, remembered between runs, tested before it is taken.
#pragma once

#include "core/uDBAConnection.h"
#include "imaging/uPlacemnt.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/Edits.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Labels.h"
#include "platform/ui/ListControls.h"

#include <memory>
#include <string>

namespace app {

class TfmConnection : public ui::TForm {
public:
    explicit TfmConnection(ui::TComponent* owner);
    ~TfmConnection() override;

    // A new connection from the fields, not yet connected; a port that is no number raises a
    // conversion error before any connection is made.
    std::shared_ptr<core::IDBAConnection> CreateConnection() const;
    // Refuses a blank database, connects and refuses a server older than 5.0; raises what failed.
    void TestConnection();

    void buTestConnectClick(ui::TObject* sender);
    void buOkClick(ui::TObject* sender);
    void edDatabaseDropDown(ui::TObject* sender);
    void laHomeClick(ui::TObject* sender);

    ui::TEdit* edHost;
    ui::TEdit* edPort;
    ui::TEdit* edLogin;
    ui::TEdit* edPassword;
    ui::TComboBox* edDatabase;
    ui::TButton* buTestConnect;
    ui::TButton* buOk;
    ui::TButton* buCancel;
    ui::TLabel* laHome;
    imaging::TFormStorage* FormStorage;

private:
    ui::TEdit* AddField(const char* name, const char* label, const char* text, int row);
    ui::TButton* AddButton(const char* name, const char* caption, int left, int width);
};

// The password as the registry keeps it: XOR-ed with a fixed key, in hexadecimal. It hides the
// password from a glance, nothing more.
std::string ScramblePassword(const std::string& password);
std::string UnscramblePassword(const std::string& scrambled);
// The server's version text starts with a major version of 5 or more.
bool SupportedServerVersion(const std::string& version);

// Shows the dialog; after OK, the connected connection (the update check has run), else null.
std::shared_ptr<core::IDBAConnection> ShowConnectionDialog();

} // namespace app
