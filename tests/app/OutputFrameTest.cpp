// The output window, the data view and the floating tool form over a real run.
#include <gtest/gtest.h>

#include "app/DataViewTesting.h"
#include "app/fruDataView.h"
#include "app/fruOutput.h"
#include "app/fuToolForm.h"
#include "app/VeltraneServerFixture.h"
#include "core/uDBAConnection.h"
#include "engine/model/uDebugger.h"
#include "platform/rtl/Exception.h"
#include "platform/ui/Application.h"
#include "support/UiTest.h"

#include <QImage>
#include <QWidget>

namespace app {
namespace {

using testing::GridTitles;

// Whether any pixel of the rectangle has the colour.
bool HasColour(const QImage& image, const ui::TRect& rect, ui::TColor colour) {
    const QRgb wanted = qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    for (int y = rect.Top; y < rect.Bottom; ++y)
        for (int x = rect.Left; x < rect.Right; ++x)
            if (image.valid(x, y) && (image.pixel(x, y) & 0xFFFFFF) == (wanted & 0xFFFFFF)) return true;
    return false;
}

class OutputFrameTest : public VeltraneServerTest {
protected:
    static void SetUpTestSuite() { uitest::EnsureApplication(); }

    void TearDown() override {
        if (veltrane && veltrane->IsRunning()) veltrane->Stop(true);
    }

    std::vector<std::string> Captions(TfrmOutput& output) {
        std::vector<std::string> captions;
        for (int i = 0; i < output.lvItems->Items().Count(); ++i)
            captions.push_back(output.lvItems->Items()[i]);
        return captions;
    }

    void RunThreeStatements() {
        CompileMain("BEGIN\n"
                    "  CREATE TEMPORARY TABLE output_t (a INT, t TEXT);\n"
                    "  SELECT 1 AS a, NULL AS n, REPEAT('x', 80) AS t UNION SELECT 2, 'y', 'short';\n"
                    "  DROP TEMPORARY TABLE output_t;\n"
                    "END");
        veltrane->Start(false);
        uitest::ProcessEvents();
    }

    struct TWhere {
        std::string routine;
        int line = 0;
    };
};

// A message of a kind the window does not know.
class TStrangeMessage : public engine::IDebuggMessageEvent {
public:
    void* GetSender() const override { return nullptr; }
    std::u16string GetText() const override { return u"strange"; }
    std::string GetRoutineName() const override { return ""; }
    std::uint8_t GetRoutineKind() const override { return 0; }
    int GetLine() const override { return 0; }
    std::shared_ptr<core::IQueryResult> GetQueryResult() const override { return nullptr; }
    engine::TDebugMessageKind GetKind() const override { return static_cast<engine::TDebugMessageKind>(4); }
};

TEST_F(OutputFrameTest, ARunListsEveryMessageWithItsImageAndTheActionsFollowTheSelection) {
    std::vector<TWhere> jumps;
    TfrmOutput output(nullptr, veltrane.get(), [&](const std::string& routine, std::uint8_t, int line) {
        jumps.push_back({routine, line});
    });
    output.alFrame->UpdateActions();
    EXPECT_FALSE(output.aClear->Enabled());
    EXPECT_FALSE(output.aGoToCode->Enabled());

    RunThreeStatements();
    const auto captions = Captions(output);
    ASSERT_EQ(captions.size(), 5u);
    EXPECT_EQ(captions[0], "Debugging started");
    EXPECT_EQ(captions[1].rfind("0 row(s) affected (", 0), 0u) << captions[1];
    EXPECT_EQ(captions[2].rfind("2 row(s) returned (", 0), 0u) << captions[2];
    EXPECT_NE(
        captions[2].find(" sec) to view the data, use the Show results command from the context menu of the "
                         "element"),
        std::string::npos);
    EXPECT_EQ(captions[4], "Debugging completed");
    EXPECT_EQ(output.ImageIndexes(), (std::vector<int>{2, 4, 3, 4, 2}));
    EXPECT_EQ(output.lvItems->ItemIndex(), 4) << "the newest line is selected";

    output.lvItems->SetItemIndex(2);
    output.alFrame->UpdateActions();
    EXPECT_TRUE(output.aShowResults->Enabled());
    EXPECT_TRUE(output.aGoToCode->Enabled());
    output.aGoToCode->Execute();
    ASSERT_EQ(jumps.size(), 1u);
    EXPECT_EQ(jumps[0].line, 3);

    output.lvItems->SetItemIndex(1);
    output.alFrame->UpdateActions();
    EXPECT_FALSE(output.aShowResults->Enabled()) << "a statement without rows";

    ASSERT_EQ(output.pmMessages->Items()->Count(), 4);
    EXPECT_TRUE(output.pmMessages->Items()->Items(0)->Default());
    EXPECT_EQ(output.pmMessages->Items()->Items(1)->Caption(), "Show results");
    EXPECT_TRUE(output.pmMessages->Items()->Items(2)->IsLine());

    output.aClear->Execute();
    output.alFrame->UpdateActions();
    EXPECT_EQ(output.lvItems->Items().Count(), 0);
    EXPECT_EQ(output.MessageCount(), 0);
    EXPECT_FALSE(output.aClear->Enabled());
}

TEST_F(OutputFrameTest, AnUnknownKindIsRefusedAfterItsLineWasAdded) {
    TfrmOutput output(nullptr, veltrane.get(), nullptr);
    EXPECT_THROW(
        try { output.DebugMessage(std::make_shared<TStrangeMessage>()); } catch (const rtl::Exception& e) {
            EXPECT_STREQ(e.what(), "Unknown message type");
            throw;
        },
        rtl::Exception);
    EXPECT_EQ(output.lvItems->Items().Count(), 1);
    EXPECT_EQ(output.MessageCount(), 1);
}

TEST_F(OutputFrameTest, EachShowResultsOpensItsOwnDataWindowThatFreesItselfOnClose) {
    const ui::TApplication application;
    TfrmOutput output(nullptr, veltrane.get(), nullptr);
    RunThreeStatements();
    output.lvItems->SetItemIndex(2);
    const int before = ui::Screen->FormCount();
    output.aShowResults->Execute();
    output.aShowResults->Execute();
    ASSERT_EQ(ui::Screen->FormCount(), before + 2);
    auto* first = dynamic_cast<TfmToolForm*>(ui::Screen->Forms(before));
    auto* second = dynamic_cast<TfmToolForm*>(ui::Screen->Forms(before + 1));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->Caption(), "Data");
    EXPECT_NE(first->Frame(), second->Frame());

    auto* view = dynamic_cast<TfrmDataView*>(first->Frame());
    ASSERT_TRUE(view);
    EXPECT_EQ(view->sbResult->Panels()[0]->Text().rfind("2 row(s) returned (", 0), 0u);
    EXPECT_TRUE(view->dbgResult->ReadOnly());
    EXPECT_EQ(view->dbgResult->DataSource(), view->dsResult);
    EXPECT_EQ(view->dbgResult->RowCount(), 3) << "titles and two rows";
    EXPECT_EQ(GridTitles(*view->dbgResult), "a | n | t");
    EXPECT_EQ(view->dsResult->DataSet()->FieldByName("t")->DisplayWidth(), 50) << "cut to 50 characters";

    // The NULL cell shows a small "NULL" in the NULL colour; the focused first cell keeps its own.
    first->Widget()->grab().save("/tmp/frames-dataview.png");
    const QImage grid = view->dbgResult->Handle()->grab().toImage();
    EXPECT_TRUE(HasColour(grid, view->dbgResult->CellRect(1, 1), kNullTextColor));
    EXPECT_FALSE(HasColour(grid, view->dbgResult->CellRect(2, 1), kNullTextColor));
    EXPECT_FALSE(HasColour(grid, view->dbgResult->CellRect(1, 2), kNullTextColor)) << "'y' is no NULL";

    first->Close();
    uitest::ProcessEvents();
    EXPECT_EQ(ui::Screen->FormCount(), before + 1) << "a Data window frees itself";
    delete second;
}

TEST_F(OutputFrameTest, AViewOfAStatementWithoutRowsIsRefused) {
    auto result = connection->Execute("DO 1");
    ASSERT_FALSE(result->HasResultSet());
    try {
        TfrmDataView view(nullptr, result);
        FAIL() << "no rows to show";
    } catch (const rtl::Exception& e) {
        EXPECT_STREQ(e.what(), "Result contains no data");
    }
}

TEST_F(OutputFrameTest, AToolFormThatKeepsItsFrameOnlyHidesOnClose) {
    auto* frame = new ui::TFrame(nullptr);
    frame->SetBounds(0, 0, 200, 120);
    TfmToolForm* form = CreateToolForm(nullptr, "Evaluate", frame, false, false);
    EXPECT_EQ(form->ClientWidth(), 200);
    EXPECT_EQ(form->ClientHeight(), 120);
    EXPECT_EQ(form->FormBorderStyle(), ui::bsSizeToolWin);
    EXPECT_EQ(form->FormStyle(), ui::fsStayOnTop);
    EXPECT_EQ(frame->Align(), ui::alClient);
    form->Show();
    form->Close();
    uitest::ProcessEvents();
    EXPECT_FALSE(form->Visible());
    delete form;
    EXPECT_EQ(frame->Parent(), nullptr) << "the frame outlives a form that does not own it";
    delete frame;
}

} // namespace
} // namespace app
