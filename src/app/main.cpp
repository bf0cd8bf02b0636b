// The program's main block: the hint machinery, the connection dialog and, once connected, the main
// window and the message loop.

#include "app/duVeltraneCommon.h"
#include "app/fuConnection.h"
#include "app/fuMain.h"
#include "app/uHintWindow.h"
#include "app/uTestTrace.h"
#include "platform/ui/Application.h"
#include "platform/ui/WindowSystem.h"

#include <exception>

int main(int argc, char** argv) {
    ui::TWindowSystem windowSystem(argc, argv);
    ui::TApplication application;
    app::InitializeMainUnit();
    app::InstallHintWindow();
    app::InstallHintTuner(false);
    const app::TTestTrace trace;
    try {
        app::GlobalConnection = app::ShowConnectionDialog();
    } catch (const std::exception& error) {
        // The connection made after OK failed after all: nothing to debug, so the program ends.
        application.ShowException(error);
        return 1;
    }
    if (app::GlobalConnection) {
        app::dmVeltraneCommon = new app::TdmVeltraneCommon(&application);
        application.CreateForm<app::TfmMain>();
    }
    // Without a main form (the dialog was cancelled) there is nothing to run.
    if (application.MainForm()) application.Run();
    app::GlobalConnection = nullptr;
    return 0;
}
