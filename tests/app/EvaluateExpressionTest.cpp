// The evaluate window at a stop, while the debug thread is busy and without a session.
#include <gtest/gtest.h>

#include "app/FrameServerFixture.h"
#include "app/fruEvaluateExpression.h"
#include "imaging/uPngImageList.h"
#include "platform/ui/Messages.h"
#include "platform/ui/ToolBars.h"
#include "widecontrols/uUcStdCtrls.h"

namespace app {
namespace {

class EvaluateExpressionTest : public FrameServerTest {
protected:
    void SetUp() override {
        FrameServerTest::SetUp();
        if (IsSkipped()) return;
        frame = std::make_unique<TfrmEvaluateExpression>(
            &form, veltrane.get(), [this](const std::string& expression) { watched.push_back(expression); });
        frame->SetParent(&form);
        frame->SetAlign(ui::alClient);
    }

    void TearDown() override {
        frame.reset();
        FrameServerTest::TearDown();
    }

    // What the actions allow now.
    std::pair<bool, bool> EvaluateAndWatchEnabled() {
        frame->alFrame->UpdateActions();
        return {frame->aEvaluate->Enabled(), frame->aWatch->Enabled()};
    }

    void PressKey(ui::TWinControl& control, uint16_t key) {
        ASSERT_TRUE(control.OnKeyDown);
        control.OnKeyDown(&control, key, {});
    }

    std::unique_ptr<TfrmEvaluateExpression> frame;
    std::vector<std::string> watched;
};

TEST_F(EvaluateExpressionTest, EvaluatesAtAStopAndShowsErrorsAsText) {
    CompileMain("BEGIN\n  DECLARE i INT DEFAULT 41;\n  SET i = i + 1;\nEND");
    veltrane->Start(true);
    veltrane->StepInto();
    form.Show();

    frame->SetExpression(u"i * 2");
    EXPECT_EQ(frame->edResult->WideText(), u"82");
    uitest::ProcessEvents();
    EXPECT_TRUE(frame->edExpression->Focused());
    EXPECT_EQ(frame->edExpression->SelText(), "i * 2") << "selected for the next expression";

    frame->edExpression->SetWideText(u"no_such_column");
    frame->aEvaluate->Execute();
    EXPECT_NE(frame->edResult->WideText().find(u"no_such_column"), std::u16string::npos)
        << "the error's message replaces the result";

    frame->edExpression->SetWideText(u"'\u00E9t\u00E9'");
    PressKey(*frame->edExpression, ui::VK_RETURN);
    EXPECT_EQ(frame->edResult->WideText(), u"'\u00E9t\u00E9'") << "Enter evaluates";
    EXPECT_EQ(frame->edExpression->WideItems().GetCount(), 0) << "nothing joins the drop-down list";
    Grab(*frame, "/tmp/png/evaluate.png");
}

TEST_F(EvaluateExpressionTest, ActionsFollowTheExpressionAndTheSession) {
    EXPECT_EQ(EvaluateAndWatchEnabled(), std::make_pair(false, false)) << "no expression";
    frame->edExpression->SetWideText(u"  \t ");
    EXPECT_EQ(EvaluateAndWatchEnabled(), std::make_pair(false, false)) << "only blanks";
    frame->edExpression->SetWideText(u" @w ");
    EXPECT_EQ(EvaluateAndWatchEnabled(), std::make_pair(false, true)) << "no session";

    HoldBusy();
    EXPECT_EQ(EvaluateAndWatchEnabled(), std::make_pair(false, true)) << "busy";
    ReleaseBusy();

    CompileMain("BEGIN\n  SET @w = 1;\nEND");
    veltrane->Start(true);
    EXPECT_EQ(EvaluateAndWatchEnabled(), std::make_pair(true, true)) << "at a stop";

    frame->edExpression->SetWideText(u"\u00E9 + 1");
    frame->aWatch->Execute();
    EXPECT_EQ(watched, std::vector<std::string>{"\xC3\xA9 + 1"});
}

TEST_F(EvaluateExpressionTest, EscapeHidesTheHostingForm) {
    form.Show();
    ASSERT_TRUE(form.Visible());
    PressKey(*frame->edResult, ui::VK_ESCAPE);
    EXPECT_FALSE(form.Visible());
}

TEST_F(EvaluateExpressionTest, NamesItsPartsAndCaptionsItsButtons) {
    EXPECT_EQ(frame->Name(), "frmEvaluateExpression");
    EXPECT_EQ(frame->aEvaluate->Caption(), "E&valuate");
    EXPECT_EQ(frame->aWatch->Caption(), "&Watch");
    ASSERT_EQ(frame->tbEvaluate->ButtonCount(), 3);
    EXPECT_EQ(frame->tbEvaluate->Buttons(0)->Action(), frame->aEvaluate);
    EXPECT_TRUE(frame->tbEvaluate->Buttons(1)->IsSeparator());
    EXPECT_EQ(frame->tbEvaluate->Buttons(2)->ImageIndex(), 1);
    EXPECT_EQ(frame->ilNormal->Count(), 2);
}

} // namespace
} // namespace app
