// The watch list and local variables windows at a stop of a real session, driven through their actions.
#include <gtest/gtest.h>

#include "app/FrameServerFixture.h"
#include "app/fruLocalVariables.h"
#include "app/fruWatchList.h"
#include "platform/rtl/Exception.h"
#include "platform/ui/Clipboard.h"
#include "widecontrols/uUcDialogs.h"
#include "widecontrols/uUcStdCtrls.h"

namespace app {
namespace {

class ValueFramesTest : public FrameServerTest {
protected:
    // Stops inside a block whose `n` hides the outer one.
    void StopInNestedBlock() {
        CompileMain("BEGIN\n"
                    "  DECLARE n INT DEFAULT 7;\n"
                    "  DECLARE w VARCHAR(9) DEFAULT 'outer';\n"
                    "  BEGIN DECLARE n INT DEFAULT 8; SET w = 'x'; END;\n"
                    "END");
        veltrane->BreakPoints().Add("", 0, 4);
        veltrane->Start(false);
        ASSERT_EQ(veltrane->CurrentLine(), 4);
    }

    // The next input dialog gets `text` and the answer `result`; its caption is kept.
    void AnswerNextDialog(std::u16string text, ui::TModalResult result) {
        ui::PostCall(this, [this, text, result] {
            for (int i = 0; i < ui::Screen->FormCount(); ++i)
                if (auto* dialog = dynamic_cast<widecontrols::TWideInputQueryForm*>(ui::Screen->Forms(i))) {
                    dialogCaptions.push_back(dialog->WideCaption());
                    dialog->Edit().SetWideText(text);
                    dialog->SetModalResult(result);
                }
        });
    }

    static std::vector<std::u16string> Lines(widecontrols::TUcListBox& list) {
        std::vector<std::u16string> lines;
        for (int i = 0; i < list.WideItems().GetCount(); ++i)
            lines.push_back(list.WideItems().Get(i));
        return lines;
    }

    // The watch list's actions work only while the user is in the list.
    void FocusWatches(TfrmWatchList& watches) {
        form.Show();
        watches.lvWatches->SetFocus();
        uitest::ProcessEvents();
        ASSERT_TRUE(watches.lvWatches->Focused());
    }

    std::vector<std::u16string> dialogCaptions;
};

TEST_F(ValueFramesTest, WatchesShowInaccessibleDisabledValuesAndErrorsAndFollowTheirCheckMarks) {
    TfrmWatchList watches(&form, veltrane.get());
    watches.SetParent(&form);
    watches.AddWatch(u"i + 1");
    EXPECT_EQ(watches.ValueText(0), u"[process not accessible]");

    CompileMain("BEGIN\n  DECLARE i INT DEFAULT 41;\n  SET i = i + 1;\nEND");
    veltrane->Start(true);
    veltrane->StepInto();
    ASSERT_TRUE(veltrane->IsRunning());
    watches.AddWatch(u"no_such_column");
    watches.Refresh();
    EXPECT_EQ(watches.ValueText(0), u"42");
    EXPECT_NE(watches.ValueText(1).find(u"no_such_column"), std::u16string::npos) << "the error's message";

    watches.SetChecked(0, false);
    EXPECT_EQ(watches.ValueText(0), u"<disabled>");
    watches.SetChecked(0, true);
    EXPECT_EQ(watches.ValueText(0), u"42");
    EXPECT_EQ(Lines(*watches.lvWatches)[0], u"\u2611 i + 1 = 42");

    FocusWatches(watches);
    Grab(watches, "/tmp/frames-watches.png");
    watches.lvWatches->SetItemIndex(0);
    watches.aCopyValue->Execute();
    EXPECT_EQ(ui::Clipboard().AsWideText(), u"42");
}

TEST_F(ValueFramesTest, TheDialogsAddAndEditWatchesAndRefuseBlanks) {
    TfrmWatchList watches(&form, veltrane.get());
    watches.SetParent(&form);

    AnswerNextDialog(u"  @x  ", ui::mrOk);
    watches.AddWatchDialog();
    AnswerNextDialog(u"ignored", ui::mrCancel);
    watches.AddWatchDialog();
    ASSERT_EQ(watches.WatchCount(), 1);
    EXPECT_EQ(watches.Expression(0), u"  @x  ") << "added with its blanks";

    AnswerNextDialog(u"   ", ui::mrOk);
    try {
        watches.AddWatchDialog();
        FAIL() << "blanks are no expression";
    } catch (const rtl::Exception& e) {
        EXPECT_STREQ(e.what(), "No expression entered.");
    }

    watches.lvWatches->SetItemIndex(0);
    AnswerNextDialog(u"@y", ui::mrOk);
    watches.EditWatchDialog();
    EXPECT_EQ(watches.Expression(0), u"@y");
    EXPECT_EQ(watches.ValueText(0), u"[process not accessible]");
    EXPECT_EQ(dialogCaptions,
              (std::vector<std::u16string>{u"Add watch", u"Add watch", u"Add watch", u"Edit watch"}));
}

TEST_F(ValueFramesTest, WatchesTravelAsCommaTextAndAreDeletedOnlyFromTheFocusedList) {
    TfrmWatchList watches(&form, veltrane.get());
    watches.SetParent(&form);
    watches.SetWatchesText("a,\"b c\",\xC3\xA9");
    ASSERT_EQ(watches.WatchCount(), 3);
    EXPECT_EQ(watches.Expression(2), u"\u00E9");
    EXPECT_EQ(watches.GetWatchesText(), "a,\"b c\",\xC3\xA9");

    watches.lvWatches->SetItemIndex(1);
    watches.alFrame->UpdateActions();
    EXPECT_FALSE(watches.aDelete->Enabled());
    watches.aDelete->Execute();
    EXPECT_EQ(watches.WatchCount(), 3) << "the list has no focus";

    FocusWatches(watches);
    watches.alFrame->UpdateActions();
    EXPECT_TRUE(watches.aDelete->Enabled());
    watches.aDelete->Execute();
    EXPECT_EQ(watches.GetWatchesText(), "a,\xC3\xA9");
    EXPECT_EQ(watches.lvWatches->WideItems().GetCount(), 2);
}

TEST_F(ValueFramesTest, LocalVariablesListTheInnermostBlockFirstAndCopyAValue) {
    TfrmLocalVariables variables(&form, veltrane.get());
    variables.SetParent(&form);
    variables.Refresh();
    EXPECT_TRUE(Lines(*variables.lbVariables).empty());

    StopInNestedBlock();
    variables.Refresh();
    EXPECT_EQ(Lines(*variables.lbVariables), (std::vector<std::u16string>{u"n: 8", u"n: 7", u"w: 'outer'"}));

    variables.alFrame->UpdateActions();
    EXPECT_FALSE(variables.aCopyValue->Enabled());
    variables.lbVariables->SetItemIndex(2);
    variables.alFrame->UpdateActions();
    EXPECT_TRUE(variables.aCopyValue->Enabled());
    variables.aCopyValue->Execute();
    EXPECT_EQ(ui::Clipboard().AsWideText(), u"'outer'");

    form.Show();
    Grab(variables, "/tmp/frames-locals.png");
    veltrane->Stop(true);
    variables.Refresh();
    EXPECT_TRUE(Lines(*variables.lbVariables).empty());
}

} // namespace
} // namespace app
