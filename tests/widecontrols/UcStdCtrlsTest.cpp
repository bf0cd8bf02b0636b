#include "widecontrols/uUcActions.h"
#include "widecontrols/uUcDialogs.h"
#include "widecontrols/uUcStdCtrls.h"

#include "platform/ui/Bitmap.h"
#include "platform/ui/Clock.h"
#include "platform/ui/Dialogs.h"
#include "support/UiTest.h"
#include "widecontrols/AnsiCodePageScope.h"
#include "widecontrols/TextChangeCounter.h"
#include "widecontrols/uUcGraphics.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace widecontrols {
namespace {

class UcStdCtrlsTest : public uitest::UiTest {
protected:
    void SetUp() override {
        form.SetBounds(0, 0, 300, 200);
        form.Show();
    }

    template <class Control>
    Control& Place(Control& control) {
        control.SetParent(&form);
        return control;
    }

    // Keys as the user types them.
    static void Type(ui::TWinControl& control, const char* keys) { QTest::keyClicks(control.Widget(), keys); }

    ui::TForm form{nullptr};
};

TEST_F(UcStdCtrlsTest, AnEditKeepsItsWideTextBeforeAndAfterItsWindowExists) {
    const AnsiCodePageScope latin(1252);
    TUcEdit edit(nullptr);
    edit.SetWideText(u"\u4E2D");
    EXPECT_EQ(edit.WideText(), u"\u4E2D");
    Place(edit).HandleNeeded();
    EXPECT_EQ(edit.WideText(), u"\u4E2D");
    edit.RecreateWnd();
    EXPECT_EQ(edit.WideText(), u"\u4E2D");

    const TextChangeCounter changes(edit);
    edit.SetWideText(u"a\u4E2Db");
    edit.SetWideText(u"a\u4E2Db");
    EXPECT_EQ(changes.Count(), 1);
    edit.SetSelStart(1);
    edit.SetSelLength(1);
    EXPECT_EQ(edit.WideSelText(), u"\u4E2D");
}

TEST_F(UcStdCtrlsTest, APasswordCharacterAboveLatin1IsAStarInEightBits) {
    EXPECT_EQ(AnsiPasswordChar(u'\u2022'), '*');
    EXPECT_EQ(AnsiPasswordChar(u'#'), '#');
    EXPECT_EQ(AnsiPasswordChar(0), '\0');
    TUcEdit edit(nullptr);
    Place(edit).SetPasswordChar(u'\u2022');
    edit.SetWideText(u"secret");
    edit.HandleNeeded();
    EXPECT_EQ(edit.PasswordChar(), u'\u2022');
    EXPECT_EQ(edit.WideText(), u"secret");
}

TEST_F(UcStdCtrlsTest, MemoLinesAreWrittenIntoItsText) {
    TUcMemo memo(nullptr);
    Place(memo);
    memo.WideLines().Add(u"a");
    memo.WideLines().Add(u"b");
    EXPECT_EQ(memo.WideText(), u"a\r\nb\r\n");
    EXPECT_EQ(memo.WideLines().GetCount(), 2);
    memo.WideLines().Insert(1, u"\u4E2D");
    EXPECT_EQ(memo.WideLines().Get(1), u"\u4E2D");
    memo.WideLines().Put(0, u"\U0001F600");
    EXPECT_EQ(memo.WideText(), u"\U0001F600\r\n\u4E2D\r\nb\r\n");
    memo.WideLines().Delete(1);
    EXPECT_EQ(memo.WideLines().GetCount(), 2);
    EXPECT_EQ(memo.WideLines().Get(1), u"b");

    const TextChangeCounter changes(memo);
    memo.WideLines().SetTextStr(u"a\nb");
    EXPECT_EQ(memo.WideText(), u"a\r\nb");
    memo.WideLines().SetTextStr(u"a\r\nb");
    EXPECT_EQ(changes.Count(), 1);

    memo.SetWideText(WideString(65536, u'x'));
    EXPECT_THROW(memo.WideLines().Get(0), EOutOfResources);
    memo.SetWideText(WideString(65535, u'x'));
    EXPECT_EQ(memo.WideLines().Get(0).size(), 65535u);
    memo.WideLines().Clear();
    EXPECT_EQ(memo.WideText(), u"");
}

TEST_F(UcStdCtrlsTest, ALabelsHotKeyOfAnyCharacterFocusesItsControl) {
    TUcLabel label(nullptr);
    TUcEdit first(nullptr), second(nullptr);
    Place(label).SetWideCaption(u"&\u00C4rger");
    Place(first).SetTop(40);
    Place(second).SetTop(80);
    label.SetFocusControl(&second);
    first.SetFocus();
    const auto focused = [&] { return form.Widget()->focusWidget(); };

    EXPECT_EQ(form.Perform(ui::CM_DIALOGCHAR, u'x'), 0);
    EXPECT_EQ(focused(), first.Widget());
    EXPECT_EQ(form.Perform(ui::CM_DIALOGCHAR, u'\u00E4'), 1);
    EXPECT_EQ(focused(), second.Widget());

    first.SetFocus();
    label.SetShowAccelChar(false);
    EXPECT_EQ(form.Perform(ui::CM_DIALOGCHAR, u'\u00C4'), 0);
    label.SetShowAccelChar(true);
    label.SetEnabled(false);
    EXPECT_EQ(form.Perform(ui::CM_DIALOGCHAR, u'\u00C4'), 0);
    EXPECT_EQ(focused(), first.Widget());

    // Alt with the key, as the user presses it.
    label.SetEnabled(true);
    label.SetWideCaption(u"&Name");
    QTest::keyClick(first.Widget(), Qt::Key_N, Qt::AltModifier);
    EXPECT_EQ(focused(), second.Widget());
}

TEST_F(UcStdCtrlsTest, AButtonIsClickedByItsHotKeyAndShowsItsActionsCaptionExactly) {
    const AnsiCodePageScope latin(1252);
    TUcButton button(nullptr);
    Place(button).SetWideCaption(u"&\u4E2D");
    int clicks = 0;
    button.OnClick = [&](ui::TObject*) { ++clicks; };
    EXPECT_EQ(form.Perform(ui::CM_DIALOGCHAR, u'\u4E2D'), 1);
    EXPECT_EQ(clicks, 1);

    TUcAction action(nullptr);
    action.SetWideCaption(u"\u4E2D\u6587");
    button.SetAction(&action);
    EXPECT_EQ(button.WideCaption(), u"\u4E2D\u6587");
    // Both are "??" in the ANSI code page; both reach the button.
    action.SetWideCaption(u"\u6587\u4E2D");
    EXPECT_EQ(button.WideCaption(), u"\u6587\u4E2D");
    action.SetWideHint(u"\u03A9|long");
    EXPECT_EQ(button.WideHint(), u"\u03A9|long");
}

class UcComboBoxTest : public UcStdCtrlsTest {
protected:
    void SetUp() override {
        UcStdCtrlsTest::SetUp();
        Place(combo);
        for (const char16_t* item : {u"Apple", u"apricot", u"Banana"})
            combo.WideItems().Add(item);
        combo.HandleNeeded();
    }

    TUcComboBox combo{nullptr};
};

TEST_F(UcComboBoxTest, TypingCompletesFromTheItems) {
    Type(combo, "a");
    EXPECT_EQ(combo.WideText(), u"apple");
    EXPECT_EQ(combo.SelStart(), 1);
    EXPECT_EQ(combo.SelLength(), 4);
    Type(combo, "p");
    EXPECT_EQ(combo.WideText(), u"apple");
    EXPECT_EQ(combo.SelStart(), 2);
    EXPECT_EQ(combo.SelLength(), 3);
}

TEST_F(UcComboBoxTest, TheListStyleSearchesTheKeysTypedInQuickSuccession) {
    ui::TManualClockScope clock;
    combo.SetStyle(ui::csDropDownList);
    int selects = 0;
    combo.OnSelect = [&](ui::TObject*) { ++selects; };
    Type(combo, "b");
    EXPECT_EQ(combo.ItemIndex(), 2);
    EXPECT_EQ(selects, 1);
    Type(combo, "a");
    clock->Advance(1500);
    Type(combo, "b");
    EXPECT_EQ(combo.ItemIndex(), 2);
}

TEST_F(UcComboBoxTest, ItemsTextAndIndexSurviveRecreationAndClearKeepsTheText) {
    combo.WideItems().Add(u"\u4E2D");
    combo.SetItemIndex(3);
    EXPECT_EQ(combo.WideText(), u"\u4E2D");
    combo.RecreateWnd();
    EXPECT_EQ(combo.WideItems().Get(3), u"\u4E2D");
    EXPECT_EQ(combo.ItemIndex(), 3);
    EXPECT_EQ(combo.WideText(), u"\u4E2D");
    combo.WideItems().Clear();
    EXPECT_EQ(combo.WideItems().GetCount(), 0);
    EXPECT_EQ(combo.WideText(), u"\u4E2D");
}

TEST_F(UcStdCtrlsTest, AListBoxKeepsDataAndSelectionWhenItemsMove) {
    TUcListBox list(nullptr);
    Place(list).HandleNeeded();
    int first = 1, second = 2;
    list.WideItems().AddObject(u"\u4E2D", &first);
    list.WideItems().AddObject(u"b", &second);
    list.SetItemIndex(0);
    list.WideItems().Exchange(0, 1);
    EXPECT_EQ(list.ItemIndex(), 1);
    EXPECT_EQ(list.WideItems().Get(1), u"\u4E2D");
    EXPECT_EQ(list.WideItems().GetObject(1), &first);
    EXPECT_EQ(list.WideItems().GetObject(0), &second);
    list.WideItems().Put(1, u"\u6587");
    EXPECT_EQ(list.ItemIndex(), 1);
    EXPECT_EQ(list.WideItems().GetObject(1), &first);

    TUcComboBox target(nullptr);
    list.CopySelection(target);
    list.AddWideItem(std::u16string_view(u"cut\0here", 8), nullptr);
    EXPECT_EQ(target.WideItems().Get(0), u"\u6587");
    EXPECT_EQ(target.WideItems().GetObject(0), &first);
    EXPECT_EQ(list.WideItems().Get(2), u"cut");
}

TEST_F(UcStdCtrlsTest, AVirtualListBoxAnswersTextRequestsFromItsWideData) {
    TUcListBox list(nullptr);
    Place(list).SetStyle(ui::lbVirtual);
    list.OnData = [](ui::TObject*, int index, WideString& data) {
        data = WideString(static_cast<size_t>(index) + 1, u'\u4E2D') + u"\U0001F600";
    };
    list.SetCount(3);
    const auto ask = [&](uint32_t msg, int index, WideString* text = nullptr) {
        ui::TMessage message{msg, static_cast<uintptr_t>(index), reinterpret_cast<intptr_t>(text)};
        list.WndProc(message);
        return message.Result;
    };
    WideString text;
    EXPECT_EQ(ask(LB_GETTEXTLEN, 1), 4);
    EXPECT_EQ(ask(LB_GETTEXT, 2, &text), 5);
    EXPECT_EQ(text, u"\u4E2D\u4E2D\u4E2D\U0001F600");
    for (int outside : {3, -1})
        EXPECT_EQ(ask(LB_GETTEXTLEN, outside), LB_ERR) << outside;
    // The rows show the fetched texts.
    EXPECT_EQ(list.WideItems().Get(0), u"\u4E2D\U0001F600");
    EXPECT_EQ(list.Count(), 3);

    list.OnData = nullptr;
    EXPECT_EQ(ask(LB_GETTEXTLEN, 0), LB_ERR);
    list.SetStyle(ui::lbStandard);
    EXPECT_EQ(ask(LB_GETTEXTLEN, 0), 0) << "a standard list box leaves the request to the framework";
}

TEST_F(UcStdCtrlsTest, TheInputQueryAnswersWithTheTypedTextOnOk) {
    WideString value = u"old";
    {
        const ui::TDialogAnswers answers(nullptr, [](ui::TCustomForm& shown) {
            auto& query = dynamic_cast<TWideInputQueryForm&>(shown);
            EXPECT_EQ(query.WideCaption(), u"\u4E2D caption");
            EXPECT_EQ(query.Prompt().WideCaption(), u"Prompt \u6587");
            EXPECT_EQ(query.Edit().WideText(), u"old");
            query.Edit().SetWideText(u"\u4E2D\u6587");
            query.OkButton().Click();
        });
        EXPECT_TRUE(WideInputQuery(u"\u4E2D caption", u"Prompt \u6587", value));
    }
    EXPECT_EQ(value, u"\u4E2D\u6587");
    {
        const ui::TDialogAnswers answers(nullptr, [](ui::TCustomForm& shown) {
            auto& query = dynamic_cast<TWideInputQueryForm&>(shown);
            query.Edit().SetWideText(u"ignored");
            query.CancelButton().Click();
        });
        EXPECT_FALSE(WideInputQuery(u"c", u"p", value));
    }
    EXPECT_EQ(value, u"\u4E2D\u6587");
}

TEST_F(UcStdCtrlsTest, TheInputQueryTakesAtMost255CharactersAndIsLaidOutInUnitsOfItsFont) {
    TWideInputQueryForm query(nullptr, u"c", u"p", u"");
    query.Show();
    QTest::keyClicks(query.Edit().Widget(), QString(300, QChar('x')));
    EXPECT_EQ(query.Edit().WideText(), WideString(255, u'x'));

    const auto unitWidth = [&] {
        ui::TBitmap measure(1, 1);
        measure.Canvas()->Font()->Assign(query.Font());
        return AverageCharSize(*measure.Canvas()).cx;
    };
    const int narrow = unitWidth();
    EXPECT_EQ(query.ClientWidth(), (180 * narrow + 2) / 4);
    EXPECT_EQ(query.Edit().Left(), (8 * narrow + 2) / 4);
    query.Font()->SetSize(query.Font()->Size() * 2);
    query.LayOut();
    const int wide = unitWidth();
    EXPECT_NEAR(wide, 2 * narrow, 1);
    EXPECT_EQ(query.ClientWidth(), (180 * wide + 2) / 4);
    EXPECT_EQ(query.Edit().Width(), (164 * wide + 2) / 4);
    EXPECT_EQ(query.CancelButton().Left(), (92 * wide + 2) / 4);
    EXPECT_EQ(query.ClientHeight(), query.CancelButton().Top() + query.CancelButton().Height() + 13);
}

} // namespace
} // namespace widecontrols
