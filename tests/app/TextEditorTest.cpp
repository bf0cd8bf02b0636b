#include "app/fruTextEditor.h"

#include "app/EditorFrameTesting.h"
#include "platform/ui/Clock.h"

#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace app {
namespace {

using testing::HasSubstr;
using ui::TColor;

class TextEditorTest : public EditorFrameTest {
protected:
    void SetUp() override {
        SetCodeParametersWindowClass([this](editor::TCustomWideCodeEdit&) {
            auto window = std::make_unique<FakeParametersWindow>();
            parameters = window.get();
            return window;
        });
        frame = new TfrmTextEditor(&form, TfrmTextEditor::hkSQL);
        SetCodeParametersWindowClass(nullptr);
        ShowFrame(*frame);
        frame->SetCodeCompletion(&completion, [this](TCodeCompletionItems&, bool& allow) {
            ++completionFills;
            allow = true;
        });
        frame->SetCodeParameters([](rtl::TStringList& list, int& index) {
            list.Add("a INT");
            index = 0;
        });
        frame->SetText(u"select\r\n");
        frame->FocusEditor();
        uitest::ProcessEvents();
    }
    void TearDown() override {
        AutoCodeCompletion = true;
        AutoCodeParameters = true;
    }

    ui::TManualClockScope clock;
    TfrmTextEditor* frame = nullptr;
    FakeCompletionPopup completion;
    FakeParametersWindow* parameters = nullptr;
    int completionFills = 0;
};

TEST_F(TextEditorTest, DotStartsCompletionAfter300MsAndAnotherKeyCancelsIt) {
    QTest::keyClick(Widget(*frame), '.');
    clock->Advance(299);
    EXPECT_EQ(completion.shown, 0);
    clock->Advance(1);
    EXPECT_EQ(completion.shown, 1);
    EXPECT_EQ(completionFills, 1);

    QTest::keyClick(Widget(*frame), '.');
    clock->Advance(200);
    QTest::keyClick(Widget(*frame), 'x');
    clock->Advance(500);
    EXPECT_EQ(completion.shown, 1) << "typing on cancels the pending completion";

    QTest::keyClick(Widget(*frame), '.');
    QTest::keyClick(Widget(*frame), Qt::Key_Left);
    clock->Advance(500);
    EXPECT_EQ(completion.shown, 1) << "any key press cancels it";
}

TEST_F(TextEditorTest, CompletionThatFindsNothingShowsNothing) {
    completion.count = 0;
    QTest::keyClick(Widget(*frame), ' ', Qt::ControlModifier);
    EXPECT_EQ(completionFills, 1);
    EXPECT_EQ(completion.shown, 0);
    EXPECT_TRUE(frame->EditorFocused());
}

TEST_F(TextEditorTest, CtrlSpaceCompletesEvenWithAutomaticCompletionOffAndTypesNoBlank) {
    AutoCodeCompletion = false;
    QTest::keyClick(Widget(*frame), '.');
    clock->Advance(1000);
    EXPECT_EQ(completion.shown, 0);
    const std::u16string before = frame->GetText();
    QTest::keyClick(Widget(*frame), ' ', Qt::ControlModifier);
    EXPECT_EQ(completion.shown, 1);
    EXPECT_EQ(frame->GetText(), before);
}

TEST_F(TextEditorTest, ParenthesisShowsParametersAfter300MsCaretMovesRefreshThemAndEscHidesThem) {
    ASSERT_NE(parameters, nullptr);
    QTest::keyClick(Widget(*frame), '(');
    clock->Advance(299);
    EXPECT_FALSE(parameters->Visible());
    clock->Advance(1);
    ASSERT_TRUE(parameters->Visible());
    EXPECT_EQ(parameters->list, std::vector<std::string>{"a INT"});

    const int shown = parameters->shown;
    QTest::keyClick(Widget(*frame), Qt::Key_Left);
    clock->Advance(299);
    EXPECT_EQ(parameters->shown, shown);
    clock->Advance(1);
    EXPECT_EQ(parameters->shown, shown + 1) << "the hint follows the caret";

    QTest::keyClick(Widget(*frame), Qt::Key_Escape);
    EXPECT_FALSE(parameters->Visible());
    AutoCodeParameters = false;
    QTest::keyClick(Widget(*frame), '(');
    clock->Advance(1000);
    EXPECT_FALSE(parameters->Visible());
    QTest::keyClick(Widget(*frame), ' ', Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(parameters->Visible());
}

TEST_F(TextEditorTest, RefusesAnUnknownHighlighterAndASecondDebuggerPlugin) {
    EXPECT_THAT(ErrorOf([&] { TfrmTextEditor(&form, 2); }), "Unknown highlighter.");
    const auto flags = [](int, int&) {};
    frame->InstallDebuggerPlugin(nullptr, nullptr, nullptr, flags);
    EXPECT_THAT(ErrorOf([&] { frame->InstallDebuggerPlugin(nullptr, nullptr, nullptr, flags); }),
                "Debugger plugin already installed.");
}

TEST_F(TextEditorTest, WrappersCountLinesFromOneAndLineBreaksAsTwoCharacters) {
    frame->SetText(u"ab\r\ncd\r\n  \r\n");
    frame->SetCaretPos(1, 2);
    EXPECT_EQ(frame->GetCaretLine(), 2);
    EXPECT_EQ(frame->GetCaretOffset(), 5);
    EXPECT_EQ(frame->GetTextBeforeOffset(5), u"ab\r\nc");
    EXPECT_EQ(frame->GetCaretLineText(), u"cd");
    EXPECT_TRUE(frame->IsLineEmpty(3));
    EXPECT_FALSE(frame->IsLineEmpty(1));
    frame->SelectRange(1, 5);
    EXPECT_EQ(frame->GetSelectedText(), u"b\r\nc");
    frame->OnGetWord = [](const std::u16string& line, int column, std::u16string& word) {
        word = line + u"@" + char16_t(u'0' + column);
    };
    frame->SetCaretPos(1, 1);
    EXPECT_EQ(frame->GetWordAtCaret(), u"ab@1");
}

TEST_F(TextEditorTest, HoverShowsTheCallbacksTooltipOnceForAWord) {
    frame->SetText(u"select abc from t");
    int asked = 0;
    frame->OnGetTooltip = [&](const std::u16string& text, std::u16string& tooltip) {
        ++asked;
        tooltip = text + u" = 1";
    };
    frame->SetHoverTooltips(true);
    const QPoint onWord = CellCentre(*frame, 8, 0);
    MouseMove(*frame, onWord, Qt::RightButton);
    clock->Advance(50);
    EXPECT_EQ(asked, 0) << "not while a button is held";
    MouseMove(*frame, onWord);
    clock->Advance(49);
    EXPECT_EQ(asked, 0);
    clock->Advance(1);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(frame->Editor().Hint(), "abc = 1");
    MouseMove(*frame, onWord + QPoint(1, 0));
    clock->Advance(50);
    EXPECT_EQ(asked, 1) << "the same word is not asked for again";
}

TEST_F(TextEditorTest, CaretNotifierTellsOfCaretMovesInAnyFrame) {
    struct Listener {
        std::vector<void*> senders;
        void Handle(const std::shared_ptr<core::IEvent>& event) { senders.push_back(event->GetSender()); }
    } listener;
    const auto handler = core::TEventHandler::Of<&Listener::Handle>(&listener);
    AddCaretNotifier(handler);
    frame->SetCaretPos(2, 1);
    RemoveCaretNotifier(handler);
    frame->SetCaretPos(3, 1);
    EXPECT_THAT(listener.senders, testing::ElementsAre(frame));
    EXPECT_EQ(ActiveTextEditor(), frame);
}

// ---- the debugger plug-in

class DebugSupportPluginTest : public EditorFrameTest {
protected:
    void SetUp() override {
        frame = new TfrmTextEditor(&form, TfrmTextEditor::hkSQL);
        ShowFrame(*frame);
        frame->SetGutterExtraWidth(32);
        frame->SetText(u"l1\r\nl2\r\nl3\r\nl4\r\nl5\r\nl6\r\nl7\r\n");
        frame->InstallDebuggerPlugin(nullptr, nullptr, nullptr,
                                     [this](int line, int& f) { f = flags[std::size_t(line)]; });
    }

    // The glyph cell of a 1-based line.
    QImage GlyphCell(const QImage& image, int line) {
        const int h = frame->Model().LineHeight();
        const int x = TDebugSupportPlugin::GlyphLeft(0);
        const int y = (line - 1) * h + (h - TDebugSupportPlugin::kGlyphSize) / 2;
        return image.copy(x, y, TDebugSupportPlugin::kGlyphSize, TDebugSupportPlugin::kGlyphSize);
    }
    TColor TextBackground(const QImage& image, int line) {
        return Pixel(image, frame->Model().GutterWidth() + 40, (line - 1) * frame->Model().LineHeight() + 1);
    }

    TfrmTextEditor* frame = nullptr;
    std::array<int, 9> flags{};
};

TEST_F(DebugSupportPluginTest, OneGlyphAndOneLineColourByPriority) {
    flags = {0, dlfCurrentLine, dlfCurrentLine | dlfBreakpoint, dlfBreakpoint, dlfDisabledBreakpoint,
             dlfBreakpoint | dlfDisabledBreakpoint, dlfExecutableLine, 0};
    const QImage image = Grab(*frame, "plugin");
    const QImage none = GlyphCell(image, 7);
    for (int line = 1; line <= 6; ++line)
        EXPECT_NE(GlyphCell(image, line), none) << "line " << line << " has a glyph";
    EXPECT_EQ(GlyphCell(image, 2), GlyphCell(image, 1)) << "the current line's glyph hides the breakpoint";
    EXPECT_NE(GlyphCell(image, 1), GlyphCell(image, 3));
    EXPECT_EQ(GlyphCell(image, 5), GlyphCell(image, 4)) << "disabled wins over enabled";
    EXPECT_NE(GlyphCell(image, 3), GlyphCell(image, 4));
    EXPECT_NE(GlyphCell(image, 6), GlyphCell(image, 3));

    EXPECT_EQ(TextBackground(image, 1), TDebugSupportPlugin::kCurrentLineColor);
    EXPECT_EQ(TextBackground(image, 2), TDebugSupportPlugin::kCurrentLineColor);
    EXPECT_EQ(TextBackground(image, 3), TDebugSupportPlugin::kBreakpointColor);
    EXPECT_EQ(TextBackground(image, 4), TDebugSupportPlugin::kDisabledBreakpointColor);
    EXPECT_EQ(TextBackground(image, 5), TDebugSupportPlugin::kBreakpointColor);
    EXPECT_EQ(TextBackground(image, 6), ui::clWhite) << "an executable line keeps the editor's colours";
}

TEST_F(DebugSupportPluginTest, GutterClickGivesTheOneBasedLine) {
    std::vector<int> clicked;
    frame->SetOnGutterClick([&](int line) { clicked.push_back(line); });
    const int h = frame->Model().LineHeight();
    QTest::mouseClick(Widget(*frame), Qt::LeftButton, {}, WindowPoint(*frame, {5, 2 * h + h / 2}));
    EXPECT_THAT(clicked, testing::ElementsAre(3));
}

} // namespace
} // namespace app
