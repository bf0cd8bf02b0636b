// The program's main window.
#pragma once

#include "core/uDBAConnection.h"
#include "platform/ui/Forms.h"

#include <memory>

namespace app {

// The connection the main block hands to the main window, which takes it over and clears this.
extern std::shared_ptr<core::IDBAConnection> GlobalConnection;

class TfmMain : public ui::TForm {
public:
    explicit TfmMain(ui::TComponent* owner);

    const std::shared_ptr<core::IDBAConnection>& Connection() const { return connection_; }

private:
    std::shared_ptr<core::IDBAConnection> connection_;
};

// Names the program for the window system before any window shows.
void InitializeMainUnit();

} // namespace app
