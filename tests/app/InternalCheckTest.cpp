#include "app/fuInternalCheck.h"

#include <gtest/gtest.h>

#include "app/FrameServerFixture.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Labels.h"
#include "platform/ui/ProgressBars.h"
#include "widecontrols/uUcStdCtrls.h"

namespace app {
namespace {

class InternalCheckTest : public FrameServerTest {
protected:
    void DropObjects() override {
        session->Execute("DROP PROCEDURE IF EXISTS `" + spaced + "`; DROP FUNCTION IF EXISTS " + function +
                         "; DROP PROCEDURE IF EXISTS " + bad);
    }
    const std::string spaced = Unique("check me");
    const std::string function = Unique("check_f");
    const std::string bad = Unique("check_bad");

    int RoutineCount() {
        return std::stoi(session->Scalar("SELECT COUNT(*) FROM information_schema.routines"));
    }
};

TEST_F(InternalCheckTest, ScansEveryRoutineAndReportsOnlyThoseItCannotCompile) {
    session->Execute("CREATE PROCEDURE `" + spaced + "`()\nBEGIN\n  SET @a = 1;\nEND");
    session->Execute("CREATE FUNCTION " + function + "(x INT) RETURNS INT\nBEGIN\n  RETURN x + 1;\nEND");
    TInternalCheck check(connection, "Veltrane 1.2.3.4");
    std::vector<std::pair<int, int>> steps;
    EXPECT_TRUE(check.Run([&](int position, int maximum) {
        steps.emplace_back(position, maximum);
        return true;
    }));
    // Other tests create and drop routines meanwhile: the count is the one read at the start.
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back().first, static_cast<int>(steps.size()));
    EXPECT_GT(steps.back().second, 0);
    // The server's own system routines may hold findings; ours must not be among them.
    const std::string report = rtl::Utf16ToUtf8(check.Report());
    EXPECT_EQ(report.find(spaced), std::string::npos);
    EXPECT_EQ(report.find(function), std::string::npos);
}

TEST_F(InternalCheckTest, AFindingGoesUnderTheHeaderAndCancelStopsAfterTheCurrentRoutine) {
    // Stored without complaint, since the server resolves names only when it runs the routine; our
    // compiler refuses the undeclared variable.
    session->Execute("CREATE PROCEDURE " + bad + "()\nBEGIN\n  DECLARE x INT;\n  SET @a = y;\nEND");
    TInternalCheck check(connection, "Veltrane 1.2.3.4");
    EXPECT_TRUE(check.Run([](int, int) { return true; }));
    const std::string report = rtl::Utf16ToUtf8(check.Report());
    EXPECT_EQ(
        report.rfind("Internal check report\r\n\r\nApplication: Veltrane 1.2.3.4\r\nMySQL version: ", 0), 0u)
        << report;
    EXPECT_NE(report.find("\r\n" + std::string(83, '-') + "\r\n"), std::string::npos);
    EXPECT_NE(report.find("SET @a = y"), std::string::npos);

    TInternalCheck cancelled(connection, "Veltrane 1.2.3.4");
    int calls = 0;
    EXPECT_FALSE(cancelled.Run([&](int, int) { return ++calls < 1; }));
    EXPECT_EQ(calls, 1);
}

// The dialog answers its message boxes into `boxes`.
class InternalCheckDialogTest : public InternalCheckTest {
protected:
    std::vector<ui::TMessageRequest> boxes;
    const ui::TDialogAnswers answers{[this](const ui::TMessageRequest& request) {
        boxes.push_back(request);
        return ui::mrOk;
    }};
};

TEST_F(InternalCheckDialogTest, ACompleteScanReportsItsOutcomeAndTheButtonThenClosesWithOK) {
    session->Execute("CREATE PROCEDURE " + bad + "()\nBEGIN\n  SET @a = y;\nEND");
    TfmInternalCheck dialog(&form, connection);
    EXPECT_EQ(dialog.Caption(), "Internal check");
    EXPECT_EQ(dialog.buButton->Caption(), "Start");
    EXPECT_EQ(dialog.laNote->WideCaption(),
              u"Note: This operation will not make attempts to change the data. There will be no attempts to "
              u"send the data from  this computer.");

    dialog.buButton->Click();
    EXPECT_EQ(dialog.buButton->Caption(), "Close");
    EXPECT_GT(dialog.pbProgress->Max(), 0);
    EXPECT_EQ(dialog.pbProgress->Position(), dialog.pbProgress->Max());
    EXPECT_EQ(dialog.laProgressDetails->Caption(),
              std::to_string(dialog.pbProgress->Max()) + "/" + std::to_string(dialog.pbProgress->Max()));
    const std::string report = rtl::Utf16ToUtf8(dialog.edReport->WideText());
    EXPECT_EQ(report.rfind("Internal check report\r\n", 0), 0u);
    EXPECT_NE(report.find("SET @a = y"), std::string::npos);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].type, ui::mtWarning);
    EXPECT_EQ(
        boxes[0].text.rfind("A bug report was generated during the scan. Please send it for analysis to ", 0),
        0u);
    dialog.Show();
    Grab(dialog, "/tmp/png/internal-check.png");

    dialog.buButton->Click();
    EXPECT_EQ(dialog.ModalResult(), ui::mrOk);
}

TEST_F(InternalCheckDialogTest, CancelStopsAfterTheCurrentRoutineAndTheNextPressClosesWithCancel) {
    session->Execute("CREATE PROCEDURE `" + spaced + "`()\nBEGIN\n  SET @a = 1;\nEND");
    TfmInternalCheck dialog(&form, connection);
    // Pressed while the scan lets the window handle its events.
    ui::PostCall(this, [&] { dialog.buButton->Click(); });
    dialog.buButton->Click();
    EXPECT_EQ(dialog.pbProgress->Position(), 1) << "the routine being checked was the last";
    const std::u16string report = dialog.edReport->WideText();
    EXPECT_EQ(report.substr(report.size() - std::u16string(u"Process aborted by user").size()),
              u"Process aborted by user");
    EXPECT_TRUE(boxes.empty()) << "no final message after a cancel";
    EXPECT_EQ(dialog.buButton->Caption(), "Close");
    EXPECT_EQ(dialog.ModalResult(), ui::mrNone);

    dialog.buButton->Click();
    EXPECT_EQ(dialog.ModalResult(), ui::mrCancel);
}

} // namespace
} // namespace app
