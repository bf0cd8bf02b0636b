#include "app/fruSQL.h"

#include <gtest/gtest.h>

#include "app/DataViewTesting.h"
#include "app/FrameServerFixture.h"
#include "app/fruDataView.h"
#include "app/fruTextEditor.h"
#include "app/fuToolForm.h"
#include "core/uDBAConnection.h"
#include "editor/WideCodeEdit.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Application.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/PageControls.h"
#include "platform/ui/Panels.h"
#include "widecontrols/uUcStdCtrls.h"

namespace app {
namespace {

using SQLWindowTest = VeltraneServerTest;

std::string Text(const std::u16string& text) {
    return rtl::Utf16ToUtf8(text);
}

TEST_F(SQLWindowTest, WithoutASessionItRunsLikeAPlainClient) {
    auto rows = ExecuteAtStop(*veltrane, u"SELECT 1 AS one UNION SELECT 2");
    ASSERT_EQ(rows.messages.size(), 1u);
    EXPECT_EQ(Text(rows.messages[0]).rfind("2 row(s) returned (", 0), 0u) << Text(rows.messages[0]);
    ASSERT_TRUE(rows.result);
    EXPECT_EQ(rows.result->GetDataSet()->Fields()[0]->FieldName(), "one");

    auto rowless = ExecuteAtStop(*veltrane, u"SET @sqlwindow = 1");
    ASSERT_EQ(rowless.messages.size(), 1u);
    EXPECT_EQ(Text(rowless.messages[0]).rfind("0 row(s) affected (", 0), 0u) << Text(rowless.messages[0]);
    EXPECT_FALSE(rowless.result);
}

TEST_F(SQLWindowTest, FailuresBecomeMessageLines) {
    auto missing = ExecuteAtStop(*veltrane, u"SELECT * FROM sqlwindow_nope");
    ASSERT_EQ(missing.messages.size(), 1u);
    EXPECT_NE(Text(missing.messages[0]).find("1146"), std::string::npos) << Text(missing.messages[0]);
    EXPECT_EQ(Text(missing.messages[0]).rfind("Error: ", 0), std::string::npos) << "the server's own text";

    auto refused = ExecuteAtStop(*veltrane, u"LEAVE x");
    ASSERT_EQ(refused.messages.size(), 1u);
    EXPECT_EQ(Text(refused.messages[0]).rfind("Error: ", 0), 0u) << Text(refused.messages[0]);
}

TEST_F(SQLWindowTest, AtAStopLocalVariablesAreMirroredBothWays) {
    CompileMain("BEGIN\n  DECLARE i INT DEFAULT 41;\n  SET @after = i;\nEND");
    veltrane->Start(true);
    veltrane->StepInto();
    ASSERT_TRUE(veltrane->IsRunning());

    auto read = ExecuteAtStop(*veltrane, u"SELECT i + 1");
    ASSERT_TRUE(read.result);
    data::TDataSet& rows = *read.result->GetDataSet();
    EXPECT_EQ(rows.Fields()[0]->DisplayLabel(), "i + 1") << "the local name, not its session variable";
    EXPECT_EQ(rows.Fields()[0]->AsString(), "42");

    ExecuteAtStop(*veltrane, u"SET i = 7");
    EXPECT_EQ(veltrane->EvaluateForDisplay(u"i", true), u"7");
}

TEST(SQLWindowIntroTest, TeachesTheKeysAndTheDelimiter) {
    const std::u16string intro = SQLWindowIntroText();
    EXPECT_EQ(intro.substr(0, 44), u"Press Ctrl+Enter to execute the statement.\r\n");
    EXPECT_NE(intro.find(u"separate statements. \r\nFor example:"), std::u16string::npos);
    EXPECT_EQ(intro.substr(intro.size() - 16), u"\r\n   delimiter ;");
}

// The window itself: what runs, where the rows go and what the Messages page says.
class SQLFrameTest : public FrameServerTest {
protected:
    void SetUp() override {
        FrameServerTest::SetUp();
        if (IsSkipped()) return;
        ui::Application->SetMainForm(&form);
        frame = std::make_unique<TfrmSQL>(
            &form, veltrane.get(), [this] { ++afterExecutions; }, nullptr);
        frame->SetParent(&form);
        frame->SetAlign(ui::alClient);
        form.SetBounds(0, 0, 520, 360);
    }

    void TearDown() override {
        form.Hide();
        frame.reset();
        for (auto* window : DataWindows())
            delete window;
        if (ui::Application) ui::Application->SetMainForm(nullptr);
        FrameServerTest::TearDown();
    }

    static std::vector<TfmToolForm*> DataWindows() {
        std::vector<TfmToolForm*> windows;
        for (int i = 0; i < ui::Screen->FormCount(); ++i)
            if (auto* window = dynamic_cast<TfmToolForm*>(ui::Screen->Forms(i))) windows.push_back(window);
        return windows;
    }

    std::vector<std::u16string> Messages() const {
        std::vector<std::u16string> lines;
        auto& memo = frame->edMessages->WideLines();
        for (int i = 0; i < memo.GetCount(); ++i)
            lines.push_back(memo.Get(i));
        return lines;
    }

    // The column titles of the docked result.
    std::string DockedLabel() const {
        EXPECT_TRUE(frame->DockedDataView());
        if (!frame->DockedDataView()) return {};
        EXPECT_TRUE(frame->tsResultSet->TabVisible());
        EXPECT_EQ(frame->pcResult->ActivePage(), frame->tsResultSet);
        return testing::GridTitles(*frame->DockedDataView()->dbgResult);
    }

    std::unique_ptr<TfrmSQL> frame;
    int afterExecutions = 0;
};

TEST_F(SQLFrameTest, RunsTheStatementUnderTheCaretOrExactlyTheSelection) {
    EXPECT_EQ(frame->edMessages->WideText(), SQLWindowIntroText());
    EXPECT_EQ(frame->pcResult->ActivePage(), frame->tsMessages);
    EXPECT_FALSE(frame->tsResultSet->TabVisible());

    frame->SetText(u"SELECT 'first' AS a;\r\nSELECT 'second' AS b, 2 AS c;\r\n");
    frame->TextEditor().SetCaretPos(3, 2);
    frame->Execute(false);
    EXPECT_EQ(DockedLabel(), "b | c") << "only the statement under the caret";
    ASSERT_EQ(Messages().size(), 1u) << "the introduction is gone";
    EXPECT_EQ(Text(Messages()[0]).rfind("1 row(s) returned (", 0), 0u) << Text(Messages()[0]);
    EXPECT_EQ(afterExecutions, 1);

    const std::u16string text = frame->GetText();
    const int from = static_cast<int>(text.find(u"'first'"));
    frame->TextEditor().SelectRange(from, static_cast<int>(text.find(u" AS b")));
    ASSERT_EQ(frame->TextEditor().GetSelectedText(), u"'first' AS a;\r\nSELECT 'second'");
    frame->TextEditor().SelectRange(static_cast<int>(text.find(u"SELECT 'second'")),
                                    static_cast<int>(text.find(u" AS b")));
    frame->Execute(false);
    EXPECT_EQ(DockedLabel(), "second") << "exactly the selection: one column, named after its text";

    frame->SetText(u"SET @sqlframe = 1");
    frame->Execute(false);
    EXPECT_FALSE(frame->DockedDataView());
    EXPECT_FALSE(frame->tsResultSet->TabVisible());
    EXPECT_EQ(frame->pcResult->ActivePage(), frame->tsMessages);
    EXPECT_EQ(Text(Messages()[0]).rfind("0 row(s) affected (", 0), 0u) << Text(Messages()[0]);
    EXPECT_EQ(afterExecutions, 3);
}

TEST_F(SQLFrameTest, ASeparateWindowTakesTheRowsAndTheDockedPageStaysHidden) {
    frame->SetText(u"SELECT 7 AS seven");
    frame->Execute(true);
    EXPECT_FALSE(frame->DockedDataView());
    EXPECT_FALSE(frame->tsResultSet->TabVisible());
    const auto windows = DataWindows();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0]->Caption(), "Data");
    EXPECT_TRUE(windows[0]->Visible());
    EXPECT_TRUE(dynamic_cast<TfrmDataView*>(windows[0]->Frame()));

    frame->SetText(u"SELECT * FROM sqlframe_missing");
    frame->Execute(false);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Text(Messages()[0]).find("1146"), std::string::npos) << "the server's error in Messages";
    EXPECT_EQ(DataWindows().size(), 1u) << "separate windows stay open";

    frame->SetText(u"SELECT 'docked' AS d;\r\nSELECT 2;");
    frame->TextEditor().SetCaretPos(0, 1);
    frame->Execute(false);
    form.Show();
    uitest::ProcessEvents();
    Grab(frame->TextEditor().Editor(), "/tmp/png/sql-editor.png");
    Grab(*frame->DockedDataView(), "/tmp/png/sql-data.png");
}

TEST_F(SQLFrameTest, WhileTheDebugThreadRunsNothingIsSent) {
    std::vector<ui::TMessageRequest> boxes;
    const ui::TDialogAnswers answers([&](const ui::TMessageRequest& request) {
        boxes.push_back(request);
        return ui::mrOk;
    });
    HoldBusy();
    frame->SetText(u"SET @sqlframe_busy = 1");
    frame->Execute(false);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Process not accessible");
    EXPECT_EQ(boxes[0].type, ui::mtWarning);
    EXPECT_EQ(frame->edMessages->WideText(), SQLWindowIntroText()) << "the messages stay as they were";
    EXPECT_EQ(afterExecutions, 0);
    ReleaseBusy();
    EXPECT_EQ(session->Scalar("SELECT @sqlframe_busy IS NULL"), "1");
}

TEST_F(SQLFrameTest, ExecuteIsOfferedWhileTheEditorHasTheFocus) {
    EXPECT_EQ(frame->aExecute->ShortCut(), ui::TextToShortCut("Ctrl+Enter"));
    EXPECT_EQ(frame->aExecuteAsUndockedResult->ShortCut(), ui::TextToShortCut("Ctrl+Shift+Enter"));
    frame->alFrame->UpdateActions();
    EXPECT_FALSE(frame->aExecute->Enabled());
    form.Show();
    frame->FocusEditor();
    uitest::ProcessEvents();
    frame->alFrame->UpdateActions();
    EXPECT_TRUE(frame->aExecute->Enabled());
    EXPECT_TRUE(frame->aExecuteAsUndockedResult->Enabled());
    ASSERT_GE(frame->pmEditor->Items()->Count(), 3);
    EXPECT_EQ(frame->pmEditor->Items()->Items(0)->Caption(), "&Execute");
    EXPECT_EQ(frame->pmEditor->Items()->Items(1)->Caption(), "Execute data statement in separate window");
    EXPECT_EQ(frame->pmEditor->Items()->Items(2)->Caption(), "-");
}

} // namespace
} // namespace app
