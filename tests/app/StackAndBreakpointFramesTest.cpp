// The call stack and breakpoint list windows and the breakpoint properties dialog over a real session.
#include <gtest/gtest.h>

#include "app/FrameServerFixture.h"
#include "app/fruBreakpoints.h"
#include "app/fruCallStack.h"
#include "app/fuBreakpointProperties.h"
#include "engine/debugger/uBreakPoints.h"
#include "platform/rtl/Exception.h"
#include "widecontrols/uUcStdCtrls.h"

namespace app {
namespace {

class StackAndBreakpointFramesTest : public FrameServerTest {
protected:
    void TearDown() override {
        ui::CancelPostedCalls(this);
        if (veltrane && veltrane->IsRunning()) veltrane->Stop(true);
        // Only the case that made them drops them: cases of this suite run at once.
        if (session && madeProcedures)
            session->Execute("DROP PROCEDURE IF EXISTS frames_p1; DROP PROCEDURE IF EXISTS frames_p2");
    }

    bool madeProcedures = false;
};

TEST_F(StackAndBreakpointFramesTest, TheCallStackListsEachCallAndOpensItsRoutineAtItsLine) {
    madeProcedures = true;
    session->Execute("DROP PROCEDURE IF EXISTS frames_p1; DROP PROCEDURE IF EXISTS frames_p2");
    session->Execute("CREATE PROCEDURE frames_p2(IN s VARCHAR(10))\nBEGIN\n  SET @seen = s;\nEND");
    session->Execute("CREATE PROCEDURE frames_p1(IN n INT)\nBEGIN\n  CALL frames_p2('x');\nEND");
    TfrmCallStack stack(&form, veltrane.get());
    stack.SetParent(&form);
    ASSERT_EQ(stack.lbEntries->Items().Count(), 1);
    EXPECT_EQ(stack.lbEntries->Items()[0], "<Process is not accessible>");

    std::vector<std::pair<engine::TRoutine*, int>> opened;
    stack.OnEntry = [&](engine::TRoutine* routine, int line) { opened.emplace_back(routine, line); };
    stack.lbEntries->SetItemIndex(0);
    stack.lbEntries->OnDblClick(stack.lbEntries);
    EXPECT_TRUE(opened.empty()) << "that line has no routine";

    CompileMain("BEGIN\n  SET @a = 1;\n  CALL frames_p1(5);\nEND");
    veltrane->BreakPoints().Add("`" + settings.database + "`.`frames_p2`", 1, 3);
    veltrane->Start(false);
    Settle();
    ASSERT_TRUE(veltrane->IsRunning());
    stack.Refresh();
    ASSERT_EQ(stack.lbEntries->Items().Count(), 3);
    EXPECT_EQ(stack.lbEntries->Items()[0], "frames_p2('x')");
    EXPECT_EQ(stack.lbEntries->Items()[1], "frames_p1(5)");
    EXPECT_EQ(stack.lbEntries->Items()[2], "<Main>");

    stack.lbEntries->SetItemIndex(2);
    stack.lbEntries->OnDblClick(stack.lbEntries);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].first, &veltrane->MainRoutine());
    EXPECT_EQ(opened[0].second, 3);

    form.Show();
    Grab(stack, "/tmp/frames-stack.png");
}

TEST_F(StackAndBreakpointFramesTest, TheListFollowsTheBreakpointsAndItsCheckMarksEnableThem) {
    TfrmBreakpoints list(&form, veltrane.get());
    list.SetParent(&form);
    veltrane->BreakPoints().Add("", 0, 3);
    veltrane->BreakPoints().Add("`db1`.`p1`", 1, 7).SetCondition(u"i > 2");
    std::vector<std::u16string> lines;
    for (int i = 0; i < list.lvBreakpoints->WideItems().GetCount(); ++i)
        lines.push_back(list.lvBreakpoints->WideItems().Get(i));
    EXPECT_EQ(lines, (std::vector<std::u16string>{u"\u2611 <Main> | 3 | ", u"\u2611 db1.p1 | 7 | i > 2"}));

    list.SetChecked(0, false);
    EXPECT_FALSE(veltrane->BreakPoints().Items(0).Enabled());
    EXPECT_EQ(list.lvBreakpoints->WideItems().Get(0), u"\u2610 <Main> | 3 | ");
    list.SetChecked(0, true);
    EXPECT_TRUE(veltrane->BreakPoints().Items(0).Enabled());

    engine::TBreakPoint* viewed = nullptr;
    list.OnViewSource = [&](engine::TBreakPoint* breakpoint) { viewed = breakpoint; };
    list.lvBreakpoints->SetItemIndex(1);
    list.aViewSource->Execute();
    EXPECT_EQ(viewed, &veltrane->BreakPoints().Items(1));

    list.alFrame->UpdateActions();
    EXPECT_FALSE(list.aDelete->Enabled());
    list.aDelete->Execute();
    EXPECT_EQ(veltrane->BreakPoints().Count(), 2) << "the list has no focus";
    form.Show();
    list.lvBreakpoints->SetFocus();
    uitest::ProcessEvents();
    ASSERT_TRUE(list.lvBreakpoints->Focused());
    Grab(list, "/tmp/frames-breakpoints.png");
    list.aDelete->Execute();
    ASSERT_EQ(veltrane->BreakPoints().Count(), 1);
    EXPECT_EQ(veltrane->BreakPoints().Items(0).RoutineName(), "");
    EXPECT_EQ(list.lvBreakpoints->WideItems().GetCount(), 1);
}

TEST_F(StackAndBreakpointFramesTest, ThePropertiesDialogChangesLineThenConditionAndRefusesAWrongLine) {
    engine::TBreakPoint& breakpoint = veltrane->BreakPoints().Add("`db1`.`p1`", 1, 7);
    TfrmBreakpoints list(&form, veltrane.get());
    {
        TfmBreakpointProperties dialog(nullptr, &breakpoint);
        EXPECT_EQ(dialog.Caption(), "Breakpoint properties");
        EXPECT_EQ(dialog.edModuleIdentifier->WideText(), u"`db1`.`p1`") << "as stored";
        EXPECT_FALSE(dialog.edModuleIdentifier->Enabled());
        dialog.edLineNumber->SetWideText(u"12x");
        dialog.edCondition->SetWideText(u"n = 1");
        try {
            dialog.Apply();
            FAIL() << "12x is no line";
        } catch (const rtl::EConversionError& e) {
            EXPECT_STREQ(e.what(), "'12x' is not a valid integer value");
        }
        EXPECT_EQ(breakpoint.Line(), 7);
        EXPECT_EQ(breakpoint.Condition(), u"");
    }

    list.lvBreakpoints->SetItemIndex(0);
    ui::PostCall(this, [] {
        for (int i = 0; i < ui::Screen->FormCount(); ++i)
            if (auto* dialog = dynamic_cast<TfmBreakpointProperties*>(ui::Screen->Forms(i))) {
                dialog->edLineNumber->SetWideText(u"9");
                dialog->edCondition->SetWideText(u"n = 1");
                Grab(*dialog, "/tmp/frames-bpprops.png");
                dialog->SetModalResult(ui::mrOk);
            }
    });
    list.aBreakpointProperties->Execute();
    EXPECT_EQ(breakpoint.Line(), 9);
    EXPECT_EQ(breakpoint.Condition(), u"n = 1");
    EXPECT_EQ(list.lvBreakpoints->WideItems().Get(0), u"\u2611 db1.p1 | 9 | n = 1");
}

} // namespace
} // namespace app
