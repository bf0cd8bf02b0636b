#include "app/fuFindText.h"

#include "app/EditorFrameTesting.h"
#include "app/fuReplaceText.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Actions.h"
#include "platform/ui/Dialogs.h"
#include "widecontrols/uUcDialogs.h"
#include "widecontrols/uUcStdCtrls.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

namespace app {
namespace {

using testing::ElementsAre;

// Two editors sharing one search; dialogs are answered by the test.
class FindTextTest : public EditorFrameTest {
protected:
    void SetUp() override {
        LastSearch() = {};
        first = new TfrmTextEditor(&form, TfrmTextEditor::hkNone);
        second = new TfrmTextEditor(&form, TfrmTextEditor::hkNone);
        ShowFrame(*first);
        first->SetText(u"alpha beta\r\nbeta gamma\r\nbeta");
        second->SetText(u"one beta two beta");
        answers = std::make_unique<ui::TDialogAnswers>(
            [this](const ui::TMessageRequest& request) {
                messages.push_back(request.text);
                return ui::mrOk;
            },
            [this](ui::TCustomForm& dialog) { AnswerDialog(dialog); });
    }

    void AnswerDialog(ui::TCustomForm& dialog) {
        if (auto* find = dynamic_cast<TfmFindText*>(&dialog)) {
            presets.push_back(rtl::Utf16ToUtf8(find->edFind->WideText()));
            if (!findText) return; // cancelled
            find->edFind->SetWideText(rtl::Utf8ToUtf16(*findText));
            if (auto* replace = dynamic_cast<TfmReplaceText*>(&dialog)) {
                presets.push_back(rtl::Utf16ToUtf8(replace->edReplace->WideText()));
                replace->edReplace->SetWideText(rtl::Utf8ToUtf16(replacement));
                if (replaceAll) {
                    replace->aReplaceAll->Execute();
                    return;
                }
            }
            find->aFindOk->Execute();
            return;
        }
        auto* query = dynamic_cast<widecontrols::TWideInputQueryForm*>(&dialog);
        ASSERT_NE(query, nullptr) << dialog.Caption();
        prompts.push_back(dialog.Caption() + "|" + rtl::Utf16ToUtf8(query->Prompt().WideText()) + "|" +
                          rtl::Utf16ToUtf8(query->Edit().WideText()));
        if (!lineAnswer) return;
        query->Edit().SetWideText(rtl::Utf8ToUtf16(*lineAnswer));
        dialog.SetModalResult(ui::mrOk);
    }

    TfrmTextEditor* first = nullptr;
    TfrmTextEditor* second = nullptr;
    std::unique_ptr<ui::TDialogAnswers> answers;
    std::optional<std::string> findText;
    std::string replacement;
    bool replaceAll = false;
    std::optional<std::string> lineAnswer;
    std::vector<std::string> messages, presets, prompts;
};

TEST_F(FindTextTest, FindPresetsTheWordAtTheCaretAndSearchesFromTheCaret) {
    first->SetCaretPos(7, 1); // inside "beta"
    findText = "beta";
    first->Find();
    EXPECT_THAT(presets, ElementsAre("beta"));
    EXPECT_EQ(first->GetSelectedText(), u"beta");
    EXPECT_EQ(first->GetCaretLine(), 2) << "the match under the caret lies before it";
    first->SearchAgain();
    EXPECT_EQ(first->GetCaretLine(), 3);
    EXPECT_TRUE(messages.empty());
}

TEST_F(FindTextTest, TellsWhenTheSearchStringIsNotFoundAndCancelSearchesNothing) {
    findText = "zzz";
    first->Find();
    EXPECT_THAT(messages, ElementsAre("Search string 'zzz' not found."));
    findText.reset();
    first->Find();
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(FindTextTest, SearchAgainWithoutASearchDoesNothing) {
    first->SearchAgain();
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(first->SelectionAvailable());
}

TEST_F(FindTextTest, TheReplaceFlagIsSharedAcrossEditorsAndTheFindDialogClearsIt) {
    findText = "beta";
    replacement = "BETA";
    first->Replace();
    EXPECT_EQ(first->GetText(), u"alpha BETA\r\nbeta gamma\r\nbeta\r\n");
    second->SearchAgain();
    EXPECT_EQ(second->GetText(), u"one BETA two beta\r\n") << "the other editor replaces its next match";

    second->Replace();
    EXPECT_EQ(presets.back(), "BETA") << "the replace dialog starts with the last replacement";
    first->Find();
    first->SearchAgain();
    EXPECT_FALSE(LastSearch().Replace);
    EXPECT_EQ(first->GetText(), u"alpha BETA\r\nbeta gamma\r\nbeta\r\n") << "a find replaces nothing";
}

TEST_F(FindTextTest, ReplaceAllReplacesEveryMatchAfterTheCaret) {
    findText = "beta";
    replacement = "b";
    replaceAll = true;
    first->Replace();
    EXPECT_TRUE(LastSearch().ReplaceAll);
    EXPECT_EQ(first->GetText(), u"alpha b\r\nb gamma\r\nb\r\n");
}

TEST_F(FindTextTest, TheWideBoxesCarryTextsBeyondLatin1) {
    first->SetText(u"\u0430\u0431\u0432 \u4e2d\u6587 \u4e2d\u6587");
    findText = "\u4e2d\u6587";
    replacement = "\u0436";
    replaceAll = true;
    first->Replace();
    EXPECT_EQ(LastSearch().Text, u"\u4e2d\u6587");
    EXPECT_EQ(first->GetText(), u"\u0430\u0431\u0432 \u0436 \u0436\r\n");
}

TEST_F(FindTextTest, GoToLineAcceptsOnlyALineOfTheText) {
    std::u16string text;
    for (int k = 1; k <= 40; ++k)
        text += u"line\r\n";
    first->SetText(text.substr(0, text.size() - 2));
    first->SetCaretPos(0, 5);
    for (const char* answer : {"0", "abc", "41", "-3"}) {
        lineAnswer = answer;
        EXPECT_EQ(ErrorOf([&] { first->GoToLine(); }), "Line number must be between 1 and 40") << answer;
    }
    EXPECT_EQ(prompts.front(), "Go to line number|Enter new line number|5") << "preset with the caret line";
    lineAnswer = "12";
    first->GoToLine();
    EXPECT_EQ(first->GetCaretLine(), 12);
    EXPECT_EQ(first->GetCaretXY().X, 0);
    lineAnswer.reset();
    first->GoToLine();
    EXPECT_EQ(first->GetCaretLine(), 12) << "cancel leaves the caret";
}

} // namespace
} // namespace app
