#include "platform/ui/Edits.h"

#include "platform/ui/Application.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/Clipboard.h"
#include "support/UiTest.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ui {
namespace {

using ::testing::ElementsAre;

// A four-byte character: one code point, two UTF-16 units.
const std::string kEmoji = "\xF0\x9F\x98\x80";

class EditsTest : public uitest::UiTest {
protected:
    TForm form{nullptr};
};

TEST_F(EditsTest, PropertiesSetBeforeTheWindowApplyOnCreationAndSurviveRecreation) {
    TEdit edit(&form);
    edit.SetParent(&form);
    edit.SetText("héllo " + kEmoji);
    edit.SetMaxLength(20);
    edit.SetReadOnly(true);
    edit.SetPasswordChar(u'*');
    edit.SetSelStart(1);
    edit.SetSelLength(4);
    EXPECT_EQ(edit.SelText(), "éllo");

    for (int round = 0; round < 2; ++round) {
        auto* widget = qobject_cast<QLineEdit*>(edit.Handle());
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->text().toStdString(), "héllo " + kEmoji) << round;
        EXPECT_EQ(widget->maxLength(), 20);
        EXPECT_TRUE(widget->isReadOnly());
        EXPECT_EQ(widget->echoMode(), QLineEdit::Password);
        EXPECT_EQ(edit.SelStart(), 1);
        EXPECT_EQ(edit.SelLength(), 4);
        EXPECT_EQ(edit.Text(), "héllo " + kEmoji);
        edit.RecreateWnd();
    }
}

TEST_F(EditsTest, SelectionCountsUtf16UnitsAndSelTextReplacesIt) {
    TEdit edit(&form);
    edit.SetParent(&form);
    edit.SetText("a" + kEmoji + "b");
    struct Case {
        int start, length;
        std::string selected;
    };
    for (const Case& c :
         {Case{0, 1, "a"}, Case{1, 2, kEmoji}, Case{3, 1, "b"}, Case{0, 99, "a" + kEmoji + "b"}}) {
        edit.SetSelStart(c.start);
        edit.SetSelLength(c.length);
        EXPECT_EQ(edit.SelText(), c.selected) << c.start << "+" << c.length;
    }
    edit.SetSelStart(1);
    edit.SetSelLength(2);
    edit.SetSelText("xy");
    EXPECT_EQ(edit.Text(), "axyb");
    EXPECT_EQ(edit.SelStart(), 3);
    EXPECT_EQ(edit.SelLength(), 0);
    edit.SelectAll();
    EXPECT_EQ(edit.SelLength(), 4);
}

TEST_F(EditsTest, OnChangeFiresForEveryTextChangeAndModifiedOnlyForTheUsers) {
    TEdit edit(&form);
    edit.SetParent(&form);
    std::vector<std::string> changes;
    edit.OnChange = [&](TObject*) { changes.push_back(edit.Text()); };
    edit.SetText("before the window");
    edit.HandleNeeded();
    EXPECT_THAT(changes, ElementsAre("before the window")) << "creating the window changes nothing";
    edit.SetText("set");
    EXPECT_FALSE(edit.Modified());
    edit.SetSelStart(3);
    QTest::keyClicks(edit.Widget(), "!");
    EXPECT_THAT(changes, ElementsAre("before the window", "set", "set!"));
    EXPECT_TRUE(edit.Modified());
    edit.SetText("again");
    EXPECT_FALSE(edit.Modified()) << "setting the text starts afresh";
}

TEST_F(EditsTest, UndoAndTheClipboardWorkOnTheSelection) {
    TEdit edit(&form);
    edit.SetParent(&form);
    edit.SetText("one two");
    edit.HandleNeeded();
    EXPECT_FALSE(edit.CanUndo());
    edit.SetSelStart(3);
    edit.SetSelLength(4);
    edit.CutToClipboard();
    EXPECT_EQ(edit.Text(), "one");
    EXPECT_EQ(Clipboard().AsText(), " two");
    EXPECT_TRUE(edit.CanUndo());
    edit.Undo();
    EXPECT_EQ(edit.Text(), "one two");
    edit.ClearUndo();
    EXPECT_FALSE(edit.CanUndo());
    EXPECT_EQ(edit.Text(), "one two");

    Clipboard().SetAsText(kEmoji);
    edit.SetSelStart(0);
    edit.SetSelLength(3);
    edit.PasteFromClipboard();
    EXPECT_EQ(edit.Text(), kEmoji + " two");
    edit.SetSelStart(0);
    edit.SetSelLength(2);
    edit.CopyToClipboard();
    EXPECT_EQ(Clipboard().AsWideText(), u"\U0001F600");

    edit.SetReadOnly(true);
    edit.SelectAll();
    edit.CutToClipboard();
    edit.PasteFromClipboard();
    EXPECT_EQ(edit.Text(), kEmoji + " two") << "a read-only edit keeps its text";
}

TEST_F(EditsTest, MaxLengthCutsWhatIsTyped) {
    TEdit edit(&form);
    edit.SetParent(&form);
    edit.SetMaxLength(3);
    edit.HandleNeeded();
    QTest::keyClicks(edit.Widget(), "abcdef");
    EXPECT_EQ(edit.Text(), "abc");
    edit.SetMaxLength(0);
    QTest::keyClicks(edit.Widget(), "def");
    EXPECT_EQ(edit.Text(), "abcdef");
}

TEST_F(EditsTest, MemoLinesAreALiveViewOfTheText) {
    TMemo memo(&form);
    memo.SetParent(&form);
    memo.Lines().Add("first");
    memo.Lines().Add("second " + kEmoji);
    EXPECT_EQ(memo.Text(), "first\r\nsecond " + kEmoji);
    memo.HandleNeeded();
    auto* widget = qobject_cast<QPlainTextEdit*>(memo.Widget());
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->toPlainText().toStdString(), "first\nsecond " + kEmoji);

    memo.Lines().SetString(0, "changed");
    EXPECT_EQ(widget->toPlainText().toStdString(), "changed\nsecond " + kEmoji);
    memo.SetText("a\r\nb\nc");
    EXPECT_EQ(memo.Lines().Count(), 3);
    EXPECT_EQ(memo.Lines()[2], "c");

    // Typing shows in Lines.
    widget->moveCursor(QTextCursor::End);
    QTest::keyClick(widget, Qt::Key_Return);
    QTest::keyClicks(widget, "d");
    EXPECT_EQ(memo.Lines().Count(), 4);
    EXPECT_EQ(memo.Lines()[3], "d");
    EXPECT_EQ(memo.LineIndex(0), 0);
    EXPECT_EQ(memo.LineIndex(2), 4);
    EXPECT_EQ(memo.LineIndex(9), -1);
    EXPECT_EQ(memo.LineFromChar(5), 2);

    memo.RecreateWnd();
    EXPECT_EQ(memo.Text(), "a\r\nb\r\nc\r\nd");
}

TEST_F(EditsTest, MemoLayoutAndKeysFollowItsProperties) {
    TMemo memo(&form);
    memo.SetParent(&form);
    memo.SetScrollBars(ssVertical);
    memo.SetWordWrap(false);
    memo.HandleNeeded();
    auto* widget = qobject_cast<QPlainTextEdit*>(memo.Widget());
    EXPECT_EQ(widget->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(widget->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(widget->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_TRUE(widget->tabChangesFocus());
    memo.SetWantTabs(true);
    EXPECT_FALSE(widget->tabChangesFocus());
    memo.SetWordWrap(true);
    EXPECT_EQ(widget->lineWrapMode(), QPlainTextEdit::WidgetWidth);

    // Without WantReturns, Return goes to the form's default button instead of the text.
    TButton ok(&form);
    ok.SetParent(&form);
    ok.SetDefault(true);
    int clicks = 0;
    ok.OnClick = [&](TObject*) { ++clicks; };
    memo.SetWantReturns(false);
    form.Show();
    QTest::keyClicks(widget, "x");
    QTest::keyClick(widget, Qt::Key_Return);
    EXPECT_EQ(memo.Text(), "x");
    EXPECT_EQ(clicks, 1);
    memo.SetWantReturns(true);
    QTest::keyClick(widget, Qt::Key_Return);
    QTest::keyClicks(widget, "y");
    EXPECT_THAT(memo.Lines().Text(), "x\r\ny\r\n");
    EXPECT_EQ(clicks, 1);
}

} // namespace
} // namespace ui
