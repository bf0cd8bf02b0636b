#include "app/uWindowFileHelpers.h"

#include "platform/rtl/Exception.h"
#include "platform/ui/Shell.h"
#include "platform/ui/ShortCuts.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace app {
namespace {

class WindowFileHelpersTest : public uitest::UiTest {};

TEST_F(WindowFileHelpersTest, PlacementTextRoundTrips) {
    ui::TForm form(nullptr);
    form.SetBounds(10, 20, 300, 200);
    form.Show();
    EXPECT_EQ(FormPlacementToString(&form), "-1|10|20|300|200");

    ui::TForm other(nullptr);
    RestoreFormPlacement(&other, "-1|10|20|300|200");
    EXPECT_TRUE(other.Visible());
    EXPECT_EQ(FormPlacementToString(&other), "-1|10|20|300|200");
    RestoreFormPlacement(&other, "0|1|2|3");     // four parts: nothing happens
    RestoreFormPlacement(&other, "0|1|2|3|4|5"); // six parts: nothing happens
    EXPECT_EQ(FormPlacementToString(&other), "-1|10|20|300|200");
    RestoreFormPlacement(&other, "0|40|50|320|240");
    EXPECT_EQ(FormPlacementToString(&other), "0|40|50|320|240");
    EXPECT_THROW(RestoreFormPlacement(&other, "0|4o|50|320|240"), rtl::EConversionError);
    EXPECT_THROW(FormPlacementToString(nullptr), rtl::EAssertionFailed);
}

TEST_F(WindowFileHelpersTest, ActionHintsNameTheShortCut) {
    ui::TActionList list(nullptr);
    ui::TAction run(nullptr), stop(nullptr);
    run.SetCaption("Run");
    run.SetShortCut(ui::TextToShortCut("F9"));
    stop.SetCaption("Stop");
    run.SetActionList(&list);
    stop.SetActionList(&list);
    UpdateActionListHints(&list);
    EXPECT_EQ(run.Hint(), "Run (F9)");
    EXPECT_EQ(stop.Hint(), "Stop");
}

TEST_F(WindowFileHelpersTest, MenuHelpersAppendInOrder) {
    ui::TPopupMenu menu(nullptr);
    ui::TAction action(nullptr);
    action.SetCaption("Act");
    bool clicked = false;
    AddActionMenuItem(&menu, &action);
    ui::TMenuItem* file = AddCaptionMenuItem(&menu, "File");
    AddClickMenuItem(&menu, "Click", [&](ui::TObject*) { clicked = true; });
    AddSeparatorMenuItem(file);
    AddActionSubItem(file, &action);
    ASSERT_EQ(menu.Items()->Count(), 3);
    EXPECT_EQ(menu.Items()->Items(0)->Caption(), "Act");
    EXPECT_EQ(menu.Items()->Items(1), file);
    menu.Items()->Items(2)->Click();
    EXPECT_TRUE(clicked);
    ASSERT_EQ(file->Count(), 2);
    EXPECT_TRUE(file->Items(0)->IsLine());
    EXPECT_EQ(file->Items(1)->Action(), &action);
}

TEST_F(WindowFileHelpersTest, TreeNodesAreFoundByTheirDataInFlatOrder) {
    ui::TTreeView tree(nullptr);
    int first = 0, second = 0;
    ui::TTreeNode* parent = tree.Items().AddObject(nullptr, "parent", &second);
    ui::TTreeNode* child = tree.Items().AddChildObject(parent, "child", &first);
    tree.Items().AddObject(parent, "later", &first);
    EXPECT_EQ(FindTreeNodeByData(&tree, &first), child);
    EXPECT_EQ(FindTreeNodeByData(&tree, &second), parent);
    EXPECT_EQ(FindTreeNodeByData(&tree, nullptr), nullptr);

    SelectTreeNode(child);
    EXPECT_EQ(tree.Selected(), child);
    SelectTreeNode(nullptr);
    EXPECT_EQ(tree.Selected(), child);
}

TEST_F(WindowFileHelpersTest, HyperlinkLabelAndTextMeasures) {
    ui::TForm form(nullptr);
    ui::TControl* label = PlaceControl(new ui::TCustomControl(&form), &form, ui::alTop);
    EXPECT_EQ(label->Parent(), &form);
    EXPECT_EQ(label->Align(), ui::alTop);
    MakeHyperlinkLabel(label);
    EXPECT_EQ(label->Font()->Color(), ui::TColor(0xCC6600));
    EXPECT_TRUE(label->Font()->Style().Contains(ui::fsUnderline));
    EXPECT_EQ(label->Cursor(), ui::crHandPoint);

    const ui::TFont* font = label->Font();
    EXPECT_GT(CharWidthInFont(font), 0);
    EXPECT_EQ(TextWidthInFont("WW", font), GetTextSize("WW", font).cx);
    EXPECT_GT(TextWidthInFont("WWWW", font), TextWidthInFont("WW", font));
    EXPECT_GE(LineHeightInFont(font), TextHeightInFont("W", font));
}

TEST_F(WindowFileHelpersTest, ShellCallsOpenTheTarget) {
    std::vector<std::string> opened;
    ui::TShellOpenScope shell([&](const std::string& target) {
        opened.push_back(target);
        return true;
    });
    OpenURL("http://host/page");
    ShellOpen("/tmp/file.txt");
    EXPECT_EQ(opened, (std::vector<std::string>{"http://host/page", "/tmp/file.txt"}));
}

TEST(WindowFileHelpersFilesTest, TextFilesAndTemporaryFiles) {
    const std::string name = CreateTempFile();
    EXPECT_EQ(std::filesystem::path(name).parent_path(), std::filesystem::path(GetTempDirectory()));
    EXPECT_TRUE(std::filesystem::path(name).filename().string().starts_with("tmp"));
    EXPECT_NE(CreateTempFileName(GetTempDirectory(), "tmp"), name);

    SaveStringToFile(name, "a\nb");
    std::ifstream file(name, std::ios::binary);
    EXPECT_EQ((std::stringstream() << file.rdbuf()).str(), "a\nb");
    EXPECT_EQ(LoadStringFromFile(name), "a\r\nb\r\n");
    SaveStringToFile(name, "\xD0\xBF\r\n\xF0\x9F\x98\x80");
    EXPECT_EQ(LoadStringFromFile(name), "\xD0\xBF\r\n\xF0\x9F\x98\x80\r\n");
    std::filesystem::remove(name);

    EXPECT_THROW(SaveStringToFile("/nonexistent-folder/x", "a"), rtl::Exception);
    EXPECT_THROW(CreateTempFileName("/nonexistent-folder", "tmp"), rtl::EOSError);
    EXPECT_EQ(IncludeTrailingDelimiter("/tmp"), "/tmp/");
    EXPECT_EQ(IncludeTrailingDelimiter("/tmp/"), "/tmp/");
}

TEST(WindowFileHelpersFilesTest, VersionTexts) {
    EXPECT_EQ(FormatFileVersion({1, 2, 3, 4}), "1.2.3.4");
    EXPECT_EQ(GetAppVersionString(), VELTRANE_PROJECT_VERSION);
    EXPECT_EQ(GetFileVersion("/bin/sh"), (TFileVersion{0, 0, 0, 0}));
}

} // namespace
} // namespace app
