// The main window over the test server, offscreen: its panels, its debugging commands as the user
// gives them (actions) and what the window shows after each.
#include "app/duVeltraneCommon.h"
#include "app/fruCallStack.h"
#include "app/fruCodeEditor.h"
#include "app/fruLocalVariables.h"
#include "app/fruOutput.h"
#include "app/fruSchemaBrowser.h"
#include "app/fruSQL.h"
#include "app/fruTextEditor.h"
#include "app/fruWatchList.h"
#include "app/fuMain.h"
#include "docking/vzDockingManager.h"
#include "docking/vzDockingVS2005.h"
#include "docking/vzDockPanel.h"
#include "docking/vzDockTabs.h"
#include "engine/debugger/uVeltrane.h"
#include "engine/DebugThreadTestSupport.h"
#include "lazytree/LazyStringTree.h"
#include "platform/ui/Actions.h"
#include "platform/ui/Application.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Menus.h"
#include "platform/ui/PageControls.h"
#include "support/ErrorText.h"
#include "support/MariaDBConnection.h"
#include "support/TestServer.h"
#include "support/UiTest.h"
#include "widecontrols/uUcStdCtrls.h"

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QWidget>

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>

namespace app {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { uitest::EnsureApplication(); }

    void SetUp() override {
        settings = VELTRANE_REQUIRE_SERVER();
        registry =
            std::filesystem::temp_directory_path() / ("veltrane-main-window-" + std::to_string(::getpid()));
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

// Panels are dragged with guides that fade as the form sets them, Ctrl with the left button drags
// without docking, new tab containers put their tabs at the bottom and the window's place is stored.
TEST_F(MainWindowTest, PanelsAreDraggedWithFadingGuides) {
    auto* manager = dynamic_cast<docking::TvzDockingManager*>(main->Panel("dcOutput").DockingManager());
    ASSERT_TRUE(manager);
    auto* mover = dynamic_cast<docking::TvzVS2005Mover*>(manager->Mover(&main->Panel("dcOutput")));
    EXPECT_EQ(manager->DockingStyleClassName(), "VS2005");
    ASSERT_TRUE(mover) << "panels are dragged without guides";
    const docking::drag::TvzVS2005DockingStyle* guided = &mover->Style();
    EXPECT_EQ(guided, &manager->DockingStyle()) << "the mover reads the options set on the style";
    const auto expect = [](const docking::guides::TvzVS2005DockingZoneOptions& zone,
                           std::array<int, 4> values, const char* which) {
        EXPECT_EQ(
            (std::array{zone.transparency, zone.activeTransparency, zone.fadeInDelay, zone.fadeOutDelay}),
            values)
            << which;
    };
    expect(guided->ActiveDockZone(), {128, 255, 200, 250}, "active zone");
    expect(guided->DockZone(), {0, 128, 50, 1000}, "other zones");
    EXPECT_EQ(manager->AutoDragKey(), (docking::TvzDockingShiftState{docking::dssCtrl, docking::dssLeft}));
    EXPECT_EQ(manager->TabOrientation(), docking::uistyle::dtoBottom);
    EXPECT_EQ(manager->StoreOptions(),
              (docking::TvzDockingStoreOptions{docking::dsoFormPosition, docking::dsoFormState}));
    EXPECT_EQ(manager->CaptionButtons(), (docking::TvzDockButtonItems{docking::dbiHide, docking::dbiAutoHide,
                                                                      docking::dbiMaximizeRestore}));
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

std::vector<std::string> MenuCaptions(ui::TPopupMenu& menu) {
    std::vector<std::string> captions;
    for (int i = 0; i < menu.Items()->Count(); ++i)
        captions.push_back(menu.Items()->Items(i)->Caption());
    return captions;
}

TEST_F(MainWindowTest, ThePopupMenusOfTheSchemaBrowserAndTheTabs) {
    EXPECT_EQ(MenuCaptions(main->ExplorerMenu()),
              (std::vector<std::string>{"Open", "-", "Configure environment for debug this routine", "-",
                                        "Create procedure...", "Create function...", "-", "Drop", "-",
                                        "Refresh schema"}));
    EXPECT_EQ(MenuCaptions(main->TabsMenu()),
              (std::vector<std::string>{"Close", "-", "Store routine", "-", "Refresh"}));
    main->Action("aRefreshExplorer").Execute();
    application.Idle();
    main->ExplorerMenu().Popup(100, 100);
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* menu = qobject_cast<QMenu*>(widget); menu && menu->isVisible()) {
            menu->grab().save("schema-browser-popup-menu.png");
            menu->close();
        }
    // Tool panels dock beside the work area, never as its tabs.
    docking::TvzDockingControl& work = main->Panel("dcWorkArea");
    for (const auto& [offered, expected] :
         {std::pair{docking::drtInside, docking::drtNone},
          std::pair{docking::drtInsideBefore, docking::drtNone},
          std::pair{docking::drtBottom, docking::drtBottom}, std::pair{docking::drtLeft, docking::drtLeft}}) {
        docking::TvzDockingRegionType region = offered;
        work.DockZone(&main->Panel("dcOutput"), {10, 10}, region);
        EXPECT_EQ(region, expected) << offered;
    }
}

// The schema browser's routines, driven through its pop-up menu's actions.
class MainExplorerTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        session = std::make_unique<testsupport::RawSession>(settings, settings.database);
        DropRoutines();
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        if (session) DropRoutines();
    }
    void DropRoutines() {
        session->Execute("DROP PROCEDURE IF EXISTS `" + procedure + "`; DROP FUNCTION IF EXISTS `" +
                         function + "`");
    }

    // Reads the schema again and focuses the routine in the configured database.
    void SelectRoutine(const std::string& name) {
        main->Action("aRefreshExplorer").Execute();
        lazytree::TLazyStringTree& tree = *main->SchemaBrowser().tvObjects;
        lazytree::TLazyTreeModel& model = tree.Tree();
        for (auto database = model.RootNode()->FirstChild; database; database = database->NextSibling) {
            model.SetExpanded(database, true);
            for (auto node = database->FirstChild; node; node = node->NextSibling) {
                TSchemaItemData item;
                model.SetFocusedNode(node);
                main->SchemaBrowser().GetSelectedItem(item);
                if (item.name == settings.database + "." + name) return;
            }
            model.SetExpanded(database, false);
        }
        FAIL() << name << " not in the schema browser";
    }

    bool ExistsOnServer(const std::string& name) {
        return session->Scalar("SELECT COUNT(*) FROM information_schema.ROUTINES WHERE ROUTINE_SCHEMA = '" +
                               settings.database + "' AND ROUTINE_NAME = '" + name + "'") == "1";
    }

    std::unique_ptr<testsupport::RawSession> session;
    const std::string procedure = "p_new_" + std::to_string(::getpid());
    const std::string function = "f_env_" + std::to_string(::getpid());
};

TEST_F(MainExplorerTest, DropAsksThenTheServerAndTheTreeLoseTheRoutine) {
    session->Execute("CREATE PROCEDURE `" + procedure + "`()\nBEGIN\n  SET @a = 1;\nEND");
    SelectRoutine(procedure);
    main->Action("aOpenSource").Execute();
    ASSERT_EQ(main->TabCount(), 2);
    const std::string question =
        "Do you really want to drop the procedure '" + settings.database + "." + procedure + "'?";
    std::vector<std::string> asked;
    ui::TModalResult answer = ui::mrNo;
    const ui::TDialogAnswers answers([&](const ui::TMessageRequest& request) {
        asked.push_back(request.text);
        return answer;
    });
    main->Action("aDropRoutine").Execute();
    EXPECT_EQ(asked, std::vector<std::string>{question});
    EXPECT_TRUE(ExistsOnServer(procedure)) << "No keeps it";

    answer = ui::mrYes;
    main->Action("aDropRoutine").Execute();
    EXPECT_FALSE(ExistsOnServer(procedure));
    EXPECT_EQ(main->TabCount(), 1) << "its tab goes without a question";
    TSchemaItemData item;
    main->SchemaBrowser().GetSelectedItem(item);
    EXPECT_NE(item.name, settings.database + "." + procedure) << "the node is gone";
    EXPECT_EQ(asked.size(), 2u);
}

TEST_F(MainExplorerTest, ADatabaseNodeIsNeitherDroppedNorDebugged) {
    main->Action("aRefreshExplorer").Execute();
    lazytree::TLazyTreeModel& model = main->SchemaBrowser().tvObjects->Tree();
    model.SetFocusedNode(model.RootNode()->FirstChild);
    std::vector<std::string> asked;
    const ui::TDialogAnswers answers([&](const ui::TMessageRequest& request) {
        asked.push_back(request.text);
        return ui::mrYes;
    });
    EXPECT_EQ(testsupport::ErrorMessageOf([&] { main->Action("aDropRoutine").Execute(); }),
              "Cannot drop Schema");
    EXPECT_EQ(testsupport::ErrorMessageOf([&] { main->Action("aGenerateDebugScript").Execute(); }),
              "Cannot generate debug script for Schema");
    EXPECT_TRUE(asked.empty()) << "nothing asked, nothing changed";
}

// An edit the user chose not to store goes with its tab: the script debugs the server's routine.
TEST_F(MainExplorerTest, ConfigureEnvironmentDropsAnEditThatWasNotStored) {
    session->Execute("CREATE PROCEDURE `" + procedure + "`()\nBEGIN\n  SET @a = 1;\nEND");
    SelectRoutine(procedure);
    main->Action("aOpenSource").Execute();
    TfrmCodeEditor& editor = *main->ActiveEditor();
    const std::u16string serverText = editor.GetText();
    editor.SetText(u"CREATE PROCEDURE `" + rtl::Utf8ToUtf16(procedure) +
                   u"`()\r\nBEGIN\r\n  SET @a = 2;\r\nEND");
    const ui::TDialogAnswers answers([](const ui::TMessageRequest& request) {
        return request.text.rfind("Store the changes", 0) == 0 ? ui::mrNo : ui::mrYes;
    });
    main->Action("aGenerateDebugScript").Execute();
    ASSERT_EQ(main->TabCount(), 2);
    EXPECT_EQ(main->EditorOfTab(1)->GetText(), serverText);
    EXPECT_EQ(session->Scalar(
                  "SELECT ROUTINE_DEFINITION FROM information_schema.ROUTINES WHERE ROUTINE_SCHEMA = '" +
                  settings.database + "' AND ROUTINE_NAME = '" + procedure + "'"),
              "BEGIN\n  SET @a = 1;\nEND")
        << "nothing stored";
}

// A right click on a tab makes it the tab the menu's commands act on.
TEST_F(MainExplorerTest, ARightClickOnATabActivatesItAndOpensTheTabsMenu) {
    session->Execute("CREATE PROCEDURE `" + procedure + "`()\nBEGIN\n  SET @a = 1;\nEND");
    SelectRoutine(procedure);
    main->Action("aOpenSource").Execute();
    ui::TPageControl& tabs = main->CodeEditors();
    tabs.SetActivePageIndex(0);
    bool shown = false;
    main->TabsMenu().OnPopup = [&](ui::TObject*) { shown = true; };
    const ui::TRect tab = tabs.TabRect(1);
    tabs.OnMouseDown(&tabs, ui::mbRight, {}, (tab.Left + tab.Right) / 2, (tab.Top + tab.Bottom) / 2);
    EXPECT_EQ(tabs.ActivePageIndex(), 1);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(main->Action("aCloseTab").Enabled()) << "the routine's tab may close";
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* menu = qobject_cast<QMenu*>(widget); menu && menu->isVisible()) menu->close();
}

TEST_F(MainExplorerTest, ConfigureEnvironmentWritesTheScriptAndOneBreakpoint) {
    session->Execute("CREATE FUNCTION `" + function + "`() RETURNS INT\nBEGIN\n  RETURN 7;\nEND");
    session->Execute("CREATE PROCEDURE `" + procedure + "`(IN a INT)\nBEGIN\n  SET @a = a;\nEND");
    main->Veltrane().BreakPoints().Add("`elsewhere`.`p`", 1, 3);
    std::vector<std::string> shown;
    const ui::TDialogAnswers answers([&](const ui::TMessageRequest& request) {
        shown.push_back(request.text);
        return ui::mrYes;
    });
    SelectRoutine(function);
    main->Action("aGenerateDebugScript").Execute();
    const std::string qualified = "`" + settings.database + "`.`" + function + "`";
    EXPECT_EQ(MainEditor().GetText(), rtl::Utf8ToUtf16("BEGIN\r\n  SET @result = " + qualified +
                                                       "();\r\n  SELECT @result;\r\nEND\r\n"));
    ASSERT_EQ(main->Veltrane().BreakPoints().Count(), 1);
    EXPECT_EQ(main->Veltrane().BreakPoints().Items(0).RoutineName(), qualified);
    EXPECT_EQ(main->Veltrane().BreakPoints().Items(0).Line(), 2) << "RETURN, counted from 0";
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], "Do you really want to configure environment?");
    EXPECT_EQ(shown[1],
              "The environment has been configured successfully. Press Run(F9) to start debugging.");
    EXPECT_EQ(main->CodeEditors().ActivePageIndex(), 1) << "the function's tab stays active";

    // A routine with an input leaves the main block active for its value; the earlier tab goes.
    SelectRoutine(procedure);
    main->Action("aGenerateDebugScript").Execute();
    EXPECT_EQ(shown.back(), "The environment has been configured successfully. Please specify input "
                            "parameter values and press Run(F9) to start debugging.");
    EXPECT_EQ(main->TabCount(), 2);
    EXPECT_EQ(main->CodeEditors().ActivePageIndex(), 0);
    EXPECT_EQ(main->Veltrane().BreakPoints().Count(), 1);
    main->Widget()->grab().toImage().save("main-window-configured-environment.png");
}

} // namespace
} // namespace app
