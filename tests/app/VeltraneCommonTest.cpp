#include "app/duVeltraneCommon.h"

#include "editor/WideCodeEdit.h"
#include "editor/WideCodeEditModel.h"
#include "platform/ui/Application.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/Edits.h"
#include "platform/ui/ShortCuts.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace app {
namespace {

class VeltraneCommonTest : public uitest::UiTest {
protected:
    void SetUp() override {
        form.SetBounds(0, 0, 300, 200);
        edit->SetParent(&form);
        edit->SetBounds(10, 10, 200, 21);
        code->SetParent(&form);
        code->SetBounds(10, 40, 200, 100);
        form.Show();
    }

    // "cut copy paste selectAll undo redo" as 1 and 0, after the idle update.
    std::string Enabled() {
        common.alCommon->UpdateActions();
        std::string states;
        for (ui::TAction* action : {common.aEditCut, common.aEditCopy, common.aEditPaste,
                                    common.aEditSelectAll, common.aEditUndo, common.aEditRedo})
            states += action->Enabled() ? '1' : '0';
        return states;
    }
    void Focus(ui::TWinControl* control) {
        control->SetFocus();
        uitest::ProcessEvents();
        ASSERT_EQ(ui::Screen->ActiveControl(), control);
    }

    ui::TApplication application;
    TdmVeltraneCommon common{nullptr};
    ui::TForm form{nullptr};
    ui::TEdit* edit = new ui::TEdit(&form);
    editor::TCustomWideCodeEdit* code = new editor::TCustomWideCodeEdit(&form);
};

TEST_F(VeltraneCommonTest, ActionsImagesAndTheEditMenu) {
    struct Expected {
        ui::TAction* action;
        const char* caption;
        const char* shortCut;
        const char* category;
    };
    for (const Expected& e : {Expected{common.aEditCut, "Cu&t", "Ctrl+X", "Edit"},
                              Expected{common.aEditCopy, "&Copy", "Ctrl+C", "Edit"},
                              Expected{common.aEditPaste, "&Paste", "Ctrl+V", "Edit"},
                              Expected{common.aEditSelectAll, "Select &All", "Ctrl+A", "Edit"},
                              Expected{common.aEditUndo, "&Undo", "Ctrl+Z", "Edit"},
                              Expected{common.aEditRedo, "&Redo", "Shift+Ctrl+Z", "Edit"},
                              Expected{common.aTopicSearch, "Topic search", "F1", "Help"}}) {
        EXPECT_EQ(e.action->Caption(), e.caption);
        EXPECT_EQ(ui::ShortCutToText(e.action->ShortCut()), e.shortCut);
        EXPECT_EQ(e.action->Category(), e.category);
        EXPECT_EQ(e.action->ActionList(), common.alCommon);
    }
    EXPECT_EQ(common.ilObjects->Count(), 4);

    ui::TPopupMenu menu(nullptr);
    common.BuildEditMenu(menu.Items(), true);
    std::vector<std::string> captions;
    for (int i = 0; i < menu.Items()->Count(); ++i)
        captions.push_back(menu.Items()->Items(i)->Caption());
    EXPECT_EQ(captions, (std::vector<std::string>{"Topic search", "-", "&Undo", "&Redo", "-", "Cu&t", "&Copy",
                                                  "&Paste", "Select &All"}));
    ui::TMainMenu main(nullptr);
    common.BuildEditMenu(main.Items(), false);
    EXPECT_EQ(main.Items()->Count(), 7);

    bool searched = false;
    common.SetTopicSearchHandler([&](ui::TObject*) { searched = true; });
    common.aTopicSearch->Execute();
    EXPECT_TRUE(searched);
}

TEST_F(VeltraneCommonTest, APlainEditCutsCopiesAndPastesButNeverUndoes) {
    ui::Clipboard().SetAsText("from the clipboard");
    Focus(edit);
    edit->SetText("hello");
    EXPECT_EQ(Enabled(), "111000");
    ui::Clipboard().Clear();
    EXPECT_EQ(Enabled(), "110000");

    edit->SelectAll();
    common.aEditCut->Execute();
    EXPECT_EQ(edit->Text(), "");
    EXPECT_EQ(ui::Clipboard().AsText(), "hello");
    common.aEditPaste->Execute();
    common.aEditPaste->Execute();
    EXPECT_EQ(edit->Text(), "hellohello");
}

TEST_F(VeltraneCommonTest, TheCodeEditorFollowsItsSelectionLinesAndUndoList) {
    ui::Clipboard().Clear();
    Focus(code);
    code->Model().SetOptions(code->Model().Options() + editor::TWideCodeEditOptions{editor::eoUseUndoRedo});
    code->Model().SetText(u"SELECT 1;");
    EXPECT_EQ(Enabled(), "000110"); // setting the text can be undone
    common.aEditSelectAll->Execute();
    EXPECT_EQ(Enabled(), "110110");
    common.aEditCopy->Execute();
    EXPECT_EQ(ui::Clipboard().AsText(), "SELECT 1;");
    EXPECT_EQ(Enabled(), "111110");
    common.aEditCut->Execute();
    EXPECT_EQ(code->Model().GetText(), u"\r\n");
    EXPECT_EQ(Enabled(), "001110"); // one empty line; the cut can be undone
    common.aEditUndo->Execute();
    EXPECT_EQ(code->Model().GetText(), u"SELECT 1;\r\n");
    EXPECT_EQ(Enabled()[5], '1');
    common.aEditRedo->Execute();
    EXPECT_EQ(code->Model().GetText(), u"\r\n");
}

TEST_F(VeltraneCommonTest, NothingIsEnabledWithoutAnEditor) {
    ui::Clipboard().SetAsText("text");
    form.SetActiveControl(nullptr);
    form.Hide();
    EXPECT_EQ(Enabled(), "000000");
}

} // namespace
} // namespace app
