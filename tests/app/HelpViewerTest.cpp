// The help window offscreen: its contents tree, the pages its links lead to, the search box, and
// regeneration from the test server's help tables.
#include "app/duVeltraneCommon.h"
#include "app/fruCodeEditor.h"
#include "app/fruHelpSystem.h"
#include "app/fruSchemaBrowser.h"
#include "app/fruTextEditor.h"
#include "app/fruWebBrowser.h"
#include "app/fuMain.h"
#include "app/HelpFolderFixture.h"
#include "app/VeltraneServerFixture.h"
#include "lazytree/LazyStringTree.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Actions.h"
#include "platform/ui/Application.h"
#include "platform/ui/Edits.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Shell.h"
#include "platform/ui/ShortCuts.h"
#include "platform/ui/ToolBars.h"
#include "platform/ui/WebBrowser.h"
#include "support/FakeConnection.h"
#include "support/LinkClick.h"
#include "support/MariaDBConnection.h"
#include "support/TestServer.h"
#include "support/UiTest.h"

#include <QImage>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace app {
namespace {

// The tree as indented lines, expanded nodes marked "-", collapsed ones with children "+".
std::string DumpTree(lazytree::TLazyStringTree& tree, lazytree::PLazyNode parent, int depth = 0) {
    std::string dump;
    for (lazytree::PLazyNode node = parent->FirstChild; node; node = node->NextSibling) {
        std::u16string text;
        tree.OnGetText(tree, node, 0, lazytree::ttNormal, text);
        const char mark = node->ChildCount == 0 ? ' ' : tree.Tree().Expanded(node) ? '-' : '+';
        dump += std::string(2 * depth, ' ') + mark + rtl::Utf16ToUtf8(text) + "\n";
        if (tree.Tree().Expanded(node)) dump += DumpTree(tree, node, depth + 1);
    }
    return dump;
}

class HelpViewerTest : public HelpFolderTest {
protected:
    static void SetUpTestSuite() { uitest::EnsureApplication(); }

    void SetUp() override {
        HelpFolderTest::SetUp();
        form.SetBounds(0, 0, 760, 520);
        connection->Connect();
    }
    void TearDown() override {
        frame.reset();
        HelpFolderTest::TearDown();
    }

    void WriteTopics() {
        WriteStandard();
        Write("topic_content/100", "LEFT JOIN joins two tables.");
        Write("topic_content/101", "JOINED is no keyword.");
        Write("topic_content/102",
              "CONCAT(str1,str2)\r\nSyntax:\r\nJOIN or NOTHING; see [HELP LEFT JOIN].\r\n"
              "URL: http://example.org/concat.html\r\n");
    }

    void Open() {
        frame = std::make_unique<TfrmHelpSystem>(&form, connection, folder);
        frame->SetParent(&form);
        frame->SetAlign(ui::alClient);
        form.Show();
    }

    ui::TWebBrowser& Browser() const { return *frame->frmWebBrowser->WebBrowser; }
    // The page's heading: its first line.
    std::string Heading() const {
        const std::string text = Browser().DocumentText();
        return text.substr(0, text.find('\n'));
    }
    bool Click(const char* link) const { return uitest::ClickLinkText(Browser(), QString::fromUtf8(link)); }
    std::string FocusedNodeText() const {
        lazytree::PLazyNode node = frame->tvContents->Tree().FocusedNode();
        if (!node) return {};
        std::u16string text;
        frame->tvContents->OnGetText(*frame->tvContents, node, 0, lazytree::ttNormal, text);
        return rtl::Utf16ToUtf8(text);
    }
    std::string Dump() const { return DumpTree(*frame->tvContents, frame->tvContents->Tree().RootNode()); }

    const ui::TApplication application;
    std::shared_ptr<testsupport::FakeConnection> connection = std::make_shared<testsupport::FakeConnection>();
    ui::TForm form{nullptr};
    std::unique_ptr<TfrmHelpSystem> frame;
};

TEST_F(HelpViewerTest, TheContentsLeadThroughCategoriesToTopicsAndTheirLinks) {
    WriteTopics();
    Open();
    EXPECT_EQ(Heading(), "Contents");
    EXPECT_EQ(Dump(), "-Contents\n"
                      "  +Functions, Operators\n"
                      "  +Data Types\n"
                      "   JOINED\n")
        << "categories first, then topics; the contents expanded";

    ASSERT_TRUE(Click("Functions, Operators"));
    EXPECT_EQ(Heading(), "Functions, Operators");
    ASSERT_TRUE(Click("Strings"));
    EXPECT_EQ(Heading(), "Strings");
    EXPECT_NE(Browser().DocumentText().find("Contents / Functions, Operators"), std::string::npos)
        << "the breadcrumb of the ancestors";
    ASSERT_TRUE(Click("CONCAT"));
    EXPECT_EQ(Heading(), "CONCAT");
    EXPECT_EQ(FocusedNodeText(), "CONCAT") << "the topic's node is selected";
    EXPECT_TRUE(frame->tvContents->Tree().IsSelected(frame->tvContents->Tree().FocusedNode()));
    EXPECT_NE(Browser().DocumentText().find("\nSyntax\n"), std::string::npos) << "a heading of its own";

    std::vector<std::string> opened;
    const ui::TShellOpenScope shell([&](const std::string& target) {
        opened.push_back(target);
        return true;
    });
    ASSERT_TRUE(Click("Online documentation for CONCAT"));
    EXPECT_EQ(opened, std::vector<std::string>{"http://example.org/concat.html"});
    EXPECT_EQ(Heading(), "CONCAT") << "the page stays";

    ASSERT_TRUE(Click("NOTHING")) << "a keyword without topics";
    EXPECT_EQ(Heading(), "Not found");
    ASSERT_TRUE(Click("<<Back"));
    EXPECT_EQ(Heading(), "CONCAT");
    ASSERT_TRUE(Click("JOIN")) << "a keyword with one topic opens it";
    EXPECT_EQ(Heading(), "LEFT JOIN");
    EXPECT_EQ(FocusedNodeText(), "LEFT JOIN");

    for (const char* address : {"cmd://topic_999", "cmd://cat_77", "cmd://keyword_5", "cmd://what"}) {
        Browser().Navigate(address);
        EXPECT_EQ(Heading(), "Not found") << address;
    }
    EXPECT_EQ(opened.size(), 1u) << "cmd:// never leaves the program";
}

TEST_F(HelpViewerTest, TheSearchBoxTheButtonsAndTheTreeAnswerTheUser) {
    WriteTopics();
    Open();
    frame->edSearch->SetText("  join ");
    QTest::keyClick(frame->edSearch->Widget(), Qt::Key_Return);
    EXPECT_EQ(frame->edSearch->Text(), "join");
    EXPECT_EQ(Heading(), "LEFT JOIN") << "the one topic found opens at once";

    frame->edSearch->SetText("Contents");
    frame->buSearch->Click();
    EXPECT_EQ(Heading(), "CONTENTS");
    const std::string listed = Browser().DocumentText();
    for (const char* entry : {"Functions, Operators", "Data Types", "JOINED"})
        EXPECT_NE(listed.find(entry), std::string::npos) << entry;
    uitest::ProcessEvents();
    EXPECT_TRUE(Browser().Focused()) << "Find hands the focus to the page";

    frame->buShowContents->Click();
    EXPECT_EQ(Heading(), "Contents");

    lazytree::TLazyTreeModel& tree = frame->tvContents->Tree();
    tree.SetFocusedNode(tree.RootNode()->FirstChild->FirstChild);
    frame->tvContents->OnDblClick(frame->tvContents);
    EXPECT_EQ(Heading(), "Contents") << "a category's node only opens and closes";
    tree.SetFocusedNode(tree.RootNode()->FirstChild->LastChild);
    frame->tvContents->OnDblClick(frame->tvContents);
    EXPECT_EQ(Heading(), "JOINED");

    QTest::keyClick(frame->edSearch->Widget(), Qt::Key_Escape);
    EXPECT_FALSE(form.Visible()) << "Esc hides the window";
    form.Show();
    uint16_t escape = ui::VK_ESCAPE;
    frame->tvContents->OnKeyDown(frame->tvContents, escape, {});
    EXPECT_FALSE(form.Visible());
}

TEST_F(HelpViewerTest, ABrokenFolderShowsTheErrorPageAndThePagesGoWithTheWindow) {
    WriteTopics();
    Write("topic", "1,101\r\n");
    Open();
    EXPECT_EQ(Heading(), "Help not found or corrupted");
    EXPECT_EQ(Dump(), "");
    frame->Search("JOIN");
    EXPECT_EQ(Heading(), "Help not found or corrupted") << "searching has nothing to search";

    std::vector<std::string> pages;
    for (const char* address : {"cmd://topic_1", "cmd://cat_1"}) {
        Browser().Navigate(address);
        pages.push_back(Browser().LocationURL().substr(std::string_view("file://").size()));
        EXPECT_TRUE(std::filesystem::exists(pages.back()));
    }
    EXPECT_NE(pages[0], pages[1]);
    frame.reset();
    for (const std::string& page : pages)
        EXPECT_FALSE(std::filesystem::exists(page)) << page;
}

class HelpViewerServerTest : public VeltraneServerTest {
protected:
    static void SetUpTestSuite() { uitest::EnsureApplication(); }
    void TearDown() override {
        frame.reset();
        std::filesystem::remove_all(folder);
        VeltraneServerTest::TearDown();
    }

    const ui::TApplication application;
    ui::TForm form{nullptr};
    std::string folder =
        (std::filesystem::temp_directory_path() / ("help-viewer-" + std::to_string(::getpid())) / "help")
            .string();
    std::unique_ptr<TfrmHelpSystem> frame;
};

TEST_F(HelpViewerServerTest, WithoutAHelpFolderRegenerateMakesItFromTheServer) {
    ASSERT_NE(session->Scalar("SELECT COUNT(*) FROM mysql.help_topic"), "0") << "the server has help";
    form.SetBounds(0, 0, 900, 600);
    frame = std::make_unique<TfrmHelpSystem>(&form, connection, folder);
    frame->SetParent(&form);
    frame->SetAlign(ui::alClient);
    form.Show();
    ui::TWebBrowser& browser = *frame->frmWebBrowser->WebBrowser;
    EXPECT_EQ(browser.DocumentText().substr(0, 27), "Help not found or corrupted");

    frame->Widget()->grab().save("help-viewer-error.png");
    ASSERT_TRUE(uitest::ClickLinkText(browser, "regenerate"));
    EXPECT_EQ(browser.DocumentText().substr(0, 9), "Contents\n");
    EXPECT_EQ(ReadHelpFile(folder + "/version"), session->Scalar("SELECT VERSION()"));
    lazytree::TLazyTreeModel& tree = frame->tvContents->Tree();
    EXPECT_EQ(static_cast<int>(tree.RootNode()->ChildCount), frame->Help().Root().ChildCount());
    EXPECT_GT(tree.RootNode()->ChildCount, 0u);

    const THelpTopic* concat = frame->Help().FindTopic("CONCAT");
    ASSERT_TRUE(concat);
    browser.Navigate("cmd://topic_" + std::to_string(concat->Id()));
    EXPECT_EQ(browser.DocumentText().substr(0, 7), "CONCAT\n");
    const QImage shot = frame->Widget()->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    shot.save("help-viewer.png");
}

// The main window's help: Ctrl+H shows it, F1 looks up the word at the caret of the focused editor.
class HelpMainWindowTest : public HelpFolderTest {
protected:
    static void SetUpTestSuite() { uitest::EnsureApplication(); }

    void SetUp() override {
        settings = VELTRANE_REQUIRE_SERVER();
        HelpFolderTest::SetUp();
        // The help folder of the user's data folder, which this test's folder stands in for.
        data = std::filesystem::path(folder).parent_path() /
               ("data-" + std::filesystem::path(folder).filename().string());
        folder = (data / "veltrane" / "help").string();
        std::filesystem::create_directories(folder + "/topic_content");
        WriteStandard();
        Write("topic_content/102", "CONCAT(str1,str2)");
        setenv("XDG_DATA_HOME", data.c_str(), 1);
        setenv("VELTRANE_REGISTRY", (data / "registry").c_str(), 1);
        dmVeltraneCommon = new TdmVeltraneCommon(&application);
        auto connection = std::make_shared<testsupport::MariaDBConnection>(settings, settings.database);
        connection->Connect();
        GlobalConnection = connection;
        main = new TfmMain(&application);
        main->Show();
    }
    void TearDown() override {
        delete main;
        unsetenv("XDG_DATA_HOME");
        unsetenv("VELTRANE_REGISTRY");
        std::filesystem::remove_all(data);
        HelpFolderTest::TearDown();
    }

    std::string Heading() const {
        const std::string text = main->HelpSystem().frmWebBrowser->WebBrowser->DocumentText();
        return text.substr(0, text.find('\n'));
    }

    ui::TApplication application;
    testsupport::ServerSettings settings;
    std::filesystem::path data;
    TfmMain* main = nullptr;
};

TEST_F(HelpMainWindowTest, CtrlHShowsTheManualAndF1LooksUpTheWordAtTheCaret) {
    ui::TCustomForm* manual = ui::GetParentForm(&main->HelpSystem());
    ASSERT_TRUE(manual);
    EXPECT_EQ(manual->Caption(), "MySQL Reference Manual");
    EXPECT_FALSE(manual->Visible());
    EXPECT_EQ(main->Action("aSyntaxHelp").ShortCut(), ui::TextToShortCut("Ctrl+H"));
    main->Action("aSyntaxHelp").Execute();
    EXPECT_TRUE(manual->Visible());
    EXPECT_EQ(Heading(), "Contents");

    manual->Hide();
    main->Widget()->activateWindow();
    TfrmCodeEditor& editor = *main->EditorOfTab(0);
    editor.SetText(u"BEGIN\n  SELECT CONCAT('a', 'b');\nEND");
    editor.TextEditor().SetCaretPos(12, 2);
    editor.FocusEditor();
    uitest::ProcessEvents();
    main->Action("aTopicSearch").Execute();
    EXPECT_TRUE(manual->Visible());
    EXPECT_EQ(Heading(), "CONCAT");

    main->HelpSystem().ShowContents(false);
    main->SchemaBrowser().FocusTree();
    uitest::ProcessEvents();
    main->Action("aTopicSearch").Execute();
    EXPECT_EQ(Heading(), "Contents") << "F1 outside an editor does nothing";
}

} // namespace
} // namespace app
