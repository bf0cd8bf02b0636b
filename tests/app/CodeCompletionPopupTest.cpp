// The completion pop-up and the parameter-hint window as the user meets them: keys typed into an
// editor frame, what the pop-up lists and what accepting puts into the text.
#include "app/fuCodeCompletion.h"

#include "app/EditorFrameTesting.h"
#include "app/fuCodeParameters.h"
#include "imaging/uLinkLabel.h"
#include "lazytree/LazyStringTree.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Clock.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace app {
namespace {

using testing::ElementsAre;

TEST(CompletionWords, PrefixAndWordAroundTheCaret) {
    struct Case {
        std::u16string line;
        int caret;
        std::u16string prefix;
        int start, end;
    };
    const Case cases[] = {
        {u"select cus", 10, u"cus", 7, 10},
        {u"select cus", 8, u"c", 7, 10},       // mid-word: the whole word is replaced
        {u"from db1.tab x", 11, u"ta", 9, 12}, // "." ends the word
        {u"a = `quo", 8, u"quo", 4, 8},        // a backquote ends the prefix only
        {u"x(y", 3, u"y", 2, 3},
        {u"\u00e4nd\u00e9rung", 4, u"\u00e4nd\u00e9", 0, 8},
        {u"ab", 5, u"", 5, 5}, // beyond the line's end
        {u"", 0, u"", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(rtl::Utf16ToUtf8(c.line) + " @" + std::to_string(c.caret));
        EXPECT_EQ(CompletionPrefix(c.line, c.caret), c.prefix);
        const TCompletionWord word = CompletionWordAt(c.line, c.caret);
        EXPECT_EQ(word.Start, c.start);
        EXPECT_EQ(word.End, c.end);
    }
    for (const char16_t separator : std::u16string_view(u"\t\n\v\f\r \u00A0;:=<>()[]!,.+-*/\\|~"))
        EXPECT_TRUE(IsCompletionSeparator(separator)) << int(separator);
    EXPECT_FALSE(IsCompletionSeparator(u'`'));
    EXPECT_FALSE(IsCompletionSeparator(u'_'));
}

// A frame over the real pop-up, with candidates given by the test.
class CompletionPopupTest : public EditorFrameTest {
protected:
    void SetUp() override {
        popup = new TfmCodeCompletion(&form);
        frame = new TfrmTextEditor(&form, TfrmTextEditor::hkSQL);
        frame->SetCodeCompletion(popup, [this](TCodeCompletionItems& items, bool&) {
            items.Clear();
            items.Add(ckColumn, "customer_id", "int(11)", {}, "orders");
            items.Add(ckColumn, "customer", "varchar(40)", {}, "orders");
            items.Add(ckTable, "Customers");
            items.Add(ckKeyword, "FROM");
            items.Add(ckAlias, "\u00e4rger", {}, "`\u00e4rger`", "t1");
        });
        ShowFrame(*frame);
        frame->SetText(u"select cu\r\n");
        frame->SetCaretPos(9, 1);
        frame->FocusEditor();
        uitest::ProcessEvents();
    }
    void TearDown() override { AutoCodeCompletion = true; }

    QWidget* Keys() const { return popup->Tree().Widget(); }
    std::vector<std::string> Shown() const {
        std::vector<std::string> names;
        for (const auto* item : popup->Shown())
            names.push_back(item->Name);
        return names;
    }
    std::string FocusedName() const { return popup->Focused() ? popup->Focused()->Name : "(none)"; }
    std::string Line() const { return rtl::Utf16ToUtf8(frame->GetCaretLineText()); }
    void Open() {
        QTest::keyClick(Widget(*frame), ' ', Qt::ControlModifier);
        uitest::ProcessEvents();
        ASSERT_TRUE(popup->Visible());
    }

    ui::TManualClockScope clock;
    TfmCodeCompletion* popup = nullptr;
    TfrmTextEditor* frame = nullptr;
};

TEST_F(CompletionPopupTest, TypingFiltersIgnoringCaseAndFocusesAnExactName) {
    AutoCodeCompletion = false; // Ctrl+Space works without it
    Open();
    EXPECT_THAT(Shown(), ElementsAre("customer_id", "customer", "Customers"));
    EXPECT_EQ(FocusedName(), "customer_id");

    QTest::keyClicks(Keys(), "stomer");
    EXPECT_EQ(Line(), "select customer");
    EXPECT_THAT(Shown(), ElementsAre("customer_id", "customer", "Customers"));
    EXPECT_EQ(FocusedName(), "customer");
    QTest::keyClick(Keys(), 's');
    EXPECT_THAT(Shown(), ElementsAre("Customers"));
    EXPECT_EQ(FocusedName(), "Customers");

    // Backspace over the prefix keeps the pop-up; the arrow keys move in the list.
    for (int k = 0; k < 9; ++k)
        QTest::keyClick(Keys(), Qt::Key_Backspace);
    EXPECT_EQ(Line(), "select ");
    EXPECT_TRUE(popup->Visible());
    EXPECT_EQ(Shown().size(), 5u);
    QTest::keyClick(Keys(), Qt::Key_Down);
    EXPECT_EQ(FocusedName(), "customer");
    // Backspace with a separator before the caret closes it.
    QTest::keyClick(Keys(), Qt::Key_Backspace);
    EXPECT_FALSE(popup->Visible());
    EXPECT_EQ(Line(), "select");
}

TEST_F(CompletionPopupTest, NonAsciiNamesFilter) {
    frame->SetText(u"x \u00c4r");
    frame->SetCaretPos(4, 1);
    Open();
    EXPECT_THAT(Shown(), ElementsAre("\u00e4rger"));
    QTest::keyClick(Keys(), Qt::Key_Return);
    EXPECT_EQ(Line(), "x `\u00e4rger`");
}

TEST_F(CompletionPopupTest, ASeparatorAcceptsTheWholeWordThenTypesItself) {
    frame->SetText(u"select cuXYZ, 1");
    frame->SetCaretPos(9, 1); // inside the word, after "cu"
    Open();
    EXPECT_EQ(FocusedName(), "customer_id");
    QTest::keyClick(Keys(), ' ');
    EXPECT_FALSE(popup->Visible());
    EXPECT_EQ(Line(), "select customer_id , 1");
    EXPECT_EQ(frame->GetCaretXY().X, 19);
    // One undo step takes the candidate back out.
    frame->Model().Undo();
    frame->Model().Undo();
    EXPECT_EQ(Line(), "select cuXYZ, 1");
}

TEST_F(CompletionPopupTest, EnterInsertsAndEscapeClosesWithoutChange) {
    Open();
    QTest::keyClick(Keys(), Qt::Key_Escape);
    EXPECT_FALSE(popup->Visible());
    EXPECT_EQ(Line(), "select cu");

    Open();
    QTest::keyClick(Keys(), Qt::Key_Down);
    QTest::keyClick(Keys(), Qt::Key_Return);
    EXPECT_FALSE(popup->Visible());
    // Enter is a separator too, but the editor types no line break for it.
    EXPECT_EQ(Line(), "select customer");

    frame->SetText(u"select cu");
    frame->SetCaretPos(9, 1);
    Open();
    QTest::keyClick(Keys(), Qt::Key_Tab);
    EXPECT_EQ(Line().substr(0, 18), "select customer_id");
}

TEST_F(CompletionPopupTest, RowsShowCaptionNameDetailAndContext) {
    Open();
    popup->SetBounds(popup->Left(), popup->Top(), 300, 120);
    uitest::ProcessEvents();
    const QImage image = popup->Widget()->grab().toImage();
    if (const char* dir = std::getenv("EDITOR_TEST_PNG_DIR"))
        image.save(QString(dir) + "/completion_popup.png");
    const QImage tree = popup->Tree().Widget()->grab().toImage();
    // The focused first row is filled with the selection colour; the second is not.
    int selected = 0, detail = 0;
    for (int x = 0; x < tree.width(); ++x) {
        selected += Pixel(tree, x, 8) == 0xA56D53;
        for (int y = 16; y < 32; ++y)
            detail += Pixel(tree, x, y) == 0x804000;
    }
    EXPECT_GT(selected, tree.width() / 2);
    EXPECT_GT(detail, 5) << "the column's type is drawn in its colour";
}

// ---- the parameter-hint window

class CodeParametersTest : public EditorFrameTest {
protected:
    void SetUp() override {
        frame = new TfrmTextEditor(&form, TfrmTextEditor::hkSQL);
        ShowFrame(*frame);
        window = std::make_unique<TfmCodeParameters>(frame->Editor());
    }
    // `count` entries of `length` characters.
    static const rtl::TStringList& Entries(int count, int length) {
        static rtl::TStringList list;
        list.Clear();
        for (int k = 0; k < count; ++k)
            list.Add(std::string(length - 1, char('a' + k % 26)) + std::to_string(k % 10));
        return list;
    }

    TfrmTextEditor* frame = nullptr;
    std::unique_ptr<TfmCodeParameters> window;
};

TEST_F(CodeParametersTest, ShowsAboveThePointWithTheCurrentParameterInBold) {
    rtl::TStringList list;
    list.Add("str1");
    list.Add("str2");
    list.Add("...");
    window->ShowParameters({100, 200}, 1, list);
    uitest::ProcessEvents();
    EXPECT_TRUE(window->Visible());
    EXPECT_EQ(window->Label().Caption(), "str1, <b>str2</b>, ...");
    EXPECT_EQ(window->Top() + window->Height(), 200);
    EXPECT_EQ(window->Left(), 100);
    const QImage image = window->Widget()->grab().toImage();
    if (const char* dir = std::getenv("EDITOR_TEST_PNG_DIR")) image.save(QString(dir) + "/parameters.png");
    EXPECT_EQ(Pixel(image, 1, 1), ui::ColorToRGB(ui::clInfoBk));

    // Shown, it stays unless the caret went far.
    window->ShowParameters({250, 200}, 2, list);
    EXPECT_EQ(window->Left(), 100);
    window->ShowParameters({301, 200}, 2, list);
    EXPECT_EQ(window->Left(), 301);
}

TEST_F(CodeParametersTest, TwentyParametersWrapIntoTwoLinesAndTheScreenBottomHoldsTheWindow) {
    window->ShowParameters({10, 300}, 0, Entries(1, 10));
    const int oneLine = window->Height();
    window->ShowParameters({10, 300}, 0, Entries(20, 10));
    EXPECT_THAT(window->Label().Caption(), testing::HasSubstr(",<br>"));
    EXPECT_GT(window->Height(), oneLine);
    EXPECT_LT(window->Height(), 2 * oneLine);

    window->Hide();
    const ui::TRect monitor = ui::Screen->MonitorFromPoint({10, 10}).BoundsRect;
    window->ShowParameters({10, monitor.Bottom + 500}, 0, Entries(3, 10));
    EXPECT_EQ(window->Top() + window->Height(), monitor.Bottom);
}

TEST_F(CodeParametersTest, TheInstalledWindowFollowsTypedParenthesesAndEscapeHidesIt) {
    ui::TManualClockScope clock;
    InstallCodeParametersWindow();
    auto* typed = new TfrmTextEditor(&form, TfrmTextEditor::hkSQL);
    SetCodeParametersWindowClass({});
    typed->SetParent(&form);
    typed->SetAlign(ui::alClient);
    typed->SetCodeParameters([](rtl::TStringList& list, int& index) {
        list.Add("a: INT");
        list.Add("b: INT");
        index = 1;
    });
    typed->FocusEditor();
    uitest::ProcessEvents();
    QTest::keyClick(Widget(*typed), '(');
    clock->Advance(300);
    auto* hint = dynamic_cast<TfmCodeParameters*>(typed->ParametersWindow());
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->Visible());
    EXPECT_EQ(hint->Label().Caption(), "a: INT, <b>b: INT</b>");
    QTest::keyClick(Widget(*typed), Qt::Key_Escape);
    EXPECT_FALSE(hint->Visible());
}

} // namespace
} // namespace app
