// The main window over the test server, offscreen: its panels, its debugging commands as the user
// gives them (actions) and what the window shows after each.
#include "app/duVeltraneCommon.h"
#include "app/fruCallStack.h"
#include "app/fruCodeEditor.h"
#include "app/fruLocalVariables.h"
#include "app/fruOutput.h"
#include "app/fruSQL.h"
#include "app/fruTextEditor.h"
#include "app/fruWatchList.h"
#include "app/fuMain.h"
#include "docking/vzDockPanel.h"
#include "docking/vzDockTabs.h"
#include "engine/DebugThreadTestSupport.h"
#include "engine/uVeltrane.h"
#include "platform/ui/Actions.h"
#include "platform/ui/Application.h"
#include "platform/ui/PageControls.h"
#include "support/MariaDBConnection.h"
#include "support/TestServer.h"
#include "support/UiTest.h"
#include "widecontrols/uUcStdCtrls.h"

#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace app {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { uitest::EnsureApplication(); }

    void SetUp() override {
        settings = VELTRANE_REQUIRE_SERVER();
        registry = std::filesystem::temp_directory_path() /
                   ("veltrane-main-window-" + std::to_string(::getpid()));
        std::filesystem::remove(registry);
        setenv("VELTRANE_REGISTRY", registry.c_str(), 1);
        dmVeltraneCommon = new TdmVeltraneCommon(&application);
        OpenMainWindow();
    }

    void OpenMainWindow() {
        auto connection = std::make_shared<testsupport::MariaDBConnection>(settings, settings.database);
        connection->Connect();
        GlobalConnection = connection;
        main = new TfmMain(&application);
        main->Show();
    }

    // Closing saves the session; the next window over the same connection reads it.
    void ReopenMainWindow() {
        main->Close();
        delete main;
        OpenMainWindow();
    }

    void TearDown() override {
        if (main) {
            main->Close();
            delete main;
        }
        unsetenv("VELTRANE_REGISTRY");
        std::filesystem::remove(registry);
    }

    void Execute(const char* action) {
        ASSERT_TRUE(main->Action(action).Enabled()) << action;
        main->Action(action).Execute();
        engine::PumpUntil([&] { return !main->Veltrane().Busy(); });
        application.Idle();
    }

    TfrmCodeEditor& MainEditor() const { return *main->EditorOfTab(0); }

    void TypeMainBlock(std::u16string_view text) {
        MainEditor().SetText(text);
        application.Idle();
    }

    ui::TApplication application;
    testsupport::ServerSettings settings;
    std::filesystem::path registry;
    TfmMain* main = nullptr;
};

constexpr std::u16string_view kLoop = u"BEGIN\n"
                                      u"  DECLARE i INT DEFAULT 0;\n"
                                      u"  WHILE i < 3 DO\n"
                                      u"    SET i = i + 1;\n"
                                      u"  END WHILE;\n"
                                      u"  SELECT i * 10 AS tenfold;\n"
                                      u"END";

TEST_F(MainWindowTest, AtAStopTheSteppingCommandsAreOnAndRunningAgainEndsTheSession) {
    TypeMainBlock(kLoop);
    EXPECT_FALSE(main->Action("aStepInto").Enabled());
    MainEditor().TextEditor().SetCaretPos(0, 4);
    Execute("aRunToCursor");
    ASSERT_TRUE(main->Veltrane().IsRunning());
    EXPECT_EQ(main->Veltrane().CurrentLine(), 4);
    for (const char* name : {"aStepInto", "aStepOver", "aReset", "aRun"})
        EXPECT_TRUE(main->Action(name).Enabled()) << name;
    EXPECT_FALSE(main->Action("aPause").Enabled());

    Execute("aStepOver");
    EXPECT_TRUE(main->Veltrane().IsRunning());
    Execute("aRun");
    engine::PumpUntil([&] { return !main->Veltrane().IsRunning(); });
    application.Idle();
    EXPECT_FALSE(main->Action("aStepInto").Enabled());
}

// The layout fills the docking site whatever size the window takes: the tab strip of the debugging
// views stays inside it.
TEST_F(MainWindowTest, TheDefaultLayoutTabsTheDebuggingViewsAndFollowsTheWindowsSize) {
    auto* tabs = dynamic_cast<docking::TvzInsideContainer*>(main->Panel("dcWatches").Container());
    ASSERT_TRUE(tabs);
    EXPECT_EQ(tabs->ChildCount(), 4);
    ASSERT_GT(tabs->TabStripHeight(), 0);
    for (const auto& [width, height] : {std::pair{1000, 700}, std::pair{800, 520}, std::pair{1200, 900}}) {
        main->SetBounds(0, 0, width, height);
        uitest::ProcessEvents();
        const ui::TWinControl* site = tabs->Parent();
        EXPECT_EQ(tabs->BoundsRect().Bottom, site->ClientHeight()) << width << "x" << height;
        EXPECT_EQ(main->Panel("dcSchemaBrowser").BoundsRect().Right, site->ClientWidth());
    }
    main->Widget()->grab().toImage().save("main-window-default-layout.png");
}

TEST_F(MainWindowTest, TheSessionKeepsTheMainBlockTheWatchesAndTheSQLText) {
    TypeMainBlock(kLoop);
    main->WatchList().AddWatch(u"i * 10");
    main->WatchList().AddWatch(u"CONCAT('a', 'b')");
    main->SQLWindow().SetText(u"SELECT 1;");
    const std::u16string mainText = MainEditor().GetText(), sqlText = main->SQLWindow().GetText();
    // Twice: what is read back saves as it was.
    for (int round = 0; round < 2; ++round) {
        ReopenMainWindow();
        EXPECT_EQ(MainEditor().GetText(), mainText);
        ASSERT_EQ(main->WatchList().WatchCount(), 2);
        EXPECT_EQ(main->WatchList().Expression(1), u"CONCAT('a', 'b')");
        EXPECT_EQ(main->SQLWindow().GetText(), sqlText);
    }
}

std::vector<std::u16string> Lines(widecontrols::TUcListBox& list) {
    std::vector<std::u16string> lines;
    for (int i = 0; i < list.WideItems().GetCount(); ++i)
        lines.push_back(list.WideItems().Get(i));
    return lines;
}

TEST_F(MainWindowTest, EveryStopRefreshesTheWatchesTheLocalVariablesAndTheCallStack) {
    TypeMainBlock(kLoop);
    main->WatchList().AddWatch(u"i * 10");
    MainEditor().TextEditor().SetCaretPos(0, 4);
    Execute("aRunToCursor");
    EXPECT_EQ(Lines(*main->LocalVariables().lbVariables), (std::vector<std::u16string>{u"i: 0"}));
    EXPECT_EQ(main->WatchList().ValueText(0), u"0");
    ASSERT_EQ(main->CallStack().lbEntries->Items().Count(), 1);
    EXPECT_GT(main->Output().MessageCount(), 0) << "Debugging started";

    // Round the loop to the same line.
    do
        Execute("aStepInto");
    while (main->Veltrane().CurrentLine() != 4);
    EXPECT_EQ(Lines(*main->LocalVariables().lbVariables), (std::vector<std::u16string>{u"i: 1"}));
    EXPECT_EQ(main->WatchList().ValueText(0), u"10");
}

} // namespace
} // namespace app
